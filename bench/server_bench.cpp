// The everyday store operations on the clinic's PostgreSQL server over loopback, at 100 and
// 100,000 examinees: an answer write, an examinee look-up by code, the first page of a list
// and a search keystroke. The examinees are those of the search benchmarks, each with a full
// answer row, moved to a fresh server database as a clinic moves its data. Run under a
// throw-away server: pg_virtualenv build/bin/morvalen_server_bench
#include "SearchDatabase.h"

#include "store/ExamineeListModel.h"
#include "store/ServerMove.h"

#include <QSqlError>
#include <QUuid>

#include <benchmark/benchmark.h>

#include <random>

using namespace morvalen;
using namespace morvalen::bench;
using namespace Qt::StringLiterals;

namespace {

// A fresh database on the server libpq's environment names (PGHOST, PGPORT, PGUSER).
ServerConnection FreshServerDatabase() {
    ServerConnection server;
    server.host = qEnvironmentVariable("PGHOST", u"localhost"_s);
    server.port = qEnvironmentVariableIntValue("PGPORT") > 0 ? qEnvironmentVariableIntValue("PGPORT") : 5432;
    server.user = qEnvironmentVariable("PGUSER", u"postgres"_s);
    server.database = u"postgres"_s;
    QString error;
    auto admin = Database::openServer(server, &error);
    if (!admin) {
        qFatal("no server: %s", qPrintable(error));
    }
    server.database = u"morvalen_bench_"_s + QUuid::createUuid().toString(QUuid::Id128).left(12);
    if (!admin->exec(u"CREATE DATABASE "_s + server.database)) {
        qFatal("no database: %s", qPrintable(admin->lastError()));
    }
    return server;
}

class ServerSeeded {
public:
    explicit ServerSeeded(int n) : count(n), local(n) {
        // Every examinee gets a full answer row of 3s, then the whole file goes to the server.
        QString columns = u"Code"_s;
        QString values = u"Code"_s;
        for (int item = 1; item <= kItemCount; ++item) {
            columns += u", \"%1\""_s.arg(item);
            values += u", '3'"_s;
        }
        if (!local.db->exec(u"INSERT INTO Answer1 ("_s + columns + u") SELECT "_s + values + u" FROM IDE"_s)) {
            qFatal("seeding failed: %s", qPrintable(local.db->lastError()));
        }
        local.db.reset();
        const MoveReport move = MoveToServer(local.folder(), FreshServerDatabase());
        if (move.outcome != MoveOutcome::Moved) {
            qFatal("move failed: %s", qPrintable(move.error));
        }
        db = Database::open(local.folder(), DatabaseFile::Main);
        examinees = std::make_unique<ExamineeStore>(*db);
        answers = std::make_unique<AnswerStore>(*db);
    }

    int count;
    SearchDatabase local;
    std::unique_ptr<Database> db;
    std::unique_ptr<ExamineeStore> examinees;
    std::unique_ptr<AnswerStore> answers;
};

ServerSeeded& Seeded(int n) {
    static std::map<int, std::unique_ptr<ServerSeeded>> databases;
    auto& db = databases[n];
    if (!db) {
        if (databases.size() == 1) {
            qAddPostRoutine([] { databases.clear(); });
        }
        db = std::make_unique<ServerSeeded>(n);
    }
    return *db;
}

void BM_ServerWriteAnswerCell(benchmark::State& state) {
    ServerSeeded& seeded = Seeded(static_cast<int>(state.range(0)));
    // Every write changes the stored value, as a click on another answer does; the shadow of
    // what was written outlives the repetitions.
    static std::mt19937 random(11);
    static std::map<std::pair<int, int>, int> written;
    std::uniform_int_distribution<int> pickCode(1, seeded.count);
    std::uniform_int_distribution<int> pickItem(1, kItemCount);
    int failed = 0;
    for (auto _ : state) {
        const int code = pickCode(random);
        const int item = pickItem(random);
        const auto key = std::make_pair(seeded.count * 1000 + code, item);
        const auto found = written.find(key);
        const int value = (found != written.end() ? found->second : 3) % 6 + 1;
        written[key] = value;
        failed += !seeded.answers->setCell(QString::number(code), item, QString::number(value));
    }
    state.counters["failed"] = failed;
}

void BM_ServerFindExamineeByCode(benchmark::State& state) {
    ServerSeeded& seeded = Seeded(static_cast<int>(state.range(0)));
    std::mt19937 random(7);
    int missing = 0;
    for (auto _ : state) {
        missing += !seeded.examinees->firstByCode(
            QString::number(std::uniform_int_distribution<int>(1, seeded.count)(random)));
    }
    state.counters["missing"] = missing;
}

void BM_ServerFirstPageOfList(benchmark::State& state) {
    ServerSeeded& seeded = Seeded(static_cast<int>(state.range(0)));
    ExamineeListModel model(*seeded.db, ExamineeList::Registry);
    int rows = 0;
    for (auto _ : state) {
        model.reload();
        rows = model.rowCount();
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < model.columnCount(); ++column) {
                benchmark::DoNotOptimize(model.index(row, column).data());
            }
        }
    }
    state.counters["rows"] = rows;
}

void BM_ServerKeystrokeToFirstPage(benchmark::State& state) {
    ServerSeeded& seeded = Seeded(static_cast<int>(state.range(0)));
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

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond)->UseRealTime();
}

} // namespace

BENCHMARK(BM_ServerWriteAnswerCell)->Apply(Sizes);
BENCHMARK(BM_ServerFindExamineeByCode)->Apply(Sizes);
BENCHMARK(BM_ServerFirstPageOfList)->Apply(Sizes);
BENCHMARK(BM_ServerKeystrokeToFirstPage)->Apply(bench::KeystrokeArgs)->Unit(benchmark::kMillisecond)->UseRealTime();
