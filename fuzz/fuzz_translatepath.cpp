// TranslatePath and ByteArrayToString on arbitrary buffers and counts: never a read past the
// buffer, and the result is never longer than the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "core/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t count = data[0];
    // The rest goes into a buffer of exactly its size, so that any over-read is caught.
    const std::span<const uint8_t> src(data + 1, size - 1);
    std::string out;
    varnook::TranslatePath(out, src, count);
    if (out.size() > src.size() || (!out.empty() && out[0] != '\\')) {
        std::abort();
    }
    varnook::ByteArrayToString(out, src);
    if (out.size() > src.size() || out.find('\0') != std::string::npos) {
        std::abort();
    }
    return 0;
}
