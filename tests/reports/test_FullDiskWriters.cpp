// Every writer of a file for the user, on a disk with 0 to 32 KB left (a child process whose
// files may not grow past the limit) and into a read-only or removed folder: each either
// writes the whole file or reports which file failed and why, leaving the earlier file byte
// for byte and no other file in the folder.
#include "../excel/LimitedChild.h"
#include "reports/DocxWriter.h"
#include "reports/ReportTemplate.h"
#include "reports/XlsWriter.h"
#include "reports/XlsxBlankWorkbook.h"
#include "reports/XlsxWriter.h"
#include "store/Backup.h"
#include "support/TempProgramFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

// An export of a few examinees: a file of some kilobytes, under Qt's buffer of 16 KB.
class FewExaminees : public SheetSource {
public:
    explicit FewExaminees(int rows) : m_rows(rows) {}
    int rowCount() const override { return m_rows; }
    int columnCount() const override { return 250; }
    SheetCell cell(int row, int column) const override {
        if (column < 4) {
            return SheetCell::Text(u"آزمودني %1 ستون %2"_s.arg(row).arg(column));
        }
        return SheetCell::Number((row * 31 + column * 7) % 6 + 1);
    }

private:
    int m_rows;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A zip archive ends with its directory's closing record (no comment follows in these).
bool EndsAsArchive(const QString& path) {
    const QByteArray bytes = ReadAll(path);
    return bytes.size() >= 22 && bytes.mid(bytes.size() - 22, 4) == QByteArrayLiteral("PK\x05\x06");
}

bool EndsAsPdf(const QString& path) {
    return ReadAll(path).right(32).contains("%%EOF");
}

struct Writer {
    const char* name;
    std::function<bool(const QString&, QString*)> write;
    std::function<bool(const QString&)> whole; // a written file is complete
    bool makesFolder = false;                  // the Word report's folder is made when missing
};

class FullDiskWriters : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.valid());
        report = ReportTemplate::load(program.file(u"ATaf.fr3"_s), nullptr);
        ASSERT_TRUE(report);
        QImage chart(600, 400, QImage::Format_RGB32);
        for (int y = 0; y < chart.height(); ++y) {
            for (int x = 0; x < chart.width(); ++x) {
                chart.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
            }
        }
        QBuffer buffer(&content.jpeg);
        buffer.open(QIODevice::WriteOnly);
        chart.save(&buffer, "JPG", 60);
        content.pixels = chart.size();
        content.examineeLine = u"نام: سارا"_s;
        content.interpretation = QString(2000, u'ت');
        for (int i = 0; i < 232; ++i) {
            questions.append(QString(60, u'س'));
        }
        database = ReadAll(program.file(u"morvalen.mdb"_s));
        ASSERT_FALSE(database.isEmpty());
    }

    std::vector<Writer> writers() {
        const auto zip = EndsAsArchive;
        return {
            {"export.xls",
             [this](const QString& p, QString* e) { return XlsWriter::write(p, few, u"S"_s, true, e); },
             [this](const QString& p) { return ReadAll(p).size() > 4096; }},
            {"export.xlsx",
             [this](const QString& p, QString* e) { return XlsxWriter::write(p, few, u"S"_s, true, e); },
             zip},
            {"blank.xlsx",
             [this](const QString& p, QString* e) { return WriteBlankAnswerWorkbook(p, questions, e); }, zip},
            {"Morvalen.docx",
             [this](const QString& p, QString* e) {
                 *e = WriteWordDocument(p, content);
                 return e->isEmpty();
             },
             zip, true},
            {"report.pdf",
             [this](const QString& p, QString* e) {
                 *e = report->writePdf(p);
                 return e->isEmpty();
             },
             EndsAsPdf},
            {"backup.mdb",
             [this](const QString& p, QString* e) {
                 return MakeBackup(program.file(u"morvalen.mdb"_s), p, e);
             },
             [this](const QString& p) { return ReadAll(p) == database; }},
        };
    }

    // Writes over an earlier file in a child process; a success must leave a whole file, a
    // failure the earlier file, no other file and a message naming the file and `reason`.
    void expectWholeOrRefused(const Writer& w, rlim_t limit, const QString& folderPath, const QString& reason,
                              bool asUser = false) {
        const QString path = QDir(folderPath).filePath(QString::fromLatin1(w.name));
        const bool folderThere = QFileInfo::exists(folderPath);
        const QByteArray earlier = "the earlier file";
        if (folderThere) {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write(earlier);
        }
        const mode_t mode = asUser ? 0555 : 0755;
        if (folderThere) {
            chmod(QFile::encodeName(folderPath).constData(), mode);
        }
        const test::ChildResult result =
            test::RunLimited([&](QString* e) { return w.write(path, e); }, limit, asUser);
        if (folderThere) {
            chmod(QFile::encodeName(folderPath).constData(), 0755);
        }
        EXPECT_TRUE(result.exited) << "the writer crashed";
        if (asUser) {
            EXPECT_FALSE(result.wrote) << "nothing can be written into a read-only folder";
        }
        if (result.wrote) {
            EXPECT_TRUE(w.whole(path)) << "a file reported as written is whole";
        } else {
            EXPECT_TRUE(result.error.contains(QString::fromLatin1(w.name))) << result.error.toStdString();
            EXPECT_TRUE(result.error.contains(reason)) << result.error.toStdString();
            if (folderThere) {
                EXPECT_EQ(ReadAll(path), earlier);
            }
        }
        if (folderThere) {
            EXPECT_EQ(QDir(folderPath).entryList(QDir::Files | QDir::Hidden),
                      QStringList{QString::fromLatin1(w.name)})
                << "no temporary file is left";
            QFile::remove(path);
        } else if (!w.makesFolder) {
            EXPECT_FALSE(result.wrote);
            EXPECT_FALSE(QFileInfo::exists(folderPath));
        }
    }

    test::TempProgramFolder program;
    std::optional<ReportTemplate> report;
    WordReportContent content;
    QStringList questions;
    QByteArray database;
    const FewExaminees few{7};
};

