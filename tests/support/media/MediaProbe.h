// Reads media files back through the ffprobe and ffmpeg tools: an oracle independent of the
// engine under test.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testmedia {

struct StreamProbe {
    std::string type;     // "video", "audio", ...
    std::string codec;    // codec_name, e.g. "h264", "amr_nb"
    std::string codecTag; // codec_tag_string, e.g. "XVID", "mp4v"
    std::string pixFmt;
    std::string sampleFmt;
    int width = 0, height = 0;
    double frameRate = 0.0; // avg_frame_rate, or r_frame_rate when that is unset
    double rFrameRate = 0.0;
    std::string sampleAspect; // "1:1", "N/A"...
    std::string displayAspect;
    int sampleRate = 0, channels = 0;
    double startTime = 0.0, duration = 0.0;
    int64_t bitRate = 0;
    int64_t frames = 0; // nb_read_frames with countFrames, else nb_frames
};

struct FileProbe {
    bool ok = false;
    std::string error;
    std::string formatName; // format_name as ffprobe reports it, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    double duration = 0.0;
    double startTime = 0.0;
    int64_t size = 0;
    int64_t bitRate = 0;
    std::map<std::string, std::string> tags; // format tags, e.g. major_brand
    std::vector<StreamProbe> streams;

    const StreamProbe* first(const std::string& type) const;
    int count(const std::string& type) const;
};

// ffprobe -show_format -show_streams; countFrames decodes the file to count frames exactly.
FileProbe probe(const std::string& path, bool countFrames = false);

// End time in seconds (last packet's pts + duration) of the first stream of "v" or "a".
double streamEndTime(const std::string& path, const std::string& selector);

// Timestamps (seconds) of the decoded frames of the first stream of "v" or "a".
std::vector<double> frameTimes(const std::string& path, const std::string& selector);

// One decoded picture at `seconds` (0 = first frame), converted to `pixFmt` ("rgb24", "gray")
// at the stream's own size. Empty on failure.
std::vector<uint8_t> grabFrame(const std::string& path, double seconds, const std::string& pixFmt,
                               int* width, int* height);

// Mean of the bytes of `pixels` (channel `channel` of `channels`) inside a rectangle.
double meanOf(const std::vector<uint8_t>& pixels, int width, int channels, int channel, int x0,
              int y0, int x1, int y1);

} // namespace testmedia
