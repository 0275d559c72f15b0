#include "MediaItem.h"
#include "DecimalCommaLocale.h"
#include "VelSettings.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

struct StateCase {
    int32_t before;
    int32_t set;
    int32_t clear;
    int32_t after;
    const char* text;
};

class MediaItemState : public ::testing::TestWithParam<StateCase> {};

TEST_P(MediaItemState, SetStateKeepsOneConversionState) {
    const StateCase& c = GetParam();
    MediaItem item;
    item.stateFlags = c.before;
    item.setState(c.set, c.clear);
    EXPECT_EQ(item.stateFlags.load(), c.after);
    EXPECT_EQ(item.stateText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Transitions, MediaItemState,
    ::testing::Values(
        // A missing file drops out of the conversion but keeps its focus.
        StateCase{kItemFocused | kItemChecked | kItemConverting, kItemNotExist, kItemChecked,
                  kItemFocused | kItemNotExist, "Not Exist"},
        StateCase{kItemChecked | kItemFinish | kItemConvertFailed, kItemNotExist, kItemChecked,
                  kItemNotExist, "Not Exist"},
        StateCase{kItemChecked | kItemNotConvert, kItemConverting, 0,
                  kItemChecked | kItemConverting, "Converting"},
        StateCase{kItemChecked | kItemConverting, kItemFinish, 0, kItemChecked | kItemFinish,
                  "Finish"},
        StateCase{kItemChecked | kItemConverting, kItemConvertFailed, 0,
                  kItemChecked | kItemConvertFailed, "Convert Failed"},
        StateCase{kItemFinish | kItemNotExist, kItemNotConvert, 0, kItemNotConvert, "Not Convert"},
        // Setting a non-state bit clears nothing but the extra bits.
        StateCase{kItemFinish, kItemFocused, 0, kItemFinish | kItemFocused, "Finish"},
        StateCase{kItemChecked | kItemFinish, 0, kItemChecked, kItemFinish, "Finish"},
        // The state text follows the fixed precedence even for mixed bits.
        StateCase{kItemFinish | kItemConvertFailed, 0, 0, kItemFinish | kItemConvertFailed,
                  "Convert Failed"},
        StateCase{kItemConverting | kItemNotExist, 0, 0, kItemConverting | kItemNotExist,
                  "Converting"},
        StateCase{0, 0, 0, 0, "Not Convert"}));

TEST(MediaItem, NewItemIsCheckedWaitingAtZero) {
    MediaItem item;
    EXPECT_EQ(item.stateFlags.load(), 12);
    EXPECT_EQ(item.stateText(), "Not Convert");
    EXPECT_EQ(item.progressText(), "0.00%");
    EXPECT_EQ(item.clipEnd, -1);
    EXPECT_EQ(item.watermark.fontName, "Arial");
    EXPECT_EQ(item.watermark.colour, 0xFFFFFFu);
    EXPECT_EQ(item.device.right, 640);
    EXPECT_EQ(item.usedRemainingText(), "00:00:00 / 00:00:00");
}

TEST(MediaItem, SizeTexts) {
    struct Case {
        int64_t value;
        bool estimate;
        const char* text;
    };
    const Case cases[] = {
        {0, false, "0KB"},
        {1023, false, "1023KB"},
        {1024, false, "1.0MB"},
        {1048575, false, "1024.0MB"},
        {1048576, false, "1.0GB"},
        {1536, true, "1KB"},
        {1536LL << 20, true, "1.50GB"},
        {(1LL << 20) + (1LL << 19), true, "1.50MB"},
        {1023LL << 10, true, "1023KB"},
        // Past 4 TiB the KiB count wraps as an unsigned 32-bit value.
        {(4LL << 40) + 2048, true, "2KB"},
    };
    for (const Case& c : cases) {
        MediaItem item;
        if (c.estimate) {
            item.outputEstimate = c.value;
            EXPECT_EQ(item.estimateText(), c.text) << c.value;
        } else {
            item.sourceSize = static_cast<int32_t>(c.value);
            EXPECT_EQ(item.sourceSizeText(), c.text) << c.value;
        }
    }
}

TEST(MediaItem, SizeTextsIgnoreTheProcessLocale) {
    DecimalCommaLocale comma;
    ASSERT_TRUE(comma.active());
    MediaItem item;
    item.sourceSize = 1536;
    item.outputEstimate = 1536LL << 20;
    EXPECT_EQ(item.sourceSizeText(), "1.5MB");
    EXPECT_EQ(item.estimateText(), "1.50GB");
}

TEST(MediaItem, TimeAndProgressTexts) {
    EXPECT_EQ(mediaTimeText(0), "00:00:00");
    EXPECT_EQ(mediaTimeText((25 * 3600 + 61) * 1000LL), "01:01:01");
    EXPECT_EQ(mediaTimeText(59999), "00:00:59");

    MediaItem item;
    item.progress = 4567;
    EXPECT_EQ(item.progressText(), "45.67%");
    item.progress = 10000;
    EXPECT_EQ(item.progressText(), "100.00%");
    item.progress = 5;
    EXPECT_EQ(item.progressText(), "0.05%");

    // A quarter done after 10 s: 30 s remain.
    item.progress = 2500;
    item.elapsed = 10000;
    EXPECT_EQ(item.usedRemainingText(), "00:00:10 / 00:00:30");
    item.progress = 0;
    EXPECT_EQ(item.usedRemainingText(), "00:00:10 / 00:00:00");
}

TEST(MediaItem, CopyIsIndependentButSharesTheProfile) {
    auto profile = std::make_shared<Profile>();
    profile->name = "P";
    MediaItem original;
    original.profile = profile;
    original.sourcePath = "/a/b.avi";
    original.progress = 1234;
    original.elapsed = 99;
    original.watermark.text = "hello";
    original.device.videoDevice = "cam";
    original.crop = MediaCrop{1, 2, 3, 40, 50};

    MediaItem copy = original;
    EXPECT_EQ(copy.progress.load(), 1234);
    EXPECT_EQ(copy.elapsed.load(), 99);
    EXPECT_EQ(copy.watermark, original.watermark);
    EXPECT_EQ(copy.crop, original.crop);
    EXPECT_EQ(copy.device.videoDevice, "cam");
    EXPECT_EQ(copy.profile.get(), profile.get());

    copy.setState(kItemFinish);
    copy.watermark.text = "changed";
    copy.device.videoDevice = "other";
    EXPECT_EQ(original.stateText(), "Not Convert");
    EXPECT_EQ(original.watermark.text, "hello");
    EXPECT_EQ(original.device.videoDevice, "cam");
}

TEST(MediaItem, OutputFormatComesFromTheProfile) {
    MediaItem item;
    EXPECT_EQ(item.outputExtension(), "");
    item.profile = std::make_shared<Profile>();
    item.profile->format = 13;
    EXPECT_EQ(item.outputExtension(), "mkv");
    EXPECT_EQ(item.engineFormat(), "matroska");
    item.profile->format = 37;
    EXPECT_EQ(item.outputExtension(), "");
    EXPECT_EQ(item.engineFormat(), "");
}

// The engine thread sets conversion states while the user-interface thread toggles focus; no
// update may be lost.
TEST(MediaItem, ConcurrentStateAndFocusChangesAreNotLost) {
    MediaItem item;
    std::thread engine([&] {
        for (int i = 0; i < 20000; ++i) {
            item.setState(i % 2 ? kItemConverting : kItemFinish);
        }
    });
    for (int i = 0; i < 20000; ++i) {
        item.setFlag(kItemFocused, i % 2 == 0);
    }
    engine.join();
    EXPECT_EQ(item.stateFlags.load(), kItemChecked | kItemConverting);
}

TEST(VelSettings, Defaults) {
    VelSettings s;
    EXPECT_EQ(s.optionFlags.load(), 0x5348u);
    EXPECT_TRUE(s.option(kOptionRename));
    EXPECT_TRUE(s.option(kOptionShowRenameDialog));
    EXPECT_TRUE(s.option(kOptionAutoUpdate));
    EXPECT_TRUE(s.option(kOptionOpenSnapshotFolder));
    EXPECT_TRUE(s.option(kOptionDirectShow));
    EXPECT_TRUE(s.option(kOptionEffectPicture));
    for (uint32_t off : {kOptionMerge, kOptionShutdown, kOptionSameAsInput, kOptionOpenOutputFolder,
                         kOptionOverwrite, kOptionSkip}) {
        EXPECT_FALSE(s.option(off)) << off;
    }
    EXPECT_EQ(s.conversionCursor.load(), -1);
    EXPECT_EQ(s.volume, 100);
    EXPECT_EQ(s.snapshotFormat, "JPEG");
    EXPECT_EQ(s.updateInterval, 7);
    s.setOption(kOptionMerge, true);
    s.setOption(kOptionRename, false);
    EXPECT_EQ(s.optionFlags.load(), 0x5348u - kOptionRename + kOptionMerge);
}

} // namespace
