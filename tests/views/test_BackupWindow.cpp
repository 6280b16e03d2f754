// The backup window's buttons, dialogs and messages.
#include "store/AnswerStore.h"
#include "store/Backup.h"
#include "store/ExamineeStore.h"
#include "store/ServerConnection.h"
#include "support/Files.h"
#include "support/GuiFixture.h"
#include "views/BackupWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::ReadAll;

class BackupWindowTest : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        // 31 July 2023, 9:05 in the morning.
        context.now = [] { return QDateTime(QDate(2023, 7, 31), QTime(9, 5, 30)); };
        // Boxes that only inform are taken as read; questions get their answers queued.
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        main = new QWidget;
        main->show();
        window = new BackupWindow(context, main);
        window->show();
        db = folder.file(u"morvalen.mdb"_s);
    }

    void addExaminee(const QString& code) {
        auto database = Database::open(db, Database::Mode::ReadWrite);
        Examinee e;
        e.code = code;
        e.fullName = u"آزمودني "_s + code;
        ASSERT_TRUE(ExamineeStore(*database).addWithAnswerRow(e));
    }

    int examineeCount() {
        auto database = Database::open(db, Database::Mode::ReadWrite);
        return ExamineeStore(*database).count();
    }

    const MessageBox::Record& last() const { return MessageBox::shown().back(); }

    QPointer<QWidget> main;
    QPointer<BackupWindow> window;
    QString db;
};

TEST_F(BackupWindowTest, ShowsDateAndTimeAndSuggestsADatedName) {
    EXPECT_EQ(window->windowTitle(), u"Back up ...  Reastor"_s);
    EXPECT_EQ(window->m_dateLabel->text(), u"1402.5.9"_s);
    EXPECT_EQ(window->m_timeLabel->text(), u"9.05"_s);
    EXPECT_EQ(window->suggestedName(), u"morvalenدر تاريخ1402.5.9 ساعت)9.05).morvalen"_s);
    EXPECT_FALSE(main->isEnabled());
    EXPECT_EQ(window->m_helpText->toPlainText().count(u'\n'), 22);

    FileDialog::setNextFileName(folder.file(u"morvalen/x.morvalen"_s));
    QTest::mouseClick(window->m_chooseBackupFileButton, Qt::LeftButton);
    ASSERT_EQ(FileDialog::shown().size(), 1);
    const auto& dialog = FileDialog::shown()[0];
    EXPECT_TRUE(dialog.save);
    EXPECT_EQ(dialog.filter, u"Database Backup |*.morvalen"_s);
    EXPECT_EQ(dialog.suggested, window->suggestedName());
    EXPECT_EQ(QDir(dialog.startFolder).absolutePath(), QDir(folder.file(u"morvalen"_s)).absolutePath());
    EXPECT_TRUE(QFileInfo(folder.file(u"morvalen"_s)).isDir()) << "made on first use";
    EXPECT_EQ(window->m_backupFileEdit->text(), folder.file(u"morvalen/x.morvalen"_s));

    FileDialog::setNextFileName(QString());
    QTest::mouseClick(window->m_chooseRestoreFileButton, Qt::LeftButton);
    EXPECT_FALSE(FileDialog::shown().back().save);
    EXPECT_TRUE(window->m_restoreFileEdit->text().isEmpty()) << "a cancelled dialog changes nothing";

    window->close();
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(BackupWindowTest, BackupMessages) {
    QTest::mouseClick(window->m_backupButton, Qt::LeftButton);
    EXPECT_EQ(last().title, u"خطا"_s);
    EXPECT_EQ(last().text, u"لطفا مسير تهيه نسخه پشتيبان را وارد کنيد"_s);
    EXPECT_EQ(last().icon, MessageBox::Icon::Warning);

    const QString target = folder.file(u"b.morvalen"_s);
    window->m_backupFileEdit->setText(target);
    QTest::mouseClick(window->m_backupButton, Qt::LeftButton);
    EXPECT_EQ(last().text, u"نسخه پشتيبان تهيه گرديد"_s);
    EXPECT_EQ(last().title, u"Morvalen"_s);
    EXPECT_EQ(ReadAll(target), ReadAll(db));

    // The file exists now: No writes nothing.
    addExaminee(u"1"_s);
    const QByteArray first = ReadAll(target);
    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::mouseClick(window->m_backupButton, Qt::LeftButton);
    ASSERT_GE(MessageBox::shown().size(), 2);
    EXPECT_EQ(MessageBox::shown()[MessageBox::shown().size() - 2].text,
              u"فايل پشتيباني با اين نام قبلا ايجاد شده آيا ميخواهيد اين فايل را جايگزين کنيد؟"_s);
    EXPECT_EQ(last().text, u"عدم موفقيت در تهيه نسخه پشتيبان"_s);
    EXPECT_EQ(last().icon, MessageBox::Icon::Information);
    EXPECT_EQ(ReadAll(target), first);

    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_backupButton, Qt::LeftButton);
    EXPECT_EQ(last().text, u"نسخه پشتيبان تهيه گرديد"_s);
    EXPECT_EQ(ReadAll(target), ReadAll(db));

    window->m_backupFileEdit->setText(folder.file(u"no/such/folder/b.morvalen"_s));
    QTest::mouseClick(window->m_backupButton, Qt::LeftButton);
    EXPECT_TRUE(last().text.startsWith(u"اشکال در ايجاد نسخه پشتيباني\r\n"_s));
    EXPECT_EQ(last().icon, MessageBox::Icon::Critical);
}

