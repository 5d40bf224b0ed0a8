#include "app/variant.h"

#include <cmath>
#include <limits>

namespace korivanta {

double Variant::toDouble() const
{
    switch (kind()) {
    case Kind::Unset: return 0;
    case Kind::Integer: return std::get<std::int16_t>(m_value);
    case Kind::Long: return std::get<std::int32_t>(m_value);
    case Kind::Double: return std::get<double>(m_value);
    case Kind::Text: {
        bool ok = false;
        const double d = std::get<QString>(m_value).trimmed().toDouble(&ok);
        return ok ? d : 0;
    }
    }
    return 0;
}

QString Variant::toString() const
{
    switch (kind()) {
    case Kind::Unset: return {};
    case Kind::Integer: return QString::number(std::get<std::int16_t>(m_value));
    case Kind::Long: return QString::number(std::get<std::int32_t>(m_value));
    case Kind::Double: return QString::number(std::get<double>(m_value), 'g', 15);
    case Kind::Text: return std::get<QString>(m_value);
    }
    return {};
}

bool Variant::operator==(int number) const
{
    if (kind() == Kind::Text) {
        bool ok = false;
        const double d = std::get<QString>(m_value).trimmed().toDouble(&ok);
        return ok && d == number;
    }
    return toDouble() == number;
}

bool Variant::operator==(const QString &text) const
{
    if (isUnset())
        return text.isEmpty();
    return toString() == text;
}

namespace {

Variant fromWide(double value, Variant::Kind atLeast)
{
    if (atLeast == Variant::Kind::Integer && value >= std::numeric_limits<std::int16_t>::min() &&
        value <= std::numeric_limits<std::int16_t>::max())
        return Variant(std::int16_t(value));
    if (atLeast != Variant::Kind::Double && value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max())
        return Variant(std::int32_t(value));
    return Variant(value);
}

Variant::Kind arithmeticKind(const Variant &a, const Variant &b)
{
    auto numericKind = [](const Variant &v) {
        switch (v.kind()) {
        case Variant::Kind::Unset: return Variant::Kind::Integer;
        case Variant::Kind::Text: return Variant::Kind::Double;
        default: return v.kind();
        }
    };
    return std::max(numericKind(a), numericKind(b));
}

} // namespace

Variant operator+(const Variant &a, const Variant &b)
{
    if (a.kind() == Variant::Kind::Text && b.kind() == Variant::Kind::Text)
        return Variant(a.toString() + b.toString());
    return fromWide(a.toDouble() + b.toDouble(), arithmeticKind(a, b));
}

Variant operator-(const Variant &a, const Variant &b)
{
    return fromWide(a.toDouble() - b.toDouble(), arithmeticKind(a, b));
}

} // namespace korivanta
