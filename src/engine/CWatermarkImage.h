// The picture of an image watermark, read from its file on first use by whichever engine thread
// builds a filter with it (never the window's thread), then shared by every run and preview that
// took a copy of the edits.
#pragma once

#include "MediaEdits.h"

#include <mutex>
#include <string>

namespace vel {

class CWatermarkImage {
public:
    explicit CWatermarkImage(std::string path) : m_path(std::move(path)) {}
    CWatermarkImage(const CWatermarkImage&) = delete;
    CWatermarkImage& operator=(const CWatermarkImage&) = delete;

    // The decoded picture, or null when the file cannot be read (*status says why).
    const RgbaImage* pixels(int* status);
    const std::string& path() const { return m_path; }

private:
    const std::string m_path;
    std::once_flag m_once;
    int m_status = 0;
    RgbaImage m_image;
};

} // namespace vel
