// movara-convert's recording options: what a command line records, and the usage errors.
#include "ConvertOptions.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

Args withOutput(Args args) {
    args.insert(args.begin(), {"--profile", "p", "--output", "o"});
    return args;
}

TEST(CaptureOptions, RecordingsBecomeDeviceRecords) {
    const struct {
        Args args;
        const char *video, *audio;
        ScreenRect rect;
        int cursor, limit;
        int64_t ms;
    } cases[] = {
        {withOutput({"--screen", "11,21,290,220", "--seconds", "3"}),
         "Vel Screen Recorder",
         "No Audio Input",
         {10, 20, 300, 240},
         0,
         1,
         3000},
        {withOutput({"--screen", "0,0,640,480,cursor", "--audio-device", "Monitor of X",
                     "--time-limit", "2"}),
         "Vel Screen Recorder",
         "Monitor of X",
         {0, 0, 640, 480},
         1,
         2,
         120000},
        {withOutput({"--audio-device", "Mic", "--seconds", "61"}),
         "No Video Input",
         "Mic",
         {0, 0, 640, 480},
         0,
         2,
         61000},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto options = parseConvertOptions(c.args, &error);
        ASSERT_TRUE(options) << error;
        EXPECT_TRUE(options->files.empty());
        const VEL_DEVICE_INFO record = captureRecord(options->capture);
        EXPECT_EQ(record.videoDevice, c.video);
        EXPECT_EQ(record.audioDevice, c.audio);
        EXPECT_EQ((ScreenRect{record.left, record.top, record.right, record.bottom}), c.rect);
        EXPECT_EQ(record.captureCursor, c.cursor);
        EXPECT_EQ(record.timeLimit, c.limit);
        EXPECT_EQ(captureMilliseconds(options->capture), c.ms);
        if (options->capture.screen) {
            EXPECT_EQ(record.frameRate, 25.0);
        }
    }
    const auto list = parseConvertOptions({"--list-devices"}, nullptr);
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->capture.listDevices);
}

TEST(CaptureOptions, UsageErrorsNameTheOption) {
    const struct {
        Args args;
        const char* message;
    } cases[] = {
        {withOutput({"--screen", "0,0,640"}),
         "--screen takes X,Y,WIDTH,HEIGHT[,cursor], not \"0,0,640\""},
        {withOutput({"--screen", "0,0,640,480,mouse"}),
         "--screen takes X,Y,WIDTH,HEIGHT[,cursor], not \"0,0,640,480,mouse\""},
        {withOutput({"--screen", "-1,0,640,480"}),
         "--screen takes X,Y,WIDTH,HEIGHT[,cursor], not \"-1,0,640,480\""},
        {withOutput({"--screen", "0,0,61,59", "--seconds", "1"}),
         "--screen needs a region of at least 60 x 60 pixels"},
        {withOutput({"--screen"}), "Missing value after '--screen'"},
        {withOutput({"--audio-device", ""}),
         "--audio-device needs a device name (see --list-devices)"},
        {withOutput({"--audio-device", "Mic", "--time-limit", "0"}),
         "--time-limit takes 1 to 1440 minutes, not \"0\""},
        {withOutput({"--audio-device", "Mic", "--time-limit", "1441"}),
         "--time-limit takes 1 to 1440 minutes, not \"1441\""},
        {withOutput({"--audio-device", "Mic", "--seconds", "2.5"}),
         "--seconds takes 1 to 86400 seconds, not \"2.5\""},
        {withOutput({"--audio-device", "Mic"}), "a recording needs --time-limit or --seconds"},
        {withOutput({"--audio-device", "Mic", "--seconds", "3", "--time-limit", "1"}),
         "--time-limit and --seconds exclude each other"},
        {withOutput({"--seconds", "3"}), "--seconds needs --screen or --audio-device"},
        {withOutput({"--time-limit", "3", "a.avi"}),
         "--time-limit needs --screen or --audio-device"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parseConvertOptions(c.args, &error)) << c.message;
        EXPECT_EQ(error, c.message);
    }
}

} // namespace
