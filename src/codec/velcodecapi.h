// The timeline interface of the codec engine: every function, record, id and event field the
// rest of Movara relies on. Any engine that keeps these promises can stand behind it; `engine`
// (FFmpeg) and the tests' `velcodec_fake` both do.
//
// Records are plain structs in a fixed field order. Nothing depends on byte offsets, and the
// engine copies every string it is given: a caller may free or reuse its buffers as soon as a
// call returns.
#ifndef VELCODECAPI_H
#define VELCODECAPI_H

#include <stdint.h>

#include "velhost.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void* VeldesTimeline;

// Longest output path a run accepts, terminating zero included (this platform's PATH_MAX).
#define VELDES_MAX_PATH 4096

// Stream types of tagVeldesStreamInfo::type (audio and video only) and tagVeldesTrack::type.
enum { VELDES_STREAM_AUDIO = 1, VELDES_STREAM_VIDEO = 2, VELDES_STREAM_SUBTITLE = 3 };

// Engine video codec ids (0 = no video).
enum {
    VELDES_VCODEC_NONE = 0,
    VELDES_VCODEC_MPEG1 = 1,
    VELDES_VCODEC_MPEG2 = 2,
    VELDES_VCODEC_H263 = 5,
    VELDES_VCODEC_MJPEG = 8,
    VELDES_VCODEC_MPEG4 = 13,
    VELDES_VCODEC_MSMPEG4V2 = 16,
    VELDES_VCODEC_MSMPEG4V3 = 17,
    VELDES_VCODEC_WMV1 = 18,
    VELDES_VCODEC_WMV2 = 19,
    VELDES_VCODEC_FLV1 = 20,
    VELDES_VCODEC_DVVIDEO = 25,
    VELDES_VCODEC_H264 = 28,
    VELDES_VCODEC_XVID = 63,
    VELDES_VCODEC_RMVB = 72,
    VELDES_VCODEC_WMV3 = 74,
    VELDES_VCODEC_RAW_RGBA32 = 0x200000,
    VELDES_VCODEC_RAW_BGR24 = 0x200001,
    VELDES_VCODEC_RAW_RGB555 = 0x200002,
    VELDES_VCODEC_RAW_YUY2 = 0x200003,
    VELDES_VCODEC_RAW_UYVY = 0x200004
};

// Engine audio codec ids (0 = no audio).
enum {
    VELDES_ACODEC_NONE = 0,
    VELDES_ACODEC_PCM_S16LE = 0x10000,
    VELDES_ACODEC_PCM_S16BE = 0x10001,
    VELDES_ACODEC_AMR_NB = 0x12000,
    VELDES_ACODEC_RA = 0x13001,
    VELDES_ACODEC_MP2 = 0x15000,
    VELDES_ACODEC_MP3 = 0x15001,
    VELDES_ACODEC_AAC = 0x15002,
    VELDES_ACODEC_AC3 = 0x15003,
    VELDES_ACODEC_VORBIS = 0x15005,
    VELDES_ACODEC_WMA = 0x15008,
    VELDES_ACODEC_FLAC = 0x1500E
};

// Filter ids of VeldesAddFilter (0 to 3) and VeldesAddWatermark (4, 5).
typedef enum tagVeldesFilterID {
    VELDES_FILTER_CROP = 0,
    VELDES_FILTER_CROP_SCALE = 1,
    VELDES_FILTER_FLIP = 2,
    VELDES_FILTER_COLOR = 3,
    VELDES_FILTER_WATERMARK_IMAGE = 4,
    VELDES_FILTER_WATERMARK_TEXT = 5
} tagVeldesFilterID;

// Style bits of a text watermark.
enum { VELDES_TEXT_BOLD = 1, VELDES_TEXT_ITALIC = 2, VELDES_TEXT_UNDERLINE = 8 };

// Kinds of edit (preview and snapshot) events, and the position sub-kinds that end a preview.
enum {
    VELDES_EVENT_POSITION = 0,
    VELDES_EVENT_SNAPSHOT = 4,
    VELDES_EVENT_ESTIMATE = 6, // a measured size: mediaId, status, position = bytes
    VELDES_EVENT_LOUDNESS = 7, // a measured loudness: mediaId, status
    VELDES_SUBKIND_END = 5,
    VELDES_SUBKIND_END_ERROR = 7
};

