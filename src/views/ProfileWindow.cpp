#include "views/ProfileWindow.h"

#include "core/Interpretation.h"
#include "reports/PrintedReport.h"
#include "reports/WordExport.h"
#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "store/ExamineeStore.h"
#include "store/ReportSectionStore.h"
#include "store/SchemaTextStore.h"
#include "views/ProfileLooks.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGraphicsSimpleTextItem>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWindow>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

constexpr int kPanelWidth = 188;  // the 2 x 2 buttons of 86, 4 between them and 6 each side
constexpr int kChartMargin = 200; // what the chart leaves free at the right for the panel
constexpr int kChartLeft = 6;
constexpr int kChartTop = 5;
constexpr int kMarkerSize = 11;

} // namespace

QStringList ProfileWindow::PointLabels() {
    return {
        u"محروميت هيجاني / ED"_s,
        u"رهاشدگي/ بي ثباتي / AB"_s,
        u"بي اعتمادي/ بدرفتاري / MA"_s,
        u"انزواي اجتماعي/ بيگانگي / SI"_s,
        u"نقص/ شرم / DS"_s,
        u"شکست / FA"_s,
        u"وابستگي / بي کفايتي / AI"_s,
        u"آسيب پذيري نسبت به بيماري يا ضرر/ VU"_s,
        u"گرفتار / خويشتن تحول نيافته / EU"_s,
        u"اطاعت / SB"_s,
        u"ايثارگري / SS"_s,
        u"بازداري هيجاني / EI"_s,
        u" معيار هاي سخت گيرانه/انتقاد جويي/ US"_s,
        u"استحقاق / بزرگمنشي / ET"_s,
        u"خويشتنداري/خود انضباطي ناکافي/ IS"_s,
        u"پذيرش جويي/جلب توجه  AS"_s,
        u"منفي گرايي/ بدبيني / NP"_s,
        u"تنبيه / PU"_s,
    };
}

ProfileWindow::ProfileWindow(const Context& context, const ScoringResult& result, const QString& examineeCode,
                             QWidget* parent)
    : QDialog(parent)
    , m_context(context)
    , m_result(result)
    , m_code(examineeCode) {
    setObjectName(u"ProfileWindow"_s);
    setWindowTitle(u"پروفايل"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    // A missing file leaves the window usable: the interpretation then has empty paragraphs,
    // and nothing can be stored.
    m_texts = Database::open(context.programFolder, DatabaseFile::SchemaTexts);
    m_main = Database::open(context.programFolder, DatabaseFile::Main);
    if (m_main) {
        m_examinees = std::make_unique<ExamineeStore>(*m_main);
        m_storedInterpretation = m_examinees->comment(m_code);
    }
    build();
    for (int scale = 1; scale <= kScaleCount; ++scale) {
        m_percentEdits[scale]->setText(QString::number(result.scales[scale - 1].percent));
    }
    activate();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &ProfileWindow::noteFocusWindow);
}

ProfileWindow::~ProfileWindow() = default;

