// A keystroke in an examinee list's search field to the filtered first page, at 100 and
// 100,000 examinees: the list is searched again for the text typed so far and the first page
// is read (every cell, as the grid shows them). Each case is the text after one keystroke;
// the examinees carry names, phone numbers and testers drawn from fixed lists, so about one
// in twenty has a given surname; the newest twenty share a surname of their own. Run:
// build/bin/morvalen_search_bench
#include "SearchDatabase.h"

#include "store/ExamineeListModel.h"

#include <benchmark/benchmark.h>

using namespace morvalen;
using namespace morvalen::bench;
using namespace Qt::StringLiterals;

namespace {

void BM_KeystrokeToFirstPage(benchmark::State& state) {
    SearchDatabase& seeded = SeededForSearch(static_cast<int>(state.range(0)));
    const auto& keystroke = kKeystrokes[state.range(1)];
    ExamineeListModel model(*seeded.db, ExamineeList::Registry);
    int rows = 0;
    for (auto _ : state) {
        model.setSearch(keystroke.typed);
        rows = model.rowCount();
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < model.columnCount(); ++column) {
                benchmark::DoNotOptimize(model.index(row, column).data());
            }
        }
    }
    if (!seeded.db->lastError().isEmpty()) {
        state.SkipWithError(qPrintable(seeded.db->lastError()));
    }
    state.counters["rows"] = rows;
    state.SetLabel(keystroke.what);
}

BENCHMARK(BM_KeystrokeToFirstPage)->Apply(bench::KeystrokeArgs)->Unit(benchmark::kMillisecond);

} // namespace