// Input of VeldesAddMedia2; the caller zero-fills it.
typedef struct tagVeldesTrackInfo {
    int32_t option; // always 1
    uint8_t reserved[28];
    const char* path; // file path or device path (GenDevicePath)
    uint8_t enableDirectShow;
    uint8_t enableQuickTime;
} tagVeldesTrackInfo;

// One stream of a source, as VeldesGetMediaInfo reports it.
typedef struct tagVeldesStreamInfo {
    int32_t type; // VELDES_STREAM_AUDIO, VELDES_STREAM_VIDEO, anything else is ignored
    int32_t bitRate; // bits per second, 0 = not reported
    int32_t width; // video
    int32_t height; // video
    double frameRate; // video, 0 or less = not reported
    int32_t sampleRate; // audio, Hz
    int32_t channels; // audio
    int32_t audioValues[2]; // copied unchanged into tagVeldesExportSetting::audioValues
    int32_t videoValues[2]; // copied unchanged into tagVeldesExportSetting::videoValues
} tagVeldesStreamInfo;

// Bits of tagVeldesTrack::flags.
enum {
    VELDES_TRACK_DEFAULT = 1, // the file marks it as the one to play
    VELDES_TRACK_FORCED = 2,  // subtitles: only the forced (foreign-language) lines
    VELDES_TRACK_TEXT = 4,    // subtitles: text (SRT, ASS, mov_text, WebVTT); kept or burned
    VELDES_TRACK_BITMAP = 8   // subtitles: pictures (DVD, PGS, DVB); can be burned
};

// One sound or subtitle track of a source, as VeldesGetMediaTracks lists it: what a person
// chooses between. Strings are zero-terminated (cut to fit).
typedef struct tagVeldesTrack {
    int32_t type;       // VELDES_STREAM_AUDIO or VELDES_STREAM_SUBTITLE
    int32_t number;     // 1, 2, ... among the source's tracks of its type, in file order
    int32_t flags;      // VELDES_TRACK_* bits
    int32_t channels;   // sound
    int32_t sampleRate; // sound, Hz
    // Sound: the audioValues of the stream's tagVeldesStreamInfo record (the choice of this
    // track in an export setting); subtitles: the file's stream index + 1.
    int32_t values[2];
    char language[16]; // as the file tags it (mostly ISO 639-2: "eng"); empty when untagged
    char codec[32];    // the codec's short name: "aac", "ac3", "subrip", "hdmv_pgs_subtitle"
    char title[128];   // the track's own name; empty when it has none
} tagVeldesTrack;

// Input of VeldesSetExportSetting: what one source will be encoded into. The caller fills the
// whole record with 0xFF bytes first, then every field.
typedef struct tagVeldesExportSetting {
    int32_t videoCodec; // engine id, 0 = no video
    int32_t videoBitrate; // bits per second
    int32_t width; // even
    int32_t height; // even
    double frameRate;
    double aspect; // display aspect ratio
    int32_t videoValues[2]; // from the video stream, 0 without one
    int32_t videoQuality; // 0..100
    int32_t audioCodec; // engine id, 0 = no audio
    int32_t audioBitrate; // bits per second
    int32_t sampleRate; // Hz
    int32_t channels; // 1 or 2
    int32_t bitsPerSample; // always 16
    int32_t audioValues[2]; // from the audio stream, 0 without one
    int32_t audioQuality; // 0..100
    char format[16]; // engine format name, zero-terminated
    char extension[8]; // file extension without dot, zero-terminated
} tagVeldesExportSetting;

// Both callbacks take the event and the user value they were registered with and return 0.
// They are called on a thread of the engine.
struct tagVeldesEvent;
typedef int (*VeldesEventCallback)(struct tagVeldesEvent* event, void* user);

// Input of VeldesRun: the output of one run. The caller zero-fills it.
typedef struct tagVeldesExportInfo {
    void* user; // passed back to the callback
    VeldesEventCallback callback; // progress of the run
    int32_t videoCodec;
    int32_t videoBitrate;
    int32_t width;
    int32_t height;
    double frameRate;
    double aspect;
    int32_t reserved1[2];
    int32_t audioCodec;
    int32_t audioBitrate;
    int32_t sampleRate;
    int32_t channels;
    int32_t bitsPerSample;
    int32_t reserved2[2];
    char format[16]; // engine format name
    char outputPath[VELDES_MAX_PATH]; // full output path
    VeldesWindow previewWindow; // the preview surface, or 0
    // 1: the finished output replaces a file of that name. 0: an existing file is never
    // replaced; when the name is taken by the time the output is complete, the output takes the
    // next free name by the output naming rule (the final event tells which).
    int32_t replaceExisting;
} tagVeldesExportInfo;