TEST_F(FullDiskWriters, WholeOrRefusedAtEveryFreeSpace) {
    for (const Writer& w : writers()) {
        // Without the limit every writer succeeds, so the limit is what fails it below.
        QTemporaryDir free;
        const QString path = free.filePath(QString::fromLatin1(w.name));
        QString error;
        ASSERT_TRUE(w.write(path, &error)) << w.name << error.toStdString();
        ASSERT_TRUE(w.whole(path)) << w.name;
        // The fixed sizes, and one where only the last piece does not fit.
        std::vector<rlim_t> limits;
        for (const int kilobytes : {0, 4, 8, 12, 16, 24, 32}) {
            limits.push_back(rlim_t(kilobytes) * 1024);
        }
        limits.push_back(rlim_t(QFileInfo(path).size() - 512));
        for (const rlim_t limit : limits) {
            SCOPED_TRACE(std::string(w.name) + " with " + std::to_string(limit) + " bytes free");
            QTemporaryDir dir;
            expectWholeOrRefused(w, limit, dir.path(), kDiskFullText);
        }
    }
}

TEST_F(FullDiskWriters, AReadOnlyOrRemovedFolderIsNamed) {
    // The ordinary user the writers run as here may read the template and back up the
    // database, not write into the target folder.
    chmod(QFile::encodeName(program.path()).constData(), 0777);
    chmod(QFile::encodeName(program.file(u"morvalen.mdb"_s)).constData(), 0666);
    for (const Writer& w : writers()) {
        SCOPED_TRACE(w.name);
        QTemporaryDir dir;
        chmod(QFile::encodeName(dir.path()).constData(), 0755);
        const rlim_t unlimited = RLIM_INFINITY;
        expectWholeOrRefused(w, unlimited, dir.path(), u"اجازه نوشتن"_s, true);
        expectWholeOrRefused(w, unlimited, dir.filePath(u"removed"_s), u"وجود ندارد"_s);
    }
}

} // namespace
} // namespace morvalen
