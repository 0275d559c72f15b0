#include "ProfileChoice.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace {

// Keyed by the catalogue's own names, which never change.
constexpr std::pair<const char*, const char*> kAliases[] = {
    {"MPEG-4 Video(*.mp4)", "mpeg4-mp4"},
    {"H.264 Video(*.mp4)", "h264-mp4"},
    {"MOV Video(*.mov)", "mov"},
    {"M4V Video(*.m4v)", "m4v"},
    {"M4A-MPEG4 Audio(*.m4a)", "m4a"},
    {"AAC-Advanced Audio Coding(*.aac)", "aac"},
    {"MP3-MPEG Layer 3 Audio(*.mp3)", "mp3"},
    {"WAV-Waveform Audio(*.wav)", "wav"},
    {"3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", "3gp-176x144"},
    {"3GPP-3rd Generation Partnership Project(original size)(*.3gp)", "3gp-original"},
    {"3GPP-3rd Generation Partnership Project2(176x144)(*.3g2)", "3g2-176x144"},
    {"3GPP-3rd Generation Partnership Project2(original size)(*.3g2)", "3g2-original"},
    {"MP4-MPEG-4 Video (176x144)(*.mp4)", "mp4-176x144"},
    {"MP4-MPEG-4 Video (original size)(*.mp4)", "mp4-original"},
    {"BlackBerry H.263 3GP Video(176x144)(*.3gp)", "blackberry-h263-3gp"},
    {"BlackBerry 3GP Video(176x144)(*.3gp)", "blackberry-3gp"},
    {"BlackBerry H.263 3G2 Video(176x144)(*.3g2)", "blackberry-h263-3g2"},
    {"BlackBerry 3G2 Video(176x144)(*.3g2)", "blackberry-3g2"},
    {"BlackBerry H.263 AVI Video(176x144)(*.avi)", "blackberry-h263-avi"},
    {"BlackBerry AMR Audio(*.amr)", "blackberry-amr"},
    {"BlackBerry MPEG-4 Video(176x144)(*.mp4)", "blackberry-mp4"},
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::vector<ProfileRef> everyProfile(const ProfileCatalogue& catalogue) {
    std::vector<ProfileRef> all;
    for (int category = 0; category < kProfileCategoryCount; ++category)
        for (const ProfileRef& profile : catalogue.list(category))
            all.push_back(profile);
    return all;
}

std::string frameSize(const Profile& profile) {
    if (!profile.hasVideo())
        return "";
    if (profile.width <= 0 || profile.height <= 0)
        return "original";
    return std::to_string(profile.width) + "x" + std::to_string(profile.height);
}

} // namespace

std::string profileAlias(const Profile& profile) {
    // Custom profiles may carry a built-in's name; only the built-ins have aliases.
    if (profile.category == kCustomCategory)
        return "";
    for (const auto& [name, alias] : kAliases)
        if (profile.name == name)
            return alias;
    return "";
}

ProfileRef chooseProfile(const ProfileCatalogue& catalogue, const std::string& name,
                         std::string* error) {
    const std::vector<ProfileRef> all = everyProfile(catalogue);
    for (const ProfileRef& profile : all)
        if (profile->name == name)
            return profile;
    const std::string wanted = lower(name);
    for (const ProfileRef& profile : all)
        if (lower(profile->name) == wanted || lower(profileAlias(*profile)) == wanted)
            return profile;
    std::vector<ProfileRef> fits;
    for (const ProfileRef& profile : all)
        if (!wanted.empty() && lower(profile->name).rfind(wanted, 0) == 0)
            fits.push_back(profile);
    if (fits.size() == 1)
        return fits.front();
    if (fits.empty()) {
        *error = "--profile: no profile is named \"" + name + "\" (--list-profiles lists them)";
    } else {
        *error = "--profile: \"" + name + "\" begins " + std::to_string(fits.size()) + " profiles:";
        for (const ProfileRef& profile : fits)
            *error += " \"" + profile->name + "\"";
    }
    return nullptr;
}

void printProfiles(const ProfileCatalogue& catalogue, bool details, bool json, std::FILE* out) {
    for (const ProfileRef& profile : everyProfile(catalogue)) {
        const std::string category(ProfileCatalogue::category(profile->category).name);
        const std::string extension(ProfileCatalogue::extensionOf(*profile));
        const std::string alias = profileAlias(*profile);
        const std::string container(ProfileCatalogue::engineFormatOf(*profile));
        const std::string video(profile->hasVideo()
                                    ? ProfileCatalogue::videoCodecName(profile->videoCodec)
                                    : std::string_view{});
        const std::string audio(profile->hasAudio()
                                    ? ProfileCatalogue::audioCodecName(profile->audioCodec)
                                    : std::string_view{});
        const int videoKbits = profile->hasVideo() ? profile->videoBitrate : 0;
        const int audioKbits = profile->hasAudio() ? profile->audioBitrate / 1000 : 0;
        // The profile keeps an index: 0 mono, else stereo.
        const int channels = profile->hasAudio() ? (profile->channel == 0 ? 1 : 2) : 0;
        if (json) {
            QJsonObject object{{"name", QString::fromStdString(profile->name)},
                               {"category", QString::fromStdString(category)},
                               {"extension", QString::fromStdString(extension)},
                               {"alias", QString::fromStdString(alias)}};
            if (details) {
                object.insert("container", QString::fromStdString(container));
                object.insert("video_codec", QString::fromStdString(video));
                object.insert("audio_codec", QString::fromStdString(audio));
                object.insert("frame_size", QString::fromStdString(frameSize(*profile)));
                object.insert("video_kbps", videoKbits);
                object.insert("audio_kbps", audioKbits);
                object.insert("sample_rate", profile->hasAudio() ? profile->sampleRate : 0);
                object.insert("channels", channels);
            }
            std::fprintf(out, "%s\n",
                         QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
            continue;
        }
        std::fprintf(out, "%s\t%s\t%s\t%s", profile->name.c_str(), category.c_str(),
                     extension.c_str(), alias.c_str());
        if (details)
            std::fprintf(out, "\t%s\t%s\t%s\t%s\t%d\t%d\t%d\t%d", container.c_str(), video.c_str(),
                         audio.c_str(), frameSize(*profile).c_str(), videoKbits, audioKbits,
                         profile->hasAudio() ? profile->sampleRate : 0, channels);
        std::fputc('\n', out);
    }
    std::fflush(out);
}
