// The typed operations the windows call, on a copy of the delivered main database.
#include "store/AnswerStore.h"
#include "store/ExamineeListModel.h"
#include "store/ExamineeStore.h"
#include "store/ExportStore.h"
#include "store/QuestionStore.h"
#include "store/ReportSectionStore.h"
#include "store/SchemaTextStore.h"
#include "store/SecondEntryStore.h"
#include "store/SettingsStore.h"
#include "support/TempProgramFolder.h"

#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

// Texts that break SQL built by pasting values: quotes, a statement end, Persian, CR LF.
const QString kAwkward = u"O'Neil \"q\" '); DROP TABLE IDE; -- علي‌رضا ك ک ي\r\nخط دوم"_s;

Examinee MakeExaminee(const QString& code, const QString& name = u"نام"_s) {
    Examinee e;
    e.fullName = name;
    e.age = u"34"_s;
    e.gender = u"زن"_s;
    e.maritalStatus = u"متاهل"_s;
    e.registrationDate = u"1402/05/09"_s;
    e.education = u"كارشناسي"_s;
    e.phone = u"09120000000"_s;
    e.tester = u"دكتر الف"_s;
    e.code = code;
    return e;
}

class Stores : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        examinees = std::make_unique<ExamineeStore>(*db);
        answers = std::make_unique<AnswerStore>(*db);
    }
    // Reopens the file, so a check reads what was committed and not a cached value.
    std::unique_ptr<Database> reopen() { return Database::open(folder.path(), DatabaseFile::Main); }

    test::TempProgramFolder folder;
    std::unique_ptr<Database> db;
    std::unique_ptr<ExamineeStore> examinees;
    std::unique_ptr<AnswerStore> answers;
};

TEST_F(Stores, ExamineeTextsRoundTripUnchanged) {
    Examinee e = MakeExaminee(u"1"_s, kAwkward);
    e.tester = kAwkward;
    e.education = kAwkward;
    const auto id = examinees->add(e);
    ASSERT_TRUE(id);
    ASSERT_TRUE(examinees->setComment(u"1"_s, kAwkward + kAwkward));

    auto again = reopen();
    ExamineeStore fresh(*again);
    const auto found = fresh.firstByCode(u"1"_s);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id, *id);
    EXPECT_EQ(found->fullName, kAwkward);
    EXPECT_EQ(found->tester, kAwkward);
    EXPECT_EQ(found->education, kAwkward);
    EXPECT_EQ(found->age, u"34"_s);
    EXPECT_EQ(found->registrationDate, u"1402/05/09"_s);
    EXPECT_EQ(fresh.comment(u"1"_s), kAwkward + kAwkward);
    EXPECT_EQ(fresh.count(), 1);
}

TEST_F(Stores, CodeRuleFollowsTheLastStoredExaminee) {
    EXPECT_EQ(examinees->assignCode(), u"1"_s);

    // "6" stored first, "5" last: the next code is one after "5", skipping the taken "6".
    ASSERT_TRUE(examinees->add(MakeExaminee(u"6"_s)));
    ASSERT_TRUE(examinees->add(MakeExaminee(u"5"_s)));
    EXPECT_EQ(examinees->codesInStorageOrder(), (QStringList{u"6"_s, u"5"_s}));
    EXPECT_EQ(examinees->assignCode(), u"7"_s);

    ASSERT_TRUE(examinees->add(MakeExaminee(u"7"_s)));
    ASSERT_TRUE(examinees->removeByCode(u"7"_s));
    EXPECT_EQ(examinees->assignCode(), u"7"_s) << "a deleted code is given again";
}

TEST_F(Stores, ChangeWritesOnlyTheEditedRow) {
    const auto first = examinees->add(MakeExaminee(u"1"_s, u"اول"_s));
    ASSERT_TRUE(examinees->add(MakeExaminee(u"2"_s, u"دوم"_s)));
    Examinee edited = MakeExaminee(u"ignored"_s, kAwkward);
    edited.id = *first;
    edited.age = u"41"_s;
    ASSERT_TRUE(examinees->change(edited));

    const auto one = examinees->firstByCode(u"1"_s);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->fullName, kAwkward);
    EXPECT_EQ(one->age, u"41"_s);
    EXPECT_EQ(one->code, u"1"_s) << "the code never changes";
    EXPECT_EQ(examinees->firstByCode(u"2"_s)->fullName, u"دوم"_s);

    edited.id = 999;
    EXPECT_FALSE(examinees->change(edited));
}

