#pragma once

// The maker's web address, set by the build option MORVALEN_MAKER_SITE (see README.md). Its
// host name names the worksheet of the answer workbook; the whole address is the site and the
// update server of the released program.
namespace morvalen {

#ifndef MORVALEN_MAKER_SITE
#error "MORVALEN_MAKER_SITE comes from src/core/CMakeLists.txt"
#endif

inline constexpr char kMakerDomain[] = MORVALEN_MAKER_DOMAIN;
inline constexpr char kMakerSite[] = MORVALEN_MAKER_SITE;

// The host names used before (MORVALEN_FORMER_MAKER_DOMAINS, the placeholder by default):
// blank workbooks saved under them are still answer workbooks.
inline constexpr const char* kFormerMakerDomains[] = {MORVALEN_FORMER_MAKER_DOMAINS nullptr};

} // namespace morvalen
