#include "ProfileCatalogue.h"

#include "BuiltInProfiles.h"

#include <algorithm>
#include <new>

namespace {

bool validCategory(int category) {
    return category >= 0 && category < kProfileCategoryCount;
}

// Largest position an `index` reference can carry in its low 16 bits.
constexpr int kMaxIndexPosition = 0xFFFF;

} // namespace

ProfileCatalogue::ProfileCatalogue() {
    for (const Profile& profile : builtInProfiles())
        add(profile);
    customChanged_ = false;
}

ProfileCatalogue& ProfileCatalogue::instance() {
    static ProfileCatalogue catalogue;
    return catalogue;
}

bool ProfileCatalogue::isValid(const Profile& p) {
    return validCategory(p.category) && !p.name.empty() &&            //
           p.videoCodec >= 0 && p.videoCodec < kVideoCodecCount &&    //
           p.audioCodec >= 0 && p.audioCodec < kAudioCodecCount &&    //
           p.format >= 0 && p.format < kFormatCount &&                //
           p.width >= 0 && p.height >= 0 &&                           //
           p.frameRate >= 0.0f && p.frameRate <= 30.0f &&             // false for NaN too
           p.aspectRatio >= 0 && p.aspectRatio < kAspectRatioCount && //
           p.videoQuality >= 0 && p.videoQuality <= 100 &&            //
           p.channel >= 0 && p.channel < kChannelCount &&             //
           p.sampleRate >= 0 && p.audioBitrate >= 0 && p.videoBitrate >= 0 && p.audioQuality >= 0 &&
           p.audioQuality <= 100;
}

int ProfileCatalogue::add(const Profile& profile) {
    if (!isValid(profile))
        return 0;
    try {
        auto record = std::make_shared<Profile>(profile);
        lists_[profile.category].push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (profile.category == kCustomCategory)
        customChanged_ = true;
    return 1;
}

std::optional<ProfileCatalogue::Location> ProfileCatalogue::locate(const Profile* record) const {
    if (record == nullptr)
        return std::nullopt;
    auto findIn = [&](int category) -> std::optional<Location> {
        const auto& list = lists_[category];
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const ProfileRef& r) { return r.get() == record; });
        if (it == list.end())
            return std::nullopt;
        return Location{category, static_cast<int>(it - list.begin())};
    };
    // The record's own category first; replace() may have changed the field since the record
    // was listed, so fall back to the other lists rather than lose track of it.
    if (validCategory(record->category))
        if (auto found = findIn(record->category))
            return found;
    for (int category = 0; category < kProfileCategoryCount; ++category)
        if (category != record->category)
            if (auto found = findIn(category))
                return found;
    return std::nullopt;
}

int ProfileCatalogue::remove(const Profile* record) {
    const auto where = locate(record);
    if (!where)
        return 0;
    auto& list = lists_[where->category];
    // Holders of a ProfileRef keep the record alive; the catalogue only lets go of it.
    list.erase(list.begin() + where->position);
    if (where->category == kCustomCategory)
        customChanged_ = true;
    return 1;
}

int ProfileCatalogue::replace(Profile* record, const Profile& values) {
    if (record == nullptr)
        return 0;
    const auto where = locate(record);
    if (record != &values)
        *record = values;
    if (record->category == kCustomCategory || (where && where->category == kCustomCategory))
        customChanged_ = true;
    return 1;
}

int ProfileCatalogue::positionOf(const Profile* record) const {
    const auto where = locate(record);
    return where ? where->position : -1;
}

bool ProfileCatalogue::containsName(int category, std::string_view name) const {
    const auto& records = list(category);
    return std::any_of(records.begin(), records.end(),
                       [&](const ProfileRef& r) { return r->name == name; });
}

ProfileRef ProfileCatalogue::at(int category, int position) const {
    if (!validCategory(category) || position < 0)
        return nullptr;
    const auto& records = lists_[category];
    if (static_cast<size_t>(position) >= records.size())
        return nullptr;
    return records[position];
}

int ProfileCatalogue::count(int category) const {
    return static_cast<int>(list(category).size());
}

const std::vector<ProfileRef>& ProfileCatalogue::list(int category) const {
    static const std::vector<ProfileRef> kNone;
    return validCategory(category) ? lists_[category] : kNone;
}

int ProfileCatalogue::addRecent(const Profile& picked) {
    if (picked.category == kRecentCategory)
        return 0;
    if (containsName(kRecentCategory, picked.name))
        return 0;
    const auto where = locate(&picked);
    if (!where || where->category == kRecentCategory || where->position > kMaxIndexPosition)
        return 0;

    Profile copy = picked;
    copy.index = (where->category << 16) | where->position;
    copy.category = kRecentCategory;
    // Check before dropping the oldest record, so a refused pick leaves the list as it was.
    if (!isValid(copy))
        return 0;
    auto& recent = lists_[kRecentCategory];
    if (recent.size() >= static_cast<size_t>(kRecentLimit))
        recent.erase(recent.begin());
    return add(copy);
}

ProfileRef ProfileCatalogue::sourceOf(int32_t index) const {
    if (index < 0)
        return nullptr;
    return at(index >> 16, index & 0xFFFF);
}

void ProfileCatalogue::copyFixedFields(Profile& to, const Profile& from) {
    to.format = from.format;
    to.videoCodecMask = from.videoCodecMask;
    to.frameSizeMaskLow = from.frameSizeMaskLow;
    to.frameSizeMaskHigh = from.frameSizeMaskHigh;
    to.frameRateOptions = from.frameRateOptions;
    to.videoBitrateOptions = from.videoBitrateOptions;
    to.aspectRatioMask = from.aspectRatioMask;
    to.audioCodecMask = from.audioCodecMask;
    to.channelMask = from.channelMask;
    to.sampleRateOptions = from.sampleRateOptions;
    to.audioBitrateOptions = from.audioBitrateOptions;
}

std::optional<Profile> ProfileCatalogue::rebuildCustom(const Profile& stored) const {
    const ProfileRef source = sourceOf(stored.index);
    if (!source)
        return std::nullopt;
    Profile rebuilt = stored;
    copyFixedFields(rebuilt, *source);
    rebuilt.category = kCustomCategory;
    return rebuilt;
}

std::optional<Profile> ProfileCatalogue::rebuildRecent(int32_t index) const {
    const ProfileRef source = sourceOf(index);
    if (!source)
        return std::nullopt;
    Profile rebuilt = *source;
    rebuilt.category = kRecentCategory;
    rebuilt.index = index;
    return rebuilt;
}

int32_t ProfileCatalogue::videoEngineId(const Profile& profile) {
    if (profile.flag & (kProfileVideoDisabled | kProfileAudioOnly))
        return 0;
    return videoCodecEngineId(profile.videoCodec);
}

int32_t ProfileCatalogue::audioEngineId(const Profile& profile) {
    if (profile.flag & kProfileAudioDisabled)
        return 0;
    return audioCodecEngineId(profile.audioCodec);
}

std::string_view ProfileCatalogue::extensionOf(const Profile& profile) {
    return formatExtension(profile.format);
}

std::string_view ProfileCatalogue::engineFormatOf(const Profile& profile) {
    return formatEngineName(profile.format);
}
