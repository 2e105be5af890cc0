// The main() of the benchmarks that build windows: an application on the offscreen platform
// (unless QT_QPA_PLATFORM says otherwise), then Google Benchmark. Windows must not outlive the
// application: releaseWindows runs after the benchmarks, while it still exists.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <functional>

inline int RunWindowBenchmarks(int argc, char** argv,
                               const std::function<void()>& releaseWindows = {}) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (releaseWindows) {
        releaseWindows();
    }
    return 0;
}
