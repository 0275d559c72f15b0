#include "CSizeSampler.h"

#include <climits>

#include "CRunWorker.h"
#include "CWriterThread.h"
#include "ContentScan.h"
#include "ProcessScratch.h"
#include "SamplePictureBits.h"
#include "SizeTuning.h"
#include "SampleWindows.h"
#include "SourceTags.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vel {

namespace {

using namespace tuning;

// Encoders whose rate control works an early excess over the bit rate off only slowly, at a
// pace set by the bit rate tolerance: FFmpeg's own MPEG-family rate control. Named by encoder, as
// other encoders of the same codecs (libxvid for MPEG-4) bring rate control of their own.
constexpr const char* kSettlingEncoders[] = {"mpeg1video", "mpeg2video", "h263",    "h263p",
                                             "mpeg4",      "msmpeg4v2",  "msmpeg4", "wmv1",
                                             "wmv2",       "flv",        "rv10",    "rv20"};
// Encoders whose average rate reaches its target over a run wherever the content can take it:
// what a short sample spends under the target is its rate control still on its way there.
constexpr AVCodecID kReachingEncoders[] = {AV_CODEC_ID_H264};
// A waiting measurement looks this often whether the runs that hold it back have ended.
constexpr auto kRunPoll = std::chrono::milliseconds(250);

class SampleControl : public IPassControl {
public:
    explicit SampleControl(const std::atomic<bool>* abort) : m_abort(abort) {}
    bool proceed() override { return !m_abort->load(); }
    void progress(int, int) override {}
    const std::atomic<bool>* abortFlag() const override { return m_abort; }

private:
    const std::atomic<bool>* m_abort;
};

int interrupted(void* opaque) {
    return static_cast<const std::atomic<bool>*>(opaque)->load(std::memory_order_relaxed) ? 1 : 0;
}

constexpr char kScratchPrefix[] = "movara-size-";

// Scratch folders carry their process's id, so those a killed process left behind (and a kept
// whole-clip sample beside them) are removed by the next process that measures.
void removeDeadScratchFolders(const std::string& tmp) {
    removeDeadScratch(tmp, kScratchPrefix, [](const std::string& path) {
        unlink((path + "/sample").c_str());
        if (rmdir(path.c_str()) != 0)
            unlink(path.c_str());
    });
}

// A private folder for the sample file, removed with it.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        const std::string folder = tmp && *tmp ? tmp : "/tmp";
        static std::once_flag tidied;
        std::call_once(tidied, [&] { removeDeadScratchFolders(folder); });
        std::string pattern = folder + "/" + processScratchPrefix(kScratchPrefix) + "XXXXXX";
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~ScratchFolder() {
        if (!m_path.empty()) {
            unlink((m_path + "/sample").c_str());
            rmdir(m_path.c_str());
        }
    }
    bool ok() const { return !m_path.empty(); }
    std::string file() const { return m_path + "/sample"; }
    // Moves `sample` out beside the folder under a name of its own (never over another file);
    // that name, or "".
    std::string keep(const std::string& sample) const {
        std::string name = m_path + "-whole";
        if (link(sample.c_str(), name.c_str()) != 0)
            return {};
        unlink(sample.c_str());
        return name;
    }

private:
    std::string m_path;
};

