// ViewFixture: the view window of an opened editor, its geometry, pixels and input.
#include "view_fixture.h"

#include <climits>

#include "frame/editor_dialog.h"
#include "frame/editor_frame.h"
#include "mp/settings.h"
#include "win/backend.h"

namespace harness {

using namespace win;

void ViewFixture::SetUp() {
    EditorFixture::SetUp();
    // Monitoring needs an output port.
    SetPorts(mp::PORT_KIND_OUTPUT, {{1, u"Synth"}});
}

std::uint32_t ViewFixture::AddPianoTrack(std::int64_t end, int channel) {
    track = AddTrack(u"Piano", channel);
    return AddBlock(track, 0, end);
}

int ViewFixture::PaintedNotes() const {
    const pianoroll::TrackView* v = View();
    if (!v) return 0;
    return static_cast<int>(v->gridCache.displayList.size()) - v->gridCache.displayRowCount;
}

void ViewFixture::OpenView(int width, int height) {
    CreatePlugin();
    ASSERT_EQ(InitialisePlugin(), S_OK);
    CreatePage();
    ASSERT_EQ(OpenEditor(width, height), S_OK);
    ASSERT_NE(ViewWindow(), nullptr);
    ASSERT_NE(View(), nullptr);
    Pump();
}

void ViewFixture::ShowSong(int wholeNotes, std::int64_t span) {
    Settings()->minSongWholeNotes = wholeNotes;
    pianoroll::RefreshDocumentLength(View());
    SetFocus(ViewWindow());
    SetTimeView(0, span);
}

void ViewFixture::OpenLongSong() {
    AddPianoTrack(64 * kQuarter, 0);
    OpenView(900, 600);
    ShowSong(64, 16 * kQuarter);
}

HWND ViewFixture::ViewWindow() const {
    HWND editor = EditorWindow();
    return editor ? GetDlgItem(editor, pianoroll::kViewWindowId) : nullptr;
}

pianoroll::TrackView* ViewFixture::View() const {
    HWND view = ViewWindow();
    return view ? reinterpret_cast<pianoroll::TrackView*>(GetWindowLongPtr(view, GWLP_USERDATA)) : nullptr;
}

mp::PianoRollSettings* ViewFixture::Settings() const {
    pianoroll::TrackView* v = View();
    return v ? v->settings : nullptr;
}

int ViewFixture::XOfTick(std::int64_t tick) const {
    return static_cast<int>(SendMessage(ViewWindow(), pianoroll::PRM_SCRIPT_POSITION, 0, static_cast<LPARAM>(tick)));
}

int ViewFixture::YOfNote(int note) const {
    return static_cast<int>(SendMessage(ViewWindow(), pianoroll::PRM_SCRIPT_POSITION, 1, note));
}

void ViewFixture::SetTimeView(std::int64_t start, std::int64_t span) {
    pianoroll::SetTimeView(View(), start, span, pianoroll::TV_PROGRAM);
    Repaint();
}

void ViewFixture::SetRows(int topRow, int rowHeightLevel) {
    pianoroll::TrackView* v = View();
    v->geo.rowHeightLevel = rowHeightLevel;
    pianoroll::SetVerticalView(v, topRow * pianoroll::kUnitsPerRow, pianoroll::VerticalSpanOfLevel(v, rowHeightLevel),
                               pianoroll::VV_PROGRAM | pianoroll::VV_FIXED_SPAN);
    Repaint();
}

void ViewFixture::Repaint() {
    pianoroll::InvalidateView(View(), pianoroll::INV_ALL);
    Pump();
}

std::uint32_t ViewFixture::Rgb(int x, int y) const { return headless::ReadPixel(ViewWindow(), x, y) & 0xFFFFFF; }

COLORREF ViewFixture::Pixel(int x, int y) const { return FromRgb(Rgb(x, y)); }

int ViewFixture::PartAt(int x, int y) const {
    pianoroll::HitTestView(View(), x, y, true);
    return static_cast<int>(View()->hitCode & 0xFFFF);
}

int ViewFixture::PaneAt(int x, int y) const {
    pianoroll::HitTestView(View(), x, y, true);
    return static_cast<int>(View()->hitCode >> 16);
}

void ViewFixture::Key(int vk, unsigned mods) {
    headless::PressKey(vk, mods);
    Pump();
}

void ViewFixture::Move(int x, int y) {
    headless::MouseMove(ViewWindow(), x, y);
    Pump();
}

void ViewFixture::Press(int x, int y, int button, unsigned mods) {
    Move(x, y);
    if (mods & headless::MOD_CONTROL) headless::KeyDown(VK_CONTROL);
    headless::MouseDown(button);
    Pump();
    if (mods & headless::MOD_CONTROL) headless::KeyUp(VK_CONTROL);
    Pump();
}

void ViewFixture::Release(int x, int y, int button, unsigned) {
    Move(x, y);
    headless::MouseUp(button);
    Pump();
}

void ViewFixture::ClickAt(int x, int y, int button) {
    Press(x, y, button);
    Release(x, y, button);
}

void ViewFixture::DragAt(int x0, int y0, int x1, int y1, int button) {
    Press(x0, y0, button);
    Move(x1, y1);
    Release(x1, y1, button);
}

} // namespace harness
