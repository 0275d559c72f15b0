// Runs, callbacks and notifications of CVelConvert against the fake engine.
#include "ConvertTestSupport.h"

#include <filesystem>
#include <fstream>

namespace {

using converttest::ConvertFixture;
using converttest::pumpFor;
using converttest::pumpUntil;

std::vector<int> runIds(const std::vector<FakeCall>& runs) {
    std::vector<int> ids;
    for (const auto& run : runs) {
        ids.push_back(run.runId);
    }
    return ids;
}

TEST_F(ConvertFixture, MergeRunsTheCheckedItemsInListOrder) {
    settings.setOption(kOptionMerge, true);
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    MediaItem* c = addFile("c.avi");
    b->setFlag(kItemChecked, false);

    EXPECT_EQ(convert->startConversion(), 1);
    const auto runs = fake.callsOf("VeldesRun");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].mediaIds, (std::vector<int>{convert->mediaIdOf(a), convert->mediaIdOf(c)}));
    EXPECT_EQ(runs[0].ints, std::vector<int>{2});
    // The first item's profile and name decide the one output.
    EXPECT_EQ(runs[0].exportInfo->outputPath, outputOf("a"));
    EXPECT_EQ(a->stateText(), "Converting");
    EXPECT_EQ(b->stateText(), "Not Convert");
    EXPECT_EQ(convert->state(), kStateConverting);
}

TEST_F(ConvertFixture, MissingSourceIsMarkedAndTheNextItemStarts) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    std::filesystem::remove(a->sourcePath);

    convert->startConversion();
    EXPECT_EQ(a->stateText(), "Not Exist");
    EXPECT_FALSE(a->hasState(kItemChecked));
    const auto runs = fake.callsOf("VeldesRun");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].mediaIds, std::vector<int>{convert->mediaIdOf(b)});
    EXPECT_EQ(b->stateText(), "Converting");
    EXPECT_EQ(settings.conversionCursor.load(), 1);
    const auto seen = window->seen();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].code, kNotifyItemState);
    EXPECT_EQ(seen[0].subject, a);
    EXPECT_EQ(seen[1].subject, b);
}

TEST_F(ConvertFixture, SingleModeRunsEveryItemAndPostsEachOutput) {
    settings.setOption(kOptionOpenOutputFolder, true);
    fake.setAutoRun(FakeAutoRun::Complete);
    MediaItem* items3[] = {addFile("a.avi"), addFile("b.avi"), addFile("c.avi")};

    convert->startConversion();
    ASSERT_TRUE(waitForCode(kNotifyConversionOver));
    pumpFor(std::chrono::milliseconds(50));

    for (MediaItem* item : items3) {
        EXPECT_EQ(item->stateText(), "Finish");
        EXPECT_EQ(item->progress.load(), 10000);
        EXPECT_EQ(item->elapsed.load(), 2000);
    }
    EXPECT_EQ(window->finishedPaths(),
              (std::vector<std::string>{outputOf("a"), outputOf("b"), outputOf("c")}));
    EXPECT_EQ(window->count(kNotifyConversionOver), 1);
    // Per item: started, halfway, finished; then the end. Nothing was dropped, and every
    // notification was handled on the window's own thread.
    EXPECT_EQ(window->codes(), (std::vector<int>{1, 2, 1, 1, 2, 1, 1, 2, 1, 4}));
    for (const auto& seen : window->seen()) {
        EXPECT_EQ(seen.thread, uiThread);
    }
    // Items after the first were started from the engine's thread.
    const auto runs = fake.callsOf("VeldesRun");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].thread, uiThread);
    EXPECT_NE(runs[1].thread, uiThread);
}

TEST_F(ConvertFixture, ALimitedItemShowsItsLimitUntilItsOutputThenTheOutputsSize) {
    fake.setAutoRun(FakeAutoRun::Complete);
    MediaItem* item = addFile("a.avi");
    item->targetSize = 8 << 20;
    item->outputEstimate = 20 << 20; // of an output without the limit
    EXPECT_EQ(item->estimateText(), "<= 8.00MB");
    fake.setBeforeEvent([&](const tagVeldesEvent& event) {
        if (event.progress >= 10000) {
            std::ofstream(outputOf("a")).put('x');
            std::filesystem::resize_file(outputOf("a"), 7 << 19);
        }
    });

    convert->startConversion();
    ASSERT_TRUE(waitForCode(kNotifyConversionOver));
    EXPECT_EQ(item->stateText(), "Finish");
    EXPECT_EQ(item->estimateText(), "3.50MB");
}

