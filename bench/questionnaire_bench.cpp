// The questionnaire's answer step: from the click on an answer to the next item shown,
// with the examinee's answer stored on the way, at 100 and at 100,000 examinees.
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
    int value = 6;
    for (auto _ : state) {
        // Every click picks another answer than the one stored, so every commit is real: the
        // values in turn from 5 down to 1, then 6 again.
        value = value == 1 ? 6 : value - 1;
        window.m_answerButtons[value]->click();
        if (window.currentItem() == kItemCount) {
            step = -1;
        } else if (window.currentItem() == 1) {
            step = +1;
        }
        (step > 0 ? window.m_nextButton : window.m_previousButton)->click();
        benchmark::DoNotOptimize(window.currentItem());
    }
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
