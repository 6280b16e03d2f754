#include "views/ResultsWindow.h"

#include "core/ExamineeSummary.h"
#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "shell/PersianDateText.h"
#include "shell/TimedMessage.h"
#include "store/SecondEntryStore.h"
#include "views/ExportSnapshot.h"
#include "views/ProfileLooks.h"
#include "views/ProfileWindow.h"

#include "views/ViewParts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedLayout>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The list's columns, as the database names them: id, FullName, Alter, Code, Geschlecht,
// Heirat, Bildung.
enum Column {
    IdColumn = 0,
    NameColumn,
    AgeColumn,
    CodeColumn,
    GenderColumn,
    MaritalStatusColumn,
    EducationColumn
};

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QLabel* ValueLabel(QWidget* parent, const QString& name, const QString& text = u"0"_s) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setMinimumWidth(36);
    return label;
}

// The layer that holds the help and answers panels over the score table. While a panel is
// open it covers the whole table, so no score shows half hidden through the panels' title
// strips or under their edges; with both closed the table is seen whole.
class PanelBackdrop : public QWidget {
public:
    using QWidget::QWidget;

    // Opening or closing a panel repaints the whole layer, not only the panel's own place.
    void watch(QWidget* panel) { panel->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
            update();
        }
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent*) override {
        if (!childrenRect().isEmpty()) {
            QPainter(this).fillRect(rect(), palette().window());
        }
    }
};

} // namespace

ResultsWindow::ResultsWindow(const Context& context, QWidget* mainWindow)
    : m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"ResultsWindow"_s);
    CloseOnEscape(this);
    setWindowTitle(u"نتيجه تست"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    m_db = Database::open(context.programFolder, DatabaseFile::Main);
    build();
    if (m_db) {
        m_answers = std::make_unique<AnswerStore>(*m_db);
        m_administrations = std::make_unique<AdministrationStore>(*m_db);
        m_listModel = new ExamineeListModel(*m_db, ExamineeList::Results, this);
        const std::pair<int, QString> headings[] = {{IdColumn, u"#"_s},
                                                    {NameColumn, u"نام و نام خانوادگي"_s},
                                                    {AgeColumn, u"سن"_s},
                                                    {GenderColumn, u"جنسيت"_s},
                                                    {MaritalStatusColumn, u"تاهل"_s},
                                                    {EducationColumn, u"تحصيلات"_s}};
        for (const auto& [column, text] : headings) {
            m_listModel->setHeaderData(column, Qt::Horizontal, text);
        }
        m_examineeList->setModel(m_listModel);
        for (const int hidden : {int(AgeColumn), int(CodeColumn), int(GenderColumn), int(MaritalStatusColumn),
                                 int(EducationColumn)}) {
            m_examineeList->setColumnHidden(hidden, true);
        }
        m_examineeList->setColumnWidth(IdColumn, 40);
        m_examineeList->setColumnWidth(NameColumn, 2880 / 15);
        // A row other than the loaded examinee's made current (by a search, a click or a
        // key) unloads the scores: the window never shows one examinee's scores while the
        // list points at another. Enter or a double click loads the row.
        OnCurrentRowChanged(m_examineeList, this, [this](int row) {
            if (m_scored && (row < 0 || m_listModel->value(row, u"Code"_s) != m_code)) {
                clearExaminee();
            }
        });
    }
}

ResultsWindow::~ResultsWindow() {
    if (m_examineeList) {
        m_examineeList->setModel(nullptr);
    }
}

