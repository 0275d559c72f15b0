#include "CRunWorker.h"

#include "COutputFile.h"
#include "CWriterThread.h"
#include "DevicePath.h"
#include "LoudnessMeter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace vel {

namespace {
// Progress events are spaced so a slow receiver is not flooded: every 1% or 250 ms.
constexpr int kProgressStep = 100;
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
// Pictures shown while a capture is converted: enough to watch it, little work taken from it.
constexpr auto kPreviewInterval = std::chrono::milliseconds(80);
// Encodes of a size-limited output at most: the planned one and corrections.
constexpr int kMaxSizePasses = 4;
} // namespace

namespace {
std::atomic<int> g_threadsAlive{0};
} // namespace

CRunWorker::CRunWorker(RunRequest request) : m_request(std::move(request)) {
    m_recording = !m_request.sources.empty() &&
                  std::all_of(m_request.sources.begin(), m_request.sources.end(),
                              [](const PassSource& source) {
                                  return source.probe.path.rfind(kDevicePathPrefix, 0) == 0;
                              });
}

int CRunWorker::threadsAlive() {
    return g_threadsAlive.load();
}

std::shared_ptr<CRunWorker> CRunWorker::start(RunRequest request) {
    std::shared_ptr<CRunWorker> worker(new CRunWorker(std::move(request)));
    // The thread keeps its own reference, so a detached run outlives its owner safely.
    ++g_threadsAlive;
    worker->m_thread = std::thread([self = worker]() mutable {
        self->main();
        self.reset();
        --g_threadsAlive;
    });
    return worker;
}

CRunWorker::~CRunWorker() {
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach();
        else
            m_thread.join();
    }
}

void CRunWorker::suspend() {
    std::lock_guard lock(m_mutex);
    m_suspended = true;
}

void CRunWorker::resume() {
    {
        std::lock_guard lock(m_mutex);
        m_suspended = false;
    }
    m_wake.notify_all();
}

void CRunWorker::skip() {
    {
        std::lock_guard lock(m_mutex);
        if (m_recording)
            m_windUp = true;
        else
            m_abort = true;
    }
    m_wake.notify_all();
}

void CRunWorker::release() {
    std::unique_lock lock(m_mutex);
    m_callbacksClosed = true;
    bool mustNotWait = m_inCallback || m_thread.get_id() == std::this_thread::get_id();
    lock.unlock();
    if (!m_thread.joinable())
        return;
    if (mustNotWait)
        m_thread.detach();
    else
        m_thread.join();
}

int CRunWorker::interrupt(void* opaque) {
    return static_cast<CRunWorker*>(opaque)->m_abort.load(std::memory_order_relaxed) ? 1 : 0;
}

bool CRunWorker::proceed() {
    std::unique_lock lock(m_mutex);
    if (m_suspended && !m_abort && !m_windUp) {
        Clock::time_point pausedAt = Clock::now();
        m_wake.wait(lock, [this] { return !m_suspended || m_abort || m_windUp; });
        m_pausedTime += Clock::now() - pausedAt;
    }
    return !m_abort && !m_windUp;
}

int64_t CRunWorker::elapsedSeconds() {
    auto worked = Clock::now() - m_sourceStart - m_pausedTime;
    return std::chrono::duration_cast<std::chrono::seconds>(worked).count();
}

void CRunWorker::emit(int mediaId, int progress, int64_t status, const char* outputPath,
                      const char* message) {
    if (!m_request.callback)
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_abort || m_callbacksClosed)
            return;
        m_inCallback = true;
    }
    tagVeldesEvent event{};
    event.mediaId = mediaId;
    event.progress = progress;
    event.elapsed = elapsedSeconds();
    event.status = status;
    event.outputPath = outputPath;
    event.message = message;
    m_lastEvent = Clock::now();
    m_lastReported = progress;
    m_request.callback(&event, m_request.user);
    std::lock_guard lock(m_mutex);
    m_inCallback = false;
}

