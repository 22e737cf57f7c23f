#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace mp {

// Room of this many bytes or more asks for large pages: filling it otherwise faults in a zeroed small
// page every 4 KB.
constexpr std::size_t kLargePagesFrom = std::size_t{4} << 20;

// Advice only: where the system refuses, the room fills small pages as before.
inline void AdviseLargePages(const void* from, std::size_t bytes) noexcept {
    if (bytes < kLargePagesFrom) return;
    constexpr std::uintptr_t kPage = 4096;
    const auto first = (reinterpret_cast<std::uintptr_t>(from) + kPage - 1) & ~(kPage - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(from) + bytes) & ~(kPage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

} // namespace mp
