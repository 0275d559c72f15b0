// Every engine codec id and format name this engine can produce, beyond the built-in profiles:
// the file ffprobe reads back has the codecs, and the frame and sample constraints the codec
// map promises (legal H.263 and DV sizes, AMR and RealAudio at 8 kHz mono).
#include "EngineHarness.h"
#include "MediaProbe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

struct MapCase {
    const char* format;
    int videoCodec;
    int audioCodec;
    const char* videoName; // ffprobe codec_name, "" for none
    const char* audioName;
    int width = 0, height = 0;        // expected frame size, 0 = as asked (322x180)
    int sampleRate = 0, channels = 0; // expected, 0 = as asked (44100, 2)
};

const MapCase kCases[] = {
    {"mpeg", VELDES_VCODEC_MPEG1, VELDES_ACODEC_MP2, "mpeg1video", "mp2"},
    {"vcd", VELDES_VCODEC_MPEG1, VELDES_ACODEC_MP2, "mpeg1video", "mp2"},
    {"mpeg2vob", VELDES_VCODEC_MPEG2, VELDES_ACODEC_AC3, "mpeg2video", "ac3"},
    {"svcd", VELDES_VCODEC_MPEG2, VELDES_ACODEC_MP2, "mpeg2video", "mp2"},
    {"mpegts", VELDES_VCODEC_H264, VELDES_ACODEC_AAC, "h264", "aac"},
    {"avi", VELDES_VCODEC_MJPEG, VELDES_ACODEC_PCM_S16LE, "mjpeg", "pcm_s16le"},
    {"avi", VELDES_VCODEC_MSMPEG4V2, VELDES_ACODEC_MP3, "msmpeg4v2", "mp3"},
    {"avi", VELDES_VCODEC_MSMPEG4V3, VELDES_ACODEC_MP3, "msmpeg4v3", "mp3"},
    {"avi", VELDES_VCODEC_XVID, VELDES_ACODEC_AC3, "mpeg4", "ac3"},
    {"avi", VELDES_VCODEC_RAW_BGR24, VELDES_ACODEC_PCM_S16LE, "rawvideo", "pcm_s16le"},
    {"avi", VELDES_VCODEC_RAW_YUY2, 0, "rawvideo", ""},
    {"avi", VELDES_VCODEC_RAW_UYVY, 0, "rawvideo", ""},
    {"avi", VELDES_VCODEC_RAW_RGB555, 0, "rawvideo", ""},
    {"avi", VELDES_VCODEC_RAW_RGBA32, 0, "rawvideo", ""},
    {"wmv", VELDES_VCODEC_WMV1, VELDES_ACODEC_WMA, "wmv1", "wmav2"},
    {"asf", VELDES_VCODEC_WMV2, VELDES_ACODEC_WMA, "wmv2", "wmav2"},
    {"flv", VELDES_VCODEC_FLV1, VELDES_ACODEC_MP3, "flv1", "mp3"},
    {"mov", VELDES_VCODEC_MPEG4, VELDES_ACODEC_AAC, "mpeg4", "aac"},
    {"matroska", VELDES_VCODEC_H264, VELDES_ACODEC_VORBIS, "h264", "vorbis"},
    {"3g2", VELDES_VCODEC_H263, VELDES_ACODEC_AAC, "h263", "aac", 352, 288},
    {"dv", VELDES_VCODEC_DVVIDEO, VELDES_ACODEC_PCM_S16LE, "dvvideo", "pcm_s16le", 720, 576},
    {"mp2", 0, VELDES_ACODEC_MP2, "", "mp2"},
    {"ac3", 0, VELDES_ACODEC_AC3, "", "ac3"},
    {"aac", 0, VELDES_ACODEC_AAC, "", "aac"},
    {"m4a", 0, VELDES_ACODEC_AAC, "", "aac"},
    {"wma", 0, VELDES_ACODEC_WMA, "", "wmav2"},
    {"ogg", 0, VELDES_ACODEC_VORBIS, "", "vorbis"},
    {"flac", 0, VELDES_ACODEC_FLAC, "", "flac"},
    {"mka", 0, VELDES_ACODEC_FLAC, "", "flac"},
    {"aiff", 0, VELDES_ACODEC_PCM_S16BE, "", "pcm_s16be"},
    {"au", 0, VELDES_ACODEC_PCM_S16BE, "", "pcm_s16be"},
    {"amr", 0, VELDES_ACODEC_AMR_NB, "", "amr_nb", 0, 0, 8000, 1},
    {"ra", 0, VELDES_ACODEC_RA, "", "ra_144", 0, 0, 8000, 1},
};

class EngineCodecMap : public ::testing::TestWithParam<MapCase> {};

} // namespace

TEST_P(EngineCodecMap, ProducesWhatTheMapPromises) {
    const MapCase& c = GetParam();
    std::string source = oddSource(321, 181, "25", 1.0, 48000);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    OutputSpec spec;
    spec.format = c.format;
    spec.videoCodec = c.videoCodec;
    spec.audioCodec = c.audioCodec;
    spec.width = 322;
    spec.height = 180;
    spec.videoBitrate = 600000;
    spec.audioBitrate = 128000;
    std::string out = dir.file("out");
    RunRecorder recorder(id);
    ASSERT_GE(t.runAndWait({id}, exportInfo(spec, out), &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());

    testmedia::FileProbe p = testmedia::probe(out);
    ASSERT_TRUE(p.ok) << p.error;
    const testmedia::StreamProbe* v = p.first("video");
    if (*c.videoName) {
        ASSERT_TRUE(v);
        EXPECT_EQ(v->codec, c.videoName);
        EXPECT_EQ(v->width, c.width ? c.width : 322);
        EXPECT_EQ(v->height, c.height ? c.height : 180);
    } else {
        EXPECT_FALSE(v);
    }
    const testmedia::StreamProbe* a = p.first("audio");
    if (*c.audioName) {
        ASSERT_TRUE(a);
        EXPECT_EQ(a->codec, c.audioName);
        EXPECT_EQ(a->sampleRate, c.sampleRate ? c.sampleRate : 44100);
        EXPECT_EQ(a->channels, c.channels ? c.channels : 2);
    } else {
        EXPECT_FALSE(a);
    }
    // FFmpeg's RealMedia reader gives RealAudio 1.0 no duration, however it was written.
    if (std::string(c.format) != "ra") {
        EXPECT_NEAR(p.duration, 1.0, 0.15);
    } else {
        EXPECT_NEAR(testmedia::fileSize(out), 1900, 400) << "8000 bit/s for 1 s, and the header";
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineCodecMap, ::testing::ValuesIn(kCases));
