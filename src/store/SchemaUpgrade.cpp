#include "store/SchemaUpgrade.h"

#include "core/SearchText.h"
#include "store/Database.h"
#include "store/ServerConnection.h"
#include "store/ServerSchema.h"

#include <QFile>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <memory>
#include <string>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The numbered steps; step n brings version n - 1 to version n. A step only adds: the
// first release's tables, columns and view stay exactly as they are.
struct UpgradeStep {
    int version;
    const char* sql;
};

// The search index and its filling from IDE: step 1 adds it, and a repair makes it again
// from the same text, so a made-again index has exactly the released schema.
#define MORVALEN_SEARCH_INDEX                                                                                \
    "\nCREATE VIRTUAL TABLE ExamineeSearch USING fts5(Text, tokenize = 'trigram');\n"                        \
    "INSERT INTO ExamineeSearch (rowid, Text)\n"                                                             \
    "  SELECT id, morvalen_search_text(FullName, Code, TelNummer1, Tester) FROM IDE;\n"

constexpr UpgradeStep kSteps[] = {
    // The search index: one row per examinee, rowid = IDE.id, holding the search text of
    // the name, code, phone number and tester's name. A trigram index finds any part of
    // them without reading every row; the triggers keep it in step with IDE.
    {1, MORVALEN_SEARCH_INDEX R"sql(
CREATE TRIGGER ExamineeSearch_Insert AFTER INSERT ON IDE BEGIN
  INSERT INTO ExamineeSearch (rowid, Text)
    VALUES (new.id, morvalen_search_text(new.FullName, new.Code, new.TelNummer1, new.Tester));
END;
CREATE TRIGGER ExamineeSearch_Update AFTER UPDATE OF id, FullName, Code, TelNummer1, Tester ON IDE BEGIN
  DELETE FROM ExamineeSearch WHERE rowid = old.id;
  INSERT INTO ExamineeSearch (rowid, Text)
    VALUES (new.id, morvalen_search_text(new.FullName, new.Code, new.TelNummer1, new.Tester));
END;
CREATE TRIGGER ExamineeSearch_Delete AFTER DELETE ON IDE BEGIN
  DELETE FROM ExamineeSearch WHERE rowid = old.id;
END;
)sql"},
    // Kept answer sheets: one row per sheet an examinee has answered and the clinician kept,
    // numbered per examinee from 1, with the Persian date and the local time it was kept, the
    // tester's name at that moment, a note and the 232 answers as they were. Answer1 stays the
    // working sheet; a kept row is only ever added or deleted, never changed.
    {2, R"sql(
CREATE TABLE Administration (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Code TEXT NOT NULL,
  Number INTEGER NOT NULL,
  PersianDate TEXT NOT NULL,
  KeptAt TEXT NOT NULL,
  Tester TEXT,
  Note TEXT,
  "1" TEXT, "2" TEXT, "3" TEXT, "4" TEXT, "5" TEXT, "6" TEXT, "7" TEXT, "8" TEXT, "9" TEXT,
  "10" TEXT, "11" TEXT, "12" TEXT, "13" TEXT, "14" TEXT, "15" TEXT, "16" TEXT, "17" TEXT, "18" TEXT,
  "19" TEXT, "20" TEXT, "21" TEXT, "22" TEXT, "23" TEXT, "24" TEXT, "25" TEXT, "26" TEXT, "27" TEXT,
  "28" TEXT, "29" TEXT, "30" TEXT, "31" TEXT, "32" TEXT, "33" TEXT, "34" TEXT, "35" TEXT, "36" TEXT,
  "37" TEXT, "38" TEXT, "39" TEXT, "40" TEXT, "41" TEXT, "42" TEXT, "43" TEXT, "44" TEXT, "45" TEXT,
  "46" TEXT, "47" TEXT, "48" TEXT, "49" TEXT, "50" TEXT, "51" TEXT, "52" TEXT, "53" TEXT, "54" TEXT,
  "55" TEXT, "56" TEXT, "57" TEXT, "58" TEXT, "59" TEXT, "60" TEXT, "61" TEXT, "62" TEXT, "63" TEXT,
  "64" TEXT, "65" TEXT, "66" TEXT, "67" TEXT, "68" TEXT, "69" TEXT, "70" TEXT, "71" TEXT, "72" TEXT,
  "73" TEXT, "74" TEXT, "75" TEXT, "76" TEXT, "77" TEXT, "78" TEXT, "79" TEXT, "80" TEXT, "81" TEXT,
  "82" TEXT, "83" TEXT, "84" TEXT, "85" TEXT, "86" TEXT, "87" TEXT, "88" TEXT, "89" TEXT, "90" TEXT,
  "91" TEXT, "92" TEXT, "93" TEXT, "94" TEXT, "95" TEXT, "96" TEXT, "97" TEXT, "98" TEXT, "99" TEXT,
  "100" TEXT, "101" TEXT, "102" TEXT, "103" TEXT, "104" TEXT, "105" TEXT, "106" TEXT, "107" TEXT,
  "108" TEXT, "109" TEXT, "110" TEXT, "111" TEXT, "112" TEXT, "113" TEXT, "114" TEXT, "115" TEXT,
  "116" TEXT, "117" TEXT, "118" TEXT, "119" TEXT, "120" TEXT, "121" TEXT, "122" TEXT, "123" TEXT,
  "124" TEXT, "125" TEXT, "126" TEXT, "127" TEXT, "128" TEXT, "129" TEXT, "130" TEXT, "131" TEXT,
  "132" TEXT, "133" TEXT, "134" TEXT, "135" TEXT, "136" TEXT, "137" TEXT, "138" TEXT, "139" TEXT,
  "140" TEXT, "141" TEXT, "142" TEXT, "143" TEXT, "144" TEXT, "145" TEXT, "146" TEXT, "147" TEXT,
  "148" TEXT, "149" TEXT, "150" TEXT, "151" TEXT, "152" TEXT, "153" TEXT, "154" TEXT, "155" TEXT,
  "156" TEXT, "157" TEXT, "158" TEXT, "159" TEXT, "160" TEXT, "161" TEXT, "162" TEXT, "163" TEXT,
  "164" TEXT, "165" TEXT, "166" TEXT, "167" TEXT, "168" TEXT, "169" TEXT, "170" TEXT, "171" TEXT,
  "172" TEXT, "173" TEXT, "174" TEXT, "175" TEXT, "176" TEXT, "177" TEXT, "178" TEXT, "179" TEXT,
  "180" TEXT, "181" TEXT, "182" TEXT, "183" TEXT, "184" TEXT, "185" TEXT, "186" TEXT, "187" TEXT,
  "188" TEXT, "189" TEXT, "190" TEXT, "191" TEXT, "192" TEXT, "193" TEXT, "194" TEXT, "195" TEXT,
  "196" TEXT, "197" TEXT, "198" TEXT, "199" TEXT, "200" TEXT, "201" TEXT, "202" TEXT, "203" TEXT,
  "204" TEXT, "205" TEXT, "206" TEXT, "207" TEXT, "208" TEXT, "209" TEXT, "210" TEXT, "211" TEXT,
  "212" TEXT, "213" TEXT, "214" TEXT, "215" TEXT, "216" TEXT, "217" TEXT, "218" TEXT, "219" TEXT,
  "220" TEXT, "221" TEXT, "222" TEXT, "223" TEXT, "224" TEXT, "225" TEXT, "226" TEXT, "227" TEXT,
  "228" TEXT, "229" TEXT, "230" TEXT, "231" TEXT, "232" TEXT,
  UNIQUE (Code, Number)
);
)sql"},
    // The second typing of a paper sheet, kept apart from Answer1 until it is compared with
    // it: one row per examinee, the 232 cells as typed, when the typing began, the figures of
    // the first comparison and when every difference was settled.
    {3, R"sql(
CREATE TABLE SecondEntry (
  Code TEXT NOT NULL,
  "1" TEXT, "2" TEXT, "3" TEXT, "4" TEXT, "5" TEXT, "6" TEXT, "7" TEXT, "8" TEXT, "9" TEXT,
  "10" TEXT, "11" TEXT, "12" TEXT, "13" TEXT, "14" TEXT, "15" TEXT, "16" TEXT, "17" TEXT,
  "18" TEXT, "19" TEXT, "20" TEXT, "21" TEXT, "22" TEXT, "23" TEXT, "24" TEXT, "25" TEXT,
  "26" TEXT, "27" TEXT, "28" TEXT, "29" TEXT, "30" TEXT, "31" TEXT, "32" TEXT, "33" TEXT,
  "34" TEXT, "35" TEXT, "36" TEXT, "37" TEXT, "38" TEXT, "39" TEXT, "40" TEXT, "41" TEXT,
  "42" TEXT, "43" TEXT, "44" TEXT, "45" TEXT, "46" TEXT, "47" TEXT, "48" TEXT, "49" TEXT,
  "50" TEXT, "51" TEXT, "52" TEXT, "53" TEXT, "54" TEXT, "55" TEXT, "56" TEXT, "57" TEXT,
  "58" TEXT, "59" TEXT, "60" TEXT, "61" TEXT, "62" TEXT, "63" TEXT, "64" TEXT, "65" TEXT,
  "66" TEXT, "67" TEXT, "68" TEXT, "69" TEXT, "70" TEXT, "71" TEXT, "72" TEXT, "73" TEXT,
  "74" TEXT, "75" TEXT, "76" TEXT, "77" TEXT, "78" TEXT, "79" TEXT, "80" TEXT, "81" TEXT,
  "82" TEXT, "83" TEXT, "84" TEXT, "85" TEXT, "86" TEXT, "87" TEXT, "88" TEXT, "89" TEXT,
  "90" TEXT, "91" TEXT, "92" TEXT, "93" TEXT, "94" TEXT, "95" TEXT, "96" TEXT, "97" TEXT,
  "98" TEXT, "99" TEXT, "100" TEXT, "101" TEXT, "102" TEXT, "103" TEXT, "104" TEXT, "105" TEXT,
  "106" TEXT, "107" TEXT, "108" TEXT, "109" TEXT, "110" TEXT, "111" TEXT, "112" TEXT, "113" TEXT,
  "114" TEXT, "115" TEXT, "116" TEXT, "117" TEXT, "118" TEXT, "119" TEXT, "120" TEXT, "121" TEXT,
  "122" TEXT, "123" TEXT, "124" TEXT, "125" TEXT, "126" TEXT, "127" TEXT, "128" TEXT, "129" TEXT,
  "130" TEXT, "131" TEXT, "132" TEXT, "133" TEXT, "134" TEXT, "135" TEXT, "136" TEXT, "137" TEXT,
  "138" TEXT, "139" TEXT, "140" TEXT, "141" TEXT, "142" TEXT, "143" TEXT, "144" TEXT, "145" TEXT,
  "146" TEXT, "147" TEXT, "148" TEXT, "149" TEXT, "150" TEXT, "151" TEXT, "152" TEXT, "153" TEXT,
  "154" TEXT, "155" TEXT, "156" TEXT, "157" TEXT, "158" TEXT, "159" TEXT, "160" TEXT, "161" TEXT,
  "162" TEXT, "163" TEXT, "164" TEXT, "165" TEXT, "166" TEXT, "167" TEXT, "168" TEXT, "169" TEXT,
  "170" TEXT, "171" TEXT, "172" TEXT, "173" TEXT, "174" TEXT, "175" TEXT, "176" TEXT, "177" TEXT,
  "178" TEXT, "179" TEXT, "180" TEXT, "181" TEXT, "182" TEXT, "183" TEXT, "184" TEXT, "185" TEXT,
  "186" TEXT, "187" TEXT, "188" TEXT, "189" TEXT, "190" TEXT, "191" TEXT, "192" TEXT, "193" TEXT,
  "194" TEXT, "195" TEXT, "196" TEXT, "197" TEXT, "198" TEXT, "199" TEXT, "200" TEXT, "201" TEXT,
  "202" TEXT, "203" TEXT, "204" TEXT, "205" TEXT, "206" TEXT, "207" TEXT, "208" TEXT, "209" TEXT,
  "210" TEXT, "211" TEXT, "212" TEXT, "213" TEXT, "214" TEXT, "215" TEXT, "216" TEXT, "217" TEXT,
  "218" TEXT, "219" TEXT, "220" TEXT, "221" TEXT, "222" TEXT, "223" TEXT, "224" TEXT, "225" TEXT,
  "226" TEXT, "227" TEXT, "228" TEXT, "229" TEXT, "230" TEXT, "231" TEXT, "232" TEXT,
  EntryDate TEXT, EntryTime TEXT,
  Compared INTEGER, Differences INTEGER, ComparedDate TEXT,
  SettledDate TEXT, SettledTime TEXT
);
CREATE UNIQUE INDEX SecondEntry_Code ON SecondEntry (Code);
)sql"},
    // The restore number: a restore gives it a new value in the same transaction as the
    // restored rows, and a window that read its examinee under the old value writes nothing.
    {4, R"sql(
CREATE TABLE RestoreMark (Number INTEGER NOT NULL);
INSERT INTO RestoreMark (Number) VALUES (0);
)sql"},
};

