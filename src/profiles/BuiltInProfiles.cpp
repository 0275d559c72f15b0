#include "BuiltInProfiles.h"

#include "ProfileTables.h"

namespace {

constexpr uint32_t bit(int i) {
    return 1u << i;
}

// Video codecs (XVID, H.263, H.264) and the masks the built-in rows allow.
constexpr int kXvid = 8;
constexpr int kH263 = 10;
constexpr int kH264 = 11;
constexpr uint32_t kMp4Family = bit(8) | bit(9) | bit(11); // XVID, MPEG4, H.264
constexpr uint32_t kH263Only = bit(kH263);

// Audio codecs and masks.
constexpr int kMp3 = 1;
constexpr int kPcm = 2;
constexpr int kAac = 5;
constexpr int kAmr = 8;
constexpr uint32_t kMp3Aac = bit(kMp3) | bit(kAac);
constexpr uint32_t kAacAmr = bit(kAac) | bit(kAmr);
constexpr uint32_t kMp3AacAmr = bit(kMp3) | bit(kAac) | bit(kAmr);

// Channels and channel masks.
constexpr int kMono = 0;
constexpr int kStereo = 1;
constexpr int kMonoOnly = 0x1;
constexpr int kMonoStereo = 0x3;

constexpr int kAudioOnly = kProfileAudioOnly;
constexpr int kFixed = kProfileFixedFrameSizes;
constexpr int kNoVideo = -1;

struct Row {
    int category;
    std::string_view name;
    int flag;
    int format;
    // Video; codec kNoVideo leaves the video fields at their constructed defaults.
    int videoCodec;
    uint32_t videoCodecMask;
    int width;
    int height;
    uint64_t frameSizes;
    std::string_view frameRates;
    std::string_view videoBitrates;
    // Audio.
    int audioCodec;
    uint32_t audioCodecMask;
    int channel;
    int channelMask;
    int sampleRate;
    std::string_view sampleRates;
    int audioBitrate;
    std::string_view audioBitrates;
    int audioQuality;
};

constexpr std::string_view kNone;
constexpr uint64_t kDefault = kFrameSizeMaskDefault;
constexpr uint64_t k3gp = kFrameSizeMask3GP;
constexpr uint64_t kSmall = kFrameSizeMaskMp4Small;
constexpr uint64_t kH263Sizes = kFrameSizeMaskH263;
constexpr uint64_t kBbMp4 = kFrameSizeMaskBlackBerryMp4;

// Formats: 0 mp4, 2 avi, 7 mov, 14 aac, 16 amr, 17 m4a, 19 mp3, 23 wav, 28 3gp, 29 3g2, 36 m4v.
// clang-format off
constexpr Row kRows[] = {
    {0, "MPEG-4 Video(*.mp4)", 0, 0,
     kXvid, kMp4Family, 480, 320, kDefault, kOptionFR1, kOptionVB1,
     kAac, kMp3Aac, kStereo, kMonoStereo, 44100, kOptionSR1, 128000, kOptionAB1, 60},
    {0, "H.264 Video(*.mp4)", 0, 0,
     kH264, kMp4Family, 480, 320, kDefault, kOptionFR1, kOptionVB1,
     kAac, kMp3Aac, kStereo, kMonoStereo, 44100, kOptionSR1, 128000, kOptionAB1, 60},
    {0, "MOV Video(*.mov)", 0, 7,
     kXvid, kMp4Family, 480, 320, kDefault, kOptionFR1, kOptionVB1,
     kAac, bit(kAac), kStereo, kMonoStereo, 44100, kOptionSR1, 128000, kOptionAB2, 60},
    {0, "M4V Video(*.m4v)", 0, 36,
     kXvid, kMp4Family, 640, 480, kDefault, kOptionFR1, kOptionVB2,
     kAac, bit(kAac), kStereo, kMonoStereo, 44100, kOptionSR2, 96000, kOptionAB3, 60},
    {1, "M4A-MPEG4 Audio(*.m4a)", kAudioOnly, 17,
     kNoVideo, 0, 0, 0, 0, kNone, kNone,
     kAac, bit(kAac), kStereo, kMonoStereo, 44100, kOptionSR1, 128000, kOptionAB4, 60},
    {1, "AAC-Advanced Audio Coding(*.aac)", kAudioOnly, 14,
     kNoVideo, 0, 0, 0, 0, kNone, kNone,
     kAac, bit(kAac), kStereo, kMonoStereo, 44100, kOptionSR3, 128000, kOptionAB5, 60},
    {1, "MP3-MPEG Layer 3 Audio(*.mp3)", kAudioOnly, 19,
     kNoVideo, 0, 0, 0, 0, kNone, kNone,
     kMp3, bit(kMp3), kStereo, kMonoStereo, 44100, kOptionSR4, 128000, kOptionAB6, 60},
    {1, "WAV-Waveform Audio(*.wav)", kAudioOnly, 23,
     kNoVideo, 0, 0, 0, 0, kNone, kNone,
     kPcm, bit(kPcm), kStereo, kMonoStereo, 44100, kOptionSR3, 0, kOptionAB7, 60},
    {11, "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", 0, 28,
     kXvid, kMp4Family, 176, 144, k3gp, kOptionFR2, kOptionVB3,
     kAmr, kAacAmr, kMono, kMonoOnly, 8000, kOptionSR5, 5150, kOptionAB8, 40},
    {11, "3GPP-3rd Generation Partnership Project(original size)(*.3gp)", 0, 28,
     kXvid, kMp4Family, 0, 0, k3gp, kOptionFR2, kOptionVB3,
     kAmr, kAacAmr, kMono, kMonoOnly, 8000, kOptionSR5, 5150, kOptionAB8, 40},
    {11, "3GPP-3rd Generation Partnership Project2(176x144)(*.3g2)", 0, 29,
     kXvid, kMp4Family, 176, 144, k3gp, kOptionFR2, kOptionVB3,
     kAac, kMp3AacAmr, kMono, kMonoStereo, 24000, kOptionSR1, 32000, kOptionAB9, 40},
    {11, "3GPP-3rd Generation Partnership Project2(original size)(*.3g2)", 0, 29,
     kXvid, kMp4Family, 0, 0, k3gp, kOptionFR2, kOptionVB3,
     kAac, kMp3AacAmr, kMono, kMonoStereo, 24000, kOptionSR1, 32000, kOptionAB9, 40},
    {11, "MP4-MPEG-4 Video (176x144)(*.mp4)", 0, 0,
     kXvid, kMp4Family, 176, 144, kSmall, kOptionFR3, kOptionVB1,
     kAac, kMp3Aac, kMono, kMonoStereo, 24000, kOptionSR1, 32000, kOptionAB1, 40},
    {11, "MP4-MPEG-4 Video (original size)(*.mp4)", 0, 0,
     kXvid, kMp4Family, 0, 0, kSmall, kOptionFR3, kOptionVB1,
     kAac, kMp3Aac, kMono, kMonoStereo, 24000, kOptionSR1, 32000, kOptionAB1, 40},
    {11, "BlackBerry H.263 3GP Video(176x144)(*.3gp)", kFixed, 28,
     kH263, kH263Only, 176, 144, kH263Sizes, kOptionFR2, kOptionVB3,
     kAmr, kMp3AacAmr, kMono, kMonoOnly, 8000, kOptionSR5, 5150, kOptionAB8, 40},
    {11, "BlackBerry 3GP Video(176x144)(*.3gp)", 0, 28,
     kXvid, kMp4Family, 176, 144, kSmall, kOptionFR2, kOptionVB3,
     kAmr, kAacAmr, kMono, kMonoOnly, 8000, kOptionSR5, 5150, kOptionAB8, 40},
    {11, "BlackBerry H.263 3G2 Video(176x144)(*.3g2)", kFixed, 29,
     kH263, kH263Only, 176, 144, kH263Sizes, kOptionFR2, kOptionVB3,
     kAmr, kMp3AacAmr, kMono, kMonoOnly, 8000, kOptionSR5, 5150, kOptionAB8, 40},
    {11, "BlackBerry 3G2 Video(176x144)(*.3g2)", 0, 29,
     kXvid, kMp4Family, 176, 144, kSmall, kOptionFR2, kOptionVB3,
     kAmr, kMp3AacAmr, kMono, kMonoOnly, 8000, kOptionSR5, 5150, kOptionAB8, 40},
    {11, "BlackBerry H.263 AVI Video(176x144)(*.avi)", kFixed, 2,
     kH263, kH263Only, 176, 144, kH263Sizes, kOptionFR2, kOptionVB3,
     kMp3, bit(kMp3), kMono, kMonoStereo, 22050, kOptionSR6, 32000, kOptionAB10, 40},
    {11, "BlackBerry AMR Audio(*.amr)", kAudioOnly, 16,
     kNoVideo, 0, 0, 0, 0, kNone, kNone,
     kAmr, bit(kAmr), kMono, kMonoOnly, 8000, kOptionSR5, 7400, kOptionAB8, 60},
    {11, "BlackBerry MPEG-4 Video(176x144)(*.mp4)", 0, 0,
     kXvid, kMp4Family, 176, 144, kBbMp4, kOptionFR3, kOptionVB1,
     kAac, kMp3Aac, kMono, kMonoStereo, 24000, kOptionSR1, 32000, kOptionAB1, 40},
};
// clang-format on

Profile fromRow(const Row& row) {
    Profile p; // desc, index, frame rate, video bit rate, aspect ratio and quality: defaults
    p.category = row.category;
    p.name = std::string(row.name);
    p.flag = row.flag;
    p.format = row.format;
    if (row.videoCodec != kNoVideo) {
        p.videoCodec = row.videoCodec;
        p.videoCodecMask = row.videoCodecMask;
        p.width = row.width;
        p.height = row.height;
        p.setFrameSizeMask(row.frameSizes);
        p.frameRateOptions = std::string(row.frameRates);
        p.videoBitrateOptions = std::string(row.videoBitrates);
    }
    p.audioCodec = row.audioCodec;
    p.audioCodecMask = row.audioCodecMask;
    p.channel = row.channel;
    p.channelMask = row.channelMask;
    p.sampleRate = row.sampleRate;
    p.sampleRateOptions = std::string(row.sampleRates);
    p.audioBitrate = row.audioBitrate;
    p.audioBitrateOptions = std::string(row.audioBitrates);
    p.audioQuality = row.audioQuality;
    return p;
}

} // namespace

std::vector<Profile> builtInProfiles() {
    std::vector<Profile> profiles;
    profiles.reserve(std::size(kRows));
    for (const Row& row : kRows)
        profiles.push_back(fromRow(row));
    return profiles;
}
