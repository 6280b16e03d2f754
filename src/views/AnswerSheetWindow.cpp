#include "views/AnswerSheetWindow.h"

#include "core/DoubleEntry.h"
#include "core/NumberText.h"
#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "shell/PersianDateText.h"
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

// +1 for Tab, -1 for Shift+Tab (X gives it as Backtab, others as Tab with Shift), 0 for
// any other key.
int TabStep(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Backtab || (key.key() == Qt::Key_Tab && (key.modifiers() & Qt::ShiftModifier))) {
        return -1;
    }
    return key.key() == Qt::Key_Tab ? 1 : 0;
}

// Keys that would change a cell without typing a character of their own on some systems.
bool EditsText(const QKeyEvent& key) {
    return key.key() == Qt::Key_Backspace || key.key() == Qt::Key_Delete ||
           key.matches(QKeySequence::Paste) || key.matches(QKeySequence::Cut) ||
           key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo);
}

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
        m_secondEntries = std::make_unique<SecondEntryStore>(*m_db);
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
    m_searchEdit = new ExamineeSearchField(m_examineeList, this);
    m_searchEdit->setFixedWidth(260);
    m_searchEdit->setFocusPolicy(Qt::ClickFocus); // Tab keeps going from the cells to the list
    side->addWidget(m_searchEdit);
    side->addWidget(m_examineeList, 1);

    // Two rows of two, in this order; only exit works before an examinee is loaded.
    auto* buttons = new QGridLayout;
    const auto addButton = [this, buttons](const QString& caption, const QString& name, int row, int column) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
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
    m_helpButton->setAutoDefault(false);
    buttons->addWidget(m_helpButton, 2, 0, 1, 2);
    m_secondEntryButton = addButton(u"ورود دوم"_s, u"secondEntryButton"_s, 3, 0);
    m_compareButton = addButton(u"مقايسه"_s, u"compareButton"_s, 3, 1);
    // Every button from the keyboard too. A mnemonic inside a Persian word would break its
    // letters apart, so the keys are Alt with a Latin letter, named in each tooltip.
    const std::pair<QPushButton*, QKeySequence> keys[] = {
        {m_saveButton, QKeySequence(Qt::ALT | Qt::Key_S)},
        {m_nextPageButton, QKeySequence(Qt::ALT | Qt::Key_N)},
        {m_previousPageButton, QKeySequence(Qt::ALT | Qt::Key_P)},
        {m_helpButton, QKeySequence(Qt::ALT | Qt::Key_H)},
        {m_secondEntryButton, QKeySequence(Qt::ALT | Qt::Key_D)},
        {m_compareButton, QKeySequence(Qt::ALT | Qt::Key_C)},
        {m_exitButton, QKeySequence(Qt::ALT | Qt::Key_X)}};
    for (const auto& [button, key] : keys) {
        button->setShortcut(key);
        button->setToolTip(key.toString(QKeySequence::NativeText));
    }
    side->addLayout(buttons);
    layout->addLayout(side);

    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_saveButton, &QPushButton::clicked, this, [this] {
        if (saveAnswers()) {
            ShowTimedMessage(this, u"ذخيره شد"_s, m_context.intervals.timedMessageMs);
        } else {
            tellWriteFailure(u"پاسخها ذخيره نشد. دوباره ذخيره كنيد."_s);
        }
    });
    connect(m_nextPageButton, &QPushButton::clicked, this, [this] { turnPage(m_page + 1); });
    connect(m_secondEntryButton, &QPushButton::clicked, this, &AnswerSheetWindow::startSecondEntry);
    connect(m_compareButton, &QPushButton::clicked, this, [this] {
        // The first comparison's figures are kept for good: a half-typed sheet is compared
        // only when the tester means it.
        if (!secondCoversFirst() &&
            MessageBox::question(this, u"توجه"_s, u"ورود دوم هنوز كامل نشده است. آيا مقايسه مي كنيد؟"_s,
                                 QMessageBox::No) != QMessageBox::Yes) {
            return;
        }
        compareEntries();
    });
    connect(m_previousPageButton, &QPushButton::clicked, this, [this] { turnPage(m_page - 1); });

    auto* pages = new QWidget(this);
    auto* stack = new QVBoxLayout(pages);
    stack->setContentsMargins(0, 0, 0, 0);
    m_examineeLabel = MakeExamineeLabel(pages);
    stack->addWidget(m_examineeLabel);
    m_entryModeLabel = new QLabel(u"ورود دوم: پاسخهاي ورود اول ديده نمي شود."_s, pages);
    m_entryModeLabel->setObjectName(u"entryModeLabel"_s);
    m_entryModeLabel->setFont(NazaninFont(12, true));
    m_entryModeLabel->hide();
    stack->addWidget(m_entryModeLabel);

    // Beside the list, whose room it takes while shown: the window keeps its size.
    m_reconcilePanel = new QGroupBox(u"رفع اختلاف"_s, this);
    m_reconcilePanel->setObjectName(u"reconcilePanel"_s);
    m_reconcilePanel->setFixedWidth(260);
    auto* reconcile = new QVBoxLayout(m_reconcilePanel);
    const auto addLabel = [this, reconcile](QLabel*& label, const QString& name) {
        label = new QLabel(m_reconcilePanel);
        label->setObjectName(name);
        reconcile->addWidget(label);
    };
    addLabel(m_differenceCountLabel, u"differenceCountLabel"_s);
    addLabel(m_differenceItemLabel, u"differenceItemLabel"_s);
    m_differenceItemLabel->setFont(NazaninFont(12, true));
    addLabel(m_firstValueLabel, u"firstValueLabel"_s);
    addLabel(m_secondValueLabel, u"secondValueLabel"_s);
    auto* paper = new QHBoxLayout;
    paper->addWidget(new QLabel(u"پاسخ برگه:"_s, m_reconcilePanel));
    m_paperValueEdit = new QLineEdit(m_reconcilePanel);
    m_paperValueEdit->setObjectName(u"paperValueEdit"_s);
    m_paperValueEdit->setMaxLength(1);
    m_paperValueEdit->setFixedWidth(30);
    m_paperValueEdit->setAlignment(Qt::AlignCenter);
    m_paperValueEdit->setContextMenuPolicy(Qt::NoContextMenu);
    m_paperValueEdit->setAcceptDrops(false);
    m_paperValueEdit->installEventFilter(this);
    paper->addWidget(m_paperValueEdit);
    m_paperBlankButton = new QPushButton(u"بدون پاسخ"_s, m_reconcilePanel);
    m_paperBlankButton->setObjectName(u"paperBlankButton"_s);
    m_paperBlankButton->setAutoDefault(false);
    connect(m_paperBlankButton, &QPushButton::clicked, this, [this] { settleDifference(QString()); });
    paper->addWidget(m_paperBlankButton);
    paper->addStretch();
    reconcile->addLayout(paper);
    auto* blankKeys = new QLabel(u"کليد 0 يا Delete: بدون پاسخ"_s, m_reconcilePanel);
    blankKeys->setObjectName(u"paperBlankKeysLabel"_s);
    reconcile->addWidget(blankKeys);
    m_reconcilePanel->hide();
    side->insertWidget(2, m_reconcilePanel); // between the list and the buttons

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
    QGroupBox* shown = m_page == 1 ? m_pageOnePanel : m_pageTwoPanel;
    QGroupBox* left = m_page == 1 ? m_pageTwoPanel : m_pageOnePanel;
    // The page left goes first: showing a page lays the window out at once, and with both
    // pages visible for that moment the window would grow to hold them both.
    left->hide();
    shown->show();
}