// Input of VeldesEditBegin. The caller zero-fills it.
typedef struct tagVeldesEditInfo {
    int32_t reserved0;
    int32_t mediaId;
    double aspect; // display aspect, 4/3
    uint8_t reserved[16];
    VeldesWindow window; // preview surface or 0
    VeldesWindow window2; // the same
    VeldesEventCallback callback; // preview events, or 0
    void* user; // user value of the callback, or 0
} tagVeldesEditInfo;

// Input of VeldesAddFilter and VeldesAddWatermark; the filter applies to the media of the edit
// that is open. Only the fields of the given id are read; the caller zero-fills the rest.
typedef struct tagVeldesFilterInfo {
    int32_t id; // tagVeldesFilterID
    // VELDES_FILTER_CROP: the crop rectangle in source pixels.
    double left, top, right, bottom;
    // VELDES_FILTER_CROP_SCALE.
    int32_t scaleEnabled; // 1
    int32_t sourceWidth, sourceHeight; // of the video stream
    int32_t cropWidth, cropHeight; // right - left and bottom - top, lowest bit cleared
    // VELDES_FILTER_FLIP: bit 0 horizontal, bit 1 vertical.
    int32_t flip;
    // VELDES_FILTER_COLOR: each -100..100.
    int32_t brightness, contrast, saturation;
    // Watermarks (image and text).
    int32_t x, y, width, height;
    int32_t alpha; // 0 transparent .. 255 opaque
    const char* imagePath; // VELDES_FILTER_WATERMARK_IMAGE
    const char* text; // VELDES_FILTER_WATERMARK_TEXT
    const char* fontName;
    int32_t fontSize;
    int32_t style; // VELDES_TEXT_* bits
    uint8_t red, green, blue, zero;
} tagVeldesFilterInfo;

// What the callbacks receive. An export progress event fills mediaId, progress, elapsed and
// status; an edit event fills kind and, by kind, subKind and position (VELDES_EVENT_POSITION) or
// pixels, width and height (VELDES_EVENT_SNAPSHOT: 32-bit pixels, valid during the call).
typedef struct tagVeldesEvent {
    int32_t mediaId; // export: the reporting source
    int32_t progress; // export: 0..10000 of the source's clip
    int64_t elapsed; // export: seconds
    int64_t status; // export: negative = the run failed
    int32_t kind; // edit: VELDES_EVENT_*
    int32_t subKind; // edit, position events
    int64_t position; // edit, position events: milliseconds
    void* pixels; // edit, snapshot events
    int32_t width, height; // edit, snapshot events
    // Export, the last event of a run (valid during the call, may be 0): on success the path the
    // output got, on failure what went wrong, in words.
    const char* outputPath;
    const char* message;
} tagVeldesEvent;

// --- The renderer: how the engine presents pictures in a preview window -----------------------
// Both messages are sent with VelSendMessage from an engine thread and wait for the handler.

// wParam: video width, lParam: video height. The window rebuilds its display objects for frames
// of that size.
#define VELDES_MSG_VIDEO_SIZE 3036
// lParam: tagVeldesRenderRequest*. The window answers -4 when the pointer is null, else 0.
#define VELDES_MSG_RENDER 1426

// Types of a render request.
enum {
    VELDES_RENDER_STORE_INTS = 0,   // keep slot1 (low 32 bits) and value as two integers
    VELDES_RENDER_REPAINT = 1,      // repaint the whole window
    VELDES_RENDER_STORE_SCALES = 2, // keep the two slots as two doubles
    VELDES_RENDER_STORE_THIRD = 4,  // value < 0: clear the third integer and repaint; else keep it
    VELDES_RENDER_PRESENT = 5,      // value: const tagVeldesFrame*, or 0 (then just repaint)
    VELDES_RENDER_CLIENT_SIZE = 7,  // slots point to two int32_t: client width and height, even
    VELDES_RENDER_GET_SCALES = 8    // slots point to two doubles (each may be null): the kept ones
};

