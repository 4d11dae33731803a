// Drawing of the close tile; see CloseGlyph.h. Coordinates are pixels of the
// 23 by 23 image; the tile occupies 1..21 in both directions, centre 11.
#include "app/CloseGlyph.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <algorithm>
#include <cstdlib>

namespace rk::app {

namespace {

constexpr int kFirst = 1;
constexpr int kLast = 21;
constexpr int kCentre = 11;

const QRgb kKey = qRgb(0, 255, 0);
const QRgb kOutline = qRgb(166, 57, 68);
const QRgb kHighlight = qRgb(242, 184, 158);
const QRgb kCrossEdge = qRgb(70, 30, 26);
const QRgb kWhite = qRgb(255, 255, 255);

// Body shading, top to bottom of the inside of the outline.
QRgb bodyColour(int y)
{
    const int top = kFirst + 1;
    const int bottom = kLast - 1;
    const double t = double(std::clamp(y, top, bottom) - top) / (bottom - top);
    auto mix = [t](int a, int b) { return int(a + (b - a) * t + 0.5); };
    return qRgb(mix(224, 198), mix(106, 85), mix(104, 92));
}

// The rounded corners: one pixel cut from each corner of the outline.
bool isCutCorner(int x, int y)
{
    const bool atX = x == kFirst || x == kLast;
    const bool atY = y == kFirst || y == kLast;
    return atX && atY;
}

} // namespace

QImage closeTileGlyph()
{
    QImage image(kCloseGlyphSize, kCloseGlyphSize, QImage::Format_RGB888);
    image.fill(QColor::fromRgb(kKey));

    for (int y = kFirst; y <= kLast; ++y) {
        for (int x = kFirst; x <= kLast; ++x) {
            if (isCutCorner(x, y)) continue;
            const bool onOutline = x == kFirst || x == kLast || y == kFirst || y == kLast;
            QRgb colour = onOutline ? kOutline : bodyColour(y);
            if (!onOutline && y == kFirst + 1 && x > kFirst + 1 && x < kLast - 1) colour = kHighlight;

            // The cross: two diagonals through the centre, 3 pixels wide
            // across each row, arms reaching 5 pixels out; a ring of dark
            // pixels one further out gives the strokes their edge.
            const int reach = std::max(std::abs(x - kCentre), std::abs(y - kCentre));
            const int offMain = std::abs(x - y);
            const int offAnti = std::abs(x + y - 2 * kCentre);
            const int off = std::min(offMain, offAnti);
            if (reach <= 5 && off <= 1)
                colour = kWhite;
            else if (reach <= 6 && off <= 2)
                colour = kCrossEdge;
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

QImage transparentByBottomLeft(const QImage& glyph)
{
    QImage out = glyph.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = out.pixel(0, out.height() - 1);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (out.pixel(x, y) == key) out.setPixel(x, y, qRgba(0, 0, 0, 0));
    return out;
}

GlyphButton::GlyphButton(const QImage& glyph, QWidget* parent)
    : QToolButton(parent), m_glyph(QPixmap::fromImage(transparentByBottomLeft(glyph)))
{
}

QPoint GlyphButton::glyphOrigin() const
{
    QPoint at((width() - m_glyph.width()) / 2, (height() - m_glyph.height()) / 2);
    if (isDown()) at += QPoint(1, 1);
    return at;
}

void GlyphButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton face;
    initStyleOption(&face);
    face.icon = QIcon();
    face.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, face);
    painter.drawPixmap(glyphOrigin(), m_glyph);
}

} // namespace rk::app
