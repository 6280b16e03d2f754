// Finding the program folder: a portable copy beside the executable, or the per-user folder
// seeded once from the installed copies.
#include "store/ProgramFolder.h"
#include "support/Files.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::ReadAll;

TEST(ProgramFolder, PortableCopyUsesTheExecutablesFolder) {
    test::TempProgramFolder portable;
    QTemporaryDir user;
    EXPECT_EQ(PrepareProgramFolder(portable.path(), user.path() + u"/data"_s,
                                   test::TempProgramFolder::seedFolder()),
              QDir(portable.path()).absolutePath());
    EXPECT_FALSE(QDir(user.path() + u"/data"_s).exists()) << "nothing is seeded for a portable copy";
}

TEST(ProgramFolder, SeedsTheUserFolderOnceAndNeverOverwrites) {
    QTemporaryDir exe, user, seed;
    QDir().mkpath(seed.path() + u"/Styles"_s);
    for (const QString& name : {u"morvalen.mdb"_s, u"Theme.skn"_s, u"NNPic.mdb"_s}) {
        ASSERT_TRUE(
            QFile::copy(test::TempProgramFolder::seedFolder() + u'/' + name, seed.path() + u'/' + name));
    }
    {
        QFile style(seed.path() + u"/Styles/look.ini"_s);
        ASSERT_TRUE(style.open(QIODevice::WriteOnly));
        style.write("seed");
    }
    const QString data = user.path() + u"/Morvalen"_s;

    QString error;
    const QString folder = PrepareProgramFolder(exe.path(), data, seed.path(), &error);
    ASSERT_EQ(folder, QDir(data).absolutePath()) << error.toStdString();
    EXPECT_EQ(ReadAll(data + u"/morvalen.mdb"_s), ReadAll(seed.path() + u"/morvalen.mdb"_s));
    EXPECT_EQ(ReadAll(data + u"/Styles/look.ini"_s), "seed");
    EXPECT_TRUE(QFileInfo(data + u"/morvalen.mdb"_s).isWritable());

    // The clinic's own data must survive the next start, and a lost file comes back.
    {
        QFile db(data + u"/morvalen.mdb"_s);
        ASSERT_TRUE(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
        db.write("clinic data");
    }
    ASSERT_TRUE(QFile::remove(data + u"/NNPic.mdb"_s));
    ASSERT_EQ(PrepareProgramFolder(exe.path(), data, seed.path()), QDir(data).absolutePath());
    EXPECT_EQ(ReadAll(data + u"/morvalen.mdb"_s), "clinic data");
    EXPECT_EQ(ReadAll(data + u"/NNPic.mdb"_s), ReadAll(seed.path() + u"/NNPic.mdb"_s));
    EXPECT_FALSE(QFileInfo::exists(data + u"/NNPic.mdb.part"_s));
}

TEST(ProgramFolder, SeedFolderSitsBesideBin) {
    EXPECT_EQ(DefaultSeedFolder(u"/opt/x/bin"_s), u"/opt/x/share/morvalen"_s);
}

} // namespace
} // namespace morvalen