int64_t soundBytes(const PassSource& clip, const OutputPlan& plan, const std::string& file,
                   const std::atomic<bool>* abort, std::shared_ptr<const CEncodedSound>* keep) {
    const double seconds = CSizeSampler::clipSeconds(clip);
    if (!plan.audio || !(seconds > 0.0))
        return -1;
    // DV carries sound inside its pictures; a Video CD pads to a constant rate.
    const std::string muxer = plan.muxer ? plan.muxer->name : "";
    if (muxer == "dv" || muxer == "vcd" || muxer == "svcd")
        return -1;
    OutputPlan sound = plan;
    sound.video.reset();
    // Sound whose rate follows from its format (PCM) costs nothing to encode again; a long clip's
    // is measured from its lead, as above.
    if (keep && (plan.audio->codec->bitRateFromFormat || seconds > kKeptSoundSeconds))
        keep = nullptr;
    // One part for the whole clip, or the lead's two halves one after the other.
    std::vector<PassSource> parts(1, clip);
    if (seconds > kWholeSoundSeconds && !keep) {
        const int64_t begin = std::max<int64_t>(0, clip.beginMs);
        const auto half = int64_t(kSoundLeadSeconds * 500.0);
        parts.assign(2, clip);
        parts[0].stopMs = parts[1].beginMs = begin + half;
        parts[1].stopMs = begin + 2 * half;
    }
    SampleControl control(abort);
    COutputWriter writer;
    if (keep)
        writer.keepSound();
    AVIOInterruptCB interrupt{&interrupted, const_cast<std::atomic<bool>*>(abort)};
    int r = writer.open(sound, file, interrupt, true);
    double encoded = 0.0, secondHalf = 0.0;
    int64_t firstHalfBytes = 0;
    if (r >= 0) {
        CWriterThread encoding(writer, abort);
        for (size_t i = 0; i < parts.size() && r == 0; ++i) {
            double length = 0.0;
            r = CSourcePass(parts[i], sound, encoding, control).run(encoded, &length);
            if (r == 0)
                r = encoding.drain();
            if (r != 0)
                break; // the writer's thread may still be at work: nothing of it is read
            encoded += length;
            if (i == 0)
                firstHalfBytes = writer.audioBytes();
            else
                secondHalf = length;
        }
        encoding.stop();
    }
    // Finished, so the encoder's last packets are counted (and kept) too.
    if (r == 0 && !abort->load())
        r = writer.finish();
    int64_t bytes = writer.audioBytes();
    writer.discard();
    if (r != 0 || abort->load())
        return -1;
    // Sound that ends before the clip does was cut where the sound ends, while a run goes on to
    // the pictures' end: that sound is not the run's.
    if (keep && std::fabs(encoded - seconds) < 1e-3)
        *keep = writer.takeSound();
    if (parts.size() == 2 && secondHalf > 0.0)
        bytes += std::llround(double(bytes - firstHalfBytes) / secondHalf * (seconds - encoded));
    return bytes;
}

// The clip's picture bits from the sample's counted windows.
double pictureBits(const COutputWriter& writer, const OutputPlan& plan,
                   const std::vector<SampleSpan>& spans, double sampled, double seconds) {
    const double video = double(writer.videoBytes());
    const AVCodecContext* encoder = writer.videoEncoder();
    // Pictures grow with the length too, unless the encoder's rate control is still working an
    // early excess off (see scaledVideoBits), which it cannot at its coarsest quantiser. Spending
    // less than the target is the content's own rate: where pictures sit at the smallest quantiser
    // nothing more can be spent, and where they do not, the rate control's catching up goes to
    // other content as much as to this.
    const bool settles = encoder && CSizeSampler::settlingEncoder(encoder->codec) &&
                         video * 8 > double(encoder->bit_rate) * sampled &&
                         !atCoarsest(writer.pictureNotes(), encoder);
    if (settles)
        return settlingPictureBits(
            writer.pictureNotes(), spans, seconds,
            {double(encoder->bit_rate), double(encoder->bit_rate_tolerance), plan.video->tightRate});
    double counted = 0.0;
    for (const SampleSpan& span : spans)
        counted += span.length;
    const double windowPictures =
        plan.video ? counted / double(spans.size()) * av_q2d(plan.video->frameRate) : 0.0;
    const std::vector<double> bytes =
        encoder && plan.video && keyInterval(encoder) > windowPictures
            ? clipPictureBytes(writer.pictureNotes(), spans, av_q2d(plan.video->frameRate),
                               keyInterval(encoder))
            : continuousPictureBytes(writer.pictureNotes(), spans);
    // A run starts as the sample did and then holds the target where the content can take it.
    const bool reaches = encoder && CSizeSampler::reachingEncoder(encoder->codec);
    return reachedPictureBits(writer.pictureNotes(), spans, bytes, encoder,
                              reaches ? double(encoder->bit_rate) : 0.0);
}

// What a measurement encodes: its windows (with the seconds of the clip each stands for), or a
// tape played back instead, and a tape to record to.
struct Sample {
    const std::vector<PassSource>& parts;
    const std::vector<double>& represents;
    const CSampleTape* replay;
    CSampleTape* record;
};

