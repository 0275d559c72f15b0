#include "ExportDerivation.h"

#include "ConvertTestSupport.h"
#include "FakeVelCodec.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using converttest::ConvertFixture;

Profile mp4Profile() {
    Profile p;
    p.format = 0;      // mp4
    p.videoCodec = 11; // H.264 (engine 28)
    p.audioCodec = 5;  // AAC
    p.channel = 1;
    p.videoQuality = 70;
    p.audioQuality = 40;
    return p;
}

const tagVeldesStreamInfo kVideo = FakeSource::videoStream(640, 360, 29.97, 900000);
const tagVeldesStreamInfo kAudio = FakeSource::audioStream(48000, 2, 96000);

TEST(ExportDerivation, ChoosesTheLastStreamOfEachType) {
    tagVeldesStreamInfo streams[] = {FakeSource::videoStream(100, 100, 10), kAudio, kVideo,
                                     FakeSource::audioStream(8000, 1)};
    streams[1].type = 7; // unknown types are ignored
    const ChosenStreams chosen = chooseStreams(streams, 4);
    EXPECT_EQ(chosen.video, &streams[2]);
    EXPECT_EQ(chosen.audio, &streams[3]);
    EXPECT_FALSE(chooseStreams(nullptr, 0).any());
}

TEST(ExportDerivation, SettingFromProfileAndStreams) {
    FakeVelCodec::instance().reset();
    Profile p = mp4Profile();
    const tagVeldesExportSetting s = buildExportSetting(p, {&kVideo, &kAudio});
    EXPECT_EQ(s.videoCodec, VELDES_VCODEC_H264);
    EXPECT_EQ(s.width, 640);
    EXPECT_EQ(s.height, 360);
    EXPECT_DOUBLE_EQ(s.frameRate, 29.97);
    EXPECT_DOUBLE_EQ(s.aspect, 0.0); // "original": the engine keeps the source's shape
    EXPECT_EQ(s.videoValues[0], kVideo.videoValues[0]);
    EXPECT_EQ(s.videoValues[1], kVideo.videoValues[1]);
    EXPECT_EQ(s.videoQuality, 70);
    EXPECT_EQ(s.audioCodec, VELDES_ACODEC_AAC);
    EXPECT_EQ(s.audioBitrate, 96000); // the source's
    EXPECT_EQ(s.sampleRate, 48000);
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.bitsPerSample, 16);
    EXPECT_EQ(s.audioValues[0], kAudio.audioValues[0]);
    EXPECT_EQ(s.audioQuality, 40);
    EXPECT_STREQ(s.format, "mp4");
    EXPECT_STREQ(s.extension, "mp4");
    // The record was 0xFF before the fields went in: the bytes after the names stay so.
    EXPECT_EQ(static_cast<unsigned char>(s.format[15]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(s.extension[7]), 0xFF);

    // The automatic bit rate is the engine's formula for exactly these values.
    const auto calls = FakeVelCodec::instance().callsOf("ComputeBitrateByQuality");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].ints, (std::vector<int>{640, 360, VELDES_VCODEC_H264, 0, 70}));
    EXPECT_DOUBLE_EQ(calls[0].real, 29.97);
    EXPECT_EQ(s.videoBitrate, calls[0].result);
}

struct SettingCase {
    const char* label;
    std::function<void(Profile&)> edit;
    bool withVideo;
    bool withAudio;
    std::function<void(const tagVeldesExportSetting&)> check;
};

class ExportSettingCases : public ::testing::TestWithParam<SettingCase> {};

TEST_P(ExportSettingCases, Derives) {
    const SettingCase& c = GetParam();
    Profile p = mp4Profile();
    c.edit(p);
    c.check(
        buildExportSetting(p, {c.withVideo ? &kVideo : nullptr, c.withAudio ? &kAudio : nullptr}));
}

