#pragma once

#include <cstdint>

// The BIFF8 record identifiers our .xls writer writes and our .xls reader reads.
namespace morvalen::biff8 {

enum : std::uint16_t {
    kBof = 0x0809,
    kEof = 0x000A,
    kCodepage = 0x0042,
    kWindow1 = 0x003D,
    kFont = 0x0031,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kDimensions = 0x0200,
    kColInfo = 0x007D,
    kWindow2 = 0x023E,
    kLabelSst = 0x00FD,
    kLabel = 0x0204,
    kNumber = 0x0203,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kBoolErr = 0x0205,
    kFormula = 0x0006,
    kString = 0x0207,
};

} // namespace morvalen::biff8
