#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

// Reader of a skin archive: a 16-byte header {magic, -, N, -}, a table of N 32-bit entry sizes,
// a table of N 64-byte zero-padded names, then the entries' bytes back to back (all integers
// little-endian). Archives come from users, so nothing in the header is trusted: the tables and
// every entry must lie inside the file before any of it is read or allocated for.
//
// Every operation opens the archive afresh with its own read position and re-reads the tables,
// so one object may be used for any number of independent reads. Operations return 1 on success
// and 0 on failure.
class CSkinArchive {
public:
    static constexpr uint32_t kMagic = 0x9876;
    static constexpr uint64_t kHeaderSize = 16;
    static constexpr uint64_t kNameField = 64;

    struct Entry {
        std::string name; // up to the first zero byte, or all 64 bytes when there is none
        uint64_t offset = 0;
        uint32_t size = 0;
    };

    // An archive in a file.
    explicit CSkinArchive(std::string path);
    // An archive held in memory; the bytes must outlive the object.
    static CSkinArchive fromMemory(std::string_view bytes);

    // The header carries the magic and the tables and all entries fit in the file.
    int Check() const;
    // An entry of that name exists (its size is not looked at). Names compare without regard to
    // ASCII letter case.
    int HasEntry(std::string_view name) const;
    // Writes the entry to a new file (binary, truncating). A failed write removes the file.
    int EntryToFile(std::string_view name, const std::string& filePath) const;
    // A read-only stream over a copy of the entry, or null.
    std::unique_ptr<QIODevice> EntryToStream(std::string_view name) const;
    // The entry's bytes (out.size() is its length; out.c_str() adds the terminating zero).
    int EntryToMemory(std::string_view name, std::string& out) const;

    // All entries in table order, with their offsets; 0 when the archive is not usable.
    int ReadDirectory(std::vector<Entry>& entries) const;

private:
    class Source;

    CSkinArchive() = default;
    int findEntry(Source& source, std::string_view name, Entry& found) const;
    int readEntry(std::string_view name, std::string& out) const;

    std::string path;
    const char* memory = nullptr;
    size_t memorySize = 0;
    bool inMemory = false;
};

// The first match of `name` in a directory (ASCII case-insensitive), or null.
const CSkinArchive::Entry* findSkinEntry(const std::vector<CSkinArchive::Entry>& entries,
                                         std::string_view name);
