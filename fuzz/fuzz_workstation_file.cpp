// Feeds arbitrary bytes to what the wire back end reads from the user: the workstation file (it
// either loads or fails with a WorkstationError; nothing else may happen) and, as a password file,
// the lines it looks a password up in. A file that loads has its addresses read again.
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "wire/passwords.h"
#include "wire/workstation.h"

namespace {

namespace fs = std::filesystem;

// A private folder for the password file, removed when the fuzzer exits.
struct Scratch {
    fs::path root;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "varnook-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        root = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

const fs::path& scratch() {
    static const Scratch folder;
    return folder.root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const nw::wire::WorkstationConfig config =
            nw::wire::parseWorkstation(text, scratch(), "workstation.json");
        for (const nw::wire::WorkstationConnection& c : config.connections) {
            if (!nw::wire::parseAddress(c.address.text()))
                std::abort();  // an address the file accepted must read back
        }
    } catch (const nw::wire::WorkstationError&) {
    }

    const fs::path passwords = scratch() / "passwords";
    std::ofstream(passwords, std::ios::binary | std::ios::trunc).write(text.data(), text.size());
    ::chmod(passwords.c_str(), 0600);
    nw::wire::PasswordFile file(passwords);
    std::string missing;
    nw::wire::PasswordRequest request{"FS1", "ADMIN", false, "", false};
    if (std::optional<nw::wire::Secret> secret = file.password(request, missing))
        secret->clear();
    return 0;
}
