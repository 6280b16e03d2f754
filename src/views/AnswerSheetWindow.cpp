#include "views/AnswerSheetWindow.h"

#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "shell/TimedMessage.h"

#include "views/ViewParts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

constexpr int kAutosaveKeys = 15;
constexpr int kLastItemOfPageOne = 140;

const QStringList kHelpLines{
    u"- ابتدا روي نام آزمودني دوبار کليک کنيد"_s,
    u"- پاسخها را بصورت اعداد زير وارد کنيد"_s,
    u"- كاملاً درست >>> عدد 6"_s,
    u"- درست  >>> عدد 5"_s,
    u"- اندکي درست  >>> عدد 4"_s,
    u"- بيشتر درست است تا غلط  >>> عدد 3"_s,
    u"- تقريبا غلط  >>> عدد 2"_s,
    u"- كاملا غلط  >>> عدد 1"_s,
    u"- در پايان روي دکمه ذخيره کليک کنيد."_s,
};

// The list's columns: id, FullName, Alter, Code.
enum Column { Id = 0, FullName = 1, Alter = 2, CodeColumn = 3 };

} // namespace

AnswerSheetWindow::AnswerSheetWindow(const Context& context, QWidget* mainWindow)
    : m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"AnswerSheetWindow"_s);
    CloseOnEscape(this);
    setWindowTitle(u"پاسخنامه"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    m_db = Database::open(context.programFolder, DatabaseFile::Main);
    build();
    if (m_db) {
        m_answers = std::make_unique<AnswerStore>(*m_db);
        m_list = new ExamineeListModel(*m_db, ExamineeList::Brief, this);
        m_list->setHeaderData(Id, Qt::Horizontal, u"#"_s);
        m_list->setHeaderData(FullName, Qt::Horizontal, u"نام و نام خانوادگي"_s);
        VSFlexGrid1->setModel(m_list);
        VSFlexGrid1->setColumnHidden(Alter, true);
        VSFlexGrid1->setColumnHidden(CodeColumn, true);
        VSFlexGrid1->setColumnWidth(Id, 500 / 15);
        VSFlexGrid1->setColumnWidth(FullName, 2800 / 15);
    }
}

AnswerSheetWindow::~AnswerSheetWindow() {
    if (VSFlexGrid1) {
        VSFlexGrid1->setModel(nullptr);
    }
}

QGroupBox* AnswerSheetWindow::buildPage(int firstItem, int lastItem, int columns) {
    auto* page = new QGroupBox(this);
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    for (int item = firstItem; item <= lastItem; ++item) {
        const int k = item - 1;
        const int column = (item - firstItem) / 20;
        const int row = (item - firstItem) % 20;
        Label1[k] = new QLabel(QString::number(item), page);
        Label1[k]->setObjectName(u"Label1_%1"_s.arg(k));
        Label1[k]->setAttribute(Qt::WA_TranslucentBackground);
        FlatEdit1[k] = new QLineEdit(page);
        FlatEdit1[k]->setObjectName(u"FlatEdit1_%1"_s.arg(k));
        FlatEdit1[k]->setMaxLength(1);
        FlatEdit1[k]->setFixedWidth(30);
        FlatEdit1[k]->setAlignment(Qt::AlignCenter);
        FlatEdit1[k]->setEnabled(false);
        FlatEdit1[k]->installEventFilter(this);
        // Answers come from the keyboard only: no pasting or dropping text past the filter.
        FlatEdit1[k]->setContextMenuPolicy(Qt::NoContextMenu);
        FlatEdit1[k]->setAcceptDrops(false);
        grid->addWidget(Label1[k], row, column * 2);
        grid->addWidget(FlatEdit1[k], row, column * 2 + 1);
    }
    grid->setColumnStretch(columns * 2, 1);
    page->hide();
    return page;
}

void AnswerSheetWindow::build() {
    resize(1000, 720);
    auto* layout = new QHBoxLayout(this);

    auto* side = new QVBoxLayout;
    VSFlexGrid1 = MakeExamineeList(this);
    VSFlexGrid1->setFixedWidth(260);
    connect(VSFlexGrid1, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { selectExaminee(index.row()); });
    side->addWidget(VSFlexGrid1, 1);

    const QString captions[] = {u"خروج"_s, u"ذخيره"_s, u"بعدي"_s, u"قبلي"_s};
    auto* buttons = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        PushB1[i] = new QPushButton(captions[i], this);
        PushB1[i]->setObjectName(u"PushB1_%1"_s.arg(i));
        PushB1[i]->setAutoDefault(false);
        PushB1[i]->setFocusPolicy(Qt::NoFocus);
        PushB1[i]->setEnabled(i == Exit);
        buttons->addWidget(PushB1[i], i / 2, i % 2);
    }
    PushButton1 = new QPushButton(u"راهنما"_s, this);
    PushButton1->setObjectName(u"PushButton1"_s);
    PushButton1->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(PushButton1, 2, 0, 1, 2);
    side->addLayout(buttons);
    layout->addLayout(side);

    connect(PushB1[Exit], &QPushButton::clicked, this, &QWidget::close);
    connect(PushB1[Save], &QPushButton::clicked, this, [this] {
        if (Saveee()) {
            ShowTimedMessage(this, u"ذخيره شد"_s, m_context.intervals.timedMessageMs);
        } else {
            MessageBox::critical(this, u"خطا"_s, u"پاسخها ذخيره نشد. دوباره ذخيره كنيد."_s);
        }
    });
    connect(PushB1[NextPage], &QPushButton::clicked, this, [this] { setPage(m_page + 1); });
    connect(PushB1[PreviousPage], &QPushButton::clicked, this, [this] { setPage(m_page - 1); });

    auto* pages = new QWidget(this);
    auto* stack = new QVBoxLayout(pages);
    stack->setContentsMargins(0, 0, 0, 0);
    GroupBox1 = buildPage(1, kLastItemOfPageOne, 7);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    GroupBox2 = buildPage(kLastItemOfPageOne + 1, kItemCount, 5);
    GroupBox2->setObjectName(u"GroupBox2"_s);
    stack->addWidget(GroupBox1);
    stack->addWidget(GroupBox2);
    stack->addStretch();
    layout->addWidget(pages, 1);

    GroupBox4 = MakeHelpPanel(this, u"راهنما"_s, kHelpLines, &TxtHelp, &PushButton2);
    GroupBox4->setObjectName(u"GroupBox4"_s);
    GroupBox4->setGeometry(330, 120, 400, 330);
    connect(PushButton1, &QPushButton::clicked, this, [this] {
        GroupBox4->show();
        GroupBox4->raise();
    });
    connect(PushButton2, &QPushButton::clicked, GroupBox4, &QWidget::hide);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setSingleShot(true);
    Timer1->setInterval(m_context.intervals.sheetLoadMs);
    connect(Timer1, &QTimer::timeout, this, &AnswerSheetWindow::load);
}

