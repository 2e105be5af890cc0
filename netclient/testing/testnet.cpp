#include "netclient/testing/testnet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace nw::testnet {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(const std::vector<std::string>& paths) {
    std::string pattern = (fs::temp_directory_path() / "varnook-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    for (const std::string& relative : paths)
        add(relative);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void ScratchFolder::add(const std::string& relative) const {
    if (!relative.empty() && relative.back() == '/') {
        fs::create_directories(path_ / relative);
        return;
    }
    write(relative, "test file " + relative + "\n");
}

fs::path ScratchFolder::write(const std::string& relative, std::string_view text) const {
    fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

TestNetwork::TestNetwork(std::string_view json, const std::vector<std::string>& files)
    : json_(json), scratch_(files), client_(sim::SimClient::fromText(json, scratch_.path())) {}

void TestNetwork::reload() {
    client_.reset();
    client_ = sim::SimClient::fromText(json_, scratch_.path());
}

NWCONN_HANDLE TestNetwork::open(NWCONN_REF ref) {
    NWCONN_HANDLE handle = 0;
    EXPECT_EQ(client_->NWCCOpenConnByRef(ref, NWCC_OPEN_LICENSED, 0, &handle), SUCCESSFUL);
    return handle;
}

}  // namespace nw::testnet
