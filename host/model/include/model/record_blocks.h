// Storage for the undo records of one run of like edits: fixed blocks that never move what they
// hold, taken from and given back to a pool the store keeps. A run of a million edits then copies
// nothing as it grows, and once a run as large has been dropped (a marquee step, a step undone and
// then replaced) the next one faults in no fresh pages.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace host {

class RecordBlocks {
public:
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    // Room kept for later runs; what a run gives back beyond it goes back to the system.
    static constexpr std::size_t kKeptBlocks = 2048;

    RecordBlocks() = default;
    RecordBlocks(const RecordBlocks&) = delete;
    RecordBlocks& operator=(const RecordBlocks&) = delete;
    ~RecordBlocks() {
        for (void* b : spare_) ::operator delete(b);
    }
    // A block of kBlockBytes; may throw std::bad_alloc.
    void* Take() {
        if (spare_.empty()) return ::operator new(kBlockBytes);
        void* b = spare_.back();
        spare_.pop_back();
        return b;
    }
    void Give(void* block) noexcept {
        if (spare_.size() < kKeptBlocks) {
            try {
                spare_.push_back(block);
                return;
            } catch (const std::bad_alloc&) {
            }
        }
        ::operator delete(block);
    }
    std::size_t SpareBlocks() const noexcept { return spare_.size(); }

private:
    std::vector<void*> spare_;
};

// A list of records in the pool's blocks. T is copied as bytes.
template <class T>
class RecordList {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    static constexpr std::size_t kPerBlock = RecordBlocks::kBlockBytes / sizeof(T);

public:
    explicit RecordList(std::shared_ptr<RecordBlocks> pool) : pool_(std::move(pool)) {}
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;
    ~RecordList() { Clear(); }

    void PushBack(const T& record) { Append() = record; }
    // A new last record, its bytes left as they are: for filling in where it stands.
    T& Append() {
        // A cursor into the last block: a run of a million records would otherwise divide for each.
        if (next_ == blockEnd_) {
            if (blocks_.size() == blocks_.capacity()) blocks_.reserve(blocks_.size() * 2 + 8);
            T* const block = static_cast<T*>(pool_->Take());
            blocks_.push_back(block);
            next_ = block;
            blockEnd_ = block + kPerBlock;
        }
        ++size_;
        return *::new (next_++) T;
    }
    std::size_t Size() const noexcept { return size_; }
    const T& operator[](std::size_t n) const noexcept { return blocks_[n / kPerBlock][n % kPerBlock]; }
    // Calls f(record) for every record, first to last or last to first, block by block.
    template <class F>
    void ForEach(bool forward, F&& f) const {
        Walk<const T>(forward, f);
    }
    // The same, with records f may change.
    template <class F>
    void ForEachToChange(bool forward, F&& f) {
        Walk<T>(forward, f);
    }
    void Clear() noexcept {
        for (T* b : blocks_) pool_->Give(b);
        blocks_.clear();
        size_ = 0;
        next_ = blockEnd_ = nullptr;
    }

private:
    template <class U, class F>
    void Walk(bool forward, F& f) const {
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            const std::size_t b = forward ? i : blocks_.size() - 1 - i;
            U* const first = blocks_[b];
            U* const end = first + (b + 1 < blocks_.size() ? kPerBlock : size_ - b * kPerBlock);
            if (forward)
                for (U* p = first; p != end; ++p) f(*p);
            else
                for (U* p = end; p != first;) f(*--p);
        }
    }

    std::shared_ptr<RecordBlocks> pool_;
    std::vector<T*> blocks_;
    std::size_t size_ = 0;
    T* next_ = nullptr; // where the next record goes in the last block
    T* blockEnd_ = nullptr;
};

} // namespace host
