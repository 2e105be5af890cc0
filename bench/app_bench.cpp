// Main window speed: start-up to the window shown, and one refill of the server list, on a
// generated network of 50 servers and 26 NetWare drives.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include "harness.h"

namespace {

using varnook::test::Harness;

void Generate(Harness& h) {
    h.net->connections.clear();
    for (uint32_t i = 1; i <= 50; ++i) {
        h.net->connections.push_back({"SERVER" + std::to_string(i), i, i % 3 != 0});
    }
    h.net->drives.clear();
    for (int d = 1; d <= 26; ++d) {
        if (d == 3) {
            continue;  // C: is the workstation's own disk
        }
        const std::string server = "SERVER" + std::to_string(d);
        const std::string folder = "vol/" + server + "/SYS";
        h.addDrive(d, "\\\\" + server + "\\SYS", folder);
        for (int f = 0; f < 40; ++f) {
            h.addFile(folder + "/file" + std::to_string(f) + ".dat");
        }
    }
}

void BM_StartupToWindowShown(benchmark::State& state) {
    Harness h;
    Generate(h);
    const varnook::test::FakeNetwork network = *h.net;
    for (auto _ : state) {
        auto owned = std::make_unique<varnook::test::FakeNetwork>(network);
        h.net = owned.get();
        h.ownedNet = std::move(owned);
        if (!h.start() || !h.window->isVisible()) {
            state.SkipWithError("the window was not shown");
            break;
        }
        state.PauseTiming();
        h.window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToWindowShown)->Unit(benchmark::kMillisecond);

void BM_ServerListRefill(benchmark::State& state) {
    Harness h;
    Generate(h);
    if (!h.start()) {
        state.SkipWithError("start-up failed");
        return;
    }
    for (auto _ : state) {
        h.window->FillServerList();
        benchmark::DoNotOptimize(h.window->lstviewServers->topLevelItemCount());
    }
}
BENCHMARK(BM_ServerListRefill)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
