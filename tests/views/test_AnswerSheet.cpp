// The answer sheet typed in through its real window, with keys as X delivers them.
#include "store/AnswerStore.h"
#include "store/Backup.h"
#include "store/ExamineeStore.h"
#include "store/SecondEntryStore.h"
#include "support/GuiFixture.h"
#include "views/AnswerSheetWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <map>
#include <string>
#include <vector>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class AnswerSheet : public test::GuiFixture {
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
        e.fullName = u"آزمودني "_s + code;
        ExamineeStore store(*db);
        ASSERT_TRUE(withRow ? store.addWithAnswerRow(e).has_value() : store.add(e).has_value());
    }

    AnswerSheetWindow* open() {
        auto* sheet = new AnswerSheetWindow(context, main);
        sheet->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet));
        return sheet;
    }

    // Double-clicks a list row and waits for the delayed load.
    static void pick(AnswerSheetWindow* sheet, int row) {
        QTableView* grid = sheet->m_examineeList;
        doubleClick(grid->viewport(), grid->visualRect(grid->model()->index(row, 1)).center());
        ASSERT_TRUE(QTest::qWaitFor([sheet] { return !sheet->loadedCode().isEmpty(); }, 3000));
    }

    // A key as X delivers it to the focused widget: its text included, and with Shift the
    // Shift key's own press first.
    static void key(AnswerSheetWindow* sheet, int key, const QString& text = {},
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = sheet->focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::sendKeyEvent(QTest::Click, focus, Qt::Key(key), text, modifiers);
    }

    static void typeDigit(AnswerSheetWindow* sheet, char digit) {
        key(sheet, Qt::Key_0 + (digit - '0'), QString(QLatin1Char(digit)));
    }

    static void tab(AnswerSheetWindow* sheet) { key(sheet, Qt::Key_Tab, u"\t"_s); }
    static void shiftTab(AnswerSheetWindow* sheet) {
        key(sheet, Qt::Key_Backtab, u"\t"_s, Qt::ShiftModifier);
    }

    int filledInDatabase(const QString& code) {
        const auto row = answers->row(code);
        return row ? static_cast<int>(std::count_if(row->begin(), row->end(),
                                                    [](const QString& a) { return !a.isEmpty(); }))
                   : -1;
    }

    QPointer<QWidget> main;
    std::unique_ptr<Database> db;
    std::unique_ptr<AnswerStore> answers;
};

// A key typed into a cell, as X delivers it.
struct TypedKey {
    const char* name;
    int key;
    QString text;
};

TEST_F(AnswerSheet, OpensEmptyAndLoadsAfterThePause) {
    addExaminee(u"1"_s, false);
    AnswerSheetWindow* sheet = open();
    EXPECT_FALSE(main->isEnabled());
    EXPECT_FALSE(sheet->m_pageOnePanel->isVisible());
    EXPECT_FALSE(sheet->m_saveButton->isEnabled());
    EXPECT_EQ(sheet->m_itemLabels[1]->text(), u"1"_s);
    EXPECT_EQ(sheet->m_itemLabels[232]->text(), u"232"_s);
    pick(sheet, 0);
    EXPECT_EQ(answers->hasRow(u"1"_s), true) << "a missing answer row is made";
    EXPECT_TRUE(sheet->m_pageOnePanel->isVisible());
    EXPECT_FALSE(sheet->m_pageTwoPanel->isVisible());
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[1]);
    for (QPushButton* button : {sheet->m_saveButton, sheet->m_nextPageButton, sheet->m_previousPageButton}) {
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    }
    // Pages: 1 to 140 in seven columns, 141 to 232 in five; items run down each column.
    EXPECT_EQ(sheet->m_answerCells[140]->parentWidget(), sheet->m_pageOnePanel);
    EXPECT_EQ(sheet->m_answerCells[141]->parentWidget(), sheet->m_pageTwoPanel);
    EXPECT_LT(sheet->m_answerCells[1]->y(), sheet->m_answerCells[20]->y());
    EXPECT_EQ(sheet->m_answerCells[1]->y(), sheet->m_answerCells[21]->y());
    EXPECT_EQ(sheet->m_answerCells[141]->y(), sheet->m_answerCells[221]->y());
}

