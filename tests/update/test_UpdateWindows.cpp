// The update window, the download window, the start-up probe with its popup, and the site
// command, against a scripted local server.
#include "core/VersionNumber.h"
#include "shell/Desktop.h"
#include "support/Files.h"
#include "support/GuiFixture.h"
#include "update/DownloadWindow.h"
#include "update/FileDownloader.h"
#include "update/Installer.h"
#include "update/InternetConnect.h"
#include "update/LocalHttpServer.h"
#include "update/SiteWindow.h"
#include "update/UpdateCommands.h"
#include "update/UpdatePopup.h"
#include "update/UpdateWindow.h"
#include "update/VersionCheck.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::LocalHttpServer;
using Script = LocalHttpServer::Script;
using Record = MessageBox::Record;

constexpr char kVersionPath[] = "/Soft/Morvalen/2022/LastVersion.txt";
constexpr char kInstallerPath[] = "/Soft/Morvalen/2022/setup-Morvalen.exe";

class Update : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        ASSERT_TRUE(server.listening());
        context.updateBaseUrl = server.base();
        // Long enough for a loaded machine; the cases about time-outs shorten it.
        context.intervals.networkTimeoutMs = 3000;
        // Boxes are recorded and answered, never left waiting for a click.
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        SetConnectedForTests(true);
        Installer::setStarterForTests([this](const QString& path) {
            started << path;
            return installerStarts;
        });
        Desktop::setOpenerForTests([this](const QUrl& url) {
            opened << url;
            return true;
        });
        main->show();
    }
    void TearDown() override {
        SetConnectedForTests(std::nullopt);
        Installer::setStarterForTests({});
        Desktop::setOpenerForTests({});
        GuiFixture::TearDown();
    }

    void publish(const QByteArray& text) {
        server.script(kVersionPath, LocalHttpServer::Answer("HTTP/1.1 200 OK", text));
    }
    // A newer version with the size and SHA-256 of the given installer, as the maker publishes it.
    static QByteArray VersionFileFor(const QByteArray& installer) {
        return newerText().toLatin1() + "\r\ninstaller-size=" + QByteArray::number(installer.size()) +
               "\r\ninstaller-sha256=" +
               QCryptographicHash::hash(installer, QCryptographicHash::Sha256).toHex() + "\r\n";
    }
    void publishInstaller(const QByteArray& installer) { publish(VersionFileFor(installer)); }
    static QString newerText() { return QString::number(OwnVersion() + 1); }
    static bool waitFor(const std::function<bool()>& done, int ms = 5000) {
        return QTest::qWaitFor(done, ms);
    }
    static QUrl closedPortBase() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return QUrl(u"http://127.0.0.1:%1"_s.arg(probe.serverPort()));
    }
    UpdateWindow* openUpdate() {
        auto* window = new UpdateWindow(context, main, [this] { ++quits; });
        window->show();
        return window;
    }
    DownloadWindow* openProgress() {
        auto* window = new DownloadWindow(context, main, [this] { ++quits; });
        window->show();
        return window;
    }
    static void expectBoxes(const QVector<std::tuple<QString, QString, MessageBox::Icon>>& expected) {
        const auto& shown = MessageBox::shown();
        ASSERT_EQ(shown.size(), expected.size());
        for (int i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i].title, std::get<0>(expected[i])) << i;
            EXPECT_EQ(shown[i].text, std::get<1>(expected[i])) << i;
            EXPECT_EQ(shown[i].icon, std::get<2>(expected[i])) << i;
        }
    }

    LocalHttpServer server;
    QWidget* main = new QWidget; // the fixture's tear-down deletes every window
    QStringList started;
    bool installerStarts = true;
    int quits = 0;
    QVector<QUrl> opened;
};

const QString kFailedCheck =
    u"ارتباط با سرور بروزرساني برقرار نشد. لطفا اتصال به اينترنت را بررسي کرده و دوباره امتحان کنيد"_s;

