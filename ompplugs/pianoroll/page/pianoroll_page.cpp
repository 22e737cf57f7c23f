// COPTPianoRollPage: creates the editor dialog and names the module's help file.
#include "page/pianoroll_page.h"

#include <new>
#include <string>

#include "frame/editor_dialog.h"
#include "resources/module_identity.h"

namespace pianoroll {

using namespace win;

namespace {
constexpr const char* kHelpFileName = "pianoroll.html";
}

mp::CBaseListPage* MakePianoRollPage() { return new (std::nothrow) COPTPianoRollPage; }

COPTPianoRollPage::~COPTPianoRollPage() { OnObjectDetached(); }

HWND COPTPianoRollPage::CreateEditorDialog(HWND parent, LPARAM param) {
    return CreateEditorDialogWindow(ModuleInstance(), parent, param);
}

const char16_t* COPTPianoRollPage::HelpFilePath() const {
    helpPath_ = mp::Utf8ToUtf16((ModuleFolder() + kHelpFileName).c_str());
    return helpPath_.c_str();
}

void COPTPianoRollPage::OnObjectAttached(IUnknown* main) {
    OnObjectDetached();
    if (main && SUCCEEDED(main->QueryInterface(mp::IID_IMPInitialise, reinterpret_cast<void**>(&editorPlugin_))))
        return;
    editorPlugin_ = nullptr;
}

void COPTPianoRollPage::OnObjectDetached() {
    if (editorPlugin_) {
        mp::IMPInitialise* held = editorPlugin_;
        editorPlugin_ = nullptr;
        held->Release();
    }
}

} // namespace pianoroll
