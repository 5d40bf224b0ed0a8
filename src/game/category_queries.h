// The category codes: the query that selects each category's words and, for
// the five categories on the menu, the title the board shows.
#pragma once

#include "app/variant.h"

#include <array>
#include <optional>

namespace korivanta {

struct CategoryQuery {
    int code;
    const char16_t *query;
    const char16_t *boardTitle; // nullptr: the board keeps its title
};

inline constexpr std::array<CategoryQuery, 10> kCategoryQueries{{
    {0, u"SELECT * from nominal ;", nullptr},
    {1, u"SELECT * from nominal where categoria='naturaleza';", u"Naturaleza"},
    {2, u"SELECT * from nominal where categoria='persona';", u"Personas"},
    {3, u"SELECT * from nominal where categoria='cuerpo';", nullptr},
    {4, u"SELECT * from nominal where categoria='animal';", u"Animales"},
    {5, u"SELECT * from nominal where categoria='ave';", nullptr},
    {6, u"SELECT * from nominal where categoria='insecto';", u"Insectos"},
    {7, u"SELECT * from nominal where categoria='alimento';", nullptr},
    {8, u"SELECT * from nominal where categoria='color';", u"Colores"},
    {9, u"SELECT * from nominal where categoria='hogar';", nullptr},
}};

// The first code, from 0 to 9, that the chosen category equals (an unset
// choice equals 0); nothing when it equals none of them.
inline std::optional<CategoryQuery> categoryQueryFor(const Variant &categoriaActual)
{
    for (const CategoryQuery &c : kCategoryQueries)
        if (categoriaActual == c.code)
            return c;
    return std::nullopt;
}

} // namespace korivanta
