#pragma once
// Open-addressing hash table of positions into a list kept elsewhere. Each slot holds a key's
// hash and a position; the keys themselves stay in the list, so the table holds no copy of them.
// Lookups compare keys through the caller's test on the position.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvane {

class TPositionHash {
public:
    // Spreads a hash (std::hash of a pointer is the pointer itself) over all the bits.
    static uint32_t Mix(size_t h)
    {
        uint64_t x = h;
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        return static_cast<uint32_t>(x);
    }
    // The hash of a wide text, as the tables of names use it.
    static uint32_t OfText(std::u16string_view text) { return Mix(std::hash<std::u16string_view>()(text)); }
    static uint32_t OfText(std::string_view text) { return Mix(std::hash<std::string_view>()(text)); }

    TPositionHash() = default;
    TPositionHash(const TPositionHash&) = default;
    TPositionHash& operator=(const TPositionHash&) = default;
    TPositionHash(TPositionHash&& other) noexcept : slots_(std::move(other.slots_)), count_(std::exchange(other.count_, 0)) {}
    TPositionHash& operator=(TPositionHash&& other) noexcept
    {
        slots_ = std::move(other.slots_);
        count_ = std::exchange(other.count_, 0);
        other.slots_.clear();
        return *this;
    }

    size_t Count() const { return count_; }
    void Clear()
    {
        slots_.clear();
        count_ = 0;
    }
    // Room for n positions without growing.
    void Reserve(size_t n)
    {
        if (n > Limit(slots_.size()))
            Grow(n);
    }

    // The position stored under hash for which match(position) holds, or -1.
    template <class Match>
    int Find(uint32_t hash, Match&& match) const
    {
        const int32_t* at = Slot(hash, match);
        return at ? *at : -1;
    }
    // Changes the position stored under hash for which match(position) holds; false when none.
    template <class Match>
    bool Replace(uint32_t hash, Match&& match, int position)
    {
        int32_t* at = const_cast<int32_t*>(Slot(hash, match));
        if (at)
            *at = position;
        return at != nullptr;
    }
    // Stores position under hash (the caller makes sure it is not stored yet).
    void Insert(uint32_t hash, int position)
    {
        Reserve(count_ + 1);
        Place(hash, position);
        ++count_;
    }
    // Takes out the slot holding exactly this hash and position; false when there is none.
    bool Erase(uint32_t hash, int position)
    {
        const size_t mask = slots_.size() - 1;
        if (slots_.empty())
            return false;
        size_t i = hash & mask;
        for (; slots_[i].position >= 0; i = (i + 1) & mask)
            if (slots_[i].hash == hash && slots_[i].position == position)
                break;
        if (slots_[i].position < 0)
            return false;
        // Shift the rest of the run back so no probe sequence has a hole.
        size_t hole = i;
        for (size_t j = (i + 1) & mask; slots_[j].position >= 0; j = (j + 1) & mask) {
            const size_t home = slots_[j].hash & mask;
            if (((j - home) & mask) >= ((j - hole) & mask)) {
                slots_[hole] = slots_[j];
                hole = j;
            }
        }
        slots_[hole] = TSlot{};
        --count_;
        return true;
    }
    // Calls f(position) for every stored position.
    template <class F>
    void ForEach(F&& f) const
    {
        for (const TSlot& slot : slots_)
            if (slot.position >= 0)
                f(slot.position);
    }

private:
    struct TSlot {
        uint32_t hash = 0;
        int32_t position = -1;
    };
    // Filled to at most three quarters.
    static size_t Limit(size_t size) { return size - size / 4; }

    template <class Match>
    const int32_t* Slot(uint32_t hash, Match& match) const
    {
        if (slots_.empty())
            return nullptr;
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask; slots_[i].position >= 0; i = (i + 1) & mask)
            if (slots_[i].hash == hash && match(static_cast<int>(slots_[i].position)))
                return &slots_[i].position;
        return nullptr;
    }
    void Place(uint32_t hash, int position)
    {
        const size_t mask = slots_.size() - 1;
        size_t i = hash & mask;
        while (slots_[i].position >= 0)
            i = (i + 1) & mask;
        slots_[i] = TSlot{hash, static_cast<int32_t>(position)};
    }
    void Grow(size_t n)
    {
        size_t size = 8;
        while (Limit(size) < n)
            size *= 2;
        std::vector<TSlot> old(size);
        old.swap(slots_);
        for (const TSlot& slot : old)
            if (slot.position >= 0)
                Place(slot.hash, slot.position);
    }

    std::vector<TSlot> slots_;
    size_t count_ = 0;
};

} // namespace kelvane
