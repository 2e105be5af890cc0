// Memory for passwords and password hashes: pages of their own, left out of core dumps
// (MADV_DONTDUMP), kept out of swap where the system allows (mlock), and wiped when the
// secret is cleared or released. Never copied: a Secret moves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nw::wire {

class Secret {
public:
    // Room for `capacity` bytes (rounded up to whole pages); empty at first.
    explicit Secret(std::size_t capacity = 256);
    ~Secret();
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    std::string_view text() const { return {reinterpret_cast<const char*>(data_), size_}; }

    // Appends bytes; false (nothing appended) when they do not fit.
    bool append(const void* bytes, std::size_t n);
    bool push(char c) { return append(&c, 1); }
    // Drops the last byte (a typed backspace).
    void pop();
    // Wipes the contents.
    void clear();
    bool sameAs(const Secret& other) const;

    // Whether the pages are left out of core dumps (MADV_DONTDUMP took).
    bool excludedFromDumps() const { return excluded_; }

private:
    void release();

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::size_t mapped_ = 0;
    bool excluded_ = false;
    bool locked_ = false;
};

}  // namespace nw::wire
