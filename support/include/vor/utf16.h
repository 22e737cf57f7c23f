// UTF-16 texts of the host contract as the UTF-8 the user interface shows.
#pragma once

#include <cstddef>
#include <string>

// At most maxUnits UTF-16 units of text (fewer at its terminator) as UTF-8; an unpaired surrogate becomes
// U+FFFD. A null text gives "".
std::string VorStr_Utf16ToUtf8(const char16_t* text, std::size_t maxUnits);
