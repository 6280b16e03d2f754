// The results view scoring examinees through its real window.
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "store/SecondEntryStore.h"
#include "shell/Skin.h"
#include "support/GuiFixture.h"
#include "views/ProfileLooks.h"
#include "views/ExportSnapshot.h"
#include "views/ResultsWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

const int kSizes[] = {9, 17, 17, 10, 15, 9, 15, 12, 11, 10, 17, 9, 16, 11, 15, 14, 11, 14};

class Results : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        main = new QWidget;
        main->show();
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        answers = std::make_unique<AnswerStore>(*db);
    }

    void addExaminee(const QString& code, bool withRow) {
        Examinee e;
        e.code = code;
        e.fullName = u"مينا"_s;
        e.age = u"30"_s;
        e.gender = u"زن"_s;
        e.maritalStatus = u"مجرد"_s;
        e.education = u"ديپلم"_s;
        ExamineeStore store(*db);
        ASSERT_TRUE(withRow ? store.addWithAnswerRow(e).has_value() : store.add(e).has_value());
    }

    void fillRow(const QString& code, const QString& answer) {
        AnswerRow row;
        row.fill(answer);
        ASSERT_TRUE(answers->setRow(code, row));
    }

    ResultsWindow* open() {
        auto* view = new ResultsWindow(context, main);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view));
        return view;
    }

    static void pick(ResultsWindow* view, int row) {
        QTableView* list = view->m_examineeList;
        doubleClick(list->viewport(), list->visualRect(list->model()->index(row, 1)).center());
    }

    // The list as shown, without the zero-width spaces that let it wrap.
    static QString items(ResultsWindow* view, int scale) {
        return view->m_highItemLabels[scale]->text().remove(QChar(0x200B));
    }

    // Where a label draws its text, in the window's coordinates: its alignment, mirrored as
    // a plain-text label mirrors it (by the direction of the text itself, not the window's),
    // applied to the text's own size.
    static QRect TextRect(const QLabel* label) {
        const QRect room = label->contentsRect();
        QSize text = label->fontMetrics().size(0, label->text());
        text.setWidth(std::min(text.width(), room.width()));
        const Qt::LayoutDirection direction =
            label->text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
        const QRect drawn = QStyle::alignedRect(direction, label->alignment(), text, room);
        return QRect(label->mapTo(label->window(), drawn.topLeft()), drawn.size());
    }

    QPointer<QWidget> main;
    std::unique_ptr<Database> db;
    std::unique_ptr<AnswerStore> answers;
};

TEST_F(Results, ExamineeWithoutAnswersScoresZeroAndHearsOfAllItems) {
    addExaminee(u"1"_s, false);
    ResultsWindow* view = open();
    EXPECT_FALSE(view->m_profileButton->isEnabled());
    EXPECT_FALSE(view->m_answersButton->isEnabled());
    EXPECT_EQ(view->m_profileButton->text(), u"پروفايل "_s);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    pick(view, 0);
    EXPECT_EQ(answers->hasRow(u"1"_s), true);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    const auto& box = MessageBox::shown()[0];
    EXPECT_EQ(box.title, u"پيام"_s);
    EXPECT_EQ(box.icon, MessageBox::Icon::Warning);
    QString all;
    for (int i = 1; i <= 232; ++i) {
        all += QString::number(i) + u"  "_s;
    }
    EXPECT_EQ(box.text, u"شما به سوالات زير پاسخ نداده ايد\r\n\r\n"_s + all);
    EXPECT_EQ(view->m_totalUnansweredLabel->text(), u"232"_s);
    for (int scale = 1; scale <= 18; ++scale) {
        EXPECT_EQ(view->m_rawScoreLabels[scale]->text(), u"0"_s);
        EXPECT_EQ(view->m_percentLabels[scale]->text(), u"0"_s);
        EXPECT_EQ(view->m_unansweredCountLabels[scale]->text(), QString::number(kSizes[scale - 1]));
        EXPECT_EQ(view->m_highCountLabels[scale]->text(), u"0"_s);
    }
    EXPECT_TRUE(view->m_answersButton->isEnabled());
    EXPECT_TRUE(view->m_profileButton->isEnabled());
}

