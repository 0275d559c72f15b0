#pragma once

// The fixture of the conversion tests against the fake engine: a media list of real (empty)
// source files, velcodec_fake, the fake platform services and a recording notify window.

#include "FakePlatformServices.h"
#include "FakeVelCodec.h"
#include "RecordingWindow.h"
#include "VelSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace converttest {

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
