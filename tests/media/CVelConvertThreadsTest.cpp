// CVelConvert between the user-interface thread and the engine's: what a stop or a shutdown may
// meet on the other thread. Run under ThreadSanitizer, these prove the hand-over.
#include "ConvertTestSupport.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using converttest::ConvertFixture;
using converttest::pumpFor;
using converttest::pumpUntil;
using namespace std::chrono_literals;

// Holds the first VeldesRun that reaches it from another thread (the engine thread's start of
// the next item) until released.
class RunHold {
public:
    explicit RunHold(FakeVelCodec& fake) : fake_(fake) {
        fake_.setBeforeRun([this] { hold(); });
    }
    ~RunHold() {
        release();
        fake_.setBeforeRun(nullptr);
    }
    bool waitEntered() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [this] { return entered_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    void hold() {
        std::unique_lock lock(mutex_);
        if (entered_ || std::this_thread::get_id() == owner_) {
            return;
        }
        entered_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, 5s, [this] { return released_; });
    }
    FakeVelCodec& fake_;
    const std::thread::id owner_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool released_ = false;
};

// The runs started after `firstRun` that were not ended by a skip, for one media id.
int liveRunsOf(const FakeVelCodec& fake, int mediaId, int firstRun) {
    int count = 0;
    for (const FakeRun& run : fake.runs()) {
        count += run.id >= firstRun && !run.skipped && run.mediaIds == std::vector<int>{mediaId};
    }
    return count;
}

// Pause lands while the engine's thread starts the next item: that run starts paused too.
TEST_F(ConvertFixture, PauseAtTheItemChangePausesTheNextRun) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    convert->startConversion();
    RunHold hold(fake);
    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 10000, 1);
    ASSERT_TRUE(hold.waitEntered());
    convert->suspend();
    hold.release();
    ASSERT_TRUE(pumpUntil([&] { return fake.waitIdle(1ms) && convert->runIdOf(b) >= 0; }));
    EXPECT_EQ(convert->state(), kStateSuspended);
    EXPECT_TRUE(fake.run(convert->runIdOf(b))->suspended);
}

// Stop lands while the engine's thread starts the next item, and the window reorders the list
// at once: the reorder waits for that thread, which reads the list.
TEST_F(ConvertFixture, ListReorderRightAfterStopWaitsForTheItemChange) {
    MediaItem* a = addFile("a.avi");
    addFile("b.avi");
    addFile("c.avi");
    convert->startConversion();
    RunHold hold(fake);
    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 10000, 1);
    ASSERT_TRUE(hold.waitEntered());
    convert->stop();
    std::thread releaser([&] {
        std::this_thread::sleep_for(100ms);
        hold.release();
    });
    const auto begun = std::chrono::steady_clock::now();
    {
        const auto change = convert->listChange();
        std::swap(items[1], items[2]);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - begun, 50ms);
    releaser.join();
    ASSERT_TRUE(pumpUntil([&] { return fake.waitIdle(1ms); }));
    EXPECT_EQ(convert->state(), kStateIdle);
}

// Stop, then Start at once, while the stopped conversion's last callback still starts the next
// item; then the same in a loop at varying moments. Each new conversion waits for the stopped
// one's callbacks, the run they started is ended, and the last conversion runs every item once.
TEST_F(ConvertFixture, StartRightAfterStopFencesOffTheStoppedConversion) {
    fake.setAutoRun(FakeAutoRun::Complete);
    fake.setAutoEventDelay(1ms);
    MediaItem* rows[] = {addFile("a.avi"), addFile("b.avi"), addFile("c.avi")};
    auto nextRunId = [&] {
        int next = 0;
        for (const FakeRun& run : fake.runs()) {
            next = std::max(next, run.id + 1);
        }
        return next;
    };
    // Stop and Start again; the new conversion runs every item once and ends once.
    auto restartAndFinish = [&](const std::function<void()>& between) {
        const int firstRun = nextRunId();
        const int overBefore = window->count(kNotifyConversionOver);
        convert->stop();
        between();
        convert->startConversion();
        ASSERT_TRUE(pumpUntil([&] { return window->count(kNotifyConversionOver) > overBefore; }));
        ASSERT_TRUE(pumpUntil([&] { return fake.waitIdle(1ms); }));
        pumpFor(50ms);
        EXPECT_EQ(window->count(kNotifyConversionOver), overBefore + 1);
        for (MediaItem* row : rows) {
            EXPECT_EQ(row->stateText(), "Finish") << row->displayName;
            EXPECT_EQ(liveRunsOf(fake, convert->mediaIdOf(row), firstRun), 1) << row->displayName;
        }
    };
    {
        RunHold hold(fake);
        convert->startConversion();
        ASSERT_TRUE(hold.waitEntered());
        std::thread releaser;
        restartAndFinish([&] {
            releaser = std::thread([&] {
                std::this_thread::sleep_for(100ms);
                hold.release();
            });
        });
        releaser.join();
    }
    for (int round = 0; round < 20; ++round) {
        pumpFor(std::chrono::milliseconds(round % 7));
        convert->stop();
        convert->startConversion();
    }
    restartAndFinish([] {});
}

