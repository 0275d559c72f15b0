#pragma once

// The profile tables typed in again by hand, separately from the code's own tables, so that a
// slip in either shows up as a mismatch.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace transcribed {

inline const std::map<std::string, std::string> kOptionLists = {
    {"FR1", "auto,original,12,15,20,23.976,24,25,29.970,30"},
    {"FR2", "auto,original,2,3,5,10,12,15"},
    {"FR3", "auto,original,11,15,20,24,25,29.970,30"},
    {"VB1", "auto,120,200,256,300,512,768,1000,1500,1800,2000"},
    {"VB2", "auto,256,384,512,640,768,1000,1500,1800,2000,2500"},
    {"VB3", "auto,100,200,300,400"},
    {"SR1", "24000,32000,44100,48000"},
    {"SR2", "22050,32000,44100,48000"},
    {"SR3", "11025,22050,24000,32000,44100,48000"},
    {"SR4", "11025,22050,44100"},
    {"SR5", "8000"},
    {"SR6", "22050,44100"},
    {"AB1", "16000,32000,64000,96000,128000,160000,192000,256000"},
    {"AB2", "64000,96000,128000,160000,192000"},
    {"AB3", "64000,96000,128000,160000"},
    {"AB4", "64000,96000,128000,192000,320000,384000"},
    {"AB5", "16000,32000,48000,64000,96000,128000,160000,192000,320000,384000"},
    {"AB6", "16000,32000,48000,64000,96000,128000,160000,192000,320000"},
    {"AB7", "0"},
    {"AB8", "5150,6700,7400,10200,12200"},
    {"AB9", "16000,32000,64000,96000,128000"},
    {"AB10", "16000,32000,48000,64000,96000,128000"},
};

struct MaskRow {
    std::string label;
    uint32_t low;
    uint32_t high;
    std::vector<int> entries;
};

inline const std::vector<MaskRow> kFrameSizeMasks = {
    {"default", 0x4C4330B9, 0x104, {0, 3, 4, 5, 7, 12, 13, 16, 17, 22, 26, 27, 30, 34, 40}},
    {"3GP", 0x0063F0B9, 0x100, {0, 3, 4, 5, 7, 12, 13, 14, 15, 16, 17, 21, 22, 40}},
    {"MP4 small", 0x08C310B1, 0x110, {0, 4, 5, 7, 12, 16, 17, 22, 23, 27, 36, 40}},
    {"H.263", 0x08002012, 0x20, {1, 4, 13, 27, 37}},
    {"BlackBerry MP4", 0x0C433051, 0x110, {0, 4, 6, 12, 13, 16, 17, 22, 26, 27, 36, 40}},
};

struct VideoRow {
    int category;
    std::string name;
    int flag;
    int format;
    int codec; // -1: audio-only row, no video settings
    std::vector<int> codecs;
    int width;
    int height;
    std::string frameSizes;
    std::string frameRates;
    std::string bitrates;
};