QWidget* ResultsWindow::buildScoreTable() {
    auto* table = new QWidget(this);
    table->setObjectName(u"scoreTable"_s);
    auto* blocks = new QHBoxLayout(table);
    const auto& scales = SchemaScales();
    for (int block = 1; block <= 2; ++block) {
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(14);
        const QString titles[] = {u"طرحواره ها"_s, u"نمره"_s, u"درصد"_s};
        QLabel* headings[3] = {};
        for (int c = 0; c < 3; ++c) {
            headings[c] = new QLabel(titles[c], table);
            headings[c]->setFont(NazaninFont(12, true));
            grid->addWidget(headings[c], 0, c);
        }
        // Each number stands centred under its own title, so none drifts under the next one.
        headings[0]->setObjectName(u"scaleHeading_%1"_s.arg(block));
        m_rawScoreHeadings[block] = headings[1];
        m_rawScoreHeadings[block]->setObjectName(u"rawScoreHeading_%1"_s.arg(block));
        m_percentHeadings[block] = headings[2];
        m_percentHeadings[block]->setObjectName(u"percentHeading_%1"_s.arg(block));
        for (int r = 0; r < 9; ++r) {
            const int scale = (block - 1) * 9 + r + 1;
            // The captions open with their Latin code, so on their own they would line up at
            // the left; they stand at the right, under their heading, as the window reads.
            auto* caption = new QLabel(Text(scales[scale - 1].caption), table);
            caption->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
            caption->setObjectName(u"scaleCaption_%1"_s.arg(scale));
            grid->addWidget(caption, r + 1, 0);
            m_rawScoreLabels[scale] = ValueLabel(table, u"rawScoreLabel_%1"_s.arg(scale));
            m_percentLabels[scale] = ValueLabel(table, u"percentLabel_%1"_s.arg(scale));
            grid->addWidget(m_rawScoreLabels[scale], r + 1, 1);
            grid->addWidget(m_percentLabels[scale], r + 1, 2);
        }
        for (QLabel* label : {headings[1], headings[2]}) {
            label->setAlignment(Qt::AlignCenter);
        }
        for (int r = 0; r < 9; ++r) {
            const int scale = (block - 1) * 9 + r + 1;
            m_rawScoreLabels[scale]->setAlignment(Qt::AlignCenter);
            m_percentLabels[scale]->setAlignment(Qt::AlignCenter);
        }
        blocks->addLayout(grid);
    }
    return table;
}

QGroupBox* ResultsWindow::buildCensusPanel(QWidget* parent, const QString& panelName, const QString& caption,
                                           const QString& labelName, const QString& emptyText,
                                           Numbered<QLabel*, kScaleCount>& names,
                                           Numbered<QLabel*, kScaleCount>& labels) {
    auto* panel = new QGroupBox(caption, parent);
    panel->setObjectName(panelName);
    auto* frame = new QVBoxLayout(panel);
    // The names "ed=" ... are read left to right, so each value stands to the right of its
    // own name. The three columns still run from the right: ed-fa, ai-ei, us-pu.
    auto* body = new QWidget(panel);
    body->setLayoutDirection(Qt::LeftToRight);
    frame->addWidget(body);
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    // A size smaller than the window's text: the longest lists then need fewer lines.
    QFont font(u"Arial Rounded MT Bold"_s);
    font.setPointSize(9);
    const auto& scales = SchemaScales();
    for (int scale = 1; scale <= kScaleCount; ++scale) {
        const int column = 2 - (scale - 1) / 6;
        const int row = (scale - 1) % 6;
        names[scale] = new QLabel(Text(scales[scale - 1].code).toLower() + u'=', body);
        names[scale]->setObjectName(u"%1Name_%2"_s.arg(labelName).arg(scale));
        names[scale]->setFont(font);
        names[scale]->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop);
        labels[scale] = ValueLabel(body, u"%1_%2"_s.arg(labelName).arg(scale), emptyText);
        labels[scale]->setFont(font);
        labels[scale]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(names[scale], row, column * 2);
        grid->addWidget(labels[scale], row, column * 2 + 1);
    }
    for (int column = 0; column < 3; ++column) {
        grid->setColumnStretch(column * 2 + 1, 1);
    }
    return panel;
}

