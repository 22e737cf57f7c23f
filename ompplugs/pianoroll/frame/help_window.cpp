// The editor's help: its keys, mouse gestures and toolbar buttons from the string table, shown in the
// support library's context-help window.
#include "frame/editor_frame.h"

#include <string>
#include <vector>

#include "mp/module_strings.h"
#include "mp/string_ids.h"
#include "resources/command_ids.h"
#include "vor/help.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr const char* kIndent = "    ";

void AddRange(std::vector<std::string>& lines, std::uint32_t heading, std::uint32_t first,
              std::uint32_t last) {
    if (!lines.empty()) lines.emplace_back();
    lines.emplace_back(mp::ModuleString(heading));
    for (std::uint32_t id = first; id <= last; ++id)
        lines.push_back(kIndent + std::string(mp::ModuleString(id)));
}

} // namespace

LRESULT ShowFrameHelp(HWND dialog) {
    std::vector<std::string> lines;
    AddRange(lines, mp::IDS_HELP_KEYS, mp::IDS_HELP_KEY_FIRST, mp::IDS_HELP_KEY_LAST);
    AddRange(lines, mp::IDS_HELP_MOUSE, mp::IDS_HELP_MOUSE_FIRST, mp::IDS_HELP_MOUSE_LAST);
    lines.push_back(kIndent + std::string(mp::ModuleString(mp::IDS_HELP_OTHER_TRACKS)));
    lines.emplace_back();
    lines.emplace_back(mp::ModuleString(mp::IDS_HELP_TOOLBAR));
    for (int command : ToolbarCommands()) {
        const char* tip = ToolbarTooltip(command);
        lines.push_back(kIndent + std::string(tip ? tip : mp::ModuleString(mp::IDS_HELP_BUTTON)));
    }
    lines.push_back(kIndent + std::string(mp::ModuleString(mp::IDS_HELP_DROP_DOWNS)));
    std::vector<const char*> texts;
    texts.reserve(lines.size());
    for (const std::string& line : lines)
        texts.push_back(line.c_str());
    HWND help = VorHelp_ShowContextHelp(dialog, mp::ModuleString(mp::IDS_HELP_TITLE), texts.data(),
                                        static_cast<int>(texts.size()));
    return help ? 1 : 0;
}

} // namespace pianoroll
