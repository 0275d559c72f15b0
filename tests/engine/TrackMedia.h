// Sources with tags, cover art, several sound tracks and subtitles, made with the ffmpeg tool,
// and the ffprobe/ffmpeg reads that check what an output kept of them. Shared by the engine's
// and movara-convert's tests of tags, tracks and subtitles.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace trackmedia {

// The tags every tagged source carries, under FFmpeg's generic names.
const std::map<std::string, std::string>& sourceTags();

// A 2 s 440 Hz tone with sourceTags() and a 200x200 red JPEG cover, encoded by `audioArgs`
// (e.g. {"-c:a", "libmp3lame"}) into `extension`. `title` replaces the title tag when given.
std::string taggedSound(const std::vector<std::string>& audioArgs, const std::string& extension,
                        const std::string& title = {});

// A 3 s 320x240 Matroska (H.264): sound track 1 a 440 Hz tone "eng", sound track 2 a 1000 Hz tone
// "ger" marked default, subtitle track 1 SRT "eng" (cues "One" 0.5-1.5 s, "Two" 2.0-2.8 s),
// subtitle track 2 ASS "fre" ("Trois" 1.0-2.0 s).
std::string multiTrackMovie();

// A 3 s flat grey picture (`width` x `height` stored, turned by `rotate` degrees as a phone
// stores it, 0 = none) with one text subtitle track "eng" showing a long line from 1.0 to 2.0 s,
// in `container` ("matroska" with SRT, "mp4" with mov_text), and a tone.
std::string greyWithSubtitle(const std::string& container, int width, int height, int rotate);

// ffprobe's flat answer for the streams and tags: "streams.stream.0.codec_name" -> "h264",
// "format.tags.title" -> "T"; tag names lower-cased, quotes dropped.
std::map<std::string, std::string> flatProbe(const std::string& path);
// Format tags with the tags of the sound streams (where Ogg keeps them), lower-case names.
std::map<std::string, std::string> tagsOf(const std::string& path);
// Whether a stream is marked as an attached picture (a cover) in JPEG or PNG.
bool hasCover(const std::string& path);
// Codec names and languages of the subtitle streams, in order.
std::vector<std::string> subtitleCodecs(const std::string& path);
std::vector<std::string> subtitleLanguages(const std::string& path);

struct Cue {
    double start = 0.0, end = 0.0;
    std::string text;
};
// The cues of the output's `n`-th subtitle stream, as SRT decoded by ffmpeg.
std::vector<Cue> cuesOf(const std::string& path, int n = 0);

// The main frequency of the output's first sound stream between `from` and `to` seconds, Hz
// (by zero crossings: enough for one pure tone).
double toneFrequency(const std::string& path, double from, double to);

// Mean absolute difference of the luma of a rectangle (fractions of the picture) between two
// grey pictures of the same size.
double lumaDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width,
                      int height, double x0, double y0, double x1, double y1);
// Mean absolute deviation of a rectangle's luma from `level`.
double lumaDeviation(const std::vector<uint8_t>& grey, int width, int height, double level,
                     double x0, double y0, double x1, double y1);

} // namespace trackmedia
