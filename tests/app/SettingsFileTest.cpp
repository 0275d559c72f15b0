#include "SettingsFile.h"

#include "ProfileCatalogue.h"
#include "VelSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("movara-settings-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "out");
        fs::create_directories(dir / "snap");
        fs::create_directories(dir / "default");
        file = (dir / "Movara.cfg").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& body) {
        std::ofstream(file, std::ios::binary)
            << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<VelConfig Version=\"1.0.0\">\r\n"
            << body << "</VelConfig>\r\n";
    }
    bool load(SettingsFileContents* contents = nullptr) {
        return SettingsFile::load(file, settings, catalogue, defaultFolder(), contents);
    }
    std::string defaultFolder() const { return (dir / "default").string(); }
    std::string read() const {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir;
    std::string file;
    VelSettings settings;
    ProfileCatalogue catalogue;
};

TEST_F(SettingsFileTest, MissingOrBrokenFileGivesDefaultFolders) {
    for (const char* body : {"", "no xml here", "<Other><Flag>1</Flag></Other>"}) {
        VelSettings fresh;
        if (*body) {
            std::ofstream(file, std::ios::binary) << body;
        }
        SettingsFileContents contents;
        EXPECT_FALSE(SettingsFile::load(file, fresh, catalogue, defaultFolder(), &contents));
        EXPECT_EQ(fresh.outputFolder, defaultFolder());
        EXPECT_EQ(fresh.snapshotFolder, defaultFolder());
        EXPECT_EQ(fresh.optionFlags.load(), kDefaultOptionFlags);
        EXPECT_FALSE(contents.flag);
    }
}

TEST_F(SettingsFileTest, ClampsNumbersAndFixesTheFormat) {
    struct Case {
        const char* body;
        int volume, width, height, interval;
        const char* format;
    };
    const Case cases[] = {
        {"<Volume>150</Volume>\r\n<UpdateInterval>0</UpdateInterval>\r\n", 100, 400, 300, 1,
         "JPEG"},
        {"<Volume>-3</Volume>\r\n<UpdateInterval>45</UpdateInterval>\r\n", 0, 400, 300, 30, "JPEG"},
        {"<ImageFormat>bmp</ImageFormat>\r\n<ImageWidth>2500</ImageWidth>\r\n"
         "<ImageHeight>-1</ImageHeight>\r\n",
         100, 2000, 0, 7, "bmp"},
        {"<ImageFormat>PNG</ImageFormat>\r\n<ImageWidth>12.9</ImageWidth>\r\n", 100, 12, 300, 7,
         "JPEG"},
    };
    for (const Case& c : cases) {
        VelSettings s;
        write(c.body);
        ASSERT_TRUE(SettingsFile::load(file, s, catalogue, defaultFolder())) << c.body;
        EXPECT_EQ(s.volume, c.volume) << c.body;
        EXPECT_EQ(s.snapshotWidth, c.width) << c.body;
        EXPECT_EQ(s.snapshotHeight, c.height) << c.body;
        EXPECT_EQ(s.updateInterval, c.interval) << c.body;
        EXPECT_EQ(s.snapshotFormat, c.format) << c.body;
    }
}

TEST_F(SettingsFileTest, FoldersAndFlags) {
    write("<Flag>1057</Flag>\r\n<SavePath>" + (dir / "out").string() +
          "</SavePath>\r\n<SnapshotPath>" + (dir / "gone").string() + "</SnapshotPath>\r\n");
    SettingsFileContents contents;
    ASSERT_TRUE(load(&contents));
    EXPECT_TRUE(contents.flag && contents.savePath && contents.snapshotPath);
    EXPECT_FALSE(contents.volume);
    EXPECT_EQ(settings.optionFlags.load(), 1057u);
    EXPECT_EQ(settings.outputFolder, (dir / "out").string());
    EXPECT_EQ(settings.snapshotFolder, defaultFolder());
}

