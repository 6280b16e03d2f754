// The installer download against a scripted local server: statuses, chunks and percents,
// cancelling, broken transfers, missing lengths and a full disk.
#include "../research/FileSizeLimit.h"
#include "support/Files.h"
#include "support/TempProgramFolder.h"
#include "update/DiskSpace.h"
#include "update/FileDownloader.h"
#include "update/LocalHttpServer.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::LocalHttpServer;
using Script = LocalHttpServer::Script;

QByteArray Bytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('A' + i % 26);
    }
    return bytes;
}

// Everything one download reported, in order.
struct Recorder {
    explicit Recorder(FileDownloader& downloader) : d(downloader) {
        QObject::connect(&d, &FileDownloader::statusChanged,
                         [this](const QString& s) { log << u"event:"_s + s; });
        QObject::connect(&d, &FileDownloader::errorOccurred, [this](const QString& s) {
            log << u"error:"_s + s;
            errors << s;
        });
        QObject::connect(&d, &FileDownloader::progressChanged, [this](const QString& s) {
            log << u"progress:"_s + s;
            percents << s;
            received << d.received();
        });
        QObject::connect(&d, &FileDownloader::downloadCompleted, [this] { log << u"complete"_s; });
    }
    FileDownloader& d;
    QStringList log, errors, percents;
    QList<qint64> received;
};

class Downloader : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(folder.valid());
        downloader.setTransferTimeout(5000);
    }
    QString target() const { return folder.file(u"setup-Morvalen.exe"_s); }

    LocalHttpServer server;
    test::TempProgramFolder folder;
    FileDownloader downloader;
    Recorder rec{downloader};
};

