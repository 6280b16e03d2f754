#include "core/ThemeTable.h"

#include <gtest/gtest.h>

namespace morvalen {
namespace {

TEST(ThemeTable, NumbersSelectTheirStyleAndScheme) {
    const struct {
        double theme;
        const char* file;
        const char* scheme;
    } cases[] = {
        {1, "Styles/Le5", "Normalblue.ini"},
        {2, "Styles/WinXP.Luna.cjstyles", "NormalHomestead.ini"},
        {5, "Styles/zune.msstyles", "NormalDefault.ini"},
        {6, "Styles/iTunes", "Normalitunes.ini"},
        {11, "Styles/Office2007.cjstyles", "NormalBlack.ini"},
        {18, "Styles/Vista.cjstyles", "NormalBlack.ini"},
        {23, "Styles/Codejock.cjstyles", "NormalBlue.ini"},
        {24, "", ""},
        {0, "", ""},
        {2.5, "", ""},
        {-3, "", ""},
    };
    for (const auto& c : cases) {
        const SkinChoice skin = SkinForTheme(c.theme);
        EXPECT_EQ(skin.styleFile, c.file) << c.theme;
        EXPECT_EQ(skin.scheme, c.scheme) << c.theme;
    }
    for (const auto& [a, b] : {std::pair{4, 9}, std::pair{14, 20}, std::pair{21, 23}}) {
        EXPECT_EQ(SkinForTheme(a).styleFile, SkinForTheme(b).styleFile);
        EXPECT_EQ(SkinForTheme(a).scheme, SkinForTheme(b).scheme);
    }
    EXPECT_TRUE(SkinForTheme(24).none());
}

} // namespace
} // namespace morvalen
