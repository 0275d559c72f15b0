// Real files as people have them (tests/media-real, each listed with its origin and licence in
// MANIFEST.md): phone clips turned by a display matrix, containers that lie about their length,
// Matroska with several tracks and subtitles, FLV, ASF, MPEG-2 TS and PS, Ogg, WebM, AV1, GIF,
// sound with tags and cover art, anamorphic and interlaced pictures, odd sizes and broken files.
// movara-convert converts each with one profile of each family, and the outputs are read back by
// tools independent of the engine: ffprobe and ffmpeg for the picture as a player honouring the
// display matrix shows it, the shape, the length a full read finds and the sound, and GStreamer,
// which must play every output to its end. A file that cannot be converted is refused with a
// reason a person understands, and only where the ffmpeg command line cannot convert it either.
//
// Each file is one test (ctest runs them side by side). Faults known and not mended yet are
// listed in kKnownFailures: such a check is reported, not failed, and the case comes back by
// itself once the list loses its line.
#include "ConvertToolSupport.h"
#include "RealMediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace realmedia;

const std::string kCorpus = std::string(MOVARA_SOURCE_DIR) + "/tests/media-real/";

// One profile of each family. Fixed frames get the picture with its shape kept (bars); the
// original size keeps the picture's shown size, and a source without a picture gets 320x240.
struct Profile {
    const char* family;
    const char* name;
    bool video;
    int width, height; // 0: the original size
};
const Profile kProfiles[] = {
    {"h264", "H.264 Video(*.mp4)", true, 480, 320},
    {"mpeg4", "MP4-MPEG-4 Video (original size)(*.mp4)", true, 0, 0},
    {"3gp", "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", true, 176, 144},
    {"audio", "MP3-MPEG Layer 3 Audio(*.mp3)", false, 0, 0},
};

// The corpus: what each file is, and the reason given for refusing it where no profile can
// convert it (the ffmpeg command line converts none of these either). A source without sound
// into the sound profile is refused with "the source has no sound" besides.
struct Row {
    const char* file;
    const char* refusal; // nullptr: converts with every profile
};
const Row kRows[] = {
    {"phone_iphone12_hevc_rot-90.mp4", nullptr},
    {"phone_iphone12_hevc_rot90.mp4", nullptr},
    {"phone_iphone12_hevc_rot180.mp4", nullptr},
    {"phone_android_hevc_rot-90.mp4", nullptr},
    {"mirrored_rot-90.mp4", nullptr},
    {"phone_samsung_slowmo.mp4", nullptr},
    {"portrait_720x1080.mp4", nullptr},
    {"fragmented_lying_length.mp4", nullptr},
    {"mkv_h264_ac3_srt.mkv", nullptr},
    {"mkv_h264_ac3_pgs.mkv", nullptr},
    {"mkv_two_audio_ass.mkv", nullptr},
    {"flv_h264_aac.flv", nullptr},
    {"wma_tags.wma", nullptr},
    {"wmv_minimal_1x1.wmv", "the source's pictures cannot be decoded"},
    {"mpeg2_ntsc_interlaced_anamorphic.ts", nullptr},
    {"mpeg2_ps.mpg", nullptr},
    {"ts_h264_aac_pcr_rollover.ts", nullptr},
    {"theora_vorbis.ogg", nullptr},
    {"vp9_odd_161x121.webm", nullptr},
    {"vp9_10bit.webm", nullptr},
    {"vp9_opus_webvtt.webm", nullptr},
    {"vp9_vorbis51.webm", nullptr},
    {"vp8_minimal_8x8.webm", nullptr},
    {"av1_aac.mp4", nullptr},
    {"broken_vp9_undecodable.webm", "the source's pictures cannot be decoded"},
    {"broken_m4b_truncated.m4b", "the source's sound cannot be decoded"},
    {"broken_mdat_too_long.mp4", nullptr},
    {"gif_animated_116x100.gif", nullptr},
    {"anamorphic_800x640_sar64-45.mp4", nullptr},
    {"h263_qcif.3gp", nullptr},
    {"amrnb.3gp", nullptr},
    {"amr_nb.amr", nullptr},
    {"amr_wb.amr", nullptr},
    {"mp3_id3_cover.mp3", nullptr},
    {"flac_picture.flac", nullptr},
    {"aiff_id3_cover.aiff", nullptr},
    {"opus_stereo.opus", nullptr},
    {"wav_pcm16.wav", nullptr},
    {"avi_mpeg4_mp3.avi", nullptr},
    {"mpeg4_qcif.mp4", nullptr},
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.file;
}

