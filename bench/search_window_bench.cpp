// A keystroke in the registry's search field to the filtered list painted, at 100 and 100,000
// examinees: the field holds the text up to its last character, the last character is typed
// as a key press, and the time runs until the list's visible rows are painted. The list's
// rows are checked against the model's own search outside the timing.
// Run: build/bin/morvalen_search_window_bench
#include "SearchDatabase.h"

#include "store/ExamineeListModel.h"
#include "views/RegistryWindow.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <benchmark/benchmark.h>

using namespace morvalen;
using namespace morvalen::bench;
using namespace Qt::StringLiterals;

namespace {

void BM_KeystrokeToListPainted(benchmark::State& state) {
    SearchDatabase& seeded = SeededForSearch(static_cast<int>(state.range(0)));
    const auto& keystroke = kKeystrokes[state.range(1)];
    Context context;
    context.programFolder = seeded.folder();
    RegistryWindow registry(context, nullptr);
    registry.show();
    QCoreApplication::processEvents();
    QLineEdit* field = registry.m_searchEdit;
    QTableView* list = registry.m_examineeList;
    field->setFocus();
    const QString before = keystroke.typed.chopped(1);
    const QString last = keystroke.typed.right(1);
    ExamineeListModel expected(*seeded.db, ExamineeList::Registry);
    expected.setSearch(keystroke.typed);
    for (auto _ : state) {
        state.PauseTiming();
        field->setText(before);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, last, Qt::NoModifier);
        list->viewport()->repaint();
        state.PauseTiming();
        if (field->text() != keystroke.typed || list->model()->rowCount() != expected.rowCount() ||
            (expected.rowCount() > 0 && list->model()->index(0, 9).data() != expected.index(0, 9).data())) {
            state.SkipWithError("the list does not show the matches of the typed text");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["rows"] = expected.rowCount();
    state.SetLabel(keystroke.what);
}

BENCHMARK(BM_KeystrokeToListPainted)->Apply(bench::KeystrokeArgs)->Unit(benchmark::kMillisecond);

} // namespace