void ResultsWindow::build() {
    // Fits a 1280 x 720 screen with its frame; the lists scroll rather than widen it.
    resize(1230, 640);
    auto* layout = new QHBoxLayout(this);

    m_examineeList = MakeExamineeList(this);
    m_examineeList->setFixedWidth(260);
    connect(m_examineeList, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { selectExaminee(index.row()); });
    auto* listSide = new QVBoxLayout;
    m_searchEdit = new ExamineeSearchField(m_examineeList, this);
    m_searchEdit->setFixedWidth(260);
    listSide->addWidget(m_searchEdit);
    listSide->addWidget(m_examineeList, 1);
    listSide->addWidget(buildSheetsPanel());
    layout->addLayout(listSide);

    auto* right = new QVBoxLayout;
    m_examineeLabel = MakeExamineeLabel(this);
    right->addWidget(m_examineeLabel);
    m_sheetTitleLabel = new QLabel(this);
    m_sheetTitleLabel->setObjectName(u"sheetTitleLabel"_s);
    m_sheetTitleLabel->setFont(NazaninFont(12, true));
    right->addWidget(m_sheetTitleLabel);
    // The score table, with the help and answers panels laid over it when shown: one above
    // the other, so both can be open and read.
    auto* area = new QWidget(this);
    auto* stack = new QStackedLayout(area);
    stack->setStackingMode(QStackedLayout::StackAll);
    QWidget* table = buildScoreTable();
    auto* overlay = new PanelBackdrop(area);
    overlay->setObjectName(u"panelOverlay"_s);
    auto* panelsColumn = new QVBoxLayout(overlay);
    panelsColumn->setContentsMargins(0, 0, 0, 0);

    m_answersPanel = new QGroupBox(u"تعداد پاسخها"_s, overlay);
    m_answersPanel->setObjectName(u"answersPanel"_s);
    m_answersPanel->setAutoFillBackground(true);
    auto* census = new QVBoxLayout(m_answersPanel);
    // However many items an examinee rates 5 or 6, every one is shown: the boxes scroll
    // when they need more room than the window gives.
    auto* scroll = new QScrollArea(m_answersPanel);
    scroll->setObjectName(u"answersScrollArea"_s);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* boxes = new QWidget(scroll);
    boxes->setObjectName(u"answersBoxes"_s);
    auto* panels = new QHBoxLayout(boxes);
    panels->setContentsMargins(0, 0, 0, 0);
    // The counts take the width they need; the lists get the rest.
    for (QGroupBox* counts :
         {buildCensusPanel(boxes, u"unansweredCountPanel"_s, u"تعداد بدون پاسخ هر مقياس"_s,
                           u"unansweredCountLabel"_s, u"0"_s, m_unansweredCountNameLabels,
                           m_unansweredCountLabels),
          buildCensusPanel(boxes, u"highCountPanel"_s, u"تعداد پاسخ هاي 5 و 6  هر مقياس"_s,
                           u"highCountLabel"_s, u"0"_s, m_highCountNameLabels, m_highCountLabels)}) {
        counts->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
        panels->addWidget(counts);
    }
    QGroupBox* items =
        buildCensusPanel(boxes, u"highItemPanel"_s, u"سوالات با پاسخ 5 و 6"_s, u"highItemLabel"_s, QString(),
                         m_highItemNameLabels, m_highItemLabels);
    for (QLabel* label : m_highItemLabels) {
        label->setWordWrap(true);
        label->setMinimumWidth(80);
        label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }
    panels->addWidget(items, 1);
    scroll->setWidget(boxes);
    census->addWidget(scroll, 1);
    m_answersCloseButton = new QPushButton(u"بستن"_s, m_answersPanel);
    m_answersCloseButton->setObjectName(u"answersCloseButton"_s);
    census->addWidget(m_answersCloseButton, 0, Qt::AlignHCenter);
    connect(m_answersCloseButton, &QPushButton::clicked, m_answersPanel, &QWidget::hide);

    m_helpPanel =
        MakeHelpPanel(overlay, u"راهنما"_s,
                      {u"- روي نام آزمودني مورد نظر دوبار کليک کنيد"_s, u"- بعد روي دکمه پروفايل کليک کنيد"_s,
                       u"- جهت خروجي اکسل داده ها براي SPSS "_s, u"روي دکمه مربوطه کليک کنيد."_s},
                      &m_helpText, &m_helpCloseButton);
    m_helpPanel->setObjectName(u"helpPanel"_s);
    // The four lines of help take only their own height; the answers get the rest.
    m_helpText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_helpText->setFixedHeight(m_helpText->fontMetrics().lineSpacing() * 5 + 8);
    m_helpPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    overlay->watch(m_helpPanel);
    overlay->watch(m_answersPanel);
    panelsColumn->addWidget(m_helpPanel);
    panelsColumn->addWidget(m_answersPanel, 1);
    panelsColumn->addStretch(0);
    stack->addWidget(table);
    stack->addWidget(overlay);
    stack->setCurrentWidget(overlay); // the panels lie over the table
    m_answersPanel->hide();
    right->addWidget(area, 1);

    m_totalUnansweredLabel = new QLabel(u"0"_s, this);
    m_totalUnansweredLabel->setObjectName(u"totalUnansweredLabel"_s);
    m_totalUnansweredLabel->hide();
    m_summaryLineEdit = new QLineEdit(this);
    m_summaryLineEdit->setObjectName(u"summaryLineEdit"_s);
    m_summaryLineEdit->hide();

    m_secondEntryLabel = new QLabel(u"ورود دوم ناتمام"_s, this);
    m_secondEntryLabel->setObjectName(u"secondEntryLabel"_s);
    m_secondEntryLabel->setFont(NazaninFont(12, true));
    m_secondEntryLabel->hide();
    right->addWidget(m_secondEntryLabel);

    auto* buttons = new QHBoxLayout;
    m_exitButton = new QPushButton(u"خروج"_s, this);
    m_exitButton->setObjectName(u"exitButton"_s);
    m_profileButton = new QPushButton(u"پروفايل "_s, this);
    m_profileButton->setObjectName(u"profileButton"_s);
    m_profileButton->setEnabled(false);
    m_helpButton = new QPushButton(u"راهنما"_s, this);
    m_helpButton->setObjectName(u"helpButton"_s);
    m_answersButton = new QPushButton(u"پاسخها"_s, this);
    m_answersButton->setObjectName(u"answersButton"_s);
    m_answersButton->setEnabled(false);
    m_excelExportButton = new QPushButton(u"خروجي اکسل داده ها"_s, this);
    m_excelExportButton->setObjectName(u"excelExportButton"_s);
    m_spssExportButton = new QPushButton(u"خروجي SPSS"_s, this);
    m_spssExportButton->setObjectName(u"spssExportButton"_s);
    m_csvExportButton = new QPushButton(u"خروجي CSV"_s, this);
    m_csvExportButton->setObjectName(u"csvExportButton"_s);
    for (QPushButton* button : {m_exitButton, m_profileButton, m_helpButton, m_answersButton,
                                m_excelExportButton, m_spssExportButton, m_csvExportButton}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    right->addLayout(buttons);
    layout->addLayout(right, 1);

    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_helpButton, &QPushButton::clicked, m_helpPanel, &QWidget::show);
    connect(m_profileButton, &QPushButton::clicked, this, &ResultsWindow::openProfile);
    connect(m_excelExportButton, &QPushButton::clicked, this, &ResultsWindow::exportToExcel);
    connect(m_spssExportButton, &QPushButton::clicked, this,
            [this] { exportForResearch(ResearchFormat::Sav); });
    connect(m_csvExportButton, &QPushButton::clicked, this,
            [this] { exportForResearch(ResearchFormat::Csv); });
    connect(m_answersButton, &QPushButton::clicked, m_answersPanel, &QWidget::show);
}

