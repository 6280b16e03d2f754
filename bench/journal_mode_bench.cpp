// The rollback journal modes side by side in one run: DELETE, TRUNCATE and PERSIST.
//
// BM_CommitOneAnswer: one stored answer (one commit with synchronous=FULL), each changing the
// stored value, on a database on this disk; the modes take turns commit by commit.
// BM_KillDuringCommits: a child stores answers one commit at a time and is killed with
// SIGKILL at a random moment, again and again. After each kill the database must pass the
// full integrity check and hold every answer whose commit had returned (lost_rounds and
// damaged_rounds count the rounds where it did not). Then the child stores 500 answers and
// idles with its connection open, and the main file alone is copied, as a clinic copies it
// while the program runs: copy_complete is 1 when that copy holds all 500.
#include "JournalWrites.h"
#include "SeededDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace morvalen;
using namespace Qt::StringLiterals;

namespace {

const char* const kModes[] = {"DELETE", "TRUNCATE", "PERSIST"};

// A fresh delivered main database with examinee "1" and an empty answer row.
QString FreshDatabase(const QString& folder) {
    const QString path = folder + u"/morvalen.mdb"_s;
    QFile::remove(path);
    QFile::remove(path + u"-journal"_s);
    bench::CopyDeliveredFiles(folder, {u"morvalen.mdb"_s});
    auto db = Database::open(path, Database::Mode::ReadWrite);
    Examinee e;
    e.code = u"1"_s;
    e.fullName = u"آزمودني"_s;
    if (!db || !ExamineeStore(*db).addWithAnswerRow(e)) {
        qFatal("cannot prepare %s", qPrintable(path));
    }
    return path;
}

// Whether the file is sound and holds the answers of commits 1 to stored; the commit after
// the last one reported may have reached the disk too.
struct Found {
    bool sound = false;
    bool complete = false;
};
Found Inspect(const QString& path, long long stored) {
    Found found;
    auto db = Database::open(path, Database::Mode::ReadWrite);
    if (!db) {
        return found;
    }
    QSqlQuery q(db->handle());
    found.sound = q.exec(u"PRAGMA integrity_check"_s) && q.next() && q.value(0).toString() == u"ok"_s;
    q.finish();
    AnswerStore answers(*db);
    const auto row = answers.row(u"1"_s);
    if (!row) {
        return found;
    }
    found.complete = true;
    for (long long n = std::max(1LL, stored - kItemCount + 1); n <= stored; ++n) {
        const int item = JournalItem(n);
        const QString cell = (*row)[static_cast<std::size_t>(item - 1)];
        const bool next =
            item == JournalItem(stored + 1) && cell == QString::number(JournalValue(stored + 1));
        if (cell != QString::number(JournalValue(n)) && !next) {
            found.complete = false;
        }
    }
    return found;
}

long long LastStored(const QByteArray& output) {
    long long last = 0;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("stored ")) {
            last = line.mid(7).toLongLong();
        }
    }
    return last;
}

// The three modes take turns, one commit each, so a disk that is busier at one moment than at
// another weighs on all three alike. Each commit is timed by itself; the counters are the
// median and the 90th percentile of each mode, in microseconds.
void BM_CommitOneAnswer(benchmark::State& state) {
    struct Setup {
        QTemporaryDir folder;
        std::unique_ptr<Database> db;
        std::unique_ptr<AnswerStore> answers;
        std::vector<double> micros;
    };
    std::vector<std::unique_ptr<Setup>> setups;
    for (const char* mode : kModes) {
        auto setup = std::make_unique<Setup>();
        setup->db = Database::open(FreshDatabase(setup->folder.path()), Database::Mode::ReadWrite);
        setup->db->exec(u"PRAGMA journal_mode="_s + QString::fromLatin1(mode));
        setup->answers = std::make_unique<AnswerStore>(*setup->db);
        setups.push_back(std::move(setup));
    }
    long long n = 0;
    int failed = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        ++n;
        for (auto& setup : setups) {
            clock.start();
            failed += !setup->answers->setCell(u"1"_s, JournalItem(n), QString::number(JournalValue(n)));
            setup->micros.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000.0);
        }
    }
    for (std::size_t m = 0; m < setups.size(); ++m) {
        Setup& setup = *setups[m];
        if (setup.answers->cell(u"1"_s, JournalItem(n)) != QString::number(JournalValue(n))) {
            ++failed;
        }
        std::sort(setup.micros.begin(), setup.micros.end());
        const std::string name = QString::fromLatin1(kModes[m]).toLower().toStdString();
        state.counters[name + "_median_us"] = setup.micros[setup.micros.size() / 2];
        state.counters[name + "_p90_us"] = setup.micros[setup.micros.size() * 9 / 10];
    }
    if (failed > 0) {
        state.SkipWithError("a commit failed or did not store its answer");
    }
}

void BM_KillDuringCommits(benchmark::State& state) {
    const QString mode = QString::fromLatin1(kModes[state.range(0)]);
    state.SetLabel(mode.toStdString());
    constexpr int kRounds = 30;
    QRandomGenerator random(20261210);
    QTemporaryDir folder;
    int lost = 0, damaged = 0, commitsSeen = 0;
    bool copyComplete = false;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            const QString path = FreshDatabase(folder.path());
            QProcess child;
            child.start(QStringLiteral(MORVALEN_COMMIT_CHILD), {path, mode});
            child.waitForStarted();
            // Killed once it is storing, anywhere in the next 150 ms.
            while (!child.canReadLine() && child.waitForReadyRead(5000)) {
            }
            QThread::msleep(random.bounded(150U));
            child.kill();
            child.waitForFinished();
            const long long stored = LastStored(child.readAllStandardOutput());
            commitsSeen += static_cast<int>(stored);
            const Found found = Inspect(path, stored);
            damaged += !found.sound;
            lost += !found.complete;
        }
        // The main file alone, copied while the program holds its connection between commits.
        const QString path = FreshDatabase(folder.path());
        QProcess child;
        child.start(QStringLiteral(MORVALEN_COMMIT_CHILD), {path, mode, u"500"_s});
        while (!child.readAllStandardOutput().contains("idle") && child.waitForReadyRead(10000)) {
        }
        QDir().mkpath(folder.path() + u"/copy"_s);
        const QString copy = folder.path() + u"/copy/morvalen.mdb"_s;
        QFile::remove(copy);
        QFile::copy(path, copy);
        child.closeWriteChannel();
        child.waitForFinished();
        copyComplete = Inspect(copy, 500).complete;
    }
    state.counters["kills"] = kRounds;
    state.counters["commits_before_kills"] = commitsSeen;
    state.counters["lost_rounds"] = lost;
    state.counters["damaged_rounds"] = damaged;
    state.counters["copy_complete"] = copyComplete;
}

} // namespace

BENCHMARK(BM_CommitOneAnswer)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(2000);
BENCHMARK(BM_KillDuringCommits)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
