// The glyph of the window's close button, a 23 by 23 close tile drawn in code
// instead of being shipped as an image: a coral rounded square with a white
// cross on green.
// The green is the key colour: the glyph is shown with the colour of its
// bottom-left pixel made transparent.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QToolButton>

namespace rk::app {

inline constexpr int kCloseGlyphSize = 23;

// The 24-bit tile, green surroundings included.
QImage closeTileGlyph();

// `glyph` with every pixel of its bottom-left pixel's colour transparent.
QImage transparentByBottomLeft(const QImage& glyph);

// A tool button that draws its glyph pixel for pixel over the push-button
// face, centred (halves toward the top left) and one pixel down and right
// while pressed. A tool button's icon would be scaled into the room its
// frame leaves (18 by 18 for the 23 by 22 close button) and smoothed.
class GlyphButton : public QToolButton {
public:
    explicit GlyphButton(const QImage& glyph, QWidget* parent = nullptr);
    // Where the glyph's top left is drawn.
    QPoint glyphOrigin() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_glyph;
};

} // namespace rk::app
