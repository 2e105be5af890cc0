// Texts that the NetWare client writes into fixed buffers end at their first NUL.
#pragma once

#include <cstddef>
#include <string>

namespace varnook {

// The buffer's text up to its first NUL, or all size bytes when it holds none.
inline std::string CutAtNul(const char* buffer, size_t size) {
    size_t n = 0;
    while (n < size && buffer[n] != '\0') {
        ++n;
    }
    return std::string(buffer, n);
}

}  // namespace varnook
