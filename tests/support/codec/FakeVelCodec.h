#pragma once

// A second implementation of the codec engine contract (velcodecapi.h, velcodecutil.h) for tests.
// It opens no file and encodes nothing: it records every call with copies of the records it was
// given, answers from a script, and delivers progress and edit events on a thread of its own, the
// way the real engine calls back.
//
//     FakeVelCodec& fake = FakeVelCodec::instance();
//     fake.reset();
//     fake.setSource("/in/a.avi", FakeSource::video(175, 144, 0.0));
//     ... drive the code under test ...
//     fake.fireProgress(runId, mediaId, 10000);
//     ASSERT_TRUE(fake.waitIdle());
//     EXPECT_EQ(fake.callsOf("VeldesRun").size(), 1u);
//
// One process-wide instance, because the engine functions are free functions. Thread-safe: the
// code under test calls in from any thread, events are delivered by the fake's event thread, and
// callbacks run without the fake's lock held, so they may call back into the engine. Like a real
// engine, DestroyTimeline drops the timeline's pending events and waits (bounded) for a callback
// of that timeline in progress, so no event reaches its user value afterwards.

#include "velcodecapi.h"
#include "velcodecutil.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Device paths of the fake: GenDevicePath gives this prefix, IsDevicePath looks for it.
inline constexpr std::string_view kFakeDevicePrefix = "fakedev:";

// What the fake answers for one source path.
struct FakeSource {
    int addResult = 0;       // below 0: VeldesAddMedia2 refuses the source with this value
    int mediaInfoResult = 0; // below 0: VeldesGetMediaInfo fails with it; else the stream count
    std::vector<tagVeldesStreamInfo> streams;
    int64_t durationMs = 10000;
    int64_t encodedSize = 1 << 20; // VeldesGetMediaEncodedSize
    int encodedSizeResult = 0;
    int setExportResult = 0; // VeldesSetExportSetting
    bool failRun = false;    // automatic runs report a negative status for this source
    // What VeldesGetMediaLoudness answers once asked to measure; none: nothing to measure.
    std::optional<tagVeldesLoudness> loudness;
    // What VeldesGetMediaTracks answers (not recorded as a call, like loudness).
    std::vector<tagVeldesTrack> tracks;

    static tagVeldesStreamInfo videoStream(int width, int height, double frameRate,
                                           int bitRate = 500000);
    static tagVeldesStreamInfo audioStream(int sampleRate, int channels, int bitRate = 128000);
    // One video and one audio stream (the default for paths without a script).
    static FakeSource movie(int width = 320, int height = 240, double frameRate = 25.0);
    static FakeSource video(int width, int height, double frameRate);
    static FakeSource audio(int sampleRate, int channels, int bitRate = 128000);
    // A track record; `values` of a sound track are those of its stream record.
    static tagVeldesTrack track(int type, int number, const char* language, const char* codec,
                                int flags = 0, int valueIndex = 0);
};

// A copy of one engine call. Only the fields that the function takes are filled.
struct FakeCall {
    std::string function;
    std::thread::id thread;
    VeldesTimeline timeline = nullptr;
    int mediaId = -1;
    int runId = -1;
    int filterId = -1;
    int64_t value = 0;         // positions, flags, volume, the abort flag
    std::vector<int> ints;     // other int arguments in order (count, width, height, ...)
    double real = 0.0;         // ComputeBitrateByQuality's frame rate
    int64_t result = 0;        // what the fake answered
    std::vector<int> mediaIds; // VeldesRun
    std::string text;          // track path, thumbnail file name
    std::optional<tagVeldesTrackInfo> track; // path pointer cleared; see text
    std::optional<tagVeldesExportSetting> setting;
    std::optional<tagVeldesExportInfo> exportInfo;
    std::optional<tagVeldesEditInfo> edit;
    std::optional<tagVeldesFilterInfo> filter; // string pointers cleared; see the strings below
    std::string imagePath, watermarkText, fontName;
};