void ResultsWindow::selectExaminee(int row) {
    if (!m_listModel || !m_answers || row < 0 || row >= m_listModel->rowCount()) {
        return; // an empty list starts nothing: no answer row with an empty code
    }
    m_answersPanel->hide();
    for (QLabel* label : m_rawScoreLabels) {
        label->setText(u"0"_s);
    }
    const QString code = m_listModel->value(row, u"Code"_s);
    // A missing row is made empty; should that fail, the examinee scores as unanswered.
    m_answers->ensureRow(code);
    const AnswerRow answers = m_answers->row(code).value_or(AnswerRow{});
    const ScoringResult result = ScoreAnswers(ToAnswerTexts(answers));
    if (result.totalUnanswered > 0) {
        MessageBox::show(this, MessageBox::Icon::Warning, u"پيام"_s,
                         u"شما به سوالات زير پاسخ نداده ايد\r\n\r\n"_s +
                             QString::fromStdString(result.unansweredList));
    }
    m_summaryLineEdit->setText(
        QString::fromStdString(ExamineeSummaryLine(m_listModel->value(row, u"FullName"_s).toStdString(),
                                                   m_listModel->value(row, u"Alter"_s).toStdString(),
                                                   m_listModel->value(row, u"Geschlecht"_s).toStdString(),
                                                   m_listModel->value(row, u"Heirat"_s).toStdString(),
                                                   m_listModel->value(row, u"Bildung"_s).toStdString())));
    m_code = code;
    m_result = result;
    m_scored = true;
    showResult(result);
    // A dark red on light skins; on dark ones a red mixed towards the skin's text until it
    // reads at 4.5 to 1: this warning must be seen in every skin.
    QPalette warning = m_secondEntryLabel->palette();
    warning.setColor(QPalette::WindowText,
                     LegibleColour(QColor(0xb0, 0, 0), palette().color(QPalette::WindowText),
                                   {palette().color(QPalette::Window)}));
    m_secondEntryLabel->setPalette(warning);
    m_secondEntryLabel->setVisible(SecondEntryStore(*m_db).verification(code) == Verification::Unsettled);
    m_answersButton->setEnabled(true);
    m_profileButton->setEnabled(true);
    m_examineeName = m_listModel->value(row, u"FullName"_s);
    ShowExaminee(m_examineeLabel, m_examineeName, m_code);
    reloadSheets();
}