TEST_F(Results, BlankItemsAreListedAndCountedPerScale) {
    addExaminee(u"1"_s, true);
    fillRow(u"1"_s, u"3"_s);
    ASSERT_TRUE(answers->setCell(u"1"_s, 5, QString()));
    ASSERT_TRUE(answers->setCell(u"1"_s, 17, QString()));
    ResultsWindow* view = open();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    pick(view, 0);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_TRUE(MessageBox::shown()[0].text.endsWith(u"\r\n\r\n5  17  "_s));
    EXPECT_EQ(view->m_totalUnansweredLabel->text(), u"2"_s);
    EXPECT_EQ(view->m_unansweredCountLabels[1]->text(), u"1"_s);
    EXPECT_EQ(view->m_unansweredCountLabels[2]->text(), u"1"_s);
    EXPECT_EQ(view->m_unansweredCountLabels[3]->text(), u"0"_s);
    EXPECT_EQ(view->m_rawScoreLabels[1]->text(), u"24"_s);
    EXPECT_EQ(view->m_percentLabels[1]->text(), u"44"_s);
    EXPECT_EQ(view->m_summaryLineEdit->text(),
              u"مينا    سن: 30    جنسيت: زن    وضعيت تاهل: مجرد    تحصيلات: ديپلم"_s);
}

TEST_F(Results, SecondExamineeReplacesEveryNumberAndList) {
    addExaminee(u"1"_s, true);
    fillRow(u"1"_s, u"6"_s);
    addExaminee(u"2"_s, true);
    fillRow(u"2"_s, u"2"_s);
    ASSERT_TRUE(answers->setCell(u"2"_s, 30, u"5"_s));
    ResultsWindow* view = open();
    pick(view, 1); // examinee 1, all sixes
    EXPECT_TRUE(MessageBox::shown().isEmpty()) << "no blanks, no message";
    EXPECT_EQ(view->m_totalUnansweredLabel->text(), u"0"_s);
    EXPECT_EQ(items(view, 1), u"1,2,3,4,5,6,7,8,9,"_s);
    EXPECT_EQ(view->m_percentLabels[18]->text(), u"100"_s);
    view->m_answersButton->click();
    EXPECT_TRUE(view->m_answersPanel->isVisible());
    pick(view, 0); // examinee 2
    EXPECT_FALSE(view->m_answersPanel->isVisible()) << "a new examinee hides the answers panel";
    for (int s = 1; s <= 18; ++s) {
        EXPECT_EQ(items(view, s), s == 3 ? u"30,"_s : QString()) << s;
        EXPECT_EQ(view->m_highCountLabels[s]->text(), s == 3 ? u"1"_s : u"0"_s) << s;
    }
    EXPECT_EQ(view->m_rawScoreLabels[1]->text(), u"18"_s);
    EXPECT_EQ(view->m_rawScoreLabels[3]->text(), QString::number(2 * 16 + 5));
    EXPECT_EQ(view->result().scales[2].highItems, "30,");
    EXPECT_EQ(view->examineeCode(), u"2"_s);
}

