#include "ProfileTables.h"
#include "ProfileTranscription.h"

#include <gtest/gtest.h>

#include <string>

namespace {

uint64_t maskOfEntries(const std::vector<int>& entries) {
    uint64_t mask = 0;
    for (int e : entries)
        mask |= uint64_t{1} << e;
    return mask;
}

std::vector<int> entriesOfMask(uint64_t mask) {
    std::vector<int> entries;
    for (int i = 0; i < 64; ++i)
        if ((mask >> i) & 1u)
            entries.push_back(i);
    return entries;
}

uint64_t codeMaskFor(const std::string& label) {
    if (label == "default")
        return kFrameSizeMaskDefault;
    if (label == "3GP")
        return kFrameSizeMask3GP;
    if (label == "MP4 small")
        return kFrameSizeMaskMp4Small;
    if (label == "H.263")
        return kFrameSizeMaskH263;
    if (label == "BlackBerry MP4")
        return kFrameSizeMaskBlackBerryMp4;
    ADD_FAILURE() << "unknown mask " << label;
    return 0;
}

} // namespace

TEST(ProfileTables, CategoryNames) {
    ASSERT_EQ(transcribed::kCategoryNames.size(), size_t(kProfileCategoryCount));
    for (int i = 0; i < kProfileCategoryCount; ++i) {
        EXPECT_EQ(profileCategoryName(i), transcribed::kCategoryNames[i]) << i;
        EXPECT_EQ(profileCategory(i).number, i);
        EXPECT_EQ(profileCategory(i).name, transcribed::kCategoryNames[i]);
    }
    EXPECT_EQ(profileCategoryName(-1), "");
    EXPECT_EQ(profileCategoryName(18), "");
}

TEST(ProfileTables, VideoCodecNamesAndEngineIds) {
    ASSERT_EQ(transcribed::kVideoCodecs.size(), size_t(kVideoCodecCount));
    for (const auto& row : transcribed::kVideoCodecs) {
        EXPECT_EQ(videoCodecName(row.number), row.name) << row.number;
        EXPECT_EQ(videoCodecEngineId(row.number), row.engineId) << row.number;
    }
    for (int outside : {-1, 20, 25, 1000}) {
        EXPECT_EQ(videoCodecEngineId(outside), 0) << outside;
        EXPECT_EQ(videoCodecName(outside), "") << outside;
    }
}

TEST(ProfileTables, AudioCodecNamesAndEngineIds) {
    ASSERT_EQ(transcribed::kAudioCodecs.size(), size_t(kAudioCodecCount));
    for (const auto& row : transcribed::kAudioCodecs) {
        EXPECT_EQ(audioCodecName(row.number), row.name) << row.number;
        EXPECT_EQ(audioCodecEngineId(row.number), row.engineId) << row.number;
    }
    for (int outside : {-1, 12, 99}) {
        EXPECT_EQ(audioCodecEngineId(outside), 0) << outside;
        EXPECT_EQ(audioCodecName(outside), "") << outside;
    }
}

TEST(ProfileTables, FormatRows) {
    ASSERT_EQ(transcribed::kFormats.size(), size_t(kFormatCount));
    for (const auto& row : transcribed::kFormats) {
        EXPECT_EQ(formatExtension(row.number), row.extension) << row.number;
        EXPECT_EQ(formatEngineName(row.number), row.engine) << row.number;
    }
    for (int outside : {-1, 37, 100}) {
        EXPECT_EQ(formatExtension(outside), "") << outside;
        EXPECT_EQ(formatEngineName(outside), "") << outside;
    }
}

TEST(ProfileTables, FrameSizeEntries) {
    ASSERT_EQ(transcribed::kFrameSizes.size(), size_t(kFrameSizeCount));
    for (int i = 0; i < kFrameSizeCount; ++i) {
        const std::string& text = transcribed::kFrameSizes[i];
        EXPECT_EQ(frameSizeText(i), text) << i;
        const auto x = text.find('x');
        if (i == kFrameSizeOriginal || i == kFrameSizeCustom) {
            EXPECT_EQ(kFrameSizes[i].width, 0);
            EXPECT_EQ(kFrameSizes[i].height, 0);
        } else {
            ASSERT_NE(x, std::string::npos) << text;
            EXPECT_EQ(kFrameSizes[i].width, std::stoi(text.substr(0, x))) << text;
            EXPECT_EQ(kFrameSizes[i].height, std::stoi(text.substr(x + 1))) << text;
        }
    }
    EXPECT_EQ(frameSizeText(41), "");
}

TEST(ProfileTables, FrameSizeMasksDecodeToTheirListedEntries) {
    for (const auto& row : transcribed::kFrameSizeMasks) {
        SCOPED_TRACE(row.label);
        const uint64_t code = codeMaskFor(row.label);
        EXPECT_EQ(static_cast<uint32_t>(code), row.low);
        EXPECT_EQ(static_cast<uint32_t>(code >> 32), row.high);
        EXPECT_EQ(entriesOfMask(code), row.entries);
        // The listed entries and the listed words must describe the same mask.
        EXPECT_EQ(maskOfEntries(row.entries), (uint64_t{row.high} << 32) | row.low);
    }
}

TEST(ProfileTables, AspectRatioAndChannelNames) {
    EXPECT_EQ(aspectRatioName(0), "original");
    EXPECT_EQ(aspectRatioName(1), "4:3");
    EXPECT_EQ(aspectRatioName(2), "16:9");
    EXPECT_EQ(aspectRatioName(3), "");
    EXPECT_EQ(channelName(0), "mono");
    EXPECT_EQ(channelName(1), "stereo");
    EXPECT_EQ(channelName(2), "ac3 channel");
    EXPECT_EQ(channelName(-1), "");
}

TEST(ProfileTables, OptionListConstants) {
    const std::map<std::string, std::string_view> code = {
        {"FR1", kOptionFR1}, {"FR2", kOptionFR2},   {"FR3", kOptionFR3}, {"VB1", kOptionVB1},
        {"VB2", kOptionVB2}, {"VB3", kOptionVB3},   {"SR1", kOptionSR1}, {"SR2", kOptionSR2},
        {"SR3", kOptionSR3}, {"SR4", kOptionSR4},   {"SR5", kOptionSR5}, {"SR6", kOptionSR6},
        {"AB1", kOptionAB1}, {"AB2", kOptionAB2},   {"AB3", kOptionAB3}, {"AB4", kOptionAB4},
        {"AB5", kOptionAB5}, {"AB6", kOptionAB6},   {"AB7", kOptionAB7}, {"AB8", kOptionAB8},
        {"AB9", kOptionAB9}, {"AB10", kOptionAB10},
    };
    ASSERT_EQ(code.size(), transcribed::kOptionLists.size());
    for (const auto& [label, text] : transcribed::kOptionLists)
        EXPECT_EQ(code.at(label), text) << label;
}
