// Rectangles of the game window's controls, in twips, as the window is drawn.
// The keys and the chart's areas have tables of their own.
#pragma once

#include <array>
#include <string_view>

namespace korivanta {

struct ControlRect {
    std::string_view name;
    int left, top, width, height;
};

inline constexpr int kConObjClientWidth = 10605;
inline constexpr int kConObjClientHeight = 8145;
inline constexpr int kConObjLeft = 1185;
inline constexpr int kConObjTop = 570;

// Controls directly on the window.
inline constexpr std::array<ControlRect, 22> kConObjControls{{
    {"Image4", 600, 720, 2535, 1935},    {"Label3", 3960, 240, 2415, 375},     {"Label1", 4800, 840, 1575, 375},
    {"Text5", 4680, 1560, 2175, 450},    {"Text3", 9240, 6360, 735, 360},      {"Text4", 9120, 6720, 615, 375},
    {"Text1", 840, 1080, 2055, 375},     {"Text2", 4560, 480, 1815, 285},      {"Data1", 5040, 120, 1140, 375},
    {"Image2", 7680, 600, 975, 975},     {"Image5", 9360, 480, 975, 1095},     {"Image6", 7680, 2520, 975, 855},
    {"Image7", 9360, 2520, 975, 855},    {"Image40", 8520, 4200, 975, 975},    {"Image1", 7920, 1800, 2535, 3375},
    {"Image73", 1735, 2800, 1470, 1005}, {"Image74", 4615, 2850, 1395, 1035},  {"Picture1", 5520, 2150, 4200, 2130},
    {"Frame2", 480, 1440, 9135, 6015},   {"Marchoso2", 6990, 160, 3375, 2415}, {"Marchoso1", 4670, 1410, 2205, 2520},
    {"Image3", 120, 120, 8850, 5775}, // inside Frame2
}};

// Controls inside Picture1 and Frame2 (besides the chart's areas).
inline constexpr std::array<ControlRect, 4> kInnerControls{{
    {"Command38", 1800, 3480, 1455, 495}, // Frame2
    {"Command1", 3120, 1200, 495, 375},   // Picture1
    {"Label11", 1560, 730, 1695, 240},    // Picture1
    {"Label12", 1200, 1560, 1695, 375},   // Picture1
}};

constexpr const ControlRect &controlRect(std::string_view name)
{
    for (const auto &c : kConObjControls)
        if (c.name == name)
            return c;
    for (const auto &c : kInnerControls)
        if (c.name == name)
            return c;
    throw "unknown control"; // compile-time error when used in a constant expression
}

} // namespace korivanta
