// A research file that cannot be written: the reason is given, the earlier file of that name
// stays as it was, and no partial file is left beside it.
#include "FileSizeLimit.h"
#include "ResearchSample.h"
#include "store/CheckedFile.h"

#include <QDir>
#include <QFile>

namespace morvalen {

// The format's name in test output.
void PrintTo(ResearchFormat format, std::ostream* out) {
    *out << (format == ResearchFormat::Sav ? "Sav" : "Csv");
}

namespace {

using namespace Qt::StringLiterals;

class FailedWrites : public test::ResearchSample, public testing::WithParamInterface<ResearchFormat> {
protected:
    QString target() const {
        return folder.file(GetParam() == ResearchFormat::Sav ? u"پژوهش.sav"_s : u"پژوهش.csv"_s);
    }
    QStringList folderFiles() const { return QDir(folder.path()).entryList(QDir::Files, QDir::Name); }
};

TEST_P(FailedWrites, AFullDiskKeepsTheEarlierFileAndLeavesNothing) {
    const Snapshot s = snapshot();
    QFile earlier(target());
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier export");
    earlier.close();
    const QStringList before = folderFiles();

    QString error;
    bool written = true;
    {
        test::FileSizeLimit full(1024); // either file of the sample is larger
        written = WriteResearch(s.table, s.details, GetParam(), target(), &error);
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(QFileInfo(target()).fileName()))
        << "the file is named: " << error.toStdString();
    EXPECT_TRUE(error.contains(kDiskFullText)) << "the reason is given: " << error.toStdString();
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier export");
    earlier.close();
    EXPECT_EQ(folderFiles(), before) << "no partial file left";

    // With room again the same snapshot writes the whole file over the earlier one.
    EXPECT_TRUE(WriteResearch(s.table, s.details, GetParam(), target(), &error)) << error.toStdString();
    EXPECT_GT(QFileInfo(target()).size(), 1024);
}

TEST_P(FailedWrites, AMissingFolderIsNamedAndNothingIsMade) {
    const Snapshot s = snapshot();
    const QString path = folder.file(u"missing/"_s) + QFileInfo(target()).fileName();
    QString error;
    EXPECT_FALSE(WriteResearch(s.table, s.details, GetParam(), path, &error));
    EXPECT_TRUE(error.contains(QFileInfo(path).fileName())) << error.toStdString();
    EXPECT_TRUE(error.contains(u"وجود ندارد"_s)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.file(u"missing"_s)));
}

INSTANTIATE_TEST_SUITE_P(BothFormats, FailedWrites, testing::Values(ResearchFormat::Sav, ResearchFormat::Csv),
                         [](const auto& info) { return info.param == ResearchFormat::Sav ? "Sav" : "Csv"; });

} // namespace
} // namespace morvalen
