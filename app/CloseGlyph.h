// The glyph of ButtonX, a 23 by 23 close tile drawn in code instead of being
// shipped as an image: a coral rounded square with a white cross on green.
// The green is the key colour: the glyph is shown with the colour of its
// bottom-left pixel made transparent.
#pragma once

#include <QImage>
#include <QPixmap>

namespace rk::app {

inline constexpr int kCloseGlyphSize = 23;

// The 24-bit tile, green surroundings included.
QImage CloseTileGlyph();

// `glyph` with every pixel of its bottom-left pixel's colour transparent.
QImage TransparentByBottomLeft(const QImage& glyph);

} // namespace rk::app