struct FakeMedia {
    int id = -1;
    std::string path;
    bool removed = false;
    int64_t beginPos = -1;
    int64_t stopPos = -1;
    std::optional<tagVeldesExportSetting> setting;
    // VeldesSetMediaLoudness (not recorded as a call: loudness is beside the described calls).
    double loudnessTarget = 0.0, loudnessCeiling = 0.0;
    bool loudnessMeasured = false; // asked to measure, and the source has scripted figures
    int burnSubtitles = 0;         // VeldesSetMediaSubtitles (not recorded as a call)
};

struct FakeRun {
    int id = -1;
    VeldesTimeline timeline = nullptr;
    std::vector<int> mediaIds;
    tagVeldesExportInfo info{};
    bool skipped = false;
    bool suspended = false;
};

// What VeldesRun does on its own after it started a run.
enum class FakeAutoRun {
    Manual,  // nothing: the test fires the events
    Complete // each source reports 5000 then 10000 (status 0), in array order
};

class FakeVelCodec {
public:
    static FakeVelCodec& instance();
    ~FakeVelCodec();

    // Waits for pending events (bounded), then forgets every call, script, medium and run.
    void reset();

    // --- scripting -----------------------------------------------------------------------------
    void setSource(const std::string& path, const FakeSource& source);
    FakeSource source(const std::string& path) const;
    // Results of the next VeldesRun calls, in order; without a queued value a run starts.
    void queueRunResult(int result);
    void setEditBeginResult(int result);
    void setPlayResult(int result);
    void setFilterResult(int filterId, int result); // VeldesAddFilter / VeldesAddWatermark
    void setThumbnailResult(int result);
    void setAutoRun(FakeAutoRun mode);
    // VeldesGetThumbnailOnPause then delivers a snapshot event of the asked size.
    void setAutoSnapshot(bool on);
    // A pause the event thread takes before each automatic event (0 by default).
    void setAutoEventDelay(std::chrono::milliseconds delay);
    // Runs on the fake's thread when an event is about to be delivered (before the callback).
    void setBeforeEvent(std::function<void(const tagVeldesEvent&)> hook);
    // Runs at the start of each VeldesRun, on the caller's thread, before anything is recorded:
    // a test can hold the next item's start there.
    void setBeforeRun(std::function<void()> hook);

    // --- events (delivered on the fake's event thread) -----------------------------------------
    // An export progress event of the run, to the callback of its export info.
    // `message` is the failure's words (the event's message).
    void fireProgress(int runId, int mediaId, int progress, int64_t elapsedSeconds = 0,
                      int64_t status = 0, const std::string& message = {});
    // An edit event to the callback of the last VeldesEditBegin (or thumbnail request) that
    // registered one. Returns false when there is none.
    bool fireEditEvent(const tagVeldesEvent& event);
    // True when every queued event was delivered and no callback runs, within the time.
    bool waitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Number of events delivered so far.
    int deliveredEvents() const;

    // --- inspection ----------------------------------------------------------------------------
    std::vector<FakeCall> calls() const;
    std::vector<FakeCall> callsOf(std::string_view function) const;
    // Names in call order, without ComputeBitrateByQuality (a query the estimate code repeats).
    std::vector<std::string> callNames() const;
    size_t countOf(std::string_view function) const;
    void clearCalls();
    std::vector<FakeRun> runs() const;
    std::optional<FakeRun> run(int runId) const;
    std::optional<FakeMedia> media(int mediaId) const;
    int mediaIdOf(const std::string& path) const; // the newest id for the path, -1 if none
    int openEdits() const; // VeldesEditBegin that succeeded minus VeldesEditEnd
    int liveTimelines() const;

