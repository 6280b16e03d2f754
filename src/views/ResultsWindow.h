#pragma once

#include "core/Numbered.h"
#include "core/Scoring.h"
#include "shell/Context.h"
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/ExamineeListModel.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QTextEdit;

namespace morvalen {

class ExportSnapshot;
enum class ResearchFormat;
class ProfileWindow;

// The results view: pick an examinee and see the 18 scale scores, percentages and the
// census of unanswered and high-rated items.
class ResultsWindow : public QWidget {
    Q_OBJECT

public:
    ResultsWindow(const Context& context, QWidget* mainWindow);
    ~ResultsWindow() override;

    // The double click on a list row: load, warn about blanks, score and show.
    void selectExaminee(int row);

    // The profile button: the chart of the examinee scored last, modal over this view.
    ProfileWindow* openProfile();

    // The Excel export the button uses; the application hands in the one it keeps for the
    // run. Without one the view makes its own at the first export.
    void setExcelExport(std::shared_ptr<ExportSnapshot> excel) { m_excel = std::move(excel); }
    // The Excel button: the export of every examinee.
    void exportToExcel();
    // The SPSS and CSV buttons: every examinee with labels and scale scores, from the same
    // snapshot as the Excel export.
    void exportForResearch(ResearchFormat format);

    // The results of the examinee scored last, for the profile and the reports.
    const ScoringResult& result() const { return m_result; }
    bool hasResult() const { return m_scored; }
    const QString& examineeCode() const { return m_code; }

    QTableView* m_examineeList = nullptr;
    QLineEdit* m_searchEdit = nullptr; // above the list
    // The labels of the scales, indexed by scale number, 1 to 18.
    Numbered<QLabel*, kScaleCount> m_rawScoreLabels{};
    Numbered<QLabel*, kScaleCount> m_percentLabels{};
    // The column titles "نمره" and "درصد" of the two blocks of the score table, block 1 and 2.
    Numbered<QLabel*, 2> m_rawScoreHeadings{};
    Numbered<QLabel*, 2> m_percentHeadings{};
    QLabel* m_totalUnansweredLabel = nullptr; // all unanswered items, hidden
    Numbered<QLabel*, kScaleCount> m_unansweredCountLabels{};
    Numbered<QLabel*, kScaleCount> m_highCountLabels{}; // how many answers 5 and 6
    Numbered<QLabel*, kScaleCount> m_highItemLabels{};  // the items answered 5 or 6, wrapping after commas
    // The "ed=" ... "pu=" before each value of the three census boxes, by scale number.
    Numbered<QLabel*, kScaleCount> m_unansweredCountNameLabels{};
    Numbered<QLabel*, kScaleCount> m_highCountNameLabels{};
    Numbered<QLabel*, kScaleCount> m_highItemNameLabels{};
    QLineEdit* m_summaryLineEdit = nullptr;      // the examinee's summary line, hidden
    QGroupBox* m_answersPanel = nullptr;         // the census of the answers
    QPushButton* m_answersCloseButton = nullptr; // its "بستن"
    QGroupBox* m_helpPanel = nullptr;
    QTextEdit* m_helpText = nullptr;
    QPushButton* m_helpCloseButton = nullptr;
    QPushButton* m_exitButton = nullptr;        // "خروج"
    QPushButton* m_profileButton = nullptr;     // "پروفايل "
    QPushButton* m_helpButton = nullptr;        // "راهنما"
    QPushButton* m_answersButton = nullptr;     // "پاسخها"
    QPushButton* m_excelExportButton = nullptr; // "خروجي اکسل داده ها"
    QPushButton* m_spssExportButton = nullptr;  // "خروجي SPSS"
    QPushButton* m_csvExportButton = nullptr;   // "خروجي CSV"
    // "ورود دوم ناتمام": the scores come from a sheet whose second typing is not settled.
    QLabel* m_secondEntryLabel = nullptr;

    // The examinee's answer sheets: the working one first, then each kept one with its date
    // and answered items. Choosing a row shows that sheet's scores under its title.
    void chooseSheet(int row);
    // "نگهداري پاسخنامه": keeps the working sheet after a question.
    void keepSheet();
    // "پاسخنامه جديد": keeps the working sheet unless it is kept already, then empties it.
    void startNewSheet();
    // Deletes the chosen kept sheet after a question.
    void deleteKeptSheet();
    // The kept sheets listed, in the order of the list's rows 1, 2, ...
    const QVector<Administration>& keptSheets() const { return m_keptSheets; }

    QGroupBox* m_sheetsPanel = nullptr;         // "پاسخنامه ها", under the examinee list
    QTableWidget* m_sheetList = nullptr;        // date, answered items
    QPushButton* m_keepSheetButton = nullptr;   // "نگهداري پاسخنامه"
    QPushButton* m_newSheetButton = nullptr;    // "پاسخنامه جديد"
    QPushButton* m_deleteSheetButton = nullptr; // "حذف پاسخنامه"
    QLabel* m_sheetTitleLabel = nullptr;        // which sheet the scores are of
    QLabel* m_examineeLabel = nullptr;          // whose scores are shown, name and code

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QWidget* buildScoreTable();
    QGroupBox* buildCensusPanel(QWidget* parent, const QString& panelName, const QString& caption,
                                const QString& labelName, const QString& emptyText,
                                Numbered<QLabel*, kScaleCount>& names,
                                Numbered<QLabel*, kScaleCount>& labels);
    void showResult(const ScoringResult& result);
    // Empties the scores, sheets and buttons: no examinee is loaded.
    void clearExaminee();
    QGroupBox* buildSheetsPanel();
    // Reads the working sheet and the kept ones of the examinee again, and shows the working one.
    void reloadSheets();
    void enableSheetButtons();

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<AnswerStore> m_answers;
    ExamineeListModel* m_listModel = nullptr;
    std::shared_ptr<ExportSnapshot> m_excel;
    ScoringResult m_result;
    bool m_scored = false;
    QString m_code;
    std::unique_ptr<AdministrationStore> m_administrations;
    QVector<Administration> m_keptSheets;
    QString m_examineeName;
    int m_workingAnswered = 0; // items answered on the working sheet
};

} // namespace morvalen
