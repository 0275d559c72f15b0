// The checks before a run: disk space and existing outputs, with the rename dialog's logic
// answering code 6 the way the main window will.
#include "CFileRenameLogic.h"
#include "ConvertTestSupport.h"

#include <filesystem>
#include <fstream>

namespace {

using converttest::ConvertFixture;
using converttest::pumpUntil;

const SystemTime kNow{2011, 3, 4, 3, 9, 5, 7, 0};
const char* const kStamp = "_2011_03_03_09_05_07";

class ChecksFixture : public ConvertFixture {
protected:
    void SetUp() override {
        ConvertFixture::SetUp();
        services.setClock(kNow, kNow);
    }
    void makeExisting(const std::string& path) { std::ofstream(path).put('x'); }
    std::string runPath(size_t index) const {
        const auto runs = fake.callsOf("VeldesRun");
        return index < runs.size() ? std::string(runs[index].exportInfo->outputPath) : "<none>";
    }
    void useMode(uint32_t modeBits) {
        settings.optionFlags =
            (settings.optionFlags.load() &
             ~(kOptionOverwrite | kOptionRename | kOptionSkip | kOptionShowRenameDialog)) |
            modeBits;
    }
};

TEST_F(ChecksFixture, DiskSpaceRetryThenCancelEndsTheConversion) {
    MediaItem* a = addFile("a.avi");
    a->outputEstimate = 10 * 1048576;
    services.setFreeSpace(outputDir.string(), 1048576 + 5);
    services.setMountPoint(outputDir.string(), "/mnt/media");
    services.queueMessageBoxAnswers({IDRETRY, IDCANCEL});

    convert->startConversion();
    const auto boxes = services.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "Disk space is not enough.\n\nDisk /mnt/media free space is 1 "
                            "MBytes, the required space is 10 MBytes.");
        EXPECT_EQ(box.caption, "Movara");
        EXPECT_EQ(box.buttons, MB_RETRYCANCEL);
        EXPECT_EQ(box.icon, MB_ICONWARNING);
    }
    EXPECT_EQ(window->codes(), std::vector<int>{kNotifyConversionOver});
    EXPECT_EQ(fake.countOf("VeldesRun"), 0u);
    EXPECT_EQ(a->stateText(), "Not Convert");
}

TEST_F(ChecksFixture, TheDiskMessageShowsFiguresThatDiffer) {
    const struct {
        uint64_t freeBytes;
        int64_t requiredBytes;
        const char* figures;
    } cases[] = {
        {3 * 1048576 + 5, 10 * 1048576, "3 MBytes, the required space is 10 MBytes"},
        {1468006, 1572864, "1.3 MBytes, the required space is 1.5 MBytes"},
        {1048576 + 1024, 1048576 + 4096, "1025 KBytes, the required space is 1028 KBytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.figures);
        MediaItem* a = addFile("a.avi");
        a->outputEstimate = c.requiredBytes;
        services.setFreeSpace(outputDir.string(), c.freeBytes);
        services.setMountPoint(outputDir.string(), "/mnt/media");
        services.queueMessageBoxAnswers({IDCANCEL});
        const size_t before = services.messageBoxes().size();
        convert->startConversion();
        const auto boxes = services.messageBoxes();
        ASSERT_EQ(boxes.size(), before + 1);
        EXPECT_EQ(boxes.back().text,
                  std::string("Disk space is not enough.\n\nDisk /mnt/media free "
                              "space is ") +
                      c.figures + ".");
        convert->removeAll();
        items.clear();
    }
}

TEST_F(ChecksFixture, DiskSpaceEnoughOrUnknownPasses) {
    MediaItem* a = addFile("a.avi");
    a->outputEstimate = 1048576;
    services.setFreeSpace(outputDir.string(), 1048576);
    EXPECT_EQ(convert->checkDiskSpace(a, false), 0);
    services.setFreeSpace(outputDir.string(), std::nullopt);
    EXPECT_EQ(convert->checkDiskSpace(a, false), 0);
    EXPECT_TRUE(services.messageBoxes().empty());
}

TEST_F(ChecksFixture, MergeNeedsRoomForAllCheckedItems) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    MediaItem* c = addFile("c.avi");
    a->outputEstimate = 3 * 1048576;
    b->outputEstimate = 3 * 1048576;
    c->outputEstimate = 50 * 1048576;
    c->setFlag(kItemChecked, false);
    services.setFreeSpace(outputDir.string(), 5 * 1048576);
    EXPECT_EQ(convert->checkDiskSpace(a, false), 0);
    EXPECT_EQ(convert->checkDiskSpace(a, true), kDiskCheckCancelled);
    EXPECT_NE(services.messageBoxes().at(0).text.find("required space is 6 MBytes"),
              std::string::npos);
}

// The second item is checked on the engine's thread: its message box is still shown on the
// user-interface thread, which the engine's thread waits for.
TEST_F(ChecksFixture, DiskMessageFromTheEngineThreadShowsOnTheUiThread) {
    fake.setAutoRun(FakeAutoRun::Complete);
    addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    b->outputEstimate = 8 * 1048576;
    services.setFreeSpace(outputDir.string(), 1048576);
    services.queueMessageBoxAnswer(IDCANCEL);

    convert->startConversion();
    ASSERT_TRUE(waitForCode(kNotifyConversionOver));
    const auto boxes = services.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].thread, uiThread);
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
}

