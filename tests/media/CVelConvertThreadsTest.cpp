// CVelConvert between the user-interface thread and the engine's: what a stop or a shutdown may
// meet on the other thread. Run under ThreadSanitizer, these prove the hand-over.
#include "ConvertTestSupport.h"

#include <chrono>
#include <thread>

namespace {

using converttest::ConvertFixture;
using converttest::pumpUntil;

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