TEST_F(Results, EveryNumberStandsBesideItsOwnName) {
    addExaminee(u"1"_s, true);
    fillRow(u"1"_s, u"6"_s);
    ASSERT_TRUE(answers->setCell(u"1"_s, 40, u"2"_s)); // a raw score and a percentage that differ in width
    ResultsWindow* view = open();
    pick(view, 0);
    view->m_answersButton->click();
    QCoreApplication::processEvents();

    // The score table: each raw score centred under its block's "نمره", each percentage
    // under its "درصد".
    for (int scale = 1; scale <= 18; ++scale) {
        SCOPED_TRACE(scale);
        const int block = scale <= 9 ? 1 : 2;
        ASSERT_EQ(view->m_rawScoreHeadings[block]->text(), u"نمره"_s);
        ASSERT_EQ(view->m_percentHeadings[block]->text(), u"درصد"_s);
        const QRect raw = TextRect(view->m_rawScoreLabels[scale]);
        const QRect percent = TextRect(view->m_percentLabels[scale]);
        EXPECT_LE(std::abs(raw.center().x() - TextRect(view->m_rawScoreHeadings[block]).center().x()), 2);
        EXPECT_LE(std::abs(percent.center().x() - TextRect(view->m_percentHeadings[block]).center().x()), 2);
        // Each caption ends where its heading ends, at the right, as the window reads.
        const auto* caption = view->findChild<QLabel*>(u"scaleCaption_%1"_s.arg(scale));
        const auto* heading = view->findChild<QLabel*>(u"scaleHeading_%1"_s.arg(block));
        ASSERT_TRUE(caption && heading);
        EXPECT_LE(std::abs(TextRect(caption).right() - TextRect(heading).right()), 2);
    }

    // The census: every count and list starts right after its own "ed=" ... "pu=", on its line.
    const struct {
        const char* box;
        const Numbered<QLabel*, 18>& names;
        const Numbered<QLabel*, 18>& values;
    } boxes[] = {{"unanswered", view->m_unansweredCountNameLabels, view->m_unansweredCountLabels},
                 {"high count", view->m_highCountNameLabels, view->m_highCountLabels},
                 {"high items", view->m_highItemNameLabels, view->m_highItemLabels}};
    const char* codes[] = {"ed", "ab", "ma", "si", "ds", "fa", "ai", "vu", "eu",
                           "sb", "ss", "ei", "us", "et", "is", "as", "np", "pu"};
    for (const auto& box : boxes) {
        for (int scale = 1; scale <= 18; ++scale) {
            SCOPED_TRACE(std::string(box.box) + " " + codes[scale - 1]);
            ASSERT_EQ(box.names[scale]->text(), QString::fromLatin1(codes[scale - 1]) + u'=');
            const QRect name = TextRect(box.names[scale]);
            const QRect value = TextRect(box.values[scale]);
            const int gap = value.left() - name.right();
            EXPECT_GE(gap, 0) << "the value stands left of its name";
            EXPECT_LE(gap, 8) << "the value stands apart from its name";
            EXPECT_LE(std::abs(value.top() - name.top()), 3);
        }
    }
}

TEST_F(Results, EveryHighItemListIsShownWhole) {
    addExaminee(u"1"_s, true);
    fillRow(u"1"_s, u"6"_s);
    ResultsWindow* view = open();
    // The window fits a 1280 x 720 screen with room for its frame and title bar.
    EXPECT_LE(view->width(), 1240);
    EXPECT_LE(view->height(), 660);
    pick(view, 0);
    view->m_answersButton->click();
    view->m_helpButton->click();
    QCoreApplication::processEvents();
    EXPECT_LE(view->width(), 1240) << "the lists do not widen the window";
    EXPECT_LE(view->height(), 660);

    // Both panels open, one beside the other's edge, not over it.
    ASSERT_TRUE(view->m_answersPanel->isVisible());
    ASSERT_TRUE(view->m_helpPanel->isVisible());
    EXPECT_FALSE(view->m_answersPanel->geometry().intersects(view->m_helpPanel->geometry()));
    EXPECT_TRUE(view->m_helpText->toPlainText().contains(u"روي دکمه مربوطه کليک کنيد."_s));

    // Every list has all its items and the height its lines need; where the panel is too
    // short for all of them, it scrolls.
    const auto* scroll = view->findChild<QScrollArea*>(u"answersScrollArea"_s);
    ASSERT_NE(scroll, nullptr);
    const int first[] = {1, 10, 27, 44, 54, 69, 78, 93, 105, 116, 126, 143, 152, 168, 179, 194, 208, 219};
    for (int scale = 1; scale <= 18; ++scale) {
        SCOPED_TRACE(scale);
        QString whole;
        for (int item = first[scale - 1]; item < first[scale - 1] + kSizes[scale - 1]; ++item) {
            whole += QString::number(item) + u',';
        }
        EXPECT_EQ(items(view, scale), whole);
        QLabel* list = view->m_highItemLabels[scale];
        const QRect room = list->contentsRect();
        EXPECT_LE(list->heightForWidth(list->width()) - (list->height() - room.height()), room.height())
            << "the last lines are cut off";
        const QRect inPanel(list->mapTo(scroll->widget(), QPoint(0, 0)), list->size());
        EXPECT_TRUE(scroll->widget()->rect().contains(inPanel));
        // Nothing is cut at the sides: the panel only scrolls up and down.
        for (const QLabel* label :
             {view->m_unansweredCountNameLabels[scale], view->m_unansweredCountLabels[scale],
              view->m_highCountNameLabels[scale], view->m_highCountLabels[scale],
              view->m_highItemNameLabels[scale], list}) {
            const int left = label->mapTo(scroll->viewport(), QPoint(0, 0)).x();
            EXPECT_GE(left, 0) << label->objectName().toStdString();
            EXPECT_LE(left + label->width(), scroll->viewport()->width())
                << label->objectName().toStdString();
        }
    }
    EXPECT_TRUE(scroll->widget()->height() <= scroll->viewport()->height() ||
                scroll->verticalScrollBar()->isVisible())
        << "items hidden below the panel without a scroll bar";
}