void AnswerSheetWindow::turnPage(int page) {
    // Typing goes on at the page's first item without reaching for the mouse.
    focusCell(page >= 2 ? kLastItemOfPageOne + 1 : 1);
}

void AnswerSheetWindow::focusCell(int item) {
    setPage(item <= kLastItemOfPageOne ? 1 : 2);
    QLineEdit* cell = m_answerCells[item];
    cell->setFocus();
    // The next digit replaces what the cell shows.
    cell->selectAll();
}

void AnswerSheetWindow::clearCells() {
    for (QLineEdit* cell : m_answerCells) {
        cell->clear();
        cell->setEnabled(false);
    }
    m_stored = {};
    m_typed.reset();
    m_loadedCode.clear();
    ShowExaminee(m_examineeLabel, QString(), QString());
    leaveSecondEntry();
}

void AnswerSheetWindow::selectExaminee(int row) {
    if (!m_list || row < 0 || row >= m_list->rowCount()) {
        return; // an empty list starts nothing: no answer row with an empty code
    }
    // The answers typed for the examinee on screen are kept before the cells are cleared.
    if (!m_loadedCode.isEmpty() && !saveAnswers()) {
        tellWriteFailure(u"پاسخهاي آزمودني قبلي ذخيره نشد. دوباره ذخيره كنيد."_s);
        return;
    }
    clearCells();
    m_pageOnePanel->hide();
    m_pageTwoPanel->hide();
    for (QPushButton* button : {m_saveButton, m_nextPageButton, m_previousPageButton, m_secondEntryButton}) {
        button->setEnabled(false);
    }
    m_pendingCode = m_list->value(row, u"Code"_s);
    m_pendingName = m_list->value(row, u"FullName"_s);
    m_loadTimer->start();
}

