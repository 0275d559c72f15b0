#include "CScreenDrawDlg.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

// The frame's brush: inverting with this colour shows on light and dark screens alike.
const QColor kFrameColor(200, 200, 100);

} // namespace

CScreenDrawDlg::CScreenDrawDlg(const ScreenRect& display, const QPixmap& desktop, QWidget* parent,
                               double pixelRatio)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_ratio(pixelRatio > 0.0 ? pixelRatio : 1.0), m_desktop(desktop) {
    // A scaled screen keeps its origin in device pixels; only its extent is scaled.
    m_display = QRect(display.left, display.top,
                      static_cast<int>(std::lround((display.right - display.left) / m_ratio)),
                      static_cast<int>(std::lround((display.bottom - display.top) / m_ratio)));
    setModal(true);
    setCursor(Qt::CrossCursor);
    setGeometry(m_display);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CScreenDrawDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setGeometry(m_display);
    activateWindow();
    grabMouse(Qt::CrossCursor);
}

void CScreenDrawDlg::hideEvent(QHideEvent* event) {
    releaseMouse();
    QDialog::hideEvent(event);
}

QPoint CScreenDrawDlg::screenPoint(const QMouseEvent* event) const {
    return event->position().toPoint() + m_display.topLeft();
}

QPoint CScreenDrawDlg::devicePoint(const QPoint& screenPoint) const {
    const QPoint offset = screenPoint - m_display.topLeft();
    return QPoint(static_cast<int>(std::lround(offset.x() * m_ratio)),
                  static_cast<int>(std::lround(offset.y() * m_ratio)));
}

void CScreenDrawDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_start = m_current = screenPoint(event);
    m_dragging = true;
    m_drawn = false;
    update();
}

void CScreenDrawDlg::mouseMoveEvent(QMouseEvent* event) {
    // Only a drag with the left button alone draws.
    if (!m_dragging || event->buttons() != Qt::LeftButton)
        return;
    m_current = screenPoint(event);
    m_drawn = true;
    update();
}

void CScreenDrawDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_end = screenPoint(event);
    m_dragging = false;
    done(1);
}

void CScreenDrawDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_desktop.isNull())
        painter.drawPixmap(rect(), m_desktop);
    else
        painter.fillRect(rect(), QColor(64, 64, 64));
    if (!m_drawn)
        return;
    // Each paint starts from the desktop picture, so the previous rectangle is gone: the
    // inversion is drawn once per move.
    const QRect r = DrawnRect().translated(-m_display.topLeft());
    const int w = kFrameWidth;
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QRect strips[] = {
        QRect(r.left(), r.top(), r.width(), std::min(w, r.height())),
        QRect(r.left(), std::max(r.top() + w, r.bottom() - w + 1), r.width(),
              std::max(0, std::min(w, r.height() - w))),
        QRect(r.left(), r.top() + w, std::min(w, r.width()), std::max(0, r.height() - 2 * w)),
        QRect(std::max(r.left() + w, r.right() - w + 1), r.top() + w,
              std::max(0, std::min(w, r.width() - w)), std::max(0, r.height() - 2 * w)),
    };
    for (const QRect& strip : strips)
        if (!strip.isEmpty())
            painter.fillRect(strip, kFrameColor);
}
