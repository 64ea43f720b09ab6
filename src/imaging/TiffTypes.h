#pragma once

#include <cstdint>

namespace lumicap {

// The bytes one value of a TIFF field type takes (BYTE, ASCII, SHORT, LONG,
// RATIONAL and their signed kin, FLOAT, DOUBLE, IFD); 0 for a type TIFF
// does not define.
inline std::uint32_t tiffTypeSize(std::uint16_t type)
{
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7: return 1;
    case 3:
    case 8: return 2;
    case 4:
    case 9:
    case 11:
    case 13: return 4;
    case 5:
    case 10:
    case 12: return 8;
    default: return 0;
    }
}

} // namespace lumicap
