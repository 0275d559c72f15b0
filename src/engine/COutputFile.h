// The file one run writes. It has no name while it is written: an unnamed file in the target
// folder (O_TMPFILE), which vanishes with the process however that ends, and which receives its
// name only by commit(), once it is complete. Where the file system has no unnamed files, it is
// written under a temporary name beside the final one, "<final name>.movara-partial-<pid>-<n>";
// such leftovers of processes that are gone are removed when the next run creates a file there.
//
// commit() puts the content on the disk and closes the file before it names it (an unnamed file
// gets a temporary name for that), then makes the name durable: a crash or a write lost at close
// never leaves an incomplete file under the final name, nor costs the file it was to replace.
//
// Naming never replaces a file by surprise: linkat and renameat2(RENAME_NOREPLACE) refuse an
// existing name, so the check and the naming are one step, also across processes. When the name
// is taken, the next free name by the output naming rule is taken; only a run told to replace
// renames over an existing file.
#pragma once

#include "AvUtil.h"

#include <string>

namespace vel {

class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // A fresh temporary name next to the final one, within the file name limit.
    static std::string temporaryPath(const std::string& finalPath);
    // Removes "*.movara-partial-<pid>-<n>" files of processes that no longer run; their count.
    static int removeDeadLeftovers(const std::string& folder);

    // 0, or a negative AVERROR with error() saying why. forceNamed skips the unnamed file (tests).
    int create(const std::string& finalPath, bool forceNamed = false);
    // Muxer I/O on the file (owned here; valid until discard or destruction).
    AVIOContext* io() const { return m_io; }
    bool unnamed() const { return m_unnamed; }

    // Flushes, syncs, closes and names the file; path() is then the name it got. 0 or a negative
    // AVERROR (nothing new named then).
    int commit(bool replaceExisting);
    // Closes the file; a named temporary file is removed. Also done by the destructor unless
    // committed.
    void discard();

    const std::string& path() const { return m_finalPath; }
    const std::string& error() const { return m_error; }

    // Tests: the next close of a file fails with `error` (an errno value), the way a file system
    // may report a lost write only then.
    static void failNextCloseForTest(int error);

private:
    static int readPacket(void* opaque, uint8_t* buffer, int size);
    static int writePacket(void* opaque, uint8_t* buffer, int size);
    static int64_t seekPacket(void* opaque, int64_t offset, int whence);

    int fail(int code, const std::string& what);
    // Links the unnamed file (or renames the temporary one) to `name` without replacing.
    int linkNoReplace(const std::string& name);
    int close();

    int m_fd = -1;
    bool m_unnamed = false;
    bool m_committed = false;
    std::string m_finalPath, m_tempPath;
    AVIOContext* m_io = nullptr;
    std::string m_error;
};

} // namespace vel