TEST_F(AnswerSheet, AnswersOneToSixInAnyDigitsAreStoredAsAsciiAndCount) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    // The Persian keyboard's number row gives U+06F1 to U+06F6, an Arabic one U+0661 to
    // U+0666; their key codes are the characters themselves, not Qt::Key_1 to Qt::Key_6.
    std::vector<TypedKey> keys;
    for (int value = 1; value <= 6; ++value) {
        keys.push_back({"ASCII", Qt::Key_0 + value, QString::number(value)});
        keys.push_back({"Persian", 0x06F0 + value, QString(QChar(0x06F0 + value))});
        keys.push_back({"Arabic-Indic", 0x0660 + value, QString(QChar(0x0660 + value))});
    }
    int item = 1;
    for (const TypedKey& typed : keys) {
        SCOPED_TRACE(std::string(typed.name) + " digit typed into item " + std::to_string(item));
        const QString ascii = QString::number(1 + (item - 1) / 3);
        ASSERT_EQ(sheet->focusWidget(), sheet->m_answerCells[item]);
        const int keysBefore = sheet->keyCount();
        key(sheet, typed.key, typed.text);
        EXPECT_EQ(sheet->m_answerCells[item]->text(), ascii);
        EXPECT_EQ(answers->cell(u"1"_s, item), ascii) << "stored at once, as the ASCII digit";
        EXPECT_EQ(sheet->keyCount(), (keysBefore + 1) % 15);
        EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[item + 1]);
        ++item;
    }
}

TEST_F(AnswerSheet, RefusedKeysChangeNothingAndDoNotCount) {
    addExaminee(u"1"_s, true);
    ASSERT_TRUE(answers->setCell(u"1"_s, 1, u"2"_s));
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    const std::vector<TypedKey> refused{
        {"7", Qt::Key_7, u"7"_s},
        {"0", Qt::Key_0, u"0"_s},
        {"Persian 0", 0x06F0, QString(QChar(0x06F0))},
        {"Persian 7", 0x06F7, QString(QChar(0x06F7))},
        {"Persian 9", 0x06F9, QString(QChar(0x06F9))},
        {"Arabic-Indic 8", 0x0668, QString(QChar(0x0668))},
        {"letter", Qt::Key_A, u"a"_s},
        {"Persian letter", Qt::Key_unknown, u"ب"_s},
        {"blank", Qt::Key_Space, u" "_s},
        {"Backspace", Qt::Key_Backspace, u"\b"_s},
        {"Delete", Qt::Key_Delete, u"\x7f"_s},
        {"Delete without text", Qt::Key_Delete, QString()},
        {"Enter", Qt::Key_Return, u"\r"_s},
    };
    for (const TypedKey& typed : refused) {
        SCOPED_TRACE(typed.name);
        key(sheet, typed.key, typed.text);
        EXPECT_EQ(sheet->m_answerCells[1]->text(), u"2"_s);
        EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[1]) << "no advance";
        EXPECT_EQ(sheet->keyCount(), 0) << "a refused key does not count";
    }
    EXPECT_EQ(answers->cell(u"1"_s, 1), u"2"_s);
    typeDigit(sheet, '3');
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u"3"_s);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[2]);
    EXPECT_EQ(sheet->keyCount(), 1);
}

