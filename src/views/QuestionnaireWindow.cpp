#include "views/QuestionnaireWindow.h"

#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "shell/TimedMessage.h"
#include "views/ViewParts.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTextEdit>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// Window positions are given in twips, at 15 twips a pixel.
QRect Twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

const char16_t* const kCaptions[] = {
    u"", u"کاملاً درست", u"تقريباً درست", u"اندکي درست", u"بيشتر درست است تا غلط", u"تقريباً غلط", u"کاملاً غلط",
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

} // namespace

QString QuestionnaireWindow::StoredValue(int button) {
    return button >= 1 && button <= 6 ? QString::number(7 - button) : QString();
}

QuestionnaireWindow::QuestionnaireWindow(const Context& context, const QString& code, const QString& fullName,
                                         QWidget* mainWindow)
    : FltEditCode(code)
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
        m_hasRow = m_answers->hasRow(code);
    }
    build();
    Label1_0->setText(u"نام و نام خانوادگي: "_s + fullName);
}

QuestionnaireWindow::~QuestionnaireWindow() = default;

void QuestionnaireWindow::build() {
    setFixedSize(600, 470);

    Label1_0 = new QLabel(this);
    Label1_0->setObjectName(u"Label1_0"_s);
    Label1_0->setGeometry(12, 8, 576, 28);
    Label1_0->setFont(NazaninFont(12, true));

    Text6 = new QLineEdit(this);
    Text6->setObjectName(u"Text6"_s);
    Text6->setReadOnly(true);
    Text6->hide();

    LblQU = new QLabel(this);
    LblQU->setObjectName(u"LblQU"_s);
    LblQU->setGeometry(24, 44, 552, 150);
    LblQU->setWordWrap(true);
    LblQU->setAlignment(Qt::AlignTop);
    LblQU->setFont(NazaninFont(15, true));

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    GroupBox1->setGeometry(Twips(3420, 3060, 2760, 2670));
    GroupBox1->setToolTip(
        u"كليدهاي 1 تا 6 هم پاسخ را انتخاب مي كنند و كليد Enter سوال بعدي را نشان مي دهد"_s);
    auto* answers = new QVBoxLayout(GroupBox1);
    auto* group = new QButtonGroup(this);
    for (int b = 1; b <= 6; ++b) {
        RButton[b] = new QRadioButton(QString::fromUtf16(kCaptions[b]), GroupBox1);
        RButton[b]->setObjectName(u"RButton%1"_s.arg(b));
        answers->addWidget(RButton[b]);
        group->addButton(RButton[b], b);
    }
    connect(group, &QButtonGroup::idClicked, this, &QuestionnaireWindow::choose);

    PushBNext = new QPushButton(u"بعدي"_s, this);
    PushBNext->setObjectName(u"PushBNext"_s);
    PushBBack = new QPushButton(u"قبلي"_s, this);
    PushBBack->setObjectName(u"PushBBack"_s);
    PushButtonExit = new QPushButton(u"بستن"_s, this);
    PushButtonExit->setObjectName(u"PushButtonExit"_s);
    PushButton3 = new QPushButton(u"راهنما"_s, this);
    PushButton3->setObjectName(u"PushButton3"_s);
    auto* buttons = new QWidget(this);
    buttons->setGeometry(12, 410, 576, 48);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(PushBNext);
    row->addWidget(PushBBack);
    row->addStretch();
    row->addWidget(PushButton3);
    row->addWidget(PushButtonExit);
    connect(PushBNext, &QPushButton::clicked, this, [this] { move(+1); });
    connect(PushBBack, &QPushButton::clicked, this, [this] { move(-1); });
    connect(PushButtonExit, &QPushButton::clicked, this, &QWidget::close);

    GroupBox3 = new QGroupBox(this);
    GroupBox3->setObjectName(u"GroupBox3"_s);
    // Tall enough to cover the answer box too, which reaches 10 pixels further down.
    GroupBox3->setGeometry(Twips(180, 80, 8700, 5655));
    GroupBox3->setAutoFillBackground(true);
    auto* intro = new QVBoxLayout(GroupBox3);
    Label1_1 = new QLabel(u"نرم افزار Morvalen: پرسشنامه طرحواره با 232 سوال"_s, GroupBox3);
    Label1_1->setObjectName(u"Label1_1"_s);
    Label1_1->setFont(NazaninFont(16, true));
    Label1_1->setAlignment(Qt::AlignCenter);
    Label2 = new QLabel(kInstruction, GroupBox3);
    Label2->setObjectName(u"Label2"_s);
    Label2->setWordWrap(true);
    Label2->setFont(NazaninFont(13));
    PushButton1 = new QPushButton(u"شروع"_s, GroupBox3);
    PushButton1->setObjectName(u"PushButton1"_s);
    intro->addWidget(Label1_1);
    intro->addWidget(Label2, 1);
    intro->addWidget(PushButton1, 0, Qt::AlignHCenter);
    connect(PushButton1, &QPushButton::clicked, this, [this] {
        GroupBox3->hide();
        PushButton3->show();
        PushBNext->setFocus();
    });

    GroupBox4 = MakeHelpPanel(this, u"راهنما"_s, kHelpLines, &TxtHelp, &PushButton2);
    GroupBox4->setObjectName(u"GroupBox4"_s);
    GroupBox4->setGeometry(Twips(2340, 1575, 4965, 4155));
    TxtHelp->setFont(NazaninFont(10));
    connect(PushButton3, &QPushButton::clicked, this, [this] {
        GroupBox4->show();
        GroupBox4->raise();
    });
    connect(PushButton2, &QPushButton::clicked, GroupBox4, &QWidget::hide);

    // Our addition for speed: the digits choose the answer and Enter moves on.
    const auto answering = [this] { return !GroupBox3->isVisible() && !GroupBox4->isVisible(); };
    for (int digit = 1; digit <= 6; ++digit) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::Key_0 + digit), this);
        connect(shortcut, &QShortcut::activated, this, [this, digit, answering] {
            if (answering()) {
                RButton[7 - digit]->click();
            }
        });
    }
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this, answering] {
            if (answering()) {
                move(+1);
            }
        });
    }
}

void QuestionnaireWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        PushButton3->hide();
        showItem(1);
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
    Text6->setText(QString::number(n));
    // One indexed read of this item's cell; the examinee's row is never read whole here.
    m_value = m_hasRow ? m_answers->cell(FltEditCode, n) : QString();
    m_dirty = false;
    GroupBox1->show();
    setButtonsFrom(m_value);
    GroupBox1->setTitle(QString::number(n));
    LblQU->setText(m_questions ? m_questions->text(n) : QString());
}

void QuestionnaireWindow::setButtonsFrom(const QString& stored) {
    // "0", like the empty text, means no answer.
    const int value = stored.toInt();
    const int button = value >= 1 && value <= 6 ? 7 - value : 0;
    auto* group = RButton[1]->group();
    group->setExclusive(false);
    for (int b = 1; b <= 6; ++b) {
        RButton[b]->setChecked(b == button);
    }
    group->setExclusive(true);
}

void QuestionnaireWindow::choose(int button) {
    if (!m_hasRow) {
        // No answer row: nothing can be stored, so nothing is shown as chosen.
        setButtonsFrom(QString());
        return;
    }
    m_value = StoredValue(button);
    m_dirty = true;
}

bool QuestionnaireWindow::commit() {
    if (!m_dirty) {
        return true;
    }
    if (!m_answers || !m_answers->setCell(FltEditCode, m_item, m_value)) {
        return false;
    }
    m_dirty = false;
    return true;
}

void QuestionnaireWindow::move(int step) {
    if (!commit()) {
        // The answer stays on screen, so the examinee can try again instead of losing it.
        MessageBox::critical(this, u"خطا"_s,
                             u"پاسخ سوال %1 ذخيره نشد. دوباره روي دكمه كليك كنيد."_s.arg(m_item));
        return;
    }
    showItem(m_item + step);
}

void QuestionnaireWindow::closeEvent(QCloseEvent* event) {
    if (!commit() &&
        MessageBox::question(this, u"خطا"_s,
                             u"پاسخ سوال %1 ذخيره نشد. آيا بدون ذخيره اين پاسخ خارج مي شويد؟"_s.arg(m_item),
                             QMessageBox::No) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
