#include "CSkinArchive.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdio>
#include <cstring>

namespace {

uint32_t readLe32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace

// One opened view of the archive: a file with its own position, or the caller's memory.
class CSkinArchive::Source {
public:
    explicit Source(const CSkinArchive& archive) {
        if (archive.inMemory) {
            memory = archive.memory;
            length = archive.memorySize;
            ok = true;
            return;
        }
        file = std::fopen(archive.path.c_str(), "rb");
        if (!file)
            return;
        if (fseeko(file, 0, SEEK_END) != 0)
            return;
        const off_t end = ftello(file);
        if (end < 0)
            return;
        length = static_cast<uint64_t>(end);
        ok = true;
    }
    ~Source() {
        if (file)
            std::fclose(file);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    bool isOpen() const { return ok; }
    uint64_t size() const { return length; }

    // Reads exactly `count` bytes at `offset`; callers have checked the range against size().
    bool readAt(uint64_t offset, void* dst, size_t count) {
        if (offset > length || count > length - offset)
            return false;
        if (memory) {
            if (count)
                std::memcpy(dst, memory + offset, count);
            return true;
        }
        if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0)
            return false;
        return std::fread(dst, 1, count, file) == count;
    }

private:
    std::FILE* file = nullptr;
    const char* memory = nullptr;
    uint64_t length = 0;
    bool ok = false;
};

CSkinArchive::CSkinArchive(std::string archivePath) : path(std::move(archivePath)) {}

CSkinArchive CSkinArchive::fromMemory(std::string_view bytes) {
    CSkinArchive archive;
    archive.inMemory = true;
    // A non-null pointer even for an empty view keeps Source on the memory path.
    archive.memory = bytes.data() ? bytes.data() : "";
    archive.memorySize = bytes.size();
    return archive;
}

namespace {

// Reads and checks the header and both tables. The file's real length bounds everything: the
// tables must fit before they are read, and the entries' sizes must sum to no more than what
// follows them, so a forged count or size never leads to a large allocation or a read past the
// end.
template <typename SourceT>
int readTables(SourceT& source, std::vector<CSkinArchive::Entry>& entries) {
    entries.clear();
    unsigned char header[CSkinArchive::kHeaderSize];
    if (!source.isOpen() || source.size() < CSkinArchive::kHeaderSize ||
        !source.readAt(0, header, sizeof header))
        return 0;
    if (readLe32(header) != CSkinArchive::kMagic)
        return 0;
    const uint64_t count = readLe32(header + 8);
    const uint64_t tablesEnd = CSkinArchive::kHeaderSize + count * (4 + CSkinArchive::kNameField);
    if (tablesEnd > source.size())
        return 0;

    std::vector<unsigned char> sizes(count * 4);
    std::vector<char> names(count * CSkinArchive::kNameField);
    if (!source.readAt(CSkinArchive::kHeaderSize, sizes.data(), sizes.size()) ||
        !source.readAt(CSkinArchive::kHeaderSize + count * 4, names.data(), names.size()))
        return 0;

    entries.resize(count);
    uint64_t offset = tablesEnd;
    for (uint64_t i = 0; i < count; ++i) {
        CSkinArchive::Entry& e = entries[i];
        e.size = readLe32(&sizes[i * 4]);
        const char* field = &names[i * CSkinArchive::kNameField];
        e.name.assign(field, strnlen(field, CSkinArchive::kNameField));
        e.offset = offset;
        if (e.size > source.size() - offset) {
            entries.clear();
            return 0;
        }
        offset += e.size;
    }
    return 1;
}

} // namespace

const CSkinArchive::Entry* findSkinEntry(const std::vector<CSkinArchive::Entry>& entries,
                                         std::string_view name) {
    for (const CSkinArchive::Entry& e : entries)
        if (sameName(e.name, name))
            return &e;
    return nullptr;
}

int CSkinArchive::ReadDirectory(std::vector<Entry>& entries) const {
    Source source(*this);
    return readTables(source, entries);
}

int CSkinArchive::Check() const {
    std::vector<Entry> entries;
    return ReadDirectory(entries);
}

int CSkinArchive::findEntry(Source& source, std::string_view name, Entry& found) const {
    std::vector<Entry> entries;
    if (!readTables(source, entries))
        return 0;
    const Entry* e = findSkinEntry(entries, name);
    if (!e)
        return 0;
    found = *e;
    return 1;
}

int CSkinArchive::HasEntry(std::string_view name) const {
    Source source(*this);
    Entry e;
    return findEntry(source, name, e);
}

int CSkinArchive::readEntry(std::string_view name, std::string& out) const {
    Source source(*this);
    Entry e;
    if (!findEntry(source, name, e) || e.size == 0)
        return 0;
    // The size was checked against the file's length when the tables were read.
    std::string bytes(e.size, '\0');
    if (!source.readAt(e.offset, bytes.data(), bytes.size()))
        return 0;
    out = std::move(bytes);
    return 1;
}

int CSkinArchive::EntryToMemory(std::string_view name, std::string& out) const {
    return readEntry(name, out);
}

int CSkinArchive::EntryToFile(std::string_view name, const std::string& filePath) const {
    std::string bytes;
    if (!readEntry(name, bytes))
        return 0;
    std::FILE* out = std::fopen(filePath.c_str(), "wb");
    if (!out)
        return 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const bool closed = std::fclose(out) == 0;
    if (written && closed)
        return 1;
    std::remove(filePath.c_str());
    return 0;
}

std::unique_ptr<QIODevice> CSkinArchive::EntryToStream(std::string_view name) const {
    std::string bytes;
    if (!readEntry(name, bytes))
        return nullptr;
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (!buffer->open(QIODevice::ReadOnly))
        return nullptr;
    return buffer;
}
