#pragma once

#include <cstdint>

namespace lumicap {

// A picture's pixel density as the first Exif directory states it: X and Y
// resolution as fractions, and their unit (1 none, the numbers give only the
// aspect ratio; 2 inch; 3 centimetre). By default what a new Exif block says
// when nothing else in the file tells: 72 dpi.
struct Resolution
{
    std::uint32_t x = 72;
    std::uint32_t xPer = 1;
    std::uint32_t y = 72;
    std::uint32_t yPer = 1;
    std::uint16_t unit = 2;
};

} // namespace lumicap
