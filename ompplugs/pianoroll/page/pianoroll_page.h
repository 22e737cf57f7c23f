// COPTPianoRollPage: the piano-roll editor's property page.
#pragma once

#include "mp/host_contract.h"
#include "mp/page.h"

namespace pianoroll {

class COPTPianoRollPage final : public mp::CBaseListPage {
public:
    ~COPTPianoRollPage() override;
    // The second hold on the plug-in object, kept for the editor.
    mp::IMPInitialise* EditorPlugin() const noexcept { return editorPlugin_; }

protected:
    win::HWND CreateEditorDialog(win::HWND parent, win::LPARAM param) override;
    const char16_t* HelpFilePath() const override;
    void OnObjectAttached(win::IUnknown* main) override;
    void OnObjectDetached() override;

private:
    mp::IMPInitialise* editorPlugin_ = nullptr;
    mutable std::u16string helpPath_;
};

// Page maker for the entry point and the class factory (null when out of memory).
mp::CBaseListPage* MakePianoRollPage();

} // namespace pianoroll
