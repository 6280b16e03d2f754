// Kept answer sheets: kept cell for cell, numbered per examinee, only added or deleted one
// by one, and a new sheet never loses the answers it replaces.
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/TempProgramFolder.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

const QDateTime kMorning(QDate(2024, 12, 10), QTime(9, 5, 7));
const QDateTime kAfternoon(QDate(2025, 3, 1), QTime(16, 40));

// Answers of every kind a working sheet can hold: the six values, empty cells, a "0" the
// questionnaire reads as unanswered, and imported text the scoring reads by its leading number.
AnswerRow MixedSheet() {
    AnswerRow row;
    for (int i = 0; i < kItemCount; ++i) {
        row[i] = QString::number(i % 6 + 1);
    }
    row[4] = QString();
    row[16] = QString();
    row[30] = u"0"_s;
    row[99] = u"5 "_s;
    row[231] = u"4"_s;
    return row;
}

class Administrations : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        examinees = std::make_unique<ExamineeStore>(*db);
        answers = std::make_unique<AnswerStore>(*db);
        store = std::make_unique<AdministrationStore>(*db);
        addExaminee(u"1"_s, u"دكتر الف"_s);
        addExaminee(u"2"_s, u"دكتر ب"_s);
    }

    void addExaminee(const QString& code, const QString& tester) {
        Examinee e;
        e.code = code;
        e.fullName = u"نام "_s + code;
        e.tester = tester;
        ASSERT_TRUE(examinees->addWithAnswerRow(e));
    }

    // What another connection reads: only what was committed.
    QVector<Administration> committed(const QString& code) {
        auto again = Database::open(folder.path(), DatabaseFile::Main);
        return again ? AdministrationStore(*again).list(code) : QVector<Administration>();
    }

    test::TempProgramFolder folder;
    std::unique_ptr<Database> db;
    std::unique_ptr<ExamineeStore> examinees;
    std::unique_ptr<AnswerStore> answers;
    std::unique_ptr<AdministrationStore> store;
};

TEST_F(Administrations, KeepCopiesTheSheetCellForCellAndNumbersPerExaminee) {
    const AnswerRow intake = MixedSheet();
    ASSERT_TRUE(answers->setRow(u"1"_s, intake));
    ASSERT_EQ(store->keep(u"1"_s, u"1403/09/20"_s, kMorning, u"پذيرش"_s), KeepOutcome::Kept);

    // The working sheet goes on as it was, and a later change to it or to the examinee's
    // tester leaves the kept sheet alone.
    EXPECT_EQ(answers->row(u"1"_s), intake);
    AnswerRow later = intake;
    later[0] = u"6"_s;
    later[4] = u"2"_s;
    ASSERT_TRUE(answers->setRow(u"1"_s, later));
    Examinee changed = examinees->firstByCode(u"1"_s).value();
    changed.tester = u"دكتر ج"_s;
    ASSERT_TRUE(examinees->change(changed));
    ASSERT_EQ(store->keep(u"1"_s, u"1403/12/11"_s, kAfternoon), KeepOutcome::Kept);
    ASSERT_TRUE(answers->setRow(u"2"_s, intake));
    ASSERT_EQ(store->keep(u"2"_s, u"1403/12/11"_s, kAfternoon), KeepOutcome::Kept);

    const QVector<Administration> kept = committed(u"1"_s);
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept[0].code, u"1"_s);
    EXPECT_EQ(kept[0].number, 1);
    EXPECT_EQ(kept[0].persianDate, u"1403/09/20"_s);
    EXPECT_EQ(kept[0].keptAt, u"2024-12-10 09:05:07"_s);
    EXPECT_EQ(kept[0].keptTime(), u"09:05"_s);
    EXPECT_EQ(kept[0].tester, u"دكتر الف"_s);
    EXPECT_EQ(kept[0].note, u"پذيرش"_s);
    EXPECT_EQ(kept[0].answers, intake);
    EXPECT_EQ(kept[0].answeredCount(), 230);
    EXPECT_EQ(kept[1].number, 2);
    EXPECT_EQ(kept[1].tester, u"دكتر ج"_s);
    EXPECT_EQ(kept[1].answers, later);
    EXPECT_EQ(kept[1].answeredCount(), 231);
    // Each examinee counts from 1.
    const QVector<Administration> other = committed(u"2"_s);
    ASSERT_EQ(other.size(), 1);
    EXPECT_EQ(other[0].number, 1);
    EXPECT_EQ(other[0].tester, u"دكتر ب"_s);
    EXPECT_EQ(store->find(kept[1].id)->answers, later);
    EXPECT_FALSE(store->find(kept[1].id + 1000));
}

