#include "views/QuestionnaireWindow.h"

#include "core/NumberText.h"
#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "shell/TimedMessage.h"
#include "views/ViewParts.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// Window positions are given in twips, at 15 twips a pixel.
QRect Twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

// By answer value, 1 to 6.
const char16_t* const kCaptions[] = {
    u"", u"کاملاً غلط", u"تقريباً غلط", u"بيشتر درست است تا غلط", u"اندکي درست", u"تقريباً درست", u"کاملاً درست",
};

const QString kInstruction =
    u"فهرست زير حاوي جملههايي است كه يك شخص ممكن است براي توصيف خودش از آنها استفاده كند. لطفا هر جمله را با "
    u"دقت بخوانيد و ببينيد تا چه حد توصيف درستي از شما به دست ميدهد. اگر شما براي پاسخ دادن خاطر جمع نيستيد، "
    u"بر پاية چيزي كه احساس ميكنيد جواب دهيد نه بر پاية آنچه فكر ميكنيد درست است. سپس براي هر سؤال، يكي از "
    u"مقياسهاي درجهبندي را كه بيشتر در مورد شما صدق ميكند انتخاب نماييد "_s;

const QStringList kHelpLines{
    u"- جهت پاسخ به سوالات روي دکمه بعدي يا "_s,
    u"قبلي کليک کنيد و گزينه مورد نظر را "_s,
    u"انتخاب نمائيد"_s,
    u"- وقتي روي دکمه بعدي يا قبلي کليک مي "_s,
    u"کنيد پاسخ داده شده ذخيره ميشود"_s,
    u"- در پايان از اين قسمت خارج شده و در "_s,
    u"قسمت نتيجه تست، نمره گذاري و پروفايل "_s,
    u"و تفسير را مشاهده نمائيد"_s,
};

// The answer value a key types: 1 to 6 in ASCII, Persian or Arabic-Indic digits; 0 otherwise.
int AnswerValueTyped(const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier) ||
        key.text().size() != 1) {
        return 0;
    }
    const char digit = AsciiDigit(key.text().front().unicode());
    return digit >= '1' && digit <= '6' ? digit - '0' : 0;
}

bool IsEnter(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

} // namespace

QuestionnaireWindow::QuestionnaireWindow(const Context& context, const QString& code, const QString& fullName,
                                         QWidget* mainWindow)
    : m_examineeCode(code)
    , m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"QuestionnaireWindow"_s);
    CloseOnEscape(this);
    setWindowTitle(u"اجراي تست"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_db = Database::open(context.programFolder, DatabaseFile::Main);
    if (m_db) {
        m_answers = std::make_unique<AnswerStore>(*m_db);
        m_questions = std::make_unique<QuestionStore>(*m_db);
        // Read with the restore number, so a restore under the open window stops its writes.
        m_hasRow = m_db->holdRestoreMark() && m_answers->hasRow(code).value_or(false);
    }
    build();
    updateAnswerPanel();
    m_nameLabel->setText(u"نام و نام خانوادگي: "_s + fullName);
}

QuestionnaireWindow::~QuestionnaireWindow() = default;

