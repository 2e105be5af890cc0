// A network served on loopback for one test: its files in a scratch folder, nwsimd's server on a
// thread of its own, and a capture of all its traffic that Wireshark's check judges when the test
// ends (WireTest).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "handlers.h"
#include "serverthread.h"
#include "wireclient.h"

namespace nw::nwsimd::testing {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& path() const { return path_; }
    // Makes a file (or, ending in "/", a folder) with its parents.
    void add(const std::string& relative, std::string_view content = "x") const;

private:
    std::filesystem::path path_;
};

class WireTest : public ::testing::Test {
protected:
    // Serves the network of the JSON text; files are made in the scratch folder first. The
    // workstation's stations leave the tables, as nwsimd does.
    void serve(std::string_view json, const std::vector<std::string>& files = {},
               ServerOptions options = {});
    std::uint16_t port(std::string_view server = {}) const { return server_->port(server); }
    // A client attached (0x1111) to a server, logged in when user is given.
    std::unique_ptr<WireClient> client(const std::string& user = {},
                                       const std::string& password = {},
                                       std::string_view server = {});
    // Runs fn on the server's thread (the model is the server thread's).
    void inModel(const std::function<void(sim::ServerModel&)>& fn);
    // Stops the server: every session ends.
    void stopServer();
    const ScratchFolder& scratch() const { return scratch_; }

    // What Wireshark's check must report for this test's capture: one line per entry, each
    // containing its text, in order. Default: nothing.
    void expectReports(std::vector<std::string> infos) { expectedReports_ = std::move(infos); }
    void TearDown() override;

    ScratchFolder scratch_;
    std::unique_ptr<ServerThread> server_;
    std::vector<std::string> expectedReports_;
};

}  // namespace nw::nwsimd::testing
