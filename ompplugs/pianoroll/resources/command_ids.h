// The editor's command identifiers: what the toolbar, the transport bar and the menus send, and what
// the frame, the view, the tools and the commands act on. The numbers are part of the menu resources
// and of the editing scripts' `command ID`, so they never change.
#pragma once

#include "mp/editor_commands.h"

namespace pianoroll {

// Edit commands (the grid's menus, the toolbar, the frame).
constexpr int CMD_CUT = mp::EDITOR_CUT;
constexpr int CMD_COPY = mp::EDITOR_COPY;
constexpr int CMD_PASTE = mp::EDITOR_PASTE;
constexpr int CMD_DELETE = mp::EDITOR_DELETE;
constexpr int CMD_SELECT_ALL = 4004;        // "Select All on &Track"
constexpr int CMD_QUANTIZE = mp::EDITOR_QUANTIZE;
constexpr int CMD_SELECT_ALL_ON_NOTE = 4006;

// Tools: command = CMD_TOOL_FIRST + tool index (Draw, Selection, Zoom, Paint, Erase).
constexpr int CMD_TOOL_FIRST = 4010;
constexpr int CMD_TOOL_LAST = 4014;

// Transport.
constexpr int CMD_PLAY_FROM_START = 4020;
constexpr int CMD_PLAY = 4021;
constexpr int CMD_PAUSE = 4022;
constexpr int CMD_STOP = 4023;
constexpr int CMD_GO_TO_START = 4024;
constexpr int CMD_GO_TO_END = 4025;
constexpr int CMD_SOLO = 4026;
constexpr int CMD_LOOP_PLAYBACK = 4027;

// Loop region (the ruler's and loop bar's menus).
constexpr int CMD_SELECTION_TO_VIEW = 4030;
constexpr int CMD_SELECTION_TO_PROJECT = 4031;

// The song's signatures at the bar the ruler's menu was opened on.
constexpr int CMD_INSERT_TIME_SIGNATURE = 4032;
constexpr int CMD_INSERT_KEY_SIGNATURE = 4033;
constexpr int CMD_REMOVE_TIME_SIGNATURE = 4034;
constexpr int CMD_REMOVE_KEY_SIGNATURE = 4035;

// Options.
constexpr int CMD_PREFERENCES = mp::EDITOR_PREFERENCES;
constexpr int CMD_TOGGLE_SNAPPING = mp::EDITOR_SNAP_TO_GRID;
constexpr int CMD_TOGGLE_MONITOR = mp::EDITOR_MONITOR;
constexpr int CMD_TOGGLE_SCALE_SNAPPING = mp::EDITOR_SNAP_TO_SCALE;
constexpr int CMD_BEND_SEMITONES = mp::EDITOR_BEND_SEMITONES;

// The keyboard column's "&Play Note".
constexpr int CMD_PLAY_NOTE = 4053;

// Other tracks behind the grid ("Show Other Tracks"): none, all, or the ones a checklist chooses.
constexpr int CMD_GHOSTS_OFF = 4070;
constexpr int CMD_GHOSTS_ALL = 4071;
constexpr int CMD_GHOSTS_CHOSEN = 4072;

// Velocity of the selected notes.
constexpr int CMD_VELOCITY_MINIMUM = 4060;
constexpr int CMD_VELOCITY_MAXIMUM = 4061;
constexpr int CMD_VELOCITY_DEFAULT = 4062;
constexpr int CMD_VELOCITY_SET = 4063;

// Zooms to a range.
constexpr int CMD_ZOOM_TO_SELECTION = 5000;
constexpr int CMD_ZOOM_TO_LOOP = 5001;

// Settings chosen from tables: command = first + index into the table.
constexpr int CMD_GRID_SPACING_FIRST = 6000;  // 19 grid spacings
constexpr int CMD_GRID_SPACING_MENU_FIRST = 6005; // the first spacing the menus offer
constexpr int CMD_GRID_SPACING_LAST = 6018;
constexpr int CMD_PAINT_VALUE_FIRST = 7000;   // 22 paint note values
constexpr int CMD_PAINT_VALUE_LAST = 7021;
constexpr int CMD_ROOT_FIRST = 7200;          // C … B
constexpr int CMD_ROOT_LAST = 7211;
constexpr int CMD_KEY_FROM_SONG = 7212;       // root and scale from the song's key signatures
constexpr int CMD_SCALE_FIRST = 7300;         // 18 scales; the empty scale has no command
constexpr int CMD_SCALE_LAST = 7317;

// Help.
constexpr int CMD_HELP = 41000;
constexpr int CMD_ABOUT = mp::EDITOR_ABOUT;

} // namespace pianoroll