TEST_F(AnswerSheet, TabAndShiftTabMoveCellByCellAcrossThePages) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    tab(sheet);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[2]) << "item 1 skipped, unanswered";
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u""_s);
    typeDigit(sheet, '4');
    EXPECT_EQ(sheet->m_answerCells[2]->text(), u"4"_s);
    shiftTab(sheet);
    shiftTab(sheet);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[1]);
    typeDigit(sheet, '6');
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u"6"_s);
    EXPECT_EQ(sheet->m_answerCells[2]->text(), u"4"_s) << "Tab and Shift+Tab type nothing";
    EXPECT_EQ(sheet->keyCount(), 2) << "only the two answers count";

    sheet->m_answerCells[139]->setFocus();
    tab(sheet);
    ASSERT_EQ(sheet->focusWidget(), sheet->m_answerCells[140]);
    tab(sheet);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[141]);
    EXPECT_EQ(sheet->page(), 2);
    EXPECT_TRUE(sheet->m_pageTwoPanel->isVisible());
    EXPECT_FALSE(sheet->m_pageOnePanel->isVisible());
    shiftTab(sheet);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[140]);
    EXPECT_EQ(sheet->page(), 1);
    EXPECT_TRUE(sheet->m_pageOnePanel->isVisible());
    EXPECT_FALSE(sheet->m_pageTwoPanel->isVisible());
    typeDigit(sheet, '5');
    EXPECT_EQ(answers->cell(u"1"_s, 140), u"5"_s);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[141]);
    EXPECT_EQ(sheet->keyCount(), 3);

    // Past either end the focus leaves the cells as Tab does anywhere: after the last item
    // for the examinee list, before the first for the buttons beside the list.
    sheet->m_answerCells[232]->setFocus();
    tab(sheet);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_examineeList);
    sheet->m_answerCells[1]->setFocus();
    shiftTab(sheet);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_secondEntryButton);
}

TEST_F(AnswerSheet, PageButtonsPutTheFocusOnThePagesFirstCell) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    sheet->m_answerCells[37]->setFocus();
    QTest::mouseClick(sheet->m_nextPageButton, Qt::LeftButton);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[141]);
    typeDigit(sheet, '3');
    EXPECT_EQ(sheet->m_answerCells[141]->text(), u"3"_s);
    QTest::mouseClick(sheet->m_previousPageButton, Qt::LeftButton);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[1]);
    typeDigit(sheet, '2');
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u"2"_s);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[2]);
}

TEST_F(AnswerSheet, PageSwitchesKeepTheWindowSize) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    QCoreApplication::processEvents();
    const QSize size = sheet->size();
    QTest::mouseClick(sheet->m_nextPageButton, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(sheet->size(), size) << "after next";
    QTest::mouseClick(sheet->m_previousPageButton, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(sheet->size(), size) << "after next, then previous";
    // The same by keyboard: Tab past item 140 and Shift+Tab back.
    sheet->m_answerCells[140]->setFocus();
    tab(sheet);
    shiftTab(sheet);
    QCoreApplication::processEvents();
    EXPECT_EQ(sheet->size(), size) << "after Tab and Shift+Tab";
    EXPECT_TRUE(sheet->m_pageOnePanel->isVisible());
}

TEST_F(AnswerSheet, EachAnswerIsStoredAsTypedAndTheFifteenthKeyStartsTheCountAgain) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    ASSERT_EQ(sheet->keyCount(), 0);
    for (int i = 1; i <= 14; ++i) {
        typeDigit(sheet, '5');
        ASSERT_EQ(filledInDatabase(u"1"_s), i) << "each answer is written as it is typed";
        ASSERT_EQ(sheet->keyCount(), i);
    }
    typeDigit(sheet, '5');
    EXPECT_EQ(filledInDatabase(u"1"_s), 15);
    EXPECT_EQ(sheet->keyCount(), 0);
}

// A sheet open on another workstation, in a process of its own: it loads the examinee,
// waits while this side writes, then types the given answers and closes. Its output lines.
class OtherWorkstation {
public:
    OtherWorkstation(const QString& programFolder, const QStringList& typed) {
        m_child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_child.start(QStringLiteral(MORVALEN_ANSWER_SHEET_CHILD),
                      QStringList{programFolder, u"idle"_s} + typed);
    }
    ~OtherWorkstation() {
        if (m_child.state() != QProcess::NotRunning) {
            m_child.kill();
            m_child.waitForFinished();
        }
    }
    bool waitUntilLoaded() {
        while (!m_output.contains("loaded\n") && m_child.state() != QProcess::NotRunning) {
            m_child.waitForReadyRead(10000);
            m_output += m_child.readAllStandardOutput();
        }
        return m_output.contains("loaded\n");
    }
    // Lets it type and close; its output then.
    QString finish() {
        m_child.write("go\n");
        m_child.closeWriteChannel();
        m_child.waitForFinished(30000);
        m_output += m_child.readAllStandardOutput();
        return QString::fromUtf8(m_output);
    }
    bool closedNormally() const {
        return m_child.exitStatus() == QProcess::NormalExit && m_child.exitCode() == 0;
    }

private:
    QProcess m_child;
    QByteArray m_output;
};

