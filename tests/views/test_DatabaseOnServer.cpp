// The database page of the settings and the start-up against a real PostgreSQL server: the
// run is started by pg_virtualenv, which gives the server in PGHOST, PGPORT, PGUSER and
// PGPASSWORD. Every program folder here starts on its local file, as at a clinic before the
// move; each test makes its own databases on the server.
#include "app/Launch.h"
#include "shell/ExitQuestion.h"
#include "shell/MainWindow.h"
#include "shell/Startup.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "store/SchemaUpgrade.h"
#include "store/ServerMove.h"
#include "store/ServerSchema.h"
#include "support/GuiFixture.h"
#include "views/SettingsWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTimer>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

// libpq finds no password of its own while this lives: neither PGPASSWORD nor a password
// file, so the server asks for one as at a workstation without ~/.pgpass.
class NoStoredPassword {
public:
    NoStoredPassword()
        : m_password(qgetenv("PGPASSWORD"))
        , m_file(qgetenv("PGPASSFILE"))
        , m_hadFile(qEnvironmentVariableIsSet("PGPASSFILE")) {
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", "/nonexistent/pgpass");
    }
    ~NoStoredPassword() {
        qputenv("PGPASSWORD", m_password);
        if (m_hadFile) {
            qputenv("PGPASSFILE", m_file);
        } else {
            qunsetenv("PGPASSFILE");
        }
        ForgetSessionPasswords();
    }
    QString password() const { return QString::fromUtf8(m_password); }

private:
    QByteArray m_password;
    QByteArray m_file;
    bool m_hadFile;
};

