// Start-up: from the program folder's checks to the main window shown, with 10,000 examinees
// (each with a full answer row) in the database. The application object and its look are
// made once, before, as main() does (bench/QtBenchMain.cpp).
#include "SeededDatabase.h"
#include "app/Launch.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QTest>

#include <benchmark/benchmark.h>

using namespace morvalen;
using namespace morvalen::bench;

namespace {

void BM_StartToMainWindowShown(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    CopyDeliveredFiles(seeded.folder(), {u"Theme.skn"_s, u"NNPic.mdb"_s, u"ATaf.fr3"_s});
    // The benchmark's own connection would hold no lock, but close it as a real start finds it.
    seeded.answers.reset();
    seeded.examinees.reset();
    seeded.db.reset();
    for (auto _ : state) {
        MainWindow* main = LaunchMorvalen({seeded.folder(), QString(), QString()});
        if (!main || !QTest::qWaitForWindowExposed(main)) {
            state.SkipWithError("no main window");
            break;
        }
        state.PauseTiming();
        main->hide();
        delete main;
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_StartToMainWindowShown)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
