// Real recordings through movara-convert: an X server (Xvfb) and a sound server (PulseAudio with
// a null sink), both started by the test; a picture moving on the screen and a tone playing into
// the sink while a region and the sink's monitor are recorded. Results read back by ffprobe and
// ffmpeg.
#include "CaptureServers.h"
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>

namespace {

using namespace capturetest;
namespace fs = std::filesystem;

testmedia::ToolResult convert(std::vector<std::string> args) {
    args.insert(args.begin(), {"timeout", "--signal=KILL", "60", MOVARA_CONVERT_BIN});
    return testmedia::runTool(args);
}

double meanVolumeDb(const std::string& path) {
    const auto result = testmedia::runTool({"ffmpeg", "-hide_banner", "-i", path, "-map", "0:a",
                                            "-af", "volumedetect", "-f", "null", "-"});
    const size_t at = result.err.find("mean_volume: ");
    return at == std::string::npos ? -1000.0 : std::atof(result.err.c_str() + at + 13);
}

// Where the white bar is in each picture of the file (its centre in tenths of the width, or -1
// when it is outside the recorded region): the red channel is the bar's alone.
std::set<int> barPositions(const std::string& path) {
    constexpr int kWidth = 40, kHeight = 20;
    const auto pixels = testmedia::runTool({"ffmpeg", "-hide_banner", "-loglevel", "error", "-i",
                                            path, "-map", "0:v", "-vf", "scale=40:20", "-pix_fmt",
                                            "rgb24", "-f", "rawvideo", "-"})
                            .out;
    std::set<int> positions;
    const size_t frameBytes = kWidth * kHeight * 3;
    for (size_t at = 0; at + frameBytes <= pixels.size(); at += frameBytes) {
        double total = 0, moment = 0;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            const double red = static_cast<unsigned char>(pixels[at + i * 3]);
            total += red;
            moment += red * (i % kWidth);
        }
        positions.insert(total < 20.0 * kWidth * kHeight ? -1 : int(moment / total / 4));
    }
    return positions;
}

TEST(CaptureRecording, AScreenRegionAndASoundSourceRecordIntoAConvertedFile) {
    testmedia::ScratchDir scratch;
    MovingScreen screen;
    if (!screen.ok())
        GTEST_SKIP() << "Xvfb could not be started";
    SoundServer sound(scratch.path() + "/pulse");
    if (!sound.ok())
        GTEST_SKIP() << "pulseaudio could not be started";
    setenv("DISPLAY", screen.display().c_str(), 1);

    const auto listed = convert({"--list-devices"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find(std::string("audio\t") + SoundServer::kMonitorName + "\n"),
              std::string::npos)
        << listed.out;

    // A tone into the sink while it is recorded.
    const pid_t tone = spawn({"ffmpeg", "-hide_banner", "-loglevel", "error", "-re", "-f", "lavfi",
                              "-i", "sine=frequency=440:duration=20", "-f", "pulse", "-device",
                              SoundServer::kSinkName, "tone"});
    const std::string out = scratch.path() + "/out";
    fs::create_directories(out);
    const auto recorded =
        convert({"--profile", "H.264 Video(*.mp4)", "--output", out, "--screen", "321,101,300,200",
                 "--audio-device", SoundServer::kMonitorName, "--seconds", "3"});
    stop(tone);
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
    const std::string file = out + "/Vel Screen Recorder.mp4";
    ASSERT_EQ(recorded.out, file + "\n");

    const testmedia::FileProbe probe = testmedia::probe(file);
    ASSERT_TRUE(probe.ok) << probe.error;
    const testmedia::StreamProbe* video = probe.first("video");
    const testmedia::StreamProbe* audio = probe.first("audio");
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->width, 480); // the profile's size
    EXPECT_EQ(video->height, 320);
    EXPECT_NEAR(video->frameRate, 25.0, 0.01);
    EXPECT_NEAR(probe.duration, 3.0, 0.25);
    EXPECT_EQ(audio->sampleRate, 44100);
    EXPECT_GT(meanVolumeDb(file), -40.0) << "the tone was not recorded";

    // Only the right (blue) half was recorded, and the bar moved through it.
    int width = 0, height = 0;
    const auto frame = testmedia::grabFrame(file, 1.0, "rgb24", &width, &height);
    ASSERT_FALSE(frame.empty());
    EXPECT_LT(testmedia::meanOf(frame, width, 3, 0, 0, 0, width, height), 140.0);
    EXPECT_GT(testmedia::meanOf(frame, width, 3, 2, 0, 0, width, height), 200.0);
    const std::set<int> bar = barPositions(file);
    std::string seen;
    for (int position : bar)
        seen += std::to_string(position) + " ";
    EXPECT_GE(bar.size(), 4u) << "the pictures do not follow the screen: " << seen;
}

// A recording that cannot start says why in words, and writes nothing.
TEST(CaptureRecording, RecordingsThatCannotStartSayWhyAndWriteNothing) {
    testmedia::ScratchDir scratch;
    MovingScreen screen;
    if (!screen.ok())
        GTEST_SKIP() << "Xvfb could not be started";
    const struct {
        const char* display; // nullptr: unset
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {screen.display().c_str(),
         {"--screen", "600,400,300,200"},
         "--screen: the region 600,400,300,200 is off the 640x480 screen"},
        {nullptr, {"--screen", "0,0,300,200"}, "--screen: no X display (DISPLAY is not set)"},
        {screen.display().c_str(),
         {"--audio-device", "Nope"},
         "--audio-device: no audio device named \"Nope\" (see --list-devices)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        if (c.display)
            setenv("DISPLAY", c.display, 1);
        else
            unsetenv("DISPLAY");
        std::vector<std::string> args{"--profile",    "H.264 Video(*.mp4)", "--output",
                                      scratch.path(), "--seconds",          "2"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto result = convert(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find("Failed to load device :\n"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("\n" + c.reason + "\n"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("vel-capture:"), std::string::npos) << result.err;
        EXPECT_TRUE(fs::is_empty(scratch.path()));
    }
}

} // namespace

TEST(CaptureRecording, AnInterruptedRecordingKeepsWhatWasRecordedAsAFinishedFile) {
    testmedia::ScratchDir scratch;
    MovingScreen screen;
    if (!screen.ok())
        GTEST_SKIP() << "Xvfb could not be started";
    setenv("DISPLAY", screen.display().c_str(), 1);
    const std::string out = scratch.path() + "/out";
    fs::create_directories(out);
    // A minute's limit, interrupted (as Ctrl-C does) about two seconds in.
    const pid_t recording =
        spawn({MOVARA_CONVERT_BIN, "--profile", "H.264 Video(*.mp4)", "--output", out, "--screen",
               "321,101,300,200", "--seconds", "60"});
    ASSERT_GT(recording, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ::kill(recording, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(recording, &status, 0), recording);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);

    const std::string file = out + "/Vel Screen Recorder.mp4";
    const testmedia::FileProbe probe = testmedia::probe(file);
    ASSERT_TRUE(probe.ok) << probe.error;
    ASSERT_NE(probe.first("video"), nullptr);
    EXPECT_GT(probe.duration, 0.5);
    EXPECT_LT(probe.duration, 3.0);
    // Nothing is left beside it under a temporary name.
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
    int width = 0, height = 0;
    EXPECT_FALSE(testmedia::grabFrame(file, 0.2, "rgb24", &width, &height).empty());
}
