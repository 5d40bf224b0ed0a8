// Fuzzes the grapheme search and replays the keyboard's guess rules over any
// word and any sequence of key presses, checking after every press that:
// - the search finds exactly the places where the grapheme starts, in order;
// - the mask keeps the word's length and shows only the word's own characters;
// - the score, kept in the game's own Variant arithmetic, stays a whole
//   multiple of 25 and shows as plain digits;
// - the tries only go down, never below 0, and at 0 every key is covered;
// and, at the end, that a word counts as spellable exactly when every one of
// its characters lies inside an occurrence of some key's grapheme.
#include "app/variant.h"
#include "game/grapheme_search.h"
#include "game/keyboard_table.h"

#include <QString>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace korivanta;

namespace {

// Word characters the fuzzer picks from: every letter of the keyboard, and
// what a database might hold besides (upper case, blanks, decomposed marks,
// halves of surrogate pairs, the mask character itself).
const char16_t kAlphabet[] = u"iawxpqchrnltjkumsy'\u00e4\u00ef\u00fc\u00f1AIKCH .\u0308\u0303eo-\xd83d\xde00";

void check(bool ok, const char *what, const QString &word)
{
    if (ok)
        return;
    std::fprintf(stderr, "fuzz_guess: %s\n  word: %s\n", what, qUtf8Printable(word));
    std::abort();
}

QList<qsizetype> naiveOccurrences(const QString &word, const QString &g)
{
    QList<qsizetype> found;
    for (qsizetype i = 0; i + g.size() <= word.size(); ++i)
        if (QStringView(word).mid(i, g.size()) == g)
            found.append(i);
    return found;
}

} // namespace

// Input: one length byte, that many word bytes (each picks a character, or
// with the top bit set joins the next byte into any 16-bit unit), then one
// byte per key press (the key index modulo 34: 32 and 33 press nothing).
extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size == 0)
        return 0;
    size_t at = 0;
    const size_t wordBytes = data[at++];
    QString word;
    while (at < size && at <= wordBytes) {
        const unsigned char b = data[at++];
        if ((b & 0x80) && at < size)
            word += QChar(char16_t(((b & 0x7f) << 8) | data[at++]));
        else
            word += QChar(kAlphabet[b % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)]);
    }

    QString mask(word.size(), QLatin1Char('.'));
    QList<bool> revealed(word.size(), false);
    Variant score(std::int16_t(0));
    Variant tries(std::int32_t(word.size()));
    std::array<bool, 32> covered{};
    bool everyKeyPressed = true;
    std::array<bool, 32> pressed{};

    for (; at < size; ++at) {
        const int index = data[at] % 34;
        if (index >= 32)
            continue;
        const KeyRow &key = kKeyboard[index];
        if (covered[key.overlay])
            continue; // the overlay takes the click
        covered[key.overlay] = true;
        pressed[index] = true;
        const QString g = QString::fromUtf16(key.grapheme);

        const QList<qsizetype> found = graphemeOccurrences(word, g);
        check(found == naiveOccurrences(word, g), "the search finds every start, in order", word);
        const double triesBefore = tries.toDouble();
        if (!found.isEmpty()) {
            score = score + Variant(std::int16_t(50));
            for (qsizetype pos : found) {
                score = score + Variant(50.0 / 2);
                check(pos + g.size() <= word.size(), "an occurrence lies inside the word", word);
                mask.replace(pos, g.size(), g);
                for (qsizetype i = pos; i < pos + g.size(); ++i)
                    revealed[i] = true;
            }
        } else {
            if (tries.toDouble() > 0)
                tries = tries - Variant(std::int16_t(1));
            if (tries.toDouble() <= 0)
                covered.fill(true);
        }

        check(mask.size() == word.size(), "the mask keeps the word's length", word);
        for (qsizetype i = 0; i < word.size(); ++i)
            check(revealed[i] ? mask[i] == word[i] : mask[i] == QLatin1Char('.'),
                  "the mask shows the word's characters where revealed, dots elsewhere", word);
        const double s = score.toDouble();
        check(std::isfinite(s) && s >= 0 && std::fmod(s, 25.0) == 0.0, "the score is a multiple of 25", word);
        const QString shown = score.toString();
        check(!shown.isEmpty() && shown.toLongLong() == qint64(s) && !shown.contains(QLatin1Char('.')) &&
                  !shown.contains(QLatin1Char('e')),
              "the score shows as plain digits", word);
        check(tries.toDouble() <= triesBefore && tries.toDouble() >= 0, "the tries only go down", word);
    }
    for (bool p : pressed)
        everyKeyPressed = everyKeyPressed && p;

    // Spellable: every character inside some occurrence of some grapheme.
    QList<bool> inside(word.size(), false);
    for (const KeyRow &key : kKeyboard) {
        const QString g = QString::fromUtf16(key.grapheme);
        for (qsizetype pos : naiveOccurrences(word, g))
            for (qsizetype i = pos; i < pos + g.size(); ++i)
                inside[i] = true;
    }
    check(spellableWithKeyboard(word) == !inside.contains(false), "spellable means every character is reachable", word);
    if (everyKeyPressed)
        check(revealed == inside, "with every key pressed, exactly the reachable characters show", word);
    return 0;
}
