// Fuzzes the volume control's full-name parser: every input is either refused or splits into
// parts that rebuild the very text given, with no part empty and no dot anywhere.
#include <cstddef>
#include <cstdint>
#include <string>

#include "volctl/names.h"

using namespace volmarra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string name(data, data + size);  // one byte per character: the syntax is ASCII
    const FullNameParts p = parseFullName(name);
    (void)shortNameOf(name);
    switch (p.form) {
        case NameForm::Empty:
            if (!name.empty()) {
                __builtin_trap();
            }
            break;
        case NameForm::Invalid:
            break;
        case NameForm::Server: {
            if (u"\\\\" + p.server + u"\\" + p.volume != name || p.server.empty() ||
                p.volume.empty() || name.find(u'.') != std::u16string::npos) {
                __builtin_trap();
            }
            break;
        }
        case NameForm::Directory: {
            std::u16string rebuilt = name.substr(0, 4) + u"\\\\" + p.tree;
            std::vector<std::u16string> path = p.containers;
            path.push_back(p.volume);
            for (const std::u16string& c : path) {
                if (c.empty()) {
                    __builtin_trap();
                }
                rebuilt += u"\\" + c;
            }
            if (rebuilt != name || p.containers.empty() || p.tree.empty() ||
                !startsWithIgnoreCase(name, kDirectoryPrefix) ||
                pathFromDotted(dottedFromPath(path)) != path) {
                __builtin_trap();
            }
            break;
        }
    }
    return 0;
}