TEST_F(Stores, DeleteRemovesOnlyTheFirstMatchingRow) {
    if (test::TempProgramFolder::onServer()) {
        GTEST_SKIP() << "the server holds one examinee per code: no second row to leave alone";
    }
    ASSERT_TRUE(examinees->add(MakeExaminee(u"3"_s, u"a"_s)));
    ASSERT_TRUE(examinees->add(MakeExaminee(u"3"_s, u"b"_s)));
    ASSERT_TRUE(answers->addRow(u"3"_s));
    ASSERT_TRUE(examinees->removeByCode(u"3"_s));
    ASSERT_TRUE(answers->removeRow(u"3"_s));
    const auto left = examinees->findByCode(u"3"_s);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].fullName, u"b"_s);
    EXPECT_EQ(answers->hasRow(u"3"_s), false);
    EXPECT_FALSE(answers->removeRow(u"3"_s));
    EXPECT_FALSE(examinees->removeByCode(u"nope"_s));
}

// Two programs on one database registering at once, each from the code it showed a moment
// before its write: every examinee gets a code of its own and an answer row of its own.
TEST_F(Stores, TwoProgramsRegisteringAtOnceNeverShareACode) {
    std::vector<std::unique_ptr<QProcess>> children;
    for (int i = 0; i < 2; ++i) {
        auto& child = children.emplace_back(std::make_unique<QProcess>());
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->start(QString::fromUtf8(MORVALEN_WORKSTATION_CHILD),
                     {u"register"_s, folder.path(), u"30"_s, u"5"_s});
    }
    for (auto& child : children) {
        ASSERT_TRUE(child->waitForFinished(120000));
        EXPECT_EQ(child->exitCode(), 0);
    }
    const QStringList codes = examinees->codesInStorageOrder();
    EXPECT_EQ(codes.size(), 60);
    EXPECT_EQ(QSet<QString>(codes.begin(), codes.end()).size(), codes.size());
    QSqlQuery rows(db->handle());
    ASSERT_TRUE(rows.exec(u"SELECT count(*), count(DISTINCT Code) FROM Answer1"_s) && rows.next());
    EXPECT_EQ(rows.value(0).toInt(), codes.size()) << "one answer row per examinee";
    EXPECT_EQ(rows.value(1).toInt(), codes.size());
}

// A row asked for twice, or for a code that has one, stays one row.
TEST_F(Stores, AnAnswerRowIsNeverAddedTwice) {
    ASSERT_TRUE(answers->addRow(u"4"_s));
    ASSERT_TRUE(answers->setCell(u"4"_s, 1, u"6"_s));
    ASSERT_TRUE(answers->addRow(u"4"_s)) << "an existing row counts as added";
    ASSERT_TRUE(answers->ensureRow(u"4"_s));
    QSqlQuery rows(db->handle());
    ASSERT_TRUE(rows.exec(u"SELECT count(*) FROM Answer1 WHERE Code = '4'"_s) && rows.next());
    EXPECT_EQ(rows.value(0).toInt(), 1);
    EXPECT_EQ(answers->cell(u"4"_s, 1), u"6"_s) << "the existing row is kept";
}

