#include "SkinArchiveWriter.h"

#include "CSkinArchive.h"

#include <cstdint>
#include <limits>

namespace {

void appendLe32(std::string& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

} // namespace

int buildSkinArchive(const std::vector<SkinArchiveItem>& items, std::string& out,
                     std::string& error) {
    if (items.size() > std::numeric_limits<uint32_t>::max()) {
        error = "too many entries";
        return 0;
    }
    for (const SkinArchiveItem& item : items) {
        if (item.name.empty() || item.name.size() >= CSkinArchive::kNameField) {
            error = "entry name \"" + item.name + "\" must have 1 to 63 bytes";
            return 0;
        }
        if (item.name.find('\0') != std::string::npos) {
            error = "entry name contains a zero byte";
            return 0;
        }
        if (item.bytes.size() > std::numeric_limits<uint32_t>::max()) {
            error = "entry \"" + item.name + "\" is larger than 4 GiB";
            return 0;
        }
    }

    std::string archive;
    appendLe32(archive, CSkinArchive::kMagic);
    appendLe32(archive, 0);
    appendLe32(archive, static_cast<uint32_t>(items.size()));
    appendLe32(archive, 0);
    for (const SkinArchiveItem& item : items)
        appendLe32(archive, static_cast<uint32_t>(item.bytes.size()));
    for (const SkinArchiveItem& item : items) {
        archive += item.name;
        archive.append(CSkinArchive::kNameField - item.name.size(), '\0');
    }
    for (const SkinArchiveItem& item : items)
        archive += item.bytes;
    out = std::move(archive);
    return 1;
}
