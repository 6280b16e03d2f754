// Start-up on a sound, a damaged and an unusable program folder.
#include "shell/Startup.h"
#include "store/Database.h"
#include "store/SchemaUpgrade.h"
#include "support/GuiFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

using Startup = test::GuiFixture;

TEST_F(Startup, SoundPortableFolderOpensWithoutAMessage) {
    const auto opened = OpenProgramFolder({folder.path(), folder.path() + u"/unused"_s, QString()});
    ASSERT_TRUE(opened);
    EXPECT_EQ(*opened, QDir(folder.path()).absolutePath());
    EXPECT_TRUE(MessageBox::shown().isEmpty());
}

TEST_F(Startup, FirstStartSeedsTheUserFolder) {
    QTemporaryDir exe, user;
    const auto opened =
        OpenProgramFolder({exe.path(), user.path() + u"/Morvalen"_s, test::TempProgramFolder::seedFolder()});
    ASSERT_TRUE(opened);
    EXPECT_TRUE(QFile::exists(*opened + u"/morvalen.mdb"_s));
    EXPECT_TRUE(MessageBox::shown().isEmpty());
}

TEST_F(Startup, BadDatabaseGivesAPersianMessageAndNoFolder) {
    const struct {
        const char* what;
        QString file;
        QByteArray content; // empty: remove the file
        QString expected;
    } cases[] = {
        {"damaged main", u"morvalen.mdb"_s, "SQLite format 3\0garbage garbage garbage", u"خراب است"_s},
        {"missing texts", u"Theme.skn"_s, {}, u"پيدا نشد"_s},
        {"damaged sections", u"NNPic.mdb"_s, QByteArray(8192, 'x'), u"خراب است"_s},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder broken;
        const QString path = broken.file(c.file);
        if (c.content.isEmpty()) {
            ASSERT_TRUE(QFile::remove(path));
        } else {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.content);
        }
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        EXPECT_FALSE(OpenProgramFolder({broken.path(), broken.path() + u"/unused"_s, QString()})) << c.what;
        ASSERT_EQ(MessageBox::shown().size(), 1) << c.what;
        const auto& box = MessageBox::shown()[0];
        EXPECT_EQ(box.title, u"خطا"_s) << c.what;
        EXPECT_EQ(box.icon, MessageBox::Icon::Critical) << c.what;
        EXPECT_TRUE(box.text.contains(c.file)) << c.what;
        EXPECT_TRUE(box.text.contains(c.expected)) << c.what << ": " << box.text.toStdString();
    }
}

TEST_F(Startup, DatabaseOfANewerReleaseIsRefused) {
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec(u"PRAGMA user_version = %1"_s.arg(CurrentSchemaVersion() + 1)));
    }
    MessageBox::setNextAnswer(QMessageBox::Ok);
    EXPECT_FALSE(OpenProgramFolder({folder.path(), folder.path() + u"/unused"_s, QString()}));
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].title, u"خطا"_s);
    EXPECT_TRUE(MessageBox::shown()[0].text.contains(u"نسخه جديدتري از برنامه"_s));
}

TEST_F(Startup, UnusableDataFolderGivesAMessage) {
    QTemporaryDir exe;
    QFile blocker(exe.path() + u"/file"_s);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    // The data folder would have to be made inside a plain file.
    EXPECT_FALSE(OpenProgramFolder(
        {exe.path(), blocker.fileName() + u"/Morvalen"_s, test::TempProgramFolder::seedFolder()}));
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].title, u"خطا"_s);
}

} // namespace
} // namespace morvalen
