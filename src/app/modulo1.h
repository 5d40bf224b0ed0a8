// Módulo1: the state the two windows share for the whole run. All four start
// unset at every start of the program and are never saved.
#pragma once

#include "app/variant.h"

namespace korivanta::Modulo1 {

inline Variant categoriaActual; // the category code chosen on the menu
inline Variant puntaje;         // the score
inline Variant vidas;           // the tries left for the current word
inline Variant sonidoPalabra;   // the current word's sound file, or the empty text

// Back to the state of a fresh start (tests use it between cases).
inline void reset()
{
    categoriaActual = puntaje = vidas = sonidoPalabra = Variant();
}

} // namespace korivanta::Modulo1
