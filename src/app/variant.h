// A value that is unset or holds a 16-bit integer, a 32-bit integer, a double or
// a text; its kind follows the last value assigned. Unset equals 0 and the empty
// text and shows as the empty text; numbers show as their plain decimal digits.
#pragma once

#include <QString>

#include <cstdint>
#include <variant>

namespace korivanta {

class Variant {
public:
    enum class Kind { Unset, Integer, Long, Double, Text };

    Variant() = default;
    Variant(std::int16_t v) : m_value(v) {}
    Variant(std::int32_t v) : m_value(v) {}
    Variant(double v) : m_value(v) {}
    Variant(const QString &v) : m_value(v) {}
    Variant(const char16_t *v) : m_value(QString::fromUtf16(v)) {}

    Kind kind() const { return Kind(m_value.index()); }
    bool isUnset() const { return kind() == Kind::Unset; }
    bool isNumber() const { return kind() == Kind::Integer || kind() == Kind::Long || kind() == Kind::Double; }

    // The number it holds (unset is 0; a text is its numeric value, or 0).
    double toDouble() const;
    // How it shows in a text box or label.
    QString toString() const;

    bool operator==(int number) const;
    bool operator==(const QString &text) const;

    // Arithmetic keeps the widest kind of the two operands and widens further
    // on overflow (16-bit to 32-bit to double), as the game's score needs.
    friend Variant operator+(const Variant &a, const Variant &b);
    friend Variant operator-(const Variant &a, const Variant &b);

private:
    std::variant<std::monostate, std::int16_t, std::int32_t, double, QString> m_value;
};

} // namespace korivanta
