#include "app/fonts.h"

#include <QFont>
#include <QStringList>

namespace korivanta {

void installFontSubstitutes()
{
    struct Substitute {
        const char *family;
        QStringList standIns;
    };
    const Substitute substitutes[] = {
        // Liberation Sans has Arial's metrics; the old MS Sans Serif bitmap
        // font is closest to it at the small sizes the menus use.
        {"MS Sans Serif", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
        {"Arial", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
        {"Arial Black", {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}},
        {"Times New Roman", {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")}},
        {"Comic Sans MS", {QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans")}},
    };
    for (const Substitute &s : substitutes)
        QFont::insertSubstitutions(QString::fromLatin1(s.family), s.standIns);
}

} // namespace korivanta