// Two workstations on one examinee: the sheet on the other one was loaded before this side
// stored a whole questionnaire; its one typed answer and its close change only that cell.
TEST_F(AnswerSheet, AnotherWorkstationsOpenSheetChangesOnlyWhatItsUserTyped) {
    addExaminee(u"1"_s, true);
    struct Case {
        const char* name;
        QStringList typed;
    };
    for (const Case& c : {Case{"idle", {}}, Case{"one key", {u"7=3"_s}}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(answers->setRow(u"1"_s, AnswerRow{}));
        OtherWorkstation other(folder.path(), c.typed);
        ASSERT_TRUE(other.waitUntilLoaded());
        for (int item = 1; item <= kItemCount; ++item) {
            ASSERT_TRUE(answers->setCell(u"1"_s, item, u"5"_s)); // as the questionnaire stores them
        }
        const QString output = other.finish();
        EXPECT_TRUE(other.closedNormally()) << output.toStdString();
        EXPECT_TRUE(output.contains(u"closed"_s)) << output.toStdString();
        const auto row = answers->row(u"1"_s);
        ASSERT_TRUE(row);
        for (int item = 1; item <= kItemCount; ++item) {
            const QString expected = !c.typed.isEmpty() && item == 7 ? u"3"_s : u"5"_s;
            EXPECT_EQ((*row)[item - 1], expected) << "item " << item;
        }
    }
}

// A restore between the other workstation's load and its typing: the restored database's
// examinee with that code is another person, so nothing is written, the sheet says why and
// keeps the typed answer on screen (the child then leaves without saving).
TEST_F(AnswerSheet, ARestoreUnderAnOpenSheetStopsItsWrites) {
    addExaminee(u"1"_s, true);
    QTemporaryDir backups;
    const QString backup = backups.filePath(u"backup.mdb"_s);
    if (test::TempProgramFolder::onServer()) {
        ASSERT_EQ(MakeServerBackup(folder.server(), backup, nullptr), ServerBackupOutcome::Made);
    } else {
        ASSERT_TRUE(MakeBackup(folder.path() + u"/morvalen.mdb"_s, backup, nullptr));
    }
    OtherWorkstation other(folder.path(), {u"7=3"_s});
    ASSERT_TRUE(other.waitUntilLoaded());
    QString why;
    const RestoreOutcome restored = test::TempProgramFolder::onServer()
                                        ? RestoreBackupToServer(backup, folder.server(), &why)
                                        : RestoreBackup(backup, folder.path() + u"/morvalen.mdb"_s, &why);
    ASSERT_EQ(restored, RestoreOutcome::Restored) << why.toStdString();
    const QString output = other.finish();
    EXPECT_TRUE(output.contains(u"message "_s + kRestoredUnderWindowText)) << output.toStdString();
    auto fresh = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(AnswerStore(*fresh).cell(u"1"_s, 7), u""_s) << "nothing written after the restore";
}

// The program killed while the tester types: every answer the sheet has taken is in the
// database afterwards. The child types at full speed and reports each key once the window
// has handled it; the kill lands wherever the child then is, a write included.
TEST_F(AnswerSheet, KilledWhileTypingKeepsEveryTypedAnswer) {
    addExaminee(u"1"_s, true);
    // Kill points, in keys reported: before and after the first 15, and just past page one.
    for (const int killAfter : {3, 9, 16, 44, 143}) {
        SCOPED_TRACE("killed after " + std::to_string(killAfter) + " keys");
        ASSERT_TRUE(answers->setRow(u"1"_s, AnswerRow{}));
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(MORVALEN_ANSWER_SHEET_CHILD), {folder.path()});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray output;
        while (output.count('\n') < killAfter && child.state() == QProcess::Running) {
            child.waitForReadyRead(10000);
            output += child.readAllStandardOutput();
        }
        ASSERT_EQ(child.state(), QProcess::Running) << "the child ended by itself: " << output.toStdString();
        child.kill(); // SIGKILL: no handler runs
        child.waitForFinished();
        output += child.readAllStandardOutput();

        std::map<int, QString> typed; // item -> the answer the child reported typed
        for (const QByteArray& line : output.split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 2) {
                typed[parts[0].toInt()] = QString::fromLatin1(parts[1]);
            }
        }
        ASSERT_GE(static_cast<int>(typed.size()), killAfter);
        const auto row = answers->row(u"1"_s);
        ASSERT_TRUE(row);
        const int lastReported = typed.rbegin()->first;
        for (int item = 1; item <= kItemCount; ++item) {
            const QString stored = (*row)[static_cast<std::size_t>(item - 1)];
            if (typed.count(item)) {
                EXPECT_EQ(stored, typed[item]) << "item " << item << " was typed";
            } else if (item != lastReported + 1) {
                // Only the key being handled at the kill may be stored without a report.
                EXPECT_EQ(stored, u""_s) << "item " << item << " was not typed";
            }
        }
        QSqlQuery check(db->handle());
        ASSERT_TRUE(check.exec(u"PRAGMA integrity_check"_s) && check.next());
        EXPECT_EQ(check.value(0).toString(), u"ok"_s);
    }
}

