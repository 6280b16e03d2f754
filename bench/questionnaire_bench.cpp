// The questionnaire's answer step: from the click on an answer to the next item shown,
// with the examinee's answer stored on the way, at 100 and at 100,000 examinees. Every
// measured click stores a value other than the stored one; the run stops with an error if
// one did not change it.
#include "SeededDatabase.h"
#include "views/QuestionnaireWindow.h"

#include <QPushButton>
#include <QRadioButton>

#include <benchmark/benchmark.h>

using namespace morvalen;
using namespace morvalen::bench;

namespace {

void BM_AnswerToNextItem(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    Context context;
    context.programFolder = seeded.folder();
    context.intervals.timedMessageMs = 1;
    // An examinee in the middle of the table, so the look-up is a real one.
    const QString code = QString::number(seeded.count() / 2 + 1);
    QuestionnaireWindow window(context, code, u"آزمودني"_s, nullptr);
    window.show();
    window.m_startButton->click();
    int step = +1;
    int commits = 0;
    for (auto _ : state) {
        // Every click picks another answer than the one stored, so every commit is real
        // (SQLite skips rewriting an unchanged record, and that commit never reaches the disk).
        // The stored value is read with the clock stopped, and checked after the click.
        state.PauseTiming();
        const int item = window.currentItem();
        const int stored = seeded.answers->cell(code, item).toInt(); // 0 when empty
        const int value = stored % 6 + 1;
        state.ResumeTiming();

        window.m_answerButtons[value]->click();
        if (item == kItemCount) {
            step = -1;
        } else if (item == 1) {
            step = +1;
        }
        (step > 0 ? window.m_nextButton : window.m_previousButton)->click();
        benchmark::DoNotOptimize(window.currentItem());

        state.PauseTiming();
        if (seeded.answers->cell(code, item) != QString::number(value)) {
            state.SkipWithError("a click did not change the stored answer");
            state.ResumeTiming();
            break;
        }
        ++commits;
        state.ResumeTiming();
    }
    state.counters["commits"] = commits;
    window.hide();
}

} // namespace

BENCHMARK(BM_AnswerToNextItem)
    ->Arg(100)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
