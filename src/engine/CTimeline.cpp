#include "CTimeline.h"

#include "DevicePath.h"
#include "EncodedSize.h"
#include "SubtitleTrack.h"
#include "velcodecutil.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vel {

namespace {

std::string boundedText(const char* text, size_t capacity) {
    return std::string(text, strnlen(text, capacity));
}

ExportTarget targetOf(const tagVeldesExportSetting& s) {
    ExportTarget t;
    t.videoCodec = s.videoCodec;
    t.videoBitrate = s.videoBitrate;
    t.width = s.width;
    t.height = s.height;
    t.frameRate = s.frameRate;
    t.aspect = s.aspect;
    t.videoQuality = s.videoQuality;
    t.audioCodec = s.audioCodec;
    t.audioBitrate = s.audioBitrate;
    t.sampleRate = s.sampleRate;
    t.channels = s.channels;
    t.format = boundedText(s.format, sizeof s.format);
    return t;
}

ExportTarget withSourceShape(ExportTarget t, const MediaProbe& probe) {
    t.sourceWidth = probe.firstVideoWidth;
    t.sourceHeight = probe.firstVideoHeight;
    t.sourceSampleAspect = probe.firstVideoSampleAspect;
    return t;
}

ExportTarget targetOf(const tagVeldesExportInfo& info) {
    ExportTarget t;
    t.videoCodec = info.videoCodec;
    t.videoBitrate = info.videoBitrate;
    t.width = info.width;
    t.height = info.height;
    t.frameRate = info.frameRate;
    t.aspect = info.aspect;
    t.audioCodec = info.audioCodec;
    t.audioBitrate = info.audioBitrate;
    t.sampleRate = info.sampleRate;
    t.channels = info.channels;
    t.format = boundedText(info.format, sizeof info.format);
    return t;
}

bool hasStream(const MediaProbe& probe, int type) {
    return std::any_of(probe.streams.begin(), probe.streams.end(),
                       [type](const tagVeldesStreamInfo& s) { return s.type == type; });
}

} // namespace

CTimeline::~CTimeline() {
    shutdown();
}

CTimeline::Media* CTimeline::find(int mediaId) {
    auto it = m_media.find(mediaId);
    return it == m_media.end() ? nullptr : &it->second;
}

CTimeline::Media* CTimeline::editedMedia() {
    return find(m_editMediaId);
}

std::shared_ptr<CRunWorker> CTimeline::findRun(int runId) {
    std::lock_guard lock(m_mutex);
    auto it = m_runs.find(runId);
    return it == m_runs.end() ? nullptr : it->second;
}

int CTimeline::addMedia(const tagVeldesTrackInfo* track) {
    if (!track || !track->path || !*track->path)
        return -1;
    std::string path = track->path;
    MediaProbe probe;
    {
        CMediaSource source;
        if (source.open(path, nullptr) < 0)
            return -2;
        if (source.probe(&probe) < 0)
            return -3; // opens, but holds no audio or video
    }
    probe.path = path;
    std::shared_ptr<SourceSubtitles> subtitles;
    if (std::any_of(probe.tracks.begin(), probe.tracks.end(),
                    [](const tagVeldesTrack& t) { return t.type == VELDES_STREAM_SUBTITLE; }))
        subtitles = std::make_shared<SourceSubtitles>(path, probe.startTime);
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return -1;
    int id = m_nextMediaId++;
    m_media[id].probe = std::move(probe);
    m_media[id].subtitles = std::move(subtitles);
    return id;
}

int CTimeline::removeMedia(int mediaId) {
    std::shared_ptr<CPlayer> player;
    int result;
    {
        std::lock_guard lock(m_mutex);
        if (m_editMediaId == mediaId) {
            m_editMediaId = -1;
            player = takePlayer();
        }
        result = m_media.erase(mediaId) ? 0 : -1;
        if (m_sampler)
            m_sampler->cancel(mediaId);
    }
    if (player)
        player->release();
    return result;
}

int CTimeline::mediaInfo(int mediaId, tagVeldesStreamInfo** streams) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media || !streams)
        return -1;
    // The records never change after probing, so the array stays valid as long as the media.
    *streams = media->probe.streams.data();
    return int(media->probe.streams.size());
}

int CTimeline::duration(int mediaId, int64_t* durationMs) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media || !durationMs)
        return -1;
    *durationMs = media->probe.durationMs;
    return 0;
}