TEST_F(Results, EmptyListStartsNothing) {
    ResultsWindow* view = open();
    doubleClick(view->m_examineeList->viewport(), QPoint(20, 20));
    EXPECT_FALSE(view->hasResult());
    EXPECT_FALSE(view->m_answersButton->isEnabled());
    view->close();
    EXPECT_TRUE(main->isEnabled());
}

// Kept answer sheets: keep, new sheet, choose and delete, each after its question.
class KeptSheets : public Results {
protected:
    void SetUp() override {
        Results::SetUp();
        // 10 December 2024 is 20 Azar 1403.
        context.now = [] { return QDateTime(QDate(2024, 12, 10), QTime(9, 5)); };
        addExaminee(u"1"_s, true);
        administrations = std::make_unique<AdministrationStore>(*db);
    }

    // Answers the next question and then lets its confirmation close at once.
    static void answerNext(QMessageBox::StandardButton answer) {
        MessageBox::setNextAnswer(answer);
        if (answer == QMessageBox::Yes) {
            MessageBox::setNextAnswer(QMessageBox::Ok);
        }
    }

    static QString cell(ResultsWindow* view, int row, int column) {
        const QTableWidgetItem* item = view->m_sheetList->item(row, column);
        return item ? item->text() : u"(none)"_s;
    }

    static void choose(ResultsWindow* view, int row) {
        QTableWidget* list = view->m_sheetList;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row, 0)).center());
    }

    std::unique_ptr<AdministrationStore> administrations;
};

TEST_F(KeptSheets, KeepAsksNamingTheExamineeAndTheDateThenListsTheSheet) {
    fillRow(u"1"_s, u"3"_s);
    ASSERT_TRUE(answers->setCell(u"1"_s, 5, QString()));
    ResultsWindow* view = open();
    EXPECT_FALSE(view->m_keepSheetButton->isEnabled()) << "nothing to keep before an examinee is scored";
    EXPECT_FALSE(view->m_newSheetButton->isEnabled());
    MessageBox::setNextAnswer(QMessageBox::Ok); // the unanswered item 5
    pick(view, 0);
    ASSERT_EQ(view->m_sheetList->rowCount(), 1);
    EXPECT_EQ(cell(view, 0, 0), u"پاسخنامه فعلي"_s);
    EXPECT_EQ(cell(view, 0, 1), u"231"_s);
    EXPECT_EQ(view->m_sheetTitleLabel->text(), u"پاسخنامه فعلي"_s);
    EXPECT_FALSE(view->m_deleteSheetButton->isEnabled()) << "the working sheet is not deleted here";

    // Answered No: nothing is kept.
    MessageBox::clearShown();
    answerNext(QMessageBox::No);
    view->m_keepSheetButton->click();
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].title, u"توجه"_s);
    EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Question);
    EXPECT_EQ(MessageBox::shown()[0].text, u"پاسخنامه فعلي «مينا» با تاريخ 1403/09/20 نگهداري شود؟"_s);
    EXPECT_TRUE(administrations->list(u"1"_s).isEmpty());

    answerNext(QMessageBox::Yes);
    view->m_keepSheetButton->click();
    EXPECT_EQ(timedTexts(), QStringList{u"پاسخنامه نگهداري شد"_s});
    const QVector<Administration> kept = administrations->list(u"1"_s);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].persianDate, u"1403/09/20"_s);
    EXPECT_EQ(kept[0].keptAt, u"2024-12-10 09:05:00"_s);
    EXPECT_EQ(kept[0].answers, answers->row(u"1"_s).value());
    ASSERT_EQ(view->m_sheetList->rowCount(), 2);
    EXPECT_EQ(cell(view, 1, 0), u"1403/09/20  09:05"_s);
    EXPECT_EQ(cell(view, 1, 1), u"231"_s);
    EXPECT_EQ(answers->cell(u"1"_s, 1), u"3"_s) << "keeping leaves the working sheet as it is";
}

