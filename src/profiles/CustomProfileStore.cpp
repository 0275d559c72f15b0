#include "CustomProfileStore.h"

#include "CXmlparse.h"
#include "OptionText.h"
#include "ProfileCatalogue.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <mutex>

namespace {

// One value element of a StandardSetting: its name and the profile field it holds (an integer
// field, or the frame rate).
struct ValueElement {
    const char* name;
    int32_t Profile::*intField;
    float Profile::*floatField;
};

// In file order; the reader searches forward only, so the writer keeps this order.
constexpr std::array<ValueElement, 7> kVideoValues{{
    {"Codec", &Profile::videoCodec, nullptr},
    {"Bitrate", &Profile::videoBitrate, nullptr},
    {"FrameRate", nullptr, &Profile::frameRate},
    {"Width", &Profile::width, nullptr},
    {"Height", &Profile::height, nullptr},
    {"AspectRatio", &Profile::aspectRatio, nullptr},
    {"Quality", &Profile::videoQuality, nullptr},
}};
constexpr std::array<ValueElement, 5> kAudioValues{{
    {"Codec", &Profile::audioCodec, nullptr},
    {"Bitrate", &Profile::audioBitrate, nullptr},
    {"SampleRate", &Profile::sampleRate, nullptr},
    {"Channel", &Profile::channel, nullptr},
    {"Quality", &Profile::audioQuality, nullptr},
}};

// "%f" of the single-precision value, whatever the process locale.
std::string sixDecimals(float value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0.000000");
}

template <size_t N>
void readValues(CXmlparse& xml, const std::array<ValueElement, N>& values, Profile& profile) {
    for (const ValueElement& value : values) {
        if (!xml.findElem(value.name))
            return;
        const std::string text = xml.getData();
        if (value.floatField)
            profile.*value.floatField = parseOptionValue(text);
        else
            profile.*value.intField = parseOptionInt(text);
    }
}

// Finds `kind` ("Video" or "Audio") after the cursor and reads its StandardSetting values. The
// cursor stays on `kind` when found, else where it was.
template <size_t N>
void readStream(CXmlparse& xml, const char* kind, const std::array<ValueElement, N>& values,
                Profile& profile) {
    if (!xml.findElem(kind))
        return;
    xml.intoElem();
    if (xml.findElem("Setting")) {
        xml.intoElem();
        if (xml.findElem("StandardSetting")) {
            xml.intoElem();
            readValues(xml, values, profile);
            xml.outOfElem();
        }
        xml.outOfElem();
    }
    xml.outOfElem();
}

template <size_t N>
void writeStream(CXmlparse& xml, const char* kind, const std::array<ValueElement, N>& values,
                 const Profile& profile) {
    xml.addElem(kind);
    xml.intoElem();
    xml.addElem("Setting");
    xml.intoElem();
    xml.addElem("StandardSetting");
    xml.intoElem();
    for (const ValueElement& value : values)
        xml.addElem(value.name, value.floatField ? sixDecimals(profile.*value.floatField)
                                                 : std::to_string(profile.*value.intField));
    xml.outOfElem();
    xml.addElem("ExtendedSetting");
    xml.outOfElem();
    xml.outOfElem();
}

bool readStore(ProfileCatalogue& catalogue, CXmlparse& xml) {
    if (xml.getPositions().size() <= 1 || !xml.findElem("VelProfile"))
        return false;
    xml.intoElem();
    // One record for every stored profile: a value element that is missing keeps what the
    // previous profile of the file had.
    Profile scratch;
    while (xml.findElem("Profile")) {
        scratch.flag = parseOptionInt(xml.getAttrib("Flag"));
        scratch.index = parseOptionInt(xml.getAttrib("Index"));
        scratch.name = xml.getAttrib("Name");
        scratch.desc = xml.getAttrib("Desc");
        xml.intoElem();
        readStream(xml, "Video", kVideoValues, scratch);
        readStream(xml, "Audio", kAudioValues, scratch);
        xml.outOfElem();
        // The source must resolve and the result pass validation; otherwise it is dropped.
        if (const std::optional<Profile> rebuilt = catalogue.rebuildCustom(scratch))
            catalogue.add(*rebuilt);
    }
    return true;
}

// True when a start would take every profile the file holds.
bool takesEveryStoredProfile(const std::string& path) {
    CXmlparse xml;
    ProfileCatalogue scratch;
    if (!xml.load(path) || !readStore(scratch, xml))
        return false;
    xml.resetPos();
    xml.findElem("VelProfile");
    xml.intoElem();
    int stored = 0;
    while (xml.findElem("Profile"))
        ++stored;
    return stored == scratch.count(kCustomCategory);
}

} // namespace

std::string customProfilePath(std::string_view fileName, const std::string& folder) {
    if (fileName.find('/') != std::string_view::npos)
        return std::string(fileName);
    if (folder.empty())
        return {};
    return folder + "/" + std::string(fileName);
}

bool loadCustomProfiles(ProfileCatalogue& catalogue, const std::string& path) {
    CXmlparse xml;
    return !path.empty() && xml.load(path) && readStore(catalogue, xml);
}

bool readCustomProfiles(ProfileCatalogue& catalogue, std::string_view text) {
    CXmlparse xml;
    return xml.setDoc(text) && readStore(catalogue, xml);
}

std::string customProfilesDocument(const ProfileCatalogue& catalogue) {
    CXmlparse xml;
    xml.setDoc();
    xml.addElem("VelProfile");
    xml.setAttrib("Version", "1.0.0");
    xml.intoElem();
    for (const ProfileRef& profile : catalogue.list(kCustomCategory)) {
        xml.addElem("Profile");
        xml.setAttrib("Flag", std::to_string(profile->flag));
        xml.setAttrib("Index", std::to_string(profile->index));
        xml.setAttrib("Name", profile->name);
        xml.setAttrib("Desc", profile->desc);
        xml.intoElem();
        writeStream(xml, "Video", kVideoValues, *profile);
        writeStream(xml, "Audio", kAudioValues, *profile);
        xml.outOfElem();
    }
    return xml.getDoc();
}

bool saveCustomProfiles(ProfileCatalogue& catalogue, const std::string& path) {
    if (!catalogue.customChanged())
        return false;
    catalogue.setCustomChanged(false);
    if (path.empty())
        return false;
    // A file the start could not read whole (cut short, or hand-edited into profiles that
    // are dropped) still holds the user's work: it is kept beside the new one.
    if (std::FILE* existing = std::fopen(path.c_str(), "rb")) {
        std::fclose(existing);
        if (!takesEveryStoredProfile(path))
            std::rename(path.c_str(), (path + ".broken").c_str());
    }
    CXmlparse xml;
    return xml.setDoc(customProfilesDocument(catalogue)) && xml.save(path);
}

bool loadProcessCustomProfiles(const std::string& folder) {
    static std::once_flag once;
    bool loaded = false;
    std::call_once(once, [&] {
        loaded = loadCustomProfiles(ProfileCatalogue::instance(),
                                    customProfilePath(kCustomProfileFileName, folder));
    });
    return loaded;
}