TEST_F(Update, UpdateWindowSaysThisIsTheLatestVersion) {
    UpdateWindow* window = openUpdate();
    const QString caption = VersionCaption();
    EXPECT_TRUE(caption.startsWith(u"Morvalen "_s)) << caption.toStdString();
    EXPECT_EQ(window->windowTitle(), caption);
    EXPECT_EQ(window->m_versionLabel->text(), caption);
    EXPECT_EQ(
        window->m_instructionsLabel->text(),
        u"جهت به روز رساني نرم افزار ابتدا اتصال به اينترنت را چک کرده و سپس روي دکمه بررسي آپديت جديد کليک کنيد"_s);
    EXPECT_EQ(window->m_checkButton->text(), u"بررسي آپديت جديد"_s);
    EXPECT_EQ(window->m_closeButton->text(), u"بستن"_s);
    EXPECT_FALSE(main->isEnabled());

    publish(QByteArray::number(OwnVersion()) + "\r\n");
    QTest::mouseClick(window->m_checkButton, Qt::LeftButton);
    // While the server is asked the window says so and keeps answering.
    EXPECT_EQ(window->windowTitle(), u"Please wait..."_s);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ASSERT_TRUE(waitFor([] { return !MessageBox::shown().isEmpty(); }));
    expectBoxes({{u"پيام"_s, u"شما آخرين ورژن نرم افزار را داريد  "_s, MessageBox::Icon::Information}});
    EXPECT_EQ(window->windowTitle(), caption);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->isVisible());

    QTest::mouseClick(window->m_closeButton, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Update, UpdateWindowWithoutAConnectionAsksNothing) {
    SetConnectedForTests(false);
    UpdateWindow* window = openUpdate();
    QTest::mouseClick(window->m_checkButton, Qt::LeftButton);
    expectBoxes({{u"پيام"_s, u"ارتباط شما با اينترنت برقرار نمي باشد "_s, MessageBox::Icon::Information}});
    EXPECT_EQ(window->windowTitle(), VersionCaption());
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(Update, UpdateWindowTellsWhenTheServerCannotBeAsked) {
    const struct {
        const char* what;
        bool closedPort;
        Script script;
    } cases[] = {
        {"refused", true, {}},
        {"no answer before the time-out", false, Script{}},
        {"error page", false, LocalHttpServer::Answer("HTTP/1.1 404 Not Found", "<html>44</html>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MessageBox::clearShown();
        context.updateBaseUrl = c.closedPort ? closedPortBase() : server.base();
        context.intervals.networkTimeoutMs = 300;
        server.script(kVersionPath, c.script);
        UpdateWindow* window = openUpdate();
        QTest::mouseClick(window->m_checkButton, Qt::LeftButton);
        EXPECT_EQ(window->windowTitle(), u"Please wait..."_s);
        ASSERT_TRUE(waitFor([] { return !MessageBox::shown().isEmpty(); }));
        expectBoxes({{u"پيام"_s, kFailedCheck, MessageBox::Icon::Warning}});
        EXPECT_EQ(window->windowTitle(), VersionCaption());
        EXPECT_TRUE(window->m_checkButton->isEnabled());
        window->close();
    }
}

TEST_F(Update, ANewerVersionLeadsToTheDownloadWindow) {
    publish(newerText().toLatin1() + "(beta)");
    UpdateWindow* window = openUpdate();
    QPointer<UpdateWindow> watch(window);
    QTest::mouseClick(window->m_checkButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([this] { return !visibleWindows<DownloadWindow>().isEmpty(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull()) << "the update window goes";
    EXPECT_TRUE(MessageBox::shown().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(main->isEnabled()) << "the download window holds the main window";
    visibleWindows<DownloadWindow>().first()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Update, GetFileNameTakesTheNameAfterTheLastSlash) {
    const struct {
        const char* address;
        const char* name;
    } cases[] = {
        {"", ""},
        {"h", ""},
        {"http://", ""},
        {"https://", ""},
        {"http://morvalen.example/Soft/Morvalen/2022/setup-Morvalen.exe", "setup-Morvalen.exe"},
        {"https://morvalen.example/Soft/Morvalen/2022/setup-Morvalen.exe", "setup-Morvalen.exe"},
        {"HTTPS://morvalen.example/a/Setup.EXE", "Setup.EXE"},
        {"Http://morvalen.example/x.zip", "x.zip"},
        {"ftp://morvalen.example/setup.exe", ""},
        {"morvalen.example/setup.exe", ""},
        {"http://morvalen.example/setup", ""},
        {"http://morvalen.example/folder/", ""},
        {"http://morvalen.example", ""},
        {"http://morvalen.example/a/..", ""},
        {"http://morvalen.example/a\\b.exe", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DownloadWindow::GetFileName(QString::fromLatin1(c.address)), QString::fromLatin1(c.name))
            << c.address;
    }
}

TEST_F(Update, DownloadWindowShowsProgressThenStartsTheInstallerAndEnds) {
    const QByteArray installer(2500, 'x');
    publishInstaller(installer);
    server.script(kInstallerPath, LocalHttpServer::Answer("HTTP/1.1 200 OK", installer, {1024, 1476}, 150));
    DownloadWindow* window = openProgress();
    EXPECT_EQ(window->windowTitle(), u"Downloading File ... "_s);
    EXPECT_EQ(window->size(), QSize(560, 233));
    EXPECT_EQ(window->m_downloadButton->text(), u"دانلود"_s);
    EXPECT_EQ(window->m_exitButton->text(), u"خروج"_s);
    EXPECT_EQ(window->m_productLabel->text(), u"Morvalen"_s);
    EXPECT_FALSE(window->m_addressLabel->isVisible());
    EXPECT_FALSE(window->m_addressEdit->isVisible());
    EXPECT_EQ(window->m_addressEdit->text(), server.address(QString::fromLatin1(kInstallerPath)));
    EXPECT_EQ(window->destination(), folder.file(u"setup-Morvalen.exe"_s));

    struct Seen {
        QString button, label;
        int bar;
    };
    QVector<Seen> seen;
    QObject::connect(window->m_downloader, &FileDownloader::progressChanged, window, [&] {
        seen.append({window->m_downloadButton->text(), window->m_percentLabel->text(),
                     window->m_progressBar->width()});
    });
    QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
    EXPECT_EQ(window->m_downloadButton->text(), u"انصراف"_s);
    ASSERT_TRUE(waitFor([&] { return quits > 0; }));
    ASSERT_EQ(seen.size(), 4);
    EXPECT_EQ(seen[0].button, u"انصراف"_s);
    EXPECT_EQ(seen[0].label, u"41%"_s);
    EXPECT_EQ(seen[0].bar, 41 * 67 / 15);
    EXPECT_EQ(seen[1].label, u"82%"_s);
    EXPECT_EQ(seen[3].label, u"100%"_s);
    EXPECT_EQ(seen[3].bar, 6700 / 15);
    expectBoxes({{u"Success"_s, u"دانلود فايل با موفقيت به پايان رسيد "_s, MessageBox::Icon::Information}});
    EXPECT_EQ(started, QStringList{window->destination()});
    EXPECT_EQ(test::ReadAll(window->destination()), installer);
    EXPECT_EQ(quits, 1);
}

TEST_F(Update, DownloadWindowStaysWhenTheInstallerCannotStart) {
    installerStarts = false;
    publishInstaller("setup");
    server.script(kInstallerPath, LocalHttpServer::Answer("HTTP/1.1 200 OK", "setup"));
    DownloadWindow* window = openProgress();
    QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([] { return MessageBox::shown().size() == 2; }));
    const auto& shown = MessageBox::shown();
    EXPECT_EQ(shown[0].title, u"Success"_s);
    EXPECT_EQ(shown[1].title, u"خطا"_s);
    EXPECT_EQ(shown[1].icon, MessageBox::Icon::Critical);
    EXPECT_TRUE(shown[1].text.contains(QDir::toNativeSeparators(window->destination())));
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->m_downloadButton->text(), u"دانلود"_s);
}

TEST_F(Update, DownloadWindowShowsTheErrorAndReturnsToIdle) {
    publishInstaller("setup");
    DownloadWindow* window = openProgress(); // no installer is scripted: the server answers 404
    QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([] { return !MessageBox::shown().isEmpty(); }));
    expectBoxes({{u"Error"_s, u"The file, \"%1\" was not found!"_s.arg(window->m_addressEdit->text()),
                  MessageBox::Icon::Critical}});
    EXPECT_EQ(window->m_downloadButton->text(), u"دانلود"_s);
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(quits, 0);
}

TEST_F(Update, CancelOrCloseMidTransferLeavesNoFile) {
    publishInstaller(QByteArray(10000, 'x'));
    Script script = LocalHttpServer::Answer("HTTP/1.1 200 OK", QByteArray(10000, 'x'));
    script.body = {QByteArray(3000, 'x')};
    script.end = Script::End::HoldOpen;
    server.script(kInstallerPath, script);
    DownloadWindow* window = openProgress();
    const QString target = window->destination();

    QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
    // The download goes to a temporary file beside the target until it is whole.
    const auto partial = [&] {
        const QFileInfo file(target);
        return file.dir().entryList({file.fileName() + u".*.part"_s}, QDir::Files);
    };
    ASSERT_TRUE(waitFor([&] { return window->m_percentLabel->text() == u"20%"_s; }));
    EXPECT_EQ(partial().size(), 1);
    QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
    EXPECT_EQ(window->m_downloadButton->text(), u"دانلود"_s);
    ASSERT_TRUE(waitFor([&] { return !window->m_downloader->isRunning(); }));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(partial().isEmpty());
    EXPECT_TRUE(MessageBox::shown().isEmpty());

    // Closing the window stops the transfer too, and gives the main window back.
    QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !partial().isEmpty(); }));
    QTest::mouseClick(window->m_exitButton, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(waitFor([&] { return !QFileInfo::exists(target) && partial().isEmpty(); }));
    EXPECT_TRUE(main->isEnabled());

    // So does Escape.
    window = openProgress();
    QPointer<DownloadWindow> escaped(window);
    QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !partial().isEmpty(); }));
    EXPECT_FALSE(main->isEnabled());
    QTest::keyClick(window, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(
        waitFor([&] { return escaped.isNull() && !QFileInfo::exists(target) && partial().isEmpty(); }));
    EXPECT_TRUE(main->isEnabled());
    EXPECT_TRUE(MessageBox::shown().isEmpty());
}