// Encodes the sample into `writer`, opened on `file`; where each window went in the sample goes
// to *spans and the encoded seconds to *sampled. 0 or a negative AVERROR.
int encodeSample(const Sample& sample, const OutputPlan& plan, const std::string& file,
                 const std::atomic<bool>* abort, COutputWriter& writer,
                 std::vector<SampleSpan>* spans, double* sampled) {
    SampleControl control(abort);
    AVIOInterruptCB interrupt{&interrupted, const_cast<std::atomic<bool>*>(abort)};
    int r = writer.open(plan, file, interrupt, true);
    if (r < 0)
        return r;
    CWriterThread encoding(writer, abort);
    if (sample.replay) {
        r = sample.replay->play(encoding);
    } else {
        if (sample.record && sample.record->recording())
            encoding.record(sample.record);
        for (size_t i = 0; i < sample.parts.size(); ++i) {
            double length = 0.0;
            r = CSourcePass(sample.parts[i], plan, encoding, control).run(*sampled, &length);
            if (r != 0)
                break;
            spans->push_back({*sampled, length, sample.represents[i]});
            *sampled += length;
        }
    }
    if (r == 0)
        r = encoding.drain();
    encoding.stop();
    if (r == CSourcePass::kAborted || abort->load())
        r = AVERROR_EXIT;
    return r == 0 ? writer.finish() : r;
}

// A sample writes no cover (a run does, once): its picture is counted as it is.
double coverBytes(const OutputPlan& plan) {
    CoverPicture cover;
    return plan.cover && readCoverPicture(plan.cover->path, plan.cover->streamIndex, &cover) >= 0
               ? double(cover.packet->size)
               : 0.0;
}

} // namespace

CSizeSampler::CSizeSampler(Store store) : m_store(std::move(store)) {}

double CSizeSampler::clipSeconds(const PassSource& clip) {
    double duration = clip.probe.durationMs / 1000.0;
    double begin = std::max<int64_t>(0, clip.beginMs) / 1000.0;
    double end = clip.stopMs > clip.beginMs ? clip.stopMs / 1000.0 : duration;
    if (duration > 0.0)
        end = std::min(end, duration);
    return end - begin;
}

CSizeSampler::~CSizeSampler() {
    stop();
}

std::string CSizeSampler::sizeKey(const ExportTarget& t, const PassSource& c) {
    std::ostringstream key;
    key << t.videoCodec << ',' << t.videoBitrate << ',' << t.width << 'x' << t.height << ','
        << t.frameRate << ',' << t.aspect << ',' << t.videoQuality << ',' << t.audioCodec << ','
        << t.audioBitrate << ',' << t.sampleRate << ',' << t.channels << ',' << t.format << '|'
        << c.videoStream << ',' << c.audioStream << ',' << c.beginMs << ',' << c.stopMs << ','
        << c.burnSubtitle << '|';
    const MediaEdits& e = c.edits;
    if (e.crop)
        key << "crop" << e.crop->left << ',' << e.crop->top << ',' << e.crop->right << ','
            << e.crop->bottom;
    if (e.cropScale)
        key << "scale" << e.cropScale->cropWidth << 'x' << e.cropScale->cropHeight;
    key << "flip" << e.flip << "colour" << e.brightness << ',' << e.contrast << ',' << e.saturation;
    if (const auto& w = e.watermark) {
        // The image is decoded once when attached, so its address names it.
        key << "mark" << int(w->kind) << ',' << w->x << ',' << w->y << ',' << w->width << ','
            << w->height << ',' << w->alpha << ',' << w->image.get() << ',' << w->text.size() << ':'
            << w->text << ',' << w->fontFamily << ',' << w->fontSize << ',' << w->style << ','
            << int(w->red) << ',' << int(w->green) << ',' << int(w->blue);
    }
    return key.str();
}

