#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The one XML reader and writer of the program. The whole document stays one UTF-8 text in
// memory; a table of element positions (byte offsets into that text) is built by parsing and kept
// up to date by edits, which shift offsets instead of re-parsing. A cursor walks the elements.
class CXmlparse {
public:
    struct ElemPos {
        int32_t startL = 0;       // "<" opening the start tag
        int32_t startR = 0;       // ">" closing the start tag
        int32_t endL = 0;         // "<" of the end tag; the "/" of an empty element
        int32_t endR = 0;         // ">" closing the end tag; equals startR for an empty element
        int32_t reserved = 0;     // always 0
        int32_t parentIx = 0;     // 0 for the top element
        int32_t firstChildIx = 0; // 0 when none
        int32_t nextIx = 0;       // next sibling, 0 when none
    };

    CXmlparse();
    virtual ~CXmlparse();

    bool load(const std::string& path);
    bool save(const std::string& path) const;

    bool setDoc(std::string_view text = {});
    std::string getDoc() const { return doc; }
    const std::string& getError() const { return error; }

    void resetPos();
    bool findElem(std::string_view name = {});
    bool intoElem();
    bool outOfElem();

    std::string getData() const;
    std::string getAttrib(std::string_view name) const;
    bool setAttrib(std::string_view name, std::string_view value);
    bool addElem(std::string_view name, std::string_view data = {});

    // The entries in use (entry 0 is the document itself); for checks, not for navigation.
    std::span<const ElemPos> getPositions() const {
        return {positions.data(), static_cast<size_t>(nextFree)};
    }

private:
    struct Token;

    ElemPos& entry(int ix);
    const ElemPos& entry(int ix) const;
    int newEntry();
    int parseTop();
    int parseEndTag(int ix, size_t scanFrom);
    size_t skipSpecialNode(size_t after, char kind) const;
    int parseError(const char* message, std::string_view tag = {});
    std::string_view tagName(const ElemPos& e) const;
    bool findAttrib(const ElemPos& e, std::string_view name, Token& value) const;
    bool editDoc(size_t at, size_t len, std::string_view text);

    std::string doc;
    std::string error;
    std::vector<ElemPos> positions;
    int nextFree = 1;
    int parent = 0;
    int current = 0;
    int child = 0;
    int nodeType = 0;
};
