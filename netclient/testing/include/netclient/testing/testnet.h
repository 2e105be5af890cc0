// Test networks in a few lines: a scratch folder with the files a test names, and a simulated
// client loaded from JSON text whose volume folders lie in it.
//
//     nw::testnet::TestNetwork net(R"({"workstation": {...}, "servers": [...]})",
//                                  {"volumes/FS1/SYS/DIR/a.txt", "volumes/FS1/DATA/"});
//     nw::Client& client = net.client();
//     ...
//     EXPECT_EQ(net.client().openHandleCount(), 0u);
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "netclient/sim/simclient.h"

namespace nw::testnet {

// A scratch folder removed with the object. Paths ending in "/" are made as folders, others as
// small files (their folders made as needed).
class ScratchFolder {
public:
    explicit ScratchFolder(const std::vector<std::string>& paths = {});
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void add(const std::string& relative) const;
    // Writes text to a file of the folder and answers its path.
    std::filesystem::path write(const std::string& relative, std::string_view text) const;

private:
    std::filesystem::path path_;
};

class TestNetwork {
public:
    // Throws sim::LoadError like SimClient::fromText.
    TestNetwork(std::string_view json, const std::vector<std::string>& files = {});

    sim::SimClient& client() { return *client_; }
    const std::filesystem::path& folder() const { return scratch_.path(); }

    // Opens a handle on a reference and fails the test when that does not work.
    NWCONN_HANDLE open(NWCONN_REF ref);

    // Loads the same network text from the same folder again, as a restart of the program does:
    // the new client sees what the state store kept of the old one's changes.
    void reload();

private:
    std::string json_;
    ScratchFolder scratch_;
    std::unique_ptr<sim::SimClient> client_;
};

}  // namespace nw::testnet
