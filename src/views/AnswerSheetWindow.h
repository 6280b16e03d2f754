#pragma once

#include "core/Numbered.h"
#include "shell/Context.h"
#include "store/AnswerStore.h"
#include "store/ExamineeListModel.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <bitset>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTextEdit;
class QTimer;

namespace morvalen {

// The answer sheet: a paper sheet typed in at one key per item, on two pages of cells. Each
// answer is stored as it is typed; the whole row is written again every 15 answers, on the
// save button and whenever the sheet is left.
class AnswerSheetWindow : public QWidget {
    Q_OBJECT

public:
    AnswerSheetWindow(const Context& context, QWidget* mainWindow);
    ~AnswerSheetWindow() override;

    // Writes the loaded examinee's answers. False when the write failed (or nobody is loaded).
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

    QTableView* m_examineeList = nullptr;
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
    QTimer* m_loadTimer = nullptr; // the pause between the double click and the load

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
    AnswerRow currentRow() const;

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<AnswerStore> m_answers;
    ExamineeListModel* m_list = nullptr;
    QString m_pendingCode; // double-clicked, waiting for the timer
    QString m_loadedCode;
    // The row as stored: a cell the tester has not typed in is written back unchanged, even
    // if it held more than the one character a cell shows.
    AnswerRow m_stored;
    // Which cells the tester typed in since the last save; bit item - 1 for each item, as
    // in the stored row.
    std::bitset<kItemCount> m_typed;
    int m_page = 1;
    int m_keys = 0; // answers typed since the last autosave
};

} // namespace morvalen
