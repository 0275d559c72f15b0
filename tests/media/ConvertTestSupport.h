#pragma once

// Shared pieces of the conversion tests: a notify window that records what CVelConvert tells it,
// bounded event pumping, and a fixture with a media list of real (empty) source files, the fake
// codec engine and the fake platform services.

#include "CVelConvert.h"
#include "FakePlatformServices.h"
#include "FakeVelCodec.h"
#include "MessageTarget.h"
#include "VelSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace converttest {

// Handles this thread's events until `done` holds or `limit` passed; returns done().
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
void pumpFor(std::chrono::milliseconds duration);

// One 3245 or 3246 message as the notify window saw it.
struct Seen {
    unsigned msg = 0;
    int code = 0;
    const void* subject = nullptr;
    std::string path;      // 3246: the posted path; code 6: the path offered
    int32_t itemState = 0; // codes 1 to 3: the item's state flags when handled
    int32_t progress = 0;
    std::thread::id thread;
};

// The main window's stand-in: records, answers code 6 from a script.
class RecordingWindow : public MessageTarget {
public:
    ~RecordingWindow() override;
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    // Answers code 6; may rewrite the path buffer (at most VELDES_MAX_PATH bytes with the zero).
    std::function<intptr_t(char* path)> onOutputExists;
    // Runs on code 4, after recording it.
    std::function<void()> onConversionOver;

    std::vector<Seen> seen() const;
    std::vector<int> codes() const;
    std::vector<std::string> finishedPaths() const;
    int count(int code) const;
    void stop() { stopMessages(); }

private:
    mutable std::mutex mutex_;
    std::vector<Seen> seen_;
};

class ConvertFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a media item for a new empty file `name` in the input folder, scripted in the fake
    // engine with `source`; returns it. The item is checked, "Not Convert", with `profile`.
    MediaItem* addFile(const std::string& name, const FakeSource& source = FakeSource::movie(),
                       bool addToEngine = true);
    // The built-in profile with this name (fails the test when missing).
    static ProfileRef builtIn(const std::string& name);
    // A profile for tests: mp4, H.264, AAC, source size and rates.
    static ProfileRef testProfile();

    bool waitForCode(int code, int times = 1);
    std::string outputOf(const std::string& base, const std::string& ext = "mp4") const;

    FakeVelCodec& fake = FakeVelCodec::instance();
    FakePlatformServices services;
    std::unique_ptr<ScopedPlatformServices> installed;
    VelSettings settings;
    MediaList items;
    std::filesystem::path root;
    std::filesystem::path inputDir;
    std::filesystem::path outputDir;
    ProfileRef profile;
    std::unique_ptr<CVelConvert> convert;
    std::unique_ptr<RecordingWindow> window;
    std::thread::id uiThread;
};

} // namespace converttest
