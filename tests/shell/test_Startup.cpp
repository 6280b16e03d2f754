// Start-up on a sound, a damaged and an unusable program folder.
#include "shell/Startup.h"
#include "store/Database.h"
#include "store/SchemaUpgrade.h"
#include "store/ServerConnection.h"
#include "support/GuiFixture.h"

#include "store/FolderLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

using Startup = test::GuiFixture;

TEST_F(Startup, SoundPortableFolderOpensWithoutAMessage) {
    const auto opened = OpenProgramFolder({folder.path(), folder.path() + u"/unused"_s, QString()});
    ASSERT_TRUE(opened);
    EXPECT_EQ(*opened, QDir(folder.path()).absolutePath());
    EXPECT_TRUE(MessageBox::shown().isEmpty());
}

// The process that holds a folder's lock: the first line of the lock file.
qint64 LockHolderPid(const QString& folder) {
    QFile lock(folder + u"/morvalen.lock"_s);
    if (!lock.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return lock.readLine().trimmed().toLongLong();
}

// Waits a few seconds for the given process to hold the folder.
bool HeldBy(const QString& folder, qint64 pid) {
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (LockHolderPid(folder) == pid) {
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

// The real program, started from a portable copy in folder, on the offscreen platform.
std::unique_ptr<QProcess> StartProgram(const QString& folder) {
    auto program = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program->setProcessEnvironment(environment);
    program->start(folder + u"/morvalen"_s, {});
    EXPECT_TRUE(program->waitForStarted()) << program->errorString().toStdString();
    return program;
}

// Two programs on one data folder: the second does not open it, and is told who holds it;
// a program killed outright leaves a lock the next start takes over.
TEST_F(Startup, OneProgramAtATimeOnADataFolderAndAKilledOnesLockIsTakenOver) {
    const QString copy = folder.path() + u"/morvalen"_s;
    ASSERT_TRUE(QFile::copy(QStringLiteral(MORVALEN_PROGRAM), copy));
    QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    auto first = StartProgram(folder.path());
    ASSERT_TRUE(HeldBy(folder.path(), first->processId()));

    // A second real program stops at its message (offscreen, nobody answers it) without the lock.
    auto second = StartProgram(folder.path());
    EXPECT_FALSE(second->waitForFinished(2000)) << "the second program went on or ended at once";
    EXPECT_EQ(LockHolderPid(folder.path()), first->processId());
    second->kill();
    second->waitForFinished();

    // What it says, from the same start-up in this process.
    MessageBox::setNextAnswer(QMessageBox::Ok);
    EXPECT_FALSE(OpenProgramFolder({folder.path(), folder.path() + u"/unused"_s, QString()}));
    ASSERT_EQ(MessageBox::shown().size(), 1);
    const QString text = MessageBox::shown()[0].text;
    EXPECT_TRUE(text.contains(u"برنامه ديگري با همين اطلاعات باز است"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(QSysInfo::machineHostName())) << text.toStdString();
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty()) {
        EXPECT_TRUE(text.contains(user)) << text.toStdString();
    }
    EXPECT_TRUE(text.contains(u"سرور"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"ساعت"_s)) << text.toStdString();

    // kill -9: the lock file stays behind, and the next program takes it over.
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    first->waitForFinished();
    ASSERT_TRUE(QFile::exists(folder.path() + u"/morvalen.lock"_s));
    auto third = StartProgram(folder.path());
    EXPECT_TRUE(HeldBy(folder.path(), third->processId()));
    third->kill();
    third->waitForFinished();

    // And with no other program left, this process opens the folder, once or twice.
    MessageBox::clearShown();
    EXPECT_TRUE(OpenProgramFolder({folder.path(), folder.path() + u"/unused"_s, QString()}));
    EXPECT_TRUE(OpenProgramFolder({folder.path(), folder.path() + u"/unused"_s, QString()}));
    EXPECT_TRUE(MessageBox::shown().isEmpty());
    ReleaseDataFolder(folder.path());
}

TEST_F(Startup, FirstStartSeedsTheUserFolder) {
    QTemporaryDir exe, user;
    const auto opened =
        OpenProgramFolder({exe.path(), user.path() + u"/Morvalen"_s, test::TempProgramFolder::seedFolder()});
    ASSERT_TRUE(opened);
    EXPECT_TRUE(QFile::exists(*opened + u"/morvalen.mdb"_s));
    EXPECT_TRUE(MessageBox::shown().isEmpty());
}

TEST_F(Startup, BadDatabaseGivesAPersianMessageAndNoFolder) {
    const struct {
        const char* what;
        QString file;
        QByteArray content; // empty: remove the file
        QString expected;
    } cases[] = {
        {"damaged main", u"morvalen.mdb"_s, "SQLite format 3\0garbage garbage garbage", u"خراب است"_s},
        {"missing texts", u"Theme.skn"_s, {}, u"پيدا نشد"_s},
        {"damaged sections", u"NNPic.mdb"_s, QByteArray(8192, 'x'), u"خراب است"_s},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder broken;
        const QString path = broken.file(c.file);
        if (c.content.isEmpty()) {
            ASSERT_TRUE(QFile::remove(path));
        } else {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.content);
        }
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        EXPECT_FALSE(OpenProgramFolder({broken.path(), broken.path() + u"/unused"_s, QString()})) << c.what;
        ASSERT_EQ(MessageBox::shown().size(), 1) << c.what;
        const auto& box = MessageBox::shown()[0];
        EXPECT_EQ(box.title, u"خطا"_s) << c.what;
        EXPECT_EQ(box.icon, MessageBox::Icon::Critical) << c.what;
        EXPECT_TRUE(box.text.contains(c.file)) << c.what;
        EXPECT_TRUE(box.text.contains(c.expected)) << c.what << ": " << box.text.toStdString();
    }
}

TEST_F(Startup, DatabaseOfANewerReleaseIsRefused) {
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec(u"PRAGMA user_version = %1"_s.arg(CurrentSchemaVersion() + 1)));
    }
    MessageBox::setNextAnswer(QMessageBox::Ok);
    EXPECT_FALSE(OpenProgramFolder({folder.path(), folder.path() + u"/unused"_s, QString()}));
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].title, u"خطا"_s);
    EXPECT_TRUE(MessageBox::shown()[0].text.contains(u"نسخه جديدتري از برنامه"_s));
}

