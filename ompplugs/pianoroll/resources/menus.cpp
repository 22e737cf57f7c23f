// The module's menu resources, built once as templates and registered with the platform under the
// module's instance, so that every menu is loaded fresh (and can be checked and greyed) each time.
#include "resources/menus.h"

#include <vector>

#include "resources/module_identity.h"

namespace pianoroll {

using namespace win;

namespace {

// Writes a template depth first; End() closes the level opened by the last Popup() (or the root).
class TemplateWriter {
public:
    TemplateWriter() { last_.push_back(-1); }
    void Item(UINT id, const char* text) { Add({0, id, text}); }
    void Separator() { Add({MF_SEPARATOR, 0, nullptr}); }
    void Popup(const char* text) {
        Add({MF_POPUP, 0, text});
        last_.push_back(-1);
    }
    void End() {
        if (last_.back() >= 0) items_[static_cast<std::size_t>(last_.back())].flags |= MF_END;
        last_.pop_back();
    }
    std::vector<MenuTemplateItem> Take() { return std::move(items_); }

private:
    void Add(MenuTemplateItem item) {
        last_.back() = static_cast<int>(items_.size());
        items_.push_back(item);
    }
    std::vector<MenuTemplateItem> items_;
    std::vector<int> last_;
};

struct Entry {
    UINT id;
    const char* text;
};

constexpr Entry kGridSpacings[] = {
    {6005, "&Ruler Marks"},       {6007, "&Measures"},          {6008, "Hal&f Notes"},
    {6009, "&Quarter Notes"},     {6010, "Q&uarter Note Triplets"}, {6011, "&8th Notes"},
    {6012, "8th Note &Triplets"}, {6013, "&16th Notes"},        {6014, "16th Note Tr&iplets"},
    {6015, "&32nd Notes"},        {6016, "3&2nd Note Triplets"}, {6017, "&64th Notes"},
    {6018, "64th Note Tri&plets"},
};

constexpr Entry kPaintValues[] = {
    {7000, "Gr&id Spacing"},          {7002, "&Whole Notes"},         {7004, "&Dotted Half Notes"},
    {7005, "Hal&f Notes"},            {7007, "D&otted Quarter Notes"}, {7008, "&Quarter Notes"},
    {7009, "Q&uarter Note Triplets"}, {7010, "Dott&ed 8th Notes"},    {7011, "&8th Notes"},
    {7012, "8th Note &Triplets"},     {7013, "Dotted 16th &Notes"},   {7014, "&16th Notes"},
    {7015, "16th Note Tri&plets"},    {7017, "&32nd Notes"},          {7018, "3&2nd Note Triplets"},
    {7020, "&64th Notes"},            {7021, "64th Note Trip&lets"},
};

// Appended to the menus that offer it, after their own items.
constexpr Entry kGhostChoices[] = {
    {4070, "&Off"}, {4071, "&All Tracks"}, {4072, "&Chosen Tracks..."},
};
constexpr const char* kGhostMenuText = "Show &Other Tracks";

constexpr Entry kRoots[] = {
    {7200, "&C"},  {7201, "&C#"}, {7202, "&D"},  {7203, "&D#"}, {7204, "&E"},  {7205, "&F"},
    {7206, "&F#"}, {7207, "&G"},  {7208, "&G#"}, {7209, "&A"},  {7210, "&A#"}, {7211, "&B"},
};

// Grouped major-like, minor-like and the rest, separated; the identifiers carry the scale's index.
constexpr Entry kScales[][6] = {
    {{7300, "&Major (Ionian)"}, {7304, "&Lydian Major"}, {7305, "Mi&xolydian Major"}, {7302, "&Pentatonic Major"}},
    {{7301, "&Natural Minor (Aeolian / Melodic Descending)"}, {7311, "M&elodic Minor (Ascending)"},
     {7306, "&Dorian Minor"}, {7307, "Phr&ygian Minor"}, {7312, "&Harmonic Minor"}, {7303, "Pen&tatonic Minor"}},
    {{7310, "&Blues"}, {7313, "Eni&gmatic"}, {7314, "D&iminished"}, {7315, "&Augmented"}, {7308, "L&ocrian"},
     {7309, "&Whole-Tone"}},
    {{7316, "&3-Semitone"}, {7317, "&4-Semitone"}},
};

// Rows of kScales are padded with empty entries.
template <std::size_t N> void Items(TemplateWriter& w, const Entry (&entries)[N]) {
    for (const Entry& e : entries)
        if (e.text) w.Item(e.id, e.text);
}

// The grid's menus, by position; key texts follow the right-alignment mark.
std::vector<MenuTemplateItem> GridMenus() {
    TemplateWriter w;
    w.Popup("Event");
    w.Item(4006, "Select All on &Note");
    w.Item(4004, "Select All on &Track\bCtrl+A");
    w.Separator();
    w.Item(4000, "Cu&t\bCtrl+X");
    w.Item(4001, "&Copy\bCtrl+C");
    w.Item(4002, "Pas&te\bCtrl+V");
    w.Item(4003, "&Delete\bDelete");
    w.Separator();
    w.Popup("&Velocity");
    w.Item(4061, "Set to Ma&ximum");
    w.Item(4062, "Set to D&efault");
    w.Item(4060, "Set to M&inimum");
    w.Item(4063, "Set &To ...");
    w.End();
    w.Item(4005, "&Quantize...");
    w.End();
    w.Popup("Track Header");
    w.Item(4053, "&Play Note");
    w.End();
    w.Popup("NonData");
    w.Item(5001, "&Zoom to Loop Region\bCtrl+Up");
    w.End();
    w.Popup("Track Non-data");
    w.Item(4006, "Select All on &Note");
    w.Item(4004, "Select All on &Track\bCtrl+A");
    w.Separator();
    w.Item(4002, "&Paste\bCtrl+V");
    w.Separator();
    w.Item(4041, "&Enable Snapping");
    w.Popup("Gr&id Spacing");
    Items(w, kGridSpacings);
    w.End();
    w.Separator();
    w.Popup(kGhostMenuText);
    Items(w, kGhostChoices);
    w.End();
    w.End();
    w.Popup("Track Time Selection");
    w.Item(5000, "&Zoom Selection\bCtrl+Up");
    w.End();
    w.End();
    return w.Take();
}

std::vector<MenuTemplateItem> RulerMenu() {
    TemplateWriter w;
    w.Popup("General");
    w.Item(4027, "&Loop Playback");
    w.Item(4030, "Set Selection to &View");
    w.Item(4031, "Set Selection to &Project");
    w.Separator();
    Items(w, kGridSpacings);
    w.Separator();
    w.Item(4032, "Insert Time Si&gnature...");
    w.Item(4033, "Insert &Key Signature...");
    w.Item(4034, "Rem&ove Time Signature");
    w.Item(4035, "Remove Ke&y Signature");
    w.End();
    w.Popup("Loop");
    w.Item(4027, "Play &Looped");
    w.Item(5001, "&Zoom to Loop Region");
    w.Separator();
    Items(w, kGridSpacings);
    w.End();
    w.End();
    return w.Take();
}

std::vector<MenuTemplateItem> SettingsMenus() {
    TemplateWriter w;
    w.Popup("Gr&id Spacing");
    Items(w, kGridSpacings);
    w.End();
    w.Popup("&Paint Note Value");
    Items(w, kPaintValues);
    w.End();
    w.Popup("&Key");
    w.Popup("&Root Note");
    Items(w, kRoots);
    w.End();
    w.Popup("&Scale");
    for (std::size_t group = 0; group < std::size(kScales); ++group) {
        if (group > 0) w.Separator();
        Items(w, kScales[group]);
    }
    w.End();
    w.Separator();
    w.Item(7212, "From the &Song");
    w.End();
    w.Popup(kGhostMenuText);
    Items(w, kGhostChoices);
    w.End();
    w.End();
    return w.Take();
}

struct Registered {
    std::vector<MenuTemplateItem> items;
    MenuTemplate tmpl{};
};

// The templates live as long as the process; the platform keeps pointers to them.
const MenuTemplate* TemplateOf(int id) {
    static Registered grid{GridMenus()};
    static Registered ruler{RulerMenu()};
    static Registered settings{SettingsMenus()};
    Registered* r = id == kGridMenus ? &grid : id == kRulerMenu ? &ruler : id == kSettingsMenus ? &settings : nullptr;
    if (!r) return nullptr;
    r->tmpl = {r->items.data(), static_cast<int>(r->items.size())};
    return &r->tmpl;
}

} // namespace

HMENU LoadModuleMenu(int id) {
    const HINSTANCE module = ModuleInstance();
    if (HMENU menu = LoadMenu(module, id)) return menu;
    const MenuTemplate* tmpl = TemplateOf(id);
    if (!tmpl || !RegisterMenuResource(module, id, tmpl)) return nullptr;
    return LoadMenu(module, id);
}

} // namespace pianoroll