TEST_F(AnswerSheet, PageTwoFollowsItem140AndTheLastCellKeepsTheFocus) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    sheet->m_answerCells[140]->setFocus();
    typeDigit(sheet, '5');
    EXPECT_FALSE(sheet->m_pageOnePanel->isVisible());
    EXPECT_TRUE(sheet->m_pageTwoPanel->isVisible());
    EXPECT_EQ(sheet->page(), 2);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[141]);
    sheet->m_answerCells[232]->setFocus();
    typeDigit(sheet, '2');
    EXPECT_EQ(sheet->m_answerCells[232]->text(), u"2"_s);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[232]);
    // Next on page 2 stays there, previous twice ends on page 1.
    QTest::mouseClick(sheet->m_nextPageButton, Qt::LeftButton);
    EXPECT_EQ(sheet->page(), 2);
    QTest::mouseClick(sheet->m_previousPageButton, Qt::LeftButton);
    QTest::mouseClick(sheet->m_previousPageButton, Qt::LeftButton);
    EXPECT_EQ(sheet->page(), 1);
    EXPECT_TRUE(sheet->m_pageOnePanel->isVisible());
}

TEST_F(AnswerSheet, WholeSheetThenExitKeepsAll232Answers) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    for (int i = 0; i < kItemCount; ++i) {
        typeDigit(sheet, static_cast<char>('1' + i % 6));
    }
    EXPECT_EQ(filledInDatabase(u"1"_s), 232) << "every answer is stored as it is typed";
    QTest::mouseClick(sheet->m_exitButton, Qt::LeftButton);
    const auto row = answers->row(u"1"_s);
    ASSERT_TRUE(row);
    for (int i = 0; i < kItemCount; ++i) {
        EXPECT_EQ((*row)[i], QString::number(1 + i % 6)) << "item " << i + 1;
    }
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(AnswerSheet, SaveButtonSaysSaved) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    typeDigit(sheet, '4');
    QTest::mouseClick(sheet->m_saveButton, Qt::LeftButton);
    EXPECT_EQ(answers->cell(u"1"_s, 1), u"4"_s);
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    EXPECT_TRUE(MessageBox::shown().back().timed);
    EXPECT_EQ(MessageBox::shown().back().text, u"ذخيره شد"_s);
}

