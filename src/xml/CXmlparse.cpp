#include "CXmlparse.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kTokenStops = " \t\r\n<>=\\/?!";
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
// Offsets are 32-bit; a text this large could not be addressed.
constexpr size_t kMaxDoc = INT32_MAX - 1;
constexpr size_t npos = std::string::npos;

// A name matches a token when the token is a prefix of the name that ends the name or is
// followed by one of " =/[".
bool matches(std::string_view token, std::string_view name) {
    if (name.size() < token.size() || name.compare(0, token.size(), token) != 0)
        return false;
    return name.size() == token.size() || std::string_view(" =/[").find(name[token.size()]) != npos;
}

// Element data escapes the first three, attribute values all five.
constexpr std::pair<char, std::string_view> kEntities[] = {
    {'<', "&lt;"}, {'&', "&amp;"}, {'>', "&gt;"}, {'\'', "&apos;"}, {'"', "&quot;"}};

std::string escape(std::string_view text, bool attribute) {
    const auto* end = std::begin(kEntities) + (attribute ? 5 : 3);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto* it =
            std::find_if(std::begin(kEntities), end, [c](auto& e) { return e.first == c; });
        if (it != end)
            out += it->second;
        else
            out += c;
    }
    return out;
}

// Only the five entities above are decoded; any other "&" is kept as it stands.
std::string unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto* it = std::end(kEntities);
        if (text[i] == '&')
            it = std::find_if(std::begin(kEntities), it,
                              [&](auto& e) { return text.substr(i).starts_with(e.second); });
        if (it == std::end(kEntities)) {
            out += text[i];
        } else {
            out += it->first;
            i += it->second.size() - 1;
        }
    }
    return out;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

// A token inside a tag: a quoted string (content without quotes) or a run of characters up to a
// blank or one of "<>=\/?!"; each of those special characters is a token of its own.
struct CXmlparse::Token {
    size_t begin = 0;
    size_t end = 0;
    bool quoted = false;
    bool closed = true; // false for a quoted string that runs to the end of the text

    std::string_view in(std::string_view text) const { return text.substr(begin, end - begin); }
    bool is(std::string_view text, char c) const {
        return !quoted && end > begin && text[begin] == c;
    }

    // Reads the token at or after `next` in `text`; false when only blanks remain.
    bool read(std::string_view text, size_t& next) {
        size_t i = text.find_first_not_of(kBlanks, next);
        if (i == npos) {
            next = text.size();
            return false;
        }
        quoted = text[i] == '"' || text[i] == '\'';
        if (quoted) {
            size_t close = text.find(text[i], i + 1);
            closed = close != npos;
            begin = i + 1;
            end = closed ? close : text.size();
            next = closed ? close + 1 : text.size();
            return true;
        }
        closed = true;
        begin = i;
        end = std::min(text.find_first_of(kTokenStops, i), text.size());
        if (end == i)
            ++end;
        next = end;
        return true;
    }
};

CXmlparse::CXmlparse() : positions(1) {}

CXmlparse::~CXmlparse() = default;

CXmlparse::ElemPos& CXmlparse::entry(int ix) {
    if (ix < 0 || ix >= nextFree)
        throw std::invalid_argument("CXmlparse: entry index outside the position table");
    return positions[static_cast<size_t>(ix)];
}

const CXmlparse::ElemPos& CXmlparse::entry(int ix) const {
    return const_cast<CXmlparse*>(this)->entry(ix);
}

int CXmlparse::newEntry() {
    if (static_cast<size_t>(nextFree) >= positions.size())
        positions.resize(std::max(positions.size() * 3 / 2, positions.size() + 1));
    positions[static_cast<size_t>(nextFree)] = ElemPos{};
    return nextFree++;
}

bool CXmlparse::load(const std::string& path) {
    // The file is UTF-8 and the document stays UTF-8: the bytes are taken as they are, and with
    // no conversion there is nothing that could come out shorter than the file.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string text;
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || text.size() + static_cast<size_t>(n) > kMaxDoc) {
            ok = n == 0;
            break;
        }
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok && setDoc(text);
}

