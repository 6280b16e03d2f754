// The about window and the site command.
#include "shell/Desktop.h"
#include "support/GuiFixture.h"
#include "views/AboutWindow.h"
#include "views/ViewCommands.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class About : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        context.updateBaseUrl = QUrl(u"https://morvalen.example"_s);
        Desktop::setOpenerForTests([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
    }
    void TearDown() override {
        Desktop::setOpenerForTests({});
        GuiFixture::TearDown();
    }
    QVector<QUrl> opened;
};

TEST_F(About, ShowsTheVersionAndOpensOnlyTheThreeLinks) {
    QWidget main;
    main.show();
    auto* about = new AboutWindow(context, &main);
    about->show();
    EXPECT_EQ(about->windowTitle(), u"About Morvalen"_s);
    EXPECT_TRUE(QRegularExpression(u"^ورژن نرم افزار شما: \\d+\\.\\d+\\.\\d+$"_s)
                    .match(about->m_versionLabel->text())
                    .hasMatch())
        << about->m_versionLabel->text().toStdString();
    EXPECT_EQ(about->m_itemCountLabel->text(), u"تعداد سوالات 232"_s);
    EXPECT_EQ(about->m_releaseDateLabel->text(), u"تاريخ توليد نرم افزار: آبانماه 1401"_s);
    EXPECT_EQ(about->m_shopLabel->toolTip(), u"جهت ورود به فروشگاه كليك كنيد"_s);
    EXPECT_EQ(about->m_messagingLabel->toolTip(), u"جهت ورود به واتساپ كليك كنيد"_s);
    EXPECT_EQ(about->m_siteLabel->toolTip(), u"جهت ورود به سايت كليك كنيد"_s);
    EXPECT_FALSE(main.isEnabled());

    QTest::mouseClick(about->m_contactHeadingLabel, Qt::LeftButton);
    QTest::mouseClick(about->m_versionLabel, Qt::LeftButton);
    EXPECT_TRUE(opened.isEmpty()) << "the heading and the version line open nothing";
    for (QLabel* link : {about->m_shopLabel, about->m_messagingLabel, about->m_siteLabel}) {
        QTest::mouseClick(link, Qt::LeftButton);
    }
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], QUrl(u"https://morvalen.example/shop"_s));
    EXPECT_EQ(opened[1], QUrl(u"https://morvalen.example/chat"_s));
    EXPECT_EQ(opened[2], QUrl(u"https://morvalen.example/"_s));
    for (const QUrl& url : opened) {
        EXPECT_EQ(url.scheme(), u"https"_s);
    }
    QTest::mouseClick(about->m_closeButton, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main.isEnabled());
}

TEST_F(About, SiteCommandOpensTheSiteInTheBrowser) {
    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    MainWindow* main = MainWindow::ShowMain(context, services);
    main->runCommand(147);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(u"https://morvalen.example/"_s));
    main->runCommand(145);
    EXPECT_EQ(visibleWindows<AboutWindow>().size(), 1);
}

} // namespace
} // namespace morvalen