void ProfileWindow::build() {
    resize(904, 560);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    m_chart = new QChart;
    m_chart->setObjectName(u"chart"_s);
    m_chart->legend()->hide();
    m_chartView = new QChartView(m_chart, this);
    m_chartView->setObjectName(u"chartView"_s);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    // The chart reads left to right, whatever the window's direction.
    m_chartView->setLayoutDirection(Qt::LeftToRight);
    m_chartView->move(kChartLeft, kChartTop);

    m_series = new QLineSeries;
    m_series->setName(u"Series"_s);
    m_series->setPointsVisible(true);
    m_chart->addSeries(m_series);
    m_categoryAxis = new QBarCategoryAxis;
    m_categoryAxis->setObjectName(u"categoryAxis"_s);
    m_categoryAxis->append(PointLabels());
    m_categoryAxis->setLabelsAngle(285);
    m_categoryAxis->setLabelsFont(NazaninFont(11, true));
    m_categoryAxis->setTruncateLabels(false);
    // The axis would hide the labels that reach past its ends once turned; the window
    // draws all 18 itself.
    m_categoryAxis->setLabelsVisible(false);
    // The band "Strip" runs from 0 to 30, past the last category: one band behind the whole
    // profile, drawn as the plot area's background (the axis's shades would alternate).
    m_categoryAxis->setShadesVisible(false);
    m_valueAxis = new QValueAxis;
    m_valueAxis->setRange(0, 105);
    m_valueAxis->setLabelFormat(u"%d"_s);
    // Gridlines at 0, 10, ... 100; the axis still reaches 105.
    m_valueAxis->setTickType(QValueAxis::TicksDynamic);
    m_valueAxis->setTickAnchor(0);
    m_valueAxis->setTickInterval(10);
    m_chart->addAxis(m_categoryAxis, Qt::AlignBottom);
    m_chart->addAxis(m_valueAxis, Qt::AlignLeft);
    m_series->attachAxis(m_categoryAxis);
    m_series->attachAxis(m_valueAxis);
    qreal longest = 0;
    for (int scale = 1; scale <= kScaleCount; ++scale) {
        m_valueLabels[scale] = new QGraphicsSimpleTextItem(m_chart);
        m_valueLabels[scale]->setRotation(-90);
        m_valueLabels[scale]->setZValue(100); // above the line and its markers
        m_valueLabels[scale]->hide();
        m_categoryLabels[scale] = new QGraphicsSimpleTextItem(PointLabels()[scale - 1], m_chart);
        m_categoryLabels[scale]->setFont(NazaninFont(11, true));
        const QRectF box = m_categoryLabels[scale]->boundingRect();
        // Turned about the end of the text, which then sits at the axis under its point.
        m_categoryLabels[scale]->setTransformOriginPoint(box.topRight());
        m_categoryLabels[scale]->setRotation(285);
        longest = std::max(longest, box.width());
    }
    m_chart->setMargins(QMargins(12, 8, 12, static_cast<int>(longest * 0.97) + 8));
    connect(m_chart, &QChart::plotAreaChanged, this, &ProfileWindow::placeValueLabels);

    for (int scale = 1; scale <= kScaleCount; ++scale) {
        m_percentEdits[scale] = new QLineEdit(this);
        m_percentEdits[scale]->setObjectName(u"percentEdit_%1"_s.arg(scale));
        m_percentEdits[scale]->hide();
    }
    buildOptionsPanel();

    m_interpretationPanel = new QFrame(this);
    m_interpretationPanel->setObjectName(u"interpretationPanel"_s);
    m_interpretationPanel->setFrameShape(QFrame::Panel);
    m_interpretationPanel->setAutoFillBackground(true);
    m_interpretationPanel->setGeometry(67, 5, 580, 470);
    auto* panelLayout = new QVBoxLayout(m_interpretationPanel);
    m_interpretationText = new QTextEdit(m_interpretationPanel);
    m_interpretationText->setObjectName(u"interpretationText"_s);
    m_interpretationText->setAcceptRichText(false);
    m_interpretationText->setFont(NazaninFont(14.25, true));
    m_interpretationText->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    m_interpretationText->setLayoutDirection(Qt::RightToLeft);
    QPalette face = m_interpretationText->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    m_interpretationText->setPalette(face);
    panelLayout->addWidget(m_interpretationText, 1);
    auto* row = new QWidget(m_interpretationPanel);
    row->setLayoutDirection(Qt::LeftToRight); // left to right, as laid out
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_interpretationCloseButton = new QPushButton(u"بستن"_s, row);
    m_interpretationCloseButton->setObjectName(u"interpretationCloseButton"_s);
    m_newInterpretationButton = new QPushButton(u"مشاهده تفسير جديد"_s, row);
    m_newInterpretationButton->setObjectName(u"newInterpretationButton"_s);
    m_storedInterpretationButton = new QPushButton(u"مشاهده تفسير ذخيره شده"_s, row);
    m_storedInterpretationButton->setObjectName(u"storedInterpretationButton"_s);
    m_saveInterpretationButton = new QPushButton(u"ذخيره تفسير"_s, row);
    m_saveInterpretationButton->setObjectName(u"saveInterpretationButton"_s);
    for (QPushButton* button : {m_interpretationCloseButton, m_newInterpretationButton,
                                m_storedInterpretationButton, m_saveInterpretationButton}) {
        button->setFont(NazaninFont(12, true));
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    panelLayout->addWidget(row);
    m_interpretationPanel->hide();
    connect(m_interpretationCloseButton, &QPushButton::clicked, m_interpretationPanel, &QWidget::hide);
    connect(m_newInterpretationButton, &QPushButton::clicked, this, &ProfileWindow::buildInterpretation);
    connect(m_storedInterpretationButton, &QPushButton::clicked, this,
            [this] { m_interpretationText->setPlainText(m_storedInterpretation); });
    connect(m_saveInterpretationButton, &QPushButton::clicked, this, &ProfileWindow::storeInterpretation);
}

void ProfileWindow::buildOptionsPanel() {
    m_optionsPanel = new QWidget(this);
    m_optionsPanel->setObjectName(u"optionsPanel"_s);
    auto* layout = new QVBoxLayout(m_optionsPanel);
    layout->setContentsMargins(6, 6, 6, 6);
    m_showScoresCheck = new QCheckBox(u"نمايش نمره مقياسها"_s, m_optionsPanel);
    m_showScoresCheck->setObjectName(u"showScoresCheck"_s);
    layout->addWidget(m_showScoresCheck);
    const auto comboRow = [&](QLabel*& label, const QString& labelName, const QString& caption,
                              QComboBox*& combo, const QStringList& names, const QString& comboName) {
        auto* row = new QHBoxLayout;
        label = new QLabel(caption, m_optionsPanel);
        label->setObjectName(labelName);
        combo = new QComboBox(m_optionsPanel);
        combo->setObjectName(comboName);
        combo->addItems(names);
        row->addWidget(label);
        row->addWidget(combo, 1);
        layout->addLayout(row);
    };
    comboRow(m_appearanceLabel, u"appearanceLabel"_s, u"ظاهر نمودار:"_s, m_appearanceCombo, AppearanceNames(),
             u"appearanceCombo"_s);
    comboRow(m_paletteLabel, u"paletteLabel"_s, u"رنگ نمودار:"_s, m_paletteCombo, PaletteNames(),
             u"paletteCombo"_s);

    auto* block = new QWidget(m_optionsPanel);
    block->setLayoutDirection(Qt::LeftToRight); // the 2 x 2 block reads left to right
    auto* grid = new QGridLayout(block);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    m_interpretationButton = new QPushButton(u"تفسير"_s, block);
    m_interpretationButton->setObjectName(u"interpretationButton"_s);
    m_wordButton = new QPushButton(u"خروجي Word"_s, block);
    m_wordButton->setObjectName(u"wordButton"_s);
    m_exitButton = new QPushButton(u"خروج"_s, block);
    m_exitButton->setObjectName(u"exitButton"_s);
    m_printButton = new QPushButton(u"پرينت"_s, block);
    m_printButton->setObjectName(u"printButton"_s);
    const std::pair<QPushButton*, QPoint> cells[] = {{m_interpretationButton, {0, 0}},
                                                     {m_wordButton, {1, 0}},
                                                     {m_exitButton, {0, 1}},
                                                     {m_printButton, {1, 1}}};
    for (const auto& [button, cell] : cells) {
        button->setFixedSize(86, 95);
        // Square buttons: the skins' side padding would cut "خروجي Word".
        button->setStyleSheet(u"padding: 2px;"_s);
        button->setAutoDefault(false);
        grid->addWidget(button, cell.y(), cell.x());
    }
    layout->addWidget(block);
    layout->addStretch();

    connect(m_showScoresCheck, &QCheckBox::toggled, this, &ProfileWindow::showValueLabels);
    connect(m_appearanceCombo, &QComboBox::currentIndexChanged, this, &ProfileWindow::applyAppearance);
    connect(m_paletteCombo, &QComboBox::currentIndexChanged, this, &ProfileWindow::applyPalette);
    connect(m_interpretationButton, &QPushButton::clicked, this, [this] {
        m_interpretationPanel->show();
        m_interpretationPanel->raise();
    });
    connect(m_exitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_wordButton, &QPushButton::clicked, this, &ProfileWindow::exportWord);
    connect(m_printButton, &QPushButton::clicked, this, &ProfileWindow::printReport);
}

void ProfileWindow::activate() {
    // Every run builds the same chart: one title, one series of 18 points.
    m_chart->setTitle(u"Morvalen"_s);
    QList<QPointF> points;
    for (int scale = 1; scale <= kScaleCount; ++scale) {
        // The category axis places scale 1 at 0.
        points.append(QPointF(scale - 1, m_percentEdits[scale]->text().toInt()));
        m_valueLabels[scale]->setText(m_percentEdits[scale]->text());
    }
    m_series->replace(points);
    m_valueAxis->setRange(0, 105);
    m_valueAxis->setTickInterval(10);
    m_appearanceCombo->setCurrentIndex(0);
    m_paletteCombo->setCurrentIndex(9); // "Postmodern"
    applyAppearance();
    applyPalette();
    showValueLabels();
}

void ProfileWindow::applyAppearance() {
    const ChartAppearance look = AppearanceNamed(m_appearanceCombo->currentText());
    m_chart->setBackgroundBrush(look.background);
    m_chart->setPlotAreaBackgroundBrush(BandColour(look, PaletteNamed(m_paletteCombo->currentText())));
    m_chart->setPlotAreaBackgroundVisible(true);
    m_chart->setTitleBrush(look.text);
    QFont title = m_chart->titleFont();
    title.setPointSize(16);
    title.setBold(true);
    m_chart->setTitleFont(title);
    for (QAbstractAxis* axis :
         {static_cast<QAbstractAxis*>(m_categoryAxis), static_cast<QAbstractAxis*>(m_valueAxis)}) {
        axis->setLabelsBrush(look.text);
        axis->setGridLineColor(look.grid);
        axis->setLinePenColor(look.grid);
    }
    for (QGraphicsSimpleTextItem* label : m_valueLabels) {
        label->setBrush(look.text);
    }
    for (QGraphicsSimpleTextItem* label : m_categoryLabels) {
        label->setBrush(look.text);
    }
}

void ProfileWindow::applyPalette() {
    const ChartPalette colours = PaletteNamed(m_paletteCombo->currentText());
    QPen pen(colours.line);
    pen.setWidth(3);
    m_series->setPen(pen);
    m_series->setColor(colours.line);
    m_series->setBrush(colours.marker);
    m_series->setMarkerSize(kMarkerSize);
    // The series would draw its points in the line's colour; each palette's own marker
    // colour is painted as a picture, filled and ringed with the line.
    QImage marker(kMarkerSize * 2, kMarkerSize * 2, QImage::Format_ARGB32_Premultiplied);
    marker.fill(Qt::transparent);
    QPainter painter(&marker);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colours.line, 3));
    painter.setBrush(colours.marker);
    painter.drawEllipse(QRectF(marker.rect()).adjusted(2, 2, -2, -2));
    painter.end();
    m_series->setLightMarker(marker);
    m_chart->setPlotAreaBackgroundBrush(
        BandColour(AppearanceNamed(m_appearanceCombo->currentText()), colours));
    // The whole chart is drawn again, not only the parts the series reports as changed.
    m_chart->update();
    m_chartView->viewport()->update();
}