class OnServer : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("PGPASSWORD")) << "run under pg_virtualenv";
        // Boxes no test answers are taken as read; a question so answered reads as No.
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
    }

    static ServerConnection freshDatabase() {
        QString error;
        const auto server = test::TempProgramFolder::freshServerDatabase(&error);
        EXPECT_TRUE(server) << error.toStdString();
        return server.value_or(ServerConnection{});
    }
    // A server database at this release's version, holding another folder's examinee "99".
    static ServerConnection databaseInUse() {
        const ServerConnection server = freshDatabase();
        test::TempProgramFolder other;
        EXPECT_TRUE(other.addExaminee(u"99"_s, u"مراجع ديگر"_s, {{1, u"2"_s}}));
        EXPECT_EQ(MoveToServer(other.path(), server).outcome, MoveOutcome::Moved);
        return server;
    }
    static bool run(const ServerConnection& server, const QString& sql) {
        auto db = Database::openServer(server);
        return db && db->exec(sql);
    }
    QByteArray connectionFile() const {
        QFile file(folder.file(ConnectionFileName()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString where(const ServerConnection& server) {
        return u"پايگاه داده «%1» روي سرور «%2»"_s.arg(server.database, ServerAddressText(server));
    }
};

class SettingsOnServer : public OnServer {
protected:
    void SetUp() override {
        OnServer::SetUp();
        main = new QWidget;
        main->show();
    }
    SettingsWindow* open() {
        if (window) {
            window->close();
        }
        window = new SettingsWindow(context, main);
        window->show();
        window->m_settingsTabs->setCurrentIndex(3);
        return window;
    }
    void fill(const ServerConnection& server) {
        clickIndicator(window->m_serverDatabaseRadio);
        window->m_serverHostEdit->setText(server.host);
        window->m_serverPortEdit->setText(QString::number(server.port));
        window->m_databaseNameEdit->setText(server.database);
        window->m_serverUserEdit->setText(server.user);
    }

    QPointer<QWidget> main;
    QPointer<SettingsWindow> window;
};

TEST_F(SettingsOnServer, MoveFromTheTabLandsAndSwitches) {
    ASSERT_TRUE(folder.addExaminee(u"11"_s, u"مريم احمدي"_s, {{1, u"1"_s}, {2, u"2"_s}, {232, u"1"_s}}));
    ASSERT_TRUE(folder.addExaminee(u"12"_s, u"علي رضايي"_s, {{5, u"2"_s}}));
    qint64 examinees = 0;
    {
        auto local = Database::open(folder.path(), DatabaseFile::Main);
        QSqlQuery count(local->handle());
        ASSERT_TRUE(count.exec(u"SELECT count(*) FROM IDE"_s) && count.next());
        examinees = count.value(0).toLongLong();
    }
    const ServerConnection server = freshDatabase();
    open();
    fill(server);
    QSignalSpy switched(window, &SettingsWindow::databaseSwitched);
    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::mouseClick(window->m_moveToServerButton, Qt::LeftButton);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_TRUE(MessageBox::shown()[0].text.contains(where(server))) << "the question names the server";
    EXPECT_TRUE(connectionFile().isEmpty()) << "No moves nothing";
    {
        auto db = Database::openServer(server);
        bool empty = false;
        ASSERT_TRUE(db && IsEmptyServerDatabase(*db, &empty));
        EXPECT_TRUE(empty);
    }

    MessageBox::clearShown();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_moveToServerButton, Qt::LeftButton);
    ASSERT_EQ(MessageBox::shown().size(), 2);
    const auto& report = MessageBox::shown()[1];
    EXPECT_EQ(report.icon, MessageBox::Icon::Information);
    EXPECT_TRUE(report.text.contains(u"منتقل شد"_s)) << report.text.toStdString();
    EXPECT_TRUE(report.text.contains(u"پرونده ها: %1\r\n"_s.arg(examinees))) << report.text.toStdString();
    EXPECT_TRUE(report.text.contains(u"نمره هاي %1 آزمودني مقايسه شد"_s.arg(examinees)))
        << report.text.toStdString();
    EXPECT_EQ(switched.count(), 1);
    EXPECT_TRUE(window->m_databaseBusyLabel->isHidden());
    EXPECT_TRUE(window->m_settingsTabs->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const auto choice = ReadDatabaseChoice(folder.path());
    ASSERT_TRUE(choice);
    EXPECT_EQ(*choice, (DatabaseChoice{DatabaseChoice::Kind::Server, server}));
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->isServer());
    const auto answers = AnswerStore(*db).row(u"11"_s);
    ASSERT_TRUE(answers);
    EXPECT_EQ((*answers)[0], u"1"_s);
    EXPECT_EQ((*answers)[231], u"1"_s);
    EXPECT_EQ(ExamineeStore(*db).firstByCode(u"12"_s).value_or(Examinee{}).fullName, u"علي رضايي"_s);
}

TEST_F(SettingsOnServer, WindowWaitsWhileTheMoveRuns) {
    const ServerConnection server = freshDatabase();
    open();
    fill(server);
    // Another connection holds the local file, so the move waits for it; meanwhile the
    // window is looked at and asked to close.
    auto holder = Database::open(folder.file(u"morvalen.mdb"_s), Database::Mode::ReadWrite);
    ASSERT_TRUE(holder && holder->exec(u"BEGIN EXCLUSIVE"_s));
    bool looked = false, busyShown = false, tabsEnabled = true, waitCursor = false, stillOpen = false;
    QTimer::singleShot(100, window, [&] {
        looked = true;
        busyShown = window->m_databaseBusyLabel->isVisible();
        tabsEnabled = window->m_settingsTabs->isEnabled();
        waitCursor =
            QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        window->close();
        stillOpen = window && window->isVisible();
        holder->exec(u"ROLLBACK"_s);
    });
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_moveToServerButton, Qt::LeftButton);
    ASSERT_TRUE(looked);
    EXPECT_TRUE(busyShown);
    EXPECT_FALSE(tabsEnabled);
    EXPECT_TRUE(waitCursor);
    EXPECT_TRUE(stillOpen) << "the window stays until the move is done";
    ASSERT_TRUE(window);
    EXPECT_FALSE(window->m_databaseBusyLabel->isVisible());
    EXPECT_TRUE(window->m_settingsTabs->isEnabled());
    EXPECT_TRUE(MessageBox::shown().back().text.contains(u"منتقل شد"_s))
        << MessageBox::shown().back().text.toStdString();
}

TEST_F(SettingsOnServer, ServerThatHoldsDataIsNeverOverwritten) {
    ASSERT_TRUE(folder.addExaminee(u"11"_s, u"مريم احمدي"_s, {{1, u"1"_s}}));
    const ServerConnection server = databaseInUse();
    open();
    fill(server);
    QSignalSpy switched(window, &SettingsWindow::databaseSwitched);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(window->m_moveToServerButton, Qt::LeftButton);
    ASSERT_EQ(MessageBox::shown().size(), 2);
    MoveReport notEmpty;
    notEmpty.outcome = MoveOutcome::NotEmpty;
    EXPECT_EQ(MessageBox::shown()[1].text, MoveFailureMessage(notEmpty));
    EXPECT_EQ(MessageBox::shown()[1].icon, MessageBox::Icon::Critical);
    EXPECT_TRUE(connectionFile().isEmpty());
    EXPECT_EQ(switched.count(), 0);
    auto db = Database::openServer(server);
    ASSERT_TRUE(db);
    ExamineeStore examinees(*db);
    EXPECT_TRUE(examinees.firstByCode(u"99"_s));
    EXPECT_FALSE(examinees.firstByCode(u"11"_s)) << "nothing of this workstation reached the server";
}