// Writes a temporary file beside the target and renames it over the target only once it is
// complete on disk, so a failed save never leaves a truncated file where a good one was.
bool CXmlparse::save(const std::string& path) const {
    static std::atomic<unsigned> counter{0};
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        tmp = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) // keep the permissions of the file being replaced
        ::fchmod(fd, old.st_mode & 07777);

    bool ok = writeAll(fd, kDeclaration) && writeAll(fd, doc) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; the new file is complete either way.
    std::string dir = path.substr(0, path.find_last_of('/') + 1);
    int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool CXmlparse::setDoc(std::string_view text) {
    nextFree = 1;
    resetPos();
    error.clear();
    doc.assign(text);
    if (doc.size() > kMaxDoc)
        return false;
    positions.assign(doc.size() / 64 + 8, ElemPos{});
    if (doc.empty())
        return false;

    int top = parseTop();
    positions[0] = ElemPos{};
    resetPos();
    if (top <= 0) {
        nextFree = 1;
        return false;
    }
    positions[0].firstChildIx = top;
    return true;
}

int CXmlparse::parseError(const char* message, std::string_view tag) {
    error = message;
    if (size_t at = error.find("%s"); at != npos)
        error.replace(at, 2, tag);
    return -1;
}

// Parses the top element and everything inside it. Returns its entry index, 0 when an end tag
// came first, -1 on a parse error. Open elements are kept on an explicit stack rather than the
// call stack, so deeply nested input cannot exhaust it.
int CXmlparse::parseTop() {
    std::vector<int> open;
    std::vector<int> lastChild{0};
    size_t scan = 0;
    for (;;) {
        size_t lt = doc.find('<', scan);
        if (lt == npos)
            return parseError("Element tag not found");
        size_t next = lt + 1;
        Token tok;
        if (!tok.read(doc, next))
            return parseError("Abrupt end within tag");
        if (tok.quoted)
            return parseError("Tag starts with quote");

        if (tok.is(doc, '!') || tok.is(doc, '?')) {
            scan = skipSpecialNode(next, doc[tok.begin]);
            if (scan == npos)
                return parseError("Invalid node");
            continue;
        }

        int ix;
        if (tok.is(doc, '/')) {
            if (open.empty())
                return 0;
            ix = open.back();
            if (parseEndTag(ix, lt) < 0)
                return -1;
            open.pop_back();
            lastChild.pop_back();
            scan = static_cast<size_t>(positions[ix].endR) + 1;
        } else {
            size_t gt = doc.find('>', tok.end);
            if (gt == npos)
                return parseError("End of tag not found");
            ix = newEntry();
            ElemPos& e = positions[ix];
            e.startL = static_cast<int32_t>(lt);
            e.startR = static_cast<int32_t>(gt);
            e.parentIx = open.empty() ? 0 : open.back();
            if (lastChild.back())
                positions[lastChild.back()].nextIx = ix;
            else if (!open.empty())
                positions[open.back()].firstChildIx = ix;
            lastChild.back() = ix;
            scan = gt + 1;
            if (doc[gt - 1] != '/') {
                open.push_back(ix);
                lastChild.push_back(0);
                continue;
            }
            e.endL = e.startR - 1;
            e.endR = e.startR;
        }
        if (open.empty())
            return ix;
    }
}

// Skips a "<?...?>", "<![...]]>", "<!--...-->" or other "<!...>" node whose "?" or "!" ends
// just before `after`. Returns the offset behind the node, npos when it is not terminated.
size_t CXmlparse::skipSpecialNode(size_t after, char kind) const {
    auto behind = [&](std::string_view terminator) {
        size_t at = doc.find(terminator, after);
        return at == npos ? npos : at + terminator.size();
    };
    if (kind == '?')
        return behind("?>");
    if (after < doc.size() && doc[after] == '[')
        return behind("]]>");
    if (after < doc.size() && doc[after] == '-')
        return behind("-->");
    // A declaration such as <!DOCTYPE ...[ ... ]>: the first ">" outside square brackets.
    int depth = 0;
    Token tok;
    for (size_t next = after; tok.read(doc, next);) {
        if (tok.quoted)
            continue;
        if (depth == 0 && tok.is(doc, '>'))
            return next;
        for (char c : tok.in(doc)) {
            if (c == '[')
                ++depth;
            else if (c == ']' && depth > 0)
                --depth;
        }
    }
    return npos;
}