void CRunWorker::preview(const AVFrame* picture) {
    VeldesWindow window = m_request.previewWindow;
    bool planar420 = picture->format == AV_PIX_FMT_YUV420P || picture->format == AV_PIX_FMT_YUVJ420P;
    auto now = Clock::now();
    if (!window || !planar420 || now - m_lastPreview < kPreviewInterval)
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_abort || m_callbacksClosed)
            return;
        m_inCallback = true; // a send to the window: a release must not wait for it
    }
    m_lastPreview = now;
    if (picture->width != m_previewWidth || picture->height != m_previewHeight) {
        m_previewWidth = picture->width;
        m_previewHeight = picture->height;
        VelSendMessage(window, VELDES_MSG_VIDEO_SIZE, uintptr_t(picture->width),
                       intptr_t(picture->height));
    }
    tagVeldesFrame frame{};
    frame.width = picture->width;
    frame.height = picture->height;
    for (int i = 0; i < 3; ++i) {
        frame.planes[i] = picture->data[i];
        frame.pitches[i] = picture->linesize[i];
    }
    tagVeldesRenderRequest request{};
    request.type = VELDES_RENDER_PRESENT;
    request.value = reinterpret_cast<intptr_t>(&frame);
    VelSendMessage(window, VELDES_MSG_RENDER, 0, reinterpret_cast<intptr_t>(&request));
    std::lock_guard lock(m_mutex);
    m_inCallback = false;
}

void CRunWorker::emitFailure(int mediaId, int progress, int status, const COutputWriter& writer) {
    std::string message = writer.error().empty() ? avErrorText(status) : writer.error();
    emit(mediaId, progress, status, nullptr, message.c_str());
}

void CRunWorker::progress(int mediaId, int value) {
    if (value - m_lastReported >= kProgressStep ||
        (value != m_lastReported && Clock::now() - m_lastEvent >= kProgressInterval))
        emit(mediaId, value, 0);
}

int CRunWorker::exportAll(CWriterThread* writer) {
    const std::vector<PassSource>& sources = m_request.sources;
    double timeline = 0.0;
    for (size_t i = 0; i < sources.size(); ++i) {
        const PassSource& source = sources[i];
        m_sourceStart = Clock::now();
        m_pausedTime = {};
        m_lastReported = -1;
        emit(source.mediaId, 0, 0);
        CSourcePass pass(source, m_request.plan, *writer, *this);
        double length = 0.0;
        int r = pass.run(timeline, &length);
        // A stopped recording ends here: what reached the writer is the file.
        if (m_windUp && !m_abort && (r == CSourcePass::kAborted || r == 0))
            return writer->drain();
        if (r == CSourcePass::kAborted || m_abort)
            return CSourcePass::kAborted;
        if (r < 0) {
            m_failedId = source.mediaId;
            return r;
        }
        timeline += length;
        // The last source's completion is only reported once the file is complete.
        if (i + 1 < sources.size())
            emit(source.mediaId, 10000, 0);
    }
    return writer->drain();
}

int CRunWorker::exportPass(COutputWriter& writer, int lastId) {
    AVIOInterruptCB interruptCallback{&CRunWorker::interrupt, this};
    writer.useSound(m_sound);
    writer.carryCover();
    int r = writer.open(m_request.plan, m_request.outputPath, interruptCallback,
                        m_request.replaceExisting);
    if (r < 0) {
        m_failedId = m_request.sources.front().mediaId;
        return r;
    }
    writer.setSizeLimit(m_request.targetBytes);
    CWriterThread encoding(writer, &m_abort);
    r = exportAll(&encoding);
    if (r == 0)
        r = encoding.drain();
    encoding.stop();
    // A run stopped while its last frames were written is not given a name.
    if (r == 0 && m_abort)
        r = CSourcePass::kAborted;
    if (r == 0 && (r = writer.finish()) < 0)
        m_failedId = lastId;
    return r;
}

int CRunWorker::deliverEncoded(const std::string& encoded, std::string* named,
                               std::string* error) {
    FILE* in = std::fopen(encoded.c_str(), "rb");
    if (!in)
        return AVERROR(errno);
    COutputFile file;
    int r = file.create(m_request.outputPath);
    std::vector<unsigned char> buffer(1 << 16);
    while (r == 0) {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        if (n == 0) {
            r = std::ferror(in) ? AVERROR(EIO) : 0;
            break;
        }
        avio_write(file.io(), buffer.data(), int(n));
        if (m_abort)
            r = CSourcePass::kAborted;
    }
    std::fclose(in);
    if (r == 0)
        avio_flush(file.io());
    if (r == 0 && file.io()->error < 0)
        r = file.io()->error;
    if (r == 0)
        r = file.commit(m_request.replaceExisting);
    if (r != 0) {
        *error = file.error();
        file.discard();
        return r;
    }
    *named = file.path();
    return 0;
}