TEST_F(SettingsOnServer, SwitchingTakesOnlyADatabaseOfThisProgramThatHoldsData) {
    const int current = CurrentSchemaVersion();
    const struct {
        const char* what;
        QString setUp; // run on a database in use; empty: leave it; "fresh": an empty database
        QString tested;
        bool switches;
        QString refusal;
    } cases[] = {
        {"empty", u"fresh"_s, u"پايگاه داده خالي است؛ مي توانيد اطلاعات اين رايانه را به آن منتقل كنيد."_s,
         false, u"«انتقال اطلاعات اين رايانه به سرور»"_s},
        {"current", QString(), u"با نسخه همين برنامه ساخته شده است (نسخه %1)."_s.arg(current), true,
         QString()},
        {"older", u"UPDATE MorvalenSchema SET Version = %1"_s.arg(current - 1),
         u"با نسخه قديمي تري از برنامه ساخته شده است (نسخه %1)"_s.arg(current - 1), true, QString()},
        {"newer", u"UPDATE MorvalenSchema SET Version = %1"_s.arg(current + 1),
         u"با نسخه جديدتري از برنامه ساخته شده است (نسخه %1)"_s.arg(current + 1), false,
         u"پايگاه داده برنامه تغيير نكرد."_s},
        {"another program's", u"DROP TABLE MorvalenSchema"_s, u"جدول هايي دارد كه از اين برنامه نيست"_s,
         false, u"پايگاه داده برنامه تغيير نكرد."_s},
    };
    for (const auto& c : cases) {
        QFile::remove(folder.file(ConnectionFileName()));
        const ServerConnection server = c.setUp == u"fresh" ? freshDatabase() : databaseInUse();
        if (!c.setUp.isEmpty() && c.setUp != u"fresh") {
            ASSERT_TRUE(run(server, c.setUp)) << c.what;
        }
        open();
        fill(server);
        QSignalSpy switched(window, &SettingsWindow::databaseSwitched);
        MessageBox::clearShown();
        QTest::mouseClick(window->m_testConnectionButton, Qt::LeftButton);
        ASSERT_EQ(MessageBox::shown().size(), 1) << c.what;
        EXPECT_TRUE(
            MessageBox::shown()[0].text.startsWith(u"اتصال به %1 برقرار شد.\r\n"_s.arg(where(server))))
            << c.what << ": " << MessageBox::shown()[0].text.toStdString();
        EXPECT_TRUE(MessageBox::shown()[0].text.contains(c.tested))
            << c.what << ": " << MessageBox::shown()[0].text.toStdString();

        MessageBox::clearShown();
        QTest::mouseClick(window->m_switchDatabaseButton, Qt::LeftButton);
        ASSERT_EQ(MessageBox::shown().size(), 1) << c.what;
        const QString said = MessageBox::shown()[0].text;
        EXPECT_EQ(switched.count(), c.switches ? 1 : 0) << c.what;
        if (c.switches) {
            EXPECT_EQ(ReadDatabaseChoice(folder.path()),
                      (DatabaseChoice{DatabaseChoice::Kind::Server, server}))
                << c.what;
            EXPECT_TRUE(said.contains(u"برنامه اكنون بسته مي شود"_s)) << c.what;
        } else {
            EXPECT_TRUE(connectionFile().isEmpty()) << c.what;
            EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Warning) << c.what;
            EXPECT_TRUE(said.contains(c.refusal)) << c.what << ": " << said.toStdString();
        }
    }
}

