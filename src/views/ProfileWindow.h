#pragma once

#include "core/Scoring.h"
#include "shell/Context.h"

#include <QDialog>

#include <array>
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
    QString storedInterpretation() const { return m_stored; }

    // The results view's summary line of this examinee, for the reports.
    void setExamineeLine(const QString& line) { m_examineeLine = line; }
    // The Word button: true when the document was written.
    bool exportWord();
    // The print button: the preview, or null when the report could not be made.
    QPrintPreviewDialog* printReport();

    QChartView* ChartControl = nullptr;
    QChart* chart = nullptr;
    QLineSeries* series = nullptr;
    QWidget* panelOptions = nullptr;
    QCheckBox* chkShowLabels = nullptr;
    QLabel* lblAppearance = nullptr;
    QComboBox* cmbAppearance = nullptr;
    QLabel* lblPalette = nullptr;
    QComboBox* cmbPalette = nullptr;
    QPushButton* PushButtonTafsir = nullptr;
    QPushButton* PushButtonWord = nullptr;
    QPushButton* PushButtonPrint = nullptr;
    QPushButton* PushButtonExit = nullptr;
    std::array<QLineEdit*, kScaleCount> Txt1{};
    QFrame* FramTaf = nullptr;
    QTextEdit* Txttaf1 = nullptr;
    QPushButton* PBZu = nullptr;
    QPushButton* PBNeu = nullptr;
    QPushButton* PBTAFZA = nullptr;
    QPushButton* PBSpeich = nullptr;
    std::array<QGraphicsSimpleTextItem*, kScaleCount> valueLabels{};
    // The point labels under the axis, turned to 285 degrees; drawn by the window so that
    // none is dropped at the ends of the axis.
    std::array<QGraphicsSimpleTextItem*, kScaleCount> categoryLabels{};

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void build();
    void buildPanel();
    void applyAppearance();
    void applyPalette();
    void showValueLabels();
    void placeValueLabels();
    void layoutWindow();
    void buildInterpretation();
    void storeInterpretation();

    Context m_context;
    ScoringResult m_result;
    QString m_code;
    QString m_stored; // the stored interpretation of this examinee
    QString m_examineeLine;
    std::unique_ptr<Database> m_main;
    std::unique_ptr<Database> m_texts;
    std::unique_ptr<ExamineeStore> m_examinees;
    QBarCategoryAxis* m_categories = nullptr;
    QValueAxis* m_values = nullptr;
};

} // namespace morvalen