TEST_F(Downloader, AcceptsOnlyAWholeOrPartialAnswerAndNamesEveryOtherStatus) {
    const QByteArray body = "the installer";
    const struct {
        QByteArray statusLine;
        QString message; // empty: accepted
    } cases[] = {
        {"HTTP/1.1 200 OK", {}},
        {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-12/13", {}},
        {"HTTP/1.1 204 No Content", u"Nothing to download!"_s},
        {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"update\"", u"Authorization failed!"_s},
        {"HTTP/1.1 404 Not Found", u"The file, \"%1\" was not found!"_s},
        {"HTTP/1.1 500 Internal Server Error",
         u"The server returned the following response:\r\rHTTP/1.1 500 Internal Server Error\r"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statusLine.toStdString());
        rec.log.clear();
        rec.errors.clear();
        const QByteArray sent = c.statusLine.startsWith("HTTP/1.1 204") ? QByteArray() : body;
        Script script = LocalHttpServer::Answer(c.statusLine, sent);
        if (sent.isEmpty()) {
            script.head = c.statusLine;
        }
        server.script("/f.exe", script);
        const QString address = server.address(u"/f.exe"_s);
        const bool whole = downloader.downloadFile(address, target());
        if (c.message.isEmpty()) {
            EXPECT_TRUE(whole);
            EXPECT_TRUE(rec.errors.isEmpty()) << rec.errors.join(u'|').toStdString();
            EXPECT_EQ(test::ReadAll(target()), body);
            EXPECT_EQ(rec.log.last(), u"complete"_s);
        } else {
            EXPECT_FALSE(whole);
            EXPECT_EQ(rec.errors,
                      QStringList{c.message.contains(u"%1"_s) ? c.message.arg(address) : c.message});
            EXPECT_FALSE(QFileInfo::exists(target()));
            EXPECT_FALSE(rec.log.contains(u"complete"_s));
        }
        EXPECT_EQ(rec.log.first(), u"event:Getting file information"_s);
        QFile::remove(target());
    }
    // Every request asked for the whole file from its first byte.
    ASSERT_EQ(server.requests().size(), std::size(cases));
    for (const QByteArray& request : server.requests()) {
        EXPECT_TRUE(request.contains("\r\nRange: bytes=0-")) << request.toStdString();
    }
}

TEST_F(Downloader, WritesWholeChunksAndReportsRoundedPercents) {
    // The network hands over pieces of its own sizes; the file still grows 1024 bytes at a time.
    const QByteArray body = Bytes(2500);
    server.script("/setup-Morvalen.exe", LocalHttpServer::Answer("HTTP/1.1 200 OK", body, {700, 1300}, 30));
    QSignalSpy finished(&downloader, &FileDownloader::finished);
    EXPECT_TRUE(downloader.downloadFile(server.address(u"/setup-Morvalen.exe"_s), target()));
    EXPECT_EQ(rec.percents, (QStringList{u"41"_s, u"82"_s, u"100"_s, u"100"_s}));
    EXPECT_EQ(rec.received, (QList<qint64>{1024, 2048, 2500, 2500}));
    EXPECT_EQ(test::ReadAll(target()), body);
    EXPECT_EQ(rec.log.first(), u"event:Getting file information"_s);
    EXPECT_EQ(rec.log.last(), u"complete"_s);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_TRUE(finished[0][0].toBool());
}

TEST_F(Downloader, PercentsRoundHalvesToEven) {
    // Every odd eighth is a half: 12.5 goes to 12, 37.5 to 38, 62.5 to 62, 87.5 to 88.
    server.script("/even.bin", LocalHttpServer::Answer("HTTP/1.1 200 OK", Bytes(8192)));
    ASSERT_TRUE(downloader.downloadFile(server.address(u"/even.bin"_s), target()));
    EXPECT_EQ(rec.percents, (QStringList{u"12"_s, u"25"_s, u"38"_s, u"50"_s, u"62"_s, u"75"_s, u"88"_s,
                                         u"100"_s, u"100"_s}));
}

TEST_F(Downloader, CancelMidTransferDeletesThePartialFileWithoutAnError) {
    Script script = LocalHttpServer::Answer("HTTP/1.1 200 OK", Bytes(10000));
    script.body = {Bytes(3000)};
    script.end = Script::End::HoldOpen;
    server.script("/big.exe", script);
    QObject::connect(
        &downloader, &FileDownloader::progressChanged, &downloader, [this](const QString& percent) {
            if (percent == u"10"_s) {
                const QFileInfo file(target());
                EXPECT_FALSE(file.exists()) << "the target is written only when whole";
                EXPECT_EQ(file.dir().entryList({file.fileName() + u".*.part"_s}, QDir::Files).size(), 1)
                    << "the partial file is being written beside it";
                downloader.cancel();
            }
        });
    EXPECT_FALSE(downloader.downloadFile(server.address(u"/big.exe"_s), target()));
    EXPECT_EQ(rec.percents, QStringList{u"10"_s}) << "no chunk is taken after the cancel";
    EXPECT_TRUE(rec.errors.isEmpty());
    EXPECT_FALSE(rec.log.contains(u"complete"_s));
    EXPECT_FALSE(QFileInfo::exists(target()));
    EXPECT_EQ(QDir(folder.path()).entryList({u"*.part"_s}, QDir::Files), QStringList())
        << "nor its partial file";
    EXPECT_FALSE(downloader.isRunning());
}

TEST_F(Downloader, CancelWhileWaitingForTheServer) {
    server.script("/silent.exe", Script{}); // accepts and never answers
    QTimer::singleShot(50, &downloader, [this] { downloader.cancel(); });
    EXPECT_FALSE(downloader.downloadFile(server.address(u"/silent.exe"_s), target()));
    EXPECT_TRUE(rec.errors.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(target()));
}

TEST_F(Downloader, BrokenTransfersReportTheFailureAndLeaveNoFile) {
    const struct {
        const char* what;
        Script::End end;
        int timeoutMs;
    } cases[] = {
        {"reset mid-body", Script::End::Reset, 5000},
        {"closed mid-body", Script::End::Close, 5000},
        {"silent mid-body", Script::End::HoldOpen, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rec.errors.clear();
        Script script = LocalHttpServer::Answer("HTTP/1.1 200 OK", Bytes(5000));
        script.body = {Bytes(1500)};
        script.end = c.end;
        server.script("/broken.exe", script);
        downloader.setTransferTimeout(c.timeoutMs);
        EXPECT_FALSE(downloader.downloadFile(server.address(u"/broken.exe"_s), target()));
        EXPECT_EQ(rec.errors, QStringList{u"The connection with the server was reset."_s});
        EXPECT_FALSE(QFileInfo::exists(target()));
    }
}

TEST_F(Downloader, NoServerAnswerCannotEstablishAConnection) {
    // A port nobody listens on, and a server that accepts but stays silent past the time-out.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    server.script("/silent.exe", Script{});
    downloader.setTransferTimeout(200);
    for (const QString& address :
         {u"https://127.0.0.1:%1/setup.exe"_s.arg(closedPort), server.address(u"/silent.exe"_s)}) {
        SCOPED_TRACE(address.toStdString());
        rec.errors.clear();
        EXPECT_FALSE(downloader.downloadFile(address, target()));
        EXPECT_EQ(rec.errors, QStringList{u"Cannot establish connection."_s});
        EXPECT_FALSE(QFileInfo::exists(target()));
    }
}

TEST_F(Downloader, RefusesEveryAddressButHttpsBeforeAskingAnyServer) {
    server.script("/setup-Morvalen.exe", LocalHttpServer::Answer("HTTP/1.1 200 OK", "installer"));
    QString plain = server.address(u"/setup-Morvalen.exe"_s);
    plain.replace(u"https://"_s, u"http://"_s);
    for (const QString& address : {plain, u"HTTP://127.0.0.1/setup-Morvalen.exe"_s,
                                   u"ftp://127.0.0.1/setup-Morvalen.exe"_s, u"setup-Morvalen.exe"_s}) {
        SCOPED_TRACE(address.toStdString());
        rec.errors.clear();
        EXPECT_FALSE(downloader.downloadFile(address, target()));
        ASSERT_EQ(rec.errors.size(), 1);
        EXPECT_EQ(rec.errors[0],
                  u"Error: the address %1 is not a secure (https) web address occurred."_s.arg(address));
        EXPECT_FALSE(QFileInfo::exists(target()));
    }
    EXPECT_TRUE(server.requests().isEmpty());
    // The same address over https is fetched.
    EXPECT_TRUE(downloader.downloadFile(server.address(u"/setup-Morvalen.exe"_s), target()));
    EXPECT_EQ(test::ReadAll(target()), "installer");
}

TEST_F(Downloader, WithoutALengthTheBodyIsReadToItsEnd) {
    const QByteArray body = Bytes(3000);
    Script script;
    script.head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream";
    script.body = LocalHttpServer::Split(body, {1000, 1000});
    script.pauseMs = 20;
    server.script("/nolength.exe", script);
    EXPECT_TRUE(downloader.downloadFile(server.address(u"/nolength.exe"_s), target()));
    EXPECT_EQ(test::ReadAll(target()), body);
    EXPECT_EQ(downloader.expected(), -1);
    EXPECT_EQ(rec.percents.value(rec.percents.size() - 1), u"100"_s);
    EXPECT_EQ(rec.log.last(), u"complete"_s);
}

TEST_F(Downloader, AnEmptyBodyIsNoDownload) {
    Script unannounced;
    unannounced.head = "HTTP/1.1 200 OK";
    for (const Script& script : {unannounced, LocalHttpServer::Answer("HTTP/1.1 200 OK", {})}) {
        rec.errors.clear();
        rec.log.clear();
        server.script("/empty.exe", script);
        EXPECT_FALSE(downloader.downloadFile(server.address(u"/empty.exe"_s), target()));
        EXPECT_EQ(rec.errors, QStringList{u"Nothing to download!"_s});
        EXPECT_FALSE(rec.log.contains(u"complete"_s));
        EXPECT_FALSE(QFileInfo::exists(target()));
    }
}

TEST_F(Downloader, TooLittleFreeSpaceStopsBeforeWriting) {
    QStringList asked;
    downloader.setFreeSpaceProbe([&](const QString& path) {
        asked << path;
        return qint64(2499);
    });
    server.script("/setup-Morvalen.exe", LocalHttpServer::Answer("HTTP/1.1 200 OK", Bytes(2500)));
    EXPECT_FALSE(downloader.downloadFile(server.address(u"/setup-Morvalen.exe"_s), target()));
    EXPECT_EQ(rec.errors, QStringList{u"There is not enough free space on disk for this file."_s});
    EXPECT_EQ(asked, QStringList{QFileInfo(target()).absolutePath()});
    EXPECT_FALSE(QFileInfo::exists(target()));

    // Exactly enough is enough.
    rec.errors.clear();
    downloader.setFreeSpaceProbe([](const QString&) { return qint64(2500); });
    EXPECT_TRUE(downloader.downloadFile(server.address(u"/setup-Morvalen.exe"_s), target()));
    EXPECT_TRUE(rec.errors.isEmpty());
}

TEST_F(Downloader, TheDestinationFolderIsMadeAndAFolderIsNeverWrittenOrDeleted) {
    server.script("/x.exe", LocalHttpServer::Answer("HTTP/1.1 200 OK", "abc"));
    const QString inNewFolder = folder.file(u"Downloads/x.exe"_s);
    EXPECT_TRUE(downloader.downloadFile(server.address(u"/x.exe"_s), inNewFolder));
    EXPECT_EQ(test::ReadAll(inNewFolder), "abc");

    // A destination that is a folder cannot be written, and the folder stays.
    EXPECT_FALSE(downloader.downloadFile(server.address(u"/x.exe"_s), folder.path()));
    ASSERT_EQ(rec.errors.size(), 1);
    EXPECT_TRUE(rec.errors[0].startsWith(u"Cannot write file to disk.\r\rError "_s))
        << rec.errors[0].toStdString();
    EXPECT_TRUE(QFileInfo(folder.path()).isDir());
    EXPECT_TRUE(QFileInfo::exists(folder.file(u"morvalen.mdb"_s)));
}

TEST_F(Downloader, AFullDiskKeepsTheEarlierInstallerAndSaysWhy) {
    QFile old(target());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the earlier installer");
    old.close();
    server.script("/setup-Morvalen.exe", LocalHttpServer::Answer("HTTP/1.1 200 OK", Bytes(20000)));
    bool downloaded = true;
    {
        test::FileSizeLimit full(8192);
        downloaded = downloader.downloadFile(server.address(u"/setup-Morvalen.exe"_s), target());
    }
    EXPECT_FALSE(downloaded);
    ASSERT_FALSE(rec.errors.isEmpty());
    EXPECT_TRUE(rec.errors[0].contains(kDiskFullText)) << rec.errors[0].toStdString();
    EXPECT_TRUE(rec.errors[0].contains(u"setup-Morvalen.exe"_s));
    EXPECT_EQ(test::ReadAll(target()), "the earlier installer");
    EXPECT_EQ(QDir(folder.path()).entryList({u"*.part"_s}, QDir::Files), QStringList());
}

TEST_F(Downloader, ANewDownloadReplacesTheOldFile) {
    QFile old(target());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(Bytes(5000));
    old.close();
    server.script("/setup-Morvalen.exe", LocalHttpServer::Answer("HTTP/1.1 200 OK", "new"));
    EXPECT_TRUE(downloader.downloadFile(server.address(u"/setup-Morvalen.exe"_s), target()));
    EXPECT_EQ(test::ReadAll(target()), "new");
}

TEST(DiskSpace, AFolderNotMadeYetIsMeasuredOnTheVolumeItWillBeOn) {
    test::TempProgramFolder folder;
    const qint64 existing = FreeDiskSpace(folder.path());
    const qint64 missing = FreeDiskSpace(folder.file(u"Downloads/setup"_s));
    EXPECT_GT(existing, 0);
    EXPECT_GT(missing, 0);
    // The same volume, give or take what other programs wrote in between.
    EXPECT_LT(std::abs(missing - existing), qint64(256) << 20);
}

} // namespace
} // namespace morvalen
