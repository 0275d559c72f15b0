#include "CWatermarkImage.h"

#include "WatermarkPicture.h"

namespace vel {

const RgbaImage* CWatermarkImage::pixels(int* status) {
    std::call_once(m_once, [this] { m_status = loadImage(m_path, &m_image); });
    *status = m_status;
    return m_status < 0 || m_image.width <= 0 ? nullptr : &m_image;
}

} // namespace vel