TEST_F(Stores, AddWithAnswerRowMakesBothInOneCommit) {
    ASSERT_TRUE(examinees->addWithAnswerRow(MakeExaminee(u"1"_s)));
    EXPECT_EQ(answers->hasRow(u"1"_s), true);
    // An answer row already there (left by an import) is kept, not doubled.
    ASSERT_TRUE(answers->addRow(u"2"_s));
    ASSERT_TRUE(answers->setCell(u"2"_s, 1, u"5"_s));
    ASSERT_TRUE(examinees->addWithAnswerRow(MakeExaminee(u"2"_s)));
    QSqlQuery q(db->handle());
    ASSERT_TRUE(q.exec(u"SELECT count(*) FROM Answer1 WHERE Code = '2'"_s) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(answers->cell(u"2"_s, 1), u"5"_s);
}

TEST_F(Stores, AnswerCellsAreNamedByItemNumber) {
    ASSERT_TRUE(answers->addRow(u"9"_s));
    const auto empty = answers->row(u"9"_s);
    ASSERT_TRUE(empty);
    for (const QString& cell : *empty) {
        EXPECT_TRUE(cell.isEmpty());
    }
    ASSERT_TRUE(answers->setCell(u"9"_s, 1, u"1"_s));
    ASSERT_TRUE(answers->setCell(u"9"_s, 140, u"4"_s));
    ASSERT_TRUE(answers->setCell(u"9"_s, 232, u"6"_s));
    ASSERT_TRUE(answers->setCell(u"9"_s, 140, u"3"_s));
    for (const int bad : {0, 233, -1}) {
        EXPECT_FALSE(answers->setCell(u"9"_s, bad, u"2"_s)) << bad;
        EXPECT_TRUE(answers->cell(u"9"_s, bad).isEmpty()) << bad;
    }
    // No row for this code: nothing is written and nothing is created.
    EXPECT_FALSE(answers->setCell(u"10"_s, 5, u"2"_s));
    EXPECT_EQ(answers->hasRow(u"10"_s), false);

    auto again = reopen();
    QSqlQuery q(again->handle());
    ASSERT_TRUE(q.exec(u"SELECT \"1\", \"140\", \"232\", \"2\" FROM Answer1 WHERE Code = '9'"_s) && q.next());
    EXPECT_EQ(q.value(0).toString(), u"1"_s);
    EXPECT_EQ(q.value(1).toString(), u"3"_s);
    EXPECT_EQ(q.value(2).toString(), u"6"_s);
    EXPECT_TRUE(q.value(3).toString().isEmpty());
}

TEST_F(Stores, WholeAnswerRowWritesAndReadsInItemOrder) {
    ASSERT_TRUE(answers->ensureRow(u"4"_s));
    ASSERT_TRUE(answers->ensureRow(u"4"_s));
    AnswerRow row;
    for (int i = 0; i < kItemCount; ++i) {
        row[i] = QString::number(i % 6 + 1);
    }
    row[17] = QString();
    ASSERT_TRUE(answers->setRow(u"4"_s, row));
    EXPECT_EQ(answers->row(u"4"_s), row);
    EXPECT_EQ(answers->cell(u"4"_s, 7), u"1"_s);
    EXPECT_FALSE(answers->setRow(u"5"_s, row)) << "no row for this code";
    QSqlQuery q(db->handle());
    ASSERT_TRUE(q.exec(u"SELECT count(*) FROM Answer1"_s) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

TEST_F(Stores, QuestionTextsWithQuotesRoundTrip) {
    QuestionStore questions(*db);
    EXPECT_EQ(questions.count(), 232);
    EXPECT_TRUE(questions.text(232).contains(u"232"_s));
    ASSERT_TRUE(questions.setText(17, kAwkward));
    EXPECT_EQ(QuestionStore(*reopen()).text(17), kAwkward);
    EXPECT_TRUE(questions.text(16).contains(u"16"_s)) << "neighbour untouched";
    EXPECT_FALSE(questions.setText(233, u"x"_s));
    EXPECT_TRUE(questions.text(0).isEmpty());
}

TEST_F(Stores, SettingsRowRewritesTheFirstRow) {
    SettingsStore settings(*db);
    auto s = settings.read();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->theme, u"14"_s);
    EXPECT_EQ(s->logo, u"0"_s);
    s->name = kAwkward;
    s->email = u"a@b.c"_s;
    s->contactBlock = u"a@b.c\r\n"_s;
    s->logo = u"1"_s;
    ASSERT_TRUE(settings.write(*s));
    const auto back = SettingsStore(*reopen()).read();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, kAwkward);
    EXPECT_EQ(back->email, u"a@b.c"_s);
    EXPECT_EQ(back->contactBlock, u"a@b.c\r\n"_s);
    EXPECT_EQ(back->logo, u"1"_s);
    QSqlQuery q(db->handle());
    ASSERT_TRUE(q.exec(u"SELECT count(*) FROM Theme"_s) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

TEST_F(Stores, ExportRowsCarryCodeDemographicsAndAnswers) {
    ASSERT_TRUE(examinees->addWithAnswerRow(MakeExaminee(u"1"_s, kAwkward)));
    ASSERT_TRUE(answers->setCell(u"1"_s, 232, u"5"_s));
    ASSERT_TRUE(examinees->add(MakeExaminee(u"2"_s)));
    ExportStore exports(*db);
    const auto rows = exports.readAll();
    ASSERT_EQ(rows.size(), 1);
    ASSERT_EQ(rows[0].size(), ExportStore::kColumnCount);
    EXPECT_EQ(rows[0][0], u"1"_s);
    EXPECT_EQ(rows[0][1], kAwkward);
    EXPECT_EQ(rows[0][5], u"كارشناسي"_s);
    EXPECT_EQ(rows[0][237], u"5"_s);
}

TEST_F(Stores, ListModelsShowNewestFirstAPageAtATime) {
    const int total = ExamineeListModel::kPageSize + 5;
    ASSERT_TRUE(db->exec(u"BEGIN"_s));
    for (int i = 1; i <= total; ++i) {
        ASSERT_TRUE(examinees->add(MakeExaminee(QString::number(i))));
    }
    ASSERT_TRUE(db->exec(u"COMMIT"_s));
    ExamineeListModel model(*db, ExamineeList::Results);
    ASSERT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.rowCount(), ExamineeListModel::kPageSize);
    EXPECT_EQ(model.value(0, u"Code"_s), QString::number(total));
    EXPECT_EQ(model.index(0, 3).data().toString(), QString::number(total));
    ASSERT_TRUE(model.canFetchMore({}));
    model.fetchMore({});
    EXPECT_EQ(model.rowCount(), total);
    EXPECT_FALSE(model.canFetchMore({}));
    EXPECT_EQ(model.value(total - 1, u"Code"_s), u"1"_s);

    // The list holds no lock: another connection can save while it is open.
    auto other = reopen();
    ExamineeStore writer(*other);
    ASSERT_TRUE(writer.add(MakeExaminee(u"new"_s)));
    model.reload();
    EXPECT_EQ(model.value(0, u"Code"_s), u"new"_s);

    EXPECT_EQ(ExamineeListModel(*db, ExamineeList::Registry).columnCount(), 10);
    EXPECT_EQ(ExamineeListModel(*db, ExamineeList::Brief).columnCount(), 4);
    ASSERT_TRUE(model.setHeaderData(1, Qt::Horizontal, u"نام"_s));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), u"نام"_s);
}

