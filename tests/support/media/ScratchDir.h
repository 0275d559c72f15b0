// A fresh folder under /tmp for one test's outputs, removed with everything in it afterwards.
#pragma once

#include <string>

namespace testmedia {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

bool fileExists(const std::string& path);
long long fileSize(const std::string& path); // -1 when missing

} // namespace testmedia
