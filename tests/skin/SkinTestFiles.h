#pragma once

// Archives and images made by the skin tests themselves.

#include "CVelSkin.h"
#include "SkinArchiveWriter.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace skintest {

inline std::string pngBytes(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data().toStdString();
}

// Image id i is i x (i + 1) pixels, so a test can tell which entry landed under which id.
inline std::vector<SkinArchiveItem> skinItems(const std::string& styleSheet) {
    CVelSkin names;
    std::vector<SkinArchiveItem> items;
    for (int id = names.FirstImageId(); id != -1; id = names.NextImageId(id))
        items.push_back({names.ImageName(id), pngBytes(id, id + 1, QColor(id * 7, 40, 200))});
    items.push_back({names.StyleSheetName(), styleSheet});
    return items;
}

inline std::string archiveBytes(const std::vector<SkinArchiveItem>& items) {
    std::string out, error;
    buildSkinArchive(items, out, error);
    return out;
}

inline std::string writeFile(const QTemporaryDir& dir, const std::string& name,
                             const std::string& bytes) {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

// An archive written field by field, for headers and tables that the writer would refuse.
struct RawArchive {
    uint32_t magic = 0x9876;
    uint32_t count = 0;
    std::vector<uint32_t> sizes;
    std::vector<std::string> nameFields; // each padded or cut to 64 bytes
    std::string data;

    static void le32(std::string& out, uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(char((v >> shift) & 0xFF));
    }
    std::string bytes() const {
        std::string out;
        le32(out, magic);
        le32(out, 0xAAAAAAAA); // not interpreted
        le32(out, count);
        le32(out, 0x55555555); // not interpreted
        for (uint32_t s : sizes)
            le32(out, s);
        for (std::string name : nameFields) {
            name.resize(64, '\0');
            out += name;
        }
        return out + data;
    }
};

} // namespace skintest
