// The Word and PDF writers on a full disk (a child process whose files may not grow past a
// limit): each reports the failure in Persian or with the system's reason, does not crash,
// leaves the earlier file as it was and leaves no temporary file behind.
#include "../excel/LimitedChild.h"
#include "reports/DocxWriter.h"
#include "reports/ReportTemplate.h"
#include "support/TempProgramFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

TEST(FullDiskReports, WordAndPdfReportAndLeaveTheOldFile) {
    test::TempProgramFolder program;
    ASSERT_TRUE(program.valid());
    const auto report = ReportTemplate::load(program.file(u"ATaf.fr3"_s), nullptr);
    ASSERT_TRUE(report);

    QImage chart(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < chart.height(); ++y) {
        for (int x = 0; x < chart.width(); ++x) {
            chart.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256)); // packs badly
        }
    }
    WordReportContent content;
    QBuffer buffer(&content.jpeg);
    buffer.open(QIODevice::WriteOnly);
    chart.save(&buffer, "JPG", 95);
    content.pixels = chart.size();
    content.examineeLine = u"نام: سارا"_s;
    content.interpretation = QString(3000, u'ت');

    struct Case {
        const char* name;
        std::function<QString(const QString&)> write; // the failure, or empty
    };
    const Case cases[] = {
        {"Morvalen.docx", [&](const QString& p) { return WriteWordDocument(p, content); }},
        {"report.pdf", [&](const QString& p) { return report->writePdf(p); }},
    };
    for (const Case& c : cases) {
        for (const rlim_t limit : {rlim_t(0), rlim_t(8192)}) {
            SCOPED_TRACE(std::string(c.name) + " limited to " + std::to_string(limit));
            test::ExpectFullDiskRefused(
                QString::fromLatin1(c.name),
                [&](const QString& p, QString* e) {
                    *e = c.write(p);
                    return e->isEmpty();
                },
                limit);
        }
        QTemporaryDir dir;
        EXPECT_EQ(c.write(dir.filePath(QString::fromLatin1(c.name))), QString())
            << "without the limit it works";
    }
}

} // namespace
} // namespace morvalen
