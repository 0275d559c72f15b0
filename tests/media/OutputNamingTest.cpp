#include "OutputNaming.h"

#include "FakeVelCodec.h"

#include <gtest/gtest.h>

#include <set>

namespace {

ProfileRef profileWithFormat(int format) {
    auto p = std::make_shared<Profile>();
    p->format = format;
    return p;
}

constexpr int kFormatMp4 = 0;
constexpr int kFormat3gp = 28;

struct PathCase {
    const char* label;
    const char* displayName;
    const char* sourcePath;
    int format;
    bool sameAsInput;
    const char* outputFolder;
    const char* expected;
};

class OutputPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(OutputPathTest, FormsThePath) {
    const PathCase& c = GetParam();
    MediaItem item;
    item.displayName = c.displayName;
    item.sourcePath = c.sourcePath;
    item.profile = profileWithFormat(c.format);
    VelSettings settings;
    settings.optionFlags = c.sameAsInput ? kOptionSameAsInput : 0;
    settings.outputFolder = c.outputFolder;
    EXPECT_EQ(outputPathOf(item, settings), c.expected);
}

const std::string kCamera = std::string(kFakeDevicePrefix) + "Camera|Mic";

INSTANTIATE_TEST_SUITE_P(
    OutputNaming, OutputPathTest,
    ::testing::Values(
        PathCase{"SameAsInput", "clip.avi", "/video/clip.avi", kFormat3gp, true, "/out",
                 "/video/clip.3gp"},
        PathCase{"FolderWithoutSlash", "clip.avi", "/video/clip.avi", kFormat3gp, false, "/out",
                 "/out/clip.3gp"},
        PathCase{"FolderWithSlash", "clip.avi", "/video/clip.avi", kFormat3gp, false, "/out/",
                 "/out/clip.3gp"},
        PathCase{"InnerDotsKept", "archive.tar.avi", "/v/archive.tar.avi", kFormatMp4, false,
                 "/out", "/out/archive.tar.mp4"},
        PathCase{"NoExtension", "clip", "/v/clip", kFormatMp4, false, "/out", "/out/clip.mp4"},
        PathCase{"HiddenFileKeepsItsName", ".clip", "/v/.clip", kFormatMp4, true, "",
                 "/v/.clip.mp4"},
        PathCase{"DotInFolderOnly", "clip", "/v.d/clip", kFormatMp4, true, "", "/v.d/clip.mp4"},
        PathCase{"DeviceInOutputFolder", "Camera", kCamera.c_str(), kFormatMp4, false, "/out/",
                 "/out/Camera.mp4"},
        PathCase{"DeviceIgnoresSameAsInput", "Camera", kCamera.c_str(), kFormatMp4, true, "/out/",
                 "/out/Camera.mp4"},
        PathCase{"DeviceNameWithDotIsWhole", "Cam.v2", kCamera.c_str(), kFormatMp4, false, "/out",
                 "/out/Cam.v2.mp4"},
        PathCase{"DeviceNameSlashIsNoFolder", "Headset/Handsfree", kCamera.c_str(), kFormatMp4,
                 false, "/out", "/out/Headset_Handsfree.mp4"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(OutputNaming, OutputFolderFollowsTheMode) {
    MediaItem file;
    file.displayName = "clip.avi";
    file.sourcePath = "/video/sub/clip.avi";
    MediaItem device;
    device.displayName = "Camera";
    device.sourcePath = kCamera;
    VelSettings settings;
    settings.outputFolder = "/out";
    settings.optionFlags = kOptionSameAsInput;
    EXPECT_EQ(outputFolderOf(file, settings), "/video/sub");
    EXPECT_EQ(outputFolderOf(device, settings), "/out");
    settings.optionFlags = 0;
    EXPECT_EQ(outputFolderOf(file, settings), "/out");
}

TEST(OutputNaming, PathParts) {
    EXPECT_EQ(folderOfPath("/a/b/c.mp4"), "/a/b");
    EXPECT_EQ(folderOfPath("/c.mp4"), "/");
    EXPECT_EQ(folderOfPath("c.mp4"), "");
    EXPECT_EQ(fileNameOfPath("/a/b/c.mp4"), "c.mp4");
    EXPECT_EQ(extensionDot("/a.b/c"), std::string::npos);
    EXPECT_EQ(extensionDot("/a/.c"), std::string::npos);
    EXPECT_EQ(extensionDot("/a/x.tar.gz"), 8u); // the last dot
}

const SystemTime kStamp{2011, 3, 4, 3, 9, 5, 7, 0};

TEST(OutputNaming, TimeStampGoesBeforeTheExtension) {
    EXPECT_EQ(timeStampedName("/v/clip.3gp", kStamp), "/v/clip_2011_03_03_09_05_07.3gp");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(timeStampedName("/v.d/clip", kStamp), "/v.d/clip_2011_03_03_09_05_07");
}

TEST(OutputNaming, UniqueNameCountsOnWithinOneSecond) {
    std::set<std::string> existing;
    auto exists = [&](const std::string& p) { return existing.count(p) > 0; };
    const std::string first = uniqueOutputName("/o/clip.3gp", kStamp, exists);
    EXPECT_EQ(first, "/o/clip_2011_03_03_09_05_07.3gp");
    existing.insert(first);
    const std::string second = uniqueOutputName("/o/clip.3gp", kStamp, exists);
    EXPECT_EQ(second, "/o/clip_2011_03_03_09_05_07_2.3gp");
    existing.insert(second);
    EXPECT_EQ(uniqueOutputName("/o/clip.3gp", kStamp, exists), "/o/clip_2011_03_03_09_05_07_3.3gp");
}

TEST(OutputNaming, ExistenceCountsUnreadableAsExisting) {
    EXPECT_TRUE(pathExists("/"));
    EXPECT_FALSE(pathExists("/nonexistent-movara-path/x"));
    // A path through a regular file cannot exist.
    EXPECT_FALSE(pathExists("/proc/self/status/x"));
}

} // namespace
