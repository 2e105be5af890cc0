// The served test network (see servednetwork.h).
#include "servednetwork.h"

#include <stdlib.h>

#include <cstdlib>

#include <fstream>

#include "loader.h"
#include "ncp/testing/tshark.h"

namespace nw::nwsimd::testing {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "nwsimd-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void ScratchFolder::add(const std::string& relative, std::string_view content) const {
    fs::path target = path_ / relative;
    if (!relative.empty() && relative.back() == '/') {
        fs::create_directories(target);
        return;
    }
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << content;
}

void WireTest::serve(std::string_view json, const std::vector<std::string>& files,
                     ServerOptions options) {
    for (const std::string& file : files)
        scratch_.add(file);
    auto model =
        std::make_unique<sim::ServerModel>(sim::loadNetwork(json, scratch_.path(), "network.json"));
    model->dropWorkstationStations();
    ASSERT_NE(model->store(), nullptr) << model->storeError();
    if (options.capture.empty())
        options.capture = scratch_.path() / "traffic.pcap";
    if (!options.log)
        options.log = [](const std::string&) {};
    server_ = std::make_unique<ServerThread>(std::move(model), std::move(options));
}

std::unique_ptr<WireClient> WireTest::client(const std::string& user, const std::string& password,
                                             std::string_view server) {
    auto wire = std::make_unique<WireClient>(port(server));
    EXPECT_TRUE(wire->connected());
    EXPECT_TRUE(wire->attach().has_value());
    if (!user.empty()) {
        EXPECT_EQ(wire->login(user, password), 0) << "login of " << user;
    }
    return wire;
}

void WireTest::inModel(const std::function<void(sim::ServerModel&)>& fn) {
    server_->run([&](NcpServer&, sim::ServerModel& model) { fn(model); });
}

void WireTest::stopServer() {
    if (server_)
        server_->stop();
}

void WireTest::TearDown() {
    if (!server_)
        return;
    std::uint16_t checked = port();
    server_.reset();
    fs::path capture = scratch_.path() / "traffic.pcap";
    if (std::getenv("NCP_KEEP_CAPTURES") != nullptr) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        fs::path kept =
            fs::temp_directory_path() / (std::string(test->test_suite_name()) + "." + test->name() +
                                         "." + std::to_string(checked) + ".pcap");
        std::error_code ec;
        fs::copy_file(capture, kept, fs::copy_options::overwrite_existing, ec);
    }
    static const bool tshark = ncp::testing::tsharkAvailable();
    if (!tshark)
        return;
    auto report = ncp::testing::tsharkReport(capture.string(), checked);
    ASSERT_TRUE(report.ran) << report.errors;
    std::string all;
    for (const std::string& line : report.lines)
        all += line + "\n";
    ASSERT_EQ(report.lines.size(), expectedReports_.size()) << "Wireshark reported:\n" << all;
    for (std::size_t i = 0; i < report.lines.size(); ++i) {
        EXPECT_NE(report.lines[i].find(expectedReports_[i]), std::string::npos)
            << "Wireshark reported:\n"
            << all;
    }
}

}  // namespace nw::nwsimd::testing