// A damaged file can neither arm an option (the power-off among them) nor empty the folders.
TEST_F(SettingsFileTest, DamagedFlagsKeepTheDefaultAndMissingFoldersFallBack) {
    for (const char* flag : {"1000000000000", "-2147483649", "12abc", "0x21", "", "2147483648"}) {
        SCOPED_TRACE(flag);
        VelSettings fresh;
        SettingsFileContents contents;
        write(std::string("<Flag>") + flag + "</Flag>\r\n<SavePath></SavePath>\r\n");
        ASSERT_TRUE(SettingsFile::load(file, fresh, catalogue, defaultFolder(), &contents));
        EXPECT_EQ(fresh.optionFlags.load(), kDefaultOptionFlags);
        EXPECT_FALSE(contents.flag);
        EXPECT_EQ(fresh.outputFolder, defaultFolder());
        EXPECT_EQ(fresh.snapshotFolder, defaultFolder());
    }
    write("<Flag> -2147483648 </Flag>\r\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(settings.optionFlags.load(), 0x80000000u);
}

TEST_F(SettingsFileTest, ElementsOutOfOrderAreNotFound) {
    // The reader searches forward only: a SkinFileName written before ImageFormat lies behind the
    // cursor once ImageFormat and ImageWidth were read, so the skin keeps its value.
    write("<Volume>20</Volume>\r\n<SkinFileName>skin/Other.skin</SkinFileName>\r\n"
          "<ImageFormat>BMP</ImageFormat>\r\n<ImageWidth>99</ImageWidth>\r\n"
          "<Volume>80</Volume>\r\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(settings.volume, 20);
    EXPECT_EQ(settings.snapshotFormat, "BMP");
    EXPECT_EQ(settings.snapshotWidth, 99);
    EXPECT_EQ(settings.skinFile, "skin/Default.skin");
}

TEST_F(SettingsFileTest, RecentProfilesAreRebuiltFromIndexes) {
    Profile custom = *catalogue.at(0, 1);
    custom.category = kCustomCategory;
    custom.name = "My H.264";
    ASSERT_EQ(catalogue.add(custom), 1);

    // 0 twice (one record), an H.263 profile of category 11, the custom profile, then pieces
    // that do not resolve.
    write("<RecentProfile>0,0,720898,1048576,720999,2000000,-1,abc</RecentProfile>\r\n");
    SettingsFileContents contents;
    ASSERT_TRUE(load(&contents));
    EXPECT_TRUE(contents.recentProfiles);
    ASSERT_EQ(catalogue.count(kRecentCategory), 3);
    EXPECT_EQ(catalogue.at(kRecentCategory, 0)->name, "MPEG-4 Video(*.mp4)");
    EXPECT_EQ(catalogue.at(kRecentCategory, 1)->name, catalogue.at(11, 2)->name);
    EXPECT_EQ(catalogue.at(kRecentCategory, 1)->index, 720898);
    EXPECT_EQ(catalogue.at(kRecentCategory, 2)->name, "My H.264");
    EXPECT_EQ(catalogue.at(kRecentCategory, 2)->category, kRecentCategory);
}

TEST_F(SettingsFileTest, RecentListStopsAtTwenty) {
    std::string list;
    for (int category : {0, 1, 11}) {
        for (int i = 0; i < catalogue.count(category); ++i) {
            list += std::to_string((category << 16) | i) + ",";
        }
    }
    write("<RecentProfile>" + list + "</RecentProfile>\r\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(catalogue.count(kRecentCategory), 20);
}

TEST_F(SettingsFileTest, SavesByteExactAndReadsBack) {
    settings.optionFlags = 0x5348 | kOptionShutdown;
    settings.volume = 35;
    settings.snapshotFolder = "/snap & shots";
    settings.snapshotWidth = 640;
    settings.snapshotHeight = 480;
    catalogue.addRecent(*catalogue.at(11, 3));
    catalogue.addRecent(*catalogue.at(0, 0));
    ASSERT_TRUE(SettingsFile::save(file, settings, catalogue, "/videos/out", "Default.skin"));
    EXPECT_EQ(read(), "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                      "<VelConfig Version=\"1.0.0\">\r\n"
                      "<Flag>21352</Flag>\r\n"
                      "<Volume>35</Volume>\r\n"
                      "<SavePath>/videos/out</SavePath>\r\n"
                      "<SnapshotPath>/snap &amp; shots</SnapshotPath>\r\n"
                      "<ImageFormat>JPEG</ImageFormat>\r\n"
                      "<ImageWidth>640</ImageWidth>\r\n"
                      "<ImageHeight>480</ImageHeight>\r\n"
                      "<UpdateInterval>7</UpdateInterval>\r\n"
                      "<SkinFileName>Default.skin</SkinFileName>\r\n"
                      "<RecentProfile>720899,0</RecentProfile>\r\n"
                      "</VelConfig>\r\n");

    VelSettings back;
    ProfileCatalogue other;
    ASSERT_TRUE(SettingsFile::load(file, back, other, defaultFolder()));
    EXPECT_EQ(back.optionFlags.load(), settings.optionFlags.load());
    EXPECT_EQ(back.volume, 35);
    EXPECT_EQ(back.snapshotWidth, 640);
    EXPECT_EQ(back.skinFile, "Default.skin");
    ASSERT_EQ(other.count(kRecentCategory), 2);
    EXPECT_EQ(other.at(kRecentCategory, 0)->name, catalogue.at(11, 3)->name);
}

TEST_F(SettingsFileTest, EmptyRecentListWritesNoElement) {
    ASSERT_TRUE(SettingsFile::save(file, settings, catalogue, "", "Default.skin"));
    EXPECT_EQ(read().find("RecentProfile"), std::string::npos);
}

TEST_F(SettingsFileTest, DefaultFolderIsCreatedInDocuments) {
    const std::string folder = SettingsFile::defaultFolder((dir / "docs").string());
    EXPECT_EQ(folder, (dir / "docs" / "Movara").string());
    EXPECT_TRUE(fs::is_directory(folder));
}

} // namespace
