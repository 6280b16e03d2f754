// Backup speed on a 200 MB file, beside cp of the same file in the same run. The backup is
// flushed to disk before it counts as made; cp's copy is not, so the plain copy is shown
// both with and without the flush.
#include "store/Backup.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <string>

using namespace morvalen;

namespace {

constexpr qint64 kSize = 200LL * 1024 * 1024;

struct BigFile {
    QTemporaryDir dir;
    QString path;
    BigFile() : path(dir.path() + QStringLiteral("/morvalen.mdb")) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray block(1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>(i * 131);
        }
        for (qint64 written = 0; written < kSize; written += block.size()) {
            f.write(block);
        }
    }
};

BigFile& File() {
    static BigFile file;
    return file;
}

void BM_BackupCopy(benchmark::State& state) {
    BigFile& file = File();
    const QString target = file.dir.path() + QStringLiteral("/copy.morvalen");
    for (auto _ : state) {
        if (!BackupCopy(file.path, target, nullptr, [] {})) {
            state.SkipWithError("copy failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void RunShell(benchmark::State& state, const std::string& command) {
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("command failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_Cp(benchmark::State& state) {
    BigFile& file = File();
    RunShell(state, "cp '" + file.path.toStdString() + "' '" + file.dir.path().toStdString() + "/cp.copy'");
}

void BM_CpThenSync(benchmark::State& state) {
    BigFile& file = File();
    const std::string target = file.dir.path().toStdString() + "/cp.copy";
    RunShell(state, "cp '" + file.path.toStdString() + "' '" + target + "' && sync '" + target + "'");
}

} // namespace

BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_CpThenSync)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BackupCopy)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