int CTimeline::mediaTracks(int mediaId, tagVeldesTrack** tracks) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media || !tracks)
        return -1;
    // Never changed after probing: valid as long as the media.
    *tracks = media->probe.tracks.empty() ? nullptr : media->probe.tracks.data();
    return int(media->probe.tracks.size());
}

int CTimeline::setSubtitles(int mediaId, int burnTrack) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media || burnTrack < 0 ||
        (burnTrack > 0 && trackStreamIndex(media->probe, VELDES_STREAM_SUBTITLE, burnTrack) < 0))
        return -1;
    media->burnTrack = burnTrack;
    return 0;
}

int CTimeline::setExportSetting(int mediaId, const tagVeldesExportSetting* setting) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media || !setting)
        return -1;
    media->setting = *setting;
    return 0;
}

int CTimeline::setBegin(int mediaId, int64_t positionMs) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media)
        return -1;
    media->beginMs = std::max<int64_t>(0, positionMs);
    return 0;
}

int CTimeline::setStop(int mediaId, int64_t positionMs) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media)
        return -1;
    media->stopMs = positionMs < 0 ? -1 : positionMs; // a negative stop: to the end again
    return 0;
}

int CTimeline::encodedSize(int mediaId, int64_t* bytes) {
    EstimateInput input;
    {
        std::lock_guard lock(m_mutex);
        Media* media = find(mediaId);
        if (!media || !bytes || !media->setting)
            return -1;
        if (!media->measuredKey.empty() &&
            media->measuredKey ==
                CSizeSampler::sizeKey(targetOf(*media->setting), passSource(mediaId, *media))) {
            *bytes = media->measuredBytes;
            return media->measuredBytes < 0 ? media->measuredStatus : 2;
        }
        double duration = media->probe.durationMs / 1000.0;
        double begin = media->beginMs / 1000.0;
        double end = media->stopMs > media->beginMs ? media->stopMs / 1000.0 : duration;
        if (duration > 0.0)
            end = std::min(end, duration);
        input.target = targetOf(*media->setting);
        input.seconds = std::max(0.0, end - begin);
        input.videoFromSource = hasStream(media->probe, VELDES_STREAM_VIDEO);
        const int chosen = streamIndexFromValues(media->setting->videoValues);
        for (size_t i = 0; i < media->probe.streams.size(); ++i) {
            const tagVeldesStreamInfo& v = media->probe.streams[i];
            if (v.type != VELDES_STREAM_VIDEO ||
                (chosen >= 0 && media->probe.streamIndex[i] != chosen && input.sourceCodec))
                continue;
            double rate = v.frameRate > 0.0 ? v.frameRate : 25.0;
            input.sourceBitRate = v.bitRate;
            input.sourcePixelRate = double(v.width) * v.height * rate;
            input.sourceCodec = v.videoValues[1];
        }
        input.audioFromSource = hasStream(media->probe, VELDES_STREAM_AUDIO);
    }
    return estimateEncodedSize(input, bytes) < 0 ? -2 : 1;
}

ExportTarget CTimeline::targetFor(const Media& media) {
    return withSourceShape(targetOf(*media.setting), media.probe);
}

PassSource CTimeline::passSource(int mediaId, const Media& media) const {
    PassSource source;
    source.mediaId = mediaId;
    source.probe = media.probe;
    source.beginMs = media.beginMs;
    source.stopMs = media.stopMs;
    source.edits = media.edits;
    VEL_DEVICE_INFO device;
    source.preview = parseDevicePath(media.probe.path, &device) && device.preview != 0;
    if (media.setting) {
        source.videoStream = streamIndexFromValues(media.setting->videoValues);
        source.audioStream = streamIndexFromValues(media.setting->audioValues);
    }
    source.subtitles = media.subtitles;
    if (media.burnTrack > 0)
        source.burnSubtitle =
            trackStreamIndex(media.probe, VELDES_STREAM_SUBTITLE, media.burnTrack);
    source.loudness = media.loudness;
    if (media.loudnessFigures &&
        media.loudnessKey ==
            loudnessKey(media, media.loudnessFigures->sampleRate, media.loudnessFigures->channels))
        source.loudnessKnown = media.loudnessFigures;
    return source;
}