TEST_F(AnswerSheet, SecondExamineeReplacesTheFirstAndKeepsItsAnswers) {
    addExaminee(u"1"_s, true);
    addExaminee(u"2"_s, true);
    ASSERT_TRUE(answers->setCell(u"1"_s, 100, u"6"_s));
    // An imported cell holding more than one character is written back as it was.
    ASSERT_TRUE(answers->setCell(u"1"_s, 200, u"12"_s));
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0); // the newest: examinee 2
    ASSERT_EQ(sheet->loadedCode(), u"2"_s);
    typeDigit(sheet, '3');
    QTableView* grid = sheet->m_examineeList;
    doubleClick(grid->viewport(), grid->visualRect(grid->model()->index(1, 1)).center());
    EXPECT_EQ(answers->cell(u"2"_s, 1), u"3"_s) << "saved before the next examinee is loaded";
    for (QLineEdit* cell : sheet->m_answerCells) {
        ASSERT_TRUE(cell->text().isEmpty()) << "all cells are cleared at once";
    }
    ASSERT_TRUE(QTest::qWaitFor([sheet] { return sheet->loadedCode() == u"1"_s; }, 3000));
    EXPECT_EQ(sheet->m_answerCells[100]->text(), u"6"_s);
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u""_s);
    sheet->close();
    EXPECT_EQ(answers->cell(u"1"_s, 200), u"12"_s);
}

// The whole paper sheet typed a second time, blind, with three keying slips among the 232
// keys: the comparison starts by itself at the end, the three items are walked through and
// the paper's values end in the answer row, and the summary reports the agreement.
TEST_F(AnswerSheet, SecondEntryWithThreeDifferencesIsReconciledToThePaper) {
    addExaminee(u"1"_s, true);
    AnswerRow first;
    for (int i = 0; i < kItemCount; ++i) {
        first[i] = QString::number(1 + i % 6);
    }
    first[6] = u"2"_s; // item 7: the first typing's slip, the paper says 1
    ASSERT_TRUE(answers->setRow(u"1"_s, first));
    MessageBox::setFallbackAnswer(QMessageBox::Ok); // the summary's OK
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    ASSERT_TRUE(sheet->m_secondEntryButton->isEnabled());
    QTest::mouseClick(sheet->m_secondEntryButton, Qt::LeftButton);
    ASSERT_TRUE(sheet->inSecondEntry());
    EXPECT_TRUE(sheet->m_entryModeLabel->isVisible());
    for (QLineEdit* cell : sheet->m_answerCells) {
        ASSERT_TRUE(cell->text().isEmpty()) << "the first typing is hidden";
    }
    ASSERT_EQ(sheet->focusWidget(), sheet->m_answerCells[1]);

    // The paper: item i holds 1 + (i - 1) % 6. The second typing slips on items 140 and 200,
    // types item 7 right, and goes over item 30 with Tab and back with Shift+Tab on the way.
    for (int item = 1; item <= kItemCount; ++item) {
        char digit = static_cast<char>('1' + (item - 1) % 6);
        if (item == 140) {
            digit = '6';
        } else if (item == 200) {
            digit = digit == '1' ? '2' : '1';
        }
        if (item == 30) {
            tab(sheet);
            shiftTab(sheet);
        }
        ASSERT_EQ(sheet->focusWidget(), sheet->m_answerCells[item]) << "item " << item;
        if (item == 50) {
            // From the Persian number row, stored as the ASCII digit.
            key(sheet, 0x06F0 + (digit - '0'), QString(QChar(0x06F0 + (digit - '0'))));
        } else {
            typeDigit(sheet, digit);
        }
        if (item == 100) {
            EXPECT_EQ(answers->cell(u"1"_s, 100), first[99]) << "the answer row is not touched";
            EXPECT_EQ(SecondEntryStore(*db).row(u"1"_s)->at(99), QString(QLatin1Char(digit)))
                << "stored as typed";
        }
    }
    EXPECT_EQ(sheet->openDifferences(), (std::vector<int>{7, 140, 200})) << "compared at the end by itself";
    EXPECT_TRUE(sheet->m_reconcilePanel->isVisible());
    EXPECT_TRUE(sheet->m_answerCells[140]->property("difference").toBool());
    EXPECT_FALSE(sheet->m_answerCells[141]->property("difference").toBool());
    EXPECT_EQ(sheet->m_differenceItemLabel->text(), u"سوال 7"_s);
    EXPECT_EQ(sheet->m_firstValueLabel->text(), u"ورود اول: 2"_s);
    EXPECT_EQ(sheet->m_secondValueLabel->text(), u"ورود دوم: 1"_s);
    EXPECT_EQ(sheet->m_differenceCountLabel->text(), u"اختلاف 1 از 3"_s);
    ASSERT_EQ(sheet->focusWidget(), sheet->m_paperValueEdit);

    const QString paper140 = QString::number(1 + 139 % 6);
    const QString paper200 = QString::number(1 + 199 % 6);
    key(sheet, Qt::Key_7, u"7"_s); // no answer: refused, nothing settled
    EXPECT_EQ(sheet->openDifferences().size(), 3u);
    typeDigit(sheet, '1');
    EXPECT_EQ(sheet->m_differenceItemLabel->text(), u"سوال 140"_s);
    EXPECT_EQ(sheet->page(), 1);
    const char32_t persian = 0x06F0 + paper140.toInt();
    key(sheet, int(persian), QString(QChar(char16_t(persian))));
    EXPECT_EQ(sheet->page(), 2) << "the item's page is shown";
    key(sheet, Qt::Key_0 + paper200.toInt(), paper200);

    EXPECT_TRUE(sheet->openDifferences().empty());
    EXPECT_FALSE(sheet->m_reconcilePanel->isVisible());
    EXPECT_FALSE(sheet->inSecondEntry());
    const auto row = answers->row(u"1"_s);
    ASSERT_TRUE(row);
    for (int i = 0; i < kItemCount; ++i) {
        ASSERT_EQ((*row)[i], QString::number(1 + i % 6)) << "the paper's value, item " << i + 1;
    }
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    EXPECT_EQ(MessageBox::shown().back().text,
              u"ورود دوم با ورود اول تطبيق داده شد.\r\nتعداد سوالات مقايسه شده: 232\r\nتعداد اختلاف ها: 3"
              u"\r\nميزان توافق: 98.7 درصد"_s);
    SecondEntryStore entries(*db);
    const auto state = entries.state(u"1"_s);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->comparedItems, 232);
    EXPECT_EQ(state->differences, 3);
    EXPECT_FALSE(state->settledDate.isEmpty());
    EXPECT_EQ(entries.verification(u"1"_s), Verification::Verified);
    for (QLineEdit* cell : sheet->m_answerCells) {
        ASSERT_FALSE(cell->property("difference").toBool());
    }
}

