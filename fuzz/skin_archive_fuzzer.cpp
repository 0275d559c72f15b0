// Reads arbitrary bytes as a skin archive: the directory, then every entry by name in each of
// the reader's ways. A directory that is accepted must lie inside the bytes, and every read must
// agree with it.
#include "CSkinArchive.h"

#include <QIODevice>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CSkinArchive archive = CSkinArchive::fromMemory(bytes);

    std::vector<CSkinArchive::Entry> entries;
    const int usable = archive.ReadDirectory(entries);
    if (archive.Check() != usable)
        std::abort();
    if (!usable) {
        if (!entries.empty() || archive.HasEntry("velskin.xml"))
            std::abort();
        return 0;
    }

    uint64_t expected = 16 + 68 * uint64_t(entries.size());
    for (size_t i = 0; i < entries.size() && i < 64; ++i) {
        const CSkinArchive::Entry& e = entries[i];
        if (e.offset != expected || e.offset + e.size > size || e.name.size() > 64)
            std::abort();
        expected += e.size;

        const CSkinArchive::Entry* first = findSkinEntry(entries, e.name);
        if (!first || archive.HasEntry(e.name) != 1)
            std::abort();
        std::string out;
        const int read = archive.EntryToMemory(e.name, out);
        if (read != (first->size ? 1 : 0))
            std::abort();
        if (read && std::string_view(out) != bytes.substr(first->offset, first->size))
            std::abort();
        if (i < 4) {
            std::unique_ptr<QIODevice> stream = archive.EntryToStream(e.name);
            if (bool(stream) != bool(read) || (stream && stream->size() != qint64(first->size)))
                std::abort();
        }
    }
    return 0;
}
