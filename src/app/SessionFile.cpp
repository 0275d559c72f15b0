#include "SessionFile.h"

#include "CXmlparse.h"
#include "ProfileCatalogue.h"

#include <charconv>
#include <concepts>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kVersion = "1";

// The fields of an item a person set, each under its element name. `Item` is MediaItem or
// const MediaItem: the snapshot reads through this list and the reader writes through it. The
// state, the profile and the finished output are written beside these (see addItem).
template <class Io, class Item> void sessionItemFields(Io& io, Item& item) {
    io("Name", item.displayName);
    io("Source", item.sourcePath);
    io("SourceSize", item.sourceSize);
    io("ClipBegin", item.clipBegin);
    io("ClipEnd", item.clipEnd);
    io("Duration", item.duration);
    io("TargetSize", item.targetSize);
    io("Brightness", item.brightness);
    io("Contrast", item.contrast);
    io("Saturation", item.saturation);
    io("Flip", item.flip);
    io("CropAspect", item.crop.aspectMode);
    io("CropLeft", item.crop.left);
    io("CropTop", item.crop.top);
    io("CropRight", item.crop.right);
    io("CropBottom", item.crop.bottom);
    io("WatermarkMode", item.watermark.mode);
    io("WatermarkImage", item.watermark.imagePath);
    io("WatermarkText", item.watermark.text);
    io("WatermarkFont", item.watermark.fontName);
    io("WatermarkColour", item.watermark.colour);
    io("WatermarkFontSize", item.watermark.fontSize);
    io("WatermarkStyle", item.watermark.style);
    io("WatermarkLeft", item.watermark.left);
    io("WatermarkTop", item.watermark.top);
    io("WatermarkAlpha", item.watermark.alpha);
    io("WatermarkWidth", item.watermark.width);
    io("WatermarkHeight", item.watermark.height);
    io("VideoDevice", item.device.videoDevice);
    io("AudioDevice", item.device.audioDevice);
    io("DeviceFrameRate", item.device.frameRate);
    io("DeviceTimeLimit", item.device.timeLimit);
    io("DevicePreview", item.device.preview);
    io("DeviceLeft", item.device.left);
    io("DeviceTop", item.device.top);
    io("DeviceRight", item.device.right);
    io("DeviceBottom", item.device.bottom);
    io("DeviceCursor", item.device.captureCursor);
}

// Every field of a profile record: an item's profile may be one the person changed since, or
// one no longer in the catalogue, so it is kept whole.
template <class Io, class P> void sessionProfileFields(Io& io, P& p) {
    io("Flag", p.flag);
    io("Category", p.category);
    io("Format", p.format);
    io("Name", p.name);
    io("Desc", p.desc);
    io("Index", p.index);
    io("VideoCodec", p.videoCodec);
    io("VideoCodecMask", p.videoCodecMask);
    io("Width", p.width);
    io("Height", p.height);
    io("FrameSizeMaskLow", p.frameSizeMaskLow);
    io("FrameSizeMaskHigh", p.frameSizeMaskHigh);
    io("FrameRate", p.frameRate);
    io("FrameRateOptions", p.frameRateOptions);
    io("VideoBitrate", p.videoBitrate);
    io("VideoBitrateOptions", p.videoBitrateOptions);
    io("AspectRatio", p.aspectRatio);
    io("AspectRatioMask", p.aspectRatioMask);
    io("VideoQuality", p.videoQuality);
    io("AudioCodec", p.audioCodec);
    io("AudioCodecMask", p.audioCodecMask);
    io("Channel", p.channel);
    io("ChannelMask", p.channelMask);
    io("SampleRate", p.sampleRate);
    io("SampleRateOptions", p.sampleRateOptions);
    io("AudioBitrate", p.audioBitrate);
    io("AudioBitrateOptions", p.audioBitrateOptions);
    io("AudioQuality", p.audioQuality);
}

struct FieldWriter {
    SessionFields& out;

    void operator()(std::string_view name, const std::string& value) {
        out.emplace_back(name, value);
    }
    template <class T>
    requires std::integral<T> || std::floating_point<T>
    void operator()(std::string_view name, const T& value) {
        char text[64];
        const auto result = std::to_chars(text, text + sizeof text, value);
        out.emplace_back(name, std::string(text, result.ptr));
    }
};

// Reads the elements in the order written; one that is absent keeps the value it has (a file
// of an older build), one that is not a number makes the file damaged.
struct FieldReader {
    CXmlparse& xml;
    bool ok = true;

    void operator()(std::string_view name, std::string& value) {
        if (xml.findElem(name))
            value = xml.getData();
    }
    template <class T>
    requires std::integral<T> || std::floating_point<T>
    void operator()(std::string_view name, T& value) {
        if (!xml.findElem(name))
            return;
        const std::string text = xml.getData();
        T parsed{};
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
        if (error != std::errc() || end != text.data() + text.size())
            ok = false;
        else
            value = parsed;
    }
};

// One element holding the fields, as its text with the line end.
std::string fragment(std::string_view name, const SessionFields& fields) {
    CXmlparse xml;
    xml.addElem(name);
    xml.intoElem();
    for (const auto& [field, value] : fields)
        xml.addElem(field, value);
    return xml.getDoc();
}

