// Drawing helpers shared by the skinned windows: fills by fill type, the grey colour matrix of
// disabled images, and path-ellipsis trimming.
#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QLinearGradient>
#include <QRect>
#include <QString>

#include <cstdint>

class QPainter;

enum SkinFillType : int {
    kFillSolid = 1,
    kFillGradient = 2,
    kFillImage = 3,
};

// ARGB (alpha in the top byte) as the skin hands colours out.
inline QColor argbColor(uint32_t argb) {
    return QColor::fromRgba(argb);
}

// A linear gradient over `rect` in the classic direction numbering: 0 left to right, 1 top to
// bottom, 2 top-left to bottom-right, 3 top-right to bottom-left.
void fillGradient(QPainter& painter, const QRect& rect, const QColor& from, const QColor& to,
                  int direction);
// That gradient, for filling shapes other than the rectangle.
QLinearGradient gradientFor(const QRect& rect, const QColor& from, const QColor& to, int direction);

// Fills `rect` by fill type: solid `first`, or a gradient from `first` to `second`. Other types
// paint nothing; returns whether something was painted.
bool fillByType(QPainter& painter, const QRect& rect, int fillType, const QColor& first,
                const QColor& second, int direction);

// The image through the grey colour matrix: every channel becomes 0.299 R + 0.587 G + 0.114 B,
// blue raised by 0.05, alpha kept.
QImage greyImage(const QImage& image);

// Trims `text` to `width` the way a path is shortened: the part after the last "/" or "\" is
// kept whole when it can be, the middle gives way to "...".
QString pathEllipsis(const QString& text, const QFontMetrics& metrics, int width);

// The keyboard focus ring: a two-pixel line just inside `rect` in `color` (the text colour of
// the window it is drawn in), dashed with the colour's opposite so it shows on any fill; rounded
// in a flat skin.
void drawFocusRing(QPainter& painter, const QRect& rect, const QColor& color, bool flat);