// A stopped recording still writes its file when Start comes at once: its last event, though of
// the earlier conversion, finishes the row with its output (told and kept), and the new
// conversion does not record it again.
TEST_F(ConvertFixture, StartRightAfterStoppingARecordingKeepsItsFile) {
    settings.setOption(kOptionOpenOutputFolder, true);
    const std::string device = std::string(kFakeDevicePrefix) + "Camera|Mic";
    fake.setSource(device, FakeSource::movie());
    items.push_back(std::make_unique<MediaItem>());
    MediaItem* camera = items.back().get();
    camera->displayName = "Camera";
    camera->sourcePath = device;
    camera->profile = profile;
    ASSERT_EQ(convert->addItem(camera), 1);
    convert->startConversion();
    const int run = convert->runIdOf(camera);
    ASSERT_GE(run, 0);
    convert->stop();
    const int overBefore = window->count(kNotifyConversionOver);
    convert->startConversion();
    ASSERT_TRUE(pumpUntil([&] { return window->count(kNotifyConversionOver) > overBefore; }));
    EXPECT_EQ(convert->runIdOf(camera), run) << "recorded again";
    fake.fireProgress(run, convert->mediaIdOf(camera), 10000, 3);
    ASSERT_TRUE(pumpUntil([&] { return fake.waitIdle(1ms) && camera->hasState(kItemFinish); }));
    pumpFor(20ms);
    const auto outputs = convert->finishedOutputs();
    ASSERT_EQ(outputs.count(camera), 1u);
    EXPECT_EQ(window->finishedPaths(), std::vector<std::string>{outputs.at(camera)});
}

// Stop meets a run reaching its end on the engine's thread, at many moments: the end is taken
// whichever comes first, and the row that got its output reads "Finish", never "Not Convert".
TEST_F(ConvertFixture, StopAgainstAFinishingRunKeepsTheFinish) {
    MediaItem* a = addFile("a.avi");
    for (int round = 0; round < 200; ++round) {
        convert->startConversion();
        fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 10000, 1);
        std::this_thread::sleep_for(std::chrono::microseconds(round % 50));
        convert->stop();
        ASSERT_TRUE(pumpUntil([&] { return fake.waitIdle(1ms); }));
        ASSERT_EQ(a->stateText(), "Finish") << "round " << round;
    }
}

// The measured estimate is written on this thread while the engine's thread reads it for the
// next item's disk check.
TEST_F(ConvertFixture, MeasuredEstimateArrivesWhileTheNextItemIsChecked) {
    fake.setAutoRun(FakeAutoRun::Complete);
    FakeSource measured = FakeSource::movie();
    measured.encodedSizeResult = 2; // a measured figure
    std::vector<MediaItem*> rows;
    for (int i = 0; i < 8; ++i) {
        rows.push_back(addFile("m" + std::to_string(i) + ".avi", measured));
    }
    convert->startConversion();
    ASSERT_TRUE(pumpUntil([&] {
        for (MediaItem* row : rows) {
            EXPECT_EQ(convert->takeMeasuredEstimate(convert->mediaIdOf(row)), row);
        }
        return window->count(kNotifyConversionOver) > 0;
    }));
    for (MediaItem* row : rows) {
        EXPECT_EQ(int64_t(row->outputEstimate), measured.encodedSize);
        EXPECT_EQ(row->stateText(), "Finish");
    }
}

// The next item's disk question, asked from the engine's thread, is pending while the
// user-interface thread shuts the object down: it is withdrawn (as Cancel), the callback
// returns, and only then is anything freed. Nothing waits for a time-out.
TEST_F(ConvertFixture, ShutdownWithdrawsTheNextItemsDiskQuestion) {
    MediaItem* a = addFile("a.avi");
    MediaItem* b = addFile("b.avi");
    b->outputEstimate = 4 * 1048576;
    services.setFreeSpace(outputDir.string(), 1048576);
    convert->startConversion();
    fake.fireProgress(convert->runIdOf(a), convert->mediaIdOf(a), 10000, 1);
    // The engine's thread reaches b's question while this thread does not look at events.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));

    const auto start = std::chrono::steady_clock::now();
    window->stop();
    convert->shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_TRUE(fake.waitIdle());
    EXPECT_TRUE(services.messageBoxes().empty());
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
}

// After Stop the list is open again while events already on their way are still delivered:
// adding and removing items meanwhile must not race with the engine's lookups.
TEST_F(ConvertFixture, ListChangesAfterStopDoNotRaceWithEventsInFlight) {
    MediaItem* a = addFile("a.avi");
    addFile("b.avi");
    convert->startConversion();
    const int run = convert->runIdOf(a);
    const int media = convert->mediaIdOf(a);
    convert->stop();
    for (int progress = 1; progress <= 300; ++progress) {
        fake.fireProgress(run, media, progress * 10);
    }
    for (int round = 0; round < 100; ++round) {
        MediaItem* extra = addFile("extra" + std::to_string(round) + ".avi");
        convert->removeItem(extra);
        items.pop_back();
    }
    ASSERT_TRUE(pumpUntil([&] { return fake.waitIdle(std::chrono::milliseconds(1)); }));
    // Delivered and looked up, but a stopped run's progress is not taken.
    EXPECT_EQ(fake.deliveredEvents(), 300);
    EXPECT_EQ(a->progress.load(), 0);
    EXPECT_EQ(a->stateText(), "Not Convert");
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
}

} // namespace