TEST_F(Stores, RemoveWithAnswerRowTakesBothTogether) {
    ASSERT_TRUE(examinees->addWithAnswerRow(MakeExaminee(u"1"_s)));
    ASSERT_TRUE(examinees->addWithAnswerRow(MakeExaminee(u"2"_s)));
    ASSERT_TRUE(examinees->removeWithAnswerRow(u"1"_s));
    EXPECT_TRUE(examinees->findByCode(u"1"_s).isEmpty());
    EXPECT_EQ(answers->hasRow(u"1"_s), false);
    EXPECT_EQ(answers->hasRow(u"2"_s), true);
    EXPECT_FALSE(examinees->removeWithAnswerRow(u"1"_s));
}

// The second typing lives beside the answer row: settling writes the paper's value into both
// in one commit, the sheet counts as verified only while both agree everywhere, and the
// examinee's delete takes the second typing with it (so a code given again starts clean).
TEST_F(Stores, SecondEntryIsSettledIntoTheAnswerRowAndGoesWithTheExaminee) {
    ASSERT_TRUE(examinees->addWithAnswerRow(MakeExaminee(u"1"_s)));
    ASSERT_TRUE(examinees->addWithAnswerRow(MakeExaminee(u"2"_s)));
    AnswerRow first;
    first.fill(u"3"_s);
    ASSERT_TRUE(answers->setRow(u"1"_s, first));
    SecondEntryStore entries(*db);
    EXPECT_EQ(entries.verification(u"1"_s), Verification::SingleEntry);
    ASSERT_TRUE(entries.start(u"1"_s, u"1403/02/10"_s, u"09:30"_s));
    ASSERT_TRUE(entries.start(u"1"_s, u"1403/02/11"_s, u"11:00"_s)) << "a second start keeps the row";
    EXPECT_EQ(entries.state(u"1"_s)->entryDate, u"1403/02/10"_s);
    AnswerRow second = first;
    second[9] = u"4"_s;
    for (int item = 1; item <= kItemCount; ++item) {
        ASSERT_TRUE(entries.setCell(u"1"_s, item, second[item - 1]));
    }
    EXPECT_EQ(entries.verification(u"1"_s), Verification::Unsettled) << "typed, not yet compared";
    ASSERT_TRUE(entries.recordComparison(u"1"_s, 232, 1, u"1403/02/10"_s));
    ASSERT_TRUE(entries.recordComparison(u"1"_s, 232, 0, u"1403/02/12"_s));
    EXPECT_EQ(entries.state(u"1"_s)->differences, 1) << "the first comparison's figures are kept";
    EXPECT_EQ(entries.verification(u"1"_s), Verification::Unsettled);
    ASSERT_TRUE(entries.settle(u"1"_s, 10, u"5"_s));
    {
        auto again = reopen();
        EXPECT_EQ(AnswerStore(*again).cell(u"1"_s, 10), u"5"_s);
        EXPECT_EQ(SecondEntryStore(*again).row(u"1"_s)->at(9), u"5"_s);
    }
    EXPECT_EQ(entries.verification(u"1"_s), Verification::Verified);
    ASSERT_TRUE(answers->setCell(u"1"_s, 200, u"1"_s));
    EXPECT_EQ(entries.verification(u"1"_s), Verification::Unsettled) << "a later change opens the sheet";
    EXPECT_FALSE(entries.settle(u"9"_s, 1, u"1"_s)) << "no rows for that code";

    ASSERT_TRUE(entries.start(u"2"_s, u"1403/02/10"_s, u"09:30"_s));
    ASSERT_TRUE(examinees->removeWithAnswerRow(u"1"_s));
    EXPECT_FALSE(entries.state(u"1"_s));
    EXPECT_TRUE(entries.state(u"2"_s)) << "another examinee's second typing stays";
    const auto all = entries.all();
    ASSERT_TRUE(all);
    EXPECT_EQ(all->size(), 1u);
}