int CTimeline::measureSize(int mediaId, VeldesEventCallback callback, void* user) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    VEL_DEVICE_INFO device;
    if (m_closed || !media || !media->setting || media->probe.durationMs <= 0 ||
        parseDevicePath(media->probe.path, &device))
        return -1;
    SizeRequest request;
    const ExportTarget target = targetFor(*media);
    std::string why;
    if (planOutput(target, &request.plan, &why) < 0)
        return -2;
    request.clip = passSource(mediaId, *media);
    // Tags count in the size (a measurement leaves the cover out, see COutputWriter); soft
    // subtitles are a few bytes a minute and would cost a read of the whole file.
    planCarried(&request.plan, media->probe, nullptr, request.clip.burnSubtitle, false);
    request.key = CSizeSampler::sizeKey(target, request.clip);
    if (request.key == media->measuredKey)
        return media->measuredBytes < 0 ? media->measuredStatus : 2;
    request.callback = callback;
    request.user = user;
    sampler().request(std::move(request));
    return 0;
}

CSizeSampler& CTimeline::sampler() {
    if (!m_sampler) {
        m_sampler = std::make_unique<CSizeSampler>(
            [this](int id, const std::string& key, int64_t bytes, int status) {
                std::lock_guard lock(m_mutex);
                Media* measured = find(id);
                // A clip that does not decode has no size to tell; other failures (a file
                // gone for a moment) leave the computed figure standing.
                const bool undecodable =
                    status == kErrorPicturesUndecodable || status == kErrorSoundUndecodable ||
                    status == AVERROR_INVALIDDATA || status == AVERROR_DECODER_NOT_FOUND;
                if (measured && (bytes >= 0 || undecodable)) {
                    measured->measuredKey = key;
                    measured->measuredBytes = bytes >= 0 ? bytes : -1;
                    measured->measuredStatus = status;
                }
            });
    }
    return *m_sampler;
}

void CTimeline::reapFinishedRuns() {
    std::vector<std::shared_ptr<CRunWorker>> finished;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_runs.begin(); it != m_runs.end();) {
            if (it->second->finished()) {
                finished.push_back(it->second);
                it = m_runs.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& run : finished)
        run->release();
}

int CTimeline::run(const int* mediaIds, int count, const tagVeldesExportInfo* info) {
    reapFinishedRuns();
    std::lock_guard lock(m_mutex);
    auto refuse = [this](int code, std::string why) {
        m_lastRefusal = std::move(why);
        return code;
    };
    if (!mediaIds || count <= 0 || !info)
        return refuse(-1, "nothing to convert");
    size_t pathLength = strnlen(info->outputPath, sizeof info->outputPath);
    if (pathLength == 0 || pathLength == sizeof info->outputPath)
        return refuse(-1, "the output file name is empty or too long");
    if (m_closed)
        return refuse(-1, "the converter is closing");
    RunRequest request;
    request.outputPath.assign(info->outputPath, pathLength);
    request.replaceExisting = info->replaceExisting != 0;
    request.callback = info->callback;
    request.user = info->user;
    request.previewWindow = info->previewWindow;
    for (int i = 0; i < count; ++i) {
        Media* media = find(mediaIds[i]);
        if (!media)
            return refuse(-1, "the source is no longer open");
        request.sources.push_back(passSource(mediaIds[i], *media));
    }
    std::string why;
    if (planOutput(withSourceShape(targetOf(*info), request.sources.front().probe), &request.plan,
                   &why) < 0)
        return refuse(-2, why);
    // A merge keeps the first source's tags, cover and subtitle tracks.
    const PassSource& first = request.sources.front();
    planCarried(&request.plan, first.probe, first.subtitles, first.burnSubtitle, true);
    // A merge is limited as a whole, by the limit of the source it is named after, and each of
    // its parts is brought to that source's loudness.
    if (Media* first = find(mediaIds[0])) {
        request.targetBytes = first->targetBytes;
        for (int i = 0; i < count && request.plan.audio; ++i) {
            PassSource& source = request.sources[size_t(i)];
            const Media* media = find(mediaIds[i]);
            source.loudness = first->loudness;
            if (source.loudness.on && media->soundLevel &&
                media->levelKey == levelKey(*media, *request.plan.audio, first->loudness))
                source.soundLevel = media->soundLevel;
        }
    }
    m_lastRefusal.clear();
    request.runId = m_nextRunId++;
    int runId = request.runId;
    m_runs[runId] = CRunWorker::start(std::move(request));
    return runId;
}

std::string CTimeline::lastRefusal() const {
    std::lock_guard lock(m_mutex);
    return m_lastRefusal;
}

int CTimeline::suspend(int runId) {
    auto run = findRun(runId);
    if (!run)
        return -1;
    run->suspend();
    return 0;
}

