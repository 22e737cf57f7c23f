// The view's link to the shown track: document length, saving and restoring the scroll and zoom
// state and transport state.
#include <algorithm>
#include <cstring>

#include "model/model_change.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/track_view.h"
#include "vor/time_text.h"

namespace pianoroll {

using namespace win;

namespace {

std::int64_t TicksPerQuarterOf(const TrackView* v) {
    const std::int64_t tpq = v->access ? static_cast<std::int64_t>(v->access->TicksPerQuarter()) : 0;
    return tpq > 0 ? tpq : kDefaultTicksPerQuarter;
}

} // namespace

std::int64_t MinimumDocumentLength(const TrackView* v) {
    constexpr int kDefaultWholeNotes = 2;
    constexpr int kQuartersPerWholeNote = 4;
    const int wholeNotes = v->settings ? std::max(v->settings->minSongWholeNotes, 0) : kDefaultWholeNotes;
    return static_cast<std::int64_t>(wholeNotes) * kQuartersPerWholeNote * TicksPerQuarterOf(v);
}

void RefreshDocumentLength(TrackView* v) {
    std::int64_t length = MinimumDocumentLength(v);
    if (v->access && v->geo.rowCount > 0) length = std::max(length, v->access->TrackEnd());
    SetDocumentLength(v, length);
}

void RepaintChange(TrackView* v, const ModelChange& change) {
    if (!v->hwnd) return;
    if (change.Empty() || change.TracksChanged() || !change.HasSpan() || v->geo.timeSpan <= 0) {
        InvalidateView(v, INV_ALL);
        return;
    }
    // A note is drawn from the pixel of its start to the one of its end, at least one pixel wide.
    const int left = XOfTick(v, change.from) - 1;
    const int right = XOfTickUp(v, change.to) + 2;
    auto columns = [&](const RECT& pane, int top, int bottom, bool toTheRight) {
        const RECT r{std::max<int>(left, pane.left), top, toTheRight ? pane.right : std::min<int>(right, pane.right), bottom};
        if (r.left < r.right && r.top < r.bottom) InvalidateRect(v->hwnd, &r, FALSE);
    };
    if (change.what & (MODEL_NOTES | MODEL_OTHER_EVENTS)) {
        int top = v->geo.grid.top, bottom = v->geo.grid.bottom;
        if (change.what == MODEL_NOTES && change.HasRows()) {
            int first = 0, unused = 0, last = 0;
            RowBand(v, change.topRow, &first, &unused);
            RowBand(v, change.bottomRow, &unused, &last);
            top = std::max<int>(first, top);
            bottom = std::min<int>(last, bottom);
        }
        columns(v->geo.grid, top, bottom, false);
    }
    const RECT& lanes = v->panes[PANE_LANES].rect;
    columns(lanes, lanes.top, lanes.bottom, (change.what & (MODEL_LANE_EVENTS | MODEL_OTHER_EVENTS)) != 0);
}

void ShowTrackInView(TrackView* v) {
    SetRowCount(v, mp::TrackAccess::kRowCount);
    ReloadSongMaps(v);
    RefreshDocumentLength(v);
    FollowNewTrack(v, v->access ? v->access->IsPlaying() : v->follow.playing);
    std::int64_t loopStart = 0, loopEnd = 0;
    if (v->access && v->access->GetLoopRegion(&loopStart, &loopEnd))
        SetLoopRegion(v, loopStart, loopEnd, loopEnd > loopStart);
    InvalidateView(v, INV_ALL);
}

void CentreOnNotes(TrackView* v) {
    // Middle C for an empty track.
    constexpr int kMiddleC = 60;
    int low = kMiddleC, high = kMiddleC;
    if (v->access) {
        int cursor = -1;
        mp::EventKey key{};
        mp::MidiEventRecord record{};
        bool any = false;
        while (v->access->NextEventInRange(&cursor, -1, 0, &key, &record) == S_OK) {
            const int note = record.data[0];
            low = any ? std::min(low, note) : note;
            high = any ? std::max(high, note) : note;
            any = true;
        }
    }
    const int rowsShown = std::max(v->geo.verticalSpan / kUnitsPerRow, 1);
    const int centreRow = kTopPitch - (low + high) / 2;
    const int topRow = std::max(centreRow - rowsShown / 2, 0);
    SetVerticalView(v, topRow * kUnitsPerRow, v->geo.verticalSpan, VV_PROGRAM);
}

namespace {

// Without a saved top row the view opens at the row of the track's first note, or at the middle row
// of an empty track.
int OpeningTopRow(TrackView* v) {
    int cursor = -1;
    mp::EventKey key{};
    mp::MidiEventRecord record{};
    if (v->access && v->access->NextEventInRange(&cursor, -1, 0, &key, &record) == S_OK)
        return v->access->RowOfNote(record.data[0]);
    return mp::TrackAccess::kRowCount / 2;
}

} // namespace

void RestoreViewState(TrackView* v) {
    const mp::PianoRollSettings* s = v->settings;
    if (!s) return;
    if (s->savedRowHeightLevel >= 0 && !v->geo.fixedHeight)
        SetDefaultRowHeightLevel(v, std::clamp(s->savedRowHeightLevel, 0, std::max(v->geo.maxRowHeightLevel, 0)));
    const int topRow = s->savedTopRow >= 0 ? s->savedTopRow : OpeningTopRow(v);
    SetVerticalView(v, topRow * kUnitsPerRow, VerticalSpanOfLevel(v, v->geo.rowHeightLevel), VV_PROGRAM | VV_FIXED_SPAN);
    if (v->geo.documentLength <= 0) return;
    // The exact edge and span when they were saved; settings from before only hold the zoom level.
    if (s->savedTimeSpan > 0) SetTimeView(v, s->savedTimeOrigin, s->savedTimeSpan, TV_PROGRAM);
    else if (s->savedZoomLevel >= 0) SetTimeView(v, v->geo.timeOrigin, SpanOfTimeLevel(v, s->savedZoomLevel), TV_PROGRAM);
}

void SaveViewState(TrackView* v) {
    mp::PianoRollSettings* s = v->settings;
    if (!s) return;
    s->savedTopRow = v->geo.topRow;
    s->savedZoomLevel = v->geo.timeZoomLevel;
    s->savedRowHeightLevel = v->geo.rowHeightLevel;
    s->savedTimeOrigin = std::max<std::int64_t>(v->geo.timeOrigin, 0);
    s->savedTimeSpan = std::max<std::int64_t>(v->geo.timeSpan, 0);
}

void ViewTimeFormat(TrackView* v, _vorposfmt* format) {
    *format = _vorposfmt{};
    static_assert(sizeof *format == sizeof v->settings->timeFormat);
    if (v->settings) std::memcpy(format, &v->settings->timeFormat, sizeof *format);
    if (v->access) {
        format->ticksPerQuarter = static_cast<std::int32_t>(TicksPerQuarterOf(v));
        const std::uint32_t signature = v->access->GetTimeSignature();
        format->beatsPerMeasure = static_cast<std::uint16_t>(BeatsOfTimeSignature(signature));
        format->noteValue = static_cast<std::uint16_t>(NoteValueOfTimeSignature(signature));
    }
}

int ViewTicksToText(TrackView* v, char* buffer, std::int64_t ticks, int base, int shortForm, int divisor) {
    _vorposfmt format;
    ViewTimeFormat(v, &format);
    const BarGrid& grid = ViewBars(v);
    if (grid.Meters().size() <= 1 || ticks < 0) return VorTicksToText(buffer, &format, ticks, base, shortForm, divisor);
    // Bars of the meter in force there, counted across the song's meter changes.
    const MeterSegment& meter = grid.MeterAt(ticks);
    const BarPosition at = grid.PositionOf(ticks);
    format.beatsPerMeasure = static_cast<std::uint16_t>(meter.beatsPerBar);
    format.noteValue = static_cast<std::uint16_t>(meter.noteValue);
    return VorMeasuresAndTicksToText(buffer, &format, at.bar, at.beat * grid.BeatTicks(meter) + at.tick, base,
                                     shortForm, divisor);
}

void DefaultPositionToText(TrackView* v, std::int64_t ticks, char* buffer) {
    buffer[0] = 0;
    if (!v->settings) return;
    ViewTicksToText(v, buffer, ticks, 1, 0, 1);
    buffer[VOR_TIME_TEXT_CAPACITY - 1] = 0;
}

} // namespace pianoroll
