#include "views/BackupWindow.h"
#include "views/ViewParts.h"

#include "shell/FileDialog.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/PersianDateText.h"
#include "store/Backup.h"
#include "store/Database.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

const QString kFilter = u"Database Backup |*.morvalen"_s;
const QString kAppName = u"Morvalen"_s;

const QStringList kHelpLines{
    u"اين قسمت از برنامه جهت پشتيبان گيري و برگرداندن برنامه "_s,
    u"به حالت قبلي باستفاده از فايل پشتيبان مي باشد و روش "_s,
    u"کار به اين صورت مي باشد که ابتدا بايد روي دکمه کنار بکاپ "_s,
    u"کليک کرده دريچه اي باز مي شود بعد محلي که بکاپ را مي "_s,
    u"خواهيم ذخيره نماييم مشخص مي کنيم و روي دکمه ذخيره "_s,
    u"کليک مي کنيم دريچه بسته ميشود بعد رويدکمه بکاپ "_s,
    u"کليک مي کنيم تا پيغام نسخه پشتيبان تهيه گرديد نمايان "_s,
    u"گردد "_s,
    u"سعي کنيد هر ازگاهي از برنامه خود بکاپ گيري کرده تا در "_s,
    u"صورتي که برنامه دچار مشکل کردد و يا نياز به تعويض "_s,
    u"ويندوز داشتيد پس از نصب مجدد برنامه بتوانيد اطلاعات "_s,
    u"خود را به حالت قبل برگردانيد توجه: در صورتيکه نياز به "_s,
    u"تعويض ويندوز داريد فايل پشتيبان از برنامه خود تهيه نموده و "_s,
    u"آنرا در محلي غير از درايوي که ويندوز را در آن نصب مي کنيد "_s,
    u"ذخيره نماييد و پس از نصب ويندوز آنرا بازيابي نماييد روش "_s,
    u"بازيابي کردن اطلاعات ابتدا روي دکمه کنار رستور کليک "_s,
    u"کرده دريچه اي باز مي شود آخرين فايل پشتيباني را که "_s,
    u"ذخيره نموده ايد انتخاب کرده روي اوپن کليک کرده سپس "_s,
    u"روي دکمه رستور کليک نماييد دريچه اي باز مي شود که آيا "_s,
    u"ميخواهيد اطلاعات را بازيابي کنيد  روي بله کليک کنيد تا "_s,
    u"پيغام بازيابي اطلاعات انجام شد نمايان گردد موفق و پيروز "_s,
    u"باشيد"_s,
};

QString CopyFailure(const QString& detail) {
    return u"اشکال در ايجاد نسخه پشتيباني\r\n"_s + detail;
}

} // namespace

BackupWindow::BackupWindow(const Context& context, QWidget* mainWindow)
    : m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"BackupWindow"_s);
    CloseOnEscape(this);
    setWindowTitle(u"Back up ...  Reastor"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    Label2->setText(m_context.now().time().toString(u"h.mm"_s));
    Label1->setText(PersianDateText(m_context.today(), 4));
    Label3->setText(Label1->text());
}

BackupWindow::~BackupWindow() = default;