TEST_F(Administrations, ScoresOfAKeptSheetAreThoseOfItsAnswers) {
    const AnswerRow intake = MixedSheet();
    ASSERT_TRUE(answers->setRow(u"1"_s, intake));
    const ScoringResult expected = ScoreAnswers(ToAnswerTexts(intake));
    ASSERT_EQ(store->keep(u"1"_s, u"1403/09/20"_s, kMorning), KeepOutcome::Kept);
    AnswerRow retest;
    retest.fill(u"1"_s);
    ASSERT_TRUE(answers->setRow(u"1"_s, retest));

    const ScoringResult scored = ScoreAnswers(ToAnswerTexts(committed(u"1"_s).value(0).answers));
    EXPECT_EQ(scored.totalUnanswered, expected.totalUnanswered);
    EXPECT_EQ(scored.unansweredList, expected.unansweredList);
    for (int scale = 0; scale < kScaleCount; ++scale) {
        SCOPED_TRACE(scale + 1);
        EXPECT_EQ(scored.scales[scale].rawScore, expected.scales[scale].rawScore);
        EXPECT_EQ(scored.scales[scale].percent, expected.scales[scale].percent);
        EXPECT_EQ(scored.scales[scale].highItems, expected.scales[scale].highItems);
    }
    EXPECT_NE(scored.scales[0].rawScore, ScoreAnswers(ToAnswerTexts(retest)).scales[0].rawScore)
        << "the kept sheet is scored, not the working one";
}

TEST_F(Administrations, ASheetWithoutAnswersOrWithoutARowIsNotKept) {
    EXPECT_EQ(store->keep(u"1"_s, u"1403/09/20"_s, kMorning), KeepOutcome::NoAnswers);
    AnswerRow zeros;
    zeros.fill(QString());
    zeros[7] = u"3"_s;
    ASSERT_TRUE(answers->setRow(u"1"_s, zeros));
    ASSERT_TRUE(answers->setCell(u"1"_s, 8, QString()));
    EXPECT_EQ(store->keep(u"1"_s, u"1403/09/20"_s, kMorning), KeepOutcome::NoAnswers);
    EXPECT_EQ(store->startNewSheet(u"1"_s, u"1403/09/20"_s, kMorning), KeepOutcome::NoAnswers);
    EXPECT_EQ(store->keep(u"9"_s, u"1403/09/20"_s, kMorning), KeepOutcome::NoSheet);
    EXPECT_EQ(store->startNewSheet(u"9"_s, u"1403/09/20"_s, kMorning), KeepOutcome::NoSheet);
    EXPECT_TRUE(committed(u"1"_s).isEmpty());
    EXPECT_TRUE(committed(u"9"_s).isEmpty());
}

TEST_F(Administrations, NewSheetKeepsTheAnswersOnceAndEmptiesTheWorkingSheet) {
    const AnswerRow intake = MixedSheet();
    ASSERT_TRUE(answers->setRow(u"1"_s, intake));
    EXPECT_FALSE(store->isKeptUnchanged(u"1"_s));
    bool keptNow = false;
    ASSERT_EQ(store->startNewSheet(u"1"_s, u"1403/09/20"_s, kMorning, &keptNow), KeepOutcome::Kept);
    EXPECT_TRUE(keptNow);
    const auto cleared = answers->row(u"1"_s);
    ASSERT_TRUE(cleared);
    for (const QString& cell : *cleared) {
        EXPECT_TRUE(cell.isEmpty());
    }
    ASSERT_EQ(committed(u"1"_s).size(), 1);
    EXPECT_EQ(committed(u"1"_s)[0].answers, intake);

    // Kept by hand first: the new sheet does not keep the same answers a second time.
    AnswerRow retest;
    retest.fill(u"2"_s);
    ASSERT_TRUE(answers->setRow(u"1"_s, retest));
    ASSERT_EQ(store->keep(u"1"_s, u"1403/12/11"_s, kAfternoon), KeepOutcome::Kept);
    EXPECT_TRUE(store->isKeptUnchanged(u"1"_s));
    ASSERT_EQ(store->startNewSheet(u"1"_s, u"1403/12/11"_s, kAfternoon, &keptNow), KeepOutcome::Kept);
    EXPECT_FALSE(keptNow);
    ASSERT_EQ(committed(u"1"_s).size(), 2);
    EXPECT_EQ(committed(u"1"_s)[1].answers, retest);
    EXPECT_FALSE(store->isKeptUnchanged(u"1"_s)) << "an empty sheet is not the kept one";
    // Only the examinee's own working sheet was emptied.
    ASSERT_TRUE(answers->setRow(u"2"_s, intake));
    ASSERT_EQ(store->startNewSheet(u"1"_s, u"1403/12/11"_s, kAfternoon), KeepOutcome::NoAnswers);
    EXPECT_EQ(answers->row(u"2"_s), intake);
}

