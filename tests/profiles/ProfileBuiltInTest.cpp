#include "ProfileCatalogue.h"
#include "ProfileTranscription.h"

#include <gtest/gtest.h>

namespace {

uint32_t maskOf(const std::vector<int>& bits) {
    uint32_t mask = 0;
    for (int b : bits)
        mask |= 1u << b;
    return mask;
}

uint64_t frameSizeMaskOfLabel(const std::string& label) {
    for (const auto& row : transcribed::kFrameSizeMasks)
        if (row.label == label)
            return (uint64_t{row.high} << 32) | row.low;
    ADD_FAILURE() << "unknown frame size mask " << label;
    return 0;
}

std::string optionList(const std::string& label) {
    return label.empty() ? std::string() : transcribed::kOptionLists.at(label);
}

// The built-in profiles in catalogue order: categories 0, 1 and 11 one after the other.
std::vector<ProfileRef> builtInsInOrder(const ProfileCatalogue& catalogue) {
    std::vector<ProfileRef> all;
    for (int category = 0; category < kProfileCategoryCount; ++category)
        for (const ProfileRef& p : catalogue.list(category))
            all.push_back(p);
    return all;
}

} // namespace

TEST(ProfileBuiltIn, CodecAndChannelMaskShorthands) {
    EXPECT_EQ(maskOf({8, 9, 11}), 0xB00u);
    EXPECT_EQ(maskOf({10}), 0x400u);
    EXPECT_EQ(maskOf({1, 5}), 0x22u);
    EXPECT_EQ(maskOf({5}), 0x20u);
    EXPECT_EQ(maskOf({1}), 0x02u);
    EXPECT_EQ(maskOf({2}), 0x04u);
    EXPECT_EQ(maskOf({5, 8}), 0x120u);
    EXPECT_EQ(maskOf({1, 5, 8}), 0x122u);
    EXPECT_EQ(maskOf({8}), 0x100u);
    EXPECT_EQ(maskOf({0}), 1u);
    EXPECT_EQ(maskOf({0, 1}), 3u);
}

TEST(ProfileBuiltIn, EveryRowMatchesBothTables) {
    ProfileCatalogue catalogue;
    const auto all = builtInsInOrder(catalogue);
    ASSERT_EQ(all.size(), 21u);
    ASSERT_EQ(transcribed::kVideoRows.size(), 21u);
    ASSERT_EQ(transcribed::kAudioRows.size(), 21u);

    const Profile fresh;
    for (size_t i = 0; i < all.size(); ++i) {
        const Profile& p = *all[i];
        const auto& v = transcribed::kVideoRows[i];
        const auto& a = transcribed::kAudioRows[i];
        SCOPED_TRACE("row " + std::to_string(i + 1) + " " + v.name);

        EXPECT_EQ(p.category, v.category);
        EXPECT_EQ(p.name, v.name);
        EXPECT_EQ(p.flag, v.flag);
        EXPECT_EQ(p.format, v.format);
        // Shared by every built-in profile.
        EXPECT_EQ(p.desc, "");
        EXPECT_EQ(p.index, 0);
        EXPECT_EQ(p.frameRate, 0.0f);
        EXPECT_EQ(p.videoBitrate, 0);
        EXPECT_EQ(p.aspectRatio, 0);
        EXPECT_EQ(p.aspectRatioMask, 7);
        EXPECT_EQ(p.videoQuality, 60);

        if (v.codec < 0) {
            // Audio-only: the video fields keep the constructed defaults.
            EXPECT_EQ(p.flag & 0x08, 0x08);
            EXPECT_EQ(p.videoCodec, fresh.videoCodec);
            EXPECT_EQ(p.videoCodecMask, fresh.videoCodecMask);
            EXPECT_EQ(p.width, 0);
            EXPECT_EQ(p.height, 0);
            EXPECT_EQ(p.frameSizeMaskLow, 0x4C4330B9u);
            EXPECT_EQ(p.frameSizeMaskHigh, 0x104u);
            EXPECT_EQ(p.frameRateOptions, "");
            EXPECT_EQ(p.videoBitrateOptions, "");
        } else {
            EXPECT_EQ(p.videoCodec, v.codec);
            EXPECT_EQ(p.videoCodecMask, maskOf(v.codecs));
            EXPECT_EQ(p.width, v.width);
            EXPECT_EQ(p.height, v.height);
            EXPECT_EQ(p.frameSizeMask(), frameSizeMaskOfLabel(v.frameSizes));
            EXPECT_EQ(p.frameRateOptions, optionList(v.frameRates));
            EXPECT_EQ(p.videoBitrateOptions, optionList(v.bitrates));
        }

        EXPECT_EQ(p.audioCodec, a.codec);
        EXPECT_EQ(p.audioCodecMask, maskOf(a.codecs));
        EXPECT_EQ(p.channel, a.channel);
        EXPECT_EQ(p.channelMask, static_cast<int32_t>(maskOf(a.channels)));
        EXPECT_EQ(p.sampleRate, a.sampleRate);
        EXPECT_EQ(p.sampleRateOptions, optionList(a.sampleRates));
        EXPECT_EQ(p.audioBitrate, a.bitrate);
        EXPECT_EQ(p.audioBitrateOptions, optionList(a.bitrates));
        EXPECT_EQ(p.audioQuality, a.quality);

        EXPECT_TRUE(ProfileCatalogue::isValid(p));
    }
}

TEST(ProfileBuiltIn, OnlyCommonVideoCommonAudioAnd3gpMobileHoldProfiles) {
    ProfileCatalogue catalogue;
    std::vector<int> nonEmpty;
    for (int category = 0; category < kProfileCategoryCount; ++category)
        if (catalogue.count(category) > 0)
            nonEmpty.push_back(category);
    EXPECT_EQ(nonEmpty, (std::vector<int>{0, 1, 11}));
    EXPECT_EQ(catalogue.count(0), 4);
    EXPECT_EQ(catalogue.count(1), 4);
    EXPECT_EQ(catalogue.count(11), 13);
    EXPECT_FALSE(catalogue.customChanged());
}

TEST(ProfileBuiltIn, DefaultProfileIsFirstCommonVideo) {
    ProfileCatalogue catalogue;
    ASSERT_TRUE(catalogue.defaultProfile());
    EXPECT_EQ(catalogue.defaultProfile()->name, "MPEG-4 Video(*.mp4)");
    EXPECT_EQ(catalogue.defaultProfile(), catalogue.at(0, 0));
}

TEST(ProfileBuiltIn, EngineIdsOfBuiltIns) {
    ProfileCatalogue catalogue;
    // H.264 video with AAC audio.
    EXPECT_EQ(ProfileCatalogue::videoEngineId(*catalogue.at(0, 1)), 28);
    EXPECT_EQ(ProfileCatalogue::audioEngineId(*catalogue.at(0, 1)), 0x15002);
    // Audio-only MP3: no video stream whatever the video codec field says.
    EXPECT_EQ(ProfileCatalogue::videoEngineId(*catalogue.at(1, 2)), 0);
    EXPECT_EQ(ProfileCatalogue::audioEngineId(*catalogue.at(1, 2)), 0x15001);
    // BlackBerry H.263 AVI.
    EXPECT_EQ(ProfileCatalogue::videoEngineId(*catalogue.at(11, 10)), 5);
    EXPECT_EQ(ProfileCatalogue::engineFormatOf(*catalogue.at(11, 10)), "avi");
}