void BackupWindow::build() {
    resize(520, 300);
    auto* layout = new QVBoxLayout(this);

    auto* clock = new QHBoxLayout;
    Label1 = new QLabel(this);
    Label1->setObjectName(u"Label1"_s);
    Label2 = new QLabel(this);
    Label2->setObjectName(u"Label2"_s);
    Label3 = new QLabel(this);
    Label3->setObjectName(u"Label3"_s);
    Label3->hide();
    QFont big = Label1->font();
    big.setPointSize(16);
    big.setBold(true);
    Label1->setFont(big);
    Label2->setFont(big);
    clock->addWidget(Label1);
    clock->addStretch();
    clock->addWidget(Label2);
    layout->addLayout(clock);

    auto* grid = new QGridLayout;
    Text1 = new QLineEdit(this);
    Text1->setObjectName(u"Text1"_s);
    b1 = new QPushButton(u"---"_s, this);
    b1->setObjectName(u"b1"_s);
    VisualButtonEx2 = new QPushButton(u"BACKUP"_s, this);
    VisualButtonEx2->setObjectName(u"VisualButtonEx2"_s);
    Text2 = new QLineEdit(this);
    Text2->setObjectName(u"Text2"_s);
    b2 = new QPushButton(u"---"_s, this);
    b2->setObjectName(u"b2"_s);
    VisualButtonEx3 = new QPushButton(u"REASTOR"_s, this);
    VisualButtonEx3->setObjectName(u"VisualButtonEx3"_s);
    for (QLineEdit* path : {Text1, Text2}) {
        // Paths read left to right, whatever the window's direction.
        path->setLayoutDirection(Qt::LeftToRight);
    }
    grid->addWidget(VisualButtonEx2, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(b1, 0, 2);
    grid->addWidget(VisualButtonEx3, 1, 0);
    grid->addWidget(Text2, 1, 1);
    grid->addWidget(b2, 1, 2);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch();

    auto* buttons = new QHBoxLayout;
    PBHelp = new QPushButton(u"راهنما"_s, this);
    PBHelp->setObjectName(u"PBHelp"_s);
    PBExit = new QPushButton(u"خروج"_s, this);
    PBExit->setObjectName(u"PBExit"_s);
    buttons->addWidget(PBHelp);
    buttons->addStretch();
    buttons->addWidget(PBExit);
    layout->addLayout(buttons);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    GroupBox1->setAutoFillBackground(true);
    auto* help = new QVBoxLayout(GroupBox1);
    Text3 = new QTextEdit(GroupBox1);
    Text3->setObjectName(u"Text3"_s);
    Text3->setReadOnly(true);
    Text3->setPlainText(kHelpLines.join(u"\r\n"_s) + u"\r\n"_s);
    PBClose = new QPushButton(u"بستن"_s, GroupBox1);
    PBClose->setObjectName(u"PBClose"_s);
    help->addWidget(Text3);
    help->addWidget(PBClose, 0, Qt::AlignHCenter);
    GroupBox1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(m_context.intervals.clockMs);
    connect(Timer1, &QTimer::timeout, this,
            [this] { Label2->setText(m_context.now().time().toString(u"h.mm"_s)); });
    Timer1->start();

    connect(b1, &QPushButton::clicked, this, &BackupWindow::chooseBackupFile);
    connect(b2, &QPushButton::clicked, this, &BackupWindow::chooseRestoreFile);
    connect(VisualButtonEx2, &QPushButton::clicked, this, &BackupWindow::Backup);
    connect(VisualButtonEx3, &QPushButton::clicked, this, &BackupWindow::Restore);
    connect(PBHelp, &QPushButton::clicked, this, [this] {
        GroupBox1->setGeometry(885 / 15, 30 / 15, 5535 / 15, 3075 / 15);
        GroupBox1->show();
        GroupBox1->raise();
    });
    connect(PBClose, &QPushButton::clicked, GroupBox1, &QWidget::hide);
    connect(PBExit, &QPushButton::clicked, this, &QWidget::close);
}

QString BackupWindow::databasePath() const {
    return m_context.file(DatabaseFileName(DatabaseFile::Main));
}

QString BackupWindow::backupFolder() const {
    const QString folder = m_context.file(u"morvalen"_s);
    QDir().mkpath(folder);
    return folder;
}

QString BackupWindow::suggestedName() const {
    return u"morvalen"_s + u"در تاريخ"_s + Label3->text() + u" ساعت)"_s + Label2->text() + u")"_s +
           u".morvalen"_s;
}

void BackupWindow::chooseBackupFile() {
    const QString name =
        FileDialog::getSaveFileName(this, u"نسخه پشتيبان"_s, backupFolder(), suggestedName(), kFilter);
    if (!name.isEmpty()) {
        Text1->setText(name);
    }
}

void BackupWindow::chooseRestoreFile() {
    const QString name = FileDialog::getOpenFileName(this, u"بازيابي اطلاعات"_s, backupFolder(), kFilter);
    if (!name.isEmpty()) {
        Text2->setText(name);
    }
}

void BackupWindow::setBusy(bool busy) {
    m_busy = busy;
    for (QPushButton* b : {b1, b2, VisualButtonEx2, VisualButtonEx3, PBExit}) {
        b->setEnabled(!busy);
    }
}

void BackupWindow::Backup() {
    const QString target = Text1->text();
    if (target.isEmpty()) {
        MessageBox::warning(this, u"خطا"_s, u"لطفا مسير تهيه نسخه پشتيبان را وارد کنيد"_s);
        return;
    }
    if (QFileInfo::exists(target) &&
        MessageBox::question(
            this, kAppName,
            u"فايل پشتيباني با اين نام قبلا ايجاد شده آيا ميخواهيد اين فايل را جايگزين کنيد؟"_s) !=
            QMessageBox::Yes) {
        MessageBox::information(this, kAppName, u"عدم موفقيت در تهيه نسخه پشتيبان"_s);
        return;
    }
    setBusy(true);
    QString error;
    const bool made = MakeBackup(databasePath(), target, &error, [] { QCoreApplication::processEvents(); });
    setBusy(false);
    QDir::setCurrent(m_context.programFolder);
    if (made) {
        MessageBox::show(this, MessageBox::Icon::None, kAppName, u"نسخه پشتيبان تهيه گرديد"_s);
    } else {
        MessageBox::critical(this, kAppName, CopyFailure(error));
    }
}

void BackupWindow::Restore() {
    const QString source = Text2->text();
    if (source.isEmpty()) {
        MessageBox::warning(this, u"خطا"_s, u"لطفا مسير فايل مربوطه را وارد کنيد"_s);
        return;
    }
    if (MessageBox::question(this, kAppName, u"آيا ميخواهيد اطلاعات را بازيابي کنيد؟"_s) !=
        QMessageBox::Yes) {
        MessageBox::show(this, MessageBox::Icon::None, kAppName, u"عدم موفقيت در بازيابي اطلاعات "_s);
        return;
    }
    setBusy(true);
    QString error;
    const RestoreOutcome outcome = RestoreBackup(source, databasePath(), &error);
    setBusy(false);
    QDir::setCurrent(m_context.programFolder);
    switch (outcome) {
    case RestoreOutcome::Restored:
        if (auto* main = qobject_cast<MainWindow*>(m_mainLock.window())) {
            main->refreshClinicName();
        }
        MessageBox::show(this, MessageBox::Icon::None, kAppName, u"بازيابي اطلاعات انجام شد"_s);
        break;
    case RestoreOutcome::NotABackup:
        MessageBox::critical(this, u"خطا"_s,
                             u"فايل انتخاب شده نسخه پشتيبان سالم اين برنامه نيست و بازيابي انجام نشد. "
                             u"اطلاعات برنامه تغييري نكرده است.\r\n"_s +
                                 error);
        break;
    case RestoreOutcome::Unreadable:
        MessageBox::critical(this, kAppName, CopyFailure(error));
        break;
    case RestoreOutcome::WriteFailed:
        MessageBox::warning(this, u"خطا"_s, u"تمامي فرم ها را ببندبد به جز فرم اصلي و اين پنجره"_s + error);
        break;
    }
}

void BackupWindow::closeEvent(QCloseEvent* event) {
    if (m_busy) {
        event->ignore(); // a copy is running; it finishes in a moment
        return;
    }
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
