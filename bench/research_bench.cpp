// The research export of 10,000 examinees to an SPSS data file and to CSV: the snapshot read
// (the table and the research details, once per run in the program), then each writer on
// that snapshot, scoring every examinee. Peak memory is the process's high-water mark of
// resident memory, reset before each iteration (Linux), reported in MB; the file written is
// checked to hold every examinee.
// Run: build/bin/morvalen_research_bench
#include "PeakMemory.h"
#include "SeededDatabase.h"
#include "reports/ResearchExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <readstat.h>

#include <fstream>
#include <string>

using namespace morvalen;
using namespace Qt::StringLiterals;

namespace {

constexpr int kExaminees = 10000;

bench::SeededDatabase& Seeded() {
    return bench::Seeded(kExaminees);
}

using bench::PeakMemoryMb;
using bench::ResetPeakMemory;

struct Snapshot {
    std::optional<ExportTable> table;
    std::optional<ResearchDetails> details;
};

// As the export reads it at the first export of a run: one read transaction.
Snapshot ReadSnapshot(Database& db) {
    Transaction read(db);
    Snapshot s;
    s.table = ExportTable::Read(db);
    if (s.table) {
        s.details = ResearchDetails::Read(db, s.table->examineeCount());
    }
    return s;
}

// How many cases or rows the written file holds; -1 when it cannot be read.
long WrittenCount(const QString& path, ResearchFormat format) {
    if (format == ResearchFormat::Csv) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return -1;
        }
        return static_cast<long>(file.readAll().count('\n')) - 1; // less the heading
    }
    long rows = -1;
    readstat_parser_t* parser = readstat_parser_init();
    readstat_set_metadata_handler(parser, [](readstat_metadata_t* metadata, void* ctx) {
        *static_cast<long*>(ctx) = readstat_get_row_count(metadata);
        return static_cast<int>(READSTAT_HANDLER_ABORT); // the header is enough
    });
    readstat_parse_sav(parser, path.toUtf8().constData(), &rows);
    readstat_parser_free(parser);
    return rows;
}

void Export(benchmark::State& state, ResearchFormat format) {
    const bool includeRead = state.range(0) != 0;
    bench::SeededDatabase& seeded = Seeded();
    QTemporaryDir dir;
    const QString path = dir.path() + (format == ResearchFormat::Sav ? u"/out.sav"_s : u"/out.csv"_s);
    Snapshot snapshot = ReadSnapshot(*seeded.db);
    if (!snapshot.details || snapshot.table->examineeCount() != kExaminees) {
        state.SkipWithError("the export rows could not be read");
        return;
    }
    if (includeRead) {
        snapshot = {};
    }
    double peak = 0;
    for (auto _ : state) {
        ResetPeakMemory();
        if (includeRead) {
            snapshot = ReadSnapshot(*seeded.db);
        }
        QString error;
        if (!WriteResearch(*snapshot.table, *snapshot.details, format, path, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        if (includeRead) {
            snapshot = {};
        }
        peak = std::max(peak, PeakMemoryMb());
    }
    if (WrittenCount(path, format) != kExaminees) {
        state.SkipWithError("the file does not hold every examinee");
        return;
    }
    state.counters["peak_MB"] = peak;
    state.counters["file_MB"] = static_cast<double>(QFile(path).size()) / (1024.0 * 1024.0);
}

void BM_ExportSav(benchmark::State& state) {
    Export(state, ResearchFormat::Sav);
}
void BM_ExportCsv(benchmark::State& state) {
    Export(state, ResearchFormat::Csv);
}

} // namespace

// Argument 1: the snapshot read included (the first export of a run); 0: the writer alone.
BENCHMARK(BM_ExportSav)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportCsv)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