void QuestionnaireWindow::build() {
    setFixedSize(600, 470);

    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(u"nameLabel"_s);
    m_nameLabel->setGeometry(12, 8, 576, 28);
    m_nameLabel->setFont(NazaninFont(12, true));

    m_itemNumberEdit = new QLineEdit(this);
    m_itemNumberEdit->setObjectName(u"itemNumberEdit"_s);
    m_itemNumberEdit->setReadOnly(true);
    m_itemNumberEdit->hide();

    m_itemTextLabel = new QLabel(this);
    m_itemTextLabel->setObjectName(u"itemTextLabel"_s);
    m_itemTextLabel->setGeometry(24, 44, 552, 150);
    m_itemTextLabel->setWordWrap(true);
    m_itemTextLabel->setAlignment(Qt::AlignTop);
    m_itemTextLabel->setFont(NazaninFont(15, true));

    m_answerPanel = new QGroupBox(this);
    m_answerPanel->setObjectName(u"answerPanel"_s);
    m_answerPanel->setGeometry(Twips(3420, 3060, 2760, 2670));
    m_answerPanel->setToolTip(
        u"كليدهاي 1 تا 6 هم پاسخ را انتخاب مي كنند و كليد Enter سوال بعدي را نشان مي دهد"_s);
    auto* answers = new QVBoxLayout(m_answerPanel);
    auto* group = new QButtonGroup(this);
    // From the top down, 6 to 1; each button's id in the group is its value.
    for (int value = 6; value >= 1; --value) {
        m_answerButtons[value] = new QRadioButton(QString::fromUtf16(kCaptions[value]), m_answerPanel);
        m_answerButtons[value]->setObjectName(u"answerButton_%1"_s.arg(value));
        answers->addWidget(m_answerButtons[value]);
        group->addButton(m_answerButtons[value], value);
    }
    connect(group, &QButtonGroup::idClicked, this, &QuestionnaireWindow::chooseAnswer);

    m_nextButton = new QPushButton(u"بعدي"_s, this);
    m_nextButton->setObjectName(u"nextButton"_s);
    m_previousButton = new QPushButton(u"قبلي"_s, this);
    m_previousButton->setObjectName(u"previousButton"_s);
    m_closeButton = new QPushButton(u"بستن"_s, this);
    m_closeButton->setObjectName(u"closeButton"_s);
    m_helpButton = new QPushButton(u"راهنما"_s, this);
    m_helpButton->setObjectName(u"helpButton"_s);
    auto* buttons = new QWidget(this);
    buttons->setGeometry(12, 410, 576, 48);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_nextButton);
    row->addWidget(m_previousButton);
    row->addStretch();
    row->addWidget(m_helpButton);
    row->addWidget(m_closeButton);
    connect(m_nextButton, &QPushButton::clicked, this, [this] { move(+1); });
    connect(m_previousButton, &QPushButton::clicked, this, [this] { move(-1); });
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);

    m_introductionPanel = new QGroupBox(this);
    m_introductionPanel->setObjectName(u"introductionPanel"_s);
    // Tall enough to cover the answer box too, which reaches 10 pixels further down.
    m_introductionPanel->setGeometry(Twips(180, 80, 8700, 5655));
    m_introductionPanel->setAutoFillBackground(true);
    auto* intro = new QVBoxLayout(m_introductionPanel);
    m_titleLabel = new QLabel(u"نرم افزار Morvalen: پرسشنامه طرحواره با 232 سوال"_s, m_introductionPanel);
    m_titleLabel->setObjectName(u"titleLabel"_s);
    m_titleLabel->setFont(NazaninFont(16, true));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_instructionLabel = new QLabel(kInstruction, m_introductionPanel);
    m_instructionLabel->setObjectName(u"instructionLabel"_s);
    m_instructionLabel->setWordWrap(true);
    m_instructionLabel->setFont(NazaninFont(13));
    m_startButton = new QPushButton(u"شروع"_s, m_introductionPanel);
    m_startButton->setObjectName(u"startButton"_s);
    intro->addWidget(m_titleLabel);
    intro->addWidget(m_instructionLabel, 1);
    intro->addWidget(m_startButton, 0, Qt::AlignHCenter);
    connect(m_startButton, &QPushButton::clicked, this, [this] {
        m_introductionPanel->hide();
        m_helpButton->show();
        updateAnswerPanel();
        focusAnswerPanel();
    });

    m_helpPanel = MakeHelpPanel(this, u"راهنما"_s, kHelpLines, &m_helpText, &m_helpCloseButton);
    m_helpPanel->setObjectName(u"helpPanel"_s);
    m_helpPanel->setGeometry(Twips(2340, 1575, 4965, 4155));
    m_helpText->setFont(NazaninFont(10));
    connect(m_helpButton, &QPushButton::clicked, this, [this] {
        m_helpPanel->show();
        m_helpPanel->raise();
        updateAnswerPanel();
        m_helpCloseButton->setFocus();
    });
    connect(m_helpCloseButton, &QPushButton::clicked, this, [this] {
        m_helpPanel->hide();
        updateAnswerPanel();
        m_helpButton->setFocus();
    });

    // Enter presses the button that has the focus, as Space does; this window is no dialog,
    // so the buttons do not do it by themselves.
    for (QPushButton* button :
         {m_nextButton, m_previousButton, m_closeButton, m_helpButton, m_startButton, m_helpCloseButton}) {
        button->setAutoDefault(true);
    }
}

