// Reads arbitrary bytes as the version file fetched from the network. Whatever is accepted must
// come back unchanged when written out as a version file and read again.
#include "CVersionUpdate.h"
#include "CXmlparse.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    VersionCheckResult first;
    if (!parseVersionFile(text, "Movara", &first))
        return 0;
    if (first.success != 1)
        std::abort();

    CXmlparse xml;
    xml.addElem("Movara");
    xml.intoElem();
    xml.addElem("MajorId", std::to_string(first.majorId));
    xml.addElem("MinorId", std::to_string(first.minorId));
    // A description of blanks alone would be written as no data at all; it reads back empty.
    xml.addElem("Desc", first.description);
    VersionCheckResult second;
    if (!parseVersionFile(xml.getDoc(), "Movara", &second) || second.majorId != first.majorId ||
        second.minorId != first.minorId)
        std::abort();
    return 0;
}
