#include "ProfileCatalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

Profile customNamed(const std::string& name) {
    Profile p;
    p.category = 16;
    p.name = name;
    return p;
}

} // namespace

TEST(ProfileRecord, ConstructedDefaults) {
    const Profile p;
    EXPECT_EQ(p.flag, 0);
    EXPECT_EQ(p.category, 0);
    EXPECT_EQ(p.format, 0);
    EXPECT_EQ(p.name, "");
    EXPECT_EQ(p.desc, "");
    EXPECT_EQ(p.index, 0);
    EXPECT_EQ(p.videoCodec, 0);
    EXPECT_EQ(p.videoCodecMask, 0u);
    EXPECT_EQ(p.width, 0);
    EXPECT_EQ(p.height, 0);
    EXPECT_EQ(p.frameSizeMaskLow, 0x4C4330B9u);
    EXPECT_EQ(p.frameSizeMaskHigh, 0x104u);
    EXPECT_EQ(p.frameSizeMask(), 0x1044C4330B9ull);
    EXPECT_EQ(p.frameRate, 0.0f);
    EXPECT_EQ(p.videoBitrate, 0);
    EXPECT_EQ(p.aspectRatio, 0);
    EXPECT_EQ(p.aspectRatioMask, 7);
    EXPECT_EQ(p.videoQuality, 60);
    EXPECT_EQ(p.audioCodec, 0);
    EXPECT_EQ(p.audioCodecMask, 0u);
    EXPECT_EQ(p.channel, 1);
    EXPECT_EQ(p.channelMask, 0);
    EXPECT_EQ(p.sampleRate, 0);
    EXPECT_EQ(p.audioBitrate, 0);
    EXPECT_EQ(p.audioQuality, 60);
    EXPECT_TRUE(p.frameRateOptions.empty() && p.videoBitrateOptions.empty() &&
                p.sampleRateOptions.empty() && p.audioBitrateOptions.empty());
}

TEST(ProfileRecord, FrameSizeMaskWords) {
    Profile p;
    p.setFrameSizeMask(0x0000012300000001ull | (1ull << 40));
    EXPECT_EQ(p.frameSizeMaskLow, 1u);
    EXPECT_EQ(p.frameSizeMaskHigh, 0x123u | 0x100u);
    EXPECT_TRUE(p.offersFrameSize(0));
    EXPECT_TRUE(p.offersFrameSize(40));
    EXPECT_FALSE(p.offersFrameSize(1));
    EXPECT_FALSE(p.offersFrameSize(-1));
}

