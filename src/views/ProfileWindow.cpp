#include "views/ProfileWindow.h"

#include "core/Interpretation.h"
#include "core/SchemaScale.h"
#include "reports/PrintedReport.h"
#include "reports/WordExport.h"
#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
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
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
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
constexpr int kWindowHeight = 560;

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The legend's own shape for each sheet's marker, as the markers are drawn.
QLegend::MarkerShape LegendShape(MarkerShape shape) {
    switch (shape) {
    case MarkerShape::Circle:
        return QLegend::MarkerShapeCircle;
    case MarkerShape::Square:
        return QLegend::MarkerShapeRectangle;
    case MarkerShape::Triangle:
        return QLegend::MarkerShapeTriangle;
    case MarkerShape::Diamond:
        return QLegend::MarkerShapeRotatedRectangle;
    }
    return QLegend::MarkerShapeCircle;
}

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
    loadSheets();
    activate();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &ProfileWindow::noteFocusWindow);
}

ProfileWindow::~ProfileWindow() = default;

void ProfileWindow::build() {
    resize(904, kWindowHeight);
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

    for (int sheet = 1; sheet <= kMostComparedSheets; ++sheet) {
        m_sheetSeries[sheet] = new QLineSeries(this);
        m_sheetSeries[sheet]->setObjectName(u"sheetSeries_%1"_s.arg(sheet));
        m_sheetSeries[sheet]->setPointsVisible(true);
    }
    m_series = m_sheetSeries[1];
    m_series->setName(u"Series"_s);
    m_chart->addSeries(m_series);
    // The legend names the sheets while more than one is drawn.
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->legend()->setFont(NazaninFont(11, true));
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
    // A shorter plot, under the legend and over the table, would cut its numbers to "...".
    m_valueAxis->setTruncateLabels(false);
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
        for (auto& labels : m_sheetValueLabels) {
            labels[scale] = new QGraphicsSimpleTextItem(m_chart);
            labels[scale]->setRotation(-90);
            labels[scale]->setZValue(100); // above the lines and their markers
            labels[scale]->hide();
        }
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
    buildComparison();

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
    m_sheetChoiceLabel = new QLabel(u"پاسخنامه ها"_s, m_optionsPanel);
    m_sheetChoiceLabel->setObjectName(u"sheetChoiceLabel"_s);
    m_sheetChoiceLabel->setFont(NazaninFont(12, true));
    layout->addWidget(m_sheetChoiceLabel);
    m_sheetChoiceList = new QListWidget(m_optionsPanel);
    m_sheetChoiceList->setObjectName(u"sheetChoiceList"_s);
    layout->addWidget(m_sheetChoiceList, 1);
    m_sheetChoiceLabel->hide();
    m_sheetChoiceList->hide();
    layout->addStretch();
    connect(m_sheetChoiceList, &QListWidget::itemChanged, this, &ProfileWindow::sheetChoiceChanged);

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

void ProfileWindow::buildComparison() {
    m_comparisonTable = new QTableWidget(0, kScaleCount, this);
    m_comparisonTable->setObjectName(u"comparisonTable"_s);
    // Its columns stand in the chart's order, scale 1 at the left, as the points above them.
    m_comparisonTable->setLayoutDirection(Qt::LeftToRight);
    m_comparisonTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_comparisonTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_comparisonTable->setFocusPolicy(Qt::NoFocus);
    m_comparisonTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_comparisonTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_comparisonTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_comparisonTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_comparisonTable->verticalHeader()->setDefaultSectionSize(22);
    m_comparisonTable->setFont(NazaninFont(11, true));
    QStringList codes;
    for (const SchemaScale& scale : SchemaScales()) {
        codes << Text(scale.code);
    }
    m_comparisonTable->setHorizontalHeaderLabels(codes);
    m_comparisonTable->hide();
}

void ProfileWindow::loadSheets() {
    m_sheets.clear();
    if (m_main) {
        for (const Administration& kept : AdministrationStore(*m_main).list(m_code)) {
            m_sheets.append(
                {kept.id, kept.persianDate, kept.keptTime(), ScoreAnswers(ToAnswerTexts(kept.answers))});
        }
        if (const auto working = AnswerStore(*m_main).row(m_code)) {
            const ScoringResult scored = ScoreAnswers(ToAnswerTexts(*working));
            // An emptied working sheet has nothing to compare, unless it is the one shown.
            if (scored.totalUnanswered < kItemCount || m_ownSheetId == kWorkingSheet) {
                m_sheets.append({kWorkingSheet, u"پاسخنامه فعلي"_s, {}, scored});
            }
        }
    }
    // Two sheets of one day are told apart by the time they were kept.
    QStringList days;
    for (const ProfileSheet& sheet : m_sheets) {
        if (sheet.id != kWorkingSheet) {
            days << sheet.title;
        }
    }
    for (ProfileSheet& sheet : m_sheets) {
        if (sheet.id != kWorkingSheet && days.count(sheet.title) > 1) {
            sheet.title += u"  "_s + sheet.keptTime;
        }
    }
    const auto own = std::find_if(m_sheets.begin(), m_sheets.end(),
                                  [this](const ProfileSheet& sheet) { return sheet.id == m_ownSheetId; });
    if (own == m_sheets.end()) {
        m_sheets.append({m_ownSheetId, u"پاسخنامه فعلي"_s, {}, m_result});
        m_ownSheet = static_cast<int>(m_sheets.size()) - 1;
    } else {
        m_ownSheet = static_cast<int>(own - m_sheets.begin());
    }
    // The window's own scores stand for its sheet, as the results view scored it.
    m_sheets[m_ownSheet].result = m_result;
    m_shownSheets = {m_ownSheet};
    fillSheetChoice();
}

void ProfileWindow::setShownSheet(qint64 id) {
    m_ownSheetId = id;
    loadSheets();
    showChosenSheets();
}

void ProfileWindow::fillSheetChoice() {
    const QSignalBlocker quiet(m_sheetChoiceList);
    m_sheetChoiceList->clear();
    for (int index = 0; index < m_sheets.size(); ++index) {
        auto* item = new QListWidgetItem(m_sheets[index].title, m_sheetChoiceList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(m_shownSheets.contains(index) ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, index);
    }
    if (!m_sheetChoiceList->currentItem() && m_sheetChoiceList->count() > 0) {
        m_sheetChoiceList->setCurrentRow(m_ownSheet);
    }
    // With the working sheet alone there is nothing to choose.
    const bool choice = m_sheets.size() > 1;
    m_sheetChoiceLabel->setVisible(choice);
    m_sheetChoiceList->setVisible(choice);
}

void ProfileWindow::sheetChoiceChanged(QListWidgetItem* item) {
    const int index = item->data(Qt::UserRole).toInt();
    const bool checked = item->checkState() == Qt::Checked;
    if (checked == m_shownSheets.contains(index)) {
        return;
    }
    const auto refuse = [this, item](Qt::CheckState back, const QString& why) {
        {
            const QSignalBlocker quiet(m_sheetChoiceList);
            item->setCheckState(back);
        }
        MessageBox::information(this, u"پيام"_s, why);
    };
    if (checked && m_shownSheets.size() >= kMostComparedSheets) {
        refuse(Qt::Unchecked, u"حداکثر چهار پاسخنامه با هم نشان داده مي شود."_s);
        return;
    }
    if (!checked && m_shownSheets.size() == 1) {
        refuse(Qt::Checked, u"دست کم يک پاسخنامه بايد نشان داده شود."_s);
        return;
    }
    if (checked) {
        m_shownSheets.append(index);
        std::sort(m_shownSheets.begin(), m_shownSheets.end());
    } else {
        m_shownSheets.removeAll(index);
    }
    showChosenSheets();
}

QList<QPointF> ProfileWindow::pointsOf(int sheet) const {
    QList<QPointF> points;
    for (int scale = 1; scale <= kScaleCount; ++scale) {
        // The category axis places scale 1 at 0. The window's own sheet is drawn from the
        // percentages it holds.
        const int percent = sheet == m_ownSheet ? m_percentEdits[scale]->text().toInt()
                                                : m_sheets[sheet].result.scales[scale - 1].percent;
        points.append(QPointF(scale - 1, percent));
    }
    return points;
}

void ProfileWindow::drawSheets(const QVector<int>& shown) {
    m_drawnSheets = shown;
    const int count = static_cast<int>(shown.size());
    for (int slot = 1; slot <= kMostComparedSheets; ++slot) {
        QLineSeries* series = m_sheetSeries[slot];
        const bool inChart = m_chart->series().contains(series);
        // The series stay in the chart in the order of their sheets.
        if (slot <= count && !inChart) {
            m_chart->addSeries(series);
            series->attachAxis(m_categoryAxis);
            series->attachAxis(m_valueAxis);
        } else if (slot > count && inChart) {
            m_chart->removeSeries(series);
            series->setParent(this);
        }
        if (slot > count) {
            continue;
        }
        const QList<QPointF> points = pointsOf(shown[slot - 1]);
        series->replace(points);
        series->setName(count > 1 ? m_sheets[shown[slot - 1]].title : u"Series"_s);
        for (int scale = 1; scale <= kScaleCount; ++scale) {
            m_sheetValueLabels[slot][scale]->setText(QString::number(int(points[scale - 1].y())));
        }
    }
    m_chart->legend()->setVisible(count > 1);
    applyPalette();
    applyAppearance();
    showValueLabels();
}

void ProfileWindow::showChosenSheets() {
    drawSheets(m_shownSheets);
    fillComparisonTable();
    const bool comparing = m_shownSheets.size() > 1;
    m_comparisonTable->setVisible(comparing);
    if (comparing) {
        // Room for the table under a chart of the usual height, as far as the screen allows.
        int wanted = kWindowHeight + comparisonTableHeight() + kChartTop;
        if (const QScreen* where = screen()) {
            wanted = std::min(wanted, where->availableGeometry().height() - 40);
        }
        if (height() < wanted) {
            resize(width(), wanted);
        }
    }
    layoutWindow();
}

void ProfileWindow::fillComparisonTable() {
    const int count = static_cast<int>(m_shownSheets.size());
    m_comparisonTable->setRowCount(count > 1 ? count + 1 : 0);
    if (count <= 1) {
        return;
    }
    QStringList titles;
    for (int row = 0; row < count; ++row) {
        titles << m_sheets[m_shownSheets[row]].title;
    }
    titles << u"تغيير"_s;
    m_comparisonTable->setVerticalHeaderLabels(titles);
    markComparisonRows();
    const QList<QPointF> first = pointsOf(m_shownSheets.first());
    const QList<QPointF> last = pointsOf(m_shownSheets.last());
    const auto setCell = [this](int row, int column, const QString& text) {
        auto* cell = new QTableWidgetItem(text);
        cell->setTextAlignment(Qt::AlignCenter);
        m_comparisonTable->setItem(row, column, cell);
    };
    for (int row = 0; row < count; ++row) {
        const QList<QPointF> points = pointsOf(m_shownSheets[row]);
        for (int scale = 1; scale <= kScaleCount; ++scale) {
            setCell(row, scale - 1, QString::number(int(points[scale - 1].y())));
        }
    }
    for (int scale = 1; scale <= kScaleCount; ++scale) {
        setCell(count, scale - 1,
                QString::fromStdString(ChangeText(int(first[scale - 1].y()), int(last[scale - 1].y()))));
    }
}

void ProfileWindow::markComparisonRows() {
    const ChartPalette colours = PaletteNamed(m_paletteCombo->currentText());
    const int sheets = m_comparisonTable->rowCount() - 1;
    for (int row = 0; row < sheets && row < kMostComparedSheets; ++row) {
        if (QTableWidgetItem* header = m_comparisonTable->verticalHeaderItem(row)) {
            const int slot = row + 1;
            const QImage marker = MarkerPicture(SheetMarkerShape(slot), kMarkerSize,
                                                SheetMarkerColour(colours, slot), SheetColour(colours, slot));
            header->setIcon(QIcon(QPixmap::fromImage(marker)));
        }
    }
}

int ProfileWindow::comparisonTableHeight() const {
    return m_comparisonTable->horizontalHeader()->sizeHint().height() +
           m_comparisonTable->verticalHeader()->defaultSectionSize() * m_comparisonTable->rowCount() +
           2 * m_comparisonTable->frameWidth() + 2;
}

SheetComparison ProfileWindow::comparison() const {
    SheetComparison compared;
    if (m_drawnSheets.size() < 2) {
        return compared;
    }
    compared.chart = m_chartView->grab().toImage();
    for (const int sheet : m_drawnSheets) {
        compared.titles << m_sheets[sheet].title;
        std::array<int, kScaleCount> percents{};
        const QList<QPointF> points = pointsOf(sheet);
        for (int scale = 0; scale < kScaleCount; ++scale) {
            percents[std::size_t(scale)] = int(points[scale].y());
        }
        compared.percents.append(percents);
    }
    return compared;
}

void ProfileWindow::settleChart() {
    // The legend's place and the plot area follow a change at once, not at the next turn of
    // events, so a picture taken now shows them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    placeValueLabels();
}

QImage ProfileWindow::ownSheetPicture() {
    const QVector<int> shown = m_drawnSheets;
    drawSheets({m_ownSheet});
    settleChart();
    const QImage picture = m_chartView->grab().toImage();
    drawSheets(shown);
    settleChart();
    return picture;
}

void ProfileWindow::activate() {
    // Every run builds the same chart: one title, a series of 18 points for each sheet shown.
    m_chart->setTitle(u"Morvalen"_s);
    m_valueAxis->setRange(0, 105);
    m_valueAxis->setTickInterval(10);
    {
        // One drawing for both combo boxes.
        const QSignalBlocker quietAppearance(m_appearanceCombo);
        const QSignalBlocker quietPalette(m_paletteCombo);
        m_appearanceCombo->setCurrentIndex(0);
        m_paletteCombo->setCurrentIndex(9); // "Postmodern"
    }
    showChosenSheets();
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
    m_chart->legend()->setLabelColor(look.text);
    colourValueLabels();
    for (QGraphicsSimpleTextItem* label : m_categoryLabels) {
        label->setBrush(look.text);
    }
}

void ProfileWindow::colourValueLabels() {
    // One sheet: the appearance's text colour. Several: each sheet's scores in its own colour,
    // made legible on the band and on the chart around it.
    const ChartAppearance look = AppearanceNamed(m_appearanceCombo->currentText());
    const ChartPalette colours = PaletteNamed(m_paletteCombo->currentText());
    const bool several = m_drawnSheets.size() > 1;
    for (int slot = 1; slot <= kMostComparedSheets; ++slot) {
        const QColor colour = several ? LegibleColour(SheetColour(colours, slot), look.text,
                                                      {BandColour(look, colours), look.background})
                                      : look.text;
        for (QGraphicsSimpleTextItem* label : m_sheetValueLabels[slot]) {
            label->setBrush(colour);
        }
    }
}

void ProfileWindow::applyPalette() {
    const ChartPalette colours = PaletteNamed(m_paletteCombo->currentText());
    for (int slot = 1; slot <= kMostComparedSheets; ++slot) {
        QLineSeries* series = m_sheetSeries[slot];
        const QColor line = SheetColour(colours, slot);
        const QColor fill = SheetMarkerColour(colours, slot);
        QPen pen(line);
        pen.setWidth(3);
        series->setPen(pen);
        series->setColor(line);
        series->setBrush(fill);
        series->setMarkerSize(kMarkerSize);
        // The series would draw its points in the line's colour; the marker is painted as a
        // picture, filled and ringed with the line.
        series->setLightMarker(MarkerPicture(SheetMarkerShape(slot), kMarkerSize, fill, line));
        for (QLegendMarker* marker : m_chart->legend()->markers(series)) {
            marker->setShape(LegendShape(SheetMarkerShape(slot)));
            marker->setBrush(fill);
            marker->setPen(QPen(line, 2));
        }
    }
    colourValueLabels();
    markComparisonRows();
    m_chart->setPlotAreaBackgroundBrush(
        BandColour(AppearanceNamed(m_appearanceCombo->currentText()), colours));
    // The whole chart is drawn again, not only the parts the series reports as changed.
    m_chart->update();
    m_chartView->viewport()->update();
}

void ProfileWindow::showValueLabels() {
    const bool shown = m_showScoresCheck->isChecked();
    for (int slot = 1; slot <= kMostComparedSheets; ++slot) {
        for (QGraphicsSimpleTextItem* label : m_sheetValueLabels[slot]) {
            label->setVisible(shown && slot <= m_drawnSheets.size());
        }
    }
    placeValueLabels();
}

void ProfileWindow::placeValueLabels() {
    // Each value stands upright above its point; each name hangs below its place on the axis.
    // With several sheets a value that would cover another sheet's marker or value moves up
    // past it, along its own scale's line, never sideways towards a neighbouring scale; where
    // that leaves the plot, it goes below its point instead.
    const int count = std::clamp(static_cast<int>(m_drawnSheets.size()), 1, kMostComparedSheets);
    const qreal markerRadius = kMarkerSize / 2.0 + 1;
    const QRectF plot = m_chart->plotArea();
    for (int scale = 1; scale <= kScaleCount; ++scale) {
        QList<QRectF> taken;
        Numbered<QPointF, kMostComparedSheets> at{};
        for (int slot = 1; slot <= count; ++slot) {
            if (m_sheetSeries[slot]->count() < scale) {
                return; // not drawn yet
            }
            at[slot] = m_chart->mapToPosition(m_sheetSeries[slot]->at(scale - 1), m_series);
            if (count > 1) {
                taken.append(QRectF(at[slot] - QPointF(markerRadius, markerRadius),
                                    QSizeF(2 * markerRadius, 2 * markerRadius)));
            }
        }
        for (int slot = 1; slot <= count; ++slot) {
            QGraphicsSimpleTextItem* label = m_sheetValueLabels[slot][scale];
            const QRectF box = label->boundingRect();
            // Turned upright, the text runs up from its place: as wide as it is high.
            const qreal x = at[slot].x() - box.height() / 2;
            const auto covers = [&](qreal y) {
                return QRectF(x, y - box.width(), box.height(), box.width());
            };
            const auto freeFrom = [&](qreal y, bool up) {
                for (int tries = 0; tries <= 2 * kMostComparedSheets; ++tries) {
                    const QRectF here = covers(y);
                    const auto hit = std::find_if(taken.begin(), taken.end(),
                                                  [&here](const QRectF& r) { return r.intersects(here); });
                    if (hit == taken.end()) {
                        break;
                    }
                    y = up ? hit->top() - 1 : hit->bottom() + 1 + box.width();
                }
                return y;
            };
            qreal y = freeFrom(at[slot].y() - 12, true);
            if (y - box.width() < plot.top() - 12) {
                y = freeFrom(at[slot].y() + markerRadius + 2 + box.width(), false);
            }
            label->setPos(x, y);
            taken.append(covers(y));
        }
    }
    const auto& points = m_series->points();
    for (int scale = 1; scale <= kScaleCount && scale <= points.size(); ++scale) {
        const QPointF tick = m_chart->mapToPosition(QPointF(scale - 1, 0), m_series) + QPointF(4, 6);
        m_categoryLabels[scale]->setPos(tick - m_categoryLabels[scale]->boundingRect().topRight());
    }
}

void ProfileWindow::layoutWindow() {
    const QSize client = size();
    const int top = m_chartView->y();
    const int width = client.width() - kChartMargin - top;
    const bool comparing = m_drawnSheets.size() > 1;
    const int table = comparing ? comparisonTableHeight() + top : 0;
    const int height = client.height() - 2 * top - table;
    // A size the chart cannot take is skipped; it keeps the size it had.
    if (width > 0 && height > 0) {
        m_chartView->resize(width, height);
    }
    if (comparing) {
        m_comparisonTable->setGeometry(kChartLeft, m_chartView->geometry().bottom() + 1 + top,
                                       m_chartView->width(), table - top);
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
    // panel's unsaved text. Several sheets drawn: the report's profile is the window's own
    // sheet, as with one, and the sheets compared follow in a section of their own.
    if (m_drawnSheets.size() < 2) {
        return ExportWordReport(this, m_context, m_chartView->grab().toImage(), m_examineeLine,
                                m_storedInterpretation);
    }
    settleChart();
    const SheetComparison compared = comparison();
    return ExportWordReport(this, m_context, ownSheetPicture(), m_examineeLine, m_storedInterpretation,
                            compared);
}

QPrintPreviewDialog* ProfileWindow::printReport() {
    if (m_drawnSheets.size() < 2) {
        saveChartPicture(m_context.programFolder + u"/Morvalen.jpg"_s);
        StoreReportSections(m_context.programFolder, m_result);
        return PrintedReport(m_context, this).showReport(m_examineeLine);
    }
    settleChart();
    const SheetComparison compared = comparison();
    ownSheetPicture().save(m_context.programFolder + u"/Morvalen.jpg"_s, "JPG", 95);
    StoreReportSections(m_context.programFolder, m_result);
    return PrintedReport(m_context, this).showReport(m_examineeLine, compared);
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