std::vector<PassSource> CSizeSampler::windows(const PassSource& clip, double seconds,
                                              const OutputPlan& plan, const ContentScan& scan,
                                              std::vector<double>* represents) {
    double budget = kSampleSeconds;
    if (plan.video) {
        // Encoding costs by the output's pixels, decoding (cheaper) by the source's.
        double pixelRate =
            double(plan.video->width) * plan.video->height * av_q2d(plan.video->frameRate);
        for (const tagVeldesStreamInfo& s : clip.probe.streams)
            if (s.type == VELDES_STREAM_VIDEO)
                pixelRate = std::max(pixelRate, double(s.width) * s.height *
                                                    (s.frameRate > 0 ? s.frameRate : 25.0) / 4);
        if (pixelRate > kReferencePixelRate)
            budget = std::max(kLeastSampleSeconds, budget * kReferencePixelRate / pixelRate);
    }
    // Sound alone is cheap to encode and some encoders settle only over minutes: all of it.
    if (seconds <= budget * 1.25 || !plan.video) {
        if (represents)
            *represents = {seconds};
        return {clip};
    }
    const double from = std::max<int64_t>(0, clip.beginMs) / 1000.0;
    const std::vector<ContentPart> parts = contentParts(
        scan.secondBytes(), from, from + seconds, size_t(budget / kLeastWindowSeconds));
    const int count = std::max(kWindows, int(parts.size()));
    const int64_t length = std::llround(budget / count * 1000.0);
    std::vector<PassSource> out;
    if (represents)
        represents->clear();
    for (const SampleWindow& w : placeWindows(parts, count, length, scan.keyframes())) {
        PassSource part = clip;
        part.beginMs = w.beginMs;
        part.stopMs = w.stopMs;
        out.push_back(std::move(part));
        if (represents)
            represents->push_back(w.represents);
    }
    return out;
}

bool CSizeSampler::encodesWhole(const PassSource& clip, const OutputPlan& plan) {
    const double seconds = clipSeconds(clip);
    const std::vector<PassSource> parts = windows(clip, seconds, plan, ContentScan{});
    return parts.size() == 1 && parts.front().beginMs == clip.beginMs &&
           parts.front().stopMs == clip.stopMs;
}

int64_t CSizeSampler::measureSound(const PassSource& clip, const OutputPlan& plan,
                                   const std::atomic<bool>* abort,
                                   std::shared_ptr<const CEncodedSound>* keep) {
    ScratchFolder folder;
    return folder.ok() ? soundBytes(clip, plan, folder.file(), abort, keep) : -1;
}

bool CSizeSampler::reachingEncoder(const AVCodec* encoder) {
    return encoder && std::find(std::begin(kReachingEncoders), std::end(kReachingEncoders),
                                encoder->id) != std::end(kReachingEncoders);
}

bool CSizeSampler::settlingEncoder(const AVCodec* encoder) {
    return encoder &&
           std::any_of(std::begin(kSettlingEncoders), std::end(kSettlingEncoders),
                       [&](const char* name) { return std::strcmp(name, encoder->name) == 0; });
}

int CSizeSampler::measure(const PassSource& clip, const OutputPlan& plan,
                          const std::atomic<bool>* abort, int64_t* bytes, Parts* split,
                          const SampleReuse& reuse) {
    if (reuse.whole)
        reuse.whole->clear();
    const double seconds = clipSeconds(clip);
    if (!(seconds > 0.0))
        return AVERROR(EINVAL); // no known length to scale to
    CSampleTape* tape = reuse.tape;
    const bool replay = tape && tape->ready();
    std::vector<double> represents;
    const ContentScan scan = plan.video && !replay ? ContentScan::read(clip, abort) : ContentScan{};
    const std::vector<PassSource> parts =
        replay ? std::vector<PassSource>{} : windows(clip, seconds, plan, scan, &represents);
    const bool wholeClip = encodesWhole(clip, plan);
    ScratchFolder folder;
    if (!folder.ok())
        return AVERROR(errno);
    COutputWriter writer;
    writer.notePictures();
    double sampled = replay ? tape->sampled() : 0.0;
    // Where each window went in the sample.
    std::vector<SampleSpan> spans = replay ? tape->spans() : std::vector<SampleSpan>{};
    const Sample sample{parts, represents, replay ? tape : nullptr,
                        tape && !replay ? tape : nullptr};
    const int r = encodeSample(sample, plan, folder.file(), abort, writer, &spans, &sampled);
    if (tape && !replay)
        r == 0 ? tape->finish(spans, sampled) : tape->drop();
    if (r < 0) {
        writer.discard();
        return r;
    }
    struct stat st {};
    if (stat(writer.path().c_str(), &st) != 0 || !(sampled > 0.0))
        return AVERROR(EIO);
    if (wholeClip) {
        *bytes = st.st_size + std::llround(coverBytes(plan)); // the whole clip
        if (split)
            *split = {double(writer.videoBytes()), double(writer.audioBytes()),
                      double(st.st_size - writer.videoBytes() - writer.audioBytes()),
                      writer.videoShareAtFinest()};
        if (reuse.whole)
            *reuse.whole = folder.keep(writer.path());
        return 0;
    }
    const double scale = seconds / sampled;
    // The container grows with the length.
    const double container = std::max(0.0, double(st.st_size) - double(writer.videoBytes()) -
                                               double(writer.audioBytes())) *
                             scale;
    const double videoBits = pictureBits(writer, plan, spans, sampled, seconds);
    int64_t sound = reuse.knownSound ? std::llround(*reuse.knownSound)
                                     : measureSound(clip, plan, abort, nullptr);
    if (abort->load())
        return AVERROR_EXIT;
    if (sound < 0)
        sound = std::llround(double(writer.audioBytes()) * scale);
    const double cover = coverBytes(plan);
    *bytes = std::llround(videoBits / 8 + double(sound) + container + cover);
    if (split)
        *split = {videoBits / 8, double(sound), container + cover, writer.videoShareAtFinest()};
    return 0;
}

