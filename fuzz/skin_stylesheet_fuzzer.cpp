// Parses arbitrary bytes as a skin style sheet over the built-in styles, then asks the style
// queries about every window and object the sheet defined. Colours must always come out opaque,
// and a sheet that is refused must leave the tables as they were.
#include "CVelSkin.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CVelSkin skin;
    const auto windowsBefore = skin.WindowStyles().size();
    const auto colorsBefore = skin.Colors();
    const int parsed = skin.ParseStyleSheet(reinterpret_cast<const char*>(data), size);
    if (!parsed && (skin.WindowStyles().size() != windowsBefore || skin.Colors() != colorsBefore))
        std::abort();

    int queries = 0;
    for (const auto& [windowId, window] : skin.WindowStyles()) {
        if (window.objects.find(0) == window.objects.end())
            std::abort();
        for (const auto& [objectId, object] : window.objects) {
            if (++queries > 200)
                return 0;
            for (int index = -1; index <= 11; ++index) {
                if ((skin.StyleColor(windowId, objectId, index) >> 24) != 0xFF)
                    std::abort();
                skin.StyleMode(windowId, objectId, index);
            }
            skin.StyleColor(windowId, objectId, 100 + queries % 20);
            if (queries < 8)
                skin.StyleFont(windowId, objectId);
        }
    }
    return 0;
}