// morvalen_search_text(field, ...): the search text of each field, joined by the unit
// separator, which the search text of a typed query never holds, so no match spans two
// fields.
void SearchTextFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    std::string joined;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) {
            joined += '\x1f';
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[i]));
        if (text) {
            joined +=
                SearchText(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[i]))));
        }
    }
    sqlite3_result_text(context, joined.data(), static_cast<int>(joined.size()), SQLITE_TRANSIENT);
}

bool Exec(sqlite3* db, const char* sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        if (error) {
            *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        }
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool ReadVersion(sqlite3* db, int* version, QString* error) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        *version = sqlite3_column_int(statement, 0);
    } else {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_ROW;
}

// One step's transaction: its own when none is open, else a savepoint in the caller's.
class StepTransaction {
public:
    explicit StepTransaction(sqlite3* db) : m_db(db), m_own(sqlite3_get_autocommit(db) != 0) {}
    ~StepTransaction() {
        if (m_begun) {
            if (m_own) {
                Exec(m_db, "ROLLBACK", nullptr);
            } else {
                Exec(m_db, "ROLLBACK TO schema_upgrade; RELEASE schema_upgrade", nullptr);
            }
        }
    }
    StepTransaction(const StepTransaction&) = delete;
    StepTransaction& operator=(const StepTransaction&) = delete;