void AnswerSheetWindow::load() {
    m_loadTimer->stop();
    if (!m_answers || m_pendingCode.isEmpty()) {
        return;
    }
    const QString code = m_pendingCode;
    m_pendingCode.clear();
    // A missing row is made here. A sheet that cannot be read stays closed: empty cells would
    // tell the tester that nothing was stored.
    const std::optional<AnswerRow> stored =
        m_db->holdRestoreMark() && m_answers->ensureRow(code) ? m_answers->row(code) : std::nullopt;
    if (!stored) {
        MessageBox::critical(this, u"خطا"_s,
                             u"پاسخنامه اين آزمودني خوانده نشد. دوباره امتحان كنيد.\r\n"_s +
                                 m_db->lastError());
        return;
    }
    m_stored = *stored;
    m_typed.reset();
    for (int item = 1; item <= kItemCount; ++item) {
        m_answerCells[item]->setText(m_stored[static_cast<std::size_t>(item - 1)]);
        m_answerCells[item]->setEnabled(true);
    }
    m_loadedCode = code;
    ShowExaminee(m_examineeLabel, m_pendingName, code);
    for (QPushButton* button : {m_saveButton, m_nextPageButton, m_previousPageButton, m_secondEntryButton}) {
        button->setEnabled(true);
    }
    setPage(1);
    m_answerCells[1]->setFocus();
    m_answerCells[1]->selectAll();
}

bool AnswerSheetWindow::saveAnswers() {
    if (m_loadedCode.isEmpty() || !m_answers) {
        return false;
    }
    // Only the cells whose own write failed are written again: every other cell is either
    // stored as typed or was never touched here, and another workstation may have written it.
    for (int item = 1; item <= kItemCount; ++item) {
        const auto k = static_cast<std::size_t>(item - 1); // the row and the marks count from 0
        if (!m_typed[k]) {
            continue;
        }
        const QString answer = m_answerCells[item]->text();
        if (!writeCell(item, answer)) {
            return false;
        }
        m_stored[k] = answer;
        m_typed.reset(k);
    }
    setPage(m_page);
    return true;
}

void AnswerSheetWindow::tellWriteFailure(const QString& text) {
    MessageBox::critical(this, u"خطا"_s, m_db && m_db->restoredSinceHeld() ? kRestoredUnderWindowText : text);
}

