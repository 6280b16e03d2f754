#include "views/ResultsWindow.h"

#include "core/ExamineeSummary.h"
#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "views/ExportSnapshot.h"
#include "views/ProfileWindow.h"

#include "views/ViewParts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The list's columns: id, FullName, Alter, Code, Geschlecht, Heirat, Bildung.
enum Column { Id = 0, FullName, Alter, CodeColumn, Geschlecht, Heirat, Bildung };

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QLabel* ValueLabel(QWidget* parent, const QString& name, const QString& text = u"0"_s) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setMinimumWidth(36);
    return label;
}

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
        m_list = new ExamineeListModel(*m_db, ExamineeList::Results, this);
        const std::pair<int, QString> headings[] = {{Id, u"#"_s},        {FullName, u"نام و نام خانوادگي"_s},
                                                    {Alter, u"سن"_s},    {Geschlecht, u"جنسيت"_s},
                                                    {Heirat, u"تاهل"_s}, {Bildung, u"تحصيلات"_s}};
        for (const auto& [column, text] : headings) {
            m_list->setHeaderData(column, Qt::Horizontal, text);
        }
        VSFlexGrid1->setModel(m_list);
        for (const int hidden : {int(Alter), int(CodeColumn), int(Geschlecht), int(Heirat), int(Bildung)}) {
            VSFlexGrid1->setColumnHidden(hidden, true);
        }
        VSFlexGrid1->setColumnWidth(Id, 40);
        VSFlexGrid1->setColumnWidth(FullName, 2880 / 15);
    }
}

ResultsWindow::~ResultsWindow() {
    if (VSFlexGrid1) {
        VSFlexGrid1->setModel(nullptr);
    }
}

QWidget* ResultsWindow::buildScoreTable() {
    auto* table = new QWidget(this);
    table->setObjectName(u"ScoreTable"_s);
    auto* blocks = new QHBoxLayout(table);
    const auto& scales = SchemaScales();
    for (int block = 0; block < 2; ++block) {
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(14);
        const QString titles[] = {u"طرحواره ها"_s, u"نمره"_s, u"درصد"_s};
        for (int c = 0; c < 3; ++c) {
            auto* title = new QLabel(titles[c], table);
            title->setFont(NazaninFont(12, true));
            grid->addWidget(title, 0, c);
        }
        for (int r = 0; r < 9; ++r) {
            const int s = block * 9 + r;
            grid->addWidget(new QLabel(Text(scales[s].caption), table), r + 1, 0);
            LblKH[s] = ValueLabel(table, u"LblKH_%1"_s.arg(s));
            Lbldarsad[s] = ValueLabel(table, u"Lbldarsad_%1"_s.arg(s));
            grid->addWidget(LblKH[s], r + 1, 1);
            grid->addWidget(Lbldarsad[s], r + 1, 2);
        }
        blocks->addLayout(grid);
    }
    return table;
}

QGroupBox* ResultsWindow::buildCensusBox(const QString& name, const QString& caption,
                                         std::array<QLabel*, kScaleCount + 1>& labels) {
    auto* box = new QGroupBox(caption, GroupBPasokh);
    box->setObjectName(name);
    auto* grid = new QGridLayout(box);
    const QFont font(u"Arial Rounded MT Bold"_s);
    const auto& scales = SchemaScales();
    for (int s = 1; s <= kScaleCount; ++s) {
        const int column = (s - 1) / 6;
        const int row = (s - 1) % 6;
        auto* prefix = new QLabel(Text(scales[s - 1].code).toLower() + u'=', box);
        prefix->setFont(font);
        labels[s] = ValueLabel(box,
                               u"%1_%2"_s
                                   .arg(name == u"GroupBox4"_s   ? u"LblNt"_s
                                        : name == u"GroupBox1"_s ? u"LblNt2"_s
                                                                 : u"LblNt3"_s)
                                   .arg(s),
                               name == u"GroupBox2"_s ? QString() : u"0"_s);
        labels[s]->setFont(font);
        grid->addWidget(prefix, row, column * 2);
        grid->addWidget(labels[s], row, column * 2 + 1);
    }
    return box;
}