int CTimeline::resume(int runId) {
    auto run = findRun(runId);
    if (!run)
        return -1;
    run->resume();
    return 0;
}

int CTimeline::skip(int runId) {
    auto run = findRun(runId);
    if (!run)
        return -1;
    run->skip();
    return 0;
}

std::shared_ptr<CPlayer> CTimeline::takePlayer() {
    m_editCallback = nullptr;
    m_editUser = nullptr;
    return std::move(m_player);
}

int CTimeline::editBegin(const tagVeldesEditInfo* edit) {
    if (!edit)
        return -1;
    std::shared_ptr<CPlayer> previous;
    int result = 0;
    {
        std::lock_guard lock(m_mutex);
        Media* media = find(edit->mediaId);
        if (!media || m_closed) {
            result = -1;
        } else {
            previous = takePlayer();
            m_editMediaId = edit->mediaId;
            if (edit->callback) {
                // A preview: the caller attaches the item's edits right after, so the player
                // starts from none and follows each one as it arrives.
                media->edits = MediaEdits();
                PlayerSetup setup;
                setup.probe = media->probe;
                if (media->setting) {
                    setup.videoStream = streamIndexFromValues(media->setting->videoValues);
                    setup.audioStream = streamIndexFromValues(media->setting->audioValues);
                }
                setup.window = edit->window;
                setup.callback = edit->callback;
                setup.user = edit->user;
                setup.volume = m_volume;
                setup.level = previewLevel(*media);
                setup.showEffects = m_showEffects;
                m_editCallback = edit->callback;
                m_editUser = edit->user;
                m_player = CPlayer::start(std::move(setup));
            }
        }
    }
    if (previous)
        previous->release();
    return result;
}

int CTimeline::editEnd() {
    std::shared_ptr<CPlayer> player;
    {
        std::lock_guard lock(m_mutex);
        m_editMediaId = -1;
        player = takePlayer();
    }
    if (player)
        player->release();
    return 0;
}

void CTimeline::editsChanged(int mediaId) {
    Media* media = find(mediaId);
    if (m_player && media && mediaId == m_editMediaId)
        m_player->setEdits(media->edits);
}

std::shared_ptr<CPlayer> CTimeline::player() {
    std::lock_guard lock(m_mutex);
    return m_player;
}

int CTimeline::play() {
    auto p = player();
    if (!p)
        return -1;
    p->play();
    return 0;
}

int CTimeline::pause() {
    auto p = player();
    if (!p)
        return -1;
    p->pause();
    return 0;
}

int CTimeline::setPosition(int64_t ms) {
    auto p = player();
    if (!p)
        return -1;
    p->seek(ms);
    return 0;
}

void CTimeline::refresh() {
    if (auto p = player())
        p->refresh();
}

void CTimeline::setVolume(int volume) {
    std::shared_ptr<CPlayer> p;
    {
        std::lock_guard lock(m_mutex);
        m_volume = std::clamp(volume, 0, 100);
        p = m_player;
    }
    if (p)
        p->setVolume(volume);
}

void CTimeline::showEffects(bool on) {
    std::shared_ptr<CPlayer> p;
    {
        std::lock_guard lock(m_mutex);
        m_showEffects = on;
        p = m_player;
    }
    if (p)
        p->showEffects(on);
}

int CTimeline::thumbnail(int mediaId, int width, int height) {
    std::shared_ptr<CPlayer> p;
    VeldesEventCallback callback;
    void* user;
    {
        std::lock_guard lock(m_mutex);
        if (mediaId != m_editMediaId)
            return -1;
        p = m_player;
        callback = m_editCallback;
        user = m_editUser;
    }
    return p ? p->snapshot(width, height, callback, user) : -1;
}

int CTimeline::thumbnailOnPause(int width, int height, VeldesEventCallback callback, void* user) {
    auto p = player();
    return p ? p->snapshot(width, height, callback, user) : -1;
}

void CTimeline::shutdown() {
    std::map<int, std::shared_ptr<CRunWorker>> runs;
    std::shared_ptr<CPlayer> player;
    std::unique_ptr<CSizeSampler> sampler;
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        sampler = std::move(m_sampler);
        runs.swap(m_runs);
        m_media.clear();
        m_editMediaId = -1;
        player = takePlayer();
    }
    if (player)
        player->release();
    // Its thread may be waiting for the lock to store a figure: joined only now.
    if (sampler)
        sampler->stop();
    for (auto& [id, run] : runs)
        run->skip();
    for (auto& [id, run] : runs)
        run->release();
}

} // namespace vel
