// What an output keeps of its source besides pictures and sound (tags, cover, creation time),
// which of the source's sound tracks it takes, and its subtitles: kept as soft subtitles where
// the container carries them, or burned into the pictures. Checked with ffprobe and decoded
// output, never with the engine's own readers.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "TrackMedia.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <cstring>

using namespace enginetest;
using trackmedia::Cue;

namespace {

std::vector<tagVeldesTrack> tracksOf(const Timeline& t, int id) {
    tagVeldesTrack* array = nullptr;
    const int count = VeldesGetMediaTracks(t.handle(), id, &array);
    return count > 0 ? std::vector<tagVeldesTrack>(array, array + count)
                     : std::vector<tagVeldesTrack>();
}

const tagVeldesTrack* trackOf(const std::vector<tagVeldesTrack>& tracks, int type, int number) {
    for (const tagVeldesTrack& t : tracks)
        if (t.type == type && t.number == number)
            return &t;
    return nullptr;
}

// The export setting a host makes of the wanted output, with the source's picture and the sound of
// `audioValues` (null: the source's first sound stream).
tagVeldesExportSetting settingFor(const Timeline& t, int id, const OutputSpec& spec,
                                  const int32_t* audioValues = nullptr) {
    tagVeldesExportSetting s;
    std::memset(&s, 0xFF, sizeof s);
    s.videoCodec = spec.videoCodec;
    s.videoBitrate = spec.videoBitrate;
    s.width = spec.width;
    s.height = spec.height;
    s.frameRate = spec.frameRate;
    s.aspect = spec.aspect;
    s.videoQuality = 60;
    s.audioCodec = spec.audioCodec;
    s.audioBitrate = spec.audioBitrate;
    s.sampleRate = spec.sampleRate;
    s.channels = spec.channels;
    s.bitsPerSample = 16;
    s.audioQuality = 60;
    s.videoValues[0] = s.videoValues[1] = 0;
    s.audioValues[0] = s.audioValues[1] = 0;
    tagVeldesStreamInfo* streams = nullptr;
    const int count = VeldesGetMediaInfo(t.handle(), id, &streams);
    for (int i = 0; i < count; ++i) {
        if (streams[i].type == VELDES_STREAM_VIDEO && s.videoValues[0] == 0)
            std::memcpy(s.videoValues, streams[i].videoValues, sizeof s.videoValues);
        if (streams[i].type == VELDES_STREAM_AUDIO && s.audioValues[0] == 0)
            std::memcpy(s.audioValues, streams[i].audioValues, sizeof s.audioValues);
    }
    if (audioValues)
        std::memcpy(s.audioValues, audioValues, sizeof s.audioValues);
    std::strncpy(s.format, spec.format.c_str(), sizeof s.format - 1);
    return s;
}

OutputSpec soundSpec(const std::string& format, int codec, int sampleRate = 44100) {
    OutputSpec spec;
    spec.format = format;
    spec.videoCodec = 0;
    spec.audioCodec = codec;
    spec.sampleRate = sampleRate;
    return spec;
}

// Runs one source (its setting set from `spec`) into `out`; true when it finished.
bool convert(Timeline& t, int id, const OutputSpec& spec, const std::string& out,
             const int32_t* audioValues = nullptr) {
    const tagVeldesExportSetting setting = settingFor(t, id, spec, audioValues);
    if (VeldesSetExportSetting(t.handle(), id, &setting) != 0)
        return false;
    RunRecorder recorder(id);
    return t.runAndWait({id}, exportInfo(spec, out), &recorder) >= 0 && recorder.succeeded();
}

std::vector<uint8_t> greyAt(const std::string& path, double seconds, int* width, int* height) {
    return testmedia::grabFrame(path, seconds, "gray", width, height);
}

} // namespace

