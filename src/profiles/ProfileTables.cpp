#include "ProfileTables.h"

const std::array<std::string_view, kProfileCategoryCount> kProfileCategoryNames = {
    "Common Video",   "Common Audio", "HD Video", "IPod",           "IPhone",     "IPad",
    "Apple TV",       "PSP",          "PS3",      "Android",        "WII and DS", "3GP Mobile",
    "Windows Mobile", "PMP",          "XBox",     "Lossless Audio", "Custom",     "Recent",
};

// The codec names are shown to the user as they stand (including the doubled blanks).
const std::array<CodecEntry, kVideoCodecCount> kVideoCodecs = {{
    {"BGR24", 0x200001},
    {"RGB555", 0x200002},
    {"YUY2", 0x200003},
    {"YUVY", 0x200004},
    {"RGBA32", 0x200000},
    {"Window  media 7", 18},
    {"Window  media 8", 19},
    {"Window  media 9", 74},
    {"XVID", 63},
    {"MPEG4", 13},
    {"H.263", 5},
    {"H.264", 28},
    {"MJPEG", 8},
    {"MS MPEG4 V2", 16},
    {"MS MPEG4 V3", 17},
    {"DV Video", 25},
    {"MPEG2", 2},
    {"Sorenson H.263", 20},
    {"MPEG1", 1},
    {"RMVB", 72},
}};

const std::array<CodecEntry, kAudioCodecCount> kAudioCodecs = {{
    {"MP2", 0x15000},
    {"MP3", 0x15001},
    {"PCM S16LE", 0x10000},
    {"WMA", 0x15008},
    {"AC3", 0x15003},
    {"AAC", 0x15002},
    {"RA", 0x13001},
    {"PCM S16BE", 0x10001},
    {"AMR", 0x12000},
    {"OGG", 0x15005},
    {"vorbis", 0x15005},
    {"FLAC", 0x1500E},
}};

const std::array<FormatEntry, kFormatCount> kFormats = {{
    {"mp4", "mp4"},      {"asf", "asf"},      {"avi", "avi"},      {"ac3", "ac3"},
    {"dv", "dv"},        {"vob", "mpeg2vob"}, {"flv", "flv"},      {"mov", "mov"},
    {"mpg", "mpeg"},     {"rmvb", "rmvb"},    {"ts", "mpegts"},    {"dat", "vcd"},
    {"wmv", "wmv"},      {"mkv", "matroska"}, {"aac", "aac"},      {"aiff", "aiff"},
    {"amr", "amr"},      {"m4a", "m4a"},      {"mp2", "mp2"},      {"mp3", "mp3"},
    {"ogg", "ogg"},      {"ra", "ra"},        {"au", "au"},        {"wav", "wav"},
    {"wma", "wma"},      {"mka", "mka"},      {"trp", "mpegts"},   {"dpg", "dpg"},
    {"3gp", "3gp"},      {"3g2", "3g2"},      {"flac", "flac"},    {"vob", "svcd"},
    {"mpg", "mpeg2vob"}, {"mpg", "mpeg"},     {"vob", "mpeg2vob"}, {"mpg", "mpeg2vob"},
    {"m4v", "m4v"},
}};

const std::array<FrameSizeEntry, kFrameSizeCount> kFrameSizes = {{
    {"original", 0, 0},        {"128x96", 128, 96},       {"160x112", 160, 112},
    {"160x120", 160, 120},     {"176x144", 176, 144},     {"192x168", 192, 168},
    {"240x160", 240, 160},     {"240x180", 240, 180},     {"240x240", 240, 240},
    {"256x144", 256, 144},     {"256x192", 256, 192},     {"320x180", 320, 180},
    {"320x240", 320, 240},     {"352x288", 352, 288},     {"352x240", 352, 240},
    {"368x208", 368, 208},     {"480x272", 480, 272},     {"480x320", 480, 320},
    {"480x368", 480, 368},     {"480x480", 480, 480},     {"486x480", 486, 480},
    {"512x384", 512, 384},     {"640x480", 640, 480},     {"704x480", 704, 480},
    {"720x406", 720, 406},     {"720x432", 720, 432},     {"720x480", 720, 480},
    {"720x576", 720, 576},     {"768x576", 768, 576},     {"800x480", 800, 480},
    {"800x600", 800, 600},     {"854x480", 854, 480},     {"960x540", 960, 540},
    {"960x640", 960, 640},     {"1024x768", 1024, 768},   {"1080x720", 1080, 720},
    {"1280x720", 1280, 720},   {"1408x1152", 1408, 1152}, {"1440x1080", 1440, 1080},
    {"1920x1080", 1920, 1080}, {"[custom]", 0, 0},
}};

const std::array<std::string_view, kAspectRatioCount> kAspectRatioNames = {"original", "4:3",
                                                                           "16:9"};
const std::array<std::string_view, kChannelCount> kChannelNames = {"mono", "stereo", "ac3 channel"};

namespace {

template <typename Array> bool inTable(const Array& table, int i) {
    return i >= 0 && static_cast<size_t>(i) < table.size();
}

} // namespace

ProfileCategory profileCategory(int number) {
    return {number, profileCategoryName(number)};
}

std::string_view profileCategoryName(int number) {
    return inTable(kProfileCategoryNames, number) ? kProfileCategoryNames[number]
                                                  : std::string_view{};
}

std::string_view videoCodecName(int codec) {
    return inTable(kVideoCodecs, codec) ? kVideoCodecs[codec].name : std::string_view{};
}

std::string_view audioCodecName(int codec) {
    return inTable(kAudioCodecs, codec) ? kAudioCodecs[codec].name : std::string_view{};
}

int32_t videoCodecEngineId(int codec) {
    return inTable(kVideoCodecs, codec) ? kVideoCodecs[codec].engineId : 0;
}

int32_t audioCodecEngineId(int codec) {
    return inTable(kAudioCodecs, codec) ? kAudioCodecs[codec].engineId : 0;
}

std::string_view formatExtension(int format) {
    return inTable(kFormats, format) ? kFormats[format].extension : std::string_view{};
}

std::string_view formatEngineName(int format) {
    return inTable(kFormats, format) ? kFormats[format].engineName : std::string_view{};
}

std::string_view frameSizeText(int entry) {
    return inTable(kFrameSizes, entry) ? kFrameSizes[entry].text : std::string_view{};
}

std::string_view aspectRatioName(int aspectRatio) {
    return inTable(kAspectRatioNames, aspectRatio) ? kAspectRatioNames[aspectRatio]
                                                   : std::string_view{};
}

std::string_view channelName(int channel) {
    return inTable(kChannelNames, channel) ? kChannelNames[channel] : std::string_view{};
}
