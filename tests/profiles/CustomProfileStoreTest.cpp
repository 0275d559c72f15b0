#include "CustomProfileStore.h"
#include "DecimalCommaLocale.h"
#include "ProfileCatalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace {

namespace fs = std::filesystem;

class ScratchFolder {
public:
    ScratchFolder() {
        path_ = fs::temp_directory_path() /
                ("movara-store-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A stored profile; `video` and `audio` are the StandardSetting contents.
std::string profileElement(const std::string& attributes, const std::string& video,
                           const std::string& audio) {
    return "<Profile " + attributes + "><Video><Setting><StandardSetting>" + video +
           "</StandardSetting><ExtendedSetting/></Setting></Video><Audio><Setting>"
           "<StandardSetting>" +
           audio + "</StandardSetting><ExtendedSetting/></Setting></Audio></Profile>";
}

std::string store(const std::string& profiles) {
    return "<?xml version=\"1.0\"?><VelProfile Version=\"1.0.0\">" + profiles + "</VelProfile>";
}

const std::string kVideo = "<Codec>9</Codec><Bitrate>512</Bitrate><FrameRate>15.000000</FrameRate>"
                           "<Width>320</Width><Height>240</Height><AspectRatio>1</AspectRatio>"
                           "<Quality>70</Quality>";
const std::string kAudio = "<Codec>1</Codec><Bitrate>64000</Bitrate><SampleRate>32000</SampleRate>"
                           "<Channel>0</Channel><Quality>50</Quality>";

} // namespace

TEST(CustomProfileStore, AStoreWithoutProfilesLoadsNothingAndIsNotRewritten) {
    ScratchFolder folder;
    const std::string path = folder.file("VelCustomProfile.xml");
    const std::string text = "<VelProfile Version=\"1.0.0\"/>";
    writeText(path, text);
    ProfileCatalogue catalogue;
    EXPECT_TRUE(loadCustomProfiles(catalogue, path));
    EXPECT_EQ(catalogue.count(kCustomCategory), 0);
    EXPECT_FALSE(saveCustomProfiles(catalogue, path));
    EXPECT_EQ(readText(path), text);
}

// Which stored profiles are taken, what a taken one holds, and what a missing or misplaced value
// element leaves: the value the previous stored profile had.
TEST(CustomProfileStore, StoredProfilesResolveTheirSourceAndPassValidation) {
    struct Case {
        const char* what;
        std::string attributes;
        std::string video;
        bool taken;
    };
    const Case cases[] = {
        {"13th 3GP Mobile profile", R"(Flag="16" Index="720908" Name="a" Desc="d")", kVideo, true},
        {"past the 3GP Mobile list", R"(Flag="0" Index="720909" Name="a")", kVideo, false},
        {"category above 17", R"(Index="1179648" Name="a")", kVideo, false},
        {"empty name", R"(Index="0" Name="")", kVideo, false},
        {"frame rate above 30", R"(Index="0" Name="a")",
         "<Codec>8</Codec><Bitrate>0</Bitrate><FrameRate>31</FrameRate>", false},
        {"video codec 25", R"(Index="0" Name="a")", "<Codec>25</Codec>", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProfileCatalogue catalogue;
        readCustomProfiles(catalogue, store(profileElement(c.attributes, c.video, kAudio)));
        EXPECT_EQ(catalogue.count(kCustomCategory), c.taken ? 1 : 0);
        EXPECT_EQ(catalogue.customChanged(), c.taken);
    }

    // The second profile has no video and its audio stops after the codec; the third lists its
    // values out of order: Codec is found after Bitrate, then Bitrate is not found after it.
    ProfileCatalogue catalogue;
    const std::string second = R"(<Profile Index="0" Name="b"><Audio><Setting><StandardSetting>)"
                               "<Codec>5</Codec></StandardSetting></Setting></Audio></Profile>";
    readCustomProfiles(catalogue,
                       store(profileElement(cases[0].attributes, kVideo, kAudio) + second +
                             profileElement(R"(Index="0" Name="c")",
                                            "<Bitrate>200</Bitrate><Codec>11</Codec>", kAudio)));
    ASSERT_EQ(catalogue.count(kCustomCategory), 3);
    const Profile& a = *catalogue.at(kCustomCategory, 0);
    const Profile& source = *catalogue.at(11, 12);
    EXPECT_EQ(a.format, source.format);
    EXPECT_EQ(a.frameSizeMask(), source.frameSizeMask());
    EXPECT_EQ(a.audioBitrateOptions, source.audioBitrateOptions);
    EXPECT_EQ(std::tie(a.flag, a.index, a.desc, a.videoCodec, a.videoBitrate, a.width, a.height,
                       a.aspectRatio, a.videoQuality, a.audioCodec, a.audioBitrate, a.sampleRate,
                       a.channel, a.audioQuality),
              std::make_tuple(16, 720908, std::string("d"), 9, 512, 320, 240, 1, 70, 1, 64000,
                              32000, 0, 50));
    const Profile& b = *catalogue.at(kCustomCategory, 1);
    EXPECT_EQ(std::tie(b.videoCodec, b.width, b.videoQuality, b.audioCodec, b.audioBitrate),
              std::make_tuple(9, 320, 70, 5, 64000));
    EXPECT_EQ(b.format, catalogue.at(0, 0)->format);
    const Profile& c = *catalogue.at(kCustomCategory, 2);
    EXPECT_EQ(std::tie(c.videoCodec, c.videoBitrate), std::make_tuple(11, 512));
}

TEST(CustomProfileStore, FrameRateWords) {
    for (const auto& [text, rate] :
         {std::pair{"original", 1.0f}, std::pair{"auto", 0.0f}, std::pair{"29.969999", 29.97f}}) {
        ProfileCatalogue catalogue;
        readCustomProfiles(
            catalogue, store(profileElement(R"(Index="0" Name="a")",
                                            "<Codec>8</Codec><Bitrate>200</Bitrate><FrameRate>" +
                                                std::string(text) + "</FrameRate>",
                                            kAudio)));
        ASSERT_EQ(catalogue.count(kCustomCategory), 1) << text;
        EXPECT_EQ(catalogue.at(kCustomCategory, 0)->frameRate, rate) << text;
    }
}

// The whole file for one profile, byte for byte, in a locale that writes decimal commas, and
// the profile read back from it.
TEST(CustomProfileStore, SavedFileLayout) {
    DecimalCommaLocale comma;
    ScratchFolder folder;
    const std::string path = folder.file("VelCustomProfile.xml");
    ProfileCatalogue catalogue;
    Profile mine = *catalogue.at(0, 0);
    mine.category = kCustomCategory;
    mine.index = (11 << 16) | 4; // the fixed fields come from that profile again on load
    mine.name = R"(Tom & "Jerry's" <best>)";
    mine.frameRate = 29.97f;
    ASSERT_EQ(catalogue.add(mine), 1);
    EXPECT_TRUE(saveCustomProfiles(catalogue, path));
    EXPECT_FALSE(catalogue.customChanged());
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
        "<VelProfile Version=\"1.0.0\">\r\n"
        "<Profile Flag=\"0\" Index=\"720900\" "
        "Name=\"Tom &amp; &quot;Jerry&apos;s&quot; &lt;best&gt;\" Desc=\"\">\r\n"
        "<Video>\r\n<Setting>\r\n<StandardSetting>\r\n"
        "<Codec>8</Codec>\r\n<Bitrate>0</Bitrate>\r\n<FrameRate>29.969999</FrameRate>\r\n"
        "<Width>480</Width>\r\n<Height>320</Height>\r\n<AspectRatio>0</AspectRatio>\r\n"
        "<Quality>60</Quality>\r\n"
        "</StandardSetting>\r\n<ExtendedSetting/>\r\n</Setting>\r\n</Video>\r\n"
        "<Audio>\r\n<Setting>\r\n<StandardSetting>\r\n"
        "<Codec>5</Codec>\r\n<Bitrate>128000</Bitrate>\r\n<SampleRate>44100</SampleRate>\r\n"
        "<Channel>1</Channel>\r\n<Quality>60</Quality>\r\n"
        "</StandardSetting>\r\n<ExtendedSetting/>\r\n</Setting>\r\n</Audio>\r\n"
        "</Profile>\r\n"
        "</VelProfile>\r\n";
    EXPECT_EQ(readText(path), expected);

    ProfileCatalogue next;
    ASSERT_TRUE(loadCustomProfiles(next, path));
    ASSERT_EQ(next.count(kCustomCategory), 1);
    Profile reread = *next.at(kCustomCategory, 0);
    ProfileCatalogue::copyFixedFields(reread, *catalogue.at(kCustomCategory, 0));
    EXPECT_EQ(reread, *catalogue.at(kCustomCategory, 0));
}

// A file the start cannot read, or cannot take whole, is neither rewritten empty nor lost when
// the custom list is saved later; a file taken whole is simply replaced.
TEST(CustomProfileStore, AFileNotTakenWholeIsKeptAside) {
    const std::string good = store(profileElement(R"(Index="0" Name="a")", kVideo, kAudio));
    const std::string dropped = store(profileElement(R"(Index="720909" Name="x")", kVideo, kAudio));
    struct Case {
        const char* what;
        std::string text;
        bool loads;
        bool keptAside;
    };
    const Case cases[] = {
        {"cut short", good.substr(0, 120), false, true},
        {"a profile dropped",
         good.substr(0, good.size() - 13) + dropped.substr(dropped.find("<Profile")), true, true},
        {"taken whole", good, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        const std::string path = folder.file("VelCustomProfile.xml");
        writeText(path, c.text);
        ProfileCatalogue catalogue;
        EXPECT_EQ(loadCustomProfiles(catalogue, path), c.loads);
        EXPECT_EQ(catalogue.count(kCustomCategory), c.loads ? 1 : 0);
        catalogue.setCustomChanged(false);
        EXPECT_FALSE(saveCustomProfiles(catalogue, path));
        EXPECT_EQ(readText(path), c.text);

        Profile mine = *catalogue.at(0, 1);
        mine.category = kCustomCategory;
        mine.name = "new";
        catalogue.add(mine);
        EXPECT_TRUE(saveCustomProfiles(catalogue, path));
        EXPECT_EQ(fs::exists(path + ".broken"), c.keptAside);
        if (c.keptAside) {
            EXPECT_EQ(readText(path + ".broken"), c.text);
        }
        ProfileCatalogue reread;
        EXPECT_TRUE(loadCustomProfiles(reread, path));
        EXPECT_EQ(reread.count(kCustomCategory), catalogue.count(kCustomCategory));
    }
}