// Checks that fail today for a fault not mended yet: the file, the profile family
// ("*": all), the check (converts, refusal, rotation, frame, shape, orientation, length, sound,
// gstreamer) and why. Reported as a known failure instead of failing; a check that passes again
// says so, and its line goes.
struct KnownFailure {
    const char* file;
    const char* family;
    const char* check;
    const char* why;
};
const std::vector<KnownFailure> kKnownFailures = {}; // none today

const KnownFailure* knownFailure(const std::string& file, const std::string& family,
                                 const std::string& check) {
    for (const KnownFailure& k : kKnownFailures)
        if (file == k.file && (std::string(k.family) == "*" || family == k.family) &&
            check == k.check)
            return &k;
    return nullptr;
}

// What the source is, as a player shows it.
struct Source {
    std::string path;
    std::string pictureMap; // "0:N" of the picture (a cover where there is nothing else), or ""
    bool cover = false;
    int width = 0, height = 0;
    double pixelShape = 1.0;
    Orientation orientation;
    double shownAspect = 0.0; // shown width / height
    bool hasSound = false;
    double soundPeakDb = 0.0;
    double length = 0.0;
    double sampleTime = 0.0; // where the pictures are compared: 40 % into the picture's packets
};

constexpr double kSampleFraction = 0.4;

Source readSource(const std::string& path) {
    Source s;
    s.path = path;
    const JsonValue doc = probeJson({"-show_streams"}, path);
    const JsonValue& streams = doc["streams"];
    std::set<int> timed;
    int picture = -1, cover = -1;
    for (size_t i = 0; i < streams.size(); ++i) {
        const JsonValue& st = streams[i];
        const std::string type = st["codec_type"].string();
        const int index = int(st["index"].number());
        const bool attached = st["disposition"]["attached_pic"].number() != 0;
        if (type == "audio" && st["sample_rate"].number() > 0) {
            s.hasSound = true;
            timed.insert(index);
        } else if (type == "video" && attached) {
            if (cover < 0)
                cover = int(i);
        } else if (type == "video") {
            if (picture < 0)
                picture = int(i);
            timed.insert(index);
        }
    }
    s.cover = picture < 0 && cover >= 0;
    const int chosen = picture >= 0 ? picture : cover;
    if (chosen >= 0) {
        const JsonValue& st = streams[size_t(chosen)];
        s.pictureMap = "0:" + std::to_string(int(st["index"].number()));
        s.width = int(st["width"].number());
        s.height = int(st["height"].number());
        s.pixelShape = ratio(st["sample_aspect_ratio"].string(), 1.0);
        s.orientation = orientationOf(displayMatrix(st));
        const double shownWidth = s.width * s.pixelShape, shownHeight = s.height;
        s.shownAspect =
            s.orientation.quarterTurn ? shownHeight / shownWidth : shownWidth / shownHeight;
    }
    const Spans spans = readSpans(path);
    s.length = spans.length(timed);
    s.soundPeakDb = s.hasSound ? soundPeak(path) : 0.0;
    if (!s.cover && chosen >= 0)
        s.sampleTime = spans.at(int(streams[size_t(chosen)]["index"].number()), kSampleFraction);
    return s;
}

// ---- The test --------------------------------------------------------------------------------

// Records one check's result: a failure unless it is a known one.
class Checker {
public:
    Checker(std::string file, std::string family)
        : m_file(std::move(file)), m_family(std::move(family)) {}

    void operator()(const char* check, bool ok, const std::string& detail) {
        const KnownFailure* known = knownFailure(m_file, m_family, check);
        if (ok) {
            if (known)
                std::printf("[ KNOWN  ] %s / %s / %s: passes now; remove its kKnownFailures "
                            "line\n",
                            m_file.c_str(), m_family.c_str(), check);
            return;
        }
        if (known) {
            std::printf("[ KNOWN  ] %s / %s / %s fails as known (%s): %s\n", m_file.c_str(),
                        m_family.c_str(), check, known->why, detail.c_str());
            return;
        }
        ADD_FAILURE() << m_file << " with the " << m_family << " profile: " << check << ": "
                      << detail;
    }

private:
    std::string m_file, m_family;
};

