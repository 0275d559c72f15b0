// CVelConvert with the real engine on generated media, notifications through a Qt event loop,
// outputs checked with ffprobe.
#include "CVelConvert.h"
#include "FakePlatformServices.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ProfileCatalogue.h"
#include "RecordingWindow.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using converttest::pumpUntil;
using converttest::RecordingWindow;
namespace fs = std::filesystem;

ProfileRef profileNamed(const std::string& name) {
    for (int category = 0; category < kProfileCategoryCount; ++category) {
        for (const ProfileRef& p : ProfileCatalogue::instance().list(category)) {
            if (p->name == name) {
                return p;
            }
        }
    }
    return nullptr;
}

class ConvertEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        settings.outputFolder = scratch.file("out");
        fs::create_directories(settings.outputFolder);
        settings.mediaList = &items;
        settings.optionFlags = kOptionRename | kOptionOpenOutputFolder;
        window = std::make_unique<RecordingWindow>();
        convert = std::make_unique<CVelConvert>();
        convert->attach(nullptr, window->handle(), &settings);
    }
    void TearDown() override {
        window->stop();
        convert.reset();
        window.reset();
    }

    // Copies of one generated source under distinct names, added to the list and the engine.
    void addSources(const testmedia::SourceSpec& spec, const std::vector<std::string>& names,
                    const ProfileRef& profile) {
        std::string error;
        const std::string source = testmedia::generate(spec, &error);
        ASSERT_FALSE(source.empty()) << error;
        for (const std::string& name : names) {
            const std::string path = scratch.file(name);
            fs::copy_file(source, path, fs::copy_options::overwrite_existing);
            auto item = std::make_unique<MediaItem>();
            item->displayName = name;
            item->sourcePath = path;
            item->profile = profile;
            ASSERT_EQ(convert->addItem(item.get()), 1) << name;
            convert->updateDuration(item.get());
            convert->estimate(item.get());
            items.push_back(std::move(item));
        }
    }

    std::vector<std::string> outputFiles() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(settings.outputFolder)) {
            files.push_back(entry.path().filename().string());
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    testmedia::ScratchDir scratch;
    FakePlatformServices services;
    ScopedPlatformServices installed{services};
    VelSettings settings;
    MediaList items;
    std::unique_ptr<RecordingWindow> window;
    std::unique_ptr<CVelConvert> convert;
};

testmedia::SourceSpec smallMovie() {
    testmedia::SourceSpec spec;
    spec.width = 176;
    spec.height = 144;
    spec.seconds = 1.0;
    spec.sampleRate = 22050;
    spec.channels = 1;
    return spec;
}

TEST_F(ConvertEndToEnd, SingleModeConvertsEveryItem) {
    addSources(smallMovie(), {"one.mp4", "two.mp4", "three.mp4"},
               profileNamed("MP4-MPEG-4 Video (176x144)(*.mp4)"));
    const std::thread::id uiThread = std::this_thread::get_id();
    convert->startConversion();
    ASSERT_TRUE(pumpUntil([&] { return window->count(kNotifyConversionOver) == 1; },
                          std::chrono::seconds(120)));
    pumpUntil([&] { return window->finishedPaths().size() == 3; }, std::chrono::seconds(2));

    for (const auto& item : items) {
        EXPECT_EQ(item->stateText(), "Finish") << item->displayName;
        EXPECT_EQ(item->progress.load(), 10000);
    }
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"one.mp4", "three.mp4", "two.mp4"}));
    const std::vector<std::string> expected = {settings.outputFolder + "/one.mp4",
                                               settings.outputFolder + "/two.mp4",
                                               settings.outputFolder + "/three.mp4"};
    EXPECT_EQ(window->finishedPaths(), expected);
    for (const std::string& path : expected) {
        const testmedia::FileProbe probe = testmedia::probe(path);
        ASSERT_TRUE(probe.ok) << probe.error;
        ASSERT_TRUE(probe.first("video"));
        EXPECT_EQ(probe.first("video")->width, 176);
        EXPECT_EQ(probe.first("video")->height, 144);
        EXPECT_NEAR(probe.duration, 1.0, 0.3);
    }

    // Every notification was handled on the user-interface thread; the items went one after the
    // other (each item's "Finish" before the next item's first notification) and the end came
    // last.
    const auto seen = window->seen();
    const void* current = nullptr;
    std::vector<const void*> order;
    for (const auto& s : seen) {
        EXPECT_EQ(s.thread, uiThread);
        if (s.msg == kMsgConvertNotify && s.code != kNotifyConversionOver && s.subject != current) {
            current = s.subject;
            order.push_back(current);
        }
    }
    EXPECT_EQ(order, (std::vector<const void*>{items[0].get(), items[1].get(), items[2].get()}));
    EXPECT_EQ(window->codes().back(), kNotifyConversionOver);
}