TEST_F(Administrations, NewSheetThatCannotEmptyTheSheetKeepsNothing) {
    const AnswerRow intake = MixedSheet();
    ASSERT_TRUE(answers->setRow(u"1"_s, intake));
    // A write that fails after the keep (here a trigger that refuses it) takes the keep back
    // with it: the answers stay on the working sheet and no half is committed.
    ASSERT_TRUE(test::RefuseWrites(*db, u"UPDATE"_s, u"Answer1"_s)) << db->lastError().toStdString();
    EXPECT_EQ(store->startNewSheet(u"1"_s, u"1403/09/20"_s, kMorning), KeepOutcome::Failed);
    EXPECT_EQ(answers->row(u"1"_s), intake);
    EXPECT_TRUE(committed(u"1"_s).isEmpty());
    EXPECT_TRUE(store->list(u"1"_s).isEmpty());
}

TEST_F(Administrations, DeleteRemovesOnlyTheChosenOne) {
    AnswerRow sheet;
    for (const QString& value : {u"1"_s, u"2"_s, u"3"_s}) {
        sheet.fill(value);
        ASSERT_TRUE(answers->setRow(u"1"_s, sheet));
        ASSERT_EQ(store->keep(u"1"_s, u"1403/09/20"_s, kMorning), KeepOutcome::Kept);
    }
    ASSERT_TRUE(answers->setRow(u"2"_s, sheet));
    ASSERT_EQ(store->keep(u"2"_s, u"1403/09/20"_s, kMorning), KeepOutcome::Kept);
    const QVector<Administration> before = store->list(u"1"_s);
    ASSERT_EQ(before.size(), 3);
    ASSERT_TRUE(store->remove(before[1].id));
    EXPECT_FALSE(store->remove(before[1].id));
    const QVector<Administration> after = committed(u"1"_s);
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[0].id, before[0].id);
    EXPECT_EQ(after[0].answers[0], u"1"_s);
    EXPECT_EQ(after[1].id, before[2].id);
    EXPECT_EQ(after[1].number, 3);
    EXPECT_EQ(committed(u"2"_s).size(), 1);
    EXPECT_EQ(answers->row(u"1"_s), sheet) << "the working sheet is not touched";
}

TEST_F(Administrations, RegistryDeleteTakesTheKeptSheetsInTheSameCommit) {
    AnswerRow sheet;
    sheet.fill(u"5"_s);
    for (const QString& code : {u"1"_s, u"1"_s, u"2"_s}) {
        ASSERT_TRUE(answers->setRow(code, sheet));
        ASSERT_EQ(store->keep(code, u"1403/09/20"_s, kMorning), KeepOutcome::Kept);
    }
    // When the kept sheets cannot go, nothing goes: the examinee keeps its row, its answers
    // and its history.
    ASSERT_TRUE(test::RefuseWrites(*db, u"DELETE"_s, u"Administration"_s)) << db->lastError().toStdString();
    EXPECT_FALSE(examinees->removeWithAnswerRow(u"1"_s));
    EXPECT_TRUE(examinees->firstByCode(u"1"_s));
    EXPECT_EQ(answers->hasRow(u"1"_s), true);
    EXPECT_EQ(committed(u"1"_s).size(), 2);
    ASSERT_TRUE(test::AllowWrites(*db, u"Administration"_s));

    ASSERT_TRUE(examinees->removeWithAnswerRow(u"1"_s));
    EXPECT_TRUE(committed(u"1"_s).isEmpty());
    EXPECT_EQ(committed(u"2"_s).size(), 1) << "another examinee's sheets stay";
    // The code given again starts without the deleted examinee's history.
    addExaminee(u"1"_s, u"دكتر د"_s);
    ASSERT_TRUE(answers->setRow(u"1"_s, sheet));
    ASSERT_EQ(store->keep(u"1"_s, u"1403/12/11"_s, kAfternoon), KeepOutcome::Kept);
    ASSERT_EQ(committed(u"1"_s).size(), 1);
    EXPECT_EQ(committed(u"1"_s)[0].number, 1);
}

} // namespace
} // namespace morvalen