void ResultsWindow::clearExaminee() {
    m_scored = false;
    m_code.clear();
    m_examineeName.clear();
    m_result = ScoringResult{};
    m_workingAnswered = 0;
    m_keptSheets.clear();
    m_summaryLineEdit->clear();
    showResult(m_result);
    m_answersPanel->hide();
    m_secondEntryLabel->hide();
    m_answersButton->setEnabled(false);
    m_profileButton->setEnabled(false);
    {
        const QSignalBlocker quiet(m_sheetList);
        m_sheetList->setRowCount(0);
    }
    m_sheetTitleLabel->clear();
    enableSheetButtons();
    ShowExaminee(m_examineeLabel, QString(), QString());
}

QGroupBox* ResultsWindow::buildSheetsPanel() {
    m_sheetsPanel = new QGroupBox(u"پاسخنامه ها"_s, this);
    m_sheetsPanel->setObjectName(u"sheetsPanel"_s);
    m_sheetsPanel->setFixedWidth(260);
    auto* column = new QVBoxLayout(m_sheetsPanel);
    m_sheetList = new QTableWidget(0, 2, m_sheetsPanel);
    m_sheetList->setObjectName(u"sheetList"_s);
    m_sheetList->setHorizontalHeaderLabels({u"پاسخنامه"_s, u"پاسخ ها"_s});
    m_sheetList->verticalHeader()->hide();
    m_sheetList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_sheetList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sheetList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sheetList->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_sheetList->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_sheetList->setFixedHeight(130);
    column->addWidget(m_sheetList);
    connect(m_sheetList, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous, int) {
        if (row != previous) {
            chooseSheet(row);
        }
    });

    auto* buttons = new QGridLayout;
    m_keepSheetButton = new QPushButton(u"نگهداري پاسخنامه"_s, m_sheetsPanel);
    m_keepSheetButton->setObjectName(u"keepSheetButton"_s);
    m_newSheetButton = new QPushButton(u"پاسخنامه جديد"_s, m_sheetsPanel);
    m_newSheetButton->setObjectName(u"newSheetButton"_s);
    m_deleteSheetButton = new QPushButton(u"حذف پاسخنامه"_s, m_sheetsPanel);
    m_deleteSheetButton->setObjectName(u"deleteSheetButton"_s);
    buttons->addWidget(m_keepSheetButton, 0, 0);
    buttons->addWidget(m_newSheetButton, 0, 1);
    buttons->addWidget(m_deleteSheetButton, 1, 0);
    for (QPushButton* button : {m_keepSheetButton, m_newSheetButton, m_deleteSheetButton}) {
        button->setAutoDefault(false);
        button->setEnabled(false);
    }
    column->addLayout(buttons);
    connect(m_keepSheetButton, &QPushButton::clicked, this, &ResultsWindow::keepSheet);
    connect(m_newSheetButton, &QPushButton::clicked, this, &ResultsWindow::startNewSheet);
    connect(m_deleteSheetButton, &QPushButton::clicked, this, &ResultsWindow::deleteKeptSheet);
    return m_sheetsPanel;
}