TEST_F(KeptSheets, ASheetWithoutAnswersIsNeitherKeptNorRenewed) {
    ResultsWindow* view = open();
    MessageBox::setNextAnswer(QMessageBox::Ok); // every item unanswered
    pick(view, 0);
    MessageBox::clearShown();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    view->m_keepSheetButton->click();
    ASSERT_EQ(MessageBox::shown().size(), 1) << "no question for what cannot be kept";
    EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Warning);
    EXPECT_EQ(MessageBox::shown()[0].text, u"پاسخنامه فعلي پاسخي ندارد و نگهداري نمي شود."_s);
    view->m_newSheetButton->click();
    ASSERT_EQ(MessageBox::shown().size(), 2);
    EXPECT_EQ(MessageBox::shown()[1].icon, MessageBox::Icon::Information);
    EXPECT_TRUE(administrations->list(u"1"_s).isEmpty());
}

TEST_F(KeptSheets, NewSheetKeepsFirstAndIsNeverSilent) {
    fillRow(u"1"_s, u"4"_s);
    ResultsWindow* view = open();
    pick(view, 0);

    // Answered No: the sheet stays as it was and nothing is kept.
    answerNext(QMessageBox::No);
    view->m_newSheetButton->click();
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].text,
              u"پاسخنامه فعلي «مينا» با تاريخ 1403/09/20 نگهداري و سپس پاک مي شود تا آزمودني دوباره پاسخ "
              u"دهد.\r\nادامه مي دهيد؟"_s);
    EXPECT_EQ(answers->cell(u"1"_s, 1), u"4"_s);
    EXPECT_TRUE(administrations->list(u"1"_s).isEmpty());

    answerNext(QMessageBox::Yes);
    view->m_newSheetButton->click();
    ASSERT_EQ(administrations->list(u"1"_s).size(), 1);
    AnswerRow intake;
    intake.fill(u"4"_s);
    EXPECT_EQ(administrations->list(u"1"_s)[0].answers, intake);
    for (int item = 1; item <= 232; ++item) {
        ASSERT_TRUE(answers->cell(u"1"_s, item).isEmpty()) << item;
    }
    // The window shows the emptied working sheet.
    EXPECT_EQ(view->m_sheetTitleLabel->text(), u"پاسخنامه فعلي"_s);
    EXPECT_EQ(cell(view, 0, 1), u"0"_s);
    EXPECT_EQ(view->m_percentLabels[1]->text(), u"0"_s);
    EXPECT_EQ(view->result().totalUnanswered, 232);

    // Answered again and kept by hand: the new sheet asks, and does not keep it twice.
    fillRow(u"1"_s, u"2"_s);
    MessageBox::clearShown();
    pick(view, 0);
    answerNext(QMessageBox::Yes);
    view->m_keepSheetButton->click();
    ASSERT_EQ(administrations->list(u"1"_s).size(), 2);
    MessageBox::clearShown();
    answerNext(QMessageBox::Yes);
    view->m_newSheetButton->click();
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    EXPECT_EQ(MessageBox::shown()[0].text,
              u"پاسخنامه فعلي «مينا» پيش از اين نگهداري شده است.\r\nپاسخ هاي آن پاک شوند تا آزمودني "
              u"دوباره پاسخ دهد؟"_s);
    EXPECT_EQ(administrations->list(u"1"_s).size(), 2);
    EXPECT_TRUE(answers->cell(u"1"_s, 1).isEmpty());
    EXPECT_EQ(view->m_sheetList->rowCount(), 3);
}

