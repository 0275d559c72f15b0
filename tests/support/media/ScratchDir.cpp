#include "ScratchDir.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

namespace testmedia {

ScratchDir::ScratchDir() {
    char pattern[] = "/tmp/movara-test-XXXXXX";
    if (char* made = mkdtemp(pattern))
        m_path = made;
}

ScratchDir::~ScratchDir() {
    if (!m_path.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

long long fileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? (long long)st.st_size : -1;
}

} // namespace testmedia
