// Sound into a video profile: the picture has the profile's frame (320x240 where it keeps the
// source's size), and shows the cover art the sound file carries, shape kept with bars, or black
// where it carries none.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

namespace {

// A two-second tone encoded by `audioArgs` (ffmpeg options, space-separated), with a square red
// cover picture or none.
std::string toneWithCover(const std::string& audioArgs, const std::string& extension,
                          bool withCover) {
    std::vector<std::string> args = {"-f", "lavfi", "-i", "sine=d=2:sample_rate=8000"};
    if (withCover)
        args.insert(args.end(),
                    {"-f", "lavfi", "-i", "color=c=red:s=200x200:d=1", "-frames:v", "1", "-map",
                     "0", "-map", "1", "-c:v", "png", "-disposition:v", "attached_pic"});
    for (size_t start = 0; start < audioArgs.size();) {
        const size_t space = audioArgs.find(' ', start);
        args.push_back(audioArgs.substr(start, space - start));
        start = space == std::string::npos ? space : space + 1;
    }
    args.push_back("{out}");
    return testmedia::generateWith(args, extension);
}

TEST(MovaraConvertSoundOnly, PictureHasTheProfilesFrameAndTheCoverArt) {
    struct Case {
        const char* name;
        std::string source;
        const char* profile;
        const char* output;
        int width, height;
        bool cover;
    };
    const Case cases[] = {
        {"mp3 with ID3 picture", toneWithCover("-c:a libmp3lame -id3v2_version 3", "mp3", true),
         "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", "o.3gp", 176, 144, true},
        {"m4a with covr", toneWithCover("-c:a aac", "m4a", true),
         "3GPP-3rd Generation Partnership Project(original size)(*.3gp)", "o.3gp", 320, 240, true},
        {"flac with picture", toneWithCover("-c:a flac", "flac", true),
         "MP4-MPEG-4 Video (176x144)(*.mp4)", "o.mp4", 176, 144, true},
        {"amr without picture", toneWithCover("-c:a libopencore_amrnb -ac 1", "amr", false),
         "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", "o.3gp", 176, 144, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.source.empty());
        testmedia::ScratchDir out;
        const std::string output = out.file(c.output);
        const auto r = converttest::runConvert({"--profile", c.profile, "-o", output, c.source});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        int width = 0, height = 0;
        const auto rgb = testmedia::grabFrame(output, 1.0, "rgb24", &width, &height);
        ASSERT_FALSE(rgb.empty());
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        const double red = testmedia::meanOf(rgb, width, 3, 0, width * 2 / 5, height * 2 / 5,
                                             width * 3 / 5, height * 3 / 5);
        const double green = testmedia::meanOf(rgb, width, 3, 1, width * 2 / 5, height * 2 / 5,
                                               width * 3 / 5, height * 3 / 5);
        const double edge = testmedia::meanOf(rgb, width, 3, 0, 0, 0, width / 20, height);
        if (c.cover) {
            EXPECT_GT(red, 150);
            EXPECT_LT(green, 90);
            EXPECT_LT(edge, 40); // a square picture in a wider frame has bars
        } else {
            EXPECT_LT(red, 40);
        }
    }
}

} // namespace