TEST_F(Stores, ScaleParagraphsAndReportSections) {
    auto texts = Database::open(folder.path(), DatabaseFile::SchemaTexts);
    auto sections = Database::open(folder.path(), DatabaseFile::ReportSections);
    ASSERT_TRUE(texts && sections);
    SchemaTextStore paragraphs(*texts);
    EXPECT_FALSE(paragraphs.paragraph(u"PU"_s).isEmpty());
    EXPECT_TRUE(paragraphs.paragraph(u"XX"_s).isEmpty());

    ReportSectionStore report(*sections);
    ASSERT_TRUE(report.write(u"V"_s, kAwkward));
    ASSERT_TRUE(report.write(u"ED"_s, u"a"_s));
    EXPECT_EQ(report.read(u"V"_s), kAwkward);
    EXPECT_EQ(report.read(u"ED"_s), u"a"_s);
    EXPECT_FALSE(report.write(u"ZZ"_s, u"x"_s)) << "a missing section is not added";
    QSqlQuery q(sections->handle());
    ASSERT_TRUE(q.exec(u"SELECT count(*) FROM Tafsir"_s) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 19);
}

TEST(Database, NeverCreatesAMissingFile) {
    test::TempProgramFolder folder;
    const QString path = folder.file(u"nothing.mdb"_s);
    QString error;
    EXPECT_FALSE(Database::open(path, Database::Mode::ReadWrite, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
}

} // namespace
} // namespace morvalen
