#pragma once

#include <string>
#include <vector>

// Writing skin archives (the format CSkinArchive reads); used by the packer and by tests.

struct SkinArchiveItem {
    std::string name;  // stored zero-terminated in a 64-byte field, so at most 63 bytes
    std::string bytes; // stored as they are
};

// Builds the archive bytes in item order. The header fields at offsets 4 and 12 are written as
// 0 (no reader looks at them). Returns 0 and says why in `error` when a name does not fit its
// field or an entry is too large for its 32-bit size.
int buildSkinArchive(const std::vector<SkinArchiveItem>& items, std::string& out,
                     std::string& error);
