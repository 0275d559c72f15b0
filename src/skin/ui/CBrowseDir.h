// The folder scanner: for each file pattern in order, the folder's matching files; then, when
// recursion is on, every subfolder depth first with the same steps. Patterns match whatever the
// letter case. A derived class decides what happens with each file and whether the walk goes on.
#pragma once

#include <string>
#include <vector>

class CBrowseDir {
public:
    CBrowseDir() = default;
    virtual ~CBrowseDir() = default;

    // The folder to walk, made absolute. False (and nothing set) when it is not a folder.
    bool SetInitDir(const std::string& folder);
    const std::string& InitDir() const { return m_initDir; }
    void SetRecursive(bool recursive) { m_recursive = recursive; }
    bool Recursive() const { return m_recursive; }

    // Walks the folder with the patterns ("*.avi;*.mp4"). False when a hook stopped the walk.
    bool BeginBrowse(const std::string& patterns);

    // Case-insensitive wildcard match of a file name: "*" any run, "?" one character; "*.*"
    // matches every name, as it did where this scanner came from.
    static bool MatchPattern(const std::string& name, const std::string& pattern);
    static std::vector<std::string> SplitPatterns(const std::string& patterns);

protected:
    // A file found; false stops the whole walk.
    virtual bool ProcessFile(const std::string& path) { return true; }
    // A subfolder about to be entered; false stops the whole walk.
    virtual bool ProcessDir(const std::string& path, const std::string& parent) { return true; }

private:
    bool Walk(const std::string& folder, const std::vector<std::string>& patterns,
              std::vector<std::string>& visited);

    std::string m_initDir;
    bool m_recursive = true;
};