    bool begin(QString* error) {
        // Immediate: the write lock is taken before the version is read, so two programs
        // starting at once cannot both run a step.
        m_begun = Exec(m_db, m_own ? "BEGIN IMMEDIATE" : "SAVEPOINT schema_upgrade", error);
        return m_begun;
    }
    bool commit(QString* error) {
        if (!Exec(m_db, m_own ? "COMMIT" : "RELEASE schema_upgrade", error)) {
            return false;
        }
        m_begun = false;
        return true;
    }

private:
    sqlite3* m_db;
    bool m_own;
    bool m_begun = false;
};

} // namespace

int CurrentSchemaVersion() {
    return std::end(kSteps)[-1].version;
}

bool RegisterSqlFunctions(sqlite3* db) {
    return db && sqlite3_create_function_v2(db, "morvalen_search_text", -1,
                                            SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                            SearchTextFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

namespace {

bool HasSearchIndex(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE name = 'ExamineeSearch'", -1, &statement,
                           nullptr) != SQLITE_OK) {
        return false;
    }
    const bool found = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return found;
}

struct ConnectionCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using OwnConnection = std::unique_ptr<sqlite3, ConnectionCloser>;

OwnConnection OpenForRepair(const QString& path, QString* error) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    OwnConnection db(raw);
    if (rc != SQLITE_OK || !RegisterSqlFunctions(raw)) {
        if (error) {
            *error = QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        }
        return nullptr;
    }
    sqlite3_busy_timeout(raw, 2000);
    return db;
}

} // namespace

