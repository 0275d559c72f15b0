#include "CBrowseDir.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

unsigned char fold(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

bool lessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return fold(x) < fold(y); });
}

struct Entry {
    std::string name;
    bool directory = false;
};

// The folder's entries sorted by name (letter case ignored), so that each walk reports files
// in the same order.
std::vector<Entry> listFolder(const std::string& folder) {
    std::vector<Entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        entries.push_back({it->path().filename().string(), it->is_directory(typeError)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return lessNoCase(a.name, b.name); });
    return entries;
}

} // namespace

bool CBrowseDir::SetInitDir(const std::string& folder) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    if (ec || !fs::is_directory(absolute, ec))
        return false;
    std::string text = absolute.lexically_normal().string();
    if (text.empty() || text.back() != '/')
        text += '/';
    m_initDir = text;
    return true;
}

bool CBrowseDir::BeginBrowse(const std::string& patterns) {
    if (m_initDir.empty())
        return false;
    std::vector<std::string> visited;
    return Walk(m_initDir, SplitPatterns(patterns), visited);
}

bool CBrowseDir::Walk(const std::string& folder, const std::vector<std::string>& patterns,
                      std::vector<std::string>& visited) {
    // A link back up the tree must not send the walk round in circles.
    std::error_code ec;
    const std::string real = fs::canonical(folder, ec).string();
    if (!ec) {
        if (std::find(visited.begin(), visited.end(), real) != visited.end())
            return true;
        visited.push_back(real);
    }

    const std::vector<Entry> entries = listFolder(folder);
    for (const std::string& pattern : patterns)
        for (const Entry& entry : entries)
            if (!entry.directory && MatchPattern(entry.name, pattern) &&
                !ProcessFile(folder + entry.name))
                return false;

    if (!m_recursive)
        return true;
    for (const Entry& entry : entries) {
        if (!entry.directory || entry.name == "." || entry.name == "..")
            continue;
        const std::string sub = folder + entry.name + "/";
        if (!ProcessDir(sub, folder) || !Walk(sub, patterns, visited))
            return false;
    }
    return true;
}

std::vector<std::string> CBrowseDir::SplitPatterns(const std::string& patterns) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(';', start);
        if (end == std::string::npos)
            end = patterns.size();
        std::string part = patterns.substr(start, end - start);
        const auto first = part.find_first_not_of(' ');
        const auto last = part.find_last_not_of(' ');
        if (first != std::string::npos)
            out.push_back(part.substr(first, last - first + 1));
        start = end + 1;
    }
    return out;
}

bool CBrowseDir::MatchPattern(const std::string& name, const std::string& pattern) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    size_t n = 0, p = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}
