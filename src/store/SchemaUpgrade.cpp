#include "store/SchemaUpgrade.h"

#include "core/SearchText.h"
#include "store/Database.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

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

constexpr UpgradeStep kSteps[] = {
    // The search index: one row per examinee, rowid = IDE.id, holding the search text of
    // the name, code, phone number and tester's name. A trigram index finds any part of
    // them without reading every row; the triggers keep it in step with IDE.
    {1, R"sql(
CREATE VIRTUAL TABLE ExamineeSearch USING fts5(Text, tokenize = 'trigram');
INSERT INTO ExamineeSearch (rowid, Text)
  SELECT id, morvalen_search_text(FullName, Code, TelNummer1, Tester) FROM IDE;
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
    return UpgradeMainDatabase(SqliteHandle(db));
}

QString UpgradeProgramDatabase(const QString& programFolder) {
    const QString name = DatabaseFileName(DatabaseFile::Main);
    QString error;
    auto db = Database::open(programFolder, DatabaseFile::Main, &error);
    SchemaUpgrade upgrade;
    if (db) {
        upgrade = UpgradeMainDatabase(*db);
        error = upgrade.error;
    }
    switch (upgrade.outcome) {
    case UpgradeOutcome::UpToDate:
    case UpgradeOutcome::Upgraded:
        return {};
    case UpgradeOutcome::TooNew:
        return u"فايل بانك اطلاعات «%1» با نسخه جديدتري از برنامه ساخته شده است.\r\n\r\n"
               u"نسخه جديد برنامه را نصب كنيد. برنامه بسته مي شود."_s.arg(name);
    case UpgradeOutcome::Failed:
        break;
    }
    return u"فايل بانك اطلاعات «%1» به روز نشد.\r\n%2\r\n\r\nبرنامه بسته مي شود."_s.arg(name, error);
}

} // namespace morvalen
