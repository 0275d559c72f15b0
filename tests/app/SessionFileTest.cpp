#include "SessionFile.h"
#include "SessionWriter.h"

#include "ProfileCatalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class SessionFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("movara-session-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = (dir / "Session.xml").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string touch(const std::string& name, const std::string& bytes) const {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::string documentOf(const std::vector<SessionEntry>& entries) {
        SessionSnapshot snapshot;
        for (const SessionEntry& entry : entries)
            SessionFile::addItem(snapshot, entry.item, entry.output);
        return SessionFile::document(snapshot);
    }

    fs::path dir;
    std::string file;
    ProfileCatalogue catalogue;
};

// Every kept field survives the file: the document of what was read equals the document
// written, for items that share a catalogue profile and one whose profile the catalogue no
// longer has, with text that needs escaping.
TEST_F(SessionFileTest, ItemsComeBackAsTheyWereWrittenThroughTheWriterThread) {
    std::vector<SessionEntry> before(3);
    MediaItem& edited = before[0].item;
    edited.displayName = "a <b> & c.mp4";
    edited.sourcePath = touch("a <b> & c.mp4", "x");
    edited.sourceSize = 1234;
    edited.profile = catalogue.at(0, 3);
    edited.setState(kItemFinish, kItemChecked);
    before[0].output = touch("out.mp4", "whole");
    edited.clipBegin = 1500;
    edited.clipEnd = 9000;
    edited.duration = 12000;
    edited.targetSize = 10 << 20;
    edited.brightness = -40;
    edited.contrast = 25;
    edited.saturation = 100;
    edited.flip = 3;
    edited.loudness = {true, -23.0, -2.0};
    edited.crop = {2, 8, 6, 300, 200};
    edited.watermark = {kWatermarkText,
                        "",
                        "Caption \"one\"\nline",
                        "Liberation Sans",
                        0xFFFF00,
                        48,
                        3,
                        20,
                        30,
                        128,
                        250,
                        60};
    edited.device.frameRate = 12.5;
    edited.device.captureCursor = 1;
    before[1].item.sourcePath = "/nowhere/b.avi";
    before[1].item.profile = catalogue.at(0, 3);
    Profile changed = *catalogue.at(1, 0);
    changed.videoBitrate = 777;
    changed.frameRate = 23.976f;
    before[2].item.sourcePath = "/nowhere/c.avi";
    before[2].item.profile = std::make_shared<Profile>(changed);

    SessionSnapshot snapshot;
    for (const SessionEntry& entry : before)
        SessionFile::addItem(snapshot, entry.item, entry.output);
    EXPECT_EQ(snapshot.profiles.size(), 2u);
    {
        SessionWriter writer(file);
        writer.submit(std::move(snapshot));
        writer.flush();
        EXPECT_EQ(writer.writes(), 1u);
    }

    std::vector<SessionEntry> after;
    ASSERT_EQ(SessionFile::load(file, catalogue, after), SessionFile::LoadResult::Loaded);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(documentOf(after), documentOf(before));
    EXPECT_EQ(after[0].item.profile, catalogue.at(0, 3)); // the catalogue's own record
    EXPECT_EQ(after[0].item.profile, after[1].item.profile);
    EXPECT_EQ(*after[2].item.profile, changed);
    EXPECT_EQ(after[0].item.watermark, edited.watermark);
    EXPECT_EQ(after[0].item.loudness, edited.loudness);
}

// What a restored item resumes as.
TEST_F(SessionFileTest, ConvertingAndFinishedItemsAreNotConvertUnlessTheirOutputIsThere) {
    const std::string source = touch("in.mp4", "x");
    const std::string output = touch("out.mp4", "whole");
    const std::string empty = touch("empty.mp4", "");
    struct Case {
        int32_t state;
        std::string source, output;
        int32_t expected;
        int32_t progress;
    } cases[] = {
        {kItemFinish, source, output, kItemFinish | kItemChecked, 10000},
        {kItemFinish, source, "", kItemNotConvert | kItemChecked, 0},
        {kItemFinish, source, (dir / "gone.mp4").string(), kItemNotConvert | kItemChecked, 0},
        {kItemFinish, source, empty, kItemNotConvert | kItemChecked, 0},
        {kItemConverting, source, output, kItemNotConvert | kItemChecked, 0},
        {kItemConvertFailed, source, "", kItemConvertFailed | kItemChecked, 0},
        {kItemNotExist, source, "", kItemNotConvert | kItemChecked, 0},
        {kItemNotConvert, (dir / "gone.avi").string(), "", kItemNotExist, 0},
    };
    for (const Case& c : cases) {
        SessionEntry entry;
        entry.item.sourcePath = c.source;
        entry.item.setState(c.state);
        entry.item.progress = 5000;
        entry.output = c.output;
        SessionFile::restoreState(entry);
        EXPECT_EQ(entry.item.stateFlags.load(), c.expected) << c.state << " " << c.output;
        EXPECT_EQ(entry.item.progress.load(), c.progress) << c.state << " " << c.output;
    }
}

TEST_F(SessionFileTest, ADamagedFileIsKeptAsideAndNothingIsRestored) {
    const std::string good = "<Session Version=\"1\"><Profiles/><Items><Item><Source>/a.mp4"
                             "</Source></Item></Items></Session>";
    const std::string damaged[] = {
        "<Session Version=\"1\"><Items><Item><Source>/a.mp4</Source></Item>", // cut off
        "\x01\x02 not xml at all",
        "<Session><Items><Item><Source>/a.mp4</Source><ClipBegin>12x</ClipBegin></Item></Items>"
        "</Session>",
        "<Session><Items><Item><Profile>4</Profile><Source>/a.mp4</Source></Item></Items>"
        "</Session>",
        "<Session><Items><Item><Name>no source</Name></Item></Items></Session>",
        "<Other/>",
    };
    std::vector<SessionEntry> entries;
    touch("Session.xml", good);
    EXPECT_EQ(SessionFile::load(file, catalogue, entries), SessionFile::LoadResult::Loaded);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].item.profile, catalogue.defaultProfile());
    for (const std::string& text : damaged) {
        touch("Session.xml", text);
        EXPECT_EQ(SessionFile::load(file, catalogue, entries), SessionFile::LoadResult::Broken)
            << text;
        EXPECT_TRUE(entries.empty());
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(read(file + ".broken"), text);
    }
    EXPECT_EQ(SessionFile::load(file, catalogue, entries), SessionFile::LoadResult::Missing);
}

} // namespace