void AnswerSheetWindow::setPage(int page) {
    m_page = page >= 2 ? 2 : 1;
    GroupBox1->setVisible(m_page == 1);
    GroupBox2->setVisible(m_page == 2);
}

void AnswerSheetWindow::clearCells() {
    for (QLineEdit* cell : FlatEdit1) {
        cell->clear();
        cell->setEnabled(false);
    }
    m_stored = {};
    m_typed.reset();
    m_loadedCode.clear();
}

void AnswerSheetWindow::selectExaminee(int row) {
    if (!m_list || row < 0 || row >= m_list->rowCount()) {
        return; // an empty list starts nothing: no answer row with an empty code
    }
    // The answers typed for the examinee on screen are kept before the cells are cleared.
    if (!m_loadedCode.isEmpty() && !Saveee()) {
        MessageBox::critical(this, u"خطا"_s, u"پاسخهاي آزمودني قبلي ذخيره نشد. دوباره ذخيره كنيد."_s);
        return;
    }
    clearCells();
    GroupBox1->hide();
    GroupBox2->hide();
    for (int b : {int(Save), int(NextPage), int(PreviousPage)}) {
        PushB1[b]->setEnabled(false);
    }
    m_pendingCode = m_list->value(row, u"Code"_s);
    Timer1->start();
}

void AnswerSheetWindow::load() {
    Timer1->stop();
    if (!m_answers || m_pendingCode.isEmpty()) {
        return;
    }
    const QString code = m_pendingCode;
    m_pendingCode.clear();
    // A missing row is made here; should that fail, the sheet still opens empty.
    m_answers->ensureRow(code);
    m_stored = m_answers->row(code).value_or(AnswerRow{});
    m_typed.reset();
    for (int k = 0; k < kItemCount; ++k) {
        FlatEdit1[k]->setText(m_stored[k]);
        FlatEdit1[k]->setEnabled(true);
    }
    m_loadedCode = code;
    for (int b : {int(Save), int(NextPage), int(PreviousPage)}) {
        PushB1[b]->setEnabled(true);
    }
    setPage(1);
    FlatEdit1[0]->setFocus();
    FlatEdit1[0]->selectAll();
}

AnswerRow AnswerSheetWindow::currentRow() const {
    AnswerRow row = m_stored;
    for (int k = 0; k < kItemCount; ++k) {
        if (m_typed[k]) {
            row[k] = FlatEdit1[k]->text();
        }
    }
    return row;
}

bool AnswerSheetWindow::Saveee() {
    if (m_loadedCode.isEmpty() || !m_answers) {
        return false;
    }
    const AnswerRow row = currentRow();
    if (!m_answers->setRow(m_loadedCode, row)) {
        return false;
    }
    m_stored = row;
    m_typed.reset();
    setPage(m_page);
    return true;
}

void AnswerSheetWindow::countKey() {
    if (++m_keys == kAutosaveKeys) {
        m_keys = 0;
        // A failed autosave keeps the typed cells marked, so the next save writes them.
        Saveee();
    }
}

void AnswerSheetWindow::typed(int index, QChar digit) {
    FlatEdit1[index]->setText(QString(digit));
    m_typed.set(static_cast<std::size_t>(index));
    const int item = index + 1;
    if (item >= kItemCount) {
        return; // after item 232 the focus stays
    }
    setPage(item < kLastItemOfPageOne ? 1 : 2);
    QLineEdit* next = FlatEdit1[item];
    next->setFocus();
    next->selectAll();
}

bool AnswerSheetWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto found = std::find(FlatEdit1.begin(), FlatEdit1.end(), watched);
    if (found == FlatEdit1.end()) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const int index = static_cast<int>(found - FlatEdit1.begin());
    const QString text = key->text();
    const bool typesCharacter = !text.isEmpty() || key->key() == Qt::Key_Backspace;
    bool consumed = false;
    if (typesCharacter) {
        // Only the answers 1 to 6 are typed; every other character, Backspace and Enter
        // included, changes nothing.
        if (text.size() == 1 && text[0] >= u'1' && text[0] <= u'6') {
            typed(index, text[0]);
        }
        consumed = true;
    }
    // Every key counts towards the autosave, whether it typed an answer or not.
    countKey();
    return consumed;
}

void AnswerSheetWindow::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    if (!m_loadedCode.isEmpty() && !Saveee() &&
        MessageBox::question(this, u"خطا"_s, u"پاسخها ذخيره نشد. آيا بدون ذخيره خارج مي شويد؟"_s,
                             QMessageBox::No) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
