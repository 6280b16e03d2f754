// The Excel export of 10,000 examinees to .xls and .xlsx: the database read (once per run in
// the program), then each writer on that table, told of its progress as the export window's
// progress dialog is (the count of those calls is reported). Peak memory is the process's high-water mark
// of resident memory, reset before each benchmark (Linux), reported in MB.
// The answer import's read of a workbook: the blank one, and a hostile .ods whose rows repeat
// an empty cell 2,147,483,647 times (refused, never expanded).
// Run: build/bin/morvalen_excel_bench
#include "PeakMemory.h"
#include "SeededDatabase.h"
#include "core/MakerSite.h"
#include "reports/AnswerImport.h"
#include "reports/ExcelExport.h"
#include "reports/XlsxBlankWorkbook.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

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

// A one-sheet .ods of the given table rows, zipped by libgsf.
bool WriteOds(const QString& path, const QByteArray& rows) {
    gsf_init();
    GsfOutput* sink = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    GsfOutfile* zip = sink ? gsf_outfile_zip_new(sink, nullptr) : nullptr;
    if (!zip) {
        return false;
    }
    const QByteArray content =
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"" +
        QByteArray(kMakerDomain) + "\">" + rows +
        "</table:table></office:spreadsheet></office:body></office:document-content>";
    bool ok = true;
    for (const auto& [name, bytes] :
         {std::pair<const char*, QByteArray>{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
          {"content.xml", content}}) {
        GsfOutput* part = gsf_outfile_new_child(zip, name, FALSE);
        ok = part &&
             gsf_output_write(part, static_cast<size_t>(bytes.size()),
                              reinterpret_cast<const guint8*>(bytes.constData())) &&
             gsf_output_close(part) && ok;
        if (part) {
            g_object_unref(part);
        }
    }
    ok = gsf_output_close(GSF_OUTPUT(zip)) && ok;
    g_object_unref(zip);
    g_object_unref(sink);
    return ok;
}

void BM_ImportReadRepeatedCellsOds(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"repeated.ods"_s);
    QByteArray rows;
    for (int i = 0; i < 4; ++i) {
        rows += "<table:table-row><table:table-cell "
                "table:number-columns-repeated=\"2147483647\"/></table:table-row>";
    }
    if (!WriteOds(path, rows)) {
        state.SkipWithError("the .ods could not be written");
        return;
    }
    for (auto _ : state) {
        const AnswerWorkbook workbook = ReadAnswerWorkbook(path);
        if (workbook.status != ImportStatus::Unreadable) {
            state.SkipWithError("the hostile .ods was not refused");
            return;
        }
    }
    state.counters["file_KB"] = static_cast<double>(QFile(path).size()) / 1024.0;
}

void BM_ImportReadBlankWorkbook(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"blank.xlsx"_s);
    QStringList questions;
    for (int i = 1; i <= 232; ++i) {
        questions.append(u"متن سوال شماره %1 از پرسشنامه"_s.arg(i));
    }
    if (!WriteBlankAnswerWorkbook(path, questions, nullptr)) {
        state.SkipWithError("the blank workbook could not be written");
        return;
    }
    for (auto _ : state) {
        const AnswerWorkbook workbook = ReadAnswerWorkbook(path);
        if (workbook.status != ImportStatus::Imported) {
            state.SkipWithError("the blank workbook was not read");
            return;
        }
    }
}

} // namespace

BENCHMARK(BM_ImportReadRepeatedCellsOds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportReadBlankWorkbook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSnapshot)->Unit(benchmark::kMillisecond)->Iterations(3);
// Argument 1: the database read included (the first export of a run); 0: the writer alone.
BENCHMARK(BM_ExportXls)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportXlsx)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