void AnswerSheetWindow::countKey() {
    if (++m_keys == kAutosaveKeys) {
        m_keys = 0;
        // A failed autosave keeps the typed cells marked, so the next save writes them.
        saveAnswers();
    }
}

void AnswerSheetWindow::enterAnswer(int item, char digit) {
    const QString answer(QLatin1Char{digit});
    m_answerCells[item]->setText(answer);
    const auto k = static_cast<std::size_t>(item - 1);
    // Stored at once, so a crash loses no answer the tester has seen on screen. Should the
    // write fail, the cell stays marked and the next save writes it.
    if (writeCell(item, answer)) {
        m_stored[k] = answer;
        m_typed.reset(k);
    } else {
        m_typed.set(k);
        if (m_db->restoredSinceHeld()) {
            // The answer stays on screen; the sheet must be opened again to write anywhere.
            MessageBox::critical(this, u"خطا"_s, kRestoredUnderWindowText);
        }
    }
    if (item < kItemCount) {
        focusCell(item + 1); // after item 232 the focus stays
    }
}

bool AnswerSheetWindow::writeCell(int item, const QString& answer) {
    if (m_secondEntry) {
        return m_secondEntries && m_secondEntries->setCell(m_loadedCode, item, answer);
    }
    return m_answers && m_answers->setCell(m_loadedCode, item, answer);
}

QString AnswerSheetWindow::timeText() const {
    return m_context.now().time().toString(u"HH:mm"_s);
}

void AnswerSheetWindow::startSecondEntry() {
    if (m_loadedCode.isEmpty() || !m_secondEntries || m_secondEntry) {
        return;
    }
    if (!saveAnswers()) {
        tellWriteFailure(u"پاسخها ذخيره نشد. دوباره ذخيره كنيد."_s);
        return;
    }
    // As stored now, with whatever another workstation wrote since the sheet was loaded.
    const std::optional<AnswerRow> first = m_answers->row(m_loadedCode);
    if (!first) {
        tellWriteFailure(u"پاسخنامه اين آزمودني خوانده نشد. دوباره امتحان كنيد."_s);
        return;
    }
    m_firstEntry = *first;
    if (std::all_of(m_firstEntry.begin(), m_firstEntry.end(), [](const QString& a) { return a.isEmpty(); })) {
        MessageBox::warning(this, u"توجه"_s, u"ابتدا پاسخنامه اين آزمودني را وارد كنيد."_s);
        return;
    }
    const std::optional<SecondEntryState> state = m_secondEntries->state(m_loadedCode);
    if (state && state->compared && m_secondEntries->verification(m_loadedCode) == Verification::Verified) {
        MessageBox::information(
            this, u"پيام"_s,
            u"ورود دوم اين پاسخنامه در تاريخ %1 تطبيق داده شده است.\r\nميزان توافق: %2 درصد"_s.arg(
                state->settledDate.isEmpty() ? state->comparedDate : state->settledDate,
                QString::fromStdString(AgreementText(state->comparedItems, state->differences))));
        return;
    }
    if (!state && !m_secondEntries->start(m_loadedCode, PersianDateText(m_context.today()), timeText())) {
        MessageBox::critical(this, u"خطا"_s, u"ورود دوم آغاز نشد. دوباره امتحان كنيد."_s);
        return;
    }
    m_secondEntry = true;
    m_secondEntryButton->setEnabled(false);
    m_compareButton->setEnabled(true);
    m_entryModeLabel->show();
    // The cells show only what the second typing has typed so far.
    m_stored = m_secondEntries->row(m_loadedCode).value_or(AnswerRow{});
    m_typed.reset();
    if (state && state->compared) {
        compareEntries(); // compared before: straight on to what is still open
        return;
    }
    for (int item = 1; item <= kItemCount; ++item) {
        m_answerCells[item]->setText(m_stored[static_cast<std::size_t>(item - 1)]);
    }
    focusCell(1);
}

