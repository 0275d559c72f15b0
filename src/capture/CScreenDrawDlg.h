// The full-screen window in which a person drags the region to record: it covers the display,
// shows what was on the screen when it opened, holds the mouse with a cross-hair cursor, and
// draws the dragged rectangle inverted (a 3-pixel frame). Releasing the left button closes it
// with IDOK; Escape closes it without a result.
#pragma once

#include "PlatformTypes.h"

#include <QDialog>
#include <QPixmap>
#include <QPoint>

class CScreenDrawDlg : public QDialog {
public:
    static constexpr int kTemplateId = 163;
    static constexpr int kFrameWidth = 3;

    // `display`: the screen in device pixels of the whole desktop, as the recorder captures it;
    // `pixelRatio`: device pixels per window-system unit on that screen (2 on a display scaled
    // by 2). `desktop` is painted beneath the rectangle (may be null).
    CScreenDrawDlg(const ScreenRect& display, const QPixmap& desktop, QWidget* parent = nullptr,
                   double pixelRatio = 1.0);

    // The drag's corners in device pixels from the screen's top left corner (valid after IDOK).
    QPoint StartPoint() const { return devicePoint(m_start); }
    QPoint EndPoint() const { return devicePoint(m_end); }
    // The rectangle drawn now (empty when none is).
    QRect DrawnRect() const { return m_drawn ? QRect(m_start, m_current).normalized() : QRect(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint screenPoint(const QMouseEvent* event) const;
    QPoint devicePoint(const QPoint& screenPoint) const;

    QRect m_display; // in window-system units
    double m_ratio = 1.0;
    QPixmap m_desktop;
    QPoint m_start;
    QPoint m_current;
    QPoint m_end;
    bool m_dragging = false;
    bool m_drawn = false;
};
