#include "ConvertTestSupport.h"

#include "ProfileCatalogue.h"

#include <fstream>

namespace converttest {

// --- ConvertFixture ----------------------------------------------------------------------------

void ConvertFixture::SetUp() {
    uiThread = std::this_thread::get_id();
    fake.reset();
    installed = std::make_unique<ScopedPlatformServices>(services);
    root = std::filesystem::temp_directory_path() /
           ("movara-convert-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    inputDir = root / "in";
    outputDir = root / "out";
    std::filesystem::create_directories(inputDir);
    std::filesystem::create_directories(outputDir);

    settings.optionFlags = kDefaultOptionFlags;
    settings.outputFolder = outputDir.string();
    settings.mediaList = &items;
    settings.conversionCursor = -1;
    profile = testProfile();

    window = std::make_unique<RecordingWindow>();
    convert = std::make_unique<CVelConvert>();
    convert->attach(nullptr, window->handle(), &settings);
}

void ConvertFixture::TearDown() {
    // The owner's order: the window stops taking messages, then the engine object shuts down.
    window->stop();
    convert.reset();
    window.reset();
    EXPECT_TRUE(fake.waitIdle());
    installed.reset();
    items.clear();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

MediaItem* ConvertFixture::addFile(const std::string& name, const FakeSource& source,
                                   bool addToEngine) {
    const std::filesystem::path path = inputDir / name;
    std::ofstream(path).put('x');
    fake.setSource(path.string(), source);
    auto item = std::make_unique<MediaItem>();
    item->displayName = name;
    item->sourcePath = path.string();
    item->profile = profile;
    MediaItem* raw = item.get();
    items.push_back(std::move(item));
    if (addToEngine) {
        EXPECT_EQ(convert->addItem(raw), 1);
    }
    return raw;
}

ProfileRef ConvertFixture::builtIn(const std::string& name) {
    const ProfileCatalogue& catalogue = ProfileCatalogue::instance();
    for (int category = 0; category < kProfileCategoryCount; ++category) {
        for (const ProfileRef& p : catalogue.list(category)) {
            if (p->name == name) {
                return p;
            }
        }
    }
    ADD_FAILURE() << "no built-in profile " << name;
    return nullptr;
}

ProfileRef ConvertFixture::testProfile() {
    auto p = std::make_shared<Profile>();
    p->name = "test";
    p->format = 0;      // mp4
    p->videoCodec = 11; // H.264
    p->audioCodec = 5;  // AAC
    p->channel = 1;     // stereo
    return p;
}

bool ConvertFixture::waitForCode(int code, int times) {
    return pumpUntil([&] { return window->count(code) >= times; });
}

std::string ConvertFixture::outputOf(const std::string& base, const std::string& ext) const {
    return (outputDir / (base + "." + ext)).string();
}

} // namespace converttest
