// How the store's everyday operations cost as the examinee count grows, and how a durable
// commit compares with the disk's own floor: one flush of a small file.
#include "SeededDatabase.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <random>

using namespace morvalen;
using namespace morvalen::bench;
using namespace Qt::StringLiterals;

namespace {

QString RandomCode(std::mt19937& random, int n) {
    return QString::number(std::uniform_int_distribution<int>(1, n)(random));
}

// The floor: rewrite one small block of a file beside the database and flush it.
void BM_FlushSmallFile(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(100);
    const QByteArray path = (seeded.folder() + u"/flush.bin"_s).toLocal8Bit();
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    char block[4096] = {};
    for (auto _ : state) {
        block[0]++;
        benchmark::DoNotOptimize(::pwrite(fd, block, sizeof block, 0));
        ::fsync(fd);
    }
    ::close(fd);
}

// Making, writing and flushing a new small file: what a rollback journal costs on its own.
void BM_FlushNewSmallFile(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(100);
    const QByteArray path = (seeded.folder() + u"/journal.bin"_s).toLocal8Bit();
    char block[512] = {};
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        benchmark::DoNotOptimize(::pwrite(fd, block, sizeof block, 0));
        ::fsync(fd);
        ::close(fd);
        ::unlink(path.constData());
    }
}

void BM_AddExaminee(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    Examinee e;
    e.fullName = u"آزمودني تازه"_s;
    e.age = u"29"_s;
    e.gender = u"مرد"_s;
    int failed = 0;
    for (auto _ : state) {
        // The registry's save: pick the next code, then store the row in one commit.
        e.code = seeded.examinees->assignCode();
        failed += !seeded.examinees->add(e);
    }
    state.counters["failed"] = failed;
}

void BM_FindExamineeByCode(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    std::mt19937 random(7);
    for (auto _ : state) {
        benchmark::DoNotOptimize(seeded.examinees->firstByCode(RandomCode(random, seeded.count())));
    }
}

void BM_WriteAnswerCell(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    // Every write must change the stored value: SQLite skips rewriting an identical record,
    // and such a commit never reaches the disk. The generator and the shadow of what was
    // written outlive the repetitions for the same reason.
    static std::mt19937 random(11);
    static std::map<std::pair<int, int>, int> written;
    std::uniform_int_distribution<int> pickCode(1, seeded.count());
    std::uniform_int_distribution<int> pickItem(1, kItemCount);
    int failed = 0;
    for (auto _ : state) {
        const int code = pickCode(random);
        const int item = pickItem(random);
        const auto key = std::make_pair(seeded.count() * 1000 + code, item);
        const auto found = written.find(key);
        const int old = found != written.end() ? found->second : (code + item) % 6 + 1;
        const int value = old % 6 + 1;
        written[key] = value;
        failed += !seeded.answers->setCell(QString::number(code), item, QString::number(value));
    }
    state.counters["failed"] = failed;
}

void BM_ReadAnswerRow(benchmark::State& state) {
    SeededDatabase& seeded = Seeded(static_cast<int>(state.range(0)));
    std::mt19937 random(13);
    for (auto _ : state) {
        benchmark::DoNotOptimize(seeded.answers->row(RandomCode(random, seeded.count())));
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5);
}

} // namespace

BENCHMARK(BM_FlushSmallFile)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_FlushNewSmallFile)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_AddExaminee)->Apply(Sizes);
BENCHMARK(BM_WriteAnswerCell)->Apply(Sizes);
BENCHMARK(BM_FindExamineeByCode)->Apply(Sizes);
BENCHMARK(BM_ReadAnswerRow)->Apply(Sizes);