void ResultsWindow::reloadSheets() {
    m_keptSheets = m_administrations ? m_administrations->list(m_code) : QVector<Administration>();
    const QSignalBlocker quiet(m_sheetList);
    m_sheetList->setRowCount(static_cast<int>(m_keptSheets.size()) + 1);
    const auto setRow = [this](int row, const QString& sheet, int answered) {
        auto* name = new QTableWidgetItem(sheet);
        auto* count = new QTableWidgetItem(QString::number(answered));
        count->setTextAlignment(Qt::AlignCenter);
        m_sheetList->setItem(row, 0, name);
        m_sheetList->setItem(row, 1, count);
    };
    setRow(0, u"پاسخنامه فعلي"_s, 0);
    for (int i = 0; i < m_keptSheets.size(); ++i) {
        const Administration& kept = m_keptSheets[i];
        setRow(i + 1, kept.persianDate + u"  "_s + kept.keptTime(), kept.answeredCount());
    }
    m_sheetList->setCurrentCell(0, 0);
    chooseSheet(0);
}

void ResultsWindow::chooseSheet(int row) {
    if (!m_scored || !m_answers || row < 0 || row > m_keptSheets.size()) {
        return;
    }
    AnswerRow answers;
    QString title;
    if (row == 0) {
        // The working sheet as it is stored now.
        answers = m_answers->row(m_code).value_or(AnswerRow{});
        title = u"پاسخنامه فعلي"_s;
    } else {
        const Administration& kept = m_keptSheets[row - 1];
        answers = kept.answers;
        title = u"پاسخنامه نگهداري شده، تاريخ %1 ساعت %2"_s.arg(kept.persianDate, kept.keptTime());
    }
    m_result = ScoreAnswers(ToAnswerTexts(answers));
    if (row == 0) {
        m_workingAnswered = kItemCount - m_result.totalUnanswered;
        if (QTableWidgetItem* count = m_sheetList->item(0, 1)) {
            count->setText(QString::number(m_workingAnswered));
        }
    }
    showResult(m_result);
    m_sheetTitleLabel->setText(title);
    if (m_sheetList->currentRow() != row) {
        const QSignalBlocker quiet(m_sheetList);
        m_sheetList->setCurrentCell(row, 0);
    }
    enableSheetButtons();
}

void ResultsWindow::enableSheetButtons() {
    const bool ready = m_scored && m_administrations;
    m_keepSheetButton->setEnabled(ready);
    m_newSheetButton->setEnabled(ready);
    m_deleteSheetButton->setEnabled(ready && m_sheetList->currentRow() >= 1);
}

void ResultsWindow::keepSheet() {
    if (!m_scored || !m_administrations) {
        return;
    }
    const QString noAnswers = u"پاسخنامه فعلي پاسخي ندارد و نگهداري نمي شود."_s;
    if (m_workingAnswered == 0) {
        MessageBox::warning(this, u"پيام"_s, noAnswers);
        return;
    }
    const QString date = PersianDateText(m_context.today());
    if (MessageBox::question(this, u"توجه"_s,
                             u"پاسخنامه فعلي «%1» با تاريخ %2 نگهداري شود؟"_s.arg(m_examineeName, date)) !=
        QMessageBox::Yes) {
        return;
    }
    switch (m_administrations->keep(m_code, date, m_context.now())) {
    case KeepOutcome::Kept:
        break;
    case KeepOutcome::NoAnswers:
    case KeepOutcome::NoSheet:
        MessageBox::warning(this, u"پيام"_s, noAnswers);
        return;
    case KeepOutcome::Failed:
        MessageBox::critical(this, u"خطا"_s, u"پاسخنامه نگهداري نشد.\r\n"_s + m_db->lastError());
        return;
    }
    reloadSheets();
    ShowTimedMessage(this, u"پاسخنامه نگهداري شد"_s, m_context.intervals.timedMessageMs);
}

