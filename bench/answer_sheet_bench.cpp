// The answer sheet's key press (from the key to the next cell focused and painted, the
// answer's own write and the autosave included) and the results view's double click (from
// the click to every label filled), at 100 and at 100,000 examinees.
#include "SeededDatabase.h"
#include "shell/MessageBox.h"
#include "views/AnswerSheetWindow.h"
#include "views/ResultsWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace morvalen;
using namespace morvalen::bench;

namespace {

Context BenchContext(const SeededDatabase& seeded) {
    Context context;
    context.programFolder = seeded.folder();
    context.intervals.sheetLoadMs = 0;
    context.intervals.timedMessageMs = 1;
    return context;
}

// The answer sheet's key press, from the key to the next cell focused and painted. Every
// key types an answer the cell did not hold, so every key writes its cell to the database
// (SQLite does not rewrite an unchanged record, which would make the write free); each
// write is read back through a second connection, outside the timing, and a key whose
// answer is not stored there ends the run with an error. The row's autosave every 15th
// answer is included.
void BM_AnswerSheetKey(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    AnswerSheetWindow sheet(BenchContext(seeded), nullptr);
    sheet.show();
    // A row of the list's first page (the newest examinees).
    sheet.selectExaminee(10);
    while (sheet.loadedCode().isEmpty()) {
        QCoreApplication::processEvents();
    }
    const QString code = sheet.loadedCode();
    // Items 1 to 231 over and over: the key on item 232 would leave the focus where it is.
    int item = 1;
    int stored = 0;
    double slowestMs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        if (item == kItemCount) {
            state.PauseTiming();
            item = 1;
            sheet.turnPage(1);
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
        QWidget* cell = sheet.focusWidget();
        const QString shown = sheet.m_answerCells[item]->text();
        const char answer =
            shown.isEmpty() || shown == u"6"_s ? '1' : static_cast<char>(shown[0].toLatin1() + 1);
        clock.start();
        QTest::sendKeyEvent(QTest::Click, cell, Qt::Key(Qt::Key_0 + (answer - '0')),
                            QString(QLatin1Char(answer)), Qt::NoModifier);
        QCoreApplication::processEvents(); // the repaint
        slowestMs = std::max(slowestMs, clock.nsecsElapsed() / 1e6);

        state.PauseTiming();
        if (cell != sheet.m_answerCells[item] || sheet.focusWidget() != sheet.m_answerCells[item + 1]) {
            state.SkipWithError("the key did not move the focus to the next item");
            break;
        }
        if (seeded.answers->cell(code, item) != QString(QLatin1Char(answer))) {
            state.SkipWithError("a typed answer is not in the database");
            break;
        }
        ++stored;
        ++item;
        state.ResumeTiming();
    }
    state.counters["answers_stored"] = stored;
    state.counters["slowest_key_ms"] = slowestMs;
    sheet.hide();
}

void BM_ResultsDoubleClick(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    ResultsWindow view(BenchContext(seeded), nullptr);
    view.show();
    int row = 0;
    for (auto _ : state) {
        view.selectExaminee(row);
        row = (row + 37) % 100; // rows of the list's first page, each a different examinee
        benchmark::DoNotOptimize(view.result());
    }
    view.hide();
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(100)
        ->Arg(100000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

} // namespace

BENCHMARK(BM_AnswerSheetKey)->Apply(Sizes);
BENCHMARK(BM_ResultsDoubleClick)->Apply(Sizes);
