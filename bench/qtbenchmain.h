// The main() of the benchmarks that build windows: an application on the offscreen platform
// (unless QT_QPA_PLATFORM says otherwise), then Google Benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

inline int RunWindowBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
