// CTimeline: the picture edits attached to a media entry through the edit bracket (crop, crop
// scaling, flip, colour, watermarks). A preview shows each change at once.
#include "CTimeline.h"
#include "CWatermarkImage.h"

#include "WatermarkPicture.h"

#include <algorithm>
#include <cmath>

namespace vel {

int CTimeline::addFilter(int filterId, const tagVeldesFilterInfo* f) {
    std::lock_guard lock(m_mutex);
    Media* media = editedMedia();
    if (!media || !f)
        return -1;
    MediaEdits& e = media->edits;
    switch (filterId) {
    case VELDES_FILTER_CROP: {
        CropRect c{f->left, f->top, f->right, f->bottom};
        if (c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0) {
            e.crop.reset(); // an empty rectangle: no crop
            e.cropScale.reset();
            editsChanged(m_editMediaId);
            return 0;
        }
        bool finite = std::isfinite(c.left) && std::isfinite(c.top) && std::isfinite(c.right) &&
                      std::isfinite(c.bottom);
        if (!finite || c.left < 0 || c.top < 0 || c.right - c.left < 2 || c.bottom - c.top < 2)
            return -1;
        e.crop = c;
        editsChanged(m_editMediaId);
        return 0;
    }
    case VELDES_FILTER_CROP_SCALE:
        if (!f->scaleEnabled) {
            e.cropScale.reset();
            editsChanged(m_editMediaId);
            return 0;
        }
        if (f->cropWidth <= 0 || f->cropHeight <= 0)
            return -1;
        e.cropScale =
            CropScale{f->sourceWidth, f->sourceHeight, f->cropWidth & ~1, f->cropHeight & ~1};
        editsChanged(m_editMediaId);
        return 0;
    case VELDES_FILTER_FLIP:
        e.flip = f->flip & 3;
        editsChanged(m_editMediaId);
        return 0;
    case VELDES_FILTER_COLOR:
        e.brightness = std::clamp(f->brightness, -100, 100);
        e.contrast = std::clamp(f->contrast, -100, 100);
        e.saturation = std::clamp(f->saturation, -100, 100);
        editsChanged(m_editMediaId);
        return 0;
    default:
        return -1;
    }
}

int CTimeline::addWatermark(int filterId, const tagVeldesFilterInfo* f) {
    if (!f ||
        (filterId != VELDES_FILTER_WATERMARK_IMAGE && filterId != VELDES_FILTER_WATERMARK_TEXT))
        return -1;
    Watermark w;
    w.x = f->x;
    w.y = f->y;
    w.width = std::max(0, f->width);
    w.height = std::max(0, f->height);
    w.alpha = std::clamp(f->alpha, 0, 255);
    if (filterId == VELDES_FILTER_WATERMARK_IMAGE) {
        if (!f->imagePath || !*f->imagePath)
            return -1;
        // Decoded by the first run or preview that uses it, on its own thread: a large image
        // never holds up the caller, and an unreadable one fails that run with its reason.
        w.kind = Watermark::Kind::Image;
        w.image = std::make_shared<CWatermarkImage>(f->imagePath);
    } else {
        if (!f->text || !*f->text)
            return -1;
        w.kind = Watermark::Kind::Text;
        w.text = f->text;
        w.fontFamily = f->fontName ? f->fontName : "";
        w.fontSize = f->fontSize > 0 ? std::min(f->fontSize, 1000) : 36;
        w.style = f->style;
        w.red = f->red;
        w.green = f->green;
        w.blue = f->blue;
    }
    std::lock_guard lock(m_mutex);
    Media* media = editedMedia();
    if (!media)
        return -1;
    media->edits.watermark = std::move(w);
    editsChanged(m_editMediaId);
    return 0;
}

int CTimeline::removeWatermark(int mediaId) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media)
        return -1;
    if (m_player && mediaId == m_editMediaId) {
        // A live watermark change in the preview: the other edits stay (the preview started
        // from none, and each later change replaces its own kind).
        media->edits.watermark.reset();
        editsChanged(mediaId);
        return 0;
    }
    // Outside a preview the caller removes the watermark before it attaches an entry's edits
    // anew and adds only the edits in force, so everything attached earlier goes here too;
    // otherwise a colour set back to neutral would stay in force.
    media->edits = MediaEdits();
    return 0;
}

} // namespace vel
