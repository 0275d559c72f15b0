// The crop page's panel: the page's items above, and a black drawing area in which a person drags
// the crop rectangle. Releasing the button sends 5255 to the page with the area and the rectangle.
#pragma once

#include "CBaseWnd.h"
#include "CropGeometry.h"

class CVideoCropWnd : public CBaseWnd {
public:
    static constexpr int kSideMargin = 10;
    static constexpr int kTopMargin = 100;
    static constexpr int kBottomMargin = 40;

    explicit CVideoCropWnd(CBaseSkin* skin = nullptr);

    // The client area less the margins.
    QRect DrawingArea() const;
    bool Dragging() const { return m_dragging; }

    void AfterItems(QPainter& painter) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The area a drag may start in and is held to: one pixel inside the drawing area.
    QRect DragArea() const;

    bool m_dragging = false;
    QPoint m_start;
    QPoint m_current;
};
