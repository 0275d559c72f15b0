// Reads arbitrary bytes as a custom profile store into a fresh catalogue; whatever was taken must
// come back the same (count, order, names) from the document the store would write.
#include "CustomProfileStore.h"
#include "ProfileCatalogue.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProfileCatalogue first;
    readCustomProfiles(first, std::string_view(reinterpret_cast<const char*>(data), size));
    ProfileCatalogue second;
    if (!readCustomProfiles(second, customProfilesDocument(first)))
        std::abort();
    const auto& a = first.list(kCustomCategory);
    const auto& b = second.list(kCustomCategory);
    if (a.size() != b.size())
        std::abort();
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i]->name != b[i]->name || a[i]->desc != b[i]->desc || a[i]->index != b[i]->index)
            std::abort();
    return 0;
}