// The tags of an MP3 with ID3 and a cover go into every container that can hold them, the cover
// where the container keeps one: MP3 (APIC), M4A and MP4 (covr), FLAC (PICTURE), Ogg (a
// METADATA_BLOCK_PICTURE comment), Matroska audio (an attachment), AIFF (an ID3 chunk).
TEST(EngineTracks, TagsAndCoverGoIntoEveryContainerThatHoldsThem) {
    struct Case {
        const char* name;
        OutputSpec spec;
        const char* file;
        bool cover;
    };
    OutputSpec mp4;
    const Case cases[] = {
        {"mp3", soundSpec("mp3", VELDES_ACODEC_MP3), "o.mp3", true},
        {"m4a", soundSpec("m4a", VELDES_ACODEC_AAC), "o.m4a", true},
        {"flac", soundSpec("flac", VELDES_ACODEC_FLAC), "o.flac", true},
        {"ogg", soundSpec("ogg", VELDES_ACODEC_VORBIS), "o.ogg", true},
        {"mka", soundSpec("mka", VELDES_ACODEC_AAC), "o.mka", true},
        {"aiff", soundSpec("aiff", VELDES_ACODEC_PCM_S16BE), "o.aiff", true},
        {"mp4 with pictures", mp4, "o.mp4", true},
        {"wav", soundSpec("wav", VELDES_ACODEC_PCM_S16LE), "o.wav", false},
    };
    for (const char* source : {"mp3", "m4a", "flac"}) {
        const std::string path =
            std::string(source) == "mp3"
                ? trackmedia::taggedSound({"-c:a", "libmp3lame"}, "mp3")
                : std::string(source) == "m4a" ? trackmedia::taggedSound({"-c:a", "aac"}, "m4a")
                                               : trackmedia::taggedSound({"-c:a", "flac"}, "flac");
        ASSERT_FALSE(path.empty()) << source;
        ASSERT_TRUE(trackmedia::hasCover(path)) << source;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(source) + " into " + c.name);
            testmedia::ScratchDir dir;
            Timeline t;
            const int id = t.add(path);
            ASSERT_GE(id, 0);
            const std::string out = dir.file(c.file);
            ASSERT_TRUE(convert(t, id, c.spec, out));
            const auto tags = trackmedia::tagsOf(out);
            // WAV's INFO list has no place for every tag: its title and artist at least.
            for (const auto& [key, value] : trackmedia::sourceTags()) {
                if (std::string(c.name) == "wav" && key != "title" && key != "artist")
                    continue;
                auto found = tags.find(key);
                ASSERT_NE(found, tags.end()) << key;
                EXPECT_EQ(found->second, value) << key;
            }
            EXPECT_EQ(trackmedia::hasCover(out), c.cover);
            // The output plays: its sound is there whole.
            EXPECT_NEAR(testmedia::probe(out).duration, 2.0, 0.2);
        }
    }
}

