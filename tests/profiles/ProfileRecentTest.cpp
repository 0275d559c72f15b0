#include "ProfileCatalogue.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> recentNames(const ProfileCatalogue& catalogue) {
    std::vector<std::string> names;
    for (const ProfileRef& p : catalogue.list(17))
        names.push_back(p->name);
    return names;
}

std::vector<ProfileRef> allBuiltIns(const ProfileCatalogue& catalogue) {
    std::vector<ProfileRef> all;
    for (int category : {0, 1, 11})
        for (const ProfileRef& p : catalogue.list(category))
            all.push_back(p);
    return all;
}

} // namespace

TEST(ProfileRecent, PickCopiesWithItsOrigin) {
    ProfileCatalogue catalogue;
    const ProfileRef picked = catalogue.at(11, 3);
    EXPECT_EQ(catalogue.addRecent(*picked), 1);
    ASSERT_EQ(catalogue.count(17), 1);
    const ProfileRef recent = catalogue.at(17, 0);
    EXPECT_NE(recent, picked);
    EXPECT_EQ(recent->category, 17);
    EXPECT_EQ(recent->index, (11 << 16) | 3);
    Profile expected = *picked;
    expected.category = 17;
    expected.index = (11 << 16) | 3;
    EXPECT_EQ(*recent, expected);
    EXPECT_EQ(picked->category, 11); // the source is untouched
    EXPECT_FALSE(catalogue.customChanged());
}

TEST(ProfileRecent, SameNameChangesNothing) {
    ProfileCatalogue catalogue;
    catalogue.addRecent(*catalogue.at(0, 0));
    catalogue.addRecent(*catalogue.at(1, 1));
    const auto before = catalogue.list(17);
    EXPECT_EQ(catalogue.addRecent(*catalogue.at(0, 0)), 0);
    EXPECT_EQ(catalogue.list(17), before); // same records, same order

    // A custom profile named like a recent built-in is the same name.
    Profile custom = *catalogue.at(0, 0);
    custom.category = 16;
    catalogue.add(custom);
    EXPECT_EQ(catalogue.addRecent(*catalogue.at(16, 0)), 0);
    EXPECT_EQ(catalogue.list(17), before);
}

TEST(ProfileRecent, NamesDifferingInCaseAreDifferent) {
    ProfileCatalogue catalogue;
    Profile p = *catalogue.at(0, 0);
    p.category = 16;
    p.name = "My Phone";
    catalogue.add(p);
    p.name = "my phone";
    catalogue.add(p);
    EXPECT_EQ(catalogue.addRecent(*catalogue.at(16, 0)), 1);
    EXPECT_EQ(catalogue.addRecent(*catalogue.at(16, 1)), 1);
    EXPECT_EQ(recentNames(catalogue), (std::vector<std::string>{"My Phone", "my phone"}));
    EXPECT_EQ(catalogue.at(17, 1)->index, (16 << 16) | 1);
}

TEST(ProfileRecent, RecentProfilesAreNotAddedAgain) {
    ProfileCatalogue catalogue;
    catalogue.addRecent(*catalogue.at(0, 1));
    Profile renamed = *catalogue.at(17, 0);
    renamed.name = "Renamed";
    catalogue.replace(catalogue.at(17, 0), renamed);
    // Its name is new to the list, but it is a recent record itself.
    EXPECT_EQ(catalogue.addRecent(*catalogue.at(17, 0)), 0);
    EXPECT_EQ(catalogue.count(17), 1);
}

TEST(ProfileRecent, UnlistedProfilesAreNotAdded) {
    ProfileCatalogue catalogue;
    const Profile copy = *catalogue.at(0, 0); // equal values, but not a record of the catalogue
    EXPECT_EQ(catalogue.addRecent(copy), 0);
    EXPECT_EQ(catalogue.count(17), 0);
}

TEST(ProfileRecent, TwentyFirstPickDropsTheOldestWhileItsHolderStillReadsIt) {
    ProfileCatalogue catalogue;
    const auto builtIns = allBuiltIns(catalogue);
    ASSERT_EQ(builtIns.size(), 21u);

    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(catalogue.addRecent(*builtIns[i]), 1) << i;
    ASSERT_EQ(catalogue.count(17), 20);
    ProfileRef heldByItem = catalogue.at(17, 0); // a media item picked the oldest
    ASSERT_EQ(heldByItem->name, "MPEG-4 Video(*.mp4)");

    EXPECT_EQ(catalogue.addRecent(*builtIns[20]), 1);
    EXPECT_EQ(catalogue.count(17), 20);
    EXPECT_EQ(catalogue.at(17, 0)->name, builtIns[1]->name);
    EXPECT_EQ(catalogue.at(17, 19)->name, builtIns[20]->name);
    EXPECT_EQ(catalogue.at(17, 19)->index, (11 << 16) | 12);
    EXPECT_FALSE(catalogue.containsName(17, "MPEG-4 Video(*.mp4)"));
    EXPECT_EQ(heldByItem->name, "MPEG-4 Video(*.mp4)");
    EXPECT_EQ(heldByItem->category, 17);

    // Re-picking one still listed changes nothing; re-picking the dropped one re-adds it at the
    // end and pushes the next oldest out.
    EXPECT_EQ(catalogue.addRecent(*builtIns[5]), 0);
    EXPECT_EQ(catalogue.addRecent(*builtIns[0]), 1);
    EXPECT_EQ(catalogue.count(17), 20);
    EXPECT_EQ(catalogue.at(17, 0)->name, builtIns[2]->name);
    EXPECT_EQ(catalogue.at(17, 19)->name, "MPEG-4 Video(*.mp4)");
}