bool QuestionnaireWindow::answering() const {
    return m_introductionPanel->isHidden() && m_helpPanel->isHidden();
}

void QuestionnaireWindow::updateAnswerPanel() {
    // Disabled, the answers behind a panel can neither hold the focus nor take a key.
    m_answerPanel->setEnabled(answering());
}

void QuestionnaireWindow::focusAnswerPanel() {
    const int checked = m_answerButtons[1]->group()->checkedId();
    m_answerButtons[checked >= 1 ? checked : 6]->setFocus(Qt::OtherFocusReason);
}

void QuestionnaireWindow::keyPressEvent(QKeyEvent* event) {
    // Our addition for speed: the digits choose the answer wherever the focus is, and Enter
    // in the answer box moves on. The keys arrive here when the focused control leaves them.
    if (answering()) {
        if (const int value = AnswerValueTyped(*event)) {
            // Into the answer box, so that the Enter after it moves on.
            m_answerButtons[value]->setFocus(Qt::ShortcutFocusReason);
            m_answerButtons[value]->click();
            return;
        }
        if (IsEnter(*event) && m_answerPanel->isAncestorOf(focusWidget())) {
            move(+1);
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void QuestionnaireWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_helpButton->hide();
        showItem(1);
        // The introduction takes the keys first: Enter or Space starts.
        m_startButton->setFocus(Qt::OtherFocusReason);
    }
}

void QuestionnaireWindow::showItem(int n) {
    if (n > kItemCount) {
        ShowTimedMessage(this, u"پايان"_s, m_context.intervals.timedMessageMs);
        n = kItemCount;
    } else if (n < 1) {
        ShowTimedMessage(this, u"شروع"_s, m_context.intervals.timedMessageMs);
        n = 1;
    }
    m_item = n;
    m_itemNumberEdit->setText(QString::number(n));
    // One indexed read of this item's cell; the examinee's row is never read whole here.
    m_value = m_hasRow ? m_answers->cell(m_examineeCode, n) : QString();
    m_dirty = false;
    m_answerPanel->show();
    setButtonsFrom(m_value);
    m_answerPanel->setTitle(QString::number(n));
    m_itemTextLabel->setText(m_questions ? m_questions->text(n) : QString());
}

void QuestionnaireWindow::setButtonsFrom(const QString& stored) {
    // "0", like the empty text, means no answer.
    const int storedValue = stored.toInt();
    auto* group = m_answerButtons[1]->group();
    group->setExclusive(false);
    for (int value = 1; value <= 6; ++value) {
        m_answerButtons[value]->setChecked(value == storedValue);
    }
    group->setExclusive(true);
}

void QuestionnaireWindow::chooseAnswer(int value) {
    if (!m_hasRow) {
        // No answer row: nothing can be stored, so nothing is shown as chosen.
        setButtonsFrom(QString());
        return;
    }
    m_value = QString::number(value);
    m_dirty = true;
}

bool QuestionnaireWindow::commit() {
    if (!m_dirty) {
        return true;
    }
    if (!m_answers || !m_answers->setCell(m_examineeCode, m_item, m_value)) {
        return false;
    }
    m_dirty = false;
    return true;
}

QString QuestionnaireWindow::whyNotSaved() const {
    // The database's words, which on the server begin with the lost or absent server's line.
    const QString why = m_db ? m_db->lastError().trimmed() : QString();
    return why.isEmpty() ? QString() : u"\r\n"_s + why;
}

void QuestionnaireWindow::move(int step) {
    if (!commit()) {
        // The answer stays on screen, so the examinee can try again instead of losing it.
        MessageBox::critical(this, u"خطا"_s,
                             m_db && m_db->restoredSinceHeld()
                                 ? kRestoredUnderWindowText
                                 : u"پاسخ سوال %1 ذخيره نشد. دوباره روي دكمه كليك كنيد."_s.arg(m_item) +
                                       whyNotSaved());
        return;
    }
    showItem(m_item + step);
}

void QuestionnaireWindow::closeEvent(QCloseEvent* event) {
    if (!commit() &&
        MessageBox::question(this, u"خطا"_s,
                             u"پاسخ سوال %1 ذخيره نشد. آيا بدون ذخيره اين پاسخ خارج مي شويد؟"_s.arg(m_item) +
                                 whyNotSaved(),
                             QMessageBox::No) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