// What message 1426 carries. A slot holds a double (its bits), an integer or a pointer, by type.
typedef struct tagVeldesRenderRequest {
    int32_t type;
    intptr_t value;
    int64_t slot1;
    int64_t slot2;
} tagVeldesRenderRequest;

// One planar 4:2:0 picture to present (Y, U, V), valid while the message is being handled.
typedef struct tagVeldesFrame {
    int32_t width, height;
    int64_t positionMs; // position of the picture in its media
    int32_t reserved;
    const uint8_t* planes[3];
    int32_t pitches[3];
} tagVeldesFrame;

VeldesTimeline CreateTimeline(int option);
int DestroyTimeline(VeldesTimeline timeline);

// Media ids are never reused; calls with unknown or removed ids do nothing and fail.
int VeldesAddMedia2(VeldesTimeline timeline, const tagVeldesTrackInfo* track, void* reserved,
                    int reserved2);
int VeldesRemoveMedia(VeldesTimeline timeline, int mediaId);
// The array stays valid until the next call for that media; the caller never frees it.
int VeldesGetMediaInfo(VeldesTimeline timeline, int mediaId, tagVeldesStreamInfo** streams);
int VeldesGetMediaDuration(VeldesTimeline timeline, int mediaId, int64_t* durationMs);
// The sound and subtitle tracks of a media, sound first, each type in file order; returns their
// count. The array stays valid as long as the media; the caller never frees it.
int VeldesGetMediaTracks(VeldesTimeline timeline, int mediaId, tagVeldesTrack** tracks);
// The subtitles of a media in runs and size measurements. `burn`: the number of a subtitle track
// (tagVeldesTrack::number) drawn into the pictures, text or bitmap, after the picture is turned
// upright and cropped, before it is scaled; 0 = none. The media's other text subtitle tracks
// (all of them without a burned one) go into every output with pictures whose container carries
// them: MP4, M4V, MOV, 3GP, 3G2 as mov_text; Matroska as they are (SRT, ASS, WebVTT), mov_text
// as SRT. 0, or -1 for an unknown media or track.
int VeldesSetMediaSubtitles(VeldesTimeline timeline, int mediaId, int burn);
int VeldesSetExportSetting(VeldesTimeline timeline, int mediaId,
                           const tagVeldesExportSetting* setting);
int VeldesSetMediaBeginPos(VeldesTimeline timeline, int mediaId, int64_t positionMs);
int VeldesSetMediaStopPos(VeldesTimeline timeline, int mediaId, int64_t positionMs);
// The output size of the media's clip with its export setting and edits: 2 when *bytes is a
// measured figure still valid for them, 1 when it is computed from the stream facts (instant),
// negative (*bytes -1) when a measurement found that the clip cannot be encoded (its pictures
// or sound do not decode): there is no size to tell.
int VeldesGetMediaEncodedSize(VeldesTimeline timeline, int mediaId, int64_t* bytes);
// Asks for a measured figure: the clip, or samples spread over it, are encoded in the
// background, at low priority; none starts while a run converts. Returns 0 when queued; the
// callback then gets one VELDES_EVENT_ESTIMATE event on an engine thread, unless the media or its
// setting, clip or edits change first (a new request replaces it). Returns 2 when the measured
// figure is already valid (no event), negative when the media cannot be measured (a capture
// device, no setting, no known length, or found before not to decode). A failed measurement's
// event has a negative status and the reason in `message`. The callback must not wait for the thread that destroys
// the timeline.
int VeldesMeasureMediaEncodedSize(VeldesTimeline timeline, int mediaId,
                                  VeldesEventCallback callback, void* user);

// The size a media's output may have at most, in bytes (0 = no limit): a run exporting it (a
// merge: named after it) picks the video bit rate for the limit, and encodes once more at a
// corrected rate when the output still comes out over; an output over its limit is never
// named. A limit the sound or useful pictures cannot fit into fails the run with the reason.
int VeldesSetMediaTargetSize(VeldesTimeline timeline, int mediaId, int64_t bytes);
// The plan for a limit of `bytes`, measured on the calling thread (takes a moment): the video
// bit rate a run would use (0 for sound only) and the predicted size. 0; -3 when the limit is
// too small, with the reason in `why` (zero-terminated, at most whySize bytes); other negative
// values for other failures.
int VeldesPlanMediaTargetSize(VeldesTimeline timeline, int mediaId, int64_t bytes,
                              int64_t* videoBitRate, int64_t* predictedBytes, char* why,
                              int whySize);

