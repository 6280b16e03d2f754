#include "core/ThemeTable.h"

#include <array>
#include <cmath>

namespace morvalen {

namespace {

// Several numbers give the same look (4 and 9, 14 and 20, 21 and 23); theme 1 has always
// spelt its scheme with a lower-case "b".
constexpr std::array<SkinChoice, 23> kThemes{{
    {"Styles/Le5", "Normalblue.ini"},
    {"Styles/WinXP.Luna.cjstyles", "NormalHomestead.ini"},
    {"Styles/WinXP.Luna.cjstyles", "NormalMetallic.ini"},
    {"Styles/WinXP.Royale.cjstyles", "NormalRoyale.ini"},
    {"Styles/zune.msstyles", "NormalDefault.ini"},
    {"Styles/iTunes", "Normalitunes.ini"},
    {"Styles/Windows8.cjstyles", "NormalAero.ini"},
    {"Styles/WinXP.Luna.cjstyles", "NormalBlue.ini"},
    {"Styles/WinXP.Royale.cjstyles", "NormalRoyale.ini"},
    {"Styles/Office2007.cjstyles", "NormalBlue.ini"},
    {"Styles/Office2007.cjstyles", "NormalBlack.ini"},
    {"Styles/Office2007.cjstyles", "NormalSilver.ini"},
    {"Styles/Office2007.cjstyles", "NormalAqua.ini"},
    {"Styles/Office2010.cjstyles", "NormalBlue.ini"},
    {"Styles/Office2010.cjstyles", "NormalBlack.ini"},
    {"Styles/Office2010.cjstyles", "NormalSilver.ini"},
    {"Styles/Vista.cjstyles", "NormalBlue.ini"},
    {"Styles/Vista.cjstyles", "NormalBlack.ini"},
    {"Styles/Vista.cjstyles", "NormalSilver.ini"},
    {"Styles/Office2010.cjstyles", "NormalBlue.ini"},
    {"Styles/Codejock.cjstyles", "NormalBlue.ini"},
    {"Styles/Codejock.cjstyles", "NormalBlack.ini"},
    {"Styles/Codejock.cjstyles", "NormalBlue.ini"},
}};

} // namespace

SkinChoice SkinForTheme(double themeNumber) {
    if (!(themeNumber >= 1 && themeNumber <= 23) || std::floor(themeNumber) != themeNumber) {
        return {};
    }
    return kThemes[static_cast<std::size_t>(themeNumber) - 1];
}

} // namespace morvalen
