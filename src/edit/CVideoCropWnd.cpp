#include "CVideoCropWnd.h"

#include "EditMessages.h"
#include "SkinFaces.h"
#include "SourcePicture.h"

#include "PaneMessages.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

CVideoCropWnd::CVideoCropWnd(CBaseSkin* skin) : CBaseWnd(skin) {}

QRect CVideoCropWnd::DrawingArea() const {
    return QRect(QPoint(kSideMargin, kTopMargin),
                 QPoint(width() - kSideMargin - 1, height() - kBottomMargin - 1));
}

QRect CVideoCropWnd::PictureArea() const {
    const QRect inner = DrawingArea().adjusted(1, 1, -1, -1);
    const double shape = PictureShape();
    if (shape <= 0.0 || inner.width() <= 0 || inner.height() <= 0)
        return inner;
    // The picture's shape within the area: full width with bars above and below, or full
    // height with bars at the sides.
    int width = inner.width();
    int height = static_cast<int>(std::lround(width / shape));
    if (height > inner.height()) {
        height = inner.height();
        width = std::max(1, static_cast<int>(std::lround(height * shape)));
    }
    height = std::max(1, height);
    return QRect(inner.left() + (inner.width() - width) / 2,
                 inner.top() + (inner.height() - height) / 2, width, height);
}

double CVideoCropWnd::PictureShape() const {
    // The picture as decoded knows its shape best (pixels that are not square included).
    if (!m_picture.isNull() && !m_pictureStale)
        return double(m_picture.width()) / m_picture.height();
    return m_shape;
}

void CVideoCropWnd::SetPictureShape(double shape) {
    if (shape == m_shape)
        return;
    m_shape = shape;
    update();
}

void CVideoCropWnd::TakePicture() {
    if (!m_pictureStale)
        return;
    m_pictureStale = false;
    const QRect area = DrawingArea();
    // Decoded at the size it is shown, at most: the area is small.
    m_picture = m_picturePath.empty()
                    ? QImage()
                    : sourcePicture(m_picturePath, m_pictureAt, std::max(area.width(), 320),
                                    std::max(area.height(), 240));
}

void CVideoCropWnd::SetPictureSource(const std::string& path, int64_t atMs) {
    if (path == m_picturePath && atMs == m_pictureAt)
        return;
    m_picturePath = path;
    m_pictureAt = atMs;
    m_pictureStale = true;
    update();
}

void CVideoCropWnd::SetCropRect(const QRectF& fraction) {
    if (fraction == m_crop)
        return;
    m_crop = fraction;
    update();
}

QRect CVideoCropWnd::AreaRect(const QRectF& fraction) const {
    const QRect area = PictureArea();
    // Right and bottom exclusive, the way a drag maps onto the source.
    const int left = area.left() + static_cast<int>(std::lround(fraction.left() * area.width()));
    const int top = area.top() + static_cast<int>(std::lround(fraction.top() * area.height()));
    const int right = area.left() + static_cast<int>(std::lround(fraction.right() * area.width()));
    const int bottom =
        area.top() + static_cast<int>(std::lround(fraction.bottom() * area.height()));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void CVideoCropWnd::AfterItems(QPainter& painter) {
    const QRect area = DrawingArea();
    if (area.width() <= 0 || area.height() <= 0)
        return;
    TakePicture();
    painter.save();
    painter.fillRect(area, Qt::black);
    const QRect picture = PictureArea();
    if (!m_picture.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(picture, m_picture);
    }
    // While dragging, the rectangle being dragged; otherwise the one chosen.
    const QRect shown = m_dragging         ? QRect(m_start, m_current).normalized()
                        : m_crop.isEmpty() ? QRect()
                                           : AreaRect(m_crop).intersected(picture);
    if (!shown.isEmpty() && !m_picture.isNull()) {
        QRegion outside(picture);
        outside -= QRegion(shown);
        painter.setClipRegion(outside);
        painter.fillRect(picture, QColor(0, 0, 0, 150));
        painter.setClipping(false);
    }
    if (!shown.isEmpty()) {
        painter.setPen(QPen(Qt::red, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(shown);
    }
    // The hint would cover the picture: it shows on the bare area only.
    if (!m_picture.isNull()) {
        painter.restore();
        return;
    }
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(9);
    painter.setFont(uiFont(font));
    const QRect band(area.left(), area.center().y() - 10, area.width(), 20);
    painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("Click and drag to define the crop region"));
    painter.restore();
}

void CVideoCropWnd::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    TakePicture();
    if (event->button() == Qt::LeftButton && PictureArea().contains(at)) {
        m_dragging = true;
        m_start = m_current = at;
        update();
        return;
    }
    CBaseWnd::mousePressEvent(event);
}

void CVideoCropWnd::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && event->buttons() == Qt::LeftButton) {
        const QRect area = PictureArea();
        const QPoint at = event->position().toPoint();
        m_current = QPoint(std::clamp(at.x(), area.left(), area.right()),
                           std::clamp(at.y(), area.top(), area.bottom()));
        update();
        return;
    }
    if (!m_dragging)
        CBaseWnd::mouseMoveEvent(event);
}

void CVideoCropWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging) {
        CBaseWnd::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    update();
    const QRect area = PictureArea();
    const QRect dragged = QRect(m_start, m_current).normalized();
    // Right and bottom exclusive, as the page maps them.
    CropArea areaRect{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
    CropArea draggedRect{dragged.left(), dragged.top(), dragged.right() + 1, dragged.bottom() + 1};
    sendToOwner(this, kMsgCropDragged, reinterpret_cast<uintptr_t>(&areaRect),
                reinterpret_cast<intptr_t>(&draggedRect));
}