// EBU R128 figures of a media's clip, in the sound shape they were measured in.
typedef struct tagVeldesLoudness {
    double integrated;            // LUFS; -70 for silence (nothing above the absolute gate)
    double truePeak;              // dBTP
    double range;                 // LU
    int32_t sampleRate, channels; // the export setting's sound; 0 = the source's own
} tagVeldesLoudness;

// Asks for the loudness of the media's clip as its export setting converts it (the source's own
// sound without a setting), measured in the background like the size (low priority, never while
// a run converts); with a target set, the level a run applies is worked out too. Returns 0 when
// queued (then one VELDES_EVENT_LOUDNESS event arrives on an engine thread unless cancelled or
// replaced), 2 when the figures are already valid (no event), negative when the media has no
// sound or cannot be measured. `cancel` withdraws the media's waiting or running measurement
// instead (no event).
int VeldesMeasureMediaLoudness(VeldesTimeline timeline, int mediaId, VeldesEventCallback callback,
                               void* user, int cancel);
// 2 with the figures when they are valid for the media's clip and export setting, 0 when not
// measured (yet), negative for an unknown media.
int VeldesGetMediaLoudness(VeldesTimeline timeline, int mediaId, tagVeldesLoudness* measured);
// Normalises the media's sound in runs (and in its preview, once measured): one gain to an
// integrated loudness of targetLufs, with a limiter only where that gain would push the true
// peak over ceilingDbtp. targetLufs 0 switches it off. `measured` (may be null) hands over
// figures measured earlier for the same clip, so no measurement is repeated. A run that finds no
// valid figures measures before it encodes. Sound that would need more than +20 dB is left as it
// is.
int VeldesSetMediaLoudness(VeldesTimeline timeline, int mediaId, double targetLufs,
                           double ceilingDbtp, const tagVeldesLoudness* measured);

// Exports the sources in array order into one output; returns the run id, negative when the run
// cannot start. The output keeps the first source's global tags (title, artist, album, date,
// comment, genre, track...), a video's creation time, its cover picture where the container
// holds one (MP3, M4A, MP4, M4V, FLAC, AIFF, Ogg, Matroska) and its soft subtitle tracks (see
// VeldesSetMediaSubtitles); the other sources' subtitle tracks follow in the same streams. Progress arrives through info->callback and ends with progress 10000 or a
// negative status (for a merged run carrying the last source's id).
int VeldesRun(VeldesTimeline timeline, const int* mediaIds, int count,
              const tagVeldesExportInfo* info);
// Why the timeline's last VeldesRun was refused, in words for a person, zero-terminated into
// text (at most size bytes); an empty text when it started. Returns 0, or -1 for an unknown
// timeline.
int VeldesGetRunRefusal(VeldesTimeline timeline, char* text, int size);
int VeldesSuspend(VeldesTimeline timeline, int runId);
int VeldesResume(VeldesTimeline timeline, int runId);
int VeldesSkip(VeldesTimeline timeline, int runId, int abort);

// Edits and preview. 0 = success.
int VeldesEditBegin(VeldesTimeline timeline, const tagVeldesEditInfo* edit);
int VeldesEditEnd(VeldesTimeline timeline, int flag);
int VeldesPlay(VeldesTimeline timeline);
int VeldesPause(VeldesTimeline timeline);
int VeldesSetCurPos(VeldesTimeline timeline, int64_t positionMs, int flag);
int VeldesAddFilter(VeldesTimeline timeline, int filterId, const tagVeldesFilterInfo* filter);
int VeldesAddWatermark(VeldesTimeline timeline, int filterId, const tagVeldesFilterInfo* filter);
int VeldesRemoveWatermark(VeldesTimeline timeline, int mediaId);
int VeldesGetThumbnail(VeldesTimeline timeline, int mediaId, int width, int height,
                       const char* fileName);
int VeldesGetThumbnailOnPause(VeldesTimeline timeline, int width, int height,
                              VeldesEventCallback callback, void* user);
void VeldesRefreshOutputWindow(VeldesTimeline timeline);
void VeldesChangeVolume(VeldesTimeline timeline, int volume);
void VeldesShowVideoEffect(VeldesTimeline timeline, int withEffects);

#ifdef __cplusplus
}
#endif

#endif
