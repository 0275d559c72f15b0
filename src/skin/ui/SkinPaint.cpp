#include "SkinPaint.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

QLinearGradient gradientFor(const QRect& rect, const QColor& from, const QColor& to,
                            int direction) {
    QPointF start = rect.topLeft();
    QPointF end;
    switch (direction) {
    case 0:
        end = QPointF(rect.right() + 1, rect.top());
        break;
    case 2:
        end = QPointF(rect.right() + 1, rect.bottom() + 1);
        break;
    case 3:
        start = QPointF(rect.right() + 1, rect.top());
        end = QPointF(rect.left(), rect.bottom() + 1);
        break;
    default:
        end = QPointF(rect.left(), rect.bottom() + 1);
        break;
    }
    QLinearGradient gradient(start, end);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

void fillGradient(QPainter& painter, const QRect& rect, const QColor& from, const QColor& to,
                  int direction) {
    painter.fillRect(rect, gradientFor(rect, from, to, direction));
}

bool fillByType(QPainter& painter, const QRect& rect, int fillType, const QColor& first,
                const QColor& second, int direction) {
    if (fillType == kFillSolid) {
        painter.fillRect(rect, first);
        return true;
    }
    if (fillType == kFillGradient) {
        fillGradient(painter, rect, first, second, direction);
        return true;
    }
    return false;
}

QImage greyImage(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            const double lum = 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p);
            const int grey = std::clamp(static_cast<int>(lum), 0, 255);
            const int blue = std::clamp(static_cast<int>(lum + 0.05 * 255), 0, 255);
            line[x] = qRgba(grey, grey, blue, qAlpha(p));
        }
    }
    return out;
}

QString pathEllipsis(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const int slash =
        std::max(text.lastIndexOf(QLatin1Char('/')), text.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0) {
        const QString tail = text.mid(slash);
        const QString dots = QStringLiteral("...");
        const int room = width - metrics.horizontalAdvance(dots + tail);
        if (room >= 0) {
            QString head = text.left(slash);
            while (!head.isEmpty() && metrics.horizontalAdvance(head) > room)
                head.chop(1);
            return head + dots + tail;
        }
    }
    return metrics.elidedText(text, Qt::ElideMiddle, width);
}

void drawFocusRing(QPainter& painter, const QRect& rect, const QColor& color, bool flat) {
    if (rect.width() < 4 || rect.height() < 4)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, flat);
    painter.setBrush(Qt::NoBrush);
    const QRectF ring = QRectF(rect).adjusted(1, 1, -1, -1);
    const qreal radius = flat ? 3.0 : 0.0;
    const QColor opposite(255 - color.red(), 255 - color.green(), 255 - color.blue());
    painter.setPen(QPen(opposite, 2));
    painter.drawRoundedRect(ring, radius, radius);
    QPen dashes(color, 2);
    dashes.setDashPattern({2, 2});
    painter.setPen(dashes);
    painter.drawRoundedRect(ring, radius, radius);
    painter.restore();
}
