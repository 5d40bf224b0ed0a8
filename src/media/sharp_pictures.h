// Sharper pictures for screens whose device pixel ratio is above 1 (a HiDPI
// laptop, or QT_SCALE_FACTOR=2 on a projector): the asset pipeline puts a
// copy with twice the pixels each way beside every picture and animation,
// named <name>@2x.<ext> as Qt names them. Drawn with device pixel ratio 2, it
// takes the same place and size as the picture it stands for.
#pragma once

#include <QString>

namespace korivanta {

// The device pixel ratio of the copies beside the pictures.
inline constexpr qreal kSharpRatio = 2.0;

// The name of the copy at twice the size beside a file: "a/b.bmp" -> "a/b@2x.bmp".
QString sharpName(const QString &file);

// The file to read for the picture in file (a local path or a ":/" resource):
// its @2x copy when the screen's device pixel ratio is above 1 and both the
// picture and its copy exist; otherwise file itself. At ratio 1 no other file
// is looked at.
QString sharperFile(const QString &file);

} // namespace korivanta
