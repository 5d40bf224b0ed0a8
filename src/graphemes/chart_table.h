// The grapheme chart: one row per clickable area of the Image75 array, in the
// chart's own order (row by row), which is not the keyboard's order.
#pragma once

#include <array>

namespace korivanta {

struct ChartRow {
    int left, top, width, height; // twips, inside Frame2
    const char16_t *letters;      // the letter printed on the chart under the area
    const char16_t *grapheme;
    const char16_t *soundPath; // the sound the area plays, as the panel names it
};

inline constexpr std::array<ChartRow, 32> kChart{{
    {5400, 1320, 255, 255, u"P", u"p", u"c:\\Trab_zumel\\Grafemario\\p.wav"},
    {6000, 1320, 255, 255, u"T", u"t", u"c:\\Trab_zumel\\Grafemario\\t.wav"},
    {6720, 1320, 375, 255, u"CH", u"ch", u"c:\\Trab_zumel\\Grafemario\\ch.wav"},
    {7560, 1320, 375, 255, u"K", u"k", u"c:\\Trab_zumel\\Grafemario\\k.wav"},
    {8280, 1320, 375, 255, u"Q", u"q", u"c:\\Trab_zumel\\Grafemario\\q.wav"},
    {5400, 1800, 375, 375, u"Ph", u"ph", u"c:\\Trab_zumel\\Grafemario\\ph.wav"},
    {6000, 1800, 375, 375, u"Th", u"th", u"c:\\Trab_zumel\\Grafemario\\th.wav"},
    {6720, 1800, 495, 375, u"CHh", u"chh", u"c:\\Trab_zumel\\Grafemario\\chh.wav"},
    {7560, 1800, 375, 375, u"Kh", u"kh", u"c:\\Trab_zumel\\Grafemario\\kh.wav"},
    {8280, 1800, 495, 375, u"Qh", u"qh", u"c:\\Trab_zumel\\Grafemario\\qh.wav"},
    {5400, 2280, 375, 375, u"P'", u"p'", u"c:\\Trab_zumel\\Grafemario\\p'.wav"},
    {6000, 2280, 375, 375, u"T'", u"t'", u"c:\\Trab_zumel\\Grafemario\\t'.wav"},
    {6720, 2280, 495, 375, u"CH'", u"ch'", u"c:\\Trab_zumel\\Grafemario\\ch'.wav"},
    {7560, 2280, 375, 375, u"K'", u"k'", u"c:\\Trab_zumel\\Grafemario\\k'.wav"},
    {8280, 2280, 495, 375, u"Q'", u"q'", u"c:\\Trab_zumel\\Grafemario\\q'.wav"},
    {6000, 2760, 375, 375, u"S", u"s", u"c:\\Trab_zumel\\Grafemario\\s.wav"},
    {7560, 2760, 375, 375, u"J", u"j", u"c:\\Trab_zumel\\Grafemario\\j.wav"},
    {8400, 2760, 375, 375, u"X", u"x", u"c:\\Trab_zumel\\Grafemario\\x.wav"},
    {6000, 3230, 375, 375, u"L", u"l", u"c:\\Trab_zumel\\Grafemario\\l.wav"},
    {6720, 3240, 495, 375, u"LL", u"ll", u"c:\\Trab_zumel\\Grafemario\\ll.wav"},
    {5400, 3680, 375, 375, u"M", u"m", u"c:\\Trab_zumel\\Grafemario\\m.wav"},
    {6000, 3680, 390, 300, u"N", u"n", u"c:\\Trab_zumel\\Grafemario\\n.wav"},
    {6720, 3670, 495, 375, u"\u00D1", u"\u00F1", u"c:\\Trab_zumel\\Grafemario\\\u00F1.wav"},
    {6000, 4080, 375, 375, u"R", u"r", u"c:\\Trab_zumel\\Grafemario\\r.wav"},
    {5400, 4560, 495, 375, u"W", u"w", u"c:\\Trab_zumel\\Grafemario\\w.wav"},
    {6720, 4560, 375, 375, u"Y", u"y", u"c:\\Trab_zumel\\Grafemario\\y.wav"},
    {480, 4920, 255, 255, u"I", u"i", u"c:\\Trab_zumel\\Grafemario\\i.wav"},
    {1320, 4920, 255, 255, u"U", u"u", u"c:\\Trab_zumel\\Grafemario\\u.wav"},
    {840, 5520, 375, 255, u"A", u"a", u"c:\\Trab_zumel\\Grafemario\\a.wav"},
    {2040, 5280, 375, 495, u"\u00C4", u"\u00E4", u"c:\\Trab_zumel\\Grafemario\\\u00E4.wav"},
    {2520, 5280, 375, 495, u"\u00CF", u"\u00EF", u"c:\\Trab_zumel\\Grafemario\\\u00EF.wav"},
    {3120, 5280, 375, 495, u"\u00DC", u"\u00FC", u"c:\\Trab_zumel\\Grafemario\\\u00FC.wav"},
}};

// What the chart shows besides its letters, as text for a screen reader: its
// title, the explanation on its left, the order of its rows and columns and
// its legend.
inline constexpr const char16_t *kChartExplanation =
    u"Grafemario aymara. El alfabeto aymara tiene 26 consonantes y 3 vocales. Las consonantes pueden ser "
    u"simples, aspiradas o glotalizadas. Las oclusivas van en cinco columnas, según dónde se pronuncian: "
    u"bilabial (p), dental (t), palatal (ch), velar (k) y postvelar (q); en cada columna, arriba la simple, "
    u"en medio la aspirada y abajo la glotalizada. Debajo están las demás consonantes: s, j, x, l, ll, m, n, "
    u"ñ, r, w, y. Las vocales son i, u, a, y el alargamiento vocálico se escribe ä, ï, ü. Pulsa una letra "
    u"para escuchar su sonido.";

} // namespace korivanta
