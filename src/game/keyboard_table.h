// The grapheme keyboard: one row per key of the Image10 array.
#pragma once

#include <QRect>
#include <QStringView>

#include <array>

namespace korivanta {

enum class KeyClass { Simple, Aspirated, Glottalized };

struct KeyRow {
    int left, top, width, height;    // twips, inside the game window
    const char16_t *letters;         // what the key picture shows
    KeyClass keyClass;               // green, yellow or red oval
    int pictureWidth, pictureHeight; // pixels
    const char16_t *tooltip;         // nullptr: no tooltip
    const char16_t *grapheme;        // what the key enters
    int overlay;                     // the Image41 element that greys this key
};

inline constexpr std::array<KeyRow, 32> kKeyboard{{
    {2640, 4440, 720, 495, u"I", KeyClass::Simple, 48, 33, nullptr, u"i", 3},
    {5040, 4440, 720, 510, u"A", KeyClass::Simple, 48, 34, nullptr, u"a", 0},
    {4320, 4440, 675, 480, u"W", KeyClass::Simple, 45, 32, nullptr, u"w", 1},
    {3480, 4440, 675, 480, u"X", KeyClass::Simple, 45, 32, nullptr, u"x", 2},
    {1920, 4440, 675, 480, u"\u00CF", KeyClass::Simple, 45, 32, nullptr, u"\u00EF", 4},
    {1080, 4440, 825, 525, u"P'", KeyClass::Glottalized, 55, 35, u"P Glotalizada", u"p'", 5},
    {720, 5040, 825, 525, u"Q'", KeyClass::Glottalized, 55, 35, u"Q Glotalizada", u"q'", 6},
    {1680, 5040, 780, 510, u"CH", KeyClass::Simple, 52, 34, nullptr, u"ch", 7},
    {2640, 5040, 675, 480, u"R", KeyClass::Simple, 45, 32, nullptr, u"r", 8},
    {3480, 5040, 675, 480, u"N", KeyClass::Simple, 45, 32, nullptr, u"n", 9},
    {4320, 5040, 780, 510, u"LL", KeyClass::Simple, 52, 34, nullptr, u"ll", 10},
    {5160, 5040, 795, 570, u"\u00C4", KeyClass::Simple, 53, 38, nullptr, u"\u00E4", 11},
    {5830, 4320, 825, 525, u"Th", KeyClass::Aspirated, 55, 35, u"T Aspirada", u"th", 12},
    {6240, 4920, 840, 570, u"CHh", KeyClass::Aspirated, 56, 38, u"Ch Aspirada", u"chh", 13},
    {480, 5640, 825, 525, u"K'", KeyClass::Glottalized, 55, 35, u"K Glotalizada", u"k'", 14},
    {1320, 5640, 675, 480, u"J", KeyClass::Simple, 45, 32, nullptr, u"j", 15},
    {2040, 5640, 675, 480, u"P", KeyClass::Simple, 45, 32, nullptr, u"p", 16},
    {2880, 5640, 675, 480, u"T", KeyClass::Simple, 45, 32, nullptr, u"t", 17},
    {3720, 5640, 675, 480, u"U", KeyClass::Simple, 45, 32, nullptr, u"u", 18},
    {4440, 5640, 675, 480, u"\u00DC", KeyClass::Simple, 45, 32, nullptr, u"\u00FC", 19},
    {5160, 5640, 675, 480, u"M", KeyClass::Simple, 45, 32, nullptr, u"m", 20},
    {5880, 5520, 675, 480, u"Q", KeyClass::Simple, 45, 32, nullptr, u"q", 21},
    {6600, 5520, 825, 525, u"Qh", KeyClass::Aspirated, 55, 35, u"Q Aspirada", u"qh", 22},
    {360, 6240, 825, 525, u"CH'", KeyClass::Glottalized, 55, 35, u"Ch Glotalizada", u"ch'", 23},
    {1200, 6240, 825, 525, u"T'", KeyClass::Glottalized, 55, 35, u"T Glotalizada", u"t'", 24},
    {2160, 6240, 675, 510, u"\u00D1", KeyClass::Simple, 45, 34, nullptr, u"\u00F1", 25},
    {2880, 6240, 675, 480, u"K", KeyClass::Simple, 45, 32, nullptr, u"k", 26},
    {3600, 6240, 675, 480, u"Y", KeyClass::Simple, 45, 32, nullptr, u"y", 27},
    {4440, 6240, 675, 480, u"L", KeyClass::Simple, 45, 32, nullptr, u"l", 28},
    {5160, 6240, 675, 480, u"S", KeyClass::Simple, 45, 32, nullptr, u"s", 29},
    {5880, 6120, 825, 525, u"Kh", KeyClass::Aspirated, 55, 35, u"K Aspirada", u"kh", 30},
    {6720, 6120, 825, 525, u"Ph", KeyClass::Aspirated, 55, 35, u"P Aspirada", u"ph", 31},
}};

// The key that overlay k lies over.
constexpr int keyUnderOverlay(int overlay)
{
    for (int key = 0; key < int(kKeyboard.size()); ++key)
        if (kKeyboard[key].overlay == overlay)
            return key;
    return -1;
}

} // namespace korivanta
