// Grows deep and big JSON documents from a few bytes and feeds them to the network file loader,
// in the places of a network file where the loader reads nested values. Each byte of the input
// is one instruction, repeated up to 65,536 times, so that a short input stands for nesting far
// beyond any limit or for long runs of members and items. The loader must answer with a network
// or a LoadError, in bounded memory and time.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "netclient/sim/simclient.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxText = 8 << 20;

// Where the grown text goes: each place is a prefix and the suffix that closes it.
constexpr const char* kPlaces[][2] = {
    {"", ""},
    {R"({"workstation": {}, "servers": )", "}"},
    {R"({"workstation": {}, "servers": [{"name": "FS1", "users": )", "}]}"},
    {R"({"workstation": {}, "servers": [], "trees": [{"name": "T", "objects": [{"name": "A.B",
       "class": "User", "attributes": )",
     "}]}]}"},
    {R"({"workstation": {}, "servers": [{"name": "FS1", "volumes": [{"name": "SYS",
       "deletedFiles": )",
     "}]}]}"},
};

const fs::path& scratch() {
    struct Folder {
        fs::path root;
        Folder() {
            std::string pattern = (fs::temp_directory_path() / "varnook-fuzz-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr)
                std::abort();
            root = pattern;
            fs::create_directories(root / "volumes/FS1/SYS");
        }
        ~Folder() {
            std::error_code ec;
            fs::remove_all(root, ec);
        }
    };
    static const Folder folder;
    return folder.root;
}

// The text an input stands for: its first byte picks the place, each further byte appends one
// of eight pieces (low 3 bits) 2^n times (next 4 bits); with the high bit set, the following
// byte is appended as it is.
std::string grow(const std::uint8_t* data, std::size_t size, std::size_t& place) {
    static const char* const kPieces[] = {
        "[",        "]",   R"({"a": )", "}",
        R"("x", )", "1, ", ", ",        R"({"name": "N", "directory": "", "content": "c"}, )"};
    std::string text;
    place = size > 0 ? data[0] % std::size(kPlaces) : 0;
    for (std::size_t i = 1; i < size && text.size() < kMaxText; ++i) {
        if ((data[i] & 0x80) != 0 && i + 1 < size) {
            text += static_cast<char>(data[++i]);
            continue;
        }
        std::size_t times = std::size_t{1} << ((data[i] >> 3) & 0x0F);
        for (std::size_t n = 0; n < times && text.size() < kMaxText; ++n)
            text += kPieces[data[i] & 7];
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t place = 0;
    std::string text = grow(data, size, place);
    std::string json = std::string(kPlaces[place][0]) + text + kPlaces[place][1];
    try {
        auto client = nw::sim::SimClient::fromText(json, scratch(), "shapes.json");
    } catch (const nw::sim::LoadError&) {
    }
    return 0;
}
