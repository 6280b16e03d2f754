// Backup speed on a 200 MB file, beside cp of the same file in the same run. The backup is
// flushed to disk before it counts as made; cp's copy is not, so the plain copy is shown
// both with and without the flush.
//
// And how responsive the window stays while a backup of a 64 MB database is made and
// restored: a 10 ms timer runs through each, and longest_gap_ms is the longest time between
// two of its ticks (or between the start or end and the nearest tick), the longest the
// window went without handling its events.
#include "SeededDatabase.h"
#include "store/Backup.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

using namespace morvalen;
using namespace Qt::StringLiterals;

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

// About 64 MB of examinees with full answer rows.
constexpr int kExaminees = 106000;

// Records the longest stretch without a tick of a 10 ms timer, while the events are handled
// by the work's own yields.
class TimerGap {
public:
    TimerGap() {
        m_timer.setInterval(10);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        m_longest = 0;
        m_sinceTick.start();
        m_timer.start();
    }
    qint64 stop() {
        tick();
        m_timer.stop();
        return m_longest;
    }

private:
    void tick() { m_longest = std::max(m_longest, m_sinceTick.restart()); }
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
};

void ProcessEvents() {
    QCoreApplication::processEvents();
}

void BM_MakeBackup64MBLongestTimerGap(benchmark::State& state) {
    bench::SeededDatabase& seeded = bench::Seeded(kExaminees);
    const QString database = seeded.folder() + u"/morvalen.mdb"_s;
    const QString backup = seeded.folder() + u"/made.morvalen"_s;
    TimerGap gap;
    qint64 longest = 0;
    for (auto _ : state) {
        gap.start();
        QString error;
        if (!MakeBackup(database, backup, &error, ProcessEvents)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        longest = std::max(longest, gap.stop());
    }
    state.counters["database_mb"] = static_cast<double>(QFileInfo(database).size()) / (1024 * 1024);
    state.counters["longest_gap_ms"] = static_cast<double>(longest);
}

// The check alone, which both of the above make: integrity of every page and index, and the schema.
void BM_CheckBackup64MBLongestTimerGap(benchmark::State& state) {
    bench::SeededDatabase& seeded = bench::Seeded(kExaminees);
    const QString backup = seeded.folder() + u"/restore.morvalen"_s;
    if (!QFile::exists(backup) && !MakeBackup(seeded.folder() + u"/morvalen.mdb"_s, backup, nullptr)) {
        state.SkipWithError("the backup could not be made");
        return;
    }
    TimerGap gap;
    qint64 longest = 0;
    for (auto _ : state) {
        gap.start();
        QString error;
        if (CheckBackupFile(backup, &error, ProcessEvents) != RestoreOutcome::Restored) {
            state.SkipWithError(qPrintable(u"check failed: "_s + error));
            break;
        }
        longest = std::max(longest, gap.stop());
    }
    state.counters["longest_gap_ms"] = static_cast<double>(longest);
}

void BM_Restore64MBLongestTimerGap(benchmark::State& state) {
    bench::SeededDatabase& seeded = bench::Seeded(kExaminees);
    const QString backup = seeded.folder() + u"/restore.morvalen"_s;
    if (!QFile::exists(backup) && !MakeBackup(seeded.folder() + u"/morvalen.mdb"_s, backup, nullptr)) {
        state.SkipWithError("the backup could not be made");
        return;
    }
    // The restore goes over a freshly delivered database, as on a new installation.
    QTemporaryDir program;
    const QString database = program.path() + u"/morvalen.mdb"_s;
    TimerGap gap;
    qint64 longest = 0;
    int lastPercent = -1;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(database);
        bench::CopyDeliveredFiles(program.path(), {u"morvalen.mdb"_s});
        state.ResumeTiming();
        gap.start();
        QString error;
        const RestoreOutcome outcome = RestoreBackup(backup, database, &error, ProcessEvents,
                                                     [&](int percent) { lastPercent = percent; });
        longest = std::max(longest, gap.stop());
        if (outcome != RestoreOutcome::Restored || QFileInfo(database).size() != QFileInfo(backup).size()) {
            state.SkipWithError(qPrintable(u"restore failed: "_s + error));
            break;
        }
    }
    state.counters["backup_mb"] = static_cast<double>(QFileInfo(backup).size()) / (1024 * 1024);
    state.counters["longest_gap_ms"] = static_cast<double>(longest);
    state.counters["last_percent"] = lastPercent;
}

} // namespace

BENCHMARK(BM_MakeBackup64MBLongestTimerGap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckBackup64MBLongestTimerGap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Restore64MBLongestTimerGap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

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
