// main() of the benchmarks that need a Qt application object: QApplication (off screen, with
// the program's look and fonts, as main() sets them) for the window benchmarks,
// QCoreApplication for the rest.
#include <benchmark/benchmark.h>

#ifdef MORVALEN_BENCH_GUI
#include "shell/Appearance.h"

#include <QApplication>
using App = QApplication;
#else
#include <QCoreApplication>
using App = QCoreApplication;
#endif

#include <cstdlib>

int main(int argc, char** argv) {
#ifdef MORVALEN_BENCH_GUI
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
#endif
    App app(argc, argv);
#ifdef MORVALEN_BENCH_GUI
    morvalen::ConfigureApplication(app);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
