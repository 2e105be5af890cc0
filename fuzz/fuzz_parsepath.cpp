// ParsePath and the volume-path builder on arbitrary drive texts: never a read outside the text,
// and a text that parses always gives a server and a prefix ending in ":\" or "\".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string server;
    std::string prefix;
    const int16_t result = varnook::ParsePath(text, server, prefix);
    if (result == 0) {
        if (server.empty() || prefix.size() < 3 || prefix.back() != '\\') {
            std::abort();
        }
    } else if (!server.empty() || !prefix.empty()) {
        std::abort();
    }
    const std::string volumePath = varnook::VolumePathOfFile(prefix, text, "FILE.TXT");
    if (volumePath.size() < 8) {
        std::abort();
    }
    (void)varnook::ReadRefNo(text);
    return 0;
}
