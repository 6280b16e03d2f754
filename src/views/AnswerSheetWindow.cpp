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
        m_examineeList->setModel(m_list);
        m_examineeList->setColumnHidden(Alter, true);
        m_examineeList->setColumnHidden(CodeColumn, true);
        m_examineeList->setColumnWidth(Id, 500 / 15);
        m_examineeList->setColumnWidth(FullName, 2800 / 15);
    }
}

AnswerSheetWindow::~AnswerSheetWindow() {
    if (m_examineeList) {
        m_examineeList->setModel(nullptr);
    }
}

QGroupBox* AnswerSheetWindow::buildPage(int firstItem, int lastItem, int columns) {
    auto* page = new QGroupBox(this);
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    for (int item = firstItem; item <= lastItem; ++item) {
        const int column = (item - firstItem) / 20;
        const int row = (item - firstItem) % 20;
        QLabel*& label = m_itemLabels[item];
        label = new QLabel(QString::number(item), page);
        label->setObjectName(u"itemLabel_%1"_s.arg(item));
        label->setAttribute(Qt::WA_TranslucentBackground);
        QLineEdit*& cell = m_answerCells[item];
        cell = new QLineEdit(page);
        cell->setObjectName(u"answerCell_%1"_s.arg(item));
        cell->setMaxLength(1);
        cell->setFixedWidth(30);
        cell->setAlignment(Qt::AlignCenter);
        cell->setEnabled(false);
        cell->installEventFilter(this);
        // Answers come from the keyboard only: no pasting or dropping text past the filter.
        cell->setContextMenuPolicy(Qt::NoContextMenu);
        cell->setAcceptDrops(false);
        grid->addWidget(label, row, column * 2);
        grid->addWidget(cell, row, column * 2 + 1);
    }
    grid->setColumnStretch(columns * 2, 1);
    page->hide();
    return page;
}

void AnswerSheetWindow::build() {
    resize(1000, 720);
    auto* layout = new QHBoxLayout(this);

    auto* side = new QVBoxLayout;
    m_examineeList = MakeExamineeList(this);
    m_examineeList->setFixedWidth(260);
    connect(m_examineeList, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { selectExaminee(index.row()); });
    side->addWidget(m_examineeList, 1);

    // Two rows of two, in this order; only exit works before an examinee is loaded.
    auto* buttons = new QGridLayout;
    const auto addButton = [this, buttons](const QString& caption, const QString& name, int row, int column) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        button->setEnabled(false);
        buttons->addWidget(button, row, column);
        return button;
    };
    m_exitButton = addButton(u"خروج"_s, u"exitButton"_s, 0, 0);
    m_exitButton->setEnabled(true);
    m_saveButton = addButton(u"ذخيره"_s, u"saveButton"_s, 0, 1);
    m_nextPageButton = addButton(u"بعدي"_s, u"nextPageButton"_s, 1, 0);
    m_previousPageButton = addButton(u"قبلي"_s, u"previousPageButton"_s, 1, 1);
    m_helpButton = new QPushButton(u"راهنما"_s, this);
    m_helpButton->setObjectName(u"helpButton"_s);
    m_helpButton->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(m_helpButton, 2, 0, 1, 2);
    side->addLayout(buttons);
    layout->addLayout(side);

    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_saveButton, &QPushButton::clicked, this, [this] {
        if (saveAnswers()) {
            ShowTimedMessage(this, u"ذخيره شد"_s, m_context.intervals.timedMessageMs);
        } else {
            MessageBox::critical(this, u"خطا"_s, u"پاسخها ذخيره نشد. دوباره ذخيره كنيد."_s);
        }
    });
    connect(m_nextPageButton, &QPushButton::clicked, this, [this] { setPage(m_page + 1); });
    connect(m_previousPageButton, &QPushButton::clicked, this, [this] { setPage(m_page - 1); });

    auto* pages = new QWidget(this);
    auto* stack = new QVBoxLayout(pages);
    stack->setContentsMargins(0, 0, 0, 0);
    m_pageOnePanel = buildPage(1, kLastItemOfPageOne, 7);
    m_pageOnePanel->setObjectName(u"pageOnePanel"_s);
    m_pageTwoPanel = buildPage(kLastItemOfPageOne + 1, kItemCount, 5);
    m_pageTwoPanel->setObjectName(u"pageTwoPanel"_s);
    stack->addWidget(m_pageOnePanel);
    stack->addWidget(m_pageTwoPanel);
    stack->addStretch();
    layout->addWidget(pages, 1);

    m_helpPanel = MakeHelpPanel(this, u"راهنما"_s, kHelpLines, &m_helpText, &m_helpCloseButton);
    m_helpPanel->setObjectName(u"helpPanel"_s);
    m_helpPanel->setGeometry(330, 120, 400, 330);
    connect(m_helpButton, &QPushButton::clicked, this, [this] {
        m_helpPanel->show();
        m_helpPanel->raise();
    });
    connect(m_helpCloseButton, &QPushButton::clicked, m_helpPanel, &QWidget::hide);

    m_loadTimer = new QTimer(this);
    m_loadTimer->setObjectName(u"loadTimer"_s);
    m_loadTimer->setSingleShot(true);
    m_loadTimer->setInterval(m_context.intervals.sheetLoadMs);
    connect(m_loadTimer, &QTimer::timeout, this, &AnswerSheetWindow::load);
}