// The whole second typing from the keyboard: Enter on the list row loads the sheet, Space on
// the focused button opens the second typing, and in the reconciliation Tab reaches "بدون پاسخ" while 0 and
// Delete in the paper field settle an item as blank on the paper.
TEST_F(AnswerSheet, SecondEntryAndReconciliationNeedNoMouse) {
    addExaminee(u"1"_s, true);
    AnswerRow first;
    first.fill(u"1"_s);
    first[4] = u"2"_s; // items 5 and 9: blank on the paper, typed the first time
    first[8] = u"3"_s;
    ASSERT_TRUE(answers->setRow(u"1"_s, first));
    MessageBox::setFallbackAnswer(QMessageBox::Ok);
    AnswerSheetWindow* sheet = open();
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    const auto press = [sheet](Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
        QTest::sendKeyEvent(QTest::Click, sheet->windowHandle(), key, text, modifiers);
    };
    sheet->m_examineeList->setFocus();
    sheet->m_examineeList->setCurrentIndex(sheet->m_examineeList->model()->index(0, 1));
    press(Qt::Key_Return, u"\r"_s);
    ASSERT_TRUE(QTest::qWaitFor([sheet] { return sheet->loadedCode() == u"1"_s; }, 3000));
    EXPECT_EQ(sheet->m_examineeLabel->text(), u"آزمودني: %1    کد: 1"_s.arg(
                                                  sheet->m_examineeList->model()->index(0, 1).data().toString()));
    // The buttons take the focus: Space on "ورود دوم" opens the second typing.
    ASSERT_EQ(sheet->m_secondEntryButton->focusPolicy(), Qt::StrongFocus);
    sheet->m_secondEntryButton->setFocus(Qt::TabFocusReason);
    key(sheet, Qt::Key_Space, u" "_s);
    ASSERT_TRUE(sheet->inSecondEntry());
    for (int item = 1; item <= kItemCount; ++item) {
        typeDigit(sheet, '1');
    }
    ASSERT_EQ(sheet->openDifferences(), (std::vector<int>{5, 9}));
    ASSERT_EQ(sheet->focusWidget(), sheet->m_paperValueEdit);
    tab(sheet);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_paperBlankButton);
    shiftTab(sheet);
    ASSERT_EQ(sheet->focusWidget(), sheet->m_paperValueEdit);
    typeDigit(sheet, '0');
    EXPECT_EQ(sheet->openDifferences(), (std::vector<int>{9}));
    key(sheet, Qt::Key_Delete, u"\x7f"_s);
    EXPECT_TRUE(sheet->openDifferences().empty());
    EXPECT_EQ(answers->cell(u"1"_s, 5), QString());
    EXPECT_EQ(answers->cell(u"1"_s, 9), QString());
    EXPECT_EQ(answers->cell(u"1"_s, 10), u"1"_s);
}