    // --- the engine functions, called by the C entry points ------------------------------------
    VeldesTimeline createTimeline(int option);
    int destroyTimeline(VeldesTimeline timeline);
    int addMedia(VeldesTimeline timeline, const tagVeldesTrackInfo* track);
    int removeMedia(VeldesTimeline timeline, int mediaId);
    int getMediaInfo(VeldesTimeline timeline, int mediaId, tagVeldesStreamInfo** streams);
    int getDuration(VeldesTimeline timeline, int mediaId, int64_t* duration);
    int setExportSetting(VeldesTimeline timeline, int mediaId,
                         const tagVeldesExportSetting* setting);
    int setPosition(const char* function, VeldesTimeline timeline, int mediaId, int64_t ms);
    int getEncodedSize(VeldesTimeline timeline, int mediaId, int64_t* bytes);
    int startRun(VeldesTimeline timeline, const int* ids, int count,
                 const tagVeldesExportInfo* info);
    int runControl(const char* function, VeldesTimeline timeline, int runId, int abort);
    int editBegin(VeldesTimeline timeline, const tagVeldesEditInfo* edit);
    int editEnd(VeldesTimeline timeline, int flag);
    // Calls that only record; VeldesSetCurPos keeps its flag in ints.
    int simple(const char* function, VeldesTimeline timeline, int64_t value,
               std::optional<int> flag = std::nullopt);
    int addFilter(const char* function, VeldesTimeline timeline, int filterId,
                  const tagVeldesFilterInfo* filter);
    int removeWatermark(VeldesTimeline timeline, int mediaId);
    int thumbnail(VeldesTimeline timeline, int mediaId, int width, int height,
                  const char* fileName);
    int thumbnailOnPause(VeldesTimeline timeline, int width, int height,
                         VeldesEventCallback callback, void* user);
    int measureLoudness(VeldesTimeline timeline, int mediaId);
    int getLoudness(VeldesTimeline timeline, int mediaId, tagVeldesLoudness* measured);
    int setLoudness(VeldesTimeline timeline, int mediaId, double target, double ceiling,
                    const tagVeldesLoudness* measured);
    int bitrateByQuality(int width, int height, double frameRate, int codecId, int reserved,
                         int quality);
    int getTracks(VeldesTimeline timeline, int mediaId, tagVeldesTrack** tracks);
    int setSubtitles(VeldesTimeline timeline, int mediaId, int burn);

private:
    FakeVelCodec() = default;

    struct PendingEvent {
        VeldesEventCallback callback = nullptr;
        void* user = nullptr;
        tagVeldesEvent event{};
        VeldesTimeline timeline = nullptr; // events of a destroyed timeline are dropped
        int runId = -1; // automatic events of a run are dropped once it is skipped
        bool automatic = false;
        std::vector<uint8_t> pixels; // snapshot events own their picture
        std::string message;         // and failures their words
        std::string outputPath;      // and a run's end the output it names
    };

    FakeCall& record(const char* function, VeldesTimeline timeline); // lock held
    FakeSource scriptFor(int mediaId) const;                         // lock held
    void enqueue(PendingEvent event);                                // lock held
    void eventLoop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::thread eventThread_;
    bool stopping_ = false;
    bool delivering_ = false;
    VeldesTimeline deliveringTimeline_ = nullptr;
    std::deque<PendingEvent> queue_;
    int delivered_ = 0;

    std::vector<FakeCall> calls_;
    std::map<std::string, FakeSource> sources_;
    std::map<int, FakeMedia> media_;
    std::map<int, std::vector<tagVeldesStreamInfo>> streamArrays_; // valid until the next query
    std::map<int, std::vector<tagVeldesTrack>> trackArrays_;
    std::map<int, FakeRun> runs_;
    std::deque<int> runResults_;
    std::map<int, int> filterResults_;
    std::vector<VeldesTimeline> timelines_;
    int nextMediaId_ = 0;
    int nextRunId_ = 0;
    int editBeginResult_ = 0;
    int playResult_ = 0;
    int thumbnailResult_ = 0;
    int openEdits_ = 0;
    FakeAutoRun autoRun_ = FakeAutoRun::Manual;
    bool autoSnapshot_ = false;
    std::chrono::milliseconds autoDelay_{0};
    std::function<void(const tagVeldesEvent&)> beforeEvent_;
    std::function<void()> beforeRun_;
    VeldesEventCallback editCallback_ = nullptr;
    void* editUser_ = nullptr;
    VeldesTimeline editTimeline_ = nullptr;
};
