// The Excel export of 10,000 examinees to .xls and .xlsx: the database read (once per run in
// the program), then each writer on that table, told of its progress as the export window's
// progress dialog is (the count of those calls is reported). Peak memory is the process's high-water mark
// of resident memory, reset before each benchmark (Linux), reported in MB.
// Run: build/bin/morvalen_excel_bench
#include "SeededDatabase.h"
#include "reports/ExcelExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

using namespace morvalen;
using namespace Qt::StringLiterals;

namespace {

constexpr int kExaminees = 10000;

// The seeded database, dropped while the application object still exists: a connection
// closed after Qt Sql's own statics are gone crashes at exit (bench::Seeded keeps its
// databases until then).
std::unique_ptr<bench::SeededDatabase>& SeededSlot() {
    static std::unique_ptr<bench::SeededDatabase> db;
    return db;
}

bench::SeededDatabase& Seeded() {
    auto& db = SeededSlot();
    if (!db) {
        db = std::make_unique<bench::SeededDatabase>(kExaminees);
        qAddPostRoutine([] { SeededSlot().reset(); });
    }
    return *db;
}

// Resets the high-water mark of resident memory to what is resident now.
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// VmHWM of /proc/self/status, in MB.
double PeakMemoryMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

void Export(benchmark::State& state, ExportFormat format, bool includeRead) {
    bench::SeededDatabase& seeded = Seeded();
    QTemporaryDir dir;
    const QString path = dir.path() + (format == ExportFormat::Xls ? u"/out.xls"_s : u"/out.xlsx"_s);
    std::optional<ExportTable> table = ExportTable::Read(*seeded.db);
    if (!table || table->examineeCount() != kExaminees) {
        state.SkipWithError("the export rows could not be read");
        return;
    }
    if (includeRead) {
        table.reset();
    }
    double peak = 0;
    qint64 progressCalls = 0;
    for (auto _ : state) {
        ResetPeakMemory();
        if (includeRead) {
            table = ExportTable::Read(*seeded.db);
        }
        QString error;
        if (!WriteExport(*table, {path, format}, &error, [&progressCalls](qint64, qint64) {
                ++progressCalls;
                return true;
            })) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        if (includeRead) {
            table.reset();
        }
        peak = std::max(peak, PeakMemoryMb());
    }
    state.counters["peak_MB"] = peak;
    state.counters["progress_calls"] =
        static_cast<double>(progressCalls) / static_cast<double>(state.iterations());
    state.counters["file_MB"] = static_cast<double>(QFile(path).size()) / (1024.0 * 1024.0);
}

void BM_ReadSnapshot(benchmark::State& state) {
    bench::SeededDatabase& seeded = Seeded();
    double peak = 0;
    for (auto _ : state) {
        ResetPeakMemory();
        auto table = ExportTable::Read(*seeded.db);
        benchmark::DoNotOptimize(table);
        peak = std::max(peak, PeakMemoryMb());
    }
    state.counters["peak_MB"] = peak;
}

void BM_ExportXls(benchmark::State& state) {
    Export(state, ExportFormat::Xls, state.range(0) != 0);
}
void BM_ExportXlsx(benchmark::State& state) {
    Export(state, ExportFormat::Xlsx, state.range(0) != 0);
}

} // namespace

BENCHMARK(BM_ReadSnapshot)->Unit(benchmark::kMillisecond)->Iterations(3);
// Argument 1: the database read included (the first export of a run); 0: the writer alone.
BENCHMARK(BM_ExportXls)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportXlsx)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
