// The glossy oval of a key picture, in the picture's own pixels. A key picture
// and its grey copy show the button only on the pixels of this oval; every
// other pixel is the scene under the key, so the keys sit on the condor's
// poncho without a seam. korivanta-tables hands the oval and its pixel mask to
// the asset pipeline, which draws the button and cuts it out by them; the
// pictures' checks use the same functions.
#pragma once

namespace korivanta {

struct KeyOval {
    double cx, cy; // centre
    double rx, ry; // radii of the button's rim (the centre line of its stroke)
};

constexpr KeyOval keyOval(int width, int height)
{
    return {width / 2.0, height / 2.0 - 0.5, width / 2.0 - 1.6, height / 2.0 - 2.2};
}

// How far beyond the rim the button's drawing reaches: half the rim's stroke,
// its antialiased edge and the soft shadow under the button.
inline constexpr double kKeyOvalReach = 1.5;

// Whether pixel (x, y) of a width x height key picture belongs to the button:
// its centre lies inside the rim grown by kKeyOvalReach.
constexpr bool keyOvalCovers(int width, int height, int x, int y)
{
    const KeyOval o = keyOval(width, height);
    const double dx = (x + 0.5 - o.cx) / (o.rx + kKeyOvalReach);
    const double dy = (y + 0.5 - o.cy) / (o.ry + kKeyOvalReach);
    return dx * dx + dy * dy <= 1.0;
}

} // namespace korivanta