TEST_F(BackupWindowTest, RestoreMessagesAndARealRestore) {
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    EXPECT_EQ(last().text, u"لطفا مسير فايل مربوطه را وارد کنيد"_s);
    EXPECT_EQ(last().title, u"خطا"_s);

    addExaminee(u"1"_s);
    const QString backup = folder.file(u"b.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, backup, nullptr));
    addExaminee(u"2"_s);
    window->m_restoreFileEdit->setText(backup);

    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    EXPECT_EQ(last().text, u"عدم موفقيت در بازيابي اطلاعات "_s);
    EXPECT_EQ(examineeCount(), 2);

    // The bar shows while the restore runs, climbs to 100 and goes when it is done.
    QList<int> shownPercents;
    QObject::connect(window->m_restoreProgressBar, &QProgressBar::valueChanged, window, [&](int percent) {
        if (window->m_restoreProgressBar->isVisible()) {
            shownPercents.append(percent);
        }
    });
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    ASSERT_FALSE(shownPercents.isEmpty());
    EXPECT_EQ(shownPercents.back(), 100);
    EXPECT_TRUE(window->m_restoreProgressBar->isHidden());
    EXPECT_EQ(MessageBox::shown()[MessageBox::shown().size() - 2].text,
              u"آيا ميخواهيد اطلاعات را بازيابي کنيد؟"_s);
    EXPECT_EQ(last().text, u"بازيابي اطلاعات انجام شد"_s);
    EXPECT_EQ(examineeCount(), 1) << "the change after the backup is gone";
}

TEST_F(BackupWindowTest, RestoreRefusesBadFilesAndKeepsTheDatabase) {
    const QByteArray before = ReadAll(db);
    window->m_restoreFileEdit->setText(folder.file(u"missing.morvalen"_s));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    EXPECT_TRUE(last().text.startsWith(u"اشکال در ايجاد نسخه پشتيباني\r\n"_s));
    EXPECT_EQ(ReadAll(db), before);

    const QString text = folder.file(u"notes.morvalen"_s);
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("just some notes");
    f.close();
    window->m_restoreFileEdit->setText(text);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    EXPECT_EQ(last().title, u"خطا"_s);
    EXPECT_TRUE(last().text.contains(u"بازيابي انجام نشد"_s));
    EXPECT_EQ(ReadAll(db), before);

    // A backup that brings its own code: refused with its own message, nothing written.
    const QString armed = folder.file(u"armed.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, armed, nullptr));
    {
        auto database = Database::open(armed, Database::Mode::ReadWrite);
        ASSERT_TRUE(
            database->exec(u"CREATE TRIGGER wipe AFTER UPDATE ON Answer1 BEGIN DELETE FROM IDE; END"_s));
    }
    window->m_restoreFileEdit->setText(armed);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    EXPECT_EQ(last().title, u"خطا"_s);
    EXPECT_TRUE(last().text.startsWith(u"فايل انتخاب شده جدول، فهرست يا دستوري دارد"_s))
        << last().text.toStdString();
    EXPECT_TRUE(last().text.contains(u"trigger wipe"_s)) << last().text.toStdString();
    EXPECT_EQ(ReadAll(db), before);
    EXPECT_TRUE(window->m_restoreProgressBar->isHidden());
    EXPECT_TRUE(window->m_restoreButton->isEnabled());
}

TEST_F(BackupWindowTest, OnAnUnreachableServerSaysSoAndTouchesNothing) {
    addExaminee(u"1"_s);
    const QString backup = folder.file(u"b.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, backup, nullptr));
    const QByteArray before = ReadAll(db);
    // The workstation has moved to a server that is not there now.
    DatabaseChoice choice;
    choice.kind = DatabaseChoice::Kind::Server;
    choice.server = {u"127.0.0.1"_s, 1, u"morvalen"_s, u"clinic"_s};
    ASSERT_TRUE(WriteDatabaseChoice(folder.path(), choice));

    const QString target = folder.file(u"server.morvalen"_s);
    window->m_backupFileEdit->setText(target);
    QTest::mouseClick(window->m_backupButton, Qt::LeftButton);
    EXPECT_TRUE(last().text.startsWith(u"اتصال به سرور برقرار نشد.\r\n"_s)) << last().text.toStdString();
    EXPECT_EQ(last().icon, MessageBox::Icon::Critical);
    EXPECT_FALSE(QFileInfo::exists(target)) << "the stale local file is no backup of the server";

    window->m_restoreFileEdit->setText(backup);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    ASSERT_GE(MessageBox::shown().size(), 2);
    EXPECT_TRUE(MessageBox::shown()[MessageBox::shown().size() - 2].text.startsWith(u"اطلاعات سرور"_s));
    EXPECT_TRUE(last().text.startsWith(u"اتصال به سرور برقرار نشد.\r\n"_s)) << last().text.toStdString();
    EXPECT_EQ(ReadAll(db), before) << "nor is the local file restored instead";
    EXPECT_TRUE(window->m_restoreProgressBar->isHidden());
    EXPECT_TRUE(window->m_restoreButton->isEnabled());
    EXPECT_TRUE(window->m_backupButton->isEnabled());

    // A connection file that cannot be read names itself, and neither action goes on to the
    // local file in the server's place.
    QFile damaged(folder.file(ConnectionFileName()));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("kind=server\nhost=clinic\ndatabase=morvalen\nport=abc\n");
    damaged.close();
    for (QPushButton* button : {window->m_backupButton, window->m_restoreButton}) {
        const qsizetype shown = MessageBox::shown().size();
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_EQ(MessageBox::shown().size(), shown + 1) << "no question is asked first";
        EXPECT_TRUE(last().text.startsWith(u"اشکال در ايجاد نسخه پشتيباني\r\nconnection.ini: "_s))
            << last().text.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(ReadAll(db), before);
}

// The same window on a workstation that works on the clinic's server (run against the test
// server: MORVALEN_TEST_BACKEND=postgres).
class ServerBackupWindow : public BackupWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::TempProgramFolder::onServer())
            << "runs against the test server (MORVALEN_TEST_BACKEND=postgres)";
        BackupWindowTest::SetUp();
        server = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(server && server->isServer());
    }
    void TearDown() override {
        server.reset();
        BackupWindowTest::TearDown();
    }

    std::unique_ptr<Database> server;
};

TEST_F(ServerBackupWindow, BacksUpTheServerAndRestoresItThere) {
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"علي رضايي"_s, {{1, u"3"_s}, {2, u"5"_s}}));
    ASSERT_TRUE(folder.addExaminee(u"2"_s, u"مريم محمدي"_s, {{232, u"6"_s}}));
    const QByteArray localFile = ReadAll(db);

    const QString backup = folder.file(u"morvalen/server.morvalen"_s);
    QDir().mkpath(folder.file(u"morvalen"_s));
    window->m_backupFileEdit->setText(backup);
    QTest::mouseClick(window->m_backupButton, Qt::LeftButton);
    EXPECT_EQ(last().text, u"نسخه پشتيبان تهيه گرديد"_s);
    QString error;
    ASSERT_EQ(CheckBackupFile(backup, &error), RestoreOutcome::Restored) << error.toStdString();
    {
        // The server's rows, not the local file's (which has none).
        auto file = Database::open(backup, Database::Mode::ReadOnly);
        ASSERT_TRUE(file);
        EXPECT_EQ(ExamineeStore(*file).count(), 2);
        EXPECT_EQ(AnswerStore(*file).cell(u"1"_s, 2), u"5"_s);
        EXPECT_EQ(AnswerStore(*file).cell(u"2"_s, 232), u"6"_s);
    }

    ASSERT_TRUE(folder.addExaminee(u"3"_s, u"بعد از پشتيبان"_s, {{1, u"1"_s}}));
    ASSERT_TRUE(AnswerStore(*server).setCell(u"1"_s, 2, u"1"_s));
    QList<int> shownPercents;
    QObject::connect(window->m_restoreProgressBar, &QProgressBar::valueChanged, window, [&](int percent) {
        if (window->m_restoreProgressBar->isVisible()) {
            shownPercents.append(percent);
        }
    });
    window->m_restoreFileEdit->setText(backup);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    ASSERT_GE(MessageBox::shown().size(), 2);
    EXPECT_EQ(MessageBox::shown()[MessageBox::shown().size() - 2].text,
              u"اطلاعات سرور براي همه رايانه ها با اين فايل پشتيبان جايگزين مي شود.\r\n"
              u"آيا ميخواهيد اطلاعات را بازيابي کنيد؟"_s);
    EXPECT_EQ(last().text, u"بازيابي اطلاعات انجام شد"_s);
    ASSERT_FALSE(shownPercents.isEmpty());
    EXPECT_EQ(shownPercents.back(), 100);
    EXPECT_TRUE(window->m_restoreProgressBar->isHidden());
    EXPECT_EQ(ExamineeStore(*server).count(), 2) << "the examinee added after the backup is gone";
    EXPECT_EQ(AnswerStore(*server).cell(u"1"_s, 2), u"5"_s);
    EXPECT_EQ(ReadAll(db), localFile) << "the local file is not where the restore goes";
}