std::string fixed(double value, int decimals = 3) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// GStreamer plays the output whole: decodebin's picture and sound each go to a file of their own
// (every pad linked, so that the pipeline ends), pictures as 8x8 grey frames and sound as 8 kHz
// mono samples; it must give every picture the file holds and its sound's full length.
void checkGStreamer(Checker& check, const std::string& output, const Spans& spans, int video,
                    int audio) {
    const std::string pictures = output + ".gst-video", sound = output + ".gst-audio";
    std::vector<std::string> args = {
        "gst-launch-1.0", "-q", "filesrc", "location=" + output, "!", "decodebin", "name=d"};
    if (video >= 0)
        args.insert(args.end(), {"d.", "!", "video/x-raw", "!", "videoconvert", "!", "videoscale",
                                 "!", "video/x-raw,format=GRAY8,width=8,height=8", "!", "filesink",
                                 "location=" + pictures});
    if (audio >= 0)
        args.insert(args.end(),
                    {"d.", "!", "audio/x-raw", "!", "audioconvert", "!", "audioresample", "!",
                     "audio/x-raw,format=S16LE,channels=1,rate=8000", "!", "filesink",
                     "location=" + sound});
    const auto r = runBounded(args, 60);
    const std::string failure = r.exitCode == 0 ? std::string()
                                                : ", exit code " + std::to_string(r.exitCode) +
                                                      "\n" + (r.out + r.err).substr(0, 600);
    if (video >= 0) {
        const long long frames = std::max(0LL, testmedia::fileSize(pictures)) / 64;
        check("gstreamer", r.exitCode == 0 && frames >= spans.packets(video) - 1,
              "GStreamer decoded " + std::to_string(frames) + " of the " +
                  std::to_string(spans.packets(video)) + " pictures" + failure);
    }
    if (audio >= 0) {
        const double seconds = std::max(0LL, testmedia::fileSize(sound)) / 16000.0;
        const auto it = spans.streams.find(audio);
        const double expected = it == spans.streams.end() ? 0.0 : it->second.end - it->second.first;
        check("gstreamer", r.exitCode == 0 && std::fabs(seconds - expected) <= 0.25,
              "GStreamer decoded " + fixed(seconds) + " s of the sound's " + fixed(expected) +
                  " s" + failure);
    }
}

// The length a full read finds, and sound wherever the source has it.
void checkLengthAndSound(Checker& check, const Source& src, const std::string& output,
                         double length, bool sound) {
    check("length", std::fabs(length - src.length) <= 0.5,
          "a full read finds " + fixed(length) + " s, the source's " + fixed(src.length) + " s");
    if (src.hasSound) {
        // Audible sound stays audible; a narrow-band codec may take some of it (AMR at 8 kHz
        // loses what lies above 4 kHz).
        const double peak = sound ? soundPeak(output) : -1e9;
        const bool audible = src.soundPeakDb < -60.0 || peak > src.soundPeakDb - 20.0;
        check("sound", sound && audible,
              sound ? "the output's peak is " + fixed(peak, 1) + " dB, the source's " +
                          fixed(src.soundPeakDb, 1) + " dB"
                    : "the output has no sound");
    }
}

// The frame: the profile's, or for the original size the source's shown shape; no turn of its own.
void checkFrame(Checker& check, const Source& src, const Profile& profile, const JsonValue& video) {
    const int width = int(video["width"].number()), height = int(video["height"].number());
    const double pixelShape = ratio(video["sample_aspect_ratio"].string(), 1.0);
    const auto matrix = displayMatrix(video);
    check("rotation", orientationOf(matrix).filters.empty() && matrix[0] >= 0 && matrix[4] >= 0,
          "the output carries a display matrix of its own");

    if (profile.width) {
        check("frame", width == profile.width && height == profile.height,
              "the frame is " + std::to_string(width) + "x" + std::to_string(height) +
                  ", the profile's " + std::to_string(profile.width) + "x" +
                  std::to_string(profile.height));
    } else if (src.pictureMap.empty() || src.cover) {
        check("frame", width == 320 && height == 240,
              "a source of sound only gives " + std::to_string(width) + "x" +
                  std::to_string(height) + ", not 320x240");
    } else {
        const double aspect = width * pixelShape / height;
        const double slack = 0.03 + 2.0 / std::min(width, height);
        check("shape", std::fabs(aspect / src.shownAspect - 1.0) <= slack,
              "the frame is shown " + fixed(aspect) + ":1, the source " + fixed(src.shownAspect) +
                  ":1");
    }
}

