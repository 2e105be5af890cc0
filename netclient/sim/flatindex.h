// An index from keys to positions in a list, kept in one flat table of (position, hash) slots
// with linear probing. A lookup reads one or two neighbouring slots and compares a key only when
// the hashes agree, where a node-based map reads scattered nodes: with a hundred thousand keys
// the table still fits a processor cache, so loading a network costs the same per object
// whatever its size. Keys are never removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nw::sim {

class FlatIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // The position whose key has this hash and satisfies equals(position); npos when none does.
    template <class Equals>
    std::size_t find(std::size_t hash, Equals equals) const {
        if (slots_.empty())
            return npos;
        auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t i = hash & mask();; i = (i + 1) & mask()) {
            const Slot& slot = slots_[i];
            if (slot.position == 0)
                return npos;
            if (slot.hash == tag && equals(slot.position - 1))
                return slot.position - 1;
        }
    }

    // Indexes a position under a hash; the caller has checked that its key is not indexed yet.
    void insert(std::size_t hash, std::size_t position) {
        if (2 * (size_ + 1) > slots_.size())
            grow(2 * (size_ + 1));
        place(static_cast<std::uint32_t>(hash), hash, position + 1);
        ++size_;
    }

    // Indexes a position under a hash unless a position whose key has the hash and satisfies
    // equals is indexed already: answers that one, or npos when position was added. One probe
    // sequence does both.
    template <class Equals>
    std::size_t insertUnique(std::size_t hash, std::size_t position, Equals equals) {
        if (2 * (size_ + 1) > slots_.size())
            grow(2 * (size_ + 1));
        auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t i = hash & mask();; i = (i + 1) & mask()) {
            Slot& slot = slots_[i];
            if (slot.position == 0) {
                slot = {static_cast<std::uint32_t>(position + 1), tag};
                ++size_;
                return npos;
            }
            if (slot.hash == tag && equals(slot.position - 1))
                return slot.position - 1;
        }
    }

    // Makes room for count keys at once.
    void reserve(std::size_t count) {
        if (2 * count > slots_.size())
            grow(2 * count);
    }

    std::size_t size() const { return size_; }

private:
    struct Slot {
        std::uint32_t position = 0;  // position + 1; 0 marks an empty slot
        std::uint32_t hash = 0;      // the low bits of the key's hash
    };

    std::size_t mask() const { return slots_.size() - 1; }

    void place(std::uint32_t tag, std::size_t hash, std::size_t stored) {
        std::size_t i = hash & mask();
        while (slots_[i].position != 0)
            i = (i + 1) & mask();
        slots_[i] = {static_cast<std::uint32_t>(stored), tag};
    }

    // Rehashes into a table of at least count slots (a power of 2). The full hash is not kept,
    // so slots move by their stored 32 bits, which index every table of up to 2^32 slots.
    void grow(std::size_t count) {
        std::size_t capacity = 16;
        while (capacity < count)
            capacity *= 2;
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(capacity, Slot{});
        for (const Slot& slot : old) {
            if (slot.position != 0)
                place(slot.hash, slot.hash, slot.position);
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

}  // namespace nw::sim
