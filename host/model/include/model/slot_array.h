// A growable array of plain slots that holds no more memory than its slots need once trimmed: a
// large array lives in a mapping of its own, which grows and shrinks by moving pages, never by
// copying the slots, and whose trimmed tail goes back to the system.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace host {

// Untyped room for a SlotArray: small rooms come from the heap, large ones are mapped.
class SlotRoom {
public:
    SlotRoom() = default;
    SlotRoom(const SlotRoom&) = delete;
    SlotRoom& operator=(const SlotRoom&) = delete;
    SlotRoom(SlotRoom&& o) noexcept { Swap(o); }
    SlotRoom& operator=(SlotRoom&& o) noexcept {
        SlotRoom gone;
        Swap(gone);
        Swap(o);
        return *this;
    }
    ~SlotRoom() { Resize(0, 0); }
    void* Data() const noexcept { return data_; }
    std::size_t Bytes() const noexcept { return bytes_; }
    // Makes the room at least `bytes` large (page-rounded when mapped), keeping its first `keep`
    // bytes; 0 frees it. Throws std::bad_alloc when the system has no room.
    void Resize(std::size_t bytes, std::size_t keep);

private:
    void Swap(SlotRoom& o) noexcept {
        std::swap(data_, o.data_);
        std::swap(bytes_, o.bytes_);
        std::swap(mapped_, o.mapped_);
    }
    void* data_ = nullptr;
    std::size_t bytes_ = 0;
    bool mapped_ = false;
};

template <class T>
class SlotArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    SlotArray() = default;
    SlotArray(SlotArray&& o) noexcept
        : room_(std::move(o.room_)), size_(std::exchange(o.size_, 0)), capacity_(std::exchange(o.capacity_, 0)) {}
    SlotArray& operator=(SlotArray&& o) noexcept {
        room_ = std::move(o.room_);
        size_ = std::exchange(o.size_, 0);
        capacity_ = std::exchange(o.capacity_, 0);
        return *this;
    }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    std::size_t capacity() const noexcept { return capacity_; }
    T* data() noexcept { return static_cast<T*>(room_.Data()); }
    const T* data() const noexcept { return static_cast<const T*>(room_.Data()); }
    T& operator[](std::size_t i) noexcept { return data()[i]; }
    const T& operator[](std::size_t i) const noexcept { return data()[i]; }
    T& back() noexcept { return data()[size_ - 1]; }
    T* begin() noexcept { return data(); }
    T* end() noexcept { return data() + size_; }
    const T* begin() const noexcept { return data(); }
    const T* end() const noexcept { return data() + size_; }

    void push_back(const T& value) { Append() = value; }
    // A new last slot, its fields for the caller to write.
    T& Append() {
        if (size_ == capacity_) Grow(size_ + 1);
        return data()[size_++];
    }
    void reserve(std::size_t count) {
        if (count > capacity_) Room(count);
    }
    void clear() noexcept { size_ = 0; }
    void shrink_to_fit() {
        if (capacity_ > size_) Room(size_);
    }

private:
    void Grow(std::size_t count) {
        const std::size_t wanted = capacity() + capacity() / 2;
        reserve(wanted > count ? wanted : count);
    }
    void Room(std::size_t count) {
        room_.Resize(count * sizeof(T), size_ * sizeof(T));
        capacity_ = room_.Bytes() / sizeof(T);
    }
    SlotRoom room_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace host