// The shape: the picture's extent inside any bars, against the same measure of the source put
// where it belongs (so that dark edges of the picture itself count alike). Only where the
// source's picture reaches its own edges can bars be told from it.
void checkShape(Checker& check, const Picture& shown, const Picture& reference, const Box& expected,
                double pixelShape) {
    const Box got = contentBox(shown), want = contentBox(reference);
    const bool edgesShow =
        std::abs(want.x0 - expected.x0) <= 2 && std::abs(want.x1 - expected.x1) <= 2 &&
        std::abs(want.y0 - expected.y0) <= 2 && std::abs(want.y1 - expected.y1) <= 2;
    if (edgesShow && want.width() >= 8 && want.height() >= 8) {
        const double gotAspect = got.height() ? got.width() * pixelShape / got.height() : 0.0;
        const double wantAspect = want.width() * pixelShape / want.height();
        const double slack = 0.03 + 2.0 / std::min(want.width(), want.height());
        check("shape", std::fabs(gotAspect / wantAspect - 1.0) <= slack,
              "the picture inside the frame is " + std::to_string(got.width()) + "x" +
                  std::to_string(got.height()) + " at " + std::to_string(got.x0) + "," +
                  std::to_string(got.y0) + ", the source as shown fills " +
                  std::to_string(want.width()) + "x" + std::to_string(want.height()) + " at " +
                  std::to_string(want.x0) + "," + std::to_string(want.y0));
    }
}

// Orientation: the output's picture is most like the source as shown, not like any turn or
// mirror of it.
void checkOrientation(Checker& check, const Picture& shown, const Picture& reference,
                      const Box& expected) {
    const Thumb mine = thumbOf(shown, expected), theirs = thumbOf(reference, expected);
    if (spread(theirs) < 4.0)
        return; // a flat picture has no up
    std::string scores;
    double asShown = 0, best = -2;
    const char* bestName = "";
    for (const auto& [name, turned] : turnsOf(theirs)) {
        const double c = correlation(mine, turned);
        scores += std::string(scores.empty() ? "" : ", ") + name + " " + fixed(c, 2);
        if (std::strcmp(name, "as shown") == 0)
            asShown = c;
        if (c > best) {
            best = c;
            bestName = name;
        }
    }
    check("orientation", asShown >= 0.6 && asShown >= best - 0.02,
          std::string("the output is most like the source ") + bestName + " (" + scores + ")");
}

// Where the picture lies in the frame: the source as shown, its shape kept, in the middle; the
// output's picture and the source's put there are compared at the same moment.
void checkPicture(Checker& check, const Source& src, const std::string& output, const Spans& spans,
                  const JsonValue& video) {
    const int width = int(video["width"].number()), height = int(video["height"].number());
    const double pixelShape = ratio(video["sample_aspect_ratio"].string(), 1.0);
    const double frameWidth = width * pixelShape, frameHeight = height;
    double boxWidth = frameWidth, boxHeight = frameHeight;
    if (src.shownAspect > frameWidth / frameHeight)
        boxHeight = frameWidth / src.shownAspect;
    else
        boxWidth = frameHeight * src.shownAspect;
    const int pixelsWide = std::clamp(int(std::lround(boxWidth / pixelShape)), 1, width);
    const int pixelsHigh = std::clamp(int(std::lround(boxHeight)), 1, height);
    const Box expected{(width - pixelsWide) / 2, (height - pixelsHigh) / 2,
                       (width - pixelsWide) / 2 + pixelsWide,
                       (height - pixelsHigh) / 2 + pixelsHigh};

    const int videoIndex = int(video["index"].number());
    const Picture shown = pictureOf(output, "0:" + std::to_string(videoIndex),
                                    spans.within(videoIndex, src.sampleTime), "", width, height);
    const Picture reference = pictureOf(
        src.path, src.pictureMap, src.sampleTime,
        src.orientation.filters + "scale=" + std::to_string(pixelsWide) + ":" +
            std::to_string(pixelsHigh) + ":flags=area,setsar=1,pad=" + std::to_string(width) + ":" +
            std::to_string(height) + ":" + std::to_string(expected.x0) + ":" +
            std::to_string(expected.y0) + ":black",
        width, height);
    check("shape", !shown.empty() && !reference.empty(), "no picture could be read back");
    if (shown.empty() || reference.empty())
        return;

    checkShape(check, shown, reference, expected, pixelShape);
    checkOrientation(check, shown, reference, expected);
}

