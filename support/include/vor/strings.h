// String table service: texts by numeric id per language, language items, and formatted printing.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// One text of a table. Texts are UTF-8 and must outlive the registration (static data).
struct VorStrEntry {
    std::uint32_t id;
    const char* text;
};

// Language items: small texts that belong to a language rather than to a module's table.
enum : std::uint32_t {
    VOR_LANG_TIME_SEPARATOR1 = 120, // between measure and beat, written "$&:" in formats
    VOR_LANG_TIME_SEPARATOR2 = 121, // between beat and sub-beat, written "$&." in formats
};

// Adds the entries to the table of `language` (e.g. "en"); a later entry with the same id replaces
// an earlier one. Returns false (and registers nothing) for a null language, a null entry array
// with a non-zero count, or an entry whose text is null. [any thread]
bool VorStr_RegisterTable(const char* language, const VorStrEntry* entries, std::size_t count) noexcept;

// Selects the language used by lookups; texts missing from it come from English. Returns false and
// keeps the current language when no table or item set has been registered for `language`.
bool VorStr_SetLanguage(const char* language) noexcept;
const char* VorStr_GetLanguage() noexcept; // "en" until changed

// Looks a text up. Found: *text points at the text (static, never freed) and the result is true.
// Unknown id: *text is "" and the result is false. A null `text` only reports presence.
bool VorStr_Lookup(std::uint32_t id, const char** text) noexcept;

// Copies the text into buffer (at most capacity - 1 bytes, always terminated when capacity > 0,
// never splitting a UTF-8 sequence). Unknown id: an empty text and false. Returns whether the id
// was found.
bool VorStr_Load(std::uint32_t id, char* buffer, std::size_t capacity) noexcept;

// Language items (VOR_LANG_...). Sets an item for a language; the English items are built in.
bool VorLang_SetItem(const char* language, std::uint32_t item, const char* text) noexcept;
// The item's text in the current language (falling back to English); "" and false when unknown.
bool VorLang_GetItem(std::uint32_t item, const char** text) noexcept;

// printf-style formatting with the library's escapes: "$&:" and "$&." stand for language items
// 120 and 121, "$$" for a single '$'. Writes at most capacity - 1 bytes and always terminates when
// capacity > 0. Returns the length written (not the length that would have been needed), or -1
// for a null format or buffer with capacity > 0, or a formatting error.
int VorStr_Format(char* buffer, std::size_t capacity, const char* format, ...) noexcept
    __attribute__((format(printf, 3, 4)));
int VorStr_FormatV(char* buffer, std::size_t capacity, const char* format, std::va_list args) noexcept;
