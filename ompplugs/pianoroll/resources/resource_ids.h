// The module's resource identifiers: dialog templates, the controls of the editor's dialog, and menus.
// The numbers are part of the module's resources and of what hosts and scripts look for.
#pragma once

namespace pianoroll {

// Dialog templates.
constexpr int kEditorDialogId = 3;
constexpr int kTimeSignatureDialogId = 20; // "Insert Time Signature"
constexpr int kKeySignatureDialogId = 21;  // "Insert Key Signature"

// Controls of the signature dialogs.
constexpr int kSignatureBarText = 1042;  // "At bar N" in both
constexpr int kSignatureError = 1043;    // why OK did not insert, in both
constexpr int kBeatsPerBarEdit = 1040;   // 1-255
constexpr int kNoteValueList = 1041;     // "1", "2", "4", "8", "16", "32"
constexpr int kTonicList = 1050;         // "C", "C#", "Db" … "B"
constexpr int kModeList = 1051;          // "Major", "Minor"

// Controls of the editor's dialog.
constexpr int kTrackChooserId = 1000;
constexpr int kToolbarPlaceholderId = 1001;
constexpr int kViewWindowId = 1002;
constexpr int kMeasureGapId = 1003;

// Menus, with the positions of their sub-menus.
constexpr int kGridMenus = 1050;     // "Event", "Track Header", "NonData", "Track Non-data", "Track Time Selection"
constexpr int kRulerMenu = 1051;     // sub-menus "General" (0) and "Loop" (1)
constexpr int kSettingsMenus = 1052; // "Gr&id Spacing" (0), "&Paint Note Value" (1), "&Key" (2)
enum : int { RULER_MENU_GENERAL = 0, RULER_MENU_LOOP = 1 };

} // namespace pianoroll
