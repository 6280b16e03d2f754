// Scoring throughput: answer sets scored per second on one core. Every window that shows
// results pays this once per examinee.
#include "core/Scoring.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace morvalen;

namespace {

// Enough distinct sheets that the branches cannot be learnt, few enough to stay in cache,
// as the one sheet a window has just read does.
constexpr std::size_t kPoolSize = 64;

// A pool of realistic sheets: mostly answered, a few blanks, about a third answered 5 or 6.
std::vector<AnswerTexts> MakeSheets(std::size_t count) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> answer(0, 60);
    std::vector<AnswerTexts> sheets(count);
    for (auto& sheet : sheets) {
        for (auto& cell : sheet) {
            const int v = answer(random);
            cell = v == 0 ? std::string() : std::to_string(v % 6 + 1);
        }
    }
    return sheets;
}

void BM_ScoreAnswerSets(benchmark::State& state) {
    const std::vector<AnswerTexts> sheets = MakeSheets(kPoolSize);
    ScoringResult result;
    std::size_t next = 0;
    for (auto _ : state) {
        ScoreAnswers(sheets[next], result);
        benchmark::DoNotOptimize(result);
        next = (next + 1) % sheets.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["sets_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// A fresh result each time, as a window that scores one examinee does.
void BM_ScoreAnswerSetsFreshResult(benchmark::State& state) {
    const std::vector<AnswerTexts> sheets = MakeSheets(kPoolSize);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ScoreAnswers(sheets[next]));
        next = (next + 1) % sheets.size();
    }
    state.counters["sets_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_ScoreAnswerSets)->Iterations(1000000)->Repetitions(3);
BENCHMARK(BM_ScoreAnswerSetsFreshResult)->Iterations(1000000)->Repetitions(3);

BENCHMARK_MAIN();