TEST_F(ConvertEndToEnd, MergeModeWritesOneOutput) {
    settings.setOption(kOptionMerge, true);
    addSources(smallMovie(), {"a.mp4", "b.mp4", "c.mp4"},
               profileNamed("MP4-MPEG-4 Video (176x144)(*.mp4)"));
    convert->startConversion();
    ASSERT_TRUE(pumpUntil([&] { return window->count(kNotifyConversionOver) == 1; },
                          std::chrono::seconds(120)));
    pumpUntil([&] { return window->finishedPaths().size() == 1; }, std::chrono::seconds(2));
    EXPECT_EQ(outputFiles(), std::vector<std::string>{"a.mp4"});
    EXPECT_EQ(window->finishedPaths(), std::vector<std::string>{settings.outputFolder + "/a.mp4"});
    const testmedia::FileProbe probe = testmedia::probe(settings.outputFolder + "/a.mp4");
    ASSERT_TRUE(probe.ok) << probe.error;
    EXPECT_NEAR(probe.duration, 3.0, 0.4);
    for (const auto& item : items) {
        EXPECT_EQ(item->stateText(), "Finish") << item->displayName;
    }
}

// The second source is unreadable by the time the merge reaches it: the first source was
// through, but there is no merged file, so every row fails with the reason.
TEST_F(ConvertEndToEnd, MergeWhoseSecondSourceFailsFinishesNoRow) {
    settings.setOption(kOptionMerge, true);
    addSources(smallMovie(), {"a.mp4", "b.mp4", "c.mp4"},
               profileNamed("MP4-MPEG-4 Video (176x144)(*.mp4)"));
    std::ofstream(items[1]->sourcePath, std::ios::trunc) << "no longer a movie";
    convert->startConversion();
    ASSERT_TRUE(pumpUntil([&] { return window->count(kNotifyConversionOver) == 1; },
                          std::chrono::seconds(120)));
    EXPECT_EQ(outputFiles(), std::vector<std::string>{});
    EXPECT_TRUE(window->finishedPaths().empty());
    EXPECT_EQ(items[0]->progress.load(), 10000); // the first source was through
    for (const auto& item : items) {
        EXPECT_EQ(item->stateText(), "Convert Failed") << item->displayName;
        EXPECT_FALSE(item->failureReason.empty()) << item->displayName;
    }
    for (const auto& seen : window->seen()) {
        EXPECT_FALSE(seen.itemState & kItemFinish);
    }
}

TEST_F(ConvertEndToEnd, StopMidRunLeavesNoPartialFile) {
    testmedia::SourceSpec spec;
    spec.width = 640;
    spec.height = 480;
    spec.seconds = 20.0;
    spec.sampleRate = 44100;
    addSources(spec, {"long.mp4"}, profileNamed("H.264 Video(*.mp4)"));
    MediaItem* item = items[0].get();
    convert->startConversion();
    ASSERT_TRUE(pumpUntil([&] { return item->progress.load() > 0; }, std::chrono::seconds(60)));
    convert->stop();
    // The engine ends the run within its abort time; nothing of it may remain.
    pumpUntil([&] { return outputFiles().empty(); }, std::chrono::seconds(5));
    EXPECT_EQ(outputFiles(), std::vector<std::string>{});
    // The interrupted item was not converted, and says so.
    EXPECT_EQ(item->stateText(), "Not Convert");
    EXPECT_EQ(item->progress.load(), 0);
    EXPECT_EQ(window->count(kNotifyConversionOver), 0);
}

} // namespace