bool SearchIndexSound(sqlite3* db, QString* why) {
    if (!HasSearchIndex(db)) {
        return true; // a first-release file has none yet; the upgrade makes it from IDE
    }
    // FTS5's own check reads every blob of the index against its stored text, which SQLite's
    // integrity check does not look into.
    if (!Exec(db, "INSERT INTO ExamineeSearch (ExamineeSearch) VALUES ('integrity-check')", why)) {
        return false;
    }
    // Its text must also be the text of the examinee of the same id, one row for each.
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(
            db,
            "SELECT (SELECT count(*) FROM ExamineeSearch) = (SELECT count(*) FROM IDE) AND "
            "NOT EXISTS (SELECT 1 FROM IDE LEFT JOIN ExamineeSearch s ON s.rowid = IDE.id WHERE "
            "s.Text IS NOT morvalen_search_text(IDE.FullName, IDE.Code, IDE.TelNummer1, "
            "IDE.Tester))",
            -1, &statement, nullptr) != SQLITE_OK) {
        if (why) {
            *why = QString::fromUtf8(sqlite3_errmsg(db));
        }
        return false;
    }
    const bool inStep = sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_int(statement, 0) == 1;
    if (!inStep && why) {
        *why = u"the search index is out of step with the examinees"_s;
    }
    sqlite3_finalize(statement);
    return inStep;
}