TEST_F(KeptSheets, ChoosingAKeptSheetShowsItsScoresUnderItsDate) {
    AnswerRow intake;
    for (int i = 0; i < 232; ++i) {
        intake[i] = QString::number(i % 6 + 1);
    }
    intake[9] = QString();
    ASSERT_TRUE(answers->setRow(u"1"_s, intake));
    ASSERT_EQ(administrations->keep(u"1"_s, u"1403/09/20"_s, QDateTime(QDate(2024, 12, 10), QTime(9, 5))),
              KeepOutcome::Kept);
    fillRow(u"1"_s, u"6"_s);
    ResultsWindow* view = open();
    pick(view, 0);
    ASSERT_EQ(view->m_sheetList->rowCount(), 2);
    EXPECT_EQ(cell(view, 1, 1), u"231"_s);
    EXPECT_EQ(view->m_percentLabels[1]->text(), u"100"_s);

    choose(view, 1);
    const ScoringResult expected = ScoreAnswers(ToAnswerTexts(intake));
    EXPECT_EQ(view->m_sheetTitleLabel->text(), u"پاسخنامه نگهداري شده، تاريخ 1403/09/20 ساعت 09:05"_s);
    for (int scale = 1; scale <= 18; ++scale) {
        SCOPED_TRACE(scale);
        EXPECT_EQ(view->m_rawScoreLabels[scale]->text(),
                  QString::number(expected.scales[scale - 1].rawScore));
        EXPECT_EQ(view->m_percentLabels[scale]->text(), QString::number(expected.scales[scale - 1].percent));
        EXPECT_EQ(items(view, scale), QString::fromStdString(expected.scales[scale - 1].highItems));
    }
    EXPECT_EQ(view->m_totalUnansweredLabel->text(), u"1"_s);
    EXPECT_EQ(view->result().scales[0].rawScore, expected.scales[0].rawScore)
        << "the profile gets the shown sheet";
    EXPECT_TRUE(view->m_deleteSheetButton->isEnabled());

    // Back to the working sheet, by keyboard.
    view->m_sheetList->setFocus();
    QTest::keyClick(view->m_sheetList, Qt::Key_Up);
    EXPECT_EQ(view->m_sheetTitleLabel->text(), u"پاسخنامه فعلي"_s);
    EXPECT_EQ(view->m_percentLabels[1]->text(), u"100"_s);
    EXPECT_FALSE(view->m_deleteSheetButton->isEnabled());
}

TEST_F(KeptSheets, DeleteAsksAndRemovesOnlyTheChosenSheet) {
    const QDateTime times[] = {QDateTime(QDate(2024, 12, 10), QTime(9, 5)),
                               QDateTime(QDate(2025, 3, 1), QTime(16, 40))};
    const QString dates[] = {u"1403/09/20"_s, u"1403/12/11"_s};
    for (int i = 0; i < 2; ++i) {
        fillRow(u"1"_s, QString::number(i + 2));
        ASSERT_EQ(administrations->keep(u"1"_s, dates[i], times[i]), KeepOutcome::Kept);
    }
    ResultsWindow* view = open();
    pick(view, 0);
    ASSERT_EQ(view->m_sheetList->rowCount(), 3);
    choose(view, 2);
    answerNext(QMessageBox::No);
    view->m_deleteSheetButton->click();
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].text,
              u"پاسخنامه نگهداري شده «مينا» با تاريخ 1403/12/11 ساعت 16:40 حذف شود؟"_s);
    EXPECT_EQ(MessageBox::shown()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(administrations->list(u"1"_s).size(), 2);

    answerNext(QMessageBox::Yes);
    view->m_deleteSheetButton->click();
    const QVector<Administration> left = administrations->list(u"1"_s);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].persianDate, u"1403/09/20"_s);
    ASSERT_EQ(view->m_sheetList->rowCount(), 2);
    EXPECT_EQ(cell(view, 1, 0), u"1403/09/20  09:05"_s);
    EXPECT_EQ(view->m_sheetTitleLabel->text(), u"پاسخنامه فعلي"_s);
    EXPECT_EQ(answers->cell(u"1"_s, 1), u"3"_s) << "the working sheet stays";
}

