// The application's look: skins on every window, the group box titles, the window titles.
#include "shell/Skin.h"
#include "support/GuiFixture.h"

#include <QGroupBox>
#include <QStyleOptionGroupBox>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class Skin : public test::GuiFixture {
protected:
    void TearDown() override {
        ApplyTheme(*qApp, folder.path(), u"0"_s);
        GuiFixture::TearDown();
    }
};

// A group box that tells where its style puts the title.
class TitledBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;
    QRect titleRect() {
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    }
};

TEST_F(Skin, GroupBoxTitlesStartAtTheReadingSide) {
    // Skinned and unskinned, the title of a right-to-left box stands at its top right, and
    // that of a left-to-right box at its top left.
    for (const QString& theme : {u"0"_s, u"1"_s, u"9"_s, u"23"_s}) {
        SCOPED_TRACE(theme.toStdString());
        ApplyTheme(*qApp, folder.path(), theme);
        for (const Qt::LayoutDirection direction : {Qt::RightToLeft, Qt::LeftToRight}) {
            auto* box = new TitledBox(u"راهنما"_s);
            box->setLayoutDirection(direction);
            box->resize(400, 200);
            box->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
            const QRect title = box->titleRect();
            ASSERT_TRUE(title.isValid());
            EXPECT_LT(title.top(), 30);
            if (direction == Qt::RightToLeft) {
                EXPECT_GT(title.left(), box->width() / 2) << "title at " << title.left();
            } else {
                EXPECT_LT(title.right(), box->width() / 2) << "title at " << title.left();
            }
        }
    }
}

TEST_F(Skin, WindowTitlesCarryNoApplicationName) {
    // A display name of its own would be appended to every window title by the system
    // ("پيام — Morvalen"). Without one, the display name follows the application's name.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(u"probe"_s);
    const QString display = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(name);
    EXPECT_EQ(display, u"probe"_s);
    EXPECT_EQ(name, u"Morvalen"_s);
}

} // namespace
} // namespace morvalen
