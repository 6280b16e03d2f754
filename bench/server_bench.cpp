// The everyday store operations on the clinic's PostgreSQL server over loopback, beside the
// same on the local file, at 100 and 100,000 examinees: an answer write, an examinee look-up by code, the
// first page of a list and a search keystroke. The examinees are those of the search benchmarks, each with a
// full answer row, moved to a fresh server database as a clinic moves its data. Run under a throw-away server
// with the flush of a real one: pg_virtualenv -t -o fsync=on build/bin/morvalen_server_bench
#include "SearchDatabase.h"

#include "store/ExamineeListModel.h"
#include "store/ServerMove.h"

#include <QSqlError>
#include <QSqlQuery>
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
        if (!local.db->exec(u"INSERT INTO Answer1 ("_s + columns + u") SELECT "_s + values +
                            u" FROM IDE"_s)) {
            qFatal("seeding failed: %s", qPrintable(local.db->lastError()));
        }
        local.db.reset();
        const MoveReport move = MoveToServer(local.folder(), FreshServerDatabase());
        if (move.outcome != MoveOutcome::Moved) {
            qFatal("move failed: %s", qPrintable(move.error));
        }
        sides[kServer].db = Database::open(local.folder(), DatabaseFile::Main);
        // The local file keeps the same rows after the move: the figures beside the server's.
        sides[kLocal].db = Database::open(local.folder() + u"/morvalen.mdb"_s, Database::Mode::ReadWrite);
        for (Side& side : sides) {
            if (!side.db) {
                qFatal("no database");
            }
            side.examinees = std::make_unique<ExamineeStore>(*side.db);
            side.answers = std::make_unique<AnswerStore>(*side.db);
        }
    }

    struct Side {
        std::unique_ptr<Database> db;
        std::unique_ptr<ExamineeStore> examinees;
        std::unique_ptr<AnswerStore> answers;
    };
    static constexpr int kLocal = 0;
    static constexpr int kServer = 1;

    int count;
    SearchDatabase local;
    Side sides[2];
};

const char* SideName(int side) {
    return side == ServerSeeded::kServer ? "server" : "local file";
}

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

void BM_WriteAnswerCell(benchmark::State& state) {
    ServerSeeded& seeded = Seeded(static_cast<int>(state.range(0)));
    ServerSeeded::Side& side = seeded.sides[state.range(1)];
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
        const auto key =
            std::make_pair((seeded.count * 2 + static_cast<int>(state.range(1))) * 1000 + code, item);
        const auto found = written.find(key);
        const int value = (found != written.end() ? found->second : 3) % 6 + 1;
        written[key] = value;
        failed += !side.answers->setCell(QString::number(code), item, QString::number(value));
    }
    state.counters["failed"] = failed;
    // pg_virtualenv turns the server's flush off unless told (-o fsync=on); say which was measured.
    QSqlQuery fsync(seeded.sides[ServerSeeded::kServer].db->handle());
    const QString flush = fsync.exec(u"SHOW fsync"_s) && fsync.next() ? fsync.value(0).toString() : u"?"_s;
    state.SetLabel(
        std::string(SideName(static_cast<int>(state.range(1)))) +
        (state.range(1) == ServerSeeded::kServer ? ", fsync=" + flush.toStdString() : std::string()));
}

void BM_FindExamineeByCode(benchmark::State& state) {
    ServerSeeded& seeded = Seeded(static_cast<int>(state.range(0)));
    ServerSeeded::Side& side = seeded.sides[state.range(1)];
    std::mt19937 random(7);
    int missing = 0;
    for (auto _ : state) {
        missing += !side.examinees->firstByCode(
            QString::number(std::uniform_int_distribution<int>(1, seeded.count)(random)));
    }
    state.counters["missing"] = missing;
    state.SetLabel(SideName(state.range(1)));
}

void BM_FirstPageOfList(benchmark::State& state) {
    ServerSeeded& seeded = Seeded(static_cast<int>(state.range(0)));
    ExamineeListModel model(*seeded.sides[state.range(1)].db, ExamineeList::Registry);
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
    state.SetLabel(SideName(state.range(1)));
}

void BM_KeystrokeToFirstPage(benchmark::State& state) {
    ServerSeeded& seeded = Seeded(static_cast<int>(state.range(0)));
    const auto& keystroke = kKeystrokes[state.range(1)];
    Database& db = *seeded.sides[state.range(2)].db;
    ExamineeListModel model(db, ExamineeList::Registry);
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
    if (!db.lastError().isEmpty()) {
        state.SkipWithError(qPrintable(db.lastError()));
    }
    state.counters["rows"] = rows;
    state.SetLabel(std::string(SideName(state.range(2))) + ": " + keystroke.what);
}

// (examinees, side): the local file, then the server.
void Sizes(benchmark::internal::Benchmark* b) {
    for (const int n : {100, 100000}) {
        b->Args({n, ServerSeeded::kLocal})->Args({n, ServerSeeded::kServer});
    }
    b->Unit(benchmark::kMicrosecond)->UseRealTime();
}

// (examinees, keystroke, side).
void KeystrokesOnBothSides(benchmark::internal::Benchmark* b) {
    for (const int n : {100, 100000}) {
        for (int k = 0; k < static_cast<int>(std::size(kKeystrokes)); ++k) {
            b->Args({n, k, ServerSeeded::kLocal})->Args({n, k, ServerSeeded::kServer});
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(BM_WriteAnswerCell)->Apply(Sizes);
BENCHMARK(BM_FindExamineeByCode)->Apply(Sizes);
BENCHMARK(BM_FirstPageOfList)->Apply(Sizes);
BENCHMARK(BM_KeystrokeToFirstPage)->Apply(KeystrokesOnBothSides);