bool AnswerSheetWindow::secondCoversFirst() const {
    for (std::size_t k = 0; k < m_firstEntry.size(); ++k) {
        if (!m_firstEntry[k].isEmpty() && m_answerCells[static_cast<int>(k) + 1]->text().isEmpty()) {
            return false;
        }
    }
    return true;
}

bool AnswerSheetWindow::secondEntryComplete(int typedItem) const {
    if (!secondCoversFirst()) {
        return false;
    }
    if (typedItem == kItemCount) {
        return true;
    }
    return std::none_of(m_answerCells.begin(), m_answerCells.end(),
                        [](const QLineEdit* cell) { return cell->text().isEmpty(); });
}

void AnswerSheetWindow::compareEntries() {
    if (!m_secondEntry || m_loadedCode.isEmpty()) {
        return;
    }
    if (!saveAnswers()) {
        tellWriteFailure(u"پاسخها ذخيره نشد. دوباره ذخيره كنيد."_s);
        return;
    }
    const AnswerRow first = m_answers->row(m_loadedCode).value_or(AnswerRow{});
    m_secondCells = m_secondEntries->row(m_loadedCode).value_or(AnswerRow{});
    const EntryComparison comparison = CompareEntries(ToAnswerTexts(first), ToAnswerTexts(m_secondCells));
    m_secondEntries->recordComparison(m_loadedCode, comparison.compared,
                                      static_cast<int>(comparison.differences.size()),
                                      PersianDateText(m_context.today()));
    // The comparison is made: from here the cells show the first typing, with the
    // differences marked, and take no typing until every difference is settled.
    m_stored = first;
    m_typed.reset();
    for (int item = 1; item <= kItemCount; ++item) {
        m_answerCells[item]->setText(first[static_cast<std::size_t>(item - 1)]);
        m_answerCells[item]->setEnabled(false);
        markDifference(item, false);
    }
    m_differences = comparison.differences;
    m_differenceAt = 0;
    m_compareButton->setEnabled(false);
    m_entryModeLabel->hide();
    for (const int item : m_differences) {
        markDifference(item, true);
    }
    if (m_differences.empty()) {
        finishReconciliation();
        return;
    }
    m_reconcilePanel->show();
    showDifference();
}

std::vector<int> AnswerSheetWindow::openDifferences() const {
    const auto from = m_differences.begin() + static_cast<std::ptrdiff_t>(m_differenceAt);
    return m_differenceAt < m_differences.size() ? std::vector<int>(from, m_differences.end())
                                                 : std::vector<int>{};
}

void AnswerSheetWindow::markDifference(int item, bool marked) {
    QLineEdit* cell = m_answerCells[item];
    if (cell->property("difference").toBool() == marked) {
        return;
    }
    cell->setProperty("difference", marked);
    cell->setStyleSheet(marked ? u"QLineEdit { background-color: #f6c3c3; color: black; }"_s : QString());
}

void AnswerSheetWindow::showDifference() {
    const int item = m_differences[m_differenceAt];
    const auto k = static_cast<std::size_t>(item - 1);
    const auto shown = [](const QString& value) { return value.isEmpty() ? u"بدون پاسخ"_s : value; };
    m_differenceCountLabel->setText(
        u"اختلاف %1 از %2"_s.arg(m_differenceAt + 1).arg(static_cast<int>(m_differences.size())));
    m_differenceItemLabel->setText(u"سوال %1"_s.arg(item));
    m_firstValueLabel->setText(u"ورود اول: %1"_s.arg(shown(m_stored[k])));
    m_secondValueLabel->setText(u"ورود دوم: %1"_s.arg(shown(m_secondCells[k])));
    setPage(item <= kLastItemOfPageOne ? 1 : 2);
    m_paperValueEdit->clear();
    m_paperValueEdit->setFocus();
}

