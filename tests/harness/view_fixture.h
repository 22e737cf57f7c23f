// ViewFixture: the editor fixture with the piano-roll view at hand: its window, its record, positions
// of ticks and notes through the view's own position query, pixels and input in view coordinates.
#pragma once

#include <cstdint>
#include <string>

#include "editor_fixture.h"
#include "view/track_view.h"

namespace harness {

class ViewFixture : public EditorFixture {
protected:
    static constexpr std::int64_t kQuarter = 960; // the host's default tick rate

    void SetUp() override;

    // A track named "Piano" with one block [0, end) on channel `channel`; returns the block.
    std::uint32_t AddPianoTrack(std::int64_t end, int channel = 0);
    // Plug-in object, page and editor in a host window of the given size.
    void OpenView(int width = 1000, int height = 600);

    // After OpenView on a song already built: a document at least `wholeNotes` whole notes long, the
    // keyboard focus in the view and the time view [0, span).
    void ShowSong(int wholeNotes, std::int64_t span);
    // A piano track 64 whole notes long in a 900 x 600 view, shown from 0 for 16 quarters.
    void OpenLongSong();

    win::HWND ViewWindow() const;
    pianoroll::TrackView* View() const;
    pianoroll::TrackView* V() const { return View(); }
    mp::PianoRollSettings* Settings() const;

    // Through the view window's position query; INT_MIN when not visible.
    int XOfTick(std::int64_t tick) const;
    int YOfNote(int note) const;

    // Time view (start, span) and vertical view (top row, row height level) through the setters,
    // then a repaint.
    void SetTimeView(std::int64_t start, std::int64_t span);
    void SetRows(int topRow, int rowHeightLevel);
    // Invalidates the whole view and pumps until it is painted.
    void Repaint();
    // Notes the last grid paint drew (display-list note records).
    int PaintedNotes() const;

    // 0x00RRGGBB of a view client pixel, and the same as a COLORREF (0x00BBGGRR).
    std::uint32_t Rgb(int x, int y) const;
    win::COLORREF Pixel(int x, int y) const;

    // The part code (low word) and the pane (high word) of the view's hit test at a point.
    int PartAt(int x, int y) const;
    int PaneAt(int x, int y) const;

    // A key press with modifiers held around it, as the user types it.
    void Key(int vk, unsigned mods = 0);
    // Mouse input in view client coordinates.
    void Move(int x, int y);
    void Press(int x, int y, int button = 0, unsigned mods = 0);
    void Release(int x, int y, int button = 0, unsigned mods = 0);
    // A press and release at one point; a press, one move and the release there.
    void ClickAt(int x, int y, int button = 0);
    void DragAt(int x0, int y0, int x1, int y1, int button = 0);

    std::uint32_t track = 0;
};

// COLORREF (0x00BBGGRR) of 0x00RRGGBB.
constexpr win::COLORREF FromRgb(std::uint32_t rgb) {
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

} // namespace harness
