// Saving a snapshot of the preview: the engine's pixels (top-down 32-bit blue, green, red and an
// unused byte, stride width * 4) become an image file in the snapshot folder, named after the
// item's output file and the local time, encoded by the image writer found for the format's MIME
// type. Every failure is told in a message box and leaves no file.
#pragma once

#include "PlatformTypes.h"

#include <QImage>

#include <functional>
#include <string>

struct VelSettings;

class CSnapshot {
public:
    // A deep copy of the engine's pixels (which are valid only while its event is handled);
    // a null image for a missing picture.
    static QImage FromPixels(const void* pixels, int width, int height);

    // folder + "/" + the output file name up to its last dot + "_YYYY_MM_DD_hh_mm_ss." + the
    // format in lower case. When that name is taken, "_2", "_3", ... goes before the extension,
    // so two snapshots within one second both stay.
    static std::string FilePath(const std::string& folder, const std::string& outputFileName,
                                const std::string& format, const SystemTime& now,
                                const std::function<bool(const std::string&)>& exists);

    // The MIME type searched among the image writers: "image/" + the format in lower case.
    static std::string MimeType(const std::string& format);

    // Saves the image with the settings' folder, format and open-after-snapshot bit, showing the
    // messages of each failure. Returns the file written, or "" on failure.
    static std::string Save(const QImage& image, const VelSettings& settings,
                            const std::string& outputFileName);
};