TEST_F(Update, OnlyThePublishedInstallerIsStartedAnythingElseIsRemoved) {
    const QByteArray installer = QByteArray("MZ") + QByteArray(2498, 'i');
    QByteArray tampered = installer;
    tampered[1000] = 'X';
    const QByteArray page = "<!DOCTYPE html><html><body>Site in maintenance.</body></html>";
    ASSERT_EQ(page.size(), 61);
    Script unannouncedAndCut; // no length, and the body stops part way
    unannouncedAndCut.head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream";
    unannouncedAndCut.body = {installer.left(1800)};
    const struct {
        const char* what;
        Script served;
        QString reason;
    } cases[] = {
        {"wrong size", LocalHttpServer::Answer("HTTP/1.1 200 OK", installer.left(2400)), u"2400"_s},
        {"wrong hash", LocalHttpServer::Answer("HTTP/1.1 200 OK", tampered), u"SHA-256"_s},
        {"HTML page", LocalHttpServer::Answer("HTTP/1.1 200 OK", page), u"61"_s},
        {"cut off without a length", unannouncedAndCut, u"1800"_s},
    };
    publishInstaller(installer);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MessageBox::clearShown();
        server.script(kInstallerPath, c.served);
        DownloadWindow* window = openProgress();
        QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
        ASSERT_TRUE(waitFor([] { return !MessageBox::shown().isEmpty(); }));
        const Record& box = MessageBox::shown().back();
        EXPECT_EQ(box.title, u"خطا"_s);
        EXPECT_EQ(box.icon, MessageBox::Icon::Critical);
        EXPECT_TRUE(box.text.startsWith(u"فايل دانلود شده فايل نصب سالم برنامه نيست و اجرا نشد."_s))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(c.reason)) << box.text.toStdString();
        EXPECT_EQ(MessageBox::shown().size(), 1) << "no success message";
        EXPECT_FALSE(QFileInfo::exists(window->destination()));
        EXPECT_TRUE(started.isEmpty());
        EXPECT_EQ(quits, 0);
        EXPECT_EQ(window->m_downloadButton->text(), u"دانلود"_s);
        window->close();
    }
}