bool RebuildSearchIndex(const QString& path, QString* error) {
    {
        OwnConnection db = OpenForRepair(path, error);
        if (!db) {
            return false;
        }
        if (!HasSearchIndex(db.get())) {
            return true;
        }
        if (Exec(db.get(), "BEGIN IMMEDIATE; DROP TABLE ExamineeSearch;" MORVALEN_SEARCH_INDEX "COMMIT;",
                 error)) {
            return true;
        }
        Exec(db.get(), "ROLLBACK", nullptr);
        // Dropping the index opens it, which fails when its own record of its blobs is damaged.
        // Its entry is then taken out of the schema alone; its tables, plain tables from then
        // on, are dropped below on a connection that reads the schema again.
        if (!Exec(db.get(),
                  "BEGIN IMMEDIATE; PRAGMA writable_schema = ON; "
                  "DELETE FROM sqlite_master WHERE type = 'table' AND name = 'ExamineeSearch'; "
                  "PRAGMA writable_schema = OFF; COMMIT;",
                  error)) {
            Exec(db.get(), "ROLLBACK", nullptr);
            return false;
        }
    }
    OwnConnection db = OpenForRepair(path, error);
    if (!db) {
        return false;
    }
    if (!Exec(db.get(),
              "BEGIN IMMEDIATE; DROP TABLE IF EXISTS ExamineeSearch_data; DROP TABLE IF EXISTS "
              "ExamineeSearch_idx; "
              "DROP TABLE IF EXISTS ExamineeSearch_content; DROP TABLE IF EXISTS ExamineeSearch_docsize; "
              "DROP TABLE IF EXISTS ExamineeSearch_config;" MORVALEN_SEARCH_INDEX "COMMIT;",
              error)) {
        Exec(db.get(), "ROLLBACK", nullptr);
        return false;
    }
    return true;
}

sqlite3* SqliteHandle(Database& db) {
    const QVariant handle = db.handle().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3* const*>(handle.constData());
}

SchemaUpgrade UpgradeMainDatabase(sqlite3* db) {
    return UpgradeMainDatabase(db, CurrentSchemaVersion());
}

bool ReadSchemaVersion(sqlite3* db, int* version, QString* error) {
    QString ignored;
    return db && ReadVersion(db, version, error ? error : &ignored);
}