TEST_F(ServerBackupWindow, AFailedRestoreSaysTheServerIsUnchanged) {
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"علي رضايي"_s, {{1, u"3"_s}}));
    const QString backup = folder.file(u"server.morvalen"_s);
    QString error;
    ASSERT_EQ(MakeServerBackup(folder.server(), backup, &error), ServerBackupOutcome::Made)
        << error.toStdString();
    ASSERT_TRUE(folder.addExaminee(u"2"_s, u"مريم محمدي"_s));
    ASSERT_TRUE(test::RefuseWrites(*server, u"INSERT"_s, u"Answer1"_s));

    window->m_restoreFileEdit->setText(backup);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    EXPECT_EQ(last().title, u"خطا"_s);
    EXPECT_TRUE(last().text.startsWith(u"بازيابي روي سرور انجام نشد؛ اطلاعات سرور تغييري نکرده است.\r\n"_s))
        << last().text.toStdString();
    EXPECT_TRUE(last().text.contains(u"refused"_s)) << "with the server's reason";
    ASSERT_TRUE(test::AllowWrites(*server, u"Answer1"_s));
    EXPECT_EQ(ExamineeStore(*server).count(), 2);
    EXPECT_TRUE(window->m_restoreButton->isEnabled());
}

TEST_F(ServerBackupWindow, AnotherWindowsWriteDuringTheRestoreWaitsForItAndGoesIn) {
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"علي رضايي"_s, {{1, u"3"_s}}));
    const QString backup = folder.file(u"server.morvalen"_s);
    QString error;
    ASSERT_EQ(MakeServerBackup(folder.server(), backup, &error), ServerBackupOutcome::Made)
        << error.toStdString();

    // Another window of this program saves an answer on this thread while the restore is
    // copying. Its write waits for the restore's lock; the restore, on a thread of its own,
    // goes on, commits, and the write then lands on the restored row. (Were the restore to
    // wait for this thread, the write would give up after its lock wait instead.)
    auto otherWindow = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(otherWindow && otherWindow->exec(u"SET lock_timeout = '5s'"_s));
    bool wrote = false;
    bool tried = false;
    QObject::connect(window->m_restoreProgressBar, &QProgressBar::valueChanged, window, [&](int percent) {
        if (!tried && percent > 0 && percent < 100) {
            tried = true;
            wrote = AnswerStore(*otherWindow).setCell(u"1"_s, 3, u"4"_s);
        }
    });
    window->m_restoreFileEdit->setText(backup);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_restoreButton, Qt::LeftButton);
    EXPECT_EQ(last().text, u"بازيابي اطلاعات انجام شد"_s);
    ASSERT_TRUE(tried);
    EXPECT_TRUE(wrote);
    EXPECT_EQ(AnswerStore(*server).cell(u"1"_s, 3), u"4"_s);
    EXPECT_EQ(AnswerStore(*server).cell(u"1"_s, 1), u"3"_s);
}

} // namespace
} // namespace morvalen
