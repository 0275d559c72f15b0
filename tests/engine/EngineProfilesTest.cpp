// Every built-in profile converts a generated source (odd size, 29.97 fps, 44.1 kHz stereo)
// into what its derived export record asks for, as ffprobe reads the result.
#include "EngineHarness.h"
#include "MediaProbe.h"
#include "ProfileDerivation.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <map>

using namespace enginetest;

namespace {

struct Container {
    std::string formatName; // ffprobe's format_name, or the ISO family with a brand
    std::string brand;
};

const std::map<std::string, Container>& containers() {
    static const std::string iso = "mov,mp4,m4a,3gp,3g2,mj2";
    static const std::map<std::string, Container> table = {
        {"mp4", {iso, "isom"}}, {"m4a", {iso, "M4A "}}, {"3gp", {iso, "3gp4"}},
        {"3g2", {iso, "3g2a"}}, {"aac", {"aac", ""}},   {"mp3", {"mp3", ""}},
        {"wav", {"wav", ""}},   {"avi", {"avi", ""}},   {"amr", {"amr", ""}},
        {"mov", {iso, "qt  "}}, {"m4v", {iso, "M4V "}},
    };
    return table;
}

std::string videoCodecName(int engineId) {
    switch (engineId) {
    case VELDES_VCODEC_XVID:
    case VELDES_VCODEC_MPEG4:
        return "mpeg4";
    case VELDES_VCODEC_H264:
        return "h264";
    case VELDES_VCODEC_H263:
        return "h263";
    default:
        return "?";
    }
}

std::string audioCodecName(int engineId) {
    switch (engineId) {
    case VELDES_ACODEC_AAC:
        return "aac";
    case VELDES_ACODEC_MP3:
        return "mp3";
    case VELDES_ACODEC_PCM_S16LE:
        return "pcm_s16le";
    case VELDES_ACODEC_AMR_NB:
        return "amr_nb";
    default:
        return "?";
    }
}

class EngineProfiles : public ::testing::TestWithParam<size_t> {};

} // namespace

TEST_P(EngineProfiles, ConvertsAsDerived) {
    const TestProfile& profile = builtInProfiles().at(GetParam());
    SCOPED_TRACE(profile.name);
    const double seconds = 2.0;
    std::string source = oddSource(321, 181, "30000/1001", seconds, 44100);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    tagVeldesStreamInfo* array = nullptr;
    int count = VeldesGetMediaInfo(t.handle(), id, &array);
    ASSERT_GT(count, 0);
    std::vector<tagVeldesStreamInfo> streams(array, array + count);

    tagVeldesExportSetting setting = deriveExportSetting(profile, streams);
    EXPECT_EQ(VeldesSetExportSetting(t.handle(), id, &setting), 0);
    std::string out = dir.file("out.bin");
    tagVeldesExportInfo info = deriveExportInfo(profile, streams, out);
    RunRecorder recorder(id);
    ASSERT_GE(t.runAndWait({id}, info, &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());

    testmedia::FileProbe p = testmedia::probe(out);
    ASSERT_TRUE(p.ok) << p.error;
    const Container& container = containers().at(info.format);
    EXPECT_EQ(p.formatName, container.formatName);
    if (!container.brand.empty()) {
        EXPECT_EQ(p.tags["major_brand"], container.brand);
    }
    EXPECT_NEAR(p.duration, seconds, 0.1);

    const testmedia::StreamProbe* v = p.first("video");
    if (info.videoCodec) {
        ASSERT_TRUE(v);
        EXPECT_EQ(v->codec, videoCodecName(info.videoCodec));
        EXPECT_EQ(v->width, info.width);
        EXPECT_EQ(v->height, info.height);
        EXPECT_NEAR(v->frameRate, info.frameRate, 0.01);
        EXPECT_EQ(p.count("video"), 1);
    } else {
        EXPECT_FALSE(v);
    }
    const testmedia::StreamProbe* a = p.first("audio");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->codec, audioCodecName(info.audioCodec));
    bool amr = info.audioCodec == VELDES_ACODEC_AMR_NB;
    EXPECT_EQ(a->sampleRate, amr ? 8000 : info.sampleRate);
    EXPECT_EQ(a->channels, amr ? 1 : info.channels);
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineProfiles, ::testing::Range<size_t>(0, 21));