TEST_F(ConvertFixture, MergeModePostsOnlyTheMergedOutput) {
    settings.setOption(kOptionOpenOutputFolder, true);
    settings.setOption(kOptionMerge, true);
    fake.setAutoRun(FakeAutoRun::Complete);
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    MediaItem* c = addFile("c.avi");

    convert->startConversion();
    ASSERT_TRUE(waitForCode(kNotifyConversionOver));
    pumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(window->finishedPaths(), std::vector<std::string>{outputOf("a")});
    EXPECT_EQ(window->count(kNotifyConversionOver), 1);
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
    for (MediaItem* item : {a, b, c}) {
        EXPECT_EQ(item->stateText(), "Finish");
    }
}

// A merged output exists only once its run's last source ends: a source that is through shows
// its progress, and when a later source fails there is no file, so no row is "Finish" and each
// says why.
TEST_F(ConvertFixture, MergeRowsFinishOnlyWithTheMergedFile) {
    settings.setOption(kOptionMerge, true);
    MediaItem* rows[] = {addFile("a.avi"), addFile("b.avi"), addFile("c.avi")};
    convert->startConversion();
    const int run = convert->runIdOf(rows[0]);
    fake.fireProgress(run, convert->mediaIdOf(rows[0]), 10000, 1);
    ASSERT_TRUE(pumpUntil([&] { return fake.waitIdle(std::chrono::milliseconds(1)); }));
    EXPECT_EQ(rows[0]->stateText(), "Converting");
    EXPECT_EQ(rows[0]->progress.load(), 10000);

    const std::string why = "b.avi: invalid data found when processing input";
    fake.fireProgress(run, convert->mediaIdOf(rows[1]), 2000, 1, -5, why);
    fake.fireProgress(run, convert->mediaIdOf(rows[2]), 0, 1, -5, why);
    ASSERT_TRUE(waitForCode(kNotifyConversionOver));
    for (MediaItem* row : rows) {
        EXPECT_EQ(row->stateText(), "Convert Failed") << row->displayName;
        EXPECT_EQ(row->failureReason, why);
    }
    EXPECT_TRUE(window->finishedPaths().empty());
    for (const auto& seen : window->seen()) {
        EXPECT_FALSE(seen.itemState & kItemFinish);
    }
}

// Progress that the window does not take within 200 ms is dropped and the engine goes on; the
// end of the conversion waits until the window has taken it.
TEST_F(ConvertFixture, ProgressIsDroppedWhenUnansweredButTheEndWaits) {
    MediaItem* a = addFile("a.avi");
    convert->startConversion();
    const size_t before = window->seen().size();
    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 5000, 1);
    // This thread does not handle events: the send gives up and the callback returns.
    ASSERT_TRUE(fake.waitIdle(std::chrono::seconds(3)));
    pumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(window->seen().size(), before);
    EXPECT_EQ(a->progress.load(), 5000);

    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 10000, 2);
    // Code 1 is dropped after 200 ms, then code 4 blocks the engine's thread.
    EXPECT_FALSE(fake.waitIdle(std::chrono::milliseconds(600)));
    ASSERT_TRUE(waitForCode(kNotifyConversionOver));
    EXPECT_TRUE(fake.waitIdle());
    EXPECT_EQ(window->codes().back(), kNotifyConversionOver);
}

TEST_F(ConvertFixture, FailedEventMarksTheItemAndTheNextStarts) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    convert->startConversion();
    const int firstRun = convert->runIdOf(a);
    ASSERT_GE(firstRun, 0);

    fake.fireProgress(firstRun, convert->mediaIdOf(a), 3000, 1, -7);
    ASSERT_TRUE(waitForCode(kNotifyItemFailed));
    ASSERT_TRUE(pumpUntil([&] { return b->stateText() == "Converting"; }));
    EXPECT_EQ(a->stateText(), "Convert Failed");
    EXPECT_EQ(a->progress.load(), 0); // a failure does not report progress
    const auto runs = fake.callsOf("VeldesRun");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].mediaIds, std::vector<int>{convert->mediaIdOf(b)});
}

TEST_F(ConvertFixture, ProgressReachesTheItemAndTheWindow) {
    MediaItem* a = addFile("a.avi");
    convert->startConversion();
    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 4567, 3);
    ASSERT_TRUE(waitForCode(kNotifyProgress));
    EXPECT_EQ(a->progress.load(), 4567);
    EXPECT_EQ(a->elapsed.load(), 3000);
    const auto seen = window->seen().back();
    EXPECT_EQ(seen.subject, a);
    EXPECT_EQ(seen.progress, 4567);
}