void ProfileWindow::showValueLabels() {
    const bool shown = m_showScoresCheck->isChecked();
    for (QGraphicsSimpleTextItem* label : m_valueLabels) {
        label->setVisible(shown);
    }
    placeValueLabels();
}

void ProfileWindow::placeValueLabels() {
    // Each value stands upright above its point; each name hangs below its place on the axis.
    const auto& points = m_series->points();
    for (int scale = 1; scale <= kScaleCount && scale <= points.size(); ++scale) {
        const QPointF at = m_chart->mapToPosition(points[scale - 1], m_series);
        const QRectF box = m_valueLabels[scale]->boundingRect();
        m_valueLabels[scale]->setPos(at.x() - box.height() / 2, at.y() - 12);
        const QPointF tick = m_chart->mapToPosition(QPointF(scale - 1, 0), m_series) + QPointF(4, 6);
        m_categoryLabels[scale]->setPos(tick - m_categoryLabels[scale]->boundingRect().topRight());
    }
}

void ProfileWindow::layoutWindow() {
    const QSize client = size();
    const int top = m_chartView->y();
    const int width = client.width() - kChartMargin - top;
    const int height = client.height() - 2 * top;
    // A size the chart cannot take is skipped; it keeps the size it had.
    if (width > 0 && height > 0) {
        m_chartView->resize(width, height);
    }
    m_optionsPanel->setGeometry(client.width() - kPanelWidth, 0, kPanelWidth, client.height());
}

void ProfileWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutWindow();
}

void ProfileWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    layoutWindow();
}

bool ProfileWindow::event(QEvent* event) {
    // The chart is built again only when the window comes back from another window of this
    // program; coming back from another application keeps the look the user chose.
    if (event->type() == QEvent::WindowActivate && m_otherWindowWasActive) {
        m_otherWindowWasActive = false;
        activate();
    }
    return QDialog::event(event);
}

void ProfileWindow::noteFocusWindow(QWindow* window) {
    // Drop-down lists and tips are part of this window's own use.
    if (window && window != windowHandle() && window->type() != Qt::Popup && window->type() != Qt::ToolTip) {
        m_otherWindowWasActive = true;
    }
}

bool ProfileWindow::saveChartPicture(const QString& path) const {
    return m_chartView->grab().toImage().save(path, "JPG", 95);
}

bool ProfileWindow::exportWord() {
    // The chart as on screen now, at its current size; the stored interpretation, not the
    // panel's unsaved text.
    return ExportWordReport(this, m_context, m_chartView->grab().toImage(), m_examineeLine,
                            m_storedInterpretation);
}

QPrintPreviewDialog* ProfileWindow::printReport() {
    saveChartPicture(m_context.programFolder + u"/Morvalen.jpg"_s);
    StoreReportSections(m_context.programFolder, m_result);
    return PrintedReport(m_context, this).showReport(m_examineeLine);
}

void ProfileWindow::buildInterpretation() {
    std::unique_ptr<SchemaTextStore> paragraphs =
        m_texts ? std::make_unique<SchemaTextStore>(*m_texts) : nullptr;
    const ParagraphLookup lookup = ParagraphsFrom(paragraphs.get());
    m_interpretationText->setPlainText(QString::fromStdString(BuildInterpretationText(m_result, lookup)));
}

void ProfileWindow::storeInterpretation() {
    // The panel keeps paragraphs, not line-break characters: the stored text gets back the
    // CR LF breaks the interpretation is written with.
    QString text = m_interpretationText->toPlainText();
    text.replace(u"\r\n"_s, u"\n"_s).replace(u'\n', u"\r\n"_s);
    if (!m_examinees || !m_examinees->setComment(m_code, text)) {
        // The text stays on screen: nothing typed is lost.
        MessageBox::critical(this, u"خطا"_s, u"تفسير ذخيره نشد."_s);
        return;
    }
    m_storedInterpretation = text;
}

} // namespace morvalen