TEST(ProfileRecent, InvalidPickDoesNotDropTheOldest) {
    ProfileCatalogue catalogue;
    const auto builtIns = allBuiltIns(catalogue);
    for (int i = 0; i < 20; ++i)
        catalogue.addRecent(*builtIns[i]);
    Profile broken = *builtIns[20];
    broken.audioQuality = 101; // replace() does not validate
    catalogue.replace(builtIns[20], broken);
    EXPECT_EQ(catalogue.addRecent(*builtIns[20]), 0);
    EXPECT_EQ(catalogue.count(17), 20);
    EXPECT_EQ(catalogue.at(17, 0)->name, "MPEG-4 Video(*.mp4)");
}

TEST(ProfileInheritance, SourceOfIndex) {
    ProfileCatalogue catalogue;
    // 720908 = (11 << 16) | 12: the 13th "3GP Mobile" profile.
    ASSERT_TRUE(catalogue.sourceOf(720908));
    EXPECT_EQ(catalogue.sourceOf(720908)->name, "BlackBerry MPEG-4 Video(176x144)(*.mp4)");
    EXPECT_FALSE(catalogue.sourceOf(720909)); // past the end of that list
    EXPECT_EQ(catalogue.sourceOf(0), catalogue.at(0, 0));
    EXPECT_EQ(catalogue.sourceOf(0x10003), catalogue.at(1, 3));
    EXPECT_FALSE(catalogue.sourceOf(18 << 16));
    EXPECT_FALSE(catalogue.sourceOf(0x7FFF0000));
    EXPECT_FALSE(catalogue.sourceOf(-1));
    EXPECT_FALSE(catalogue.sourceOf(16 << 16)); // no custom profiles yet
}

TEST(ProfileInheritance, CustomTakesOnlyTheFixedFieldsFromItsSource) {
    ProfileCatalogue catalogue;
    const Profile& source = *catalogue.at(11, 6); // BlackBerry H.263 3GP

    Profile stored; // what a custom profile file gives back: editable fields only
    stored.flag = 0x04;
    stored.index = (11 << 16) | 6;
    stored.name = "Night clips";
    stored.desc = "dim";
    stored.videoCodec = 10;
    stored.videoBitrate = 200;
    stored.frameRate = 12.0f;
    stored.width = 176;
    stored.height = 144;
    stored.aspectRatio = 1;
    stored.videoQuality = 70;
    stored.audioCodec = 8;
    stored.audioBitrate = 6700;
    stored.sampleRate = 8000;
    stored.channel = 0;
    stored.audioQuality = 30;

    const auto rebuilt = catalogue.rebuildCustom(stored);
    ASSERT_TRUE(rebuilt);
    Profile expected = stored;
    expected.category = 16;
    expected.format = 28;
    expected.videoCodecMask = 0x400;
    expected.frameSizeMaskLow = 0x08002012;
    expected.frameSizeMaskHigh = 0x20;
    expected.frameRateOptions = "auto,original,2,3,5,10,12,15";
    expected.videoBitrateOptions = "auto,100,200,300,400";
    expected.aspectRatioMask = 7;
    expected.audioCodecMask = 0x122;
    expected.channelMask = 1;
    expected.sampleRateOptions = "8000";
    expected.audioBitrateOptions = "5150,6700,7400,10200,12200";
    EXPECT_EQ(*rebuilt, expected);
    EXPECT_EQ(source.name, "BlackBerry H.263 3GP Video(176x144)(*.3gp)");

    stored.index = 720909;
    EXPECT_FALSE(catalogue.rebuildCustom(stored));
}

TEST(ProfileInheritance, CustomMayReferToAnEarlierCustom) {
    ProfileCatalogue catalogue;
    Profile first = *catalogue.at(0, 3);
    first.category = 16;
    first.name = "Base";
    catalogue.add(first);
    Profile stored;
    stored.index = 16 << 16;
    stored.name = "Derived";
    const auto rebuilt = catalogue.rebuildCustom(stored);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->videoBitrateOptions, "auto,256,384,512,640,768,1000,1500,1800,2000,2500");
    EXPECT_EQ(rebuilt->index, 16 << 16);
}

TEST(ProfileInheritance, RecentIsTheSourceWithItsOwnCategoryAndIndex) {
    ProfileCatalogue catalogue;
    const auto rebuilt = catalogue.rebuildRecent(0x10002);
    ASSERT_TRUE(rebuilt);
    Profile expected = *catalogue.at(1, 2);
    expected.category = 17;
    expected.index = 0x10002;
    EXPECT_EQ(*rebuilt, expected);
    EXPECT_FALSE(catalogue.rebuildRecent(0x10004));
    EXPECT_FALSE(catalogue.rebuildRecent(0x120000));
    EXPECT_EQ(catalogue.add(*rebuilt), 1);
    EXPECT_EQ(catalogue.at(17, 0)->name, "MP3-MPEG Layer 3 Audio(*.mp3)");
}