TEST_F(Update, WithoutThePublishedSizeAndHashNothingIsDownloaded) {
    server.script(kInstallerPath, LocalHttpServer::Answer("HTTP/1.1 200 OK", "setup"));
    for (const QByteArray& text :
         {newerText().toLatin1(), newerText().toLatin1() + "\r\ninstaller-size=5\r\n",
          newerText().toLatin1() + "\r\ninstaller-size=5\r\ninstaller-sha256=not-a-hash\r\n"}) {
        SCOPED_TRACE(text.toStdString());
        MessageBox::clearShown();
        publish(text);
        DownloadWindow* window = openProgress();
        QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
        ASSERT_TRUE(waitFor([] { return !MessageBox::shown().isEmpty(); }));
        EXPECT_EQ(MessageBox::shown().back().title, u"Error"_s);
        EXPECT_TRUE(MessageBox::shown().back().text.startsWith(u"مشخصات فايل نصب از سرور دريافت نشد"_s));
        EXPECT_EQ(window->m_downloadButton->text(), u"دانلود"_s);
        window->close();
    }
    for (const QByteArray& request : server.requests()) {
        EXPECT_FALSE(request.contains(kInstallerPath)) << request.toStdString();
    }
    EXPECT_TRUE(started.isEmpty());
}

