// The windows name the fonts they were drawn with ("MS Sans Serif", "Arial",
// …); where those are missing, metric-compatible or look-alike fonts from
// Debian stand in for them.
#pragma once

class QFont;

namespace korivanta {

void installFontSubstitutes();

// Picks the face for a font the windows name. A family whose ordinary face
// is heavy ("Arial Black") gets, where it is missing, the heaviest upright face
// installed of the family that stands in for it; other fonts are left as they
// are.
void chooseFace(QFont &font);

// Looks up every font the windows name, so that the first window that uses
// one does not wait for the font system.
void prepareFonts();

} // namespace korivanta