// A second typing left half done, and one compared but not settled, go on where they stood
// after the sheet is closed and opened again; "مقايسه" compares on demand.
TEST_F(AnswerSheet, SecondEntryGoesOnAfterReopeningAndComparesOnDemand) {
    addExaminee(u"1"_s, true);
    AnswerRow first;
    first.fill(u"4"_s);
    ASSERT_TRUE(answers->setRow(u"1"_s, first));
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    QTest::mouseClick(sheet->m_secondEntryButton, Qt::LeftButton);
    for (int i = 0; i < 3; ++i) {
        typeDigit(sheet, i == 1 ? '5' : '4');
    }
    sheet->close();
    ASSERT_TRUE(answers->row(u"1"_s) == first) << "the second typing never reaches the answer row";

    sheet = open();
    pick(sheet, 0);
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u"4"_s) << "the first typing, outside the second";
    QTest::mouseClick(sheet->m_secondEntryButton, Qt::LeftButton);
    EXPECT_EQ(sheet->m_answerCells[2]->text(), u"5"_s);
    EXPECT_EQ(sheet->m_answerCells[4]->text(), u""_s);
    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::mouseClick(sheet->m_compareButton, Qt::LeftButton);
    EXPECT_EQ(MessageBox::shown().back().text, u"ورود دوم هنوز كامل نشده است. آيا مقايسه مي كنيد؟"_s);
    EXPECT_TRUE(sheet->openDifferences().empty()) << "a half-typed sheet is compared only when asked";
    EXPECT_FALSE(SecondEntryStore(*db).state(u"1"_s)->compared);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(sheet->m_compareButton, Qt::LeftButton);
    std::vector<int> expected{2};
    for (int item = 4; item <= kItemCount; ++item) {
        expected.push_back(item); // typed in the first, not yet in the second
    }
    EXPECT_EQ(sheet->openDifferences(), expected);
    sheet->close();

    sheet = open();
    pick(sheet, 0);
    QTest::mouseClick(sheet->m_secondEntryButton, Qt::LeftButton);
    EXPECT_EQ(sheet->openDifferences(), expected) << "the open differences, straight away";
    EXPECT_EQ(SecondEntryStore(*db).state(u"1"_s)->differences, 230);
}

TEST_F(AnswerSheet, EmptyListStartsNothing) {
    AnswerSheetWindow* sheet = open();
    doubleClick(sheet->m_examineeList->viewport(), QPoint(20, 20));
    QTest::qWait(150);
    EXPECT_TRUE(sheet->loadedCode().isEmpty());
    QSqlQuery q(db->handle());
    ASSERT_TRUE(q.exec(u"SELECT count(*) FROM Answer1"_s) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
}

} // namespace
} // namespace morvalen
