#include "CTimeline.h"

#include "EncodedSize.h"
#include "WatermarkPicture.h"
#include "velcodecutil.h"

#include <algorithm>
#include <cmath>
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
    if (IsDevicePath(path))
        return -1; // capture devices are not opened by this engine yet
    MediaProbe probe;
    {
        CMediaSource source;
        if (source.open(path, nullptr) < 0)
            return -2;
        if (source.probe(&probe) < 0)
            return -3; // opens, but holds no audio or video
    }
    probe.path = path;
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return -1;
    int id = m_nextMediaId++;
    m_media[id].probe = std::move(probe);
    return id;
}

int CTimeline::removeMedia(int mediaId) {
    std::lock_guard lock(m_mutex);
    if (m_editMediaId == mediaId)
        m_editMediaId = -1;
    return m_media.erase(mediaId) ? 0 : -1;
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
        double duration = media->probe.durationMs / 1000.0;
        double begin = media->beginMs / 1000.0;
        double end = media->stopMs > media->beginMs ? media->stopMs / 1000.0 : duration;
        if (duration > 0.0)
            end = std::min(end, duration);
        input.target = targetOf(*media->setting);
        input.seconds = std::max(0.0, end - begin);
        input.videoFromSource = hasStream(media->probe, VELDES_STREAM_VIDEO);
        input.audioFromSource = hasStream(media->probe, VELDES_STREAM_AUDIO);
    }
    return estimateEncodedSize(input, bytes) < 0 ? -2 : 1;
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
    if (!mediaIds || count <= 0 || !info)
        return -1;
    size_t pathLength = strnlen(info->outputPath, sizeof info->outputPath);
    if (pathLength == 0 || pathLength == sizeof info->outputPath)
        return -1;
    RunRequest request;
    std::string why;
    if (planOutput(targetOf(*info), &request.plan, &why) < 0)
        return -2;
    request.outputPath.assign(info->outputPath, pathLength);
    request.replaceExisting = info->replaceExisting != 0;
    request.callback = info->callback;
    request.user = info->user;

    std::lock_guard lock(m_mutex);
    if (m_closed)
        return -1;
    for (int i = 0; i < count; ++i) {
        Media* media = find(mediaIds[i]);
        if (!media)
            return -1;
        PassSource source;
        source.mediaId = mediaIds[i];
        source.probe = media->probe;
        source.beginMs = media->beginMs;
        source.stopMs = media->stopMs;
        source.edits = media->edits;
        if (media->setting) {
            source.videoStream = streamIndexFromValues(media->setting->videoValues);
            source.audioStream = streamIndexFromValues(media->setting->audioValues);
        }
        request.sources.push_back(std::move(source));
    }
    request.runId = m_nextRunId++;
    int runId = request.runId;
    m_runs[runId] = CRunWorker::start(std::move(request));
    return runId;
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

int CTimeline::editBegin(const tagVeldesEditInfo* edit) {
    if (!edit || edit->callback)
        return -1; // the preview player is not part of this engine yet
    std::lock_guard lock(m_mutex);
    if (!find(edit->mediaId))
        return -1;
    m_editMediaId = edit->mediaId;
    return 0;
}

int CTimeline::editEnd() {
    std::lock_guard lock(m_mutex);
    m_editMediaId = -1;
    return 0;
}

int CTimeline::addFilter(int filterId, const tagVeldesFilterInfo* f) {
    std::lock_guard lock(m_mutex);
    Media* media = editedMedia();
    if (!media || !f)
        return -1;
    MediaEdits& e = media->edits;
    switch (filterId) {
    case VELDES_FILTER_CROP: {
        CropRect c{f->left, f->top, f->right, f->bottom};
        bool finite = std::isfinite(c.left) && std::isfinite(c.top) && std::isfinite(c.right) &&
                      std::isfinite(c.bottom);
        if (!finite || c.left < 0 || c.top < 0 || c.right - c.left < 2 || c.bottom - c.top < 2)
            return -1;
        e.crop = c;
        return 0;
    }
    case VELDES_FILTER_CROP_SCALE:
        if (!f->scaleEnabled) {
            e.cropScale.reset();
            return 0;
        }
        if (f->cropWidth <= 0 || f->cropHeight <= 0)
            return -1;
        e.cropScale =
            CropScale{f->sourceWidth, f->sourceHeight, f->cropWidth & ~1, f->cropHeight & ~1};
        return 0;
    case VELDES_FILTER_FLIP:
        e.flip = f->flip & 3;
        return 0;
    case VELDES_FILTER_COLOR:
        e.brightness = std::clamp(f->brightness, -100, 100);
        e.contrast = std::clamp(f->contrast, -100, 100);
        e.saturation = std::clamp(f->saturation, -100, 100);
        return 0;
    default:
        return -1;
    }
}

int CTimeline::addWatermark(int filterId, const tagVeldesFilterInfo* f) {
    if (!f ||
        (filterId != VELDES_FILTER_WATERMARK_IMAGE && filterId != VELDES_FILTER_WATERMARK_TEXT))
        return -1;
    Watermark w;
    w.x = f->x;
    w.y = f->y;
    w.width = std::max(0, f->width);
    w.height = std::max(0, f->height);
    w.alpha = std::clamp(f->alpha, 0, 255);
    if (filterId == VELDES_FILTER_WATERMARK_IMAGE) {
        if (!f->imagePath || !*f->imagePath)
            return -1;
        // Decoded now, outside the lock: a broken image is refused here, and a later run does
        // not depend on the file still being there.
        auto image = std::make_shared<RgbaImage>();
        if (loadImage(f->imagePath, image.get()) < 0)
            return -2;
        w.kind = Watermark::Kind::Image;
        w.image = std::move(image);
    } else {
        if (!f->text || !*f->text)
            return -1;
        w.kind = Watermark::Kind::Text;
        w.text = f->text;
        w.fontFamily = f->fontName ? f->fontName : "";
        w.fontSize = f->fontSize > 0 ? std::min(f->fontSize, 1000) : 36;
        w.style = f->style;
        w.red = f->red;
        w.green = f->green;
        w.blue = f->blue;
    }
    std::lock_guard lock(m_mutex);
    Media* media = editedMedia();
    if (!media)
        return -1;
    media->edits.watermark = std::move(w);
    return 0;
}

int CTimeline::removeWatermark(int mediaId) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media)
        return -1;
    // The caller removes the watermark before it attaches an entry's edits anew and adds only
    // the filters in force, so everything attached earlier goes here too; otherwise a colour
    // set back to neutral would stay in force. (A preview's live watermark change will keep
    // the other filters: that bracket is the preview's own.)
    media->edits = MediaEdits();
    return 0;
}

void CTimeline::shutdown() {
    std::map<int, std::shared_ptr<CRunWorker>> runs;
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        runs.swap(m_runs);
        m_media.clear();
        m_editMediaId = -1;
    }
    for (auto& [id, run] : runs)
        run->skip();
    for (auto& [id, run] : runs)
        run->release();
}

} // namespace vel
