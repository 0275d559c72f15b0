// movara-convert --loudness: outputs reach the target integrated loudness with their true peak
// under the ceiling, in the rate and channels of the profile, as FFmpeg's own R128 meter reads
// them; near-silence is left as it is and named; --measure-loudness prints the figures.
#include "ConvertToolSupport.h"
#include "MediaProbe.h"
#include "R128Probe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// An AAC sound source (with a test picture when `picture`) of `seconds` from a lavfi source.
std::string soundSource(const std::string& lavfi, double seconds, bool picture = false) {
    std::vector<std::string> args;
    if (picture)
        args = {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=" + std::to_string(seconds)};
    args.insert(args.end(), {"-f", "lavfi", "-i", lavfi, "-t", std::to_string(seconds)});
    if (picture)
        args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p"});
    args.insert(args.end(), {"-c:a", "aac", "-b:a", "160k", "{out}"});
    return testmedia::generateWith(args, picture ? "mp4" : "m4a");
}

TEST(MovaraConvertLoudness, OutputsReachTheTargetUnderTheCeilingInTheProfilesShape) {
    // Speech-like: quiet, with short clicks far above it, so the gain needs the limiter.
    const std::string speech = soundSource(
        "aevalsrc='0.05*sin(2*PI*180*t)*(0.6+0.4*sin(2*PI*3*t))*gt(sin(2*PI*0.4*t)\\,-0.3)+"
        "0.5*sin(2*PI*1500*t)*lt(mod(t\\,1.3)\\,0.006)|0.04*sin(2*PI*190*t)':s=44100",
        12, true);
    const std::string surround = soundSource(
        "aevalsrc='0.3*sin(2*PI*200*t)|0.3*sin(2*PI*300*t)|0.3*sin(2*PI*400*t)|0.1*sin(2*PI*50*t)|"
        "0.2*sin(2*PI*500*t)|0.2*sin(2*PI*600*t)':c=5.1:s=48000",
        8);
    const std::string music =
        soundSource("anoisesrc=c=pink:a=0.5:sample_rate=32000,volume=2,alimiter=limit=0.97", 8);
    const std::string hush = soundSource("anoisesrc=c=pink:a=0.003:sample_rate=44100", 6);
    ASSERT_FALSE(speech.empty() || surround.empty() || music.empty() || hush.empty());

    struct Case {
        const char* name;
        std::string source;
        const char* profile;
        std::vector<std::string> options;
        double target, ceiling;
        int rate, channels; // the profile's
        bool leftAlone;     // near-silence
    };
    const Case cases[] = {
        {"speech, limited, AAC",
         speech,
         "H.264 Video(*.mp4)",
         {"--loudness", "-16"},
         -16,
         -1,
         44100,
         2,
         false},
        {"5.1 to stereo MP3",
         surround,
         "MP3-MPEG Layer 3 Audio(*.mp3)",
         {"--loudness", "-23", "--true-peak", "-2"},
         -23,
         -2,
         44100,
         2,
         false},
        {"loud music to AMR",
         music,
         "BlackBerry AMR Audio(*.amr)",
         {"--loudness", "-16"},
         -16,
         -1,
         8000,
         1,
         false},
        {"near-silence",
         hush,
         "M4A-MPEG4 Audio(*.m4a)",
         {"--loudness", "-14"},
         -14,
         -1,
         44100,
         2,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testmedia::ScratchDir out;
        std::vector<std::string> args = {"--profile", c.profile, "--output", out.path()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.source);
        const auto result = converttest::runConvert(args, 300);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::string output = result.out.substr(0, result.out.find('\n'));
        const testmedia::R128Probe level = testmedia::r128(output);
        ASSERT_TRUE(level.ok);
        const testmedia::FileProbe file = testmedia::probe(output);
        const testmedia::StreamProbe* sound = file.first("audio");
        ASSERT_NE(sound, nullptr);
        EXPECT_EQ(sound->sampleRate, c.rate);
        EXPECT_EQ(sound->channels, c.channels);
        EXPECT_EQ(result.err.find("left as it is") != std::string::npos, c.leftAlone) << result.err;
        if (c.leftAlone) {
            EXPECT_NEAR(level.integrated, testmedia::r128(c.source).integrated, 0.5);
            continue;
        }
        EXPECT_NEAR(level.integrated, c.target, 0.5);
        EXPECT_LE(level.truePeak, c.ceiling + 0.1);
    }

    // The figures of the sources as they are: what FFmpeg's meter says, by tabs.
    const auto measured = converttest::runConvert({"--measure-loudness", music, surround});
    ASSERT_EQ(measured.exitCode, 0) << measured.err;
    size_t line = 0;
    for (const std::string& file : {music, surround}) {
        const size_t end = measured.out.find('\n', line);
        ASSERT_NE(end, std::string::npos) << measured.out;
        const std::string text = measured.out.substr(line, end - line);
        line = end + 1;
        char* rest = nullptr;
        const double integrated = std::strtod(text.c_str(), &rest);
        const double peak = std::strtod(rest + 1, &rest);
        std::strtod(rest + 1, &rest);
        EXPECT_EQ(std::string(rest), "\t" + file);
        const testmedia::R128Probe oracle = testmedia::r128(file);
        EXPECT_NEAR(integrated, oracle.integrated, 0.2) << text;
        EXPECT_NEAR(peak, oracle.truePeak, 0.2) << text;
    }
}

} // namespace
