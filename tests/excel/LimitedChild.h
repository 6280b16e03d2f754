#pragma once

// A writer run in a child process whose files may not grow past a limit, as on a full disk.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvalen::test {

struct ChildResult {
    bool exited = false; // ended by itself, not by a signal
    bool wrote = true;
    QString error;
};

// Runs the writer in a child process limited to `limit` bytes a file; as an ordinary user
// when asked (root writes into a read-only folder all the same).
inline ChildResult RunLimited(const std::function<bool(QString*)>& writer, rlim_t limit,
                              bool asUser = false) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        // A write past the limit then fails with EFBIG, as one on a full disk fails with ENOSPC.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit bound{limit, limit};
        setrlimit(RLIMIT_FSIZE, &bound);
        if (asUser && geteuid() == 0 && setuid(65534) != 0) {
            _exit(3);
        }
        QString error;
        const bool ok = writer(&error);
        const QByteArray message = QByteArray(ok ? "1" : "0") + error.toUtf8();
        if (write(pipeEnds[1], message.constData(), static_cast<size_t>(message.size())) < 0) {
            _exit(2);
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    QByteArray message;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, n);
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ChildResult result;
    result.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.wrote = message.startsWith('1');
    result.error = QString::fromUtf8(message.mid(1));
    return result;
}

// Writes `name` over an earlier file in a child process limited to `limit` bytes a file: the
// writer must end by itself and report the failure, the earlier file must stay byte for byte,
// and no other file may be left in its folder.
inline void ExpectFullDiskRefused(const QString& name,
                                  const std::function<bool(const QString&, QString*)>& write, rlim_t limit) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(name);
    const QByteArray earlier = "the earlier file";
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(earlier);
    }
    const ChildResult result = RunLimited([&](QString* e) { return write(path, e); }, limit);
    EXPECT_TRUE(result.exited) << "the writer crashed";
    EXPECT_FALSE(result.wrote);
    EXPECT_FALSE(result.error.isEmpty());
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), earlier);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name})
        << "no temporary file is left";
}

} // namespace morvalen::test
