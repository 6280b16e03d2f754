#pragma once

#include "core/Numbered.h"
#include "core/Scoring.h"
#include "shell/Context.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGraphicsSimpleTextItem;
class QLabel;
class QLineEdit;
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

// The profile chart of the 18 percentages, its look, and the interpretation panel.
class ProfileWindow : public QDialog {
    Q_OBJECT

public:
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

    QChartView* m_chartView = nullptr;
    QChart* m_chart = nullptr;
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
    // The score above each point, by scale number.
    Numbered<QGraphicsSimpleTextItem*, kScaleCount> m_valueLabels{};
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
};

} // namespace morvalen