TEST(VersionFile, OldReadersStillReadTheNumberAndNewOnesTheInstaller) {
    const QByteArray hash(64, 'a');
    const QByteArray text = "44\r\ninstaller-size=1234567\r\ninstaller-sha256=" + hash.toUpper() + "\r\n";
    EXPECT_EQ(ReadVersionNumber(std::string_view(text.constData(), text.size())), 44.0);
    const PublishedInstaller installer = ReadPublishedInstaller(text);
    EXPECT_EQ(installer.size, 1234567);
    EXPECT_EQ(installer.sha256, hash);
    EXPECT_TRUE(installer.known());
    // Line feeds alone: the number still ends where the letters begin.
    const QByteArray unix = "44\ninstaller-size=10\ninstaller-sha256=" + hash + "\n";
    EXPECT_EQ(ReadVersionNumber(std::string_view(unix.constData(), unix.size())), 44.0);
    EXPECT_TRUE(ReadPublishedInstaller(unix).known());
    EXPECT_FALSE(ReadPublishedInstaller("44").known());
    EXPECT_FALSE(ReadPublishedInstaller("44\r\ninstaller-size=-3\r\ninstaller-sha256=" + hash).known());
    EXPECT_FALSE(
        ReadPublishedInstaller("44\r\ninstaller-size=3\r\ninstaller-sha256=" + hash.left(63)).known());
}

