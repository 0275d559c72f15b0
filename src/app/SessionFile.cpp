#include "SessionFile.h"

#include "CXmlparse.h"
#include "ProfileCatalogue.h"

#include <algorithm>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <cstring>
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
    io("LoudnessOn", item.loudness.on);
    io("LoudnessTarget", item.loudness.target);
    io("LoudnessCeiling", item.loudness.ceiling);
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
    io("AudioTrack", item.audioTrack);
    io("BurnSubtitles", item.burnSubtitles);
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

// The values of the fields list in one buffer: numbers as their bytes, text as its length and
// bytes. PackedReader takes them out again in the same order.
struct Packer {
    std::string& out;

    void operator()(std::string_view, const std::string& value) {
        const uint32_t size = static_cast<uint32_t>(value.size());
        out.append(reinterpret_cast<const char*>(&size), sizeof size);
        out.append(value);
    }
    template <class T>
    requires std::integral<T> || std::floating_point<T>
    void operator()(std::string_view, const T& value) {
        out.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
};

struct Unpacker {
    std::string_view in;

    void operator()(std::string_view, std::string& value) {
        uint32_t size = 0;
        take(&size, sizeof size);
        value.assign(in.substr(0, size));
        in.remove_prefix(std::min<size_t>(size, in.size()));
    }
    template <class T>
    requires std::integral<T> || std::floating_point<T>
    void operator()(std::string_view, T& value) { take(&value, sizeof value); }
    void take(void* to, size_t size) {
        if (in.size() >= size)
            std::memcpy(to, in.data(), size);
        in.remove_prefix(std::min(size, in.size()));
    }
};

// One element per value, as text.
struct ElementWriter {
    CXmlparse& xml;

    void operator()(std::string_view name, const std::string& value) { xml.addElem(name, value); }
    void operator()(std::string_view name, const bool& value) {
        xml.addElem(name, value ? "1" : "0");
    }
    template <class T>
    requires std::integral<T> || std::floating_point<T>
    void operator()(std::string_view name, const T& value) {
        char text[64];
        const auto result = std::to_chars(text, text + sizeof text, value);
        xml.addElem(name, std::string_view(text, static_cast<size_t>(result.ptr - text)));
    }
};

// What an item carries beside its fields, packed first.
struct ItemHead {
    int32_t state = 0;
    int64_t profile = -1; // none
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
    void operator()(std::string_view name, bool& value) {
        int32_t number = value ? 1 : 0;
        (*this)(name, number);
        if (number != 0 && number != 1)
            ok = false;
        value = number == 1;
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

// One element holding the values the visit writes, as its text with the line end.
template <class Visit> std::string fragment(std::string_view name, Visit visit) {
    CXmlparse xml;
    xml.addElem(name);
    xml.intoElem();
    ElementWriter writer{xml};
    visit(writer);
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
    ItemHead head;
    head.state = item.stateFlags.load() & (kItemChecked | kItemStateBits);
    if (const Profile* record = item.profile.get()) {
        // Profiles by identity: a list of thousands shares a handful.
        auto [at, added] = snapshot.profileNumbers.try_emplace(record, snapshot.profiles.size());
        if (added) {
            Packer packer{snapshot.profiles.emplace_back()};
            sessionProfileFields(packer, *record);
        }
        head.profile = static_cast<int64_t>(at->second);
    }
    std::string& packed = snapshot.items.emplace_back();
    packed.reserve(512);
    Packer packer{packed};
    packer("State", head.state);
    packer("Profile", head.profile);
    sessionItemFields(packer, item);
    packer("Output", output);
}

std::string SessionFile::document(const SessionSnapshot& snapshot) {
    std::string text = std::string("<Session Version=\"") + kVersion + "\">\r\n<Profiles>\r\n";
    for (const std::string& packed : snapshot.profiles) {
        Profile profile;
        Unpacker unpacker{packed};
        sessionProfileFields(unpacker, profile);
        text += fragment("Profile", [&](ElementWriter& w) { sessionProfileFields(w, profile); });
    }
    text += "</Profiles>\r\n<Items>\r\n";
    for (const std::string& packed : snapshot.items) {
        ItemHead head;
        MediaItem item;
        std::string output;
        Unpacker unpacker{packed};
        unpacker("State", head.state);
        unpacker("Profile", head.profile);
        sessionItemFields(unpacker, item);
        unpacker("Output", output);
        text += fragment("Item", [&](ElementWriter& w) {
            w("State", head.state);
            if (head.profile >= 0)
                w("Profile", head.profile);
            sessionItemFields(w, item);
            if (!output.empty())
                w("Output", output);
        });
    }
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
