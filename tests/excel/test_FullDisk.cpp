// Every workbook writer on a full disk: run in a child process whose files may not grow past
// a few kilobytes (setrlimit(RLIMIT_FSIZE), as on a full USB stick), each must report the
// failure, not crash, leave the earlier file as it was and leave no temporary file behind.
#include "TestWorkbooks.h"
#include "reports/XlsWriter.h"
#include "reports/XlsxBlankWorkbook.h"
#include "reports/XlsxWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

// A table that needs far more than the limit.
class BigSource : public SheetSource {
public:
    BigSource() {
        for (int r = 0; r < rowCount(); ++r) {
            m_texts.append(u"متن %1"_s.arg(r));
        }
    }
    int rowCount() const override { return 3000; }
    int columnCount() const override { return 40; }
    SheetCell cell(int row, int column) const override {
        return column % 2 ? SheetCell::Number(row) : SheetCell::Text(m_texts[row]);
    }

private:
    QStringList m_texts;
};

struct ChildResult {
    bool exited = false; // ended by itself, not by a signal
    bool wrote = true;
    QString error;
};

// Runs the writer in a child process limited to `limit` bytes a file.
ChildResult RunLimited(const std::function<bool(QString*)>& writer, rlim_t limit) {
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

TEST(FullDisk, EveryWriterReportsAndLeavesTheOldFile) {
    const BigSource big;
    QStringList questions;
    for (int i = 0; i < 232; ++i) {
        questions.append(QString(400, u'س'));
    }
    struct Case {
        const char* name;
        std::function<bool(const QString&, QString*)> write;
    };
    const Case cases[] = {
        {"export.xls",
         [&](const QString& p, QString* e) { return XlsWriter::write(p, big, u"S"_s, true, e); }},
        {"export.xlsx",
         [&](const QString& p, QString* e) { return XlsxWriter::write(p, big, u"S"_s, true, e); }},
        {"blank.xlsx",
         [&](const QString& p, QString* e) { return WriteBlankAnswerWorkbook(p, questions, e); }},
    };
    for (const Case& c : cases) {
        // The blank workbook packs to a few kilobytes; the exports to far more.
        const bool blank = std::string_view(c.name) == "blank.xlsx";
        for (const rlim_t limit : {rlim_t(0), rlim_t(2048), blank ? rlim_t(4096) : rlim_t(65536)}) {
            SCOPED_TRACE(std::string(c.name) + " limited to " + std::to_string(limit));
            QTemporaryDir dir;
            ASSERT_TRUE(dir.isValid());
            const QString path = dir.filePath(QString::fromLatin1(c.name));
            {
                QFile old(path);
                ASSERT_TRUE(old.open(QIODevice::WriteOnly));
                old.write("the earlier export");
            }
            const ChildResult result = RunLimited([&](QString* e) { return c.write(path, e); }, limit);
            EXPECT_TRUE(result.exited) << "the writer crashed";
            EXPECT_FALSE(result.wrote);
            EXPECT_FALSE(result.error.isEmpty());
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::ReadOnly));
            EXPECT_EQ(old.readAll(), "the earlier export");
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                      QStringList{QString::fromLatin1(c.name)})
                << "no temporary file is left";
        }
        // Without the limit the same writer succeeds, so the limit is what failed it.
        QTemporaryDir dir;
        QString error;
        EXPECT_TRUE(c.write(dir.filePath(QString::fromLatin1(c.name)), &error)) << error.toStdString();
    }
}

} // namespace
} // namespace morvalen
