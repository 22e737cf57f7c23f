// Texts by id per language, the language items, and the current language.
#include "vor/strings.h"

#include <algorithm>
#include <deque>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Language {
    std::vector<VorStrEntry> texts;             // sorted by id, unique
    std::map<std::uint32_t, const char*> items; // texts owned by Registry::itemTexts
};

struct Registry {
    std::mutex lock;
    std::map<std::string, Language> languages;
    std::string current = "en";
    // Every item text ever set; a deque keeps them in place, so texts handed out stay valid.
    std::deque<std::string> itemTexts;
};

Registry& GetRegistry() {
    static Registry* registry = [] {
        auto* r = new Registry;
        Language& en = r->languages["en"];
        en.items[VOR_LANG_TIME_SEPARATOR1] = ":";
        en.items[VOR_LANG_TIME_SEPARATOR2] = ".";
        return r;
    }();
    return *registry;
}

const VorStrEntry* FindEntry(const Language& language, std::uint32_t id) {
    auto it = std::lower_bound(language.texts.begin(), language.texts.end(), id,
                               [](const VorStrEntry& e, std::uint32_t key) { return e.id < key; });
    return it != language.texts.end() && it->id == id ? &*it : nullptr;
}

// Where to cut text (longer than limit bytes) at or before limit without splitting a UTF-8 sequence.
std::size_t Utf8Cut(const char* text, std::size_t limit) {
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

} // namespace

bool VorStr_RegisterTable(const char* language, const VorStrEntry* entries, std::size_t count) noexcept {
    if (!language || (!entries && count)) return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (!entries[i].text) return false;
    }
    try {
        Registry& r = GetRegistry();
        std::lock_guard guard(r.lock);
        Language& lang = r.languages[language];
        std::vector<VorStrEntry> merged(entries, entries + count);
        // Stable sort keeps the last of equal ids last, so it wins below.
        std::stable_sort(merged.begin(), merged.end(),
                         [](const VorStrEntry& a, const VorStrEntry& b) { return a.id < b.id; });
        for (std::size_t i = 0; i < merged.size(); ++i) {
            if (i + 1 < merged.size() && merged[i + 1].id == merged[i].id) continue;
            auto it = std::lower_bound(lang.texts.begin(), lang.texts.end(), merged[i].id,
                                       [](const VorStrEntry& e, std::uint32_t key) { return e.id < key; });
            if (it != lang.texts.end() && it->id == merged[i].id) {
                it->text = merged[i].text;
            } else {
                lang.texts.insert(it, merged[i]);
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool VorStr_SetLanguage(const char* language) noexcept {
    if (!language) return false;
    try {
        Registry& r = GetRegistry();
        std::lock_guard guard(r.lock);
        if (r.languages.find(language) == r.languages.end()) return false;
        r.current = language;
        return true;
    } catch (...) {
        return false;
    }
}

const char* VorStr_GetLanguage() noexcept {
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    // The name is the key of a node that is never erased, so it stays valid.
    return r.languages.find(r.current)->first.c_str();
}

bool VorStr_Lookup(std::uint32_t id, const char** text) noexcept {
    Registry& r = GetRegistry();
    const VorStrEntry* entry = nullptr;
    {
        std::lock_guard guard(r.lock);
        entry = FindEntry(r.languages.find(r.current)->second, id);
        if (!entry && r.current != "en") entry = FindEntry(r.languages.find("en")->second, id);
    }
    if (text) *text = entry ? entry->text : "";
    return entry != nullptr;
}

bool VorStr_Load(std::uint32_t id, char* buffer, std::size_t capacity) noexcept {
    const char* text = "";
    bool found = VorStr_Lookup(id, &text);
    if (buffer && capacity > 0) {
        std::size_t length = std::strlen(text);
        if (length >= capacity) length = Utf8Cut(text, capacity - 1);
        std::memcpy(buffer, text, length);
        buffer[length] = '\0';
    }
    return found;
}

bool VorLang_SetItem(const char* language, std::uint32_t item, const char* text) noexcept {
    if (!language || !text) return false;
    try {
        Registry& r = GetRegistry();
        std::lock_guard guard(r.lock);
        r.itemTexts.emplace_back(text);
        r.languages[language].items[item] = r.itemTexts.back().c_str();
        return true;
    } catch (...) {
        return false;
    }
}

bool VorLang_GetItem(std::uint32_t item, const char** text) noexcept {
    Registry& r = GetRegistry();
    const char* found = nullptr;
    {
        std::lock_guard guard(r.lock);
        for (const Language* lang : {&r.languages.find(r.current)->second, &r.languages.find("en")->second}) {
            auto it = lang->items.find(item);
            if (it != lang->items.end()) {
                found = it->second;
                break;
            }
        }
    }
    if (text) *text = found ? found : "";
    return found != nullptr;
}
