#pragma once

#include "shell/Context.h"
#include "store/Database.h"
#include "store/ExamineeListModel.h"
#include "views/MainWindowLock.h"

#include <QUrl>
#include <QWidget>

#include <memory>

namespace morvalen {
struct AnswerWorkbook;
}

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTextEdit;

namespace morvalen {

// The examinee file browser: pick an examinee by name and load their answers from an Excel
// answer workbook; also the blank workbook, from the maker's site or saved here.
class ExamineeFileWindow : public QWidget {
    Q_OBJECT

public:
    ExamineeFileWindow(const Context& context, QWidget* mainWindow);
    ~ExamineeFileWindow() override;

    // Where the blank answer workbook is downloaded from.
    static QUrl BlankWorkbookAddress();

    // The double click: import a workbook into the answers of the list's current examinee.
    void importAnswers();
    // Saves the blank answer workbook where the user chooses.
    void saveBlankWorkbook();

    QTableView* m_examineeList = nullptr;
    QLineEdit* m_searchEdit = nullptr; // above the list
    QLabel* m_nameLabel = nullptr;
    QLabel* m_codeLabel = nullptr;   // beside the name: the code of the examinee named
    QLineEdit* m_nameEdit = nullptr; // hidden: the current row's name
    QLineEdit* m_codeEdit = nullptr; // hidden: the current row's code, handed to the import
    QPushButton* m_helpButton = nullptr;
    QPushButton* m_downloadButton = nullptr;  // the blank workbook from the maker's site
    QPushButton* m_saveBlankButton = nullptr; // the blank workbook written here
    QPushButton* m_exitButton = nullptr;
    QGroupBox* m_helpPanel = nullptr;
    QTextEdit* m_helpText = nullptr;
    QPushButton* m_helpCloseButton = nullptr;
    QGroupBox* m_waitPanel = nullptr; // "please wait", while the import runs
    // How long reading a workbook may take before its progress dialog shows, in ms.
    int m_progressDelayMs = 500;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    // Takes the row's examinee for the import; with no row (-1) none is taken and the label
    // says so.
    void followCurrentRow(int row, bool showName);
    void reportImport(int status);
    // Reads the workbook on a thread of its own while this window stays responsive, with a
    // progress dialog whose cancel button gives up the read; false when cancelled.
    bool readAnswerWorkbook(const QString& path, AnswerWorkbook* workbook);

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    ExamineeListModel* m_list = nullptr;
    bool m_importing = false; // a workbook is being read; the window stays open meanwhile
};

} // namespace morvalen