void AnswerSheetWindow::settleDifference(const QString& value) {
    if (m_differenceAt >= m_differences.size()) {
        return;
    }
    const int item = m_differences[m_differenceAt];
    if (!m_secondEntries->settle(m_loadedCode, item, value)) {
        tellWriteFailure(u"پاسخ ذخيره نشد. دوباره وارد كنيد."_s);
        return;
    }
    m_stored[static_cast<std::size_t>(item - 1)] = value;
    m_answerCells[item]->setText(value);
    markDifference(item, false);
    if (++m_differenceAt < m_differences.size()) {
        showDifference();
        return;
    }
    finishReconciliation();
}

void AnswerSheetWindow::finishReconciliation() {
    m_reconcilePanel->hide();
    m_secondEntries->recordSettled(m_loadedCode, PersianDateText(m_context.today()), timeText());
    const std::optional<SecondEntryState> state = m_secondEntries->state(m_loadedCode);
    leaveSecondEntry();
    for (QLineEdit* cell : m_answerCells) {
        cell->setEnabled(true);
    }
    m_secondEntryButton->setEnabled(true);
    focusCell(1);
    if (state) {
        MessageBox::information(
            this, u"پيام"_s,
            u"ورود دوم با ورود اول تطبيق داده شد.\r\nتعداد سوالات مقايسه شده: %1\r\nتعداد اختلاف ها: %2"
            u"\r\nميزان توافق: %3 درصد"_s.arg(state->comparedItems)
                .arg(state->differences)
                .arg(QString::fromStdString(AgreementText(state->comparedItems, state->differences))));
    }
}

void AnswerSheetWindow::leaveSecondEntry() {
    m_secondEntry = false;
    m_differences.clear();
    m_differenceAt = 0;
    m_reconcilePanel->hide();
    m_entryModeLabel->hide();
    m_compareButton->setEnabled(false);
    for (int item = 1; item <= kItemCount; ++item) {
        markDifference(item, false);
    }
}

bool AnswerSheetWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    if (watched == m_paperValueEdit) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (TabStep(*key) != 0) {
            return false; // Tab goes on to "بدون پاسخ" and the rest of the window
        }
        if (key->key() == Qt::Key_Delete) {
            settleDifference(QString()); // blank on the paper
            return true;
        }
        const QString text = key->text();
        if (text.size() == 1) {
            // The value on the paper, 1 to 6 in any of the three digit sets, stored as ASCII;
            // 0 for an item left blank.
            const char digit = AsciiDigit(text[0].unicode());
            if (digit >= '1' && digit <= '6') {
                settleDifference(QString(QLatin1Char{digit}));
                return true;
            }
            if (digit == '0') {
                settleDifference(QString());
                return true;
            }
        }
        return !text.isEmpty() || EditsText(*key);
    }
    const auto found = std::find(m_answerCells.begin(), m_answerCells.end(), watched);
    if (found == m_answerCells.end()) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    // The cells are kept in item order, the first holding item 1.
    const int item = 1 + static_cast<int>(found - m_answerCells.begin());
    if (const int step = TabStep(*key); step != 0) {
        const int target = item + step;
        if (target < 1 || target > kItemCount) {
            return false; // past either end the focus leaves the cells as usual
        }
        focusCell(target);
        return true;
    }
    const QString text = key->text();
    if (text.size() == 1) {
        // The answers 1 to 6, from the ASCII, Persian or Arabic number row, stored as ASCII.
        if (const char digit = AsciiDigit(text[0].unicode()); digit >= '1' && digit <= '6') {
            enterAnswer(item, digit);
            countKey();
            if (m_secondEntry && secondEntryComplete(item)) {
                compareEntries();
            }
            return true;
        }
    }
    // Any other character, Backspace, Delete and Enter included, changes nothing and does
    // not count towards the autosave; keys that type nothing (arrows, Shift) pass.
    return !text.isEmpty() || EditsText(*key);
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