class Probe : public Update {
protected:
    // Runs the probe as the main window does, and waits until its request has ended.
    MainWindow* probe() {
        auto services = std::make_shared<MainServices>();
        services->quit = [this] { ++quits; };
        InstallUpdateCommands(*services);
        MainWindow* window = MainWindow::ShowMain(context, services);
        EXPECT_TRUE(waitFor([&] { return !window->m_loadTimer->isActive(); }));
        EXPECT_TRUE(waitFor([&] { return window->findChildren<VersionCheck*>().isEmpty(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window;
    }
    static bool popupShown(MainWindow* window) {
        auto* popup = window->findChild<UpdatePopup*>();
        return popup && popup->m_popup->isVisible();
    }
};

TEST_F(Probe, ANewerVersionShowsTheNoticeAndThePopup) {
    publish(newerText().toLatin1());
    MainWindow* window = probe();
    EXPECT_TRUE(window->m_updateNoticePanel->isVisible());
    EXPECT_TRUE(popupShown(window));
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(MessageBox::shown().isEmpty());
}

TEST_F(Probe, StaysSilentUnlessANewerVersionIsPublished) {
    const struct {
        const char* what;
        bool connected;
        bool closedPort;
        std::optional<Script> script;
    } cases[] = {
        {"same version", true, false,
         LocalHttpServer::Answer("HTTP/1.1 200 OK", QByteArray::number(OwnVersion()))},
        {"error page", true, false, LocalHttpServer::Answer("HTTP/1.1 200 OK", "<!DOCTYPE html><p>44</p>")},
        {"no answer", true, false, Script{}},
        {"refused", true, true, std::nullopt},
        {"not connected", false, false, LocalHttpServer::Answer("HTTP/1.1 200 OK", "999")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetConnectedForTests(c.connected);
        context.updateBaseUrl = c.closedPort ? closedPortBase() : server.base();
        context.intervals.networkTimeoutMs = 300;
        if (c.script) {
            server.script(kVersionPath, *c.script);
        }
        const auto asked = server.requests().size();
        MainWindow* window = probe();
        EXPECT_FALSE(window->m_updateNoticePanel->isVisible());
        EXPECT_FALSE(popupShown(window));
        EXPECT_TRUE(MessageBox::shown().isEmpty());
        if (!c.connected) {
            EXPECT_EQ(server.requests().size(), asked) << "no request without a connection";
        }
        window->hide();
        window->deleteLater();
    }
}

class Popup : public Update {
protected:
    UpdatePopup* showPopup() {
        auto* popup = new UpdatePopup(context, main, [this] { ++quits; });
        popup->m_showButton->click();
        // The unfolding takes about half a second.
        EXPECT_TRUE(waitFor([popup] { return popup->m_popup->height() == 130; }));
        return popup;
    }
    static void click(UpdatePopup* popup, QPoint at) {
        QTest::mouseClick(popup->m_popup, Qt::LeftButton, {}, at);
    }
};

TEST_F(Popup, GreenThemeBuildsTheSevenItems) {
    UpdatePopup* popup = showPopup();
    const PopupControl& control = *popup->m_popup;
    EXPECT_EQ(control.m_animationStyle, 3);
    EXPECT_EQ(control.m_animationMs, 456);
    EXPECT_EQ(control.m_displayMs, 30000);
    EXPECT_EQ(control.size(), QSize(170, 130));
    EXPECT_FALSE(control.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(control.windowFlags() & Qt::FramelessWindowHint);

    const struct {
        QRect rect;
        QString caption;
        int id;
        QColor background, border, text;
        int format;
    } expected[] = {
        {QRect(0, 0, 170, 130), {}, 0, QColor(30, 120, 30), QColor(255, 255, 255), {}, 0},
        {QRect(5, 25, 160, 100), {}, 0, QColor(70, 130, 70), QColor(255, 255, 0), {}, 0},
        {QRect(104, 27, 66, 18), u"more..."_s, 0, {}, {}, {}, 0},
        {QRect(0, 70, 170, 30), u"Click here to update"_s, 3, {}, {}, QColor(255, 255, 0), 17},
        {QRect(12, 30, 0, 17), {}, 0, {}, {}, {}, 0},
        {QRect(5, 0, 165, 25), u"Morvalen Software update"_s, 0, {}, {}, QColor(255, 255, 255), 36},
        {QRect(151, 6, 13, 13), {}, 2, {}, {}, {}, 0},
    };
    ASSERT_EQ(control.items().size(), std::size(expected));
    for (int i = 0; i < control.items().size(); ++i) {
        const auto& item = control.items()[i];
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(item.rect, expected[i].rect);
        EXPECT_EQ(item.caption, expected[i].caption);
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_EQ(item.background, expected[i].background);
        EXPECT_EQ(item.border, expected[i].border);
        EXPECT_EQ(item.text, expected[i].text);
        EXPECT_EQ(item.textFormat, expected[i].format);
    }
    EXPECT_TRUE(control.items()[5].bold);
    EXPECT_FALSE(control.items()[5].hyperlink);
    EXPECT_EQ(control.items()[4].icon.size(), QSize(32, 32));
    EXPECT_EQ(control.items()[6].button.size(), QSize(13, 13));

    // The pictures are optional: without them the items are drawn bare.
    QFile::remove(folder.file(u"icon3.ico"_s));
    QFile::remove(folder.file(u"CloseMSN.bmp"_s));
    popup->applyGreenTheme();
    EXPECT_TRUE(control.items()[4].icon.isNull());
    EXPECT_TRUE(control.items()[6].button.isNull());
    EXPECT_FALSE(popup->m_popup->grab().isNull());
}

TEST_F(Popup, OnlyTheCloseImageAndTheUpdateLineAct) {
    UpdatePopup* popup = showPopup();
    for (const QPoint at : {QPoint(137, 36), QPoint(60, 12), QPoint(20, 110), QPoint(2, 2)}) {
        click(popup, at); // "more...", the title, the panel, the border
        EXPECT_TRUE(popup->m_popup->isVisible()) << at.x() << "," << at.y();
    }
    click(popup, QPoint(157, 12));
    EXPECT_FALSE(popup->m_popup->isVisible());
    EXPECT_TRUE(visibleWindows<DownloadWindow>().isEmpty());

    // "Click here to update": windows in the way go, the download window comes, and the
    // windows left behind it go when it closes.
    auto* about = new QWidget;
    about->setObjectName(u"AboutWindow"_s);
    about->show();
    auto* questionnaire = new QWidget;
    questionnaire->setObjectName(u"QuestionnaireWindow"_s);
    questionnaire->show();
    QPointer<QWidget> aboutGone(about), questionnaireGone(questionnaire);
    popup = showPopup();
    click(popup, QPoint(85, 85));
    EXPECT_FALSE(popup->m_popup->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(aboutGone.isNull());
    ASSERT_EQ(visibleWindows<DownloadWindow>().size(), 1);
    EXPECT_FALSE(main->isEnabled());
    EXPECT_FALSE(questionnaireGone.isNull());
    visibleWindows<DownloadWindow>().first()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(questionnaireGone.isNull());
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Popup, GoesByItselfAfterItsDisplayTime) {
    UpdatePopup* popup = showPopup();
    auto* timer = popup->m_popup->findChild<QTimer*>(u"displayTimer"_s);
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 30000);
    timer->start(1); // the thirty seconds, shortened
    EXPECT_TRUE(waitFor([popup] { return !popup->m_popup->isVisible(); }));
}

TEST_F(Update, SiteAndUpdateCommands) {
    auto services = std::make_shared<MainServices>();
    InstallUpdateCommands(*services);
    MainWindow* window = MainWindow::ShowMain(context, services);
    window->runCommand(143);
    ASSERT_EQ(visibleWindows<UpdateWindow>().size(), 1);
    EXPECT_FALSE(window->isEnabled());
    visibleWindows<UpdateWindow>().first()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window->isEnabled());

    window->runCommand(147);
    if (SiteWindow::HasEmbeddedBrowser()) {
        EXPECT_EQ(visibleWindows<SiteWindow>().size(), 1);
    } else {
        // Without a web engine the site opens in the system's browser.
        EXPECT_EQ(opened, QVector<QUrl>{server.base().resolved(QUrl(u"/"_s))});
        EXPECT_TRUE(visibleWindows<SiteWindow>().isEmpty());
    }
}

TEST_F(Update, SiteWindowKeepsThePageFillingTheWindow) {
    auto* chat = new SiteWindow(context, main);
    chat->show();
    EXPECT_FALSE(main->isEnabled());
    for (const QSize size : {QSize(800, 600), QSize(1200, 500), QSize(400, 700)}) {
        chat->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(chat->m_browser->geometry(), chat->rect()) << size.width() << "x" << size.height();
    }
    chat->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->isEnabled());
}

} // namespace
} // namespace morvalen