void ResultsWindow::startNewSheet() {
    if (!m_scored || !m_administrations) {
        return;
    }
    if (m_workingAnswered == 0) {
        MessageBox::information(this, u"پيام"_s,
                                u"پاسخنامه فعلي پاسخي ندارد؛ آزمودني به همين پاسخنامه پاسخ مي دهد."_s);
        return;
    }
    const QString date = PersianDateText(m_context.today());
    const QString text =
        m_administrations->isKeptUnchanged(m_code)
            ? u"پاسخنامه فعلي «%1» پيش از اين نگهداري شده است.\r\n"
              u"پاسخ هاي آن پاک شوند تا آزمودني دوباره پاسخ دهد؟"_s.arg(m_examineeName)
            : u"پاسخنامه فعلي «%1» با تاريخ %2 نگهداري و سپس پاک مي شود تا آزمودني دوباره پاسخ دهد.\r\n"
              u"ادامه مي دهيد؟"_s.arg(m_examineeName, date);
    if (MessageBox::question(this, u"توجه"_s, text, QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    if (m_administrations->startNewSheet(m_code, date, m_context.now()) != KeepOutcome::Kept) {
        MessageBox::critical(this, u"خطا"_s, u"پاسخنامه جديد ساخته نشد.\r\n"_s + m_db->lastError());
        reloadSheets();
        return;
    }
    reloadSheets();
    ShowTimedMessage(this, u"پاسخنامه جديد آماده است"_s, m_context.intervals.timedMessageMs);
}

void ResultsWindow::deleteKeptSheet() {
    const int row = m_sheetList->currentRow();
    if (!m_administrations || row < 1 || row > m_keptSheets.size()) {
        return;
    }
    const Administration kept = m_keptSheets[row - 1];
    if (MessageBox::question(this, u"توجه"_s,
                             u"پاسخنامه نگهداري شده «%1» با تاريخ %2 ساعت %3 حذف شود؟"_s.arg(
                                 m_examineeName, kept.persianDate, kept.keptTime()),
                             QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    if (!m_administrations->remove(kept.id)) {
        MessageBox::critical(this, u"خطا"_s, u"پاسخنامه حذف نشد.\r\n"_s + m_db->lastError());
        return;
    }
    reloadSheets();
    ShowTimedMessage(this, u"حذف با موفقيت انجام گرفت"_s, m_context.intervals.timedMessageMs);
}

void ResultsWindow::exportToExcel() {
    if (!m_excel) {
        m_excel = std::make_shared<ExportSnapshot>(m_context);
    }
    m_excel->exportAll(this);
}

void ResultsWindow::exportForResearch(ResearchFormat format) {
    if (!m_excel) {
        m_excel = std::make_shared<ExportSnapshot>(m_context);
    }
    m_excel->exportResearch(format, this);
}

ProfileWindow* ResultsWindow::openProfile() {
    if (!m_scored) {
        return nullptr;
    }
    auto* profile = new ProfileWindow(m_context, m_result, m_code, this);
    // The profile starts from the sheet shown here; it reads the examinee's other sheets itself.
    const int sheet = m_sheetList->currentRow();
    if (sheet >= 1 && sheet <= m_keptSheets.size()) {
        profile->setShownSheet(m_keptSheets[sheet - 1].id);
    }
    profile->setExamineeLine(m_summaryLineEdit->text());
    profile->setWindowFlag(Qt::Window);
    // When the profile closes this view hides and the main window is back; the view stays
    // loaded until command 141 or the end.
    connect(profile, &QDialog::finished, this, [this] {
        hide();
        m_mainLock.release();
    });
    profile->show();
    return profile;
}

void ResultsWindow::showResult(const ScoringResult& result) {
    m_totalUnansweredLabel->setText(QString::number(result.totalUnanswered));
    for (int scale = 1; scale <= kScaleCount; ++scale) {
        const ScaleResult& scores = result.scales[scale - 1];
        m_rawScoreLabels[scale]->setText(QString::number(scores.rawScore));
        m_percentLabels[scale]->setText(QString::number(scores.percent));
        m_unansweredCountLabels[scale]->setText(QString::number(scores.unansweredCount));
        m_highCountLabels[scale]->setText(QString::number(scores.highCount));
        // A zero-width space after each comma lets a long list wrap inside its panel.
        m_highItemLabels[scale]->setText(
            QString::fromStdString(scores.highItems).replace(u","_s, u",\u200B"_s));
    }
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