inline const std::vector<VideoRow> kVideoRows = {
    {0, "MPEG-4 Video(*.mp4)", 0, 0, 8, {8, 9, 11}, 480, 320, "default", "FR1", "VB1"},
    {0, "H.264 Video(*.mp4)", 0, 0, 11, {8, 9, 11}, 480, 320, "default", "FR1", "VB1"},
    {0, "MOV Video(*.mov)", 0, 7, 8, {8, 9, 11}, 480, 320, "default", "FR1", "VB1"},
    {0, "M4V Video(*.m4v)", 0, 36, 8, {8, 9, 11}, 640, 480, "default", "FR1", "VB2"},
    {1, "M4A-MPEG4 Audio(*.m4a)", 0x08, 17, -1, {}, 0, 0, "", "", ""},
    {1, "AAC-Advanced Audio Coding(*.aac)", 0x08, 14, -1, {}, 0, 0, "", "", ""},
    {1, "MP3-MPEG Layer 3 Audio(*.mp3)", 0x08, 19, -1, {}, 0, 0, "", "", ""},
    {1, "WAV-Waveform Audio(*.wav)", 0x08, 23, -1, {}, 0, 0, "", "", ""},
    {11,
     "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)",
     0,
     28,
     8,
     {8, 9, 11},
     176,
     144,
     "3GP",
     "FR2",
     "VB3"},
    {11,
     "3GPP-3rd Generation Partnership Project(original size)(*.3gp)",
     0,
     28,
     8,
     {8, 9, 11},
     0,
     0,
     "3GP",
     "FR2",
     "VB3"},
    {11,
     "3GPP-3rd Generation Partnership Project2(176x144)(*.3g2)",
     0,
     29,
     8,
     {8, 9, 11},
     176,
     144,
     "3GP",
     "FR2",
     "VB3"},
    {11,
     "3GPP-3rd Generation Partnership Project2(original size)(*.3g2)",
     0,
     29,
     8,
     {8, 9, 11},
     0,
     0,
     "3GP",
     "FR2",
     "VB3"},
    {11,
     "MP4-MPEG-4 Video (176x144)(*.mp4)",
     0,
     0,
     8,
     {8, 9, 11},
     176,
     144,
     "MP4 small",
     "FR3",
     "VB1"},
    {11,
     "MP4-MPEG-4 Video (original size)(*.mp4)",
     0,
     0,
     8,
     {8, 9, 11},
     0,
     0,
     "MP4 small",
     "FR3",
     "VB1"},
    {11,
     "BlackBerry H.263 3GP Video(176x144)(*.3gp)",
     0x10,
     28,
     10,
     {10},
     176,
     144,
     "H.263",
     "FR2",
     "VB3"},
    {11,
     "BlackBerry 3GP Video(176x144)(*.3gp)",
     0,
     28,
     8,
     {8, 9, 11},
     176,
     144,
     "MP4 small",
     "FR2",
     "VB3"},
    {11,
     "BlackBerry H.263 3G2 Video(176x144)(*.3g2)",
     0x10,
     29,
     10,
     {10},
     176,
     144,
     "H.263",
     "FR2",
     "VB3"},
    {11,
     "BlackBerry 3G2 Video(176x144)(*.3g2)",
     0,
     29,
     8,
     {8, 9, 11},
     176,
     144,
     "MP4 small",
     "FR2",
     "VB3"},
    {11,
     "BlackBerry H.263 AVI Video(176x144)(*.avi)",
     0x10,
     2,
     10,
     {10},
     176,
     144,
     "H.263",
     "FR2",
     "VB3"},
    {11, "BlackBerry AMR Audio(*.amr)", 0x08, 16, -1, {}, 0, 0, "", "", ""},
    {11,
     "BlackBerry MPEG-4 Video(176x144)(*.mp4)",
     0,
     0,
     8,
     {8, 9, 11},
     176,
     144,
     "BlackBerry MP4",
     "FR3",
     "VB1"},
};

struct AudioRow {
    int codec;
    std::vector<int> codecs;
    int channel;
    std::vector<int> channels;
    int sampleRate;
    std::string sampleRates;
    int bitrate;
    std::string bitrates;
    int quality;
};

inline const std::vector<AudioRow> kAudioRows = {
    {5, {1, 5}, 1, {0, 1}, 44100, "SR1", 128000, "AB1", 60},
    {5, {1, 5}, 1, {0, 1}, 44100, "SR1", 128000, "AB1", 60},
    {5, {5}, 1, {0, 1}, 44100, "SR1", 128000, "AB2", 60},
    {5, {5}, 1, {0, 1}, 44100, "SR2", 96000, "AB3", 60},
    {5, {5}, 1, {0, 1}, 44100, "SR1", 128000, "AB4", 60},
    {5, {5}, 1, {0, 1}, 44100, "SR3", 128000, "AB5", 60},
    {1, {1}, 1, {0, 1}, 44100, "SR4", 128000, "AB6", 60},
    {2, {2}, 1, {0, 1}, 44100, "SR3", 0, "AB7", 60},
    {8, {5, 8}, 0, {0}, 8000, "SR5", 5150, "AB8", 40},
    {8, {5, 8}, 0, {0}, 8000, "SR5", 5150, "AB8", 40},
    {5, {1, 5, 8}, 0, {0, 1}, 24000, "SR1", 32000, "AB9", 40},
    {5, {1, 5, 8}, 0, {0, 1}, 24000, "SR1", 32000, "AB9", 40},
    {5, {1, 5}, 0, {0, 1}, 24000, "SR1", 32000, "AB1", 40},
    {5, {1, 5}, 0, {0, 1}, 24000, "SR1", 32000, "AB1", 40},
    {8, {1, 5, 8}, 0, {0}, 8000, "SR5", 5150, "AB8", 40},
    {8, {5, 8}, 0, {0}, 8000, "SR5", 5150, "AB8", 40},
    {8, {1, 5, 8}, 0, {0}, 8000, "SR5", 5150, "AB8", 40},
    {8, {1, 5, 8}, 0, {0}, 8000, "SR5", 5150, "AB8", 40},
    {1, {1}, 0, {0, 1}, 22050, "SR6", 32000, "AB10", 40},
    {8, {8}, 0, {0}, 8000, "SR5", 7400, "AB8", 60},
    {5, {1, 5}, 0, {0, 1}, 24000, "SR1", 32000, "AB1", 40},
};