TEST_F(ConvertFixture, RunThatCannotStartMovesOnInSingleModeAndEndsAMerge) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    fake.queueRunResult(-3);
    convert->startConversion();
    EXPECT_EQ(a->stateText(), "Convert Failed");
    EXPECT_EQ(b->stateText(), "Converting");
    convert->stop();

    fake.clearCalls();
    settings.setOption(kOptionMerge, true);
    a->setState(kItemNotConvert);
    fake.queueRunResult(-3);
    convert->startConversion();
    EXPECT_EQ(a->stateText(), "Convert Failed");
    EXPECT_EQ(window->count(kNotifyConversionOver), 1);
}

TEST_F(ConvertFixture, StreamQueryFailureAtRunTime) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    FakeSource broken = fake.source(a->sourcePath);
    broken.mediaInfoResult = -1;
    fake.setSource(a->sourcePath, broken);

    convert->startConversion();
    EXPECT_EQ(a->stateText(), "Convert Failed");
    EXPECT_EQ(b->stateText(), "Converting");
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
    convert->stop();

    settings.setOption(kOptionMerge, true);
    convert->startConversion();
    EXPECT_EQ(window->count(kNotifyConversionOver), 1);
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
}

TEST_F(ConvertFixture, EventsAfterShutdownAreIgnored) {
    MediaItem* a = addFile("a.avi");
    addFile("b.avi");
    convert->startConversion();
    const int run = convert->runIdOf(a);
    const int media = convert->mediaIdOf(a);
    const size_t notifications = window->seen().size();

    window->stop();
    convert->shutdown();
    EXPECT_EQ(fake.callsOf("VeldesSkip").at(0).value, 1); // abort while closing
    fake.fireProgress(run, media, 10000, 5);
    ASSERT_TRUE(fake.waitIdle());
    EXPECT_EQ(a->stateText(), "Not Convert"); // interrupted by the shutdown, nothing taken after
    EXPECT_EQ(a->progress.load(), 0);
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
    EXPECT_EQ(window->seen().size(), notifications);
    EXPECT_EQ(fake.liveTimelines(), 0);
}

// An engine may still call back after the object is gone (a worker that was entering the
// callback while the timeline was destroyed): the call must find nothing to touch.
TEST_F(ConvertFixture, EventsAfterDestructionAreHarmless) {
    MediaItem* a = addFile("a.avi");
    convert->startConversion();
    const int run = convert->runIdOf(a);
    const int media = convert->mediaIdOf(a);
    window->stop();
    convert.reset();
    fake.fireProgress(run, media, 10000, 5);
    tagVeldesEvent preview{};
    fake.fireEditEvent(preview);
    ASSERT_TRUE(fake.waitIdle());
    EXPECT_EQ(fake.deliveredEvents(), 1);
    EXPECT_EQ(a->stateText(), "Not Convert");
    convert = std::make_unique<CVelConvert>(); // for TearDown
}

TEST_F(ConvertFixture, SuspendResumeAndStopReachEveryRunHeld) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    convert->startConversion();
    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 10000, 4);
    ASSERT_TRUE(pumpUntil([&] { return convert->runIdOf(b) >= 0; }));
    ASSERT_TRUE(fake.waitIdle());
    const std::vector<int> held = {convert->runIdOf(a), convert->runIdOf(b)};

    convert->suspend();
    EXPECT_EQ(convert->state(), kStateSuspended);
    EXPECT_EQ(runIds(fake.callsOf("VeldesSuspend")), held);
    convert->resume();
    EXPECT_EQ(convert->state(), kStateConverting);
    EXPECT_EQ(runIds(fake.callsOf("VeldesResume")), held);
    convert->stop();
    EXPECT_EQ(convert->state(), kStateIdle);
    const auto skips = fake.callsOf("VeldesSkip");
    EXPECT_EQ(runIds(skips), held);
    EXPECT_EQ(skips[0].value, 0);
    // Stopping marks the interrupted item, and only it.
    EXPECT_EQ(a->stateText(), "Finish");
    EXPECT_EQ(b->stateText(), "Not Convert");
}

