// The shape of the balloon tooltip: a rounded body with a triangular stem whose tip is the
// anchor point, turned to whichever side of the anchor the balloon fits.
#pragma once

#include <QPainterPath>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>

struct BalloonShape {
    static constexpr int kStemHeight = 25;
    static constexpr int kCornerWidth = 12; // the rounded corners' ellipse
    static constexpr int kCornerHeight = 10;
    static constexpr int kTextLeft = 12;
    static constexpr int kTextTop = 10;

    QRect window;            // in screen coordinates
    QRect body;              // in window coordinates
    QPolygon stem;           // in window coordinates; the last point is the tip
    bool stemRight = false;  // the stem is on the body's right side (balloon left of the anchor)
    bool stemBottom = false; // the stem is at the body's bottom (balloon above the anchor)

    // The body is the text's extent inflated by 12 x 10, widened for an icon by its width + 5
    // and at least as tall as the icon.
    static BalloonShape compute(QSize textSize, QSize iconSize, QPoint anchor, QRect screen);
    // Where text (and icon) start inside the window.
    QPoint textOrigin() const;
    // The outline of the rounded body joined with the stem, in window coordinates.
    QPainterPath outline() const;
};
