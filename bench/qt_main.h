#pragma once
// The main() of the benchmark programs that need Qt's application object: offscreen unless a
// window system is named, then every benchmark of the program.
#include <benchmark/benchmark.h>

#include <QApplication>

inline int run_benchmarks_with_qt(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
