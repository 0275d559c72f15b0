#include "CVideoCropWnd.h"

#include "EditMessages.h"

#include "PaneMessages.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

CVideoCropWnd::CVideoCropWnd(CBaseSkin* skin) : CBaseWnd(skin) {}

QRect CVideoCropWnd::DrawingArea() const {
    return QRect(QPoint(kSideMargin, kTopMargin),
                 QPoint(width() - kSideMargin - 1, height() - kBottomMargin - 1));
}

QRect CVideoCropWnd::DragArea() const {
    return DrawingArea().adjusted(1, 1, -1, -1);
}

void CVideoCropWnd::AfterItems(QPainter& painter) {
    const QRect area = DrawingArea();
    if (area.width() <= 0 || area.height() <= 0)
        return;
    painter.save();
    painter.fillRect(area, Qt::black);
    if (m_dragging) {
        painter.setPen(QPen(Qt::red, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(m_start, m_current).normalized());
    }
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(9);
    painter.setFont(font);
    const QRect band(area.left(), area.center().y() - 10, area.width(), 20);
    painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("Click and drag to define the crop region"));
    painter.restore();
}

void CVideoCropWnd::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && DragArea().contains(at)) {
        m_dragging = true;
        m_start = m_current = at;
        update();
        return;
    }
    CBaseWnd::mousePressEvent(event);
}

void CVideoCropWnd::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && event->buttons() == Qt::LeftButton) {
        const QRect area = DragArea();
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
    const QRect area = DragArea();
    const QRect dragged = QRect(m_start, m_current).normalized();
    // Right and bottom exclusive, as the page maps them.
    CropArea areaRect{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
    CropArea draggedRect{dragged.left(), dragged.top(), dragged.right() + 1, dragged.bottom() + 1};
    sendToOwner(this, kMsgCropDragged, reinterpret_cast<uintptr_t>(&areaRect),
                reinterpret_cast<intptr_t>(&draggedRect));
}
