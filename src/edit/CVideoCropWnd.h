// The crop page's panel: the page's items above, and a drawing area in which a person drags the
// crop rectangle. The area shows the item's picture stretched over it (black without one), the
// part outside the crop rectangle dimmed, and the rectangle's frame. Releasing the button sends
// 5255 to the page with the area and the rectangle.
#pragma once

#include "CBaseWnd.h"
#include "CropGeometry.h"

#include <QImage>

#include <cstdint>
#include <string>

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

    // The file and time of the picture to show; decoded when the area is next painted, and only
    // when it differs from the one shown. An empty path shows none.
    void SetPictureSource(const std::string& path, int64_t atMs);
    bool HasPicture() const { return !m_picture.isNull(); }
    // The crop rectangle as fractions of the picture (0..1); an empty rectangle shows none.
    void SetCropRect(const QRectF& fraction);
    QRectF CropRect() const { return m_crop; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The area a drag may start in and is held to: one pixel inside the drawing area.
    QRect DragArea() const;

    // The drag area's rectangle of a fraction of the picture.
    QRect AreaRect(const QRectF& fraction) const;

    std::string m_picturePath;
    int64_t m_pictureAt = 0;
    bool m_pictureStale = false;
    QImage m_picture;
    QRectF m_crop;
    bool m_dragging = false;
    QPoint m_start;
    QPoint m_current;
};