TEST_F(SettingsOnServer, PasswordIsAskedUntilRightAndKeptForTheSession) {
    const ServerConnection server = databaseInUse();
    NoStoredPassword noStored;
    open();
    fill(server);
    InputDialog::setNextText(u"wrong"_s);
    InputDialog::setNextText(noStored.password());
    QTest::mouseClick(window->m_testConnectionButton, Qt::LeftButton);
    ASSERT_EQ(InputDialog::shown().size(), 2);
    EXPECT_EQ(InputDialog::shown()[0].label,
              u"رمز عبور كاربر «%1» براي پايگاه داده «%2» روي سرور «%3»:"_s.arg(server.user, server.database,
                                                                                ServerAddressText(server)));
    EXPECT_EQ(InputDialog::shown()[1].label, u"رمز عبور درست نبود.\r\n"_s + InputDialog::shown()[0].label);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_TRUE(MessageBox::shown()[0].text.contains(u"برقرار شد"_s));
    EXPECT_EQ(SessionPassword(server), noStored.password());

    // Kept: the next connection asks nothing.
    QTest::mouseClick(window->m_testConnectionButton, Qt::LeftButton);
    EXPECT_EQ(InputDialog::shown().size(), 2);
    EXPECT_EQ(MessageBox::shown().size(), 2);

    // A cancelled prompt gives no message and keeps the session's password as it was.
    SetSessionPassword(server, u"not it"_s);
    InputDialog::setNextText(std::nullopt);
    MessageBox::clearShown();
    QTest::mouseClick(window->m_switchDatabaseButton, Qt::LeftButton);
    EXPECT_EQ(InputDialog::shown().size(), 3);
    EXPECT_TRUE(MessageBox::shown().isEmpty());
    EXPECT_EQ(SessionPassword(server), u"not it"_s);
    EXPECT_TRUE(connectionFile().isEmpty());
}

TEST_F(SettingsOnServer, TypedPasswordGoesOnlyToTheServerItWasTypedFor) {
    const ServerConnection typedFor = databaseInUse();
    // Another database and another role that would take the same password.
    ServerConnection otherDatabase = databaseInUse();
    ServerConnection otherUser = typedFor;
    otherUser.user = u"reception_"_s + typedFor.database.right(8).toLower();
    ASSERT_TRUE(run(typedFor, u"CREATE ROLE %1 LOGIN PASSWORD '%2'"_s.arg(
                                  otherUser.user, qEnvironmentVariable("PGPASSWORD"))));
    NoStoredPassword noStored;
    open();
    fill(typedFor);
    InputDialog::setNextText(noStored.password());
    QTest::mouseClick(window->m_testConnectionButton, Qt::LeftButton);
    ASSERT_EQ(InputDialog::shown().size(), 1);
    ASSERT_TRUE(MessageBox::shown().back().text.contains(u"برقرار شد"_s));

    int prompts = 1;
    for (const ServerConnection& other : {otherDatabase, otherUser}) {
        fill(other);
        InputDialog::setNextText(std::nullopt); // the user does not give it to this one
        MessageBox::clearShown();
        QTest::mouseClick(window->m_testConnectionButton, Qt::LeftButton);
        ++prompts;
        ASSERT_EQ(InputDialog::shown().size(), prompts) << other.database.toStdString() << " "
                                                        << other.user.toStdString()
                                                        << ": connected with a password typed for another";
        EXPECT_TRUE(InputDialog::shown().back().label.contains(other.user));
        EXPECT_TRUE(MessageBox::shown().isEmpty());
        EXPECT_TRUE(SessionPassword(other).isEmpty());
    }
    // The one it was typed for still has it.
    fill(typedFor);
    MessageBox::clearShown();
    QTest::mouseClick(window->m_testConnectionButton, Qt::LeftButton);
    EXPECT_EQ(InputDialog::shown().size(), prompts);
    EXPECT_EQ(SessionPassword(typedFor), noStored.password());
}

class StartupOnServer : public OnServer {
protected:
    static std::optional<QString> start(const test::TempProgramFolder& f) {
        return OpenProgramFolder({f.path(), f.path() + u"/unused"_s, QString()});
    }
    std::optional<QString> start() { return start(folder); }
    // The folder's main database moved to a database of its own on the server.
    static ServerConnection moved(const test::TempProgramFolder& f) {
        const ServerConnection server = freshDatabase();
        EXPECT_EQ(MoveToServer(f.path(), server).outcome, MoveOutcome::Moved);
        return server;
    }
    void TearDown() override {
        SetLocalForSession(folder.path(), false);
        OnServer::TearDown();
    }
};

