#include "views/BackupWindow.h"
#include "views/ViewParts.h"

#include "shell/FileDialog.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/PersianDateText.h"
#include "store/Backup.h"
#include "store/Database.h"
#include "store/ServerConnection.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QThread>
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

QString UnreachableServer(const QString& detail) {
    return u"اتصال به سرور برقرار نشد.\r\n"_s + detail;
}

// Runs work on a thread of its own and handles the window's events until it is done. The
// server's backup and restore run so: the window keeps painting, and a write of another
// window of this program that waits for the restore's lock cannot hold up the restore itself.
template <typename Work> void RunBeside(Work work) {
    QThread* thread = QThread::create(std::move(work));
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    delete thread;
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
    m_timeLabel->setText(m_context.now().time().toString(u"h.mm"_s));
    m_dateLabel->setText(PersianDateText(m_context.today(), 4));
    m_loadDateLabel->setText(m_dateLabel->text());
}

BackupWindow::~BackupWindow() = default;

void BackupWindow::build() {
    resize(520, 300);
    auto* layout = new QVBoxLayout(this);

    auto* clock = new QHBoxLayout;
    m_dateLabel = new QLabel(this);
    m_dateLabel->setObjectName(u"dateLabel"_s);
    m_timeLabel = new QLabel(this);
    m_timeLabel->setObjectName(u"timeLabel"_s);
    m_loadDateLabel = new QLabel(this);
    m_loadDateLabel->setObjectName(u"loadDateLabel"_s);
    m_loadDateLabel->hide();
    QFont big = m_dateLabel->font();
    big.setPointSize(16);
    big.setBold(true);
    m_dateLabel->setFont(big);
    m_timeLabel->setFont(big);
    clock->addWidget(m_dateLabel);
    clock->addStretch();
    clock->addWidget(m_timeLabel);
    layout->addLayout(clock);

    auto* grid = new QGridLayout;
    m_backupFileEdit = new QLineEdit(this);
    m_backupFileEdit->setObjectName(u"backupFileEdit"_s);
    m_chooseBackupFileButton = new QPushButton(u"---"_s, this);
    m_chooseBackupFileButton->setObjectName(u"chooseBackupFileButton"_s);
    m_backupButton = new QPushButton(u"BACKUP"_s, this);
    m_backupButton->setObjectName(u"backupButton"_s);
    m_restoreFileEdit = new QLineEdit(this);
    m_restoreFileEdit->setObjectName(u"restoreFileEdit"_s);
    m_chooseRestoreFileButton = new QPushButton(u"---"_s, this);
    m_chooseRestoreFileButton->setObjectName(u"chooseRestoreFileButton"_s);
    m_restoreButton = new QPushButton(u"REASTOR"_s, this);
    m_restoreButton->setObjectName(u"restoreButton"_s);
    for (QLineEdit* path : {m_backupFileEdit, m_restoreFileEdit}) {
        // Paths read left to right, whatever the window's direction.
        path->setLayoutDirection(Qt::LeftToRight);
    }
    grid->addWidget(m_backupButton, 0, 0);
    grid->addWidget(m_backupFileEdit, 0, 1);
    grid->addWidget(m_chooseBackupFileButton, 0, 2);
    grid->addWidget(m_restoreButton, 1, 0);
    grid->addWidget(m_restoreFileEdit, 1, 1);
    grid->addWidget(m_chooseRestoreFileButton, 1, 2);
    m_restoreProgressBar = new QProgressBar(this);
    m_restoreProgressBar->setObjectName(u"restoreProgressBar"_s);
    m_restoreProgressBar->setRange(0, 100);
    m_restoreProgressBar->hide();
    grid->addWidget(m_restoreProgressBar, 2, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch();

    auto* buttons = new QHBoxLayout;
    m_helpButton = new QPushButton(u"راهنما"_s, this);
    m_helpButton->setObjectName(u"helpButton"_s);
    m_exitButton = new QPushButton(u"خروج"_s, this);
    m_exitButton->setObjectName(u"exitButton"_s);
    buttons->addWidget(m_helpButton);
    buttons->addStretch();
    buttons->addWidget(m_exitButton);
    layout->addLayout(buttons);

    m_helpPanel = new QGroupBox(this);
    m_helpPanel->setObjectName(u"helpPanel"_s);
    m_helpPanel->setAutoFillBackground(true);
    auto* help = new QVBoxLayout(m_helpPanel);
    m_helpText = new QTextEdit(m_helpPanel);
    m_helpText->setObjectName(u"helpText"_s);
    m_helpText->setReadOnly(true);
    m_helpText->setPlainText(kHelpLines.join(u"\r\n"_s) + u"\r\n"_s);
    m_helpCloseButton = new QPushButton(u"بستن"_s, m_helpPanel);
    m_helpCloseButton->setObjectName(u"helpCloseButton"_s);
    help->addWidget(m_helpText);
    help->addWidget(m_helpCloseButton, 0, Qt::AlignHCenter);
    m_helpPanel->hide();

    m_clockTimer = new QTimer(this);
    m_clockTimer->setObjectName(u"clockTimer"_s);
    m_clockTimer->setInterval(m_context.intervals.clockMs);
    connect(m_clockTimer, &QTimer::timeout, this,
            [this] { m_timeLabel->setText(m_context.now().time().toString(u"h.mm"_s)); });
    m_clockTimer->start();

    connect(m_chooseBackupFileButton, &QPushButton::clicked, this, &BackupWindow::chooseBackupFile);
    connect(m_chooseRestoreFileButton, &QPushButton::clicked, this, &BackupWindow::chooseRestoreFile);
    connect(m_backupButton, &QPushButton::clicked, this, &BackupWindow::makeBackup);
    connect(m_restoreButton, &QPushButton::clicked, this, &BackupWindow::restoreBackup);
    connect(m_helpButton, &QPushButton::clicked, this, [this] {
        m_helpPanel->setGeometry(885 / 15, 30 / 15, 5535 / 15, 3075 / 15);
        m_helpPanel->show();
        m_helpPanel->raise();
    });
    connect(m_helpCloseButton, &QPushButton::clicked, m_helpPanel, &QWidget::hide);
    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
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
    return u"morvalen"_s + u"در تاريخ"_s + m_loadDateLabel->text() + u" ساعت)"_s + m_timeLabel->text() +
           u")"_s + u".morvalen"_s;
}

void BackupWindow::chooseBackupFile() {
    const QString name =
        FileDialog::getSaveFileName(this, u"نسخه پشتيبان"_s, backupFolder(), suggestedName(), kFilter);
    if (!name.isEmpty()) {
        m_backupFileEdit->setText(name);
    }
}

void BackupWindow::chooseRestoreFile() {
    const QString name = FileDialog::getOpenFileName(this, u"بازيابي اطلاعات"_s, backupFolder(), kFilter);
    if (!name.isEmpty()) {
        m_restoreFileEdit->setText(name);
    }
}

void BackupWindow::setBusy(bool busy) {
    m_busy = busy;
    for (QPushButton* button : {m_chooseBackupFileButton, m_chooseRestoreFileButton, m_backupButton,
                                m_restoreButton, m_exitButton}) {
        button->setEnabled(!busy);
    }
}

std::optional<DatabaseChoice> BackupWindow::databaseChoice() {
    QString error;
    std::optional<DatabaseChoice> choice = ReadDatabaseChoice(m_context.programFolder, &error);
    if (!choice) {
        MessageBox::critical(this, kAppName, CopyFailure(ConnectionFileName() + u": "_s + error));
    }
    return choice;
}

void BackupWindow::makeBackup() {
    const QString target = m_backupFileEdit->text();
    if (target.isEmpty()) {
        MessageBox::warning(this, u"خطا"_s, u"لطفا مسير تهيه نسخه پشتيبان را وارد کنيد"_s);
        return;
    }
    const std::optional<DatabaseChoice> choice = databaseChoice();
    if (!choice) {
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
    bool made = false;
    bool unreachable = false;
    if (choice->isServer()) {
        ServerBackupOutcome outcome = ServerBackupOutcome::Failed;
        const ServerConnection server = choice->server;
        RunBeside([&outcome, &error, server, target] { outcome = MakeServerBackup(server, target, &error); });
        made = outcome == ServerBackupOutcome::Made;
        unreachable = outcome == ServerBackupOutcome::Unreachable;
    } else {
        made = MakeBackup(databasePath(), target, &error, [] { QCoreApplication::processEvents(); });
    }
    setBusy(false);
    QDir::setCurrent(m_context.programFolder);
    if (made) {
        MessageBox::show(this, MessageBox::Icon::None, kAppName, u"نسخه پشتيبان تهيه گرديد"_s);
    } else {
        MessageBox::critical(this, kAppName, unreachable ? UnreachableServer(error) : CopyFailure(error));
    }
}

void BackupWindow::restoreBackup() {
    const QString source = m_restoreFileEdit->text();
    if (source.isEmpty()) {
        MessageBox::warning(this, u"خطا"_s, u"لطفا مسير فايل مربوطه را وارد کنيد"_s);
        return;
    }
    const std::optional<DatabaseChoice> choice = databaseChoice();
    if (!choice) {
        return;
    }
    // On the server the restore replaces what every workstation of the clinic sees.
    const QString question = u"آيا ميخواهيد اطلاعات را بازيابي کنيد؟"_s;
    if (MessageBox::question(
            this, kAppName,
            choice->isServer()
                ? u"اطلاعات سرور براي همه رايانه ها با اين فايل پشتيبان جايگزين مي شود.\r\n"_s + question
                : question) != QMessageBox::Yes) {
        MessageBox::show(this, MessageBox::Icon::None, kAppName, u"عدم موفقيت در بازيابي اطلاعات "_s);
        return;
    }
    setBusy(true);
    m_restoreProgressBar->setValue(0);
    m_restoreProgressBar->show();
    QString error;
    RestoreOutcome outcome = RestoreOutcome::WriteFailed;
    if (choice->isServer()) {
        const ServerConnection server = choice->server;
        QProgressBar* bar = m_restoreProgressBar;
        RunBeside([&outcome, &error, server, source, bar] {
            outcome = RestoreBackupToServer(source, server, &error, [bar](int percent) {
                QMetaObject::invokeMethod(
                    bar, [bar, percent] { bar->setValue(percent); }, Qt::QueuedConnection);
            });
        });
    } else {
        // The check and the copy run in steps with the window's events handled between them, so
        // the window keeps painting and its clock keeps ticking through a large restore.
        outcome = RestoreBackup(
            source, databasePath(), &error, [] { QCoreApplication::processEvents(); },
            [this](int percent) { m_restoreProgressBar->setValue(percent); });
    }
    m_restoreProgressBar->hide();
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
    case RestoreOutcome::ForeignSchema:
        MessageBox::critical(this, u"خطا"_s,
                             u"فايل انتخاب شده جدول، فهرست يا دستوري دارد كه اين برنامه نمي سازد و "
                             u"بازيابي انجام نشد. اطلاعات برنامه تغييري نكرده است.\r\n"_s +
                                 error);
        break;
    case RestoreOutcome::OtherDatabase:
        MessageBox::critical(this, u"خطا"_s,
                             u"فايل انتخاب شده بانك اطلاعات برنامه ديگري است، نه نسخه پشتيبان اين برنامه، و "
                             u"بازيابي انجام نشد. اطلاعات برنامه تغييري نكرده است.\r\n"_s +
                                 error);
        break;
    case RestoreOutcome::WriteAheadLog:
        MessageBox::critical(this, u"خطا"_s,
                             u"فايل انتخاب شده با روش WAL نوشته شده است، نه با پشتيبان گيري اين برنامه؛ "
                             u"بخشي از اطلاعات آن ممكن است در فايل ديگري كنار آن مانده باشد. بازيابي انجام "
                             u"نشد و اطلاعات برنامه تغييري نكرده است.\r\n"_s +
                                 error);
        break;
    case RestoreOutcome::Unreadable:
    case RestoreOutcome::DiskFull:
        MessageBox::critical(this, kAppName, CopyFailure(error));
        break;
    case RestoreOutcome::ServerUnreachable:
        MessageBox::critical(this, kAppName, UnreachableServer(error));
        break;
    case RestoreOutcome::WriteFailed:
        if (choice->isServer()) {
            // Closing this workstation's windows would not help: the server refused or went away.
            MessageBox::critical(this, u"خطا"_s,
                                 u"بازيابي روي سرور انجام نشد؛ اطلاعات سرور تغييري نکرده است.\r\n"_s + error);
        } else {
            MessageBox::warning(this, u"خطا"_s,
                                u"تمامي فرم ها را ببندبد به جز فرم اصلي و اين پنجره"_s + error);
        }
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
