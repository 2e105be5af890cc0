// Fuzzes the .reg parser: any input either fails cleanly or parses into operations that the
// writer turns back into a file which parses to the same operations (as UTF-8 and UTF-16).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/regfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vnk::reg::ParseResult first = vnk::reg::parseRegFile(bytes);
    if (!first.ok()) {
        if (!first.ops.empty() || first.errorLine < 0) {
            __builtin_trap();
        }
        return 0;
    }
    const std::string text = vnk::reg::formatOps(first.ops);
    const vnk::reg::ParseResult again = vnk::reg::parseRegFile(text);
    if (!again.ok() || !(again.ops == first.ops)) {
        __builtin_trap();
    }
    const vnk::reg::ParseResult wide = vnk::reg::parseRegFile(vnk::reg::encodeUtf16Le(text));
    if (!wide.ok() || !(wide.ops == first.ops)) {
        __builtin_trap();
    }
    return 0;
}