TEST_F(StartupOnServer, PasswordPromptRetriesAWrongOneAndCancelOffersTheLocalFile) {
    const ServerConnection server = moved(folder);
    NoStoredPassword noStored;
    InputDialog::setNextText(u"wrong"_s);
    InputDialog::setNextText(noStored.password());
    ASSERT_TRUE(start());
    ASSERT_EQ(InputDialog::shown().size(), 2);
    EXPECT_TRUE(InputDialog::shown()[0].label.contains(where(server)));
    EXPECT_TRUE(InputDialog::shown()[1].label.startsWith(u"رمز عبور درست نبود."_s));
    EXPECT_TRUE(MessageBox::shown().isEmpty());
    EXPECT_FALSE(LocalForSession(folder.path()));
    EXPECT_EQ(SessionPassword(server), noStored.password());

    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        ForgetSessionPasswords();
        MessageBox::clearShown();
        InputDialog::setNextText(std::nullopt);
        MessageBox::setNextAnswer(answer);
        const auto opened = start();
        EXPECT_EQ(opened.has_value(), answer == QMessageBox::Yes) << answer;
        ASSERT_EQ(MessageBox::shown().size(), 1) << answer;
        EXPECT_TRUE(
            MessageBox::shown()[0].text.startsWith(u"بدون رمز عبور، %1 باز نمي شود."_s.arg(where(server))))
            << MessageBox::shown()[0].text.toStdString();
        EXPECT_EQ(LocalForSession(folder.path()), answer == QMessageBox::Yes);
    }
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->isServer()) << "the user chose the local file for this session";
    EXPECT_TRUE(ReadDatabaseChoice(folder.path())->isServer()) << "and the next start asks again";
}

TEST_F(StartupOnServer, EmptyServerDatabaseIsNeverStartedOn) {
    const ServerConnection server = freshDatabase();
    ASSERT_TRUE(WriteDatabaseChoice(folder.path(), {DatabaseChoice::Kind::Server, server}));
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        MessageBox::clearShown();
        MessageBox::setNextAnswer(answer);
        const auto opened = start();
        EXPECT_EQ(opened.has_value(), answer == QMessageBox::Yes) << answer;
        ASSERT_EQ(MessageBox::shown().size(), 1) << answer;
        EXPECT_TRUE(MessageBox::shown()[0].text.startsWith(where(server) + u" خالي است."_s))
            << MessageBox::shown()[0].text.toStdString();
        EXPECT_TRUE(MessageBox::shown()[0].text.contains(u"«انتقال اطلاعات اين رايانه به سرور»"_s));
    }
    EXPECT_TRUE(LocalForSession(folder.path()));
    auto db = Database::openServer(server);
    bool empty = false;
    ASSERT_TRUE(db && IsEmptyServerDatabase(*db, &empty));
    EXPECT_TRUE(empty) << "no tables were made on it";
}

TEST_F(StartupOnServer, UpgradeMessagesSpeakOfTheServer) {
    const int current = CurrentSchemaVersion();
    const struct {
        const char* what;
        QString sql;
        QString message; // after the name of the server's database; empty: starts
    } cases[] = {
        {"newer", u"UPDATE MorvalenSchema SET Version = %1"_s.arg(current + 1),
         u" با نسخه جديدتري از برنامه ساخته شده است.\r\n\r\nنسخه جديد برنامه را نصب كنيد. برنامه بسته مي شود."_s},
        // The last step's table is there already, so that step fails.
        {"failed step", u"UPDATE MorvalenSchema SET Version = %1"_s.arg(current - 1), u" به روز نشد.\r\n"_s},
        {"older",
         u"UPDATE MorvalenSchema SET Version = %1; DROP TABLE RestoreMark; "
         "DROP INDEX IDE_Code_Unique; DROP INDEX Answer1_Code_Unique"_s.arg(current - 1),
         QString()},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder own;
        const ServerConnection server = moved(own);
        ASSERT_TRUE(run(server, c.sql)) << c.what;
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        const auto opened = start(own);
        EXPECT_EQ(opened.has_value(), c.message.isEmpty()) << c.what;
        if (c.message.isEmpty()) {
            EXPECT_TRUE(MessageBox::shown().isEmpty()) << c.what;
            auto db = Database::openServer(server);
            int version = -1;
            ASSERT_TRUE(db && ReadServerSchemaVersion(*db, &version)) << c.what;
            EXPECT_EQ(version, current) << c.what;
            continue;
        }
        ASSERT_EQ(MessageBox::shown().size(), 1) << c.what;
        const QString text = MessageBox::shown()[0].text;
        EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Critical) << c.what;
        EXPECT_TRUE(text.startsWith(where(server) + c.message)) << c.what << ": " << text.toStdString();
        EXPECT_FALSE(text.contains(u"morvalen.mdb"_s)) << c.what;
    }
}

