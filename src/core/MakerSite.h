#pragma once

// The maker's web domain. It names the worksheet of the answer workbook, and with https in front
// it is the site and the update server of the released program.
namespace morvalen {

inline constexpr char kMakerDomain[] = "morvalen.example";
inline constexpr char kMakerSite[] = "https://morvalen.example";

} // namespace morvalen