void AnswerSheetWindow::setPage(int page) {
    m_page = page >= 2 ? 2 : 1;
    m_pageOnePanel->setVisible(m_page == 1);
    m_pageTwoPanel->setVisible(m_page == 2);
}

void AnswerSheetWindow::clearCells() {
    for (QLineEdit* cell : m_answerCells) {
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
    if (!m_loadedCode.isEmpty() && !saveAnswers()) {
        MessageBox::critical(this, u"خطا"_s, u"پاسخهاي آزمودني قبلي ذخيره نشد. دوباره ذخيره كنيد."_s);
        return;
    }
    clearCells();
    m_pageOnePanel->hide();
    m_pageTwoPanel->hide();
    for (QPushButton* button : {m_saveButton, m_nextPageButton, m_previousPageButton}) {
        button->setEnabled(false);
    }
    m_pendingCode = m_list->value(row, u"Code"_s);
    m_loadTimer->start();
}

void AnswerSheetWindow::load() {
    m_loadTimer->stop();
    if (!m_answers || m_pendingCode.isEmpty()) {
        return;
    }
    const QString code = m_pendingCode;
    m_pendingCode.clear();
    // A missing row is made here; should that fail, the sheet still opens empty.
    m_answers->ensureRow(code);
    m_stored = m_answers->row(code).value_or(AnswerRow{});
    m_typed.reset();
    for (int item = 1; item <= kItemCount; ++item) {
        m_answerCells[item]->setText(m_stored[static_cast<std::size_t>(item - 1)]);
        m_answerCells[item]->setEnabled(true);
    }
    m_loadedCode = code;
    for (QPushButton* button : {m_saveButton, m_nextPageButton, m_previousPageButton}) {
        button->setEnabled(true);
    }
    setPage(1);
    m_answerCells[1]->setFocus();
    m_answerCells[1]->selectAll();
}

AnswerRow AnswerSheetWindow::currentRow() const {
    AnswerRow row = m_stored;
    for (int item = 1; item <= kItemCount; ++item) {
        const auto k = static_cast<std::size_t>(item - 1); // the row and the marks count from 0
        if (m_typed[k]) {
            row[k] = m_answerCells[item]->text();
        }
    }
    return row;
}

bool AnswerSheetWindow::saveAnswers() {
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
        saveAnswers();
    }
}

void AnswerSheetWindow::enterAnswer(int item, QChar digit) {
    m_answerCells[item]->setText(QString(digit));
    m_typed.set(static_cast<std::size_t>(item - 1));
    if (item >= kItemCount) {
        return; // after item 232 the focus stays
    }
    const int nextItem = item + 1;
    setPage(nextItem <= kLastItemOfPageOne ? 1 : 2);
    QLineEdit* next = m_answerCells[nextItem];
    next->setFocus();
    next->selectAll();
}

bool AnswerSheetWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto found = std::find(m_answerCells.begin(), m_answerCells.end(), watched);
    if (found == m_answerCells.end()) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    // The cells are kept in item order, the first holding item 1.
    const int item = 1 + static_cast<int>(found - m_answerCells.begin());
    const QString text = key->text();
    const bool typesCharacter = !text.isEmpty() || key->key() == Qt::Key_Backspace;
    bool consumed = false;
    if (typesCharacter) {
        // Only the answers 1 to 6 are typed; every other character, Backspace and Enter
        // included, changes nothing.
        if (text.size() == 1 && text[0] >= u'1' && text[0] <= u'6') {
            enterAnswer(item, text[0]);
        }
        consumed = true;
    }
    // Every key counts towards the autosave, whether it typed an answer or not.
    countKey();
    return consumed;
}

void AnswerSheetWindow::closeEvent(QCloseEvent* event) {
    m_loadTimer->stop();
    if (!m_loadedCode.isEmpty() && !saveAnswers() &&
        MessageBox::question(this, u"خطا"_s, u"پاسخها ذخيره نشد. آيا بدون ذخيره خارج مي شويد؟"_s,
                             QMessageBox::No) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