// The catalogue's record with exactly these values, preferring the one named by category and
// name; null when there is none.
ProfileRef catalogueRecord(const ProfileCatalogue& catalogue, const Profile& values) {
    for (const ProfileRef& record : catalogue.list(values.category))
        if (*record == values)
            return record;
    for (int category = 0; category < kProfileCategoryCount; ++category)
        for (const ProfileRef& record : catalogue.list(category))
            if (*record == values)
                return record;
    return nullptr;
}

bool readAll(CXmlparse& xml, ProfileCatalogue& catalogue, std::vector<SessionEntry>& entries) {
    if (!xml.findElem("Session") || !xml.intoElem())
        return false;
    std::vector<ProfileRef> profiles;
    if (xml.findElem("Profiles")) {
        xml.intoElem();
        while (xml.findElem("Profile")) {
            xml.intoElem();
            Profile profile;
            FieldReader reader{xml};
            sessionProfileFields(reader, profile);
            xml.outOfElem();
            if (!reader.ok || !ProfileCatalogue::isValid(profile))
                return false;
            ProfileRef record = catalogueRecord(catalogue, profile);
            profiles.push_back(record ? record : std::make_shared<Profile>(profile));
        }
        xml.outOfElem();
    }
    if (!xml.findElem("Items"))
        return false;
    xml.intoElem();
    while (xml.findElem("Item")) {
        xml.intoElem();
        SessionEntry entry;
        MediaItem& item = entry.item;
        int32_t state = 0;
        size_t profile = SIZE_MAX;
        FieldReader reader{xml};
        reader("State", state);
        reader("Profile", profile);
        sessionItemFields(reader, item);
        reader("Output", entry.output);
        xml.outOfElem();
        if (!reader.ok || item.sourcePath.empty() ||
            (profile != SIZE_MAX && profile >= profiles.size()))
            return false;
        item.profile = profile != SIZE_MAX ? profiles[profile] : catalogue.defaultProfile();
        item.stateFlags = state & (kItemChecked | kItemStateBits);
        entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace

void SessionFile::addItem(SessionSnapshot& snapshot, const MediaItem& item,
                          const std::string& output) {
    SessionFields fields;
    FieldWriter writer{fields};
    writer("State", item.stateFlags.load() & (kItemChecked | kItemStateBits));
    if (const Profile* record = item.profile.get()) {
        // Profiles by identity: a list of thousands shares a handful.
        auto [at, added] = snapshot.profileNumbers.try_emplace(record, snapshot.profiles.size());
        if (added) {
            snapshot.profiles.emplace_back();
            FieldWriter profileWriter{snapshot.profiles.back()};
            sessionProfileFields(profileWriter, *record);
        }
        writer("Profile", at->second);
    }
    sessionItemFields(writer, item);
    if (!output.empty())
        writer("Output", output);
    snapshot.items.push_back(std::move(fields));
}

std::string SessionFile::document(const SessionSnapshot& snapshot) {
    std::string text = std::string("<Session Version=\"") + kVersion + "\">\r\n<Profiles>\r\n";
    for (const SessionFields& profile : snapshot.profiles)
        text += fragment("Profile", profile);
    text += "</Profiles>\r\n<Items>\r\n";
    for (const SessionFields& item : snapshot.items)
        text += fragment("Item", item);
    text += "</Items>\r\n</Session>\r\n";
    return text;
}

bool SessionFile::write(const std::string& path, const std::string& document) {
    CXmlparse xml;
    return xml.setDoc(document) && xml.save(path);
}

SessionFile::LoadResult SessionFile::load(const std::string& path, ProfileCatalogue& catalogue,
                                          std::vector<SessionEntry>& entries) {
    entries.clear();
    std::error_code ec;
    if (!fs::exists(path, ec))
        return LoadResult::Missing;
    CXmlparse xml;
    if (xml.load(path) && readAll(xml, catalogue, entries))
        return LoadResult::Loaded;
    entries.clear();
    // Kept for whoever wants to look at it; the next run starts empty.
    fs::rename(path, path + ".broken", ec);
    if (ec)
        fs::remove(path, ec);
    return LoadResult::Broken;
}

void SessionFile::restoreState(SessionEntry& entry) {
    MediaItem& item = entry.item;
    const bool device = IsDevicePath(item.sourcePath);
    std::error_code ec;
    if (!device && !fs::exists(item.sourcePath, ec) && ec != std::errc::permission_denied) {
        item.setState(kItemNotExist, kItemChecked);
        item.progress = 0;
        return;
    }
    if (item.hasState(kItemFinish | kItemConverting)) {
        // Outputs get their final name only once complete, so one that is there is whole.
        const bool complete = item.hasState(kItemFinish) && !entry.output.empty() &&
                              fs::is_regular_file(entry.output, ec) &&
                              fs::file_size(entry.output, ec) > 0 && !ec;
        item.setState(complete ? kItemFinish : kItemNotConvert);
        item.progress = complete ? 10000 : 0;
        if (!complete)
            entry.output.clear();
        return;
    }
    if (item.hasState(kItemNotExist) || !item.hasState(kItemStateBits))
        item.setState(kItemNotConvert);
    item.progress = 0;
}

void SessionFile::remove(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}
