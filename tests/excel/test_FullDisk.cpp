// Every workbook writer on a full disk: run in a child process whose files may not grow past
// a few kilobytes (setrlimit(RLIMIT_FSIZE), as on a full USB stick), each must report the
// failure, not crash, leave the earlier file as it was and leave no temporary file behind.
#include "LimitedChild.h"
#include "TestWorkbooks.h"
#include "reports/XlsWriter.h"
#include "reports/XlsxBlankWorkbook.h"
#include "reports/XlsxWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string_view>

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
            test::ExpectFullDiskRefused(QString::fromLatin1(c.name), c.write, limit);
        }
        // Without the limit the same writer succeeds, so the limit is what failed it.
        QTemporaryDir dir;
        QString error;
        EXPECT_TRUE(c.write(dir.filePath(QString::fromLatin1(c.name)), &error)) << error.toStdString();
    }
}

} // namespace
} // namespace morvalen
