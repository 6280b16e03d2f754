#pragma once

#include <string_view>

namespace morvalen {

// The skin a theme number selects: a style file under the program folder and a colour
// scheme in it. Both are empty for no skin (the system's own look).
struct SkinChoice {
    std::string_view styleFile; // "Styles/Office2010.cjstyles"
    std::string_view scheme;    // "NormalBlue.ini"
    bool none() const { return styleFile.empty(); }
};

// Only the whole numbers 1 to 23 select a skin; any other value, fractions included, none.
SkinChoice SkinForTheme(double themeNumber);

} // namespace morvalen