void checkOutput(Checker& check, const Source& src, const Profile& profile,
                 const std::string& output) {
    const JsonValue doc = probeJson({"-show_streams"}, output);
    const JsonValue& streams = doc["streams"];
    const JsonValue* video = nullptr;
    bool sound = false;
    int audioIndex = -1;
    std::set<int> timed;
    for (size_t i = 0; i < streams.size(); ++i) {
        const std::string type = streams[i]["codec_type"].string();
        const int index = int(streams[i]["index"].number());
        if (type == "video" && !video && streams[i]["disposition"]["attached_pic"].number() == 0) {
            video = &streams[i];
            timed.insert(index);
        } else if (type == "audio") {
            if (!sound)
                audioIndex = index;
            sound = true;
            timed.insert(index);
        }
    }

    const Spans spans = readSpans(output);
    const double length = spans.length(timed);
    checkLengthAndSound(check, src, output, length, sound);
    checkGStreamer(check, output, spans, video ? int((*video)["index"].number()) : -1, audioIndex);
    if (!profile.video)
        return;
    check("frame", video != nullptr, "the output has no picture");
    if (!video)
        return;
    checkFrame(check, src, profile, *video);
    if (!src.pictureMap.empty())
        checkPicture(check, src, output, spans, *video);
}

class RealMedia : public ::testing::TestWithParam<Row> {};

TEST_P(RealMedia, ConvertsAsShown) {
    const Row& row = GetParam();
    const std::string path = kCorpus + row.file;
    ASSERT_TRUE(fs::exists(path)) << path;
    const Source src = readSource(path);

    if (row.refusal) {
        EXPECT_FALSE(ffmpegDecodesSomething(path))
            << "the ffmpeg command line converts " << row.file << ", so must movara-convert";
    }

    for (const Profile& profile : kProfiles) {
        SCOPED_TRACE(profile.family);
        Checker check(row.file, profile.family);
        testmedia::ScratchDir out;
        const auto r =
            converttest::runConvert({"--profile", profile.name, "--output", out.path(), path});
        const std::string refusal = !profile.video && !src.hasSound ? "the source has no sound"
                                    : row.refusal                   ? row.refusal
                                                                    : "";
        if (!refusal.empty()) {
            const bool refused = r.exitCode == 1 && fs::is_empty(out.path()) && r.out.empty();
            check("refusal", refused && r.err.find(refusal) != std::string::npos,
                  "expected exit code 1, no output and \"" + refusal + "\"; got exit code " +
                      std::to_string(r.exitCode) + ": " +
                      r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1));
            continue;
        }
        const std::string output = r.out.substr(0, r.out.find('\n'));
        const bool converted = r.exitCode == 0 && !output.empty() && fs::exists(output);
        check("converts", converted,
              "exit code " + std::to_string(r.exitCode) + "\n" + r.err.substr(0, 2000));
        if (converted)
            checkOutput(check, src, profile, output);
    }
}

std::string caseName(const ::testing::TestParamInfo<Row>& info) {
    std::string name = info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RealMedia, ::testing::ValuesIn(kRows), caseName);

// The corpus is what the manifest lists, and small: every file under 2 MB, under 30 MB in all,
// each in the table above and in MANIFEST.md with its origin and licence.
TEST(RealMediaCorpus, EveryFileIsListedAndSmall) {
    std::ifstream in(kCorpus + "MANIFEST.md");
    const std::string manifest((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(manifest.empty());
    std::set<std::string> table;
    for (const Row& row : kRows)
        table.insert(row.file);
    uintmax_t total = 0;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(kCorpus)) {
        const std::string name = entry.path().filename().string();
        if (name == "MANIFEST.md")
            continue;
        ++files;
        total += entry.file_size();
        EXPECT_LT(entry.file_size(), 2u << 20) << name;
        EXPECT_TRUE(table.count(name)) << name << " is not in the test's table";
        EXPECT_NE(manifest.find("| `" + name + "` |"), std::string::npos)
            << name << " is not in MANIFEST.md";
    }
    EXPECT_EQ(files, int(table.size()));
    EXPECT_GE(files, 20);
    EXPECT_LE(files, 40);
    EXPECT_LT(total, 30u << 20);
    for (const KnownFailure& k : kKnownFailures)
        EXPECT_TRUE(table.count(k.file)) << k.file;
}

} // namespace