struct ModeCase {
    const char* label;
    uint32_t bits;
    intptr_t dialogAnswer;    // for the rename dialog mode
    bool runs;                // the item runs
    const char* expectedName; // file name of the run's output
    int dialogs;              // code-6 notifications
};

class ExistingOutputModes : public ChecksFixture, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ExistingOutputModes, Decide) {
    const ModeCase& c = GetParam();
    useMode(c.bits);
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    makeExisting(outputOf("a"));
    window->onOutputExists = [&](char* path) {
        if (c.dialogAnswer == kRenameAccepted) {
            std::snprintf(path, VELDES_MAX_PATH, "%s", (outputDir / "chosen.mp4").c_str());
        }
        return c.dialogAnswer;
    };

    convert->startConversion();
    EXPECT_EQ(window->count(kNotifyOutputExists), c.dialogs);
    if (c.runs) {
        EXPECT_EQ(runPath(0), (outputDir / c.expectedName).string());
        EXPECT_EQ(fake.callsOf("VeldesRun")[0].mediaIds[0], convert->mediaIdOf(a));
    } else {
        // Skipped: the item keeps its state and the next one runs.
        EXPECT_EQ(a->stateText(), "Not Convert");
        EXPECT_EQ(runPath(0), outputOf("b"));
        EXPECT_EQ(b->stateText(), "Converting");
    }
}

INSTANTIATE_TEST_SUITE_P(
    CVelConvertChecks, ExistingOutputModes,
    ::testing::Values(ModeCase{"Overwrite", kOptionOverwrite, 0, true, "a.mp4", 0},
                      ModeCase{"Skip", kOptionSkip, 0, false, "", 0},
                      ModeCase{"RenameSilently", kOptionRename, 0, true,
                               "a_2011_03_03_09_05_07.mp4", 0},
                      ModeCase{"DialogNewName", kOptionRename | kOptionShowRenameDialog,
                               kRenameAccepted, true, "chosen.mp4", 1},
                      ModeCase{"DialogCancel", kOptionRename | kOptionShowRenameDialog, kRenameSkip,
                               false, "", 1},
                      ModeCase{"DialogAuto", kOptionRename | kOptionShowRenameDialog, kRenameAuto,
                               true, "a_2011_03_03_09_05_07.mp4", 1},
                      ModeCase{"DialogOtherAnswerKeepsPath",
                               kOptionRename | kOptionShowRenameDialog, 0, true, "a.mp4", 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ChecksFixture, UncheckingAlwaysShowThenCancelStampsTheNextWithoutAsking) {
    useMode(kOptionRename | kOptionShowRenameDialog);
    fake.setAutoRun(FakeAutoRun::Complete);
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    makeExisting(outputOf("a"));
    makeExisting(outputOf("b"));
    std::string offered;
    window->onOutputExists = [&](char* path) {
        offered = path;
        CFileRenameLogic dialog(path, settings);
        EXPECT_TRUE(dialog.alwaysShow());
        dialog.setAlwaysShow(false);
        return static_cast<intptr_t>(dialog.pressCancel());
    };

    convert->startConversion();
    ASSERT_TRUE(waitForCode(kNotifyConversionOver));
    EXPECT_EQ(offered, outputOf("a"));
    EXPECT_FALSE(settings.option(kOptionShowRenameDialog));
    EXPECT_EQ(window->count(kNotifyOutputExists), 1);
    EXPECT_EQ(a->stateText(), "Not Convert");
    EXPECT_EQ(b->stateText(), "Finish");
    EXPECT_EQ(runPath(0), outputOf(std::string("b") + kStamp));
}

TEST_F(ChecksFixture, TwoStampedOutputsInOneSecondStayApart) {
    useMode(kOptionRename);
    fake.setAutoRun(FakeAutoRun::Complete);
    // Two sources of one name in different folders, one output folder.
    MediaItem* a = addFile("clip.avi");
    std::filesystem::create_directories(inputDir / "other");
    MediaItem* b = addFile("other/clip.avi");
    b->displayName = "clip.avi";
    makeExisting(outputOf("clip"));
    // The engine writes each output when its run completes.
    fake.setBeforeEvent([](const tagVeldesEvent& event) {
        if (event.progress == 10000) {
            const auto runs = FakeVelCodec::instance().callsOf("VeldesRun");
            std::ofstream(runs.back().exportInfo->outputPath).put('x');
        }
    });

    convert->startConversion();
    ASSERT_TRUE(waitForCode(kNotifyConversionOver));
    EXPECT_EQ(a->stateText(), "Finish");
    EXPECT_EQ(b->stateText(), "Finish");
    EXPECT_EQ(runPath(0), outputOf(std::string("clip") + kStamp));
    EXPECT_EQ(runPath(1), outputOf(std::string("clip") + kStamp + "_2"));
}

TEST_F(ChecksFixture, SkippedMergeEndsTheConversion) {
    useMode(kOptionSkip);
    settings.setOption(kOptionMerge, true);
    addFile("a.avi");
    addFile("b.avi");
    makeExisting(outputOf("a"));
    convert->startConversion();
    EXPECT_EQ(window->codes(), std::vector<int>{kNotifyConversionOver});
    EXPECT_EQ(fake.countOf("VeldesRun"), 0u);
}

} // namespace