TEST_F(ConvertFixture, LateFinishAfterStopStartsNothing) {
    MediaItem* a = addFile("a.avi");
    addFile("b.avi");
    convert->startConversion();
    convert->stop();
    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 10000, 2);
    ASSERT_TRUE(pumpUntil([&] { return a->stateText() == "Finish"; }));
    ASSERT_TRUE(fake.waitIdle());
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
    EXPECT_EQ(window->count(kNotifyConversionOver), 0);
}

// The user stops while the engine's thread prepares the next item (here: while it waits for the
// disk message): the run it then starts is ended at once instead of running unseen.
TEST_F(ConvertFixture, StopWhileTheNextItemIsPreparedEndsItsRun) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    b->outputEstimate = 4 * 1048576;
    services.setFreeSpace(outputDir.string(), 1048576);
    services.onMessageBox([&](const FakePlatformServices::MessageBoxCall&) {
        convert->stop();
        services.setFreeSpace(outputDir.string(), 1ull << 40);
    });
    services.queueMessageBoxAnswer(IDRETRY);
    convert->startConversion();
    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 10000, 1);
    ASSERT_TRUE(pumpUntil([&] { return convert->runIdOf(b) >= 0; }));
    ASSERT_TRUE(fake.waitIdle());
    const auto skips = fake.callsOf("VeldesSkip");
    ASSERT_FALSE(skips.empty());
    EXPECT_EQ(skips.back().runId, convert->runIdOf(b));
    EXPECT_TRUE(fake.run(convert->runIdOf(b))->skipped);
    // Stopped before it was "Converting": not left reading so for good.
    EXPECT_EQ(a->stateText(), "Finish");
    EXPECT_EQ(b->stateText(), "Not Convert");
    EXPECT_EQ(b->progress, 0);
}

TEST_F(ConvertFixture, OutputPathTooLongFailsTheItem) {
    settings.outputFolder = "/" + std::string(4100, 'o');
    MediaItem* a = addFile("a.avi");
    convert->startConversion();
    EXPECT_EQ(a->stateText(), "Convert Failed");
    EXPECT_EQ(fake.countOf("VeldesRun"), 0u);
    EXPECT_EQ(window->count(kNotifyConversionOver), 1);
}

TEST_F(ConvertFixture, NothingToConvertEndsAtOnce) {
    MediaItem* a = addFile("a.avi");
    a->setFlag(kItemChecked, false);
    convert->startConversion();
    EXPECT_EQ(window->count(kNotifyConversionOver), 1);
    EXPECT_EQ(fake.countOf("VeldesRun"), 0u);
}

TEST_F(ConvertFixture, UnacceptedSourceFailsInsteadOfStalling) {
    MediaItem* a = addFile("a.avi", FakeSource::movie(), false);
    MediaItem* b = addFile("b.avi");
    convert->startConversion();
    EXPECT_EQ(a->stateText(), "Convert Failed");
    EXPECT_EQ(b->stateText(), "Converting");
}

TEST_F(ConvertFixture, AddAndRemoveEntries) {
    FakeSource refused;
    refused.addResult = -4;
    MediaItem* bad = addFile("bad.avi", refused, false);
    EXPECT_EQ(convert->addItem(bad), 0);
    EXPECT_EQ(convert->mediaIdOf(bad), -1);

    settings.optionFlags = kOptionDirectShow;
    MediaItem* a = addFile("a.avi");
    const auto add = fake.callsOf("VeldesAddMedia2").back();
    EXPECT_EQ(add.track->option, 1);
    EXPECT_EQ(add.track->enableDirectShow, 1);
    EXPECT_EQ(add.track->enableQuickTime, 0);
    EXPECT_EQ(add.text, a->sourcePath);

    MediaItem* b = addFile("b.avi");
    const int bId = convert->mediaIdOf(b);
    fake.clearCalls();
    convert->updateDuration(a);
    EXPECT_EQ(a->duration, FakeSource().durationMs);
    EXPECT_EQ(convert->removeItem(bad), 0);
    EXPECT_EQ(convert->removeItem(a), 1);
    convert->removeAll();
    EXPECT_EQ(fake.callNames(),
              (std::vector<std::string>{"VeldesGetMediaDuration", "VeldesRemoveWatermark",
                                        "VeldesRemoveMedia", "VeldesRemoveWatermark",
                                        "VeldesRemoveMedia"}));
    EXPECT_EQ(fake.callsOf("VeldesRemoveMedia")[1].mediaId, bId);
    tagVeldesStreamInfo* streams = nullptr;
    EXPECT_EQ(convert->mediaInfo(b, &streams), 0);
}

} // namespace