// Checks the end tag of element `ix` found at or after `scanFrom` and records its offsets.
// Returns `ix`, or -1 on a parse error.
int CXmlparse::parseEndTag(int ix, size_t scanFrom) {
    const std::string_view name = tagName(positions[ix]);
    size_t lt = doc.find('<', scanFrom);
    if (lt == npos)
        return parseError("End tag of %s element not found", name);
    size_t next = lt + 1;
    int count = 0;
    bool closed = false;
    Token tok;
    while (!closed && tok.read(doc, next)) {
        ++count;
        if (count == 1 && !tok.is(doc, '/'))
            return parseError("Expecting end tag of element %s", name);
        if (count == 2 && (tok.quoted || !matches(tok.in(doc), name)))
            return parseError("End tag does not correspond to %s", name);
        closed = tok.is(doc, '>');
    }
    if (!closed || count < 2)
        return parseError("End tag not completed for element %s", name);
    positions[ix].endL = static_cast<int32_t>(lt);
    positions[ix].endR = static_cast<int32_t>(next - 1);
    return ix;
}

std::string_view CXmlparse::tagName(const ElemPos& e) const {
    size_t next = static_cast<size_t>(e.startL) + 1;
    Token tok;
    return tok.read(doc, next) ? tok.in(doc) : std::string_view{};
}

void CXmlparse::resetPos() {
    parent = current = child = nodeType = 0;
}

bool CXmlparse::findElem(std::string_view name) {
    if (nextFree <= 1)
        return false;
    int ix = current ? entry(current).nextIx : entry(parent).firstChildIx;
    for (; ix; ix = entry(ix).nextIx) {
        if (name.empty() || matches(tagName(entry(ix)), name)) {
            current = ix;
            parent = entry(ix).parentIx;
            child = 0;
            nodeType = 1;
            return true;
        }
    }
    return false;
}

bool CXmlparse::intoElem() {
    if (!current || nodeType != 1)
        return false;
    parent = current;
    current = child;
    child = 0;
    nodeType = current ? 1 : 0;
    return true;
}

bool CXmlparse::outOfElem() {
    if (!parent)
        return false;
    child = current;
    current = parent;
    parent = entry(current).parentIx;
    nodeType = 1;
    return true;
}

std::string CXmlparse::getData() const {
    if (!current)
        return {};
    const ElemPos& e = entry(current);
    if (e.firstChildIx || e.startR == e.endL + 1)
        return {};
    const size_t begin = static_cast<size_t>(e.startR) + 1;
    const size_t endL = static_cast<size_t>(e.endL);
    const std::string_view content(doc.data() + begin, endL - begin);

    constexpr std::string_view kCdata = "<![CDATA[";
    size_t lead = std::min(content.find_first_not_of(kBlanks), content.size());
    std::string_view rest = content.substr(lead);
    if (rest.size() > 11 && rest.starts_with(kCdata)) {
        size_t close = rest.find("]]>", kCdata.size());
        if (close != npos) // within the content, so before the end tag
            return std::string(rest.substr(kCdata.size(), close - kCdata.size()));
    }
    return unescape(content);
}

// Finds attribute `name` in the start tag of `e`. Tokens are read only up to the ">" that ended
// the start tag, so a value never reaches into the element's content.
bool CXmlparse::findAttrib(const ElemPos& e, std::string_view name, Token& value) const {
    const std::string_view tag(doc.data(), static_cast<size_t>(e.startR) + 1);
    size_t next = static_cast<size_t>(e.startL) + 1;
    Token tok;
    if (!tok.read(tag, next)) // the tag name
        return false;
    while (tok.read(tag, next)) {
        if (tok.is(tag, '/') || tok.is(tag, '>') || tok.is(tag, '?'))
            return false;
        if (tok.quoted || !matches(tok.in(tag), name))
            continue;
        size_t after = next;
        Token eq;
        if (eq.read(tag, after) && eq.is(tag, '=') && value.read(tag, after) && value.quoted &&
            value.closed)
            return true;
    }
    return false;
}