// A video keeps the time it was recorded; a merge is named, tagged and covered by its first part.
TEST(EngineTracks, VideosKeepTheirCreationTimeAndAMergeTakesTheFirstItemsTags) {
    const std::string clip = testmedia::generateWith(
        {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=1", "-f", "lavfi", "-i", "sine=d=1",
         "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-metadata",
         "creation_time=2021-05-04T03:02:01.000000Z", "-metadata", "title=Holiday", "{out}"},
        "mp4");
    ASSERT_FALSE(clip.empty());
    for (const char* format : {"mp4", "mov", "3gp", "matroska"}) {
        SCOPED_TRACE(format);
        testmedia::ScratchDir dir;
        Timeline t;
        const int id = t.add(clip);
        OutputSpec spec;
        spec.format = format;
        if (std::string(format) == "3gp") {
            spec.videoCodec = VELDES_VCODEC_H263;
            spec.width = 176;
            spec.height = 144;
            spec.audioCodec = VELDES_ACODEC_AMR_NB;
            spec.sampleRate = 8000;
            spec.channels = 1;
            spec.audioBitrate = 12200;
        }
        const std::string out = dir.file(std::string("o.") + format);
        ASSERT_TRUE(convert(t, id, spec, out));
        const auto tags = trackmedia::tagsOf(out);
        ASSERT_TRUE(tags.count("creation_time"));
        EXPECT_EQ(tags.at("creation_time").substr(0, 19), "2021-05-04T03:02:01");
        if (std::string(format) != "3gp") { // FFmpeg reads no 3GPP title back
            EXPECT_EQ(tags.count("title") ? tags.at("title") : "", "Holiday");
        }
    }

    const std::string first = trackmedia::taggedSound({"-c:a", "libmp3lame"}, "mp3", "First");
    const std::string second = trackmedia::taggedSound({"-c:a", "libmp3lame"}, "mp3", "Second");
    ASSERT_FALSE(first.empty() || second.empty());
    testmedia::ScratchDir dir;
    Timeline t;
    const int a = t.add(second), b = t.add(first);
    const OutputSpec spec = soundSpec("mp3", VELDES_ACODEC_MP3);
    for (int id : {a, b}) {
        const tagVeldesExportSetting setting = settingFor(t, id, spec);
        ASSERT_EQ(VeldesSetExportSetting(t.handle(), id, &setting), 0);
    }
    const std::string out = dir.file("merged.mp3");
    RunRecorder recorder(b);
    ASSERT_GE(t.runAndWait({a, b}, exportInfo(spec, out), &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());
    EXPECT_EQ(trackmedia::tagsOf(out)["title"], "Second");
    EXPECT_TRUE(trackmedia::hasCover(out));
    EXPECT_NEAR(testmedia::probe(out).duration, 4.0, 0.2);
}

// The tracks a person chooses between, with language and coding; the chosen sound is the one
// heard, and the size estimate follows the choice.
TEST(EngineTracks, TheChosenSoundTrackIsTheOneHeard) {
    const std::string movie = trackmedia::multiTrackMovie();
    ASSERT_FALSE(movie.empty());
    Timeline t;
    const int id = t.add(movie);
    ASSERT_GE(id, 0);
    const std::vector<tagVeldesTrack> tracks = tracksOf(t, id);
    ASSERT_EQ(tracks.size(), 4u);
    const tagVeldesTrack* eng = trackOf(tracks, VELDES_STREAM_AUDIO, 1);
    const tagVeldesTrack* ger = trackOf(tracks, VELDES_STREAM_AUDIO, 2);
    const tagVeldesTrack* srt = trackOf(tracks, VELDES_STREAM_SUBTITLE, 1);
    const tagVeldesTrack* ass = trackOf(tracks, VELDES_STREAM_SUBTITLE, 2);
    ASSERT_TRUE(eng && ger && srt && ass);
    EXPECT_STREQ(eng->language, "eng");
    EXPECT_STREQ(eng->codec, "aac");
    EXPECT_EQ(eng->channels, 1);
    EXPECT_EQ(eng->sampleRate, 48000);
    EXPECT_FALSE(eng->flags & VELDES_TRACK_DEFAULT);
    EXPECT_STREQ(ger->language, "ger");
    EXPECT_TRUE(ger->flags & VELDES_TRACK_DEFAULT);
    EXPECT_STREQ(srt->codec, "subrip");
    EXPECT_TRUE(srt->flags & VELDES_TRACK_TEXT);
    EXPECT_STREQ(ass->language, "fre");
    EXPECT_STREQ(ass->codec, "ass");

    testmedia::ScratchDir dir;
    for (const tagVeldesTrack* chosen : {eng, ger}) {
        SCOPED_TRACE(chosen->language);
        const std::string out = dir.file(std::string(chosen->language) + ".mp4");
        ASSERT_TRUE(convert(t, id, OutputSpec{}, out, chosen->values));
        const double hz = trackmedia::toneFrequency(out, 0.5, 2.5);
        EXPECT_NEAR(hz, chosen == eng ? 440.0 : 1000.0, 30.0);
        EXPECT_EQ(testmedia::probe(out).count("audio"), 1);
    }

    // The estimate is measured for the chosen track too.
    const tagVeldesExportSetting setting = settingFor(t, id, OutputSpec{}, eng->values);
    ASSERT_EQ(VeldesSetExportSetting(t.handle(), id, &setting), 0);
    ASSERT_EQ(VeldesSetMediaSubtitles(t.handle(), id, 1), 0);
    int64_t bytes = 0;
    EXPECT_EQ(measuredSize(t.handle(), id, &bytes), 2);
    EXPECT_GT(bytes, 10000);
    EXPECT_LT(VeldesSetMediaSubtitles(t.handle(), id, 3), 0) << "no third subtitle track";
}

// Text subtitles stay switchable where the container carries them: mov_text in MP4, MOV and
// 3GP, SRT and ASS as they are in Matroska; placed on the clip and cut to it; a burned track is
// not kept besides.
TEST(EngineTracks, TextSubtitlesAreKeptAsSoftSubtitles) {
    const std::string movie = trackmedia::multiTrackMovie();
    ASSERT_FALSE(movie.empty());
    struct Case {
        const char* format;
        std::vector<std::string> codecs;
    };
    for (const Case& c : {Case{"mp4", {"mov_text", "mov_text"}}, Case{"mov", {"mov_text", "mov_text"}},
                          Case{"matroska", {"subrip", "ass"}}, Case{"avi", {}}}) {
        SCOPED_TRACE(c.format);
        testmedia::ScratchDir dir;
        Timeline t;
        const int id = t.add(movie);
        ASSERT_EQ(VeldesSetMediaBeginPos(t.handle(), id, 1000), 0);
        OutputSpec spec;
        spec.format = c.format;
        if (std::string(c.format) == "avi") {
            spec.videoCodec = VELDES_VCODEC_MPEG4;
            spec.audioCodec = VELDES_ACODEC_MP3;
        }
        const std::string out = dir.file(std::string("o.") + c.format);
        ASSERT_TRUE(convert(t, id, spec, out));
        EXPECT_EQ(trackmedia::subtitleCodecs(out), c.codecs);
        if (c.codecs.empty())
            continue;
        // MOV's language table has "fra" for Matroska's "fre".
        const bool mov = std::string(c.format) == "mov";
        EXPECT_EQ(trackmedia::subtitleLanguages(out),
                  (std::vector<std::string>{"eng", mov ? "fra" : "fre"}));
        // The clip begins 1 s in: "One" (0.5-1.5 s) is cut to its first half second, "Two"
        // comes 1 s earlier (times as the source's muxer placed them). Matroska's muxer moves
        // every stream by the sound encoder's priming, as far as the pictures start later.
        const testmedia::FileProbe probe = testmedia::probe(out);
        ASSERT_TRUE(probe.first("video"));
        const double shift = probe.first("video")->startTime - 1.0;
        const std::vector<Cue> source = trackmedia::cuesOf(movie, 0);
        const std::vector<Cue> cues = trackmedia::cuesOf(out, 0);
        ASSERT_EQ(source.size(), 2u);
        ASSERT_EQ(cues.size(), 2u);
        EXPECT_EQ(cues[0].text, "One");
        EXPECT_NEAR(cues[0].start, shift + 1.0, 0.01);
        EXPECT_NEAR(cues[0].end, source[0].end + shift, 0.01);
        EXPECT_EQ(cues[1].text, "Two");
        EXPECT_NEAR(cues[1].start, source[1].start + shift, 0.01);
        EXPECT_NEAR(cues[1].end, source[1].end + shift, 0.01);
        const std::vector<Cue> french = trackmedia::cuesOf(out, 1);
        const std::vector<Cue> sourceFrench = trackmedia::cuesOf(movie, 1);
        ASSERT_EQ(french.size(), 1u);
        ASSERT_EQ(sourceFrench.size(), 1u);
        // The ASS style (font, size, colour) goes along: in mov_text's own style record.
        EXPECT_NE(french[0].text.find("Trois"), std::string::npos);
        EXPECT_NE(french[0].text.find("#ffff00"), std::string::npos);
        EXPECT_NEAR(french[0].start, sourceFrench[0].start + shift, 0.01);
        EXPECT_NEAR(french[0].end, sourceFrench[0].end + shift, 0.01);
        // Burning the first track keeps only the other one switchable.
        ASSERT_EQ(VeldesSetMediaSubtitles(t.handle(), id, 1), 0);
        const std::string burned = dir.file(std::string("burned.") + c.format);
        ASSERT_TRUE(convert(t, id, spec, burned));
        EXPECT_EQ(trackmedia::subtitleLanguages(burned),
                  (std::vector<std::string>{mov ? "fra" : "fre"}));
    }
}

// A burned text line changes the picture while it is shown and nowhere else, at the bottom of
// the picture as it is shown: a phone clip stored turned gets it at the bottom of the upright
// picture, not along a side.
TEST(EngineTracks, BurnedTextLandsOnThePictureAsShownWhileItIsShown) {
    struct Case {
        const char* name;
        std::string source;
        int width, height; // of the output: the upright picture's own size
    };
    const Case cases[] = {
        {"srt in mkv", trackmedia::greyWithSubtitle("matroska", 320, 240, 0), 320, 240},
        {"mov_text in a turned mp4", trackmedia::greyWithSubtitle("mp4", 320, 240, 90), 240, 320},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.source.empty());
        testmedia::ScratchDir dir;
        Timeline t;
        const int id = t.add(c.source);
        ASSERT_GE(id, 0);
        ASSERT_EQ(VeldesSetMediaSubtitles(t.handle(), id, 1), 0);
        OutputSpec spec;
        spec.width = c.width;
        spec.height = c.height;
        spec.aspect = double(c.width) / c.height;
        const std::string out = dir.file("burned.mp4");
        ASSERT_TRUE(convert(t, id, spec, out));
        EXPECT_TRUE(trackmedia::subtitleCodecs(out).empty()) << "burned, not kept besides";
        int w = 0, h = 0;
        for (double at : {0.5, 1.5, 2.5}) {
            SCOPED_TRACE(at);
            const std::vector<uint8_t> grey = greyAt(out, at, &w, &h);
            ASSERT_FALSE(grey.empty());
            ASSERT_EQ(w, c.width);
            ASSERT_EQ(h, c.height);
            const double level = testmedia::meanOf(grey, w, 1, 0, 0, 0, w, h / 4);
            const double bottom = trackmedia::lumaDeviation(grey, w, h, level, 0.1, 0.8, 0.9, 1.0);
            const double side = trackmedia::lumaDeviation(grey, w, h, level, 0.85, 0.0, 1.0, 0.75);
            if (at == 1.5) {
                EXPECT_GT(bottom, 4.0);
            } else {
                EXPECT_LT(bottom, 1.0);
            }
            EXPECT_LT(side, 1.0);
        }
    }
}

