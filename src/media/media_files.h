// The fixed files the program names, as literal paths under the media root.
#pragma once

namespace korivanta {

inline constexpr char16_t kDatabasePath[] = u"C:\\Trab_zumel\\diccionario.mdb";
inline constexpr char16_t kInstructionAnimation[] = u"c:\\Trab_zumel\\animaciones\\anima_adivina.gif";
inline constexpr char16_t kInstructionSound[] = u"c:\\Trab_zumel\\sonido\\instrucciones\\adivinar_palabra.wav";
inline constexpr char16_t kHandAnimation[] = u"c:\\Trab_zumel\\la_mano.gif";
inline constexpr char16_t kPraiseSound[] = u"c:\\Trab_zumel\\sonido\\bien.wav";
// The keyboard builds a grapheme's sound path as this folder + grapheme + ".wav".
inline constexpr char16_t kKeyboardSoundFolder[] = u"c:\\Trab_zumel\\grafemario\\";

// Where the word list puts each word's own picture and sound (the database
// names them per row; the game itself uses whatever the row says).
inline constexpr char16_t kWordPictureFolder[] = u"c:\\Trab_zumel\\dibujos\\";
inline constexpr char16_t kWordSoundFolder[] = u"c:\\Trab_zumel\\sonido\\palabras\\";

} // namespace korivanta
