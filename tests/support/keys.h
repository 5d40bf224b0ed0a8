// Finding keys of the grapheme keyboard by the grapheme they enter.
#pragma once

#include "game/keyboard_table.h"

#include <QString>

namespace korivanta {

inline int keyFor(const QString &grapheme)
{
    for (int i = 0; i < int(kKeyboard.size()); ++i)
        if (QString::fromUtf16(kKeyboard[i].grapheme) == grapheme)
            return i;
    qFatal("no key enters %s", qPrintable(grapheme));
}

} // namespace korivanta