namespace {

// A grey Matroska with a DVD subtitle track (pictures): a solid white box at 100,180 of 120x30
// from 1.0 to 2.0 s. Made here with FFmpeg's DVD subtitle encoder, which the ffmpeg tool cannot
// feed from text.
std::string dvdSubtitled(const std::string& folder) {
    const std::string grey = testmedia::generateWith(
        {"-f", "lavfi", "-i", "color=c=gray:s=320x240:r=25:d=3", "-c:v", "libx264", "-pix_fmt",
         "yuv420p", "{out}"},
        "mkv");
    if (grey.empty())
        return {};
    const std::string path = folder + "/dvdsub.mkv";
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, grey.c_str(), nullptr, nullptr) < 0)
        return {};
    avformat_find_stream_info(in, nullptr);
    AVFormatContext* out = nullptr;
    avformat_alloc_output_context2(&out, nullptr, "matroska", path.c_str());
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->width = 320;
    enc->height = 240;
    enc->time_base = {1, 1000};
    bool ok = out && avcodec_open2(enc, codec, nullptr) >= 0;
    AVStream* video = ok ? avformat_new_stream(out, nullptr) : nullptr;
    AVStream* subs = ok ? avformat_new_stream(out, nullptr) : nullptr;
    ok = video && subs && avcodec_parameters_copy(video->codecpar, in->streams[0]->codecpar) >= 0 &&
         avcodec_parameters_from_context(subs->codecpar, enc) >= 0;
    if (ok) {
        video->codecpar->codec_tag = 0;
        video->time_base = in->streams[0]->time_base;
        subs->time_base = {1, 1000};
        ok = avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
             avformat_write_header(out, nullptr) >= 0;
    }
    // The subtitle: indexes into a palette of transparent and opaque white.
    std::vector<uint8_t> indexes(120 * 30, 1);
    uint32_t palette[4] = {0x00000000, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
    AVSubtitleRect rect{};
    rect.type = SUBTITLE_BITMAP;
    rect.x = 100;
    rect.y = 180;
    rect.w = 120;
    rect.h = 30;
    rect.nb_colors = 4;
    rect.data[0] = indexes.data();
    rect.linesize[0] = 120;
    rect.data[1] = reinterpret_cast<uint8_t*>(palette);
    AVSubtitleRect* rects[1] = {&rect};
    AVSubtitle subtitle{};
    subtitle.num_rects = 1;
    subtitle.rects = rects;
    subtitle.start_display_time = 0;
    subtitle.end_display_time = 1000;
    subtitle.pts = 1 * AV_TIME_BASE;
    std::vector<uint8_t> buffer(1 << 16);
    const int size = ok ? avcodec_encode_subtitle(enc, buffer.data(), int(buffer.size()), &subtitle)
                        : -1;
    AVPacket* packet = av_packet_alloc();
    bool subtitleWritten = false;
    while (ok && av_read_frame(in, packet) >= 0) {
        if (packet->stream_index == 0) {
            if (!subtitleWritten && packet->pts != AV_NOPTS_VALUE &&
                av_rescale_q(packet->pts, in->streams[0]->time_base, {1, 1000}) >= 1000 && size > 0) {
                AVPacket* sub = av_packet_alloc();
                av_new_packet(sub, size);
                std::memcpy(sub->data, buffer.data(), size_t(size));
                sub->pts = sub->dts = 1000;
                sub->duration = 1000;
                sub->stream_index = 1;
                ok = av_interleaved_write_frame(out, sub) >= 0;
                av_packet_free(&sub);
                subtitleWritten = true;
            }
            av_packet_rescale_ts(packet, in->streams[0]->time_base, video->time_base);
            packet->stream_index = 0;
            ok = ok && av_interleaved_write_frame(out, packet) >= 0;
        }
        av_packet_unref(packet);
    }
    ok = ok && subtitleWritten && av_write_trailer(out) >= 0;
    av_packet_free(&packet);
    avcodec_free_context(&enc);
    if (out && out->pb)
        avio_closep(&out->pb);
    avformat_free_context(out);
    avformat_close_input(&in);
    return ok ? path : std::string();
}

} // namespace