void CSizeSampler::request(SizeRequest request) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        const int id = request.clip.mediaId, kind = request.kind;
        if (m_current == id && m_currentKind == kind)
            m_abortCurrent = true;
        const uint64_t ticket = ++m_nextTicket;
        m_live[{id, kind}] = ticket;
        m_queue.push_back(Queued{ticket, std::move(request)});
        if (!m_thread.joinable())
            m_thread = std::thread([this] { main(); });
    }
    m_wake.notify_all();
}

void CSizeSampler::cancel(int mediaId, int kind) {
    std::lock_guard lock(m_mutex);
    auto matches = [mediaId, kind](int id, int k) {
        return id == mediaId && (kind < 0 || k == kind);
    };
    if (kind >= 0) {
        m_live.erase({mediaId, kind});
    } else {
        auto it = m_live.lower_bound({mediaId, INT_MIN});
        while (it != m_live.end() && it->first.first == mediaId)
            it = m_live.erase(it);
    }
    if (matches(m_current, m_currentKind))
        m_abortCurrent = true;
}

bool CSizeSampler::live(const Queued& queued) const {
    const auto it = m_live.find({queued.request.clip.mediaId, queued.request.kind});
    return it != m_live.end() && it->second == queued.ticket;
}

void CSizeSampler::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_live.clear();
        m_abortCurrent = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CSizeSampler::main() {
    // The lowest priority, which the codecs' own threads inherit: a measurement only takes
    // processor time nothing else wants.
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 19);
    for (;;) {
        SizeRequest job;
        {
            std::unique_lock lock(m_mutex);
            for (;;) {
                if (m_stopping)
                    return;
                while (!m_queue.empty() && !live(m_queue.front()))
                    m_queue.pop_front();
                if (!m_queue.empty() && CRunWorker::threadsAlive() == 0)
                    break;
                if (m_queue.empty())
                    m_wake.wait(lock);
                else
                    m_wake.wait_for(lock, kRunPoll);
            }
            job = std::move(m_queue.front().request);
            m_queue.pop_front();
            m_live.erase({job.clip.mediaId, job.kind});
            m_current = job.clip.mediaId;
            m_currentKind = job.kind;
            m_abortCurrent = false;
        }
        if (job.work) {
            job.work(&m_abortCurrent);
            std::lock_guard lock(m_mutex);
            m_current = -1;
            continue;
        }
        int64_t bytes = -1;
        int r = measure(job.clip, job.plan, &m_abortCurrent, &bytes);
        bool cancelled;
        {
            std::lock_guard lock(m_mutex);
            cancelled = m_abortCurrent.load() || m_stopping;
            m_current = -1;
        }
        if (cancelled)
            continue;
        m_store(job.clip.mediaId, job.key, r < 0 ? -1 : bytes, std::min(r, 0));
        if (job.callback) {
            const std::string why = r < 0 ? avErrorText(r) : std::string();
            tagVeldesEvent event{};
            event.message = r < 0 ? why.c_str() : nullptr;
            event.mediaId = job.clip.mediaId;
            event.kind = VELDES_EVENT_ESTIMATE;
            event.status = r < 0 ? r : 0;
            event.position = r < 0 ? 0 : bytes;
            job.callback(&event, job.user);
        }
    }
}

} // namespace vel
