#pragma once

#include "core/Scoring.h"
#include "shell/Context.h"
#include "store/AnswerStore.h"
#include "store/ExamineeListModel.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <array>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTextEdit;

namespace morvalen {

class ExportSnapshot;
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

    // The results of the examinee scored last, for the profile and the reports.
    const ScoringResult& result() const { return m_result; }
    bool hasResult() const { return m_scored; }
    const QString& examineeCode() const { return m_code; }

    QTableView* VSFlexGrid1 = nullptr;
    std::array<QLabel*, kScaleCount> LblKH{};      // raw scores, index = scale number - 1
    std::array<QLabel*, kScaleCount> Lbldarsad{};  // percentages, index = scale number - 1
    std::array<QLabel*, kScaleCount + 1> LblNt{};  // [0] total unanswered, [1..18] per scale
    std::array<QLabel*, kScaleCount + 1> LblNt2{}; // [1..18] high counts
    std::array<QLabel*, kScaleCount + 1> LblNt3{}; // [1..18] high items, able to wrap after each comma
    QLineEdit* Txtid = nullptr;                    // the summary line, hidden
    QGroupBox* GroupBPasokh = nullptr;             // the answers panel
    QPushButton* PushButton4 = nullptr;            // its "بستن"
    QGroupBox* GroupBox3 = nullptr;                // help
    QTextEdit* TxtHelp = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushB1 = nullptr;      // "خروج"
    QPushButton* PushBNem1 = nullptr;   // "پروفايل "
    QPushButton* PushButton1 = nullptr; // "راهنما"
    QPushButton* PushButton5 = nullptr; // "پاسخها"
    QPushButton* PushButton7 = nullptr; // "خروجي اکسل داده ها"

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QWidget* buildScoreTable();
    QGroupBox* buildCensusBox(const QString& name, const QString& caption,
                              std::array<QLabel*, kScaleCount + 1>& labels);
    void showResult(const ScoringResult& result);

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<AnswerStore> m_answers;
    ExamineeListModel* m_list = nullptr;
    std::shared_ptr<ExportSnapshot> m_excel;
    ScoringResult m_result;
    bool m_scored = false;
    QString m_code;
};

} // namespace morvalen