SchemaUpgrade UpgradeMainDatabase(sqlite3* db, int toVersion) {
    SchemaUpgrade result;
    if (!db) {
        result.error = u"no connection"_s;
        return result;
    }
    if (!ReadVersion(db, &result.fromVersion, &result.error)) {
        return result;
    }
    if (result.fromVersion > CurrentSchemaVersion()) {
        result.outcome = UpgradeOutcome::TooNew;
        return result;
    }
    bool upgraded = false;
    for (const UpgradeStep& step : kSteps) {
        if (step.version > toVersion) {
            break;
        }
        StepTransaction transaction(db);
        int version = 0;
        if (!transaction.begin(&result.error) || !ReadVersion(db, &version, &result.error)) {
            return result;
        }
        if (version > CurrentSchemaVersion()) {
            result.outcome = UpgradeOutcome::TooNew;
            return result;
        }
        if (version >= step.version) {
            continue; // done already (by another program meanwhile); rolled back unchanged
        }
        const std::string setVersion = "PRAGMA user_version = " + std::to_string(step.version);
        if (!Exec(db, step.sql, &result.error) || !Exec(db, setVersion.c_str(), &result.error) ||
            !transaction.commit(&result.error)) {
            result.error = u"step %1: %2"_s.arg(step.version).arg(result.error);
            return result;
        }
        upgraded = true;
    }
    result.outcome = upgraded ? UpgradeOutcome::Upgraded : UpgradeOutcome::UpToDate;
    return result;
}

SchemaUpgrade UpgradeMainDatabase(Database& db) {
    if (db.isServer()) {
        return UpgradeServerDatabase(db);
    }
    return UpgradeMainDatabase(SqliteHandle(db));
}

QString UpgradeProgramDatabase(const QString& programFolder) {
    QString error;
    std::optional<DatabaseChoice> choice = DatabaseChoice{};
    if (!LocalForSession(programFolder)) {
        choice = ReadDatabaseChoice(programFolder, &error);
    }
    if (!choice) {
        return u"فايل «%1» در پوشه برنامه خراب است.\r\n%2\r\n\r\nبرنامه بسته مي شود."_s.arg(
            ConnectionFileName(), error);
    }
    // The messages name what the user knows: the file of this workstation, or the database on
    // the clinic's server.
    const bool onServer = choice->isServer();
    const QString name = onServer ? u"پايگاه داده «%1» روي سرور «%2»"_s.arg(choice->server.database,
                                                                            ServerAddressText(choice->server))
                                  : u"فايل بانك اطلاعات «%1»"_s.arg(DatabaseFileName(DatabaseFile::Main));
    auto db = Database::open(programFolder, DatabaseFile::Main, &error);
    if (!db && onServer) {
        return u"اتصال به سرور «%1» برقرار نشد.\r\n%2\r\n\r\nبرنامه بسته مي شود."_s.arg(
            ServerAddressText(choice->server), error);
    }
    SchemaUpgrade upgrade;
    if (db) {
        bool empty = false;
        if (db->isServer() && IsEmptyServerDatabase(*db, &empty, &error) && empty) {
            return name + u" خالي است.\r\n\r\nاز تنظيمات برنامه، «انتقال اطلاعات اين رايانه به سرور» را "
                          u"بزنيد. برنامه بسته مي شود."_s;
        }
        upgrade = UpgradeMainDatabase(*db);
        error = upgrade.error;
    }
    switch (upgrade.outcome) {
    case UpgradeOutcome::UpToDate:
    case UpgradeOutcome::Upgraded:
        return {};
    case UpgradeOutcome::TooNew:
        return name + u" با نسخه جديدتري از برنامه ساخته شده است.\r\n\r\n"
                      u"نسخه جديد برنامه را نصب كنيد. برنامه بسته مي شود."_s;
    case UpgradeOutcome::Failed:
        break;
    }
    return name + u" به روز نشد.\r\n%1\r\n\r\nبرنامه بسته مي شود."_s.arg(error);
}

} // namespace morvalen