// A picture subtitle (DVD) is drawn over the picture while it is shown, at its place.
TEST(EngineTracks, BurnedPictureSubtitlesShowAtTheirPlaceWhileShown) {
    testmedia::ScratchDir dir;
    const std::string source = dvdSubtitled(dir.path());
    ASSERT_FALSE(source.empty());
    Timeline t;
    const int id = t.add(source);
    ASSERT_GE(id, 0);
    const std::vector<tagVeldesTrack> tracks = tracksOf(t, id);
    const tagVeldesTrack* dvd = trackOf(tracks, VELDES_STREAM_SUBTITLE, 1);
    ASSERT_TRUE(dvd);
    EXPECT_TRUE(dvd->flags & VELDES_TRACK_BITMAP);
    EXPECT_STREQ(dvd->codec, "dvd_subtitle");
    ASSERT_EQ(VeldesSetMediaSubtitles(t.handle(), id, 1), 0);
    OutputSpec spec;
    spec.audioCodec = 0;
    const std::string out = dir.file("burned.mp4");
    ASSERT_TRUE(convert(t, id, spec, out));
    int w = 0, h = 0;
    for (double at : {0.5, 1.5, 2.5}) {
        SCOPED_TRACE(at);
        const std::vector<uint8_t> grey = greyAt(out, at, &w, &h);
        ASSERT_EQ(w, 320);
        const double box = testmedia::meanOf(grey, w, 1, 0, 110, 185, 210, 205);
        const double around = testmedia::meanOf(grey, w, 1, 0, 0, 0, 320, 150);
        if (at == 1.5)
            EXPECT_GT(box, around + 60.0);
        else
            EXPECT_NEAR(box, around, 3.0);
    }
}
