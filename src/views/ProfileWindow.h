#pragma once

#include "core/Numbered.h"
#include "core/Scoring.h"
#include "core/SheetComparison.h"
#include "reports/SheetComparison.h"
#include "shell/Context.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGraphicsSimpleTextItem;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTableWidget;
class QPrintPreviewDialog;
class QPushButton;
class QTextEdit;
class QWidget;
class QWindow;

class QChart;
class QChartView;
class QLineSeries;
class QBarCategoryAxis;
class QValueAxis;

namespace morvalen {

class Database;
class ExamineeStore;

// One answer sheet of the examinee the profile can draw.
struct ProfileSheet {
    qint64 id = 0;    // its row of kept sheets; 0 for the working sheet
    QString title;    // in the list and the legend: the Persian date it was kept
    QString keptTime; // "14:35", to tell two sheets of one day apart
    ScoringResult result;
};

// The profile chart of the 18 percentages, its look, and the interpretation panel. With
// kept answer sheets, up to four of them are drawn over one another, with a table of their
// percentages and the change from the first to the last.
class ProfileWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr qint64 kWorkingSheet = 0;

    ProfileWindow(const Context& context, const ScoringResult& result, const QString& examineeCode,
                  QWidget* parent = nullptr);
    ~ProfileWindow() override;

    // The point labels of the category axis, in scale order.
    static QStringList PointLabels();

    // Builds the chart; safe to run again (the window runs it when it becomes active).
    void activate();
    // Saves the chart as shown, at its current size, as a JPEG picture.
    bool saveChartPicture(const QString& path) const;
    QString storedInterpretation() const { return m_storedInterpretation; }

    // The results view's summary line of this examinee, for the reports.
    void setExamineeLine(const QString& line) { m_examineeLine = line; }
    // The Word button: true when the document was written.
    bool exportWord();
    // The print button: the preview, or null when the report could not be made.
    QPrintPreviewDialog* printReport();

    // Which sheet the window's scores are of: the working sheet or a kept one (its id), as the
    // results view shows it. That sheet alone is drawn first.
    void setShownSheet(qint64 id);
    // The examinee's sheets: the kept ones in the order they were kept, then the working sheet.
    const QVector<ProfileSheet>& sheets() const { return m_sheets; }
    // The sheets drawn now, as indexes into sheets(), oldest first.
    const QVector<int>& shownSheets() const { return m_shownSheets; }
    // The sheets drawn now with the chart as on screen, for the reports.
    SheetComparison comparison() const;

    QChartView* m_chartView = nullptr;
    QChart* m_chart = nullptr;
    // The series of the sheets drawn, oldest first; m_series is the first, the only one
    // while a single sheet is shown.
    Numbered<QLineSeries*, kMostComparedSheets> m_sheetSeries{};
    QLineSeries* m_series = nullptr;
    QWidget* m_optionsPanel = nullptr;
    QCheckBox* m_showScoresCheck = nullptr;
    QLabel* m_appearanceLabel = nullptr;
    QComboBox* m_appearanceCombo = nullptr;
    QLabel* m_paletteLabel = nullptr;
    QComboBox* m_paletteCombo = nullptr;
    QPushButton* m_interpretationButton = nullptr;
    QPushButton* m_wordButton = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_exitButton = nullptr;
    // The percentages the chart is drawn from, by scale number; hidden.
    Numbered<QLineEdit*, kScaleCount> m_percentEdits{};
    QFrame* m_interpretationPanel = nullptr;
    QTextEdit* m_interpretationText = nullptr;
    QPushButton* m_interpretationCloseButton = nullptr;
    QPushButton* m_newInterpretationButton = nullptr;
    QPushButton* m_storedInterpretationButton = nullptr;
    QPushButton* m_saveInterpretationButton = nullptr;
    // The score above each point, by sheet drawn and scale number; m_valueLabels are the
    // first sheet's.
    Numbered<Numbered<QGraphicsSimpleTextItem*, kScaleCount>, kMostComparedSheets> m_sheetValueLabels{};
    Numbered<QGraphicsSimpleTextItem*, kScaleCount>& m_valueLabels = m_sheetValueLabels[1];
    // "پاسخنامه ها": one checkable row per sheet of sheets(); shown when there is more than one.
    QLabel* m_sheetChoiceLabel = nullptr;
    QListWidget* m_sheetChoiceList = nullptr;
    // Under the chart while more than one sheet is drawn: a row per sheet and the change row,
    // a column per scale in the chart's order.
    QTableWidget* m_comparisonTable = nullptr;
    // The point labels under the axis, by scale number, turned to 285 degrees; drawn by the
    // window so that none is dropped at the ends of the axis.
    Numbered<QGraphicsSimpleTextItem*, kScaleCount> m_categoryLabels{};

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void build();
    void buildOptionsPanel();
    void buildComparison();
    void loadSheets();
    void fillSheetChoice();
    void sheetChoiceChanged(QListWidgetItem* item);
    // Draws the sheets given (indexes into m_sheets, oldest first) in the chart's series.
    void drawSheets(const QVector<int>& shown);
    // Draws the sheets chosen, with the table under the chart while there are more than one.
    void showChosenSheets();
    void colourValueLabels();
    void fillComparisonTable();
    // Each sheet's row of the table opens with its marker, as in the legend.
    void markComparisonRows();
    QList<QPointF> pointsOf(int sheet) const;
    // The chart grabbed with only the window's own sheet drawn, as the single-sheet report shows it.
    QImage ownSheetPicture();
    void settleChart();
    int comparisonTableHeight() const;
    void applyAppearance();
    void applyPalette();
    void showValueLabels();
    void placeValueLabels();
    void layoutWindow();
    void buildInterpretation();
    void storeInterpretation();
    void noteFocusWindow(QWindow* window);

    Context m_context;
    ScoringResult m_result;
    QString m_code;
    QString m_storedInterpretation; // the stored interpretation of this examinee
    QString m_examineeLine;
    std::unique_ptr<Database> m_main;
    std::unique_ptr<Database> m_texts;
    std::unique_ptr<ExamineeStore> m_examinees;
    QBarCategoryAxis* m_categoryAxis = nullptr;
    QValueAxis* m_valueAxis = nullptr;
    bool m_otherWindowWasActive = false; // another window of this program was active since the last build
    QVector<ProfileSheet> m_sheets;
    qint64 m_ownSheetId = kWorkingSheet; // the sheet of m_result
    int m_ownSheet = 0;                  // its index in m_sheets
    QVector<int> m_shownSheets;
    QVector<int> m_drawnSheets; // what the series hold now
};

} // namespace morvalen
