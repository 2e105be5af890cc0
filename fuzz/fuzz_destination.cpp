// Fuzzes the Move/Copy destination grammar: any text either gets one of the two refusal codes
// or resolves to a path of valid entry names below the volume root, never above it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "volctl/names.h"

using namespace volmarra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the name space and how deep the entry's directory lies.
    const std::uint8_t ns = (data[0] & 1) != 0 ? kNameSpaceDos : kNameSpaceLong;
    std::vector<std::u16string> parent;
    for (int i = 0; i < ((data[0] >> 1) & 3); ++i) {
        parent.push_back(u"D" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
    }
    const std::u16string text(data + 1, data + size);
    const Destination d = resolveDestination(u"\\\\FS1\\SYS", u"SYS", parent, text, ns);
    if (d.code == kInvalidEntryName || d.code == kIncompatibleName) {
        if (!d.components.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    if (d.code != 0 || text.empty()) {
        __builtin_trap();
    }
    for (const std::u16string& c : d.components) {
        if (!validEntryName(c, ns)) {
            __builtin_trap();
        }
    }
    return 0;
}
