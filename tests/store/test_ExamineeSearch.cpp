// Searching the examinee lists: what a user types finds whom a user expects, newest first,
// a page at a time, and an open search holds no lock.
#include "store/Database.h"
#include "store/ExamineeListModel.h"
#include "store/ExamineeStore.h"
#include "support/TempProgramFolder.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

QStringList Codes(ExamineeListModel& model) {
    while (model.canFetchMore({})) {
        model.fetchMore({});
    }
    QStringList codes;
    for (int row = 0; row < model.rowCount(); ++row) {
        codes.append(model.value(row, u"Code"_s));
    }
    return codes;
}

class ExamineeSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
    }
    void add(const QString& code, const QString& name, const QString& phone = {},
             const QString& tester = {}) {
        Examinee e;
        e.code = code;
        e.fullName = name;
        e.phone = phone;
        e.tester = tester;
        ASSERT_TRUE(ExamineeStore(*db).add(e));
    }

    test::TempProgramFolder folder;
    std::unique_ptr<Database> db;
};

TEST_F(ExamineeSearch, FindsByAnyPartOfNameCodePhoneOrTester) {
    add(u"1"_s, u"علي رضايي"_s, u"09121112233"_s, u"دكتر كريمي"_s);
    add(u"2"_s, u"مريم رضايی"_s, u"09350000000"_s, u"Dr. Smith"_s); // Persian yeh stored
    add(u"3"_s, u"سارا مي‌رزايي"_s, u""_s, u""_s);     // ZWNJ stored
    add(u"14"_s, u"John Smith"_s, u"02188776655"_s, u"نگار"_s);
    add(u"25"_s, u"كاوه  نوري"_s, u"09134445566"_s, u"Dr. Smith"_s);
    const struct {
        QString typed;
        QStringList codes; // newest first
    } cases[] = {
        {u""_s, {u"25"_s, u"14"_s, u"3"_s, u"2"_s, u"1"_s}},
        {u"رضايي"_s, {u"2"_s, u"1"_s}},
        {u"رضایی"_s, {u"2"_s, u"1"_s}}, // typed with the Persian yeh
        {u"میرزایی"_s, {u"3"_s}},       // typed without the ZWNJ
        {u"کاوه نوری"_s, {u"25"_s}},    // one blank typed, two stored
        {u"smith"_s, {u"25"_s, u"14"_s, u"2"_s}},
        {u"SMITH"_s, {u"25"_s, u"14"_s, u"2"_s}},
        {u"john"_s, {u"14"_s}},
        {u"۰۹۱۲"_s, {u"1"_s}}, // Persian digits typed
        {u"4445"_s, {u"25"_s}},
        {u"14"_s, {u"14"_s}},                         // code
        {u"2"_s, {u"25"_s, u"14"_s, u"2"_s, u"1"_s}}, // one character: code or phone numbers holding it
        {u"كريمي"_s, {u"1"_s}},                       // tester
        {u"نگ"_s, {u"14"_s}},                         // two characters
        {u"زهرا"_s, {}},
        {u"\"'%_*"_s, {}}, // quotes and wildcards are plain text
        {u"   "_s, {u"25"_s, u"14"_s, u"3"_s, u"2"_s, u"1"_s}},
    };
    ExamineeListModel model(*db, ExamineeList::Registry);
    for (const auto& c : cases) {
        model.setSearch(c.typed);
        EXPECT_EQ(Codes(model), c.codes) << c.typed.toStdString();
        EXPECT_EQ(model.search(), c.typed);
    }
}

TEST_F(ExamineeSearch, DatabaseWithoutTheIndexIsSearchedAllTheSame) {
    if (test::TempProgramFolder::onServer()) {
        GTEST_SKIP() << "a server database is made at the current version; only a file can lack the index";
    }
    add(u"1"_s, u"علي رضايي"_s);
    add(u"2"_s, u"مريم كريمي"_s);
    // As a backup of the first release has it, until the next start upgrades it.
    for (const QString& drop :
         {u"DROP TRIGGER ExamineeSearch_Insert"_s, u"DROP TRIGGER ExamineeSearch_Update"_s,
          u"DROP TRIGGER ExamineeSearch_Delete"_s, u"DROP TABLE ExamineeSearch"_s}) {
        ASSERT_TRUE(db->exec(drop)) << db->lastError().toStdString();
    }
    add(u"3"_s, u"سارا رضايي"_s);
    ExamineeListModel model(*db, ExamineeList::Brief);
    model.setSearch(u"رضایی"_s);
    EXPECT_EQ(Codes(model), (QStringList{u"3"_s, u"1"_s}));
    model.setSearch(u"ك"_s);
    EXPECT_EQ(Codes(model), QStringList{u"2"_s});
}

TEST_F(ExamineeSearch, PagesThroughManyMatchesNewestFirst) {
    const int total = 2 * ExamineeListModel::kPageSize + 7;
    ASSERT_TRUE(db->exec(u"BEGIN"_s));
    for (int i = 1; i <= total; ++i) {
        // Every third one matches; the others hold neither the name nor its first letter.
        add(QString::number(i), i % 3 == 0 ? u"پريسا رضايي %1"_s.arg(i) : u"كامبيز %1"_s.arg(i));
    }
    ASSERT_TRUE(db->exec(u"COMMIT"_s));
    QStringList expected;
    for (int i = total; i >= 1; --i) {
        if (i % 3 == 0) {
            expected.append(QString::number(i));
        }
    }
    for (const QString& typed : {u"رضايي"_s, u"پر"_s}) { // by the index, and one by one
        ExamineeListModel model(*db, ExamineeList::Brief);
        model.setSearch(typed);
        EXPECT_EQ(model.rowCount(), std::min<int>(ExamineeListModel::kPageSize, expected.size()));
        EXPECT_EQ(Codes(model), expected) << typed.toStdString();

        // The open list holds no lock: another connection saves meanwhile.
        auto other = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(other);
        Examinee e;
        e.code = u"new"_s;
        e.fullName = u"پريسا رضايي نو"_s;
        ASSERT_TRUE(ExamineeStore(*other).add(e));
        model.reload();
        EXPECT_EQ(model.value(0, u"Code"_s), u"new"_s);
        QSqlQuery remove(other->handle());
        ASSERT_TRUE(remove.exec(u"DELETE FROM IDE WHERE Code = 'new'"_s));
    }
}

} // namespace
} // namespace morvalen
