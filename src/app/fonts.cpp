#include "app/fonts.h"

#include <QFont>
#include <QFontMetrics>
#include <QStringList>

#include <vector>

namespace korivanta {

namespace {

struct Substitute {
    const char *family;
    QStringList standIns;
};

const std::vector<Substitute> &substitutes()
{
    static const std::vector<Substitute> table = {
        // Liberation Sans has Arial's metrics; the old MS Sans Serif bitmap
        // font is closest to it at the small sizes the menus use.
        {"MS Sans Serif", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
        {"Arial", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
        {"Arial Black", {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}},
        {"Times New Roman", {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")}},
        {"Comic Sans MS", {QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans")}},
    };
    return table;
}

} // namespace

void installFontSubstitutes()
{
    for (const Substitute &s : substitutes())
        QFont::insertSubstitutions(QString::fromLatin1(s.family), s.standIns);
}

void prepareFonts()
{
    for (const Substitute &s : substitutes()) {
        for (bool bold : {false, true}) {
            QFont f(QString::fromLatin1(s.family));
            f.setBold(bold);
            QFontMetrics(f).height();
        }
    }
}

} // namespace korivanta