void ResultsWindow::build() {
    resize(1000, 560);
    auto* layout = new QHBoxLayout(this);

    VSFlexGrid1 = MakeExamineeList(this);
    VSFlexGrid1->setFixedWidth(260);
    connect(VSFlexGrid1, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { selectExaminee(index.row()); });
    layout->addWidget(VSFlexGrid1);

    auto* right = new QVBoxLayout;
    // The score table, with the answers and help panels laid over it when shown.
    auto* area = new QWidget(this);
    auto* stack = new QStackedLayout(area);
    stack->setStackingMode(QStackedLayout::StackAll);
    QWidget* table = buildScoreTable();

    GroupBPasokh = new QGroupBox(u"تعداد پاسخها"_s, area);
    GroupBPasokh->setObjectName(u"GroupBPasokh"_s);
    GroupBPasokh->setAutoFillBackground(true);
    auto* census = new QVBoxLayout(GroupBPasokh);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(buildCensusBox(u"GroupBox4"_s, u"تعداد بدون پاسخ هر مقياس"_s, LblNt));
    boxes->addWidget(buildCensusBox(u"GroupBox1"_s, u"تعداد پاسخ هاي 5 و 6  هر مقياس"_s, LblNt2));
    QGroupBox* items = buildCensusBox(u"GroupBox2"_s, u"سوالات با پاسخ 5 و 6"_s, LblNt3);
    for (int s = 1; s <= kScaleCount; ++s) {
        LblNt3[s]->setWordWrap(true);
        LblNt3[s]->setMinimumWidth(120);
        LblNt3[s]->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }
    // The lists need the room; the counts are short.
    boxes->addWidget(items, 3);
    census->addLayout(boxes);
    PushButton4 = new QPushButton(u"بستن"_s, GroupBPasokh);
    PushButton4->setObjectName(u"PushButton4"_s);
    census->addWidget(PushButton4, 0, Qt::AlignHCenter);
    connect(PushButton4, &QPushButton::clicked, GroupBPasokh, &QWidget::hide);

    GroupBox3 =
        MakeHelpPanel(area, u"راهنما"_s,
                      {u"- روي نام آزمودني مورد نظر دوبار کليک کنيد"_s, u"- بعد روي دکمه پروفايل کليک کنيد"_s,
                       u"- جهت خروجي اکسل داده ها براي SPSS "_s, u"روي دکمه مربوطه کليک کنيد."_s},
                      &TxtHelp, &PushButton2);
    GroupBox3->setObjectName(u"GroupBox3"_s);

    stack->addWidget(table);
    stack->addWidget(GroupBPasokh);
    stack->addWidget(GroupBox3);
    GroupBPasokh->hide();
    right->addWidget(area, 1);

    LblNt[0] = new QLabel(u"0"_s, this);
    LblNt[0]->setObjectName(u"LblNt_0"_s);
    LblNt[0]->hide();
    Txtid = new QLineEdit(this);
    Txtid->setObjectName(u"Txtid"_s);
    Txtid->hide();

    auto* buttons = new QHBoxLayout;
    PushB1 = new QPushButton(u"خروج"_s, this);
    PushB1->setObjectName(u"PushB1"_s);
    PushBNem1 = new QPushButton(u"پروفايل "_s, this);
    PushBNem1->setObjectName(u"PushBNem1"_s);
    PushBNem1->setEnabled(false);
    PushButton1 = new QPushButton(u"راهنما"_s, this);
    PushButton1->setObjectName(u"PushButton1"_s);
    PushButton5 = new QPushButton(u"پاسخها"_s, this);
    PushButton5->setObjectName(u"PushButton5"_s);
    PushButton5->setEnabled(false);
    PushButton7 = new QPushButton(u"خروجي اکسل داده ها"_s, this);
    PushButton7->setObjectName(u"PushButton7"_s);
    for (QPushButton* b : {PushB1, PushBNem1, PushButton1, PushButton5, PushButton7}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    right->addLayout(buttons);
    layout->addLayout(right, 1);

    connect(PushB1, &QPushButton::clicked, this, &QWidget::close);
    connect(PushButton1, &QPushButton::clicked, this, [this] {
        GroupBox3->show();
        GroupBox3->raise();
    });
    connect(PushBNem1, &QPushButton::clicked, this, &ResultsWindow::openProfile);
    connect(PushButton7, &QPushButton::clicked, this, &ResultsWindow::exportToExcel);
    connect(PushButton5, &QPushButton::clicked, this, [this] {
        GroupBPasokh->show();
        GroupBPasokh->raise();
    });
}

void ResultsWindow::selectExaminee(int row) {
    if (!m_list || !m_answers || row < 0 || row >= m_list->rowCount()) {
        return; // an empty list starts nothing: no answer row with an empty code
    }
    GroupBPasokh->hide();
    for (QLabel* label : LblKH) {
        label->setText(u"0"_s);
    }
    const QString code = m_list->value(row, u"Code"_s);
    // A missing row is made empty; should that fail, the examinee scores as unanswered.
    m_answers->ensureRow(code);
    const AnswerRow answers = m_answers->row(code).value_or(AnswerRow{});
    const ScoringResult result = ScoreAnswers(ToAnswerTexts(answers));
    if (result.totalUnanswered > 0) {
        MessageBox::show(this, MessageBox::Icon::Warning, u"پيام"_s,
                         u"شما به سوالات زير پاسخ نداده ايد\r\n\r\n"_s +
                             QString::fromStdString(result.unansweredList));
    }
    Txtid->setText(QString::fromStdString(ExamineeSummaryLine(
        m_list->value(row, u"FullName"_s).toStdString(), m_list->value(row, u"Alter"_s).toStdString(),
        m_list->value(row, u"Geschlecht"_s).toStdString(), m_list->value(row, u"Heirat"_s).toStdString(),
        m_list->value(row, u"Bildung"_s).toStdString())));
    m_code = code;
    m_result = result;
    m_scored = true;
    showResult(result);
    PushButton5->setEnabled(true);
    PushBNem1->setEnabled(true);
}

void ResultsWindow::exportToExcel() {
    if (!m_excel) {
        m_excel = std::make_shared<ExportSnapshot>(m_context);
    }
    m_excel->exportAll(this);
}

ProfileWindow* ResultsWindow::openProfile() {
    if (!m_scored) {
        return nullptr;
    }
    auto* profile = new ProfileWindow(m_context, m_result, m_code, this);
    profile->setExamineeLine(Txtid->text());
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
    LblNt[0]->setText(QString::number(result.totalUnanswered));
    for (int s = 0; s < kScaleCount; ++s) {
        const ScaleResult& scale = result.scales[s];
        LblKH[s]->setText(QString::number(scale.rawScore));
        Lbldarsad[s]->setText(QString::number(scale.percent));
        LblNt[s + 1]->setText(QString::number(scale.unansweredCount));
        LblNt2[s + 1]->setText(QString::number(scale.highCount));
        // A zero-width space after each comma lets a long list wrap inside its box.
        LblNt3[s + 1]->setText(QString::fromStdString(scale.highItems).replace(u","_s, u",\u200B"_s));
    }
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
