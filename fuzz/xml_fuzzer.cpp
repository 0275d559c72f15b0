// Parses arbitrary bytes as an XML document, walks every element, reads data and attributes, and
// edits the parsed document; after each edit the position table must still point at the tags.
#include "CXmlparse.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Every entry must name a "<" ... ">" start tag and an end tag (or the "/" of an empty element)
// inside the text, and link only to entries in use.
void checkPositions(const CXmlparse& xml) {
    const std::string doc = xml.getDoc();
    const auto p = xml.getPositions();
    const auto n = static_cast<int32_t>(p.size());
    const auto size = static_cast<int32_t>(doc.size());
    for (int32_t i = 1; i < n; ++i) {
        const CXmlparse::ElemPos& e = p[i];
        bool ok = e.startL >= 0 && e.startL < e.startR && e.endR < size && doc[e.startL] == '<' &&
                  doc[e.startR] == '>' && doc[e.endR] == '>' && e.reserved == 0 &&
                  e.parentIx >= 0 && e.parentIx < n && e.firstChildIx >= 0 && e.firstChildIx < n &&
                  e.nextIx >= 0 && e.nextIx < n;
        if (ok && e.startR == e.endL + 1)
            ok = doc[e.endL] == '/' && e.endR == e.startR && e.firstChildIx == 0;
        else if (ok)
            ok = e.endL > e.startR && e.endR > e.endL && doc[e.endL] == '<';
        if (!ok)
            std::abort();
    }
}

// Depth-first walk through the cursor; returns the number of elements seen.
int walk(CXmlparse& xml, int budget) {
    int seen = 0;
    while (seen < budget && xml.findElem()) {
        ++seen;
        (void)xml.getData();
        (void)xml.getAttrib("a");
        (void)xml.getAttrib("version");
        (void)xml.getAttrib("");
        if (xml.intoElem()) {
            seen += walk(xml, budget - seen);
            xml.outOfElem();
        }
    }
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CXmlparse xml;
    const bool parsed = xml.setDoc(std::string_view(reinterpret_cast<const char*>(data), size));
    checkPositions(xml);
    const int elements = walk(xml, 100000);
    if (parsed != (elements > 0) || elements != static_cast<int>(xml.getPositions().size()) - 1)
        std::abort();

    // Edit the first and the last element reached, then the top, and check the table each time.
    xml.resetPos();
    if (xml.findElem()) {
        xml.setAttrib("a", "x\"<&>'");
        if (xml.getAttrib("a").empty() && xml.getDoc().find("a=\"x&quot;") == std::string::npos)
            std::abort();
        checkPositions(xml);
        if (xml.intoElem()) {
            while (xml.findElem()) {
            }
            if (!xml.addElem("fz", "d<&>") || xml.getData() != "d<&>")
                std::abort();
            xml.setAttrib("a", "1");
            checkPositions(xml);
            xml.intoElem();
            if (!xml.addElem("inner"))
                std::abort();
            checkPositions(xml);
            xml.outOfElem();
            xml.outOfElem();
        }
        xml.setAttrib("version", "2");
        checkPositions(xml);
        xml.resetPos();
        if (walk(xml, 100000) != static_cast<int>(xml.getPositions().size()) - 1)
            std::abort();
    } else if (!xml.addElem("top", "t") || xml.getData() != "t") {
        std::abort();
    }
    checkPositions(xml);
    return 0;
}
