#include "COutputFile.h"

#include "FileNameText.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace vel {

namespace {

std::atomic<int> closeFailureForTest{0};

constexpr const char* kPartialMarker = ".movara-partial-";
constexpr int kIoBufferSize = 1 << 16;
// Bounded so that a folder answering "exists" to every name cannot hang a run.
constexpr int kMaxNameAttempts = 10000;

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

size_t nameLength(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path.size() : path.size() - slash - 1;
}

std::string localStamp() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return timeStampText(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

// The pid in "<anything>.movara-partial-<pid>-<n>", or 0.
pid_t leftoverPid(const char* name) {
    const char* marker = std::strstr(name, kPartialMarker);
    if (!marker)
        return 0;
    const char* p = marker + std::strlen(kPartialMarker);
    long pid = 0;
    while (*p >= '0' && *p <= '9' && pid < INT_MAX / 10)
        pid = pid * 10 + (*p++ - '0');
    if (*p != '-' || pid <= 0)
        return 0;
    for (++p; *p; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
    }
    return pid_t(pid);
}

} // namespace

std::string COutputFile::temporaryPath(const std::string& finalPath) {
    static std::atomic<unsigned> sequence{0};
    std::string suffix =
        kPartialMarker + std::to_string(getpid()) + "-" + std::to_string(++sequence);
    size_t slash = finalPath.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // The temporary name must stay a legal file name even when the final one is near the limit.
    constexpr size_t kMaxName = NAME_MAX;
    size_t keep = std::min(finalPath.size() - nameStart, kMaxName - suffix.size());
    return finalPath.substr(0, nameStart + keep) + suffix;
}

int COutputFile::removeDeadLeftovers(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (dirent* entry = readdir(dir)) {
        pid_t pid = leftoverPid(entry->d_name);
        if (pid <= 0 || pid == getpid())
            continue;
        if (kill(pid, 0) == 0 || errno != ESRCH)
            continue; // still running (or not ours to judge)
        if (unlinkat(dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}

COutputFile::~COutputFile() {
    if (!m_committed)
        discard();
}

int COutputFile::fail(int code, const std::string& what) {
    if (m_error.empty())
        m_error = what + ": " + avErrorText(code);
    return code;
}

int COutputFile::create(const std::string& finalPath, bool forceNamed) {
    m_finalPath = finalPath;
    if (nameLength(finalPath) > NAME_MAX)
        return fail(AVERROR(ENAMETOOLONG), "cannot create " + finalPath);
    const std::string folder = folderOf(finalPath);
    if (!forceNamed) {
        m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_unnamed = true;
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return fail(AVERROR(errno), "cannot create " + finalPath);
        }
    }
    if (m_fd < 0) {
        removeDeadLeftovers(folder);
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_tempPath = temporaryPath(finalPath);
            m_fd = ::open(m_tempPath.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST) {
                int error = errno;
                m_tempPath.clear();
                return fail(AVERROR(error), "cannot create " + finalPath);
            }
        }
        if (m_fd < 0) {
            m_tempPath.clear();
            return fail(AVERROR(EEXIST), "cannot create " + finalPath);
        }
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    m_io = buffer ? avio_alloc_context(buffer, kIoBufferSize, 1, this, &COutputFile::readPacket,
                                       &COutputFile::writePacket, &COutputFile::seekPacket)
                  : nullptr;
    if (!m_io) {
        av_free(buffer);
        return fail(AVERROR(ENOMEM), "cannot create " + finalPath);
    }
    return 0;
}

int COutputFile::readPacket(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<COutputFile*>(opaque);
    for (;;) {
        ssize_t n = ::read(self->m_fd, buffer, size_t(size));
        if (n > 0)
            return int(n);
        if (n == 0)
            return AVERROR_EOF;
        if (errno != EINTR)
            return AVERROR(errno);
    }
}

int COutputFile::writePacket(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<COutputFile*>(opaque);
    int done = 0;
    while (done < size) {
        ssize_t n = ::write(self->m_fd, buffer + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return AVERROR(errno);
        }
        done += int(n);
    }
    return done;
}

int64_t COutputFile::seekPacket(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<COutputFile*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat info;
        return fstat(self->m_fd, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
    }
    off_t at = ::lseek(self->m_fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : int64_t(at);
}

int COutputFile::linkNoReplace(const std::string& name) {
    if (m_unnamed) {
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", m_fd);
        if (linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        // Without /proc, linking the descriptor itself needs a capability most users lack.
        if (errno != ENOENT || access("/proc/self/fd", F_OK) == 0)
            return AVERROR(errno);
        return linkat(m_fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : AVERROR(errno);
    }
    if (renameat2(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) {
        m_tempPath.clear();
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return AVERROR(errno);
    // A file system without the flag: link refuses an existing name just as well.
    if (::link(m_tempPath.c_str(), name.c_str()) != 0)
        return AVERROR(errno);
    ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return 0;
}

int COutputFile::close() {
    int r = 0;
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    if (m_fd >= 0) {
        if (::close(m_fd) != 0 && errno != EINTR)
            r = AVERROR(errno);
        m_fd = -1;
        if (int injected = closeFailureForTest.exchange(0))
            r = AVERROR(injected);
    }
    return r;
}

void COutputFile::failNextCloseForTest(int error) {
    closeFailureForTest.store(error);
}

int COutputFile::commit(bool replaceExisting) {
    if (!m_io || m_fd < 0)
        return fail(AVERROR(EINVAL), "nothing written");
    avio_flush(m_io);
    if (m_io->error < 0)
        return fail(m_io->error, "writing");
    // The content is on the disk, and the file closed without a lost write, before it takes a
    // name: a crash after naming cannot leave an empty or short file where a good one was.
    if (::fsync(m_fd) != 0)
        return fail(AVERROR(errno), "writing");
    const std::string wanted = m_finalPath;
    if (m_unnamed) {
        // Naming works on paths from here on: an unnamed file gets a temporary name first.
        int r = AVERROR(EEXIST);
        for (int attempt = 0; attempt < 100 && r == AVERROR(EEXIST); ++attempt) {
            m_tempPath = temporaryPath(wanted);
            r = linkNoReplace(m_tempPath);
        }
        if (r < 0) {
            m_tempPath.clear();
            return fail(r, "cannot name " + wanted);
        }
        m_unnamed = false;
    }
    if (int r = close(); r < 0)
        return fail(r, "closing the file");
    if (replaceExisting) {
        if (std::rename(m_tempPath.c_str(), wanted.c_str()) != 0)
            return fail(AVERROR(errno), "cannot name " + wanted);
        m_tempPath.clear();
    } else {
        std::string stamp;
        int r = AVERROR(EEXIST);
        for (int attempt = 0; attempt < kMaxNameAttempts && r == AVERROR(EEXIST); ++attempt) {
            if (attempt == 1)
                stamp = localStamp();
            m_finalPath = attempt == 0 ? wanted : freeNameCandidate(wanted, stamp, attempt);
            r = nameLength(m_finalPath) > NAME_MAX ? AVERROR(ENAMETOOLONG)
                                                   : linkNoReplace(m_finalPath);
        }
        if (r < 0) {
            std::string tried = m_finalPath;
            m_finalPath = wanted;
            return fail(r, "cannot name " + tried);
        }
    }
    m_committed = true;
    // The name itself made durable; the file is complete either way.
    int folder = ::open(folderOf(m_finalPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return 0;
}

void COutputFile::discard() {
    close();
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    m_committed = true;
}

} // namespace vel
