// Room for slot arrays: the heap for small ones, private mappings for large ones.
#include "model/slot_array.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace host {

namespace {

// Below this a mapping's page rounding and system calls would cost more than they save.
constexpr std::size_t kMapFrom = std::size_t{1} << 20;

std::size_t PageRounded(std::size_t bytes) {
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

void* Map(std::size_t bytes) {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // Large pages: a million slots fault in a few dozen times instead of thousands.
    ::madvise(p, bytes, MADV_HUGEPAGE);
    return p;
}

} // namespace

void SlotRoom::Resize(std::size_t bytes, std::size_t keep) {
    keep = std::min({keep, bytes, bytes_});
    if (bytes == 0) {
        if (mapped_) ::munmap(data_, bytes_);
        else std::free(data_);
        data_ = nullptr;
        bytes_ = 0;
        mapped_ = false;
        return;
    }
    if (bytes >= kMapFrom) {
        bytes = PageRounded(bytes);
        if (bytes == bytes_ && mapped_) return;
        void* p;
        if (mapped_) {
            // Pages move (or the tail is unmapped); the slots are not copied.
            p = ::mremap(data_, bytes_, bytes, MREMAP_MAYMOVE);
            if (p == MAP_FAILED) throw std::bad_alloc();
        } else {
            p = Map(bytes);
            if (keep) std::memcpy(p, data_, keep);
            std::free(data_);
        }
        data_ = p;
        bytes_ = bytes;
        mapped_ = true;
        return;
    }
    if (bytes == bytes_ && !mapped_) return;
    void* p = std::malloc(bytes);
    if (!p) throw std::bad_alloc();
    if (keep) std::memcpy(p, data_, keep);
    if (mapped_) ::munmap(data_, bytes_);
    else std::free(data_);
    data_ = p;
    bytes_ = bytes;
    mapped_ = false;
}

} // namespace host
