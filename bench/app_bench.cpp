// Main window speed on a generated simulated network of 50 servers and 26 drive letters (every
// letter but C:, the workstation's own disk, is a NetWare drive: 25 NetWare drives): start-up to
// the window shown (loading the network included), and one refill of the server list.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <string>

#include "../app/core/tests/fakestore.h"
#include "frmvarnook.h"
#include "netclient/sim/simclient.h"
#include "qtbenchmain.h"
#include "recordingmessages.h"

namespace {

using varnook::AppEnvironment;
using varnook::frmVarnook;

std::string GenerateNetwork(const std::filesystem::path& dir) {
    std::string drives;
    std::string connections;
    std::string servers;
    for (int i = 1; i <= 50; ++i) {
        const std::string name = "SERVER" + std::to_string(i);
        servers += std::string(i > 1 ? "," : "") + R"({"name":")" + name + R"(","loginEnabled":)" +
                   (i % 3 != 0 ? "true" : "false") + R"(,"volumes":[{"name":"SYS"}]})";
        connections += std::string(i > 1 ? "," : "") + R"({"server":")" + name +
                       R"(","user":"ADMIN","station":1,"consoleOperator":true})";
        const std::filesystem::path volume = dir / "volumes" / name / "SYS";
        std::filesystem::create_directories(volume / "PUBLIC");
        for (int f = 0; f < 40; ++f) {
            std::ofstream(volume / ("file" + std::to_string(f) + ".dat")) << "x";
        }
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (letter == 'C') {
            continue;
        }
        const int server = letter - 'A' + 1;
        drives += std::string(drives.empty() ? "" : ",") + R"({"letter":")" + letter +
                  R"(","target":"\\\\SERVER)" + std::to_string(server) + R"(\\SYS"})";
    }
    return R"({"workstation":{"drives":[)" + drives + R"(],"connections":[)" + connections +
           R"(]},"servers":[)" + servers + "]}";
}

struct Bench {
    QTemporaryDir dir;
    std::string json;
    varnook::RecordingMessageService messages;
    std::shared_ptr<varnook::FakeStore> store = std::make_shared<varnook::FakeStore>();

    Bench() { json = GenerateNetwork(dir.path().toStdString()); }

    AppEnvironment environment() {
        AppEnvironment env;
        env.programFolder = (dir.path() + QStringLiteral("/bin")).toStdString();
        env.messages = &messages;
        env.NWCallsInit = [this](std::unique_ptr<varnook::NetFacade>& facade) -> uint32_t {
            facade = std::make_unique<varnook::NetFacade>(
                nw::sim::SimClient::fromText(json, dir.path().toStdString()));
            return 0;
        };
        env.createRegStore = [this]() -> std::unique_ptr<varnook::StringStore> {
            return std::make_unique<varnook::FakeStore>(*store);
        };
        env.windowsFolder = "/usr/bin";
        return env;
    }
};

void BM_StartupToWindowShown(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        frmVarnook window(b.environment());
        if (!window.Form_Load() || !window.isVisible()) {
            state.SkipWithError("the window was not shown");
            break;
        }
        if (window.lstviewServers->topLevelItemCount() != 50) {
            state.SkipWithError("not 50 servers");
            break;
        }
        state.PauseTiming();
        window.hide();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToWindowShown)->Unit(benchmark::kMillisecond);

void BM_ServerListRefill(benchmark::State& state) {
    Bench b;
    frmVarnook window(b.environment());
    if (!window.Form_Load()) {
        state.SkipWithError("start-up failed");
        return;
    }
    for (auto _ : state) {
        window.FillServerList();
        benchmark::DoNotOptimize(window.lstviewServers->topLevelItemCount());
    }
}
BENCHMARK(BM_ServerListRefill)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