struct CodecRow {
    int number;
    std::string name;
    int32_t engineId;
};

inline const std::vector<CodecRow> kVideoCodecs = {
    {0, "BGR24", 0x200001},     {1, "RGB555", 0x200002},    {2, "YUY2", 0x200003},
    {3, "YUVY", 0x200004},      {4, "RGBA32", 0x200000},    {5, "Window  media 7", 18},
    {6, "Window  media 8", 19}, {7, "Window  media 9", 74}, {8, "XVID", 63},
    {9, "MPEG4", 13},           {10, "H.263", 5},           {11, "H.264", 28},
    {12, "MJPEG", 8},           {13, "MS MPEG4 V2", 16},    {14, "MS MPEG4 V3", 17},
    {15, "DV Video", 25},       {16, "MPEG2", 2},           {17, "Sorenson H.263", 20},
    {18, "MPEG1", 1},           {19, "RMVB", 72},
};

inline const std::vector<CodecRow> kAudioCodecs = {
    {0, "MP2", 0x15000}, {1, "MP3", 0x15001}, {2, "PCM S16LE", 0x10000}, {3, "WMA", 0x15008},
    {4, "AC3", 0x15003}, {5, "AAC", 0x15002}, {6, "RA", 0x13001},        {7, "PCM S16BE", 0x10001},
    {8, "AMR", 0x12000}, {9, "OGG", 0x15005}, {10, "vorbis", 0x15005},   {11, "FLAC", 0x1500E},
};

struct FormatRow {
    int number;
    std::string extension;
    std::string engine;
};

inline const std::vector<FormatRow> kFormats = {
    {0, "mp4", "mp4"},    {1, "asf", "asf"},       {2, "avi", "avi"},
    {3, "ac3", "ac3"},    {4, "dv", "dv"},         {5, "vob", "mpeg2vob"},
    {6, "flv", "flv"},    {7, "mov", "mov"},       {8, "mpg", "mpeg"},
    {9, "rmvb", "rmvb"},  {10, "ts", "mpegts"},    {11, "dat", "vcd"},
    {12, "wmv", "wmv"},   {13, "mkv", "matroska"}, {14, "aac", "aac"},
    {15, "aiff", "aiff"}, {16, "amr", "amr"},      {17, "m4a", "m4a"},
    {18, "mp2", "mp2"},   {19, "mp3", "mp3"},      {20, "ogg", "ogg"},
    {21, "ra", "ra"},     {22, "au", "au"},        {23, "wav", "wav"},
    {24, "wma", "wma"},   {25, "mka", "mka"},      {26, "trp", "mpegts"},
    {27, "dpg", "dpg"},   {28, "3gp", "3gp"},      {29, "3g2", "3g2"},
    {30, "flac", "flac"}, {31, "vob", "svcd"},     {32, "mpg", "mpeg2vob"},
    {33, "mpg", "mpeg"},  {34, "vob", "mpeg2vob"}, {35, "mpg", "mpeg2vob"},
    {36, "m4v", "m4v"},
};

inline const std::vector<std::string> kFrameSizes = {
    "original", "128x96",   "160x112",   "160x120",   "176x144",   "192x168",  "240x160",
    "240x180",  "240x240",  "256x144",   "256x192",   "320x180",   "320x240",  "352x288",
    "352x240",  "368x208",  "480x272",   "480x320",   "480x368",   "480x480",  "486x480",
    "512x384",  "640x480",  "704x480",   "720x406",   "720x432",   "720x480",  "720x576",
    "768x576",  "800x480",  "800x600",   "854x480",   "960x540",   "960x640",  "1024x768",
    "1080x720", "1280x720", "1408x1152", "1440x1080", "1920x1080", "[custom]",
};

inline const std::vector<std::string> kCategoryNames = {
    "Common Video",   "Common Audio", "HD Video", "IPod",           "IPhone",     "IPad",
    "Apple TV",       "PSP",          "PS3",      "Android",        "WII and DS", "3GP Mobile",
    "Windows Mobile", "PMP",          "XBox",     "Lossless Audio", "Custom",     "Recent",
};

} // namespace transcribed