// The mark that the scores may hold keying errors reads at 4.5 to 1 on the window in every
// skin, and in the system's own look.
TEST_F(Results, UnsettledSecondEntryMarkIsLegibleInEverySkin) {
    addExaminee(u"1"_s, true);
    fillRow(u"1"_s, u"4"_s);
    SecondEntryStore entries(*db);
    ASSERT_TRUE(entries.start(u"1"_s, u"1403/01/01"_s, u"10:00"_s));
    for (int theme = 0; theme <= 23; ++theme) {
        SCOPED_TRACE(theme);
        ApplyTheme(*qApp, folder.path(), QString::number(theme));
        ResultsWindow* view = open();
        pick(view, 0);
        ASSERT_TRUE(view->m_secondEntryLabel->isVisible());
        const QColor text = view->m_secondEntryLabel->palette().color(QPalette::WindowText);
        const QColor ground = view->palette().color(QPalette::Window);
        EXPECT_GE(ContrastRatio(text, ground), 4.5) << text.name().toStdString() << " on "
                                                    << ground.name().toStdString();
        view->close();
        QCoreApplication::processEvents();
    }
    ApplyTheme(*qApp, folder.path(), {});
}

// Scores from a sheet whose second typing is still open carry the mark; a verified sheet
// and one typed once do not. The exports say the same in their last column.
TEST_F(Results, UnsettledSecondEntryIsMarkedInResultsAndExports) {
    for (const QString& code : {u"1"_s, u"2"_s, u"3"_s}) {
        addExaminee(code, true);
        fillRow(code, u"4"_s);
    }
    SecondEntryStore entries(*db);
    AnswerRow second;
    second.fill(u"4"_s);
    for (const QString& code : {u"1"_s, u"2"_s}) {
        ASSERT_TRUE(entries.start(code, u"1403/01/01"_s, u"10:00"_s));
        for (int item = 1; item <= kItemCount; ++item) {
            ASSERT_TRUE(entries.setCell(code, item, second[item - 1]));
        }
        ASSERT_TRUE(entries.recordComparison(code, 232, 1, u"1403/01/01"_s));
    }
    ASSERT_TRUE(entries.setCell(u"1"_s, 12, u"5"_s)); // examinee 1: one difference left open
    ResultsWindow* view = open();
    ASSERT_FALSE(view->m_secondEntryLabel->isVisible());
    // The list shows the newest first: examinees 3, 2, 1.
    const std::pair<int, bool> rows[] = {{2, true}, {1, false}, {0, false}};
    for (const auto& [row, marked] : rows) {
        pick(view, row);
        EXPECT_EQ(view->m_secondEntryLabel->isVisible(), marked) << "list row " << row;
    }
    EXPECT_EQ(view->m_secondEntryLabel->text(), u"ورود دوم ناتمام"_s);

    QString error;
    const auto table = ExportTable::Read(*db, &error);
    ASSERT_TRUE(table) << error.toStdString();
    ASSERT_EQ(table->examineeCount(), 3);
    EXPECT_EQ(table->cell(0, ExportTable::kVerifiedColumn + 1).text, u"ورود_دوم"_s);
    const QString expected[] = {u"ناتمام"_s, u"تاييد شده"_s, QString()};
    for (int e = 0; e < 3; ++e) {
        EXPECT_EQ(table->value(e, 0), QString::number(e + 1));
        EXPECT_EQ(table->value(e, ExportTable::kVerifiedColumn), expected[e]) << "examinee " << e + 1;
    }
    const auto details = ResearchDetails::Read(*db, 3, &error);
    ASSERT_TRUE(details) << error.toStdString();
    EXPECT_EQ(ResearchTexts(*table, *details, 0)[8], u"ناتمام"_s) << "the SPSS and CSV files too";
}

} // namespace
} // namespace morvalen
