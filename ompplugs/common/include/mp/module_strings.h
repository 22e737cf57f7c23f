// The module's string table: registration of the English texts and lookups by id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "mp/string_ids.h"

namespace mp {

// Registers the English table with the support library's string service once per process;
// later calls do nothing. Every lookup below calls it first. [any thread]
void RegisterModuleStrings() noexcept;

// The text of `id` ("" and found = false for an id the table lacks).
const char* ModuleString(std::uint32_t id, bool* found = nullptr) noexcept;
// Copies the text of `id` into buffer as VorStr_Load does; false for an unknown id.
bool LoadModuleString(std::uint32_t id, char* buffer, std::size_t capacity) noexcept;

} // namespace mp
