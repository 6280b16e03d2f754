// The answer sheet's key press (from the key to the next cell focused, autosave included)
// and the results view's double click (from the click to every label filled), at 100 and
// at 100,000 examinees.
#include "SeededDatabase.h"
#include "shell/MessageBox.h"
#include "views/AnswerSheetWindow.h"
#include "views/ResultsWindow.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>

#include <benchmark/benchmark.h>

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

void BM_AnswerSheetKey(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    AnswerSheetWindow sheet(BenchContext(seeded), nullptr);
    sheet.show();
    // A row of the list's first page (the newest examinees).
    sheet.selectExaminee(10);
    while (sheet.loadedCode().isEmpty()) {
        QCoreApplication::processEvents();
    }
    // Items 1 to 231 over and over: the key on item 232 would leave the focus where it is.
    int item = 1;
    char digit = '1';
    for (auto _ : state) {
        if (item == kItemCount) {
            item = 1;
            sheet.m_answerCells[1]->setFocus();
        }
        digit = digit == '6' ? '1' : static_cast<char>(digit + 1);
        QTest::sendKeyEvent(QTest::Click, sheet.m_answerCells[item], Qt::Key(Qt::Key_0 + (digit - '0')),
                            QString(QLatin1Char(digit)), Qt::NoModifier);
        ++item;
        benchmark::DoNotOptimize(sheet.focusWidget());
    }
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
