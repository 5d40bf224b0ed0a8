// The windows name the fonts they were drawn with ("MS Sans Serif", "Arial",
// …); where those are missing, metric-compatible or look-alike fonts from
// Debian stand in for them.
#pragma once

namespace korivanta {

void installFontSubstitutes();

// Looks up every font the windows name, so that the first window that uses
// one does not wait for the font system.
void prepareFonts();

} // namespace korivanta
