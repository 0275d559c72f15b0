// The crop page's panel: the page's items above, and a drawing area in which a person drags the
// crop rectangle. The area shows the item's picture in its own shape, as large as fits and
// centred on black (black without one), the part outside the crop rectangle dimmed, and the
// rectangle's frame. Drags are held to the picture. Releasing the button sends 5255 to the page
// with the picture's rectangle and the dragged one.
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
    // Where the picture is drawn and a drag may start and is held to: the largest rectangle of
    // the picture's shape one pixel inside the drawing area, centred in it.
    QRect PictureArea() const;
    bool Dragging() const { return m_dragging; }

    void AfterItems(QPainter& painter) override;

    // The file and time of the picture to show; decoded when the area is next painted, and only
    // when it differs from the one shown. An empty path shows none.
    void SetPictureSource(const std::string& path, int64_t atMs);
    bool HasPicture() const { return !m_picture.isNull(); }
    // The shape (width / height) of the picture as shown, until a decoded picture tells its
    // own; 0 or less fills the area.
    void SetPictureShape(double shape);
    double PictureShape() const;
    // The crop rectangle as fractions of the picture (0..1); an empty rectangle shows none.
    void SetCropRect(const QRectF& fraction);
    QRectF CropRect() const { return m_crop; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Decodes the picture when its source changed since the last one.
    void TakePicture();

    // The drag area's rectangle of a fraction of the picture.
    QRect AreaRect(const QRectF& fraction) const;

    std::string m_picturePath;
    int64_t m_pictureAt = 0;
    bool m_pictureStale = false;
    QImage m_picture;
    double m_shape = 0.0; // as the page gave it
    QRectF m_crop;
    bool m_dragging = false;
    QPoint m_start;
    QPoint m_current;
};
