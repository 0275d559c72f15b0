#include "BalloonShape.h"

#include <algorithm>

BalloonShape BalloonShape::compute(QSize textSize, QSize iconSize, QPoint anchor, QRect screen) {
    int width = textSize.width() + 2 * kCornerWidth;
    int height = textSize.height() + 2 * kCornerHeight;
    if (!iconSize.isEmpty()) {
        width += iconSize.width() + 5;
        height = std::max(height, iconSize.height());
    }

    BalloonShape s;
    s.stemRight = anchor.x() - (width - kCornerWidth) >= screen.left();
    s.stemBottom = anchor.y() - (height + kStemHeight) >= screen.top();
    const int left = s.stemRight ? anchor.x() - (width - kCornerWidth) : anchor.x() - kCornerWidth;
    const int top = s.stemBottom ? anchor.y() - (height + kStemHeight) + 1 : anchor.y();
    s.window = QRect(left, top, width, height + kStemHeight);
    s.body = QRect(0, s.stemBottom ? 0 : kStemHeight, width, height);

    // The stem runs from 37 to 12 pixels in from the side it is on; its tip is over the outer end.
    const int nearX = s.stemRight ? width - 37 : 37;
    const int tipX = s.stemRight ? width - kCornerWidth : kCornerWidth;
    if (s.stemBottom) {
        const int base = s.body.bottom();
        s.stem << QPoint(nearX, base) << QPoint(tipX, base) << QPoint(tipX, base + kStemHeight);
    } else {
        const int base = s.body.top();
        s.stem << QPoint(nearX, base) << QPoint(tipX, base) << QPoint(tipX, 0);
    }
    return s;
}

QPainterPath BalloonShape::outline() const {
    QPainterPath body;
    body.addRoundedRect(QRectF(this->body), kCornerWidth, kCornerHeight, Qt::AbsoluteSize);
    QPainterPath tail;
    tail.addPolygon(QPolygonF(stem));
    tail.closeSubpath();
    return body.united(tail);
}

QPoint BalloonShape::textOrigin() const {
    return QPoint(kTextLeft, stemBottom ? kTextTop : kStemHeight + kTextTop);
}
