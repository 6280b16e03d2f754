#pragma once

#include "core/Numbered.h"
#include "shell/Context.h"
#include "store/AnswerStore.h"
#include "store/ExamineeListModel.h"
#include "store/SecondEntryStore.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <bitset>
#include <memory>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTextEdit;
class QTimer;

namespace morvalen {

// The answer sheet: a paper sheet typed in at one key per item, on two pages of cells. Each
// answer is stored as it is typed, by itself; a cell whose write failed is written again
// every 15 answers, on the save button and whenever the sheet is left. No other cell is ever
// written, so what another workstation stores meanwhile stays. A typed sheet can be typed a second time with
// the first typing hidden; the two are then compared and each difference settled against
// the paper.
class AnswerSheetWindow : public QWidget {
    Q_OBJECT

public:
    AnswerSheetWindow(const Context& context, QWidget* mainWindow);
    ~AnswerSheetWindow() override;

    // Writes the typed answers not stored yet. False when the write failed (or nobody is loaded).
    bool saveAnswers();
    // The code of the examinee whose answers are in the cells; empty while none is.
    const QString& loadedCode() const { return m_loadedCode; }
    int page() const { return m_page; }
    int keyCount() const { return m_keys; }
    void setPage(int page);
    // The next and previous buttons: the page, with the focus on its first item.
    void turnPage(int page);
    // The double click on a list row: save the examinee in the cells, clear them, and load
    // this one after the pause.
    void selectExaminee(int row);

    // "ورود دوم": the cells open with the second typing (empty at first) and store into it;
    // a sheet compared before goes on with its open differences.
    void startSecondEntry();
    bool inSecondEntry() const { return m_secondEntry; }
    // Compares both typings, marks the differing cells and walks through them; called when
    // the second typing is complete or on "مقايسه".
    void compareEntries();
    // The value on the paper for the difference shown; empty for an item left blank.
    void settleDifference(const QString& value);
    // The differences not yet settled, by item, the one shown first.
    std::vector<int> openDifferences() const;

    QTableView* m_examineeList = nullptr;
    QLabel* m_examineeLabel = nullptr;              // whose sheet the cells hold, name and code
    QLineEdit* m_searchEdit = nullptr;              // above the list
    Numbered<QLineEdit*, kItemCount> m_answerCells; // by item, 1 to 232
    Numbered<QLabel*, kItemCount> m_itemLabels;     // the item numbers beside the cells
    QGroupBox* m_pageOnePanel = nullptr;            // items 1 to 140
    QGroupBox* m_pageTwoPanel = nullptr;            // items 141 to 232
    QPushButton* m_exitButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_nextPageButton = nullptr;
    QPushButton* m_previousPageButton = nullptr;
    QPushButton* m_helpButton = nullptr; // "راهنما"
    QGroupBox* m_helpPanel = nullptr;
    QTextEdit* m_helpText = nullptr;
    QPushButton* m_helpCloseButton = nullptr;
    QTimer* m_loadTimer = nullptr;              // the pause between the double click and the load
    QPushButton* m_secondEntryButton = nullptr; // "ورود دوم"
    QPushButton* m_compareButton = nullptr;     // "مقايسه", while the second typing is open
    QLabel* m_entryModeLabel = nullptr;         // says that the second typing is open
    QGroupBox* m_reconcilePanel = nullptr;      // one difference at a time
    QLabel* m_differenceCountLabel = nullptr;   // "اختلاف 1 از 3"
    QLabel* m_differenceItemLabel = nullptr;    // the item's number
    QLabel* m_firstValueLabel = nullptr;
    QLabel* m_secondValueLabel = nullptr;
    QLineEdit* m_paperValueEdit = nullptr;     // where the value on the paper is typed
    QPushButton* m_paperBlankButton = nullptr; // the item is blank on the paper

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QGroupBox* buildPage(int firstItem, int lastItem, int columns);
    void load();
    void clearCells();
    // Shows the item's page and puts the focus on its cell, ready to be typed over.
    void focusCell(int item);
    // Puts the typed answer in the item's cell, stores it and moves the focus to the next
    // item.
    void enterAnswer(int item, char digit);
    void countKey();
    bool writeCell(int item, const QString& answer);
    // The restore's message when a restore is why a write failed, else text.
    void tellWriteFailure(const QString& text);
    // The second typing holds an answer wherever the first does and has reached the sheet's end.
    bool secondEntryComplete(int typedItem) const;
    // Wherever the first typing holds an answer, the second holds one too.
    bool secondCoversFirst() const;
    void showDifference();
    void markDifference(int item, bool marked);
    void finishReconciliation();
    void leaveSecondEntry();
    QString timeText() const;

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<AnswerStore> m_answers;
    std::unique_ptr<SecondEntryStore> m_secondEntries;
    ExamineeListModel* m_list = nullptr;
    QString m_pendingCode; // double-clicked, waiting for the timer
    QString m_pendingName;
    QString m_loadedCode;
    // The row as read at the load, with what was typed here since.
    AnswerRow m_stored;
    // The cells typed here whose write has not succeeded yet; bit item - 1 for each item, as
    // in the stored row.
    std::bitset<kItemCount> m_typed;
    int m_page = 1;
    int m_keys = 0;             // answers typed since the last autosave
    bool m_secondEntry = false; // the cells hold the second typing (or its differences)
    AnswerRow m_firstEntry;     // the first typing, kept out of sight while the second is typed
    AnswerRow m_secondCells;    // the second typing as compared
    std::vector<int> m_differences;
    std::size_t m_differenceAt = 0; // the difference shown
};

} // namespace morvalen
