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
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QValueAxis>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

constexpr int kPanelWidth = 200; // the 2 x 2 buttons of 86 and the margins: nothing is cut
constexpr int kChartLeft = 6;
constexpr int kChartTop = 5;

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
        m_stored = m_examinees->comment(m_code);
    }
    build();
    for (int s = 0; s < kScaleCount; ++s) {
        Txt1[s]->setText(QString::number(result.scales[s].percent));
    }
    activate();
}

ProfileWindow::~ProfileWindow() = default;

void ProfileWindow::build() {
    resize(904, 560);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    chart = new QChart;
    chart->setObjectName(u"chart"_s);
    chart->legend()->hide();
    ChartControl = new QChartView(chart, this);
    ChartControl->setObjectName(u"ChartControl"_s);
    ChartControl->setRenderHint(QPainter::Antialiasing);
    // The chart reads left to right, whatever the window's direction.
    ChartControl->setLayoutDirection(Qt::LeftToRight);
    ChartControl->move(kChartLeft, kChartTop);

    series = new QLineSeries;
    series->setName(u"Series"_s);
    series->setPointsVisible(true);
    chart->addSeries(series);
    m_categories = new QBarCategoryAxis;
    m_categories->setObjectName(u"Strip"_s);
    m_categories->append(PointLabels());
    m_categories->setLabelsAngle(285);
    m_categories->setLabelsFont(NazaninFont(11, true));
    m_categories->setTruncateLabels(false);
    // The axis would hide the labels that reach past its ends once turned; the window
    // draws all 18 itself.
    m_categories->setLabelsVisible(false);
    m_categories->setShadesVisible(true); // the band behind the profile, across all categories
    m_values = new QValueAxis;
    m_values->setRange(0, 105);
    m_values->setLabelFormat(u"%d"_s);
    chart->addAxis(m_categories, Qt::AlignBottom);
    chart->addAxis(m_values, Qt::AlignLeft);
    series->attachAxis(m_categories);
    series->attachAxis(m_values);
    qreal longest = 0;
    for (int s = 0; s < kScaleCount; ++s) {
        valueLabels[s] = new QGraphicsSimpleTextItem(chart);
        valueLabels[s]->setRotation(-90);
        valueLabels[s]->setZValue(100); // above the line and its markers
        valueLabels[s]->hide();
        categoryLabels[s] = new QGraphicsSimpleTextItem(PointLabels()[s], chart);
        categoryLabels[s]->setFont(NazaninFont(11, true));
        const QRectF box = categoryLabels[s]->boundingRect();
        // Turned about the end of the text, which then sits at the axis under its point.
        categoryLabels[s]->setTransformOriginPoint(box.topRight());
        categoryLabels[s]->setRotation(285);
        longest = std::max(longest, box.width());
    }
    chart->setMargins(QMargins(12, 8, 12, static_cast<int>(longest * 0.97) + 8));
    connect(chart, &QChart::plotAreaChanged, this, &ProfileWindow::placeValueLabels);

    for (int s = 0; s < kScaleCount; ++s) {
        Txt1[s] = new QLineEdit(this);
        Txt1[s]->setObjectName(u"Txt1_%1"_s.arg(s));
        Txt1[s]->hide();
    }
    buildPanel();

    FramTaf = new QFrame(this);
    FramTaf->setObjectName(u"FramTaf"_s);
    FramTaf->setFrameShape(QFrame::Panel);
    FramTaf->setAutoFillBackground(true);
    FramTaf->setGeometry(67, 5, 580, 470);
    auto* taf = new QVBoxLayout(FramTaf);
    Txttaf1 = new QTextEdit(FramTaf);
    Txttaf1->setObjectName(u"Txttaf1"_s);
    Txttaf1->setAcceptRichText(false);
    Txttaf1->setFont(NazaninFont(14.25, true));
    Txttaf1->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    Txttaf1->setLayoutDirection(Qt::RightToLeft);
    QPalette face = Txttaf1->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    Txttaf1->setPalette(face);
    taf->addWidget(Txttaf1, 1);
    auto* row = new QWidget(FramTaf);
    row->setLayoutDirection(Qt::LeftToRight); // left to right, as laid out
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    PBZu = new QPushButton(u"بستن"_s, row);
    PBZu->setObjectName(u"PBZu"_s);
    PBNeu = new QPushButton(u"مشاهده تفسير جديد"_s, row);
    PBNeu->setObjectName(u"PBNeu"_s);
    PBTAFZA = new QPushButton(u"مشاهده تفسير ذخيره شده"_s, row);
    PBTAFZA->setObjectName(u"PBTAFZA"_s);
    PBSpeich = new QPushButton(u"ذخيره تفسير"_s, row);
    PBSpeich->setObjectName(u"PBSpeich"_s);
    for (QPushButton* b : {PBZu, PBNeu, PBTAFZA, PBSpeich}) {
        b->setFont(NazaninFont(12, true));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    taf->addWidget(row);
    FramTaf->hide();
    connect(PBZu, &QPushButton::clicked, FramTaf, &QWidget::hide);
    connect(PBNeu, &QPushButton::clicked, this, &ProfileWindow::buildInterpretation);
    connect(PBTAFZA, &QPushButton::clicked, this, [this] { Txttaf1->setPlainText(m_stored); });
    connect(PBSpeich, &QPushButton::clicked, this, &ProfileWindow::storeInterpretation);
}

void ProfileWindow::buildPanel() {
    panelOptions = new QWidget(this);
    panelOptions->setObjectName(u"panelOptions"_s);
    auto* layout = new QVBoxLayout(panelOptions);
    layout->setContentsMargins(6, 6, 6, 6);
    chkShowLabels = new QCheckBox(u"نمايش نمره مقياسها"_s, panelOptions);
    chkShowLabels->setObjectName(u"chkShowLabels"_s);
    layout->addWidget(chkShowLabels);
    const auto listRow = [&](QLabel*& label, const QString& caption, QComboBox*& list,
                             const QStringList& names, const QString& name) {
        auto* row = new QHBoxLayout;
        label = new QLabel(caption, panelOptions);
        list = new QComboBox(panelOptions);
        list->setObjectName(name);
        list->addItems(names);
        row->addWidget(label);
        row->addWidget(list, 1);
        layout->addLayout(row);
    };
    listRow(lblAppearance, u"ظاهر نمودار:"_s, cmbAppearance, AppearanceNames(), u"cmbAppearance"_s);
    listRow(lblPalette, u"رنگ نمودار:"_s, cmbPalette, PaletteNames(), u"cmbPalette"_s);

    auto* block = new QWidget(panelOptions);
    block->setLayoutDirection(Qt::LeftToRight); // the 2 x 2 block reads left to right
    auto* grid = new QGridLayout(block);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    PushButtonTafsir = new QPushButton(u"تفسير"_s, block);
    PushButtonTafsir->setObjectName(u"PushButtonTafsir"_s);
    PushButtonWord = new QPushButton(u"خروجي Word"_s, block);
    PushButtonWord->setObjectName(u"PushButtonWord"_s);
    PushButtonExit = new QPushButton(u"خروج"_s, block);
    PushButtonExit->setObjectName(u"PushButtonExit"_s);
    PushButtonPrint = new QPushButton(u"پرينت"_s, block);
    PushButtonPrint->setObjectName(u"PushButtonPrint"_s);
    const std::pair<QPushButton*, QPoint> cells[] = {{PushButtonTafsir, {0, 0}},
                                                     {PushButtonWord, {1, 0}},
                                                     {PushButtonExit, {0, 1}},
                                                     {PushButtonPrint, {1, 1}}};
    for (const auto& [button, cell] : cells) {
        button->setFixedSize(86, 95);
        // Square buttons: the skins' side padding would cut "خروجي Word".
        button->setStyleSheet(u"padding: 2px;"_s);
        button->setAutoDefault(false);
        grid->addWidget(button, cell.y(), cell.x());
    }
    layout->addWidget(block);
    layout->addStretch();

    connect(chkShowLabels, &QCheckBox::toggled, this, &ProfileWindow::showValueLabels);
    connect(cmbAppearance, &QComboBox::currentIndexChanged, this, &ProfileWindow::applyAppearance);
    connect(cmbPalette, &QComboBox::currentIndexChanged, this, &ProfileWindow::applyPalette);
    connect(PushButtonTafsir, &QPushButton::clicked, this, [this] {
        FramTaf->show();
        FramTaf->raise();
    });
    connect(PushButtonExit, &QPushButton::clicked, this, &QDialog::accept);
    connect(PushButtonWord, &QPushButton::clicked, this, &ProfileWindow::exportWord);
    connect(PushButtonPrint, &QPushButton::clicked, this, &ProfileWindow::printReport);
}

void ProfileWindow::activate() {
    // Every run builds the same chart: one title, one series of 18 points.
    chart->setTitle(u"Morvalen"_s);
    QList<QPointF> points;
    for (int s = 0; s < kScaleCount; ++s) {
        points.append(QPointF(s, Txt1[s]->text().toInt()));
        valueLabels[s]->setText(Txt1[s]->text());
    }
    series->replace(points);
    m_values->setRange(0, 105);
    cmbAppearance->setCurrentIndex(0);
    cmbPalette->setCurrentIndex(9); // "Postmodern"
    applyAppearance();
    applyPalette();
    showValueLabels();
}

void ProfileWindow::applyAppearance() {
    const ChartAppearance look = AppearanceNamed(cmbAppearance->currentText());
    chart->setBackgroundBrush(look.background);
    chart->setPlotAreaBackgroundBrush(look.plotArea);
    chart->setPlotAreaBackgroundVisible(true);
    chart->setTitleBrush(look.text);
    QFont title = chart->titleFont();
    title.setPointSize(16);
    title.setBold(true);
    chart->setTitleFont(title);
    for (QAbstractAxis* axis :
         {static_cast<QAbstractAxis*>(m_categories), static_cast<QAbstractAxis*>(m_values)}) {
        axis->setLabelsBrush(look.text);
        axis->setGridLineColor(look.grid);
        axis->setLinePenColor(look.grid);
    }
    for (QGraphicsSimpleTextItem* label : valueLabels) {
        label->setBrush(look.text);
    }
    for (QGraphicsSimpleTextItem* label : categoryLabels) {
        label->setBrush(look.text);
    }
}

void ProfileWindow::applyPalette() {
    const ChartPalette colours = PaletteNamed(cmbPalette->currentText());
    QPen pen(colours.line);
    pen.setWidth(3);
    series->setPen(pen);
    series->setColor(colours.line);
    series->setBrush(colours.marker);
    series->setMarkerSize(10);
    QColor band = colours.band;
    m_categories->setShadesBrush(band);
    m_categories->setShadesPen(Qt::NoPen);
}

void ProfileWindow::showValueLabels() {
    const bool shown = chkShowLabels->isChecked();
    for (QGraphicsSimpleTextItem* label : valueLabels) {
        label->setVisible(shown);
    }
    placeValueLabels();
}

void ProfileWindow::placeValueLabels() {
    // Each value stands upright above its point; each name hangs below its place on the axis.
    const auto& points = series->points();
    for (int s = 0; s < kScaleCount && s < points.size(); ++s) {
        const QPointF at = chart->mapToPosition(points[s], series);
        const QRectF box = valueLabels[s]->boundingRect();
        valueLabels[s]->setPos(at.x() - box.height() / 2, at.y() - 12);
        const QPointF tick = chart->mapToPosition(QPointF(s, 0), series) + QPointF(4, 6);
        categoryLabels[s]->setPos(tick - categoryLabels[s]->boundingRect().topRight());
    }
}

void ProfileWindow::layoutWindow() {
    const QSize client = size();
    const int top = ChartControl->y();
    const int width = client.width() - kPanelWidth - top;
    const int height = client.height() - 2 * top;
    // A size the chart cannot take is skipped; it keeps the size it had.
    if (width > 0 && height > 0) {
        ChartControl->resize(width, height);
    }
    panelOptions->setGeometry(client.width() - kPanelWidth, 0, kPanelWidth, client.height());
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
    if (event->type() == QEvent::WindowActivate) {
        activate(); // harmless to repeat: the chart is built the same way each time
    }
    return QDialog::event(event);
}

bool ProfileWindow::saveChartPicture(const QString& path) const {
    return ChartControl->grab().toImage().save(path, "JPG", 95);
}

bool ProfileWindow::exportWord() {
    // The chart as on screen now, at its current size; the stored interpretation, not the
    // panel's unsaved text.
    return ExportWordReport(this, m_context, ChartControl->grab().toImage(), m_examineeLine, m_stored);
}

QPrintPreviewDialog* ProfileWindow::printReport() {
    saveChartPicture(m_context.programFolder + u"/Morvalen.jpg"_s);
    WriteTafsir(m_context.programFolder, m_result);
    return PrintedReport(m_context, this).Command1(m_examineeLine);
}

void ProfileWindow::buildInterpretation() {
    std::unique_ptr<SchemaTextStore> paragraphs =
        m_texts ? std::make_unique<SchemaTextStore>(*m_texts) : nullptr;
    const ParagraphLookup lookup = ParagraphsFrom(paragraphs.get());
    Txttaf1->setPlainText(QString::fromStdString(BuildInterpretationText(m_result, lookup)));
}

void ProfileWindow::storeInterpretation() {
    const QString text = Txttaf1->toPlainText();
    if (!m_examinees || !m_examinees->setComment(m_code, text)) {
        // The text stays on screen: nothing typed is lost.
        MessageBox::critical(this, u"خطا"_s, u"تفسير ذخيره نشد."_s);
        return;
    }
    m_stored = text;
}

} // namespace morvalen