std::string CXmlparse::getAttrib(std::string_view name) const {
    Token value;
    if (!current || nodeType != 1 || !findAttrib(entry(current), name, value))
        return {};
    return unescape(value.in(doc));
}

bool CXmlparse::setAttrib(std::string_view name, std::string_view value) {
    if (!current || nodeType != 1)
        return false;
    const ElemPos& e = entry(current);
    const std::string escaped = escape(value, true);
    Token old;
    if (findAttrib(e, name, old))
        return editDoc(old.begin, old.end - old.begin, escaped);
    const bool empty = e.startR == e.endL + 1;
    const size_t at = static_cast<size_t>(empty ? e.endL : e.startR);
    return editDoc(at, 0, " " + std::string(name) + "=\"" + escaped + "\"");
}

bool CXmlparse::addElem(std::string_view name, std::string_view data) {
    if (parent == 0 && entry(0).firstChildIx)
        return false; // one top element only

    std::string text = "<" + std::string(name);
    if (data.empty())
        text += "/>\r\n";
    else
        text += ">" + escape(data, false) + "</" + std::string(name) + ">\r\n";

    size_t at = doc.size();
    size_t replaced = 0;
    std::string before, after;
    const ElemPos* p = parent ? &entry(parent) : nullptr;
    if (p && p->startR == p->endL + 1) {
        // An empty parent gets a start and an end tag: its "/" becomes ">\r\n...</name".
        at = static_cast<size_t>(p->endL);
        replaced = 1;
        before = ">\r\n";
        after = "</" + std::string(tagName(*p));
    } else if (current) {
        at = static_cast<size_t>(entry(current).endR) + 1;
        size_t q = doc.find_first_not_of(kBlanks, at);
        if (q != npos && doc[q] == '<')
            at = q;
    } else if (p) {
        at = static_cast<size_t>(p->endL);
        if (p->endL == p->startR + 1)
            before = "\r\n";
    }

    const size_t startL = at + before.size();
    if (!editDoc(at, replaced, before + text + after))
        return false;
    if (replaced) {
        ElemPos& pe = entry(parent);
        pe.startR = static_cast<int32_t>(at);
        pe.endL = static_cast<int32_t>(startL + text.size());
        pe.endR = static_cast<int32_t>(at + before.size() + text.size() + after.size());
    }

    const int ix = newEntry();
    ElemPos& e = positions[ix];
    e.parentIx = parent;
    e.startL = static_cast<int32_t>(startL);
    if (data.empty()) {
        e.startR = e.startL + static_cast<int32_t>(name.size()) + 2;
        e.endL = e.startR - 1;
        e.endR = e.startR;
    } else {
        e.startR = e.startL + static_cast<int32_t>(name.size()) + 1;
        e.endR = static_cast<int32_t>(startL + text.size()) - 3; // before the "\r\n"
        e.endL = e.endR - static_cast<int32_t>(name.size()) - 2;
    }

    if (current) {
        e.nextIx = entry(current).nextIx;
        entry(current).nextIx = ix;
    } else {
        int last = entry(parent).firstChildIx;
        if (!last)
            entry(parent).firstChildIx = ix;
        else {
            while (entry(last).nextIx)
                last = entry(last).nextIx;
            entry(last).nextIx = ix;
        }
    }
    current = ix;
    child = 0;
    nodeType = 1;
    return true;
}

// Replaces `len` bytes at `at` with `text` and moves every offset behind the replaced bytes.
bool CXmlparse::editDoc(size_t at, size_t len, std::string_view text) {
    if (doc.size() - len + text.size() > kMaxDoc)
        return false;
    doc.replace(at, len, text);
    const auto limit = static_cast<int32_t>(at + len);
    const auto delta = static_cast<int32_t>(text.size()) - static_cast<int32_t>(len);
    for (int i = 1; i < nextFree; ++i) {
        ElemPos& e = positions[i];
        for (int32_t* v : {&e.startL, &e.startR, &e.endL, &e.endR})
            if (*v >= limit)
                *v += delta;
    }
    return true;
}
