// Fixed text buffers handed to the NetWare client, and reading them back up to their NUL.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "core/nultext.h"

namespace varnook {

// The text of a fixed buffer up to its first NUL (the whole buffer when it has none).
template <size_t N>
std::string TextUpToNul(const std::array<char, N>& buffer) {
    return CutAtNul(buffer.data(), N);
}

// A destination buffer of 255 blanks and a NUL, as the name-space translations are handed.
class BlankBuffer {
public:
    static constexpr size_t kSize = 256;
    BlankBuffer() {
        bytes_.fill(' ');
        bytes_.back() = '\0';
    }
    char* data() { return bytes_.data(); }
    std::string text() const { return TextUpToNul(bytes_); }
    // The whole buffer as it stands, NULs and blanks included.
    std::string raw() const { return {bytes_.data(), kSize}; }

private:
    std::array<char, kSize> bytes_;
};

}  // namespace varnook