INSTANTIATE_TEST_SUITE_P(
    ExportDerivation, ExportSettingCases,
    ::testing::Values(
        SettingCase{"FixedRatesAndSize",
                    [](Profile& p) {
                        p.width = 175;
                        p.height = 143;
                        p.frameRate = 15;
                        p.videoBitrate = 300;
                        p.aspectRatio = 2;
                        p.sampleRate = 22050;
                        p.audioBitrate = 64000;
                        p.channel = 0;
                    },
                    true, true,
                    [](const tagVeldesExportSetting& s) {
                        EXPECT_EQ(s.width, 176);
                        EXPECT_EQ(s.height, 144);
                        EXPECT_DOUBLE_EQ(s.frameRate, 15.0);
                        EXPECT_EQ(s.videoBitrate, 300000);
                        EXPECT_DOUBLE_EQ(s.aspect, 16.0 / 9.0);
                        EXPECT_EQ(s.sampleRate, 22050);
                        EXPECT_EQ(s.audioBitrate, 64000);
                        EXPECT_EQ(s.channels, 1);
                    }},
        SettingCase{"NoVideoStream", [](Profile&) {}, false, true,
                    [](const tagVeldesExportSetting& s) {
                        EXPECT_EQ(s.width, 320);
                        EXPECT_EQ(s.height, 240);
                        EXPECT_DOUBLE_EQ(s.frameRate, 25.0);
                        EXPECT_EQ(s.videoBitrate, 76800);
                        EXPECT_EQ(s.videoValues[0], 0);
                    }},
        // A fixed frame is kept for the stand-in picture; its shape and rate are the profile's.
        SettingCase{"NoVideoStreamIntoAFixedFrame",
                    [](Profile& p) {
                        p.width = 176;
                        p.height = 144;
                        p.frameRate = 15.0;
                        p.aspectRatio = 1;
                    },
                    false, true,
                    [](const tagVeldesExportSetting& s) {
                        EXPECT_EQ(s.width, 176);
                        EXPECT_EQ(s.height, 144);
                        EXPECT_DOUBLE_EQ(s.frameRate, 15.0);
                        EXPECT_DOUBLE_EQ(s.aspect, 4.0 / 3.0);
                        EXPECT_EQ(s.videoBitrate, 76800);
                    }},
        SettingCase{"NoAudioStream", [](Profile&) {}, true, false,
                    [](const tagVeldesExportSetting& s) {
                        EXPECT_EQ(s.audioBitrate, 128000);
                        EXPECT_EQ(s.channels, 2);
                        EXPECT_EQ(s.sampleRate, 44100);
                        EXPECT_EQ(s.audioValues[0], 0);
                    }},
        SettingCase{"AudioSwitchedOff", [](Profile& p) { p.flag = kProfileAudioDisabled; }, true,
                    true,
                    [](const tagVeldesExportSetting& s) {
                        EXPECT_EQ(s.audioCodec, 0);
                        EXPECT_EQ(s.audioBitrate, 0);
                    }},
        SettingCase{"AudioOnlyProfile", [](Profile& p) { p.flag = kProfileAudioOnly; }, true, true,
                    [](const tagVeldesExportSetting& s) {
                        EXPECT_EQ(s.videoCodec, 0);
                        EXPECT_EQ(s.videoBitrate, 0);
                    }},
        SettingCase{"OriginalFrameRateOfSilentSource", [](Profile& p) { p.frameRate = 1; }, false,
                    true,
                    [](const tagVeldesExportSetting& s) { EXPECT_DOUBLE_EQ(s.frameRate, 25.0); }}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ExportDerivation, InfoAudioFallsBackToPcmRate) {
    Profile p = mp4Profile();
    tagVeldesStreamInfo audio = FakeSource::audioStream(32000, 1, 0);
    tagVeldesExportInfo info{};
    fillExportInfoStreams(info, p, {&kVideo, &audio});
    EXPECT_EQ(info.audioBitrate, 32000 * 2 * 16);
    EXPECT_EQ(info.sampleRate, 32000);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.width, 640);

    // Switched-off kinds leave every field of that kind 0.
    p.flag = kProfileAudioDisabled | kProfileVideoDisabled;
    tagVeldesExportInfo off{};
    fillExportInfoStreams(off, p, {&kVideo, &audio});
    EXPECT_EQ(off.audioCodec, 0);
    EXPECT_EQ(off.sampleRate, 0);
    EXPECT_EQ(off.bitsPerSample, 0);
    EXPECT_EQ(off.videoCodec, 0);
    EXPECT_EQ(off.width, 0);
    EXPECT_EQ(off.frameRate, 0.0);
}

// Through the engine object: the estimate's export setting rounds the source size up, the run's
// export info rounds it down; "original" frame rate of a source without one is 25.
TEST_F(ConvertFixture, SourceSizeRoundsUpForEstimateAndDownForRun) {
    profile->frameRate = 1;
    MediaItem* item = addFile("odd.avi", FakeSource::movie(175, 143, 0.0));
    convert->estimate(item);
    const auto settingsSent = fake.callsOf("VeldesSetExportSetting");
    ASSERT_EQ(settingsSent.size(), 1u);
    EXPECT_EQ(settingsSent[0].setting->width, 176);
    EXPECT_EQ(settingsSent[0].setting->height, 144);
    EXPECT_DOUBLE_EQ(settingsSent[0].setting->frameRate, 25.0);
    EXPECT_EQ(item->outputEstimate, FakeSource().encodedSize);

    convert->startConversion();
    const auto runs = fake.callsOf("VeldesRun");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].exportInfo->width, 174);
    EXPECT_EQ(runs[0].exportInfo->height, 142);
    EXPECT_DOUBLE_EQ(runs[0].exportInfo->frameRate, 25.0);
    EXPECT_STREQ(runs[0].exportInfo->format, "mp4");
    EXPECT_EQ(runs[0].exportInfo->outputPath, outputOf("odd"));
    EXPECT_NE(runs[0].exportInfo->user, nullptr);
    EXPECT_NE(runs[0].exportInfo->callback, nullptr);
}

TEST_F(ConvertFixture, EstimateSetsClipPositionsAndKeepsValueOnFailure) {
    MediaItem* item = addFile("a.avi");
    item->clipBegin = 1500;
    item->clipEnd = 4000;
    EXPECT_EQ(convert->estimate(item), 0);
    EXPECT_EQ(fake.callNames(),
              (std::vector<std::string>{"CreateTimeline", "VeldesAddMedia2", "VeldesGetMediaInfo",
                                        "VeldesSetExportSetting", "VeldesSetMediaBeginPos",
                                        "VeldesSetMediaStopPos", "VeldesGetMediaEncodedSize"}));
    EXPECT_EQ(fake.callsOf("VeldesSetMediaBeginPos")[0].value, 1500);
    EXPECT_EQ(fake.callsOf("VeldesSetMediaStopPos")[0].value, 4000);

    item->outputEstimate = 777;
    FakeSource broken = fake.source(item->sourcePath);
    broken.mediaInfoResult = -2;
    fake.setSource(item->sourcePath, broken);
    EXPECT_EQ(convert->estimate(item), 0);
    EXPECT_EQ(item->outputEstimate, 777);
}

} // namespace
