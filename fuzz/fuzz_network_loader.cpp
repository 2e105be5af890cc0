// Feeds arbitrary bytes to the network file loader. A file either loads or fails with a
// LoadError; nothing else may happen. A network that loads is asked a few questions.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "netclient/sim/simclient.h"

namespace {

namespace fs = std::filesystem;

// The folders the seed networks name: volumes/FS1/SYS, volumes/FS1/DATA with a few files,
// removed when the fuzzer exits.
struct Scratch {
    fs::path root;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "varnook-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        root = pattern;
        fs::create_directories(root / "volumes/FS1/SYS/PUBLIC");
        fs::create_directories(root / "volumes/FS1/DATA/SHARED");
        std::ofstream(root / "volumes/FS1/SYS/PUBLIC/LOGIN.EXE") << "x";
        std::ofstream(root / "volumes/FS1/DATA/SHARED/Quarterly Report.xls") << "x";
        std::ofstream(root / "volumes/FS1/DATA/SHARED/R\xc3\xa9sum\xc3\xa9.doc") << "x";
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

void exercise(nw::Client& client) {
    using namespace nw;
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    while (client.NWCCScanConnRefs(&iterator, &ref) == 0) {
        NWCONN_HANDLE h = 0;
        if (client.NWCCOpenConnByRef(ref, 1, 0, &h) != 0)
            continue;
        char dst[256];
        char name[256];
        NW_NS_PATH path{"DATA:SHARED\\Quarterly Report.xls", dst, sizeof dst};
        client.NWGetNSPath(h, 0, 1, 4, 0, &path);
        client.NWGetLongName(h, 0, path.srcPath, 4, 0, name);
        for (nuint32 n = 0; n < 64; ++n) {
            nint16 iter = 0;
            OPEN_FILE_CONN_CTRL control;
            OPEN_FILE_CONN file;
            for (int i = 0; i < 64 && client.NWScanOpenFilesByConn2(h, static_cast<nuint16>(n),
                                                                    &iter, &control, &file) == 0;
                 ++i) {
                nuint8 length = 255;
                client.NWGetPathFromDirectoryBase(h, file.volNumber, file.dirEntry, 0, &length,
                                                  name);
            }
        }
        client.NWCCCloseConn(h);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        auto client = nw::sim::SimClient::fromText(text, scratch(), "fuzz.json");
        exercise(*client);
    } catch (const nw::sim::LoadError&) {
    }
    return 0;
}