TEST(ProfileCatalogue, ValidationBoundaries) {
    struct Case {
        const char* what;
        std::function<void(Profile&)> edit;
        bool accepted;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        {"unchanged", [](Profile&) {}, true},
        {"category -1", [](Profile& p) { p.category = -1; }, false},
        {"category 17", [](Profile& p) { p.category = 17; }, true},
        {"category 18", [](Profile& p) { p.category = 18; }, false},
        {"empty name", [](Profile& p) { p.name.clear(); }, false},
        {"videoCodec -1", [](Profile& p) { p.videoCodec = -1; }, false},
        {"videoCodec 19", [](Profile& p) { p.videoCodec = 19; }, true},
        {"videoCodec 20", [](Profile& p) { p.videoCodec = 20; }, false},
        {"audioCodec -1", [](Profile& p) { p.audioCodec = -1; }, false},
        {"audioCodec 11", [](Profile& p) { p.audioCodec = 11; }, true},
        {"audioCodec 12", [](Profile& p) { p.audioCodec = 12; }, false},
        {"format -1", [](Profile& p) { p.format = -1; }, false},
        {"format 35", [](Profile& p) { p.format = 35; }, true},
        {"format 37", [](Profile& p) { p.format = 37; }, false},
        {"width -1", [](Profile& p) { p.width = -1; }, false},
        {"height -1", [](Profile& p) { p.height = -1; }, false},
        {"size 0x0", [](Profile& p) { p.width = p.height = 0; }, true},
        {"frameRate -0.5", [](Profile& p) { p.frameRate = -0.5f; }, false},
        {"frameRate 30", [](Profile& p) { p.frameRate = 30.0f; }, true},
        {"frameRate 30.01", [](Profile& p) { p.frameRate = 30.01f; }, false},
        {"frameRate 31", [](Profile& p) { p.frameRate = 31.0f; }, false},
        {"frameRate NaN", [nan](Profile& p) { p.frameRate = nan; }, false},
        {"aspectRatio -1", [](Profile& p) { p.aspectRatio = -1; }, false},
        {"aspectRatio 2", [](Profile& p) { p.aspectRatio = 2; }, true},
        {"aspectRatio 3", [](Profile& p) { p.aspectRatio = 3; }, false},
        {"videoQuality -1", [](Profile& p) { p.videoQuality = -1; }, false},
        {"videoQuality 0", [](Profile& p) { p.videoQuality = 0; }, true},
        {"videoQuality 100", [](Profile& p) { p.videoQuality = 100; }, true},
        {"videoQuality 101", [](Profile& p) { p.videoQuality = 101; }, false},
        {"channel -1", [](Profile& p) { p.channel = -1; }, false},
        {"channel 2", [](Profile& p) { p.channel = 2; }, true},
        {"channel 3", [](Profile& p) { p.channel = 3; }, false},
        {"sampleRate -1", [](Profile& p) { p.sampleRate = -1; }, false},
        {"audioBitrate -1", [](Profile& p) { p.audioBitrate = -1; }, false},
        {"videoBitrate -1", [](Profile& p) { p.videoBitrate = -1; }, false},
        {"audioQuality -1", [](Profile& p) { p.audioQuality = -1; }, false},
        {"audioQuality 100", [](Profile& p) { p.audioQuality = 100; }, true},
        {"audioQuality 101", [](Profile& p) { p.audioQuality = 101; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProfileCatalogue catalogue;
        Profile p = *catalogue.at(0, 0);
        p.category = 16;
        p.name = "Mine";
        c.edit(p);
        const int category = p.category;
        const int before = catalogue.count(category);
        EXPECT_EQ(catalogue.add(p), c.accepted ? 1 : 0);
        EXPECT_EQ(catalogue.count(category), before + (c.accepted ? 1 : 0));
        EXPECT_EQ(catalogue.customChanged(), c.accepted && category == 16);
    }
}

TEST(ProfileCatalogue, AddAppendsACopy) {
    ProfileCatalogue catalogue;
    Profile p = customNamed("First");
    ASSERT_EQ(catalogue.add(p), 1);
    p.name = "Changed after adding";
    ASSERT_EQ(catalogue.add(customNamed("Second")), 1);
    EXPECT_EQ(catalogue.at(16, 0)->name, "First");
    EXPECT_EQ(catalogue.at(16, 1)->name, "Second");
    EXPECT_EQ(catalogue.positionOf(catalogue.at(16, 1).get()), 1);
}

TEST(ProfileCatalogue, AtOutOfRangeIsNone) {
    ProfileCatalogue catalogue;
    EXPECT_FALSE(catalogue.at(-1, 0));
    EXPECT_FALSE(catalogue.at(18, 0));
    EXPECT_FALSE(catalogue.at(0, -1));
    EXPECT_FALSE(catalogue.at(0, 4));
    EXPECT_FALSE(catalogue.at(16, 0));
    EXPECT_TRUE(catalogue.at(11, 12));
    EXPECT_EQ(catalogue.count(18), 0);
    EXPECT_TRUE(catalogue.list(-3).empty());
}

TEST(ProfileCatalogue, ContainsNameIsExactAndCaseSensitive) {
    ProfileCatalogue catalogue;
    catalogue.add(customNamed("My Phone"));
    EXPECT_TRUE(catalogue.containsName(16, "My Phone"));
    EXPECT_FALSE(catalogue.containsName(16, "my phone"));
    EXPECT_FALSE(catalogue.containsName(16, "My Phone "));
    EXPECT_FALSE(catalogue.containsName(0, "My Phone"));
    EXPECT_TRUE(catalogue.containsName(0, "H.264 Video(*.mp4)"));
    EXPECT_FALSE(catalogue.containsName(99, "H.264 Video(*.mp4)"));
}

TEST(ProfileCatalogue, RemoveFindsTheRecordByIdentity) {
    ProfileCatalogue catalogue;
    catalogue.add(customNamed("Twin"));
    catalogue.add(customNamed("Twin"));
    catalogue.setCustomChanged(false);
    const ProfileRef first = catalogue.at(16, 0);
    const ProfileRef second = catalogue.at(16, 1);

    EXPECT_EQ(catalogue.remove(second.get()), 1);
    EXPECT_TRUE(catalogue.customChanged());
    ASSERT_EQ(catalogue.count(16), 1);
    EXPECT_EQ(catalogue.at(16, 0), first);

    // Already unlisted, or never listed: nothing happens.
    EXPECT_EQ(catalogue.remove(second.get()), 0);
    const Profile stranger = customNamed("Twin");
    EXPECT_EQ(catalogue.remove(&stranger), 0);
    EXPECT_EQ(catalogue.remove(nullptr), 0);
    EXPECT_EQ(catalogue.count(16), 1);
}

TEST(ProfileCatalogue, RemovingABuiltInLeavesCustomUnchanged) {
    ProfileCatalogue catalogue;
    EXPECT_EQ(catalogue.remove(catalogue.at(1, 0)), 1);
    EXPECT_EQ(catalogue.count(1), 3);
    EXPECT_FALSE(catalogue.customChanged());
}

TEST(ProfileCatalogue, RemovedRecordStaysReadableForItsHolder) {
    ProfileCatalogue catalogue;
    catalogue.add(customNamed("Held by an item"));
    ProfileRef held = catalogue.at(16, 0);
    std::weak_ptr<Profile> watch = held;
    catalogue.remove(held);
    EXPECT_EQ(catalogue.count(16), 0);
    EXPECT_EQ(held->name, "Held by an item");
    EXPECT_EQ(catalogue.positionOf(held.get()), -1);
    held.reset();
    EXPECT_TRUE(watch.expired()); // freed with its last holder
}

TEST(ProfileCatalogue, ReplaceEditsInPlace) {
    ProfileCatalogue catalogue;
    const ProfileRef held = catalogue.at(0, 2);
    Profile values = *held;
    values.videoBitrate = 1500;
    values.width = 320;
    values.height = 240;
    EXPECT_EQ(catalogue.replace(held, values), 1);
    EXPECT_EQ(catalogue.at(0, 2), held);
    EXPECT_EQ(held->videoBitrate, 1500);
    EXPECT_EQ(held->width, 320);
    EXPECT_FALSE(catalogue.customChanged());
    EXPECT_EQ(catalogue.replace(static_cast<Profile*>(nullptr), values), 0);

    catalogue.add(customNamed("Custom"));
    catalogue.setCustomChanged(false);
    Profile edited = *catalogue.at(16, 0);
    edited.desc = "edited";
    catalogue.replace(catalogue.at(16, 0), edited);
    EXPECT_TRUE(catalogue.customChanged());
    EXPECT_EQ(catalogue.at(16, 0)->desc, "edited");
}

TEST(ProfileCatalogue, RecordStaysTrackedWhenReplaceChangesItsCategory) {
    ProfileCatalogue catalogue;
    catalogue.add(customNamed("Moves"));
    const ProfileRef record = catalogue.at(16, 0);
    Profile values = *record;
    values.category = 0;
    catalogue.replace(record, values);
    EXPECT_EQ(catalogue.at(16, 0), record); // keeps its place
    EXPECT_EQ(catalogue.positionOf(record.get()), 0);
    EXPECT_EQ(catalogue.remove(record), 1);
    EXPECT_EQ(catalogue.count(16), 0);
    EXPECT_EQ(catalogue.count(0), 4);
}

TEST(ProfileCatalogue, EngineIdsHonourTheFlags) {
    Profile p;
    p.videoCodec = 11;
    p.audioCodec = 8;
    EXPECT_EQ(ProfileCatalogue::videoEngineId(p), 28);
    EXPECT_EQ(ProfileCatalogue::audioEngineId(p), 0x12000);
    p.flag = 0x02;
    EXPECT_EQ(ProfileCatalogue::videoEngineId(p), 0);
    EXPECT_EQ(ProfileCatalogue::audioEngineId(p), 0x12000);
    p.flag = 0x08;
    EXPECT_EQ(ProfileCatalogue::videoEngineId(p), 0);
    p.flag = 0x04;
    EXPECT_EQ(ProfileCatalogue::videoEngineId(p), 28);
    EXPECT_EQ(ProfileCatalogue::audioEngineId(p), 0);
    p.flag = 0x10;
    EXPECT_EQ(ProfileCatalogue::videoEngineId(p), 28);
    EXPECT_EQ(ProfileCatalogue::audioEngineId(p), 0x12000);

    p.flag = 0;
    p.videoCodec = 25; // from a hand-edited custom file
    p.audioCodec = -3;
    EXPECT_EQ(ProfileCatalogue::videoEngineId(p), 0);
    EXPECT_EQ(ProfileCatalogue::audioEngineId(p), 0);
}

TEST(ProfileCatalogue, FormatColumnsOutsideTheTableAreEmpty) {
    Profile p;
    p.format = 37;
    EXPECT_EQ(ProfileCatalogue::extensionOf(p), "");
    EXPECT_EQ(ProfileCatalogue::engineFormatOf(p), "");
    p.format = 13;
    EXPECT_EQ(ProfileCatalogue::extensionOf(p), "mkv");
    EXPECT_EQ(ProfileCatalogue::engineFormatOf(p), "matroska");
}

TEST(ProfileCatalogue, ProcessWideInstance) {
    ProfileCatalogue& a = ProfileCatalogue::instance();
    EXPECT_EQ(&a, &ProfileCatalogue::instance());
    ASSERT_TRUE(a.defaultProfile());
    EXPECT_EQ(a.defaultProfile()->name, "MPEG-4 Video(*.mp4)");
}