// The whole program as main() runs it: the real start-up, the production commands and the
// application's own event loop, which a switch of database must end, every time and without
// building a new main window on the way out.
class SwitchEndsTheProgram : public OnServer {
protected:
    // Runs the event loop until the program ends; 99 when it is still running after 10 s.
    static int runUntilEnd(const std::function<void()>& action) {
        QTimer::singleShot(0, qApp, action);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
        watchdog.start(10000);
        return QCoreApplication::exec();
    }
    static SettingsWindow* openSettings(MainWindow* main) {
        main->findChild<QAction*>(u"Command_142"_s)->trigger();
        const auto settings = visibleWindows<SettingsWindow>();
        return settings.isEmpty() ? nullptr : settings.front();
    }
    static void fill(SettingsWindow* w, const ServerConnection& server) {
        w->m_settingsTabs->setCurrentIndex(3);
        w->m_serverDatabaseRadio->setChecked(true);
        w->m_serverHostEdit->setText(server.host);
        w->m_serverPortEdit->setText(QString::number(server.port));
        w->m_databaseNameEdit->setText(server.database);
        w->m_serverUserEdit->setText(server.user);
    }
    struct Ending {
        int code = -1;
        int mainWindowsMade = 0;
        int exitQuestions = 0;
        bool switched = false;
    };
    // Starts the program on the folder, lets clicks() work in its settings, and runs it to its end.
    static Ending run(const test::TempProgramFolder& f, const std::function<void(SettingsWindow*)>& clicks) {
        Ending ending;
        const QString here = QDir::currentPath();
        MainWindow* main = LaunchMorvalen({f.path(), f.path() + u"/unused"_s, QString()});
        if (!main) {
            return ending;
        }
        // Every main window and exit question made from here on is counted.
        QObject counter;
        QSet<QWidget*> mains{main};
        QSet<QWidget*> questions;
        QTimer looking;
        QObject::connect(&looking, &QTimer::timeout, &counter, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<MainWindow*>(w)) {
                    mains.insert(w);
                } else if (qobject_cast<ExitQuestion*>(w)) {
                    questions.insert(w);
                }
            }
        });
        looking.start(0);
        ending.code = runUntilEnd([&] {
            SettingsWindow* settings = openSettings(main);
            if (!settings) {
                QCoreApplication::exit(98);
                return;
            }
            QObject::connect(settings, &SettingsWindow::databaseSwitched, &counter,
                             [&] { ending.switched = true; });
            fill(settings, s_server);
            clicks(settings);
        });
        looking.stop();
        ending.mainWindowsMade = static_cast<int>(mains.size()) - 1;
        ending.exitQuestions = static_cast<int>(questions.size());
        QDir::setCurrent(here);
        return ending;
    }
    static void closeEverything() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            w->hide();
            w->deleteLater();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The server database of the round.
    static inline ServerConnection s_server;
};

TEST_F(SwitchEndsTheProgram, AfterAMoveAndAfterTestThenUseEveryTime) {
    for (int round = 1; round <= 10; ++round) {
        // A move of this workstation's data to a fresh database.
        test::TempProgramFolder mover;
        ASSERT_TRUE(mover.valid());
        ASSERT_TRUE(mover.addExaminee(u"11"_s, u"مريم احمدي"_s, {{1, u"1"_s}}));
        s_server = freshDatabase();
        MessageBox::clearNextAnswers();
        MessageBox::setNextAnswer(QMessageBox::Yes); // move?
        Ending moved = run(mover, [](SettingsWindow* w) { w->m_moveToServerButton->click(); });
        EXPECT_TRUE(moved.switched) << "round " << round;
        EXPECT_EQ(moved.code, 0) << "round " << round << ": the program did not end after the move";
        EXPECT_EQ(moved.mainWindowsMade, 0) << "round " << round;
        EXPECT_EQ(moved.exitQuestions, 0) << "round " << round;
        closeEverything();

        // Another workstation tests the connection, then uses the database.
        test::TempProgramFolder user;
        ASSERT_TRUE(user.valid());
        Ending used = run(user, [](SettingsWindow* w) {
            w->m_testConnectionButton->click();
            w->m_switchDatabaseButton->click();
        });
        EXPECT_TRUE(used.switched) << "round " << round;
        EXPECT_EQ(used.code, 0) << "round " << round << ": the program did not end after the switch";
        EXPECT_EQ(used.mainWindowsMade, 0) << "round " << round;
        EXPECT_EQ(used.exitQuestions, 0) << "round " << round;
        EXPECT_EQ(ReadDatabaseChoice(user.path()), (DatabaseChoice{DatabaseChoice::Kind::Server, s_server}));
        closeEverything();
        if (HasFailure()) {
            break;
        }
    }
}

} // namespace
} // namespace morvalen