void CRunWorker::main() {
    m_sourceStart = m_lastEvent = Clock::now();
    const int lastId = m_request.sources.back().mediaId;
    int r = 0;
    SizeFit fit;
    // A measurement's encode has no cover, nor soft subtitles (its replays cannot hand them
    // on): with either to keep, the run always writes its own output.
    fit.keepSample = m_request.plan.subtitles.empty() && !m_request.plan.cover;
    std::string why;
    // Sound to be normalised and not measured yet is measured before anything is encoded.
    r = LoudnessMeter::resolveAll(&m_request.sources, m_request.plan, &m_abort);
    if (r < 0 && !m_abort && r != AVERROR_EXIT)
        why = "the loudness could not be measured: " + avErrorText(r);
    else if (r < 0)
        r = CSourcePass::kAborted;
    if (r == 0 && m_request.targetBytes > 0) {
        r = fitToSize(m_request.sources, m_request.targetBytes, &m_request.plan, &m_abort, &fit,
                      &why);
        if (r < 0 && (m_abort || r == AVERROR_EXIT))
            r = CSourcePass::kAborted;
    }
    if (r < 0) {
        m_failedId = m_request.sources.front().mediaId;
        if (why.empty())
            why = "the size limit could not be planned: " + avErrorText(r);
        emit(m_failedId, 0, r, nullptr, why.c_str());
        if (m_failedId != lastId)
            emit(lastId, 0, r, nullptr, why.c_str());
        m_finished = true;
        return;
    }
    // A calibration that encoded the whole clip and fits is the output already.
    if (!fit.sampleFile.empty()) {
        emit(lastId, 0, 0);
        std::string named, error;
        r = deliverEncoded(fit.sampleFile, &named, &error);
        unlink(fit.sampleFile.c_str());
        if (r == 0)
            emit(lastId, 10000, 0, named.c_str());
        else if (r != CSourcePass::kAborted)
            emit(lastId, 0, r, nullptr, (error.empty() ? avErrorText(r) : error).c_str());
        m_finished = true;
        return;
    }
    m_sound = std::move(fit.sound);
    // A limited output that still comes out over is encoded again at a lower rate: an output
    // over its limit is never delivered.
    int64_t earlierRate = 0, earlierBytes = 0;
    for (int pass = 0;; ++pass) {
        COutputWriter writer;
        if (r == 0)
            r = exportPass(writer, lastId);
        // Sound that came out other than measured is encoded after all (not a pass of its own).
        if (r == kErrorSoundChanged && m_sound) {
            writer.discard();
            m_sound.reset();
            m_failedId = -1;
            r = 0;
            --pass;
            continue;
        }
        int64_t lower = 0;
        if (r == kErrorOverSizeLimit && pass < kMaxSizePasses - 1)
            lower = correctedVideoRate(fit, m_request.plan, m_request.targetBytes,
                                       writer.lastSize(), earlierRate, earlierBytes);
        // The partial file is gone before anyone hears of the failure.
        if (r != 0)
            writer.discard();
        if (lower > 0) {
            earlierRate = m_request.plan.video->bitRate;
            earlierBytes = writer.lastSize();
            m_request.plan.video->bitRate = lower;
            r = 0;
            continue;
        }
        if (r == 0) {
            emit(lastId, 10000, 0, writer.path().c_str());
            break;
        }
        const std::string over = r == kErrorOverSizeLimit
                                     ? overLimitText(m_request.targetBytes, writer.lastSize())
                                     : std::string();
        if (r < 0 && m_failedId >= 0) {
            if (over.empty())
                emitFailure(m_failedId, std::max(0, m_lastReported), r, writer);
            else
                emit(m_failedId, std::max(0, m_lastReported), r, nullptr, over.c_str());
        }
        // A merged run always ends with an event of its last source.
        if (r < 0 && m_failedId != lastId) {
            if (over.empty())
                emitFailure(lastId, 0, r, writer);
            else
                emit(lastId, 0, r, nullptr, over.c_str());
        }
        break;
    }
    m_finished = true;
}

} // namespace vel
