// The preferences dialog and the About box as the frame's commands open them: the output ports offered
// (a pick heard at once is driven in the preferences script), and the About box's texts, place and link.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "frame/dialogs.h"
#include "frame_fixture.h"
#include "mp/plugin.h"
#include "resources/command_ids.h"
#include "vor/web_page.h"
#include "win/backend.h"

namespace {

using namespace win;
using harness::FrameFixture;

constexpr DWORD kNoPort = 0xFFFFFFFF;

// What a dialog showed when it opened: every chooser item with its data, the chosen one, the state.
struct ChooserSeen {
    std::vector<std::string> texts;
    std::vector<LPARAM> data;
    int chosen = -2;
    bool enabled = false;
};

ChooserSeen ReadChooser(HWND dialog) {
    ChooserSeen seen;
    HWND chooser = GetDlgItem(dialog, pianoroll::kOutputChooserId);
    const int count = static_cast<int>(SendMessage(chooser, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        seen.texts.push_back(FrameFixture::ItemText(chooser, i));
        seen.data.push_back(SendMessage(chooser, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
    }
    seen.chosen = static_cast<int>(SendMessage(chooser, CB_GETCURSEL, 0, 0));
    seen.enabled = IsWindowEnabled(chooser) != FALSE;
    return seen;
}

class Dialogs : public FrameFixture {
  protected:
    mp::COPTPlugin* Object() { return static_cast<mp::COPTPlugin*>(init); }
    LRESULT Command(int id) {
        const LRESULT result = SendMessage(EditorWindow(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
        Pump();
        return result;
    }
    // Opens the preferences with the answer given by `act`, which sees the open dialog.
    void Preferences(std::function<void(HWND)> act) {
        AnswerNextDialog(std::move(act));
        Command(pianoroll::CMD_PREFERENCES);
    }
};

TEST_F(Dialogs, PreferencesOfferNoneAndTheHostsPortsWithTheCurrentOneChosen) {
    OpenSong();
    SetPorts(mp::PORT_KIND_OUTPUT, {{5, u"Built-in Synthesizer"}, {9, u""}, {12, u"Through Port"}});
    Pump();
    ASSERT_EQ(Object()->QueryMonitoring(), 0);
    Object()->SetPort(1, 12);
    ChooserSeen seen;
    Preferences([&](HWND dialog) {
        seen = ReadChooser(dialog);
        EXPECT_EQ(WindowTextOf(dialog), "Preferences");
        EndDialog(dialog, IDCANCEL);
    });
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"(None)", "Built-in Synthesizer", "Port 2", "Through Port"}));
    EXPECT_EQ((std::tuple{seen.data, seen.chosen}), (std::tuple{(std::vector<LPARAM>{-1, 0, 1, 2}), 3}));
    EXPECT_TRUE(seen.enabled);
    EXPECT_EQ(Object()->GetPort(1), 12u);
}

TEST_F(Dialogs, WithoutMonitoringOnlyADisabledNoneIsOfferedAndOkChoosesNoPort) {
    OpenSong();
    SetPorts(mp::PORT_KIND_OUTPUT, {});
    Pump();
    ASSERT_GT(Object()->QueryMonitoring(), 0);
    ChooserSeen seen;
    Preferences([&](HWND dialog) {
        seen = ReadChooser(dialog);
        EXPECT_FALSE(SetDialogItemAsUser(dialog, pianoroll::kOutputChooserId, "(None)"));
        SendMessage(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ((std::tuple{seen.texts, seen.chosen}), (std::tuple{std::vector<std::string>{"(None)"}, 0}));
    EXPECT_FALSE(seen.enabled);
    EXPECT_EQ(Object()->GetPort(1), kNoPort);
}

TEST_F(Dialogs, TheViewIsLaidOutAgainAfterThePreferences) {
    OpenSong();
    RECT laidOut{};
    GetWindowRect(ViewWindow(), &laidOut);
    // Put out of place behind the frame's back: only laying the frame out again puts it back.
    SetWindowPos(ViewWindow(), nullptr, 0, 0, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    Preferences([](HWND dialog) { SendMessage(dialog, WM_COMMAND, IDCANCEL, 0); });
    RECT now{};
    GetWindowRect(ViewWindow(), &now);
    EXPECT_TRUE(EqualRect(&now, &laidOut));
}

// The last address the About box's link asked to open.
std::string& OpenedAddress() {
    static std::string address;
    return address;
}

bool RecordAddress(const char* url) {
    OpenedAddress() = url;
    return true;
}

TEST_F(Dialogs, AboutBoxNamesTheEditorItsVersionAndNoticeCentredOnItsOwner) {
    OpenSong();
    std::string title, product, version, notice, link;
    RECT box{}, owner{};
    AnswerNextDialog([&](HWND dialog) {
        title = WindowTextOf(dialog);
        product = WindowTextOf(GetDlgItem(dialog, pianoroll::kAboutProductId));
        version = WindowTextOf(GetDlgItem(dialog, pianoroll::kAboutVersionId));
        notice = WindowTextOf(GetDlgItem(dialog, pianoroll::kAboutNoticeId));
        link = WindowTextOf(GetDlgItem(dialog, pianoroll::kAboutLinkId));
        GetWindowRect(dialog, &box);
        GetWindowRect(GetWindow(dialog, GW_OWNER), &owner);
        SendMessage(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ((std::tuple{Command(pianoroll::CMD_ABOUT), title, product, version}),
              (std::tuple{1, "About Piano Roll Editor", "Piano Roll Editor", std::string("Version ") + VOR_PROJECT_VERSION}));
    EXPECT_NE(notice.find("Copyright"), std::string::npos);
    EXPECT_NE(link.find("README"), std::string::npos);
    EXPECT_LE(std::abs((box.left + box.right) - (owner.left + owner.right)), 1);
    EXPECT_LE(std::abs((box.top + box.bottom) - (owner.top + owner.bottom)), 1);
    AnswerNextDialog([](HWND dialog) { SendMessage(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(Command(pianoroll::CMD_ABOUT), 0);
}

TEST_F(Dialogs, AboutBoxLinkOpensTheReadmeAndNothingHeadless) {
    OpenSong();
    using SetOpener = void (*)(VorShellOpener);
    using OpenPage = bool (*)(const char*);
    auto setOpener = reinterpret_cast<SetOpener>(dlsym(harness::Module().handle, "VorShell_SetOpener"));
    auto openPage = reinterpret_cast<OpenPage>(dlsym(harness::Module().handle, "VorShell_OpenWebPage"));
    ASSERT_NE(setOpener, nullptr);
    ASSERT_NE(openPage, nullptr);
    EXPECT_FALSE(openPage("file:///tmp/x")); // without a display nothing is started
    setOpener(RecordAddress);
    OpenedAddress().clear();
    // Enter right after the box opens is OK, not the link.
    AnswerNextDialog([](HWND dialog) {
        // The key as the box's own loop hands it on; a box still open afterwards is cancelled.
        MSG enter{GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
        IsDialogMessage(dialog, &enter);
        PostMessage(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(Command(pianoroll::CMD_ABOUT), 1);
    EXPECT_TRUE(OpenedAddress().empty());
    bool enabled = false;
    AnswerNextDialog([&](HWND dialog) {
        HWND link = GetDlgItem(dialog, pianoroll::kAboutLinkId);
        enabled = IsWindowEnabled(link) != FALSE;
        // A press on the plain words before the link opens nothing; a click on "README" does.
        headless::Click(link, 2, 4);
        headless::PumpUntilIdle();
        EXPECT_TRUE(OpenedAddress().empty());
        RECT r{};
        GetClientRect(link, &r);
        for (int x = 0; x < r.right && OpenedAddress().empty(); x += 4) {
            headless::Click(link, x, 4);
            headless::PumpUntilIdle();
        }
        EXPECT_FALSE(OpenedAddress().empty());
        // Enter on the link, once it has the keys, opens it as well.
        OpenedAddress().clear();
        SetFocus(link);
        SendMessage(link, WM_KEYDOWN, VK_RETURN, 0);
        SendMessage(dialog, WM_COMMAND, IDOK, 0);
    });
    Command(pianoroll::CMD_ABOUT);
    setOpener(nullptr);
    ASSERT_TRUE(enabled);
    const std::string expected = "file://" VOR_SOURCE_DIR "/README.md";
    EXPECT_EQ(OpenedAddress(), expected);
}

} // namespace
