#include "ProcessScratch.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

std::string processScratchPrefix(const std::string& prefix) {
    return prefix + std::to_string(getpid()) + "-";
}

void removeDeadScratch(const std::string& folder, const std::string& prefix,
                       const std::function<void(const std::string& path)>& remove) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (end == name.c_str() + prefix.size() || pid <= 0 || *end != '-' || pid == getpid() ||
            kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        remove(folder + "/" + name);
    }
    closedir(dir);
}