TEST_F(Startup, UnusableDataFolderGivesAMessage) {
    QTemporaryDir exe;
    QFile blocker(exe.path() + u"/file"_s);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    // The data folder would have to be made inside a plain file.
    EXPECT_FALSE(OpenProgramFolder(
        {exe.path(), blocker.fileName() + u"/Morvalen"_s, test::TempProgramFolder::seedFolder()}));
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].title, u"خطا"_s);
}

// Writes the program folder's connection file as given.
void WriteConnectionFile(const test::TempProgramFolder& folder, const QByteArray& bytes) {
    QFile file(folder.file(ConnectionFileName()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST_F(Startup, DamagedConnectionFileAsksBeforeTheLocalDatabase) {
    WriteConnectionFile(folder, "kind=server\nport=many\n");
    const StartupFolders folders{folder.path(), folder.path() + u"/unused"_s, QString()};
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        MessageBox::clearShown();
        MessageBox::setNextAnswer(answer);
        const auto opened = OpenProgramFolder(folders);
        ASSERT_EQ(MessageBox::shown().size(), 1) << answer;
        const auto& box = MessageBox::shown()[0];
        EXPECT_EQ(box.icon, MessageBox::Icon::Question);
        EXPECT_TRUE(box.text.contains(u"فايل «connection.ini» در پوشه برنامه خراب است"_s))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(u"not a port: many"_s)) << "the reason is shown";
        EXPECT_TRUE(box.text.contains(u"آيا برنامه اين بار با بانك اطلاعات همين رايانه باز شود؟"_s));
        EXPECT_EQ(opened.has_value(), answer == QMessageBox::Yes);
        EXPECT_EQ(LocalForSession(folder.path()), answer == QMessageBox::Yes);
    }
    // This session works on the local file; the damaged file stays for the settings to mend.
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->isServer());
    EXPECT_FALSE(ReadDatabaseChoice(folder.path()));
    SetLocalForSession(folder.path(), false);
}

TEST_F(Startup, UnreachableServerOffersRetryOrQuitAndNeverTheLocalFile) {
    const int port = test::TempProgramFolder::closedLocalPort();
    ASSERT_GT(port, 0);
    WriteConnectionFile(
        folder,
        u"kind=server\nhost=127.0.0.1\nport=%1\ndatabase=clinic\nuser=reception\n"_s.arg(port).toUtf8());
    // Two retries, then quit.
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::No);
    EXPECT_FALSE(OpenProgramFolder({folder.path(), folder.path() + u"/unused"_s, QString()}));
    ASSERT_EQ(MessageBox::shown().size(), 3);
    for (const auto& box : MessageBox::shown()) {
        EXPECT_EQ(box.icon, MessageBox::Icon::Question);
        EXPECT_TRUE(box.text.startsWith(u"اتصال به سرور «127.0.0.1:%1» برقرار نشد.\r\n"_s.arg(port)))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(u"آيا دوباره تلاش شود؟"_s));
    }
    EXPECT_TRUE(InputDialog::shown().isEmpty());
    EXPECT_FALSE(LocalForSession(folder.path()));
}

} // namespace
} // namespace morvalen
