#include "SizeFit.h"

#include "CSizeSampler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include <unistd.h>

namespace vel {

namespace {

// Aimed below the limit by this share: what one sample cannot foresee of a whole run.
constexpr double kMargin = 0.03;
// Pictures below this many bits per pixel and frame are no longer worth looking at.
constexpr double kUsefulBitsPerPixel = 0.004;
constexpr int64_t kUsefulVideoFloor = 8000;
// A measurement that fills this share of its budget is taken; a lower one is aimed again.
constexpr double kAcceptedFill = 0.96;
// How close to its limit an encode of the whole clip aims (it is measured, not foreseen).
constexpr double kWholeMargin = 0.005;
// A prediction over its budget at the encoder's coarsest quantiser is refused: such a run can
// only come out over too (the few that settled under were outnumbered by those that did not).
constexpr double kFloorExcess = 1.0;
// An encode of the whole clip that filled this share of its budget is kept rather than aimed
// again once a higher rate has come out over.
constexpr double kCloseFill = 0.9;
// Measurements after the first at most: of samples, and of clips encoded whole (short ones).
constexpr int kAttempts = 3;
constexpr int kWholeAttempts = 5;
// Where in the budget a correction aims.
constexpr double kAim = 0.985;
// A correction of a sample's rate up to this share is not measured again.
constexpr double kTrustedStep = 0.12;
// A sample with this share of its pictures at the encoder's finest quantiser cannot spend more.
constexpr double kFinestShare = 0.9;
// Sound may give up bit rate for pictures until pictures have this share of the bytes.
constexpr double kPictureShare = 0.25;

std::string durationText(double seconds) {
    char text[48];
    if (seconds < 90)
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    else if (seconds < 5400)
        std::snprintf(text, sizeof text, "%.0f min", seconds / 60);
    else
        std::snprintf(text, sizeof text, "%.1f h", seconds / 3600);
    return text;
}

int64_t usefulVideoMinimum(const VideoPlan& v) {
    const double perSecond = double(v.width) * v.height * av_q2d(v.frameRate);
    return std::max<int64_t>(kUsefulVideoFloor, std::llround(perSecond * kUsefulBitsPerPixel));
}

// The bit rates the sound encoder takes at the plan's sample rate, lowest first. An encoder that
// takes any rate is offered the usual steps up to the plan's own.
std::vector<int64_t> soundRates(const AudioPlan& a) {
    static const int kSteps[] = {24000, 32000, 48000, 64000, 96000, 128000, 160000, 192000,
                                 256000, 320000, 0};
    if (a.codec->bitRateFromFormat)
        return {a.bitRate};
    const int* list = a.codec->bitRates;
    if (a.sampleRate < 32000 && a.codec->lowRateBitRates)
        list = a.codec->lowRateBitRates;
    std::vector<int64_t> rates;
    for (const int* p = list ? list : kSteps; *p; ++p)
        if (list || *p < a.bitRate)
            rates.push_back(*p);
    if (!list)
        rates.push_back(a.bitRate);
    std::sort(rates.begin(), rates.end());
    return rates;
}

// A whole-clip calibration encode kept on disk until it is handed on or dropped.
class KeptSample {
public:
    KeptSample() = default;
    ~KeptSample() { drop(); }
    KeptSample(const KeptSample&) = delete;
    KeptSample& operator=(const KeptSample&) = delete;
    std::string* slot() {
        drop();
        return &m_path;
    }
    std::string release() { return std::exchange(m_path, {}); }
    void adopt(std::string path) {
        drop();
        m_path = std::move(path);
    }
    const std::string& path() const { return m_path; }

private:
    void drop() {
        if (!m_path.empty())
            unlink(m_path.c_str());
        m_path.clear();
    }
    std::string m_path;
};

// Measures every source; `sounds` keeps each one's sound bytes from the first measurement, as
// the later ones change only the pictures' rate, and `tapes` (one per source, or null) what
// their passes decoded.
int measureAll(const std::vector<PassSource>& sources, const OutputPlan& plan,
               const std::atomic<bool>* abort, CSizeSampler::Parts* total,
               std::vector<double>* sounds, std::string* whole,
               std::vector<CSampleTape>* tapes = nullptr) {
    *total = {};
    const bool known = sounds->size() == sources.size();
    for (size_t i = 0; i < sources.size(); ++i) {
        int64_t bytes = 0;
        CSizeSampler::Parts parts;
        const SampleReuse reuse{known ? &(*sounds)[i] : nullptr,
                                sources.size() == 1 ? whole : nullptr,
                                tapes ? &(*tapes)[i] : nullptr};
        const int r = CSizeSampler::measure(sources[i], plan, abort, &bytes, &parts, reuse);
        if (r < 0)
            return r;
        if (!known)
            sounds->push_back(parts.sound);
        total->video += parts.video;
        total->sound += parts.sound;
        total->container += parts.container;
        // A merge needs less than it was given only where every source does.
        total->finest = i == 0 ? parts.finest : std::min(total->finest, parts.finest);
    }
    return 0;
}

} // namespace

std::string sizeText(int64_t bytes) {
    char text[32];
    const double b = double(bytes);
    if (b >= 1024.0 * 1024 * 1024)
        std::snprintf(text, sizeof text, "%.3g GB", b / (1024.0 * 1024 * 1024));
    else if (b >= 1024.0 * 1024)
        std::snprintf(text, sizeof text, "%.3g MB", b / (1024.0 * 1024));
    else if (b >= 1024.0)
        std::snprintf(text, sizeof text, "%.3g KB", b / 1024.0);
    else
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    return text;
}

int fitToSize(const std::vector<PassSource>& sources, int64_t targetBytes, OutputPlan* plan,
              const std::atomic<bool>* abort, SizeFit* fit, std::string* why) {
    double seconds = 0.0;
    for (const PassSource& source : sources)
        seconds += CSizeSampler::clipSeconds(source);
    if (!(seconds > 0.0)) {
        *why = "a size limit needs a source of known length";
        return kErrorTargetTooSmall;
    }
    const double target = double(targetBytes) * (1.0 - kMargin);
    const std::string limit = sizeText(targetBytes);

    // Sound keeps the profile's rate while pictures keep a fair share; else the highest listed
    // rate that leaves them one, and no sound rate at all is refused.
    if (plan->audio) {
        const std::vector<int64_t> rates = soundRates(*plan->audio);
        const double room = plan->video ? target * (1.0 - kPictureShare) : target;
        auto fits = [&](int64_t rate) { return double(rate) * seconds / 8.0 <= room; };
        if (!fits(rates.front())) {
            *why = limit + " is too small for " + durationText(seconds) + " of sound";
            return kErrorTargetTooSmall;
        }
        if (!fits(plan->audio->bitRate)) {
            int64_t best = rates.front();
            for (int64_t rate : rates)
                if (fits(rate))
                    best = rate;
            plan->audio->bitRate = best;
        }
        fit->audioBitRate = plan->audio->bitRate;
    }
    std::vector<double> sounds;
    if (!plan->video) {
        // Sound alone is measured whole: that encode is the output where it fits.
        CSizeSampler::Parts parts;
        KeptSample kept;
        const int r = measureAll(sources, *plan, abort, &parts, &sounds,
                                 fit->keepSample ? kept.slot() : nullptr);
        if (r < 0)
            return r;
        fit->predictedBytes = std::llround(parts.video + parts.sound + parts.container);
        fit->fixedBytes = parts.sound + parts.container;
        if (!kept.path().empty() && fit->predictedBytes <= targetBytes)
            fit->sampleFile = kept.release();
        return 0;
    }
    // A single clip measured in samples has its sound encoded whole on its own, kept so the run
    // need not encode it again.
    if (fit->keepSample && sources.size() == 1 && plan->audio &&
        !CSizeSampler::encodesWhole(sources.front(), *plan)) {
        const int64_t sound =
            CSizeSampler::measureSound(sources.front(), *plan, abort, &fit->sound);
        if (abort->load())
            return AVERROR_EXIT;
        if (sound >= 0)
            sounds.push_back(double(sound));
    }

    // A first rate from what is left after the sound, then the encoder's own spending at that
    // rate on this content sets the rate that spends the budget.
    VideoPlan& v = *plan->video;
    v.tightRate = CSizeSampler::settlingEncoder(v.encoder->id);
    const int64_t minimum = usefulVideoMinimum(v);
    const double soundGuess = plan->audio ? double(plan->audio->bitRate) * seconds / 8.0 : 0.0;
    const double firstBudget = target * 0.98 - soundGuess;
    const int64_t first = std::llround(firstBudget * 8.0 / seconds);
    auto refuseVideo = [&] {
        *why = limit + " is too small for " + durationText(seconds) + " of " +
               std::to_string(v.width) + "x" + std::to_string(v.height) + " video";
        return kErrorTargetTooSmall;
    };
    if (first < minimum)
        return refuseVideo();
    // The encoder's spending is not proportional to what it is asked for (it cannot go below
    // what its coarsest quantiser spends), so the rate is corrected by measuring again, a few
    // times at most, until the pictures fit the bytes the sound and container leave.
    int64_t rate = first;
    double budget = 0.0, video = 0.0;
    // Set once asking for clearly less no longer spends clearly less: the coarsest quantiser.
    bool atFloor = false;
    int64_t earlierRate = 0;
    double earlierVideo = 0.0;
    CSizeSampler::Parts parts;
    KeptSample kept;
    // Of encodes of the whole clip, the fullest that fitted: the rates may go round it.
    KeptSample best;
    int64_t bestRate = 0;
    double bestVideo = -1.0;
    CSizeSampler::Parts bestParts;
    bool whole = false;
    // Each measurement after the first only encodes what the first decoded, within a share of
    // the memory a sample may hold.
    std::vector<CSampleTape> tapes;
    for (size_t i = 0; i < sources.size(); ++i)
        tapes.emplace_back(CSampleTape::kDefaultLimit / sources.size());
    for (int attempt = 0;; ++attempt) {
        v.bitRate = rate;
        const int r = measureAll(sources, *plan, abort, &parts, &sounds,
                                 fit->keepSample ? kept.slot() : nullptr, &tapes);
        if (r < 0)
            return r;
        // An encode of the whole clip is exact: it may come as close to the limit as it likes.
        whole = !kept.path().empty();
        budget = (whole ? double(targetBytes) * (1.0 - kWholeMargin) : target) - parts.sound -
                 parts.container;
        video = parts.video;
        if (budget * 8.0 / seconds < double(minimum))
            return refuseVideo();
        // Asking for clearly less spent hardly less, or nothing less at all.
        atFloor = atFloor || rate <= minimum ||
                  (earlierRate > 0 && rate < earlierRate * 0.8 && video > earlierVideo * 0.95) ||
                  (earlierRate > 0 && rate < earlierRate * 0.95 && video > earlierVideo * 0.99);
        const int64_t priorRate = std::exchange(earlierRate, rate);
        const double priorVideo = std::exchange(earlierVideo, video);
        const bool fits = video <= budget;
        if (whole && fits && video > bestVideo) {
            bestRate = rate;
            bestVideo = video;
            bestParts = parts;
            best.adopt(kept.release());
        }
        const bool accepted = fits && video >= budget * kAcceptedFill;
        if ((accepted && whole) || attempt == (whole ? kWholeAttempts : kAttempts))
            break;
        // An encoder that jumps over the band (coarse steps of its quantiser) keeps a close fit.
        if (whole && !fits && bestVideo >= budget * kCloseFill)
            break;
        // Content that needs less than it was given cannot be made to spend more: nearly all
        // its pictures are at the encoder's finest quantiser, or its spending did not follow a
        // raise.
        const bool raised = priorRate > 0 && rate > priorRate;
        if (fits && (rate >= first * 4 || parts.finest >= kFinestShare ||
                     (raised && rate > priorRate * 1.2 && video < priorVideo * 1.02) ||
                     (raised && rate > priorRate * 1.05 && video < priorVideo * 1.01)))
            break;
        // Aimed near the top of the accepted band: from the two last measurements' slope where they
        // differ enough to give one, else in proportion to what the encoder made of this rate.
        const double want = budget * kAim;
        const double realised = std::max(video * 8.0 / (double(rate) * seconds), 0.05);
        double wanted = want * 8.0 / seconds / realised;
        double bytesPerBit = video / double(rate); // of the rate, for the clip
        if (priorRate > 0 && priorRate != rate && std::fabs(video - priorVideo) > 0.01 * video) {
            const double slope = (video - priorVideo) / double(rate - priorRate);
            if (slope > 0.0) {
                wanted = double(rate) + (want - video) / slope;
                bytesPerBit = slope;
            }
        }
        const int64_t next = std::clamp<int64_t>(std::llround(wanted), minimum, first * 4);
        if (!fits && next >= rate)
            break; // asking for less no longer spends less
        if (fits && next <= rate && !accepted)
            break;
        // A small step from a sample is taken as foreseen: spending follows the rate that closely
        // over so short a step, and measuring again would cost a good part of the run. An encode
        // of the whole clip is measured again, as it may be the output.
        if (!whole && std::llabs(next - rate) <= std::llround(double(rate) * kTrustedStep)) {
            video += double(next - rate) * bytesPerBit;
            v.bitRate = next;
            break;
        }
        if (accepted)
            break;
        rate = next;
    }
    if (whole && bestVideo >= 0.0) {
        v.bitRate = bestRate;
        video = bestVideo;
        parts = bestParts;
        kept.adopt(best.release());
    }
    // A sample that still comes out a little over is no refusal where the rate still has room:
    // an encoder's average rate works a short sample's excess off over a whole run, and the run
    // encodes again if it must. Content that its encoder's coarsest quantiser keeps over the
    // limit cannot fit, nor a clip none of whose own encodes fitted: a run would be the same.
    const double total = video + parts.sound + parts.container;
    const bool wholeOver = whole && total > double(targetBytes);
    if ((atFloor && video > budget * kFloorExcess) || wholeOver) {
        // What it needs is a limit that leaves the room a run is aimed below it: a prediction
        // just under this limit is refused all the same.
        const double needed = total / (1.0 - (whole ? kWholeMargin : kMargin));
        *why = limit + " is too small for " + durationText(seconds) + " of this " +
               std::to_string(v.width) + "x" + std::to_string(v.height) +
               " video (it needs about " +
               sizeText(std::llround(std::max(needed, double(targetBytes) + 1))) + ")";
        return kErrorTargetTooSmall;
    }
    fit->videoBitRate = v.bitRate;
    fit->fixedBytes = parts.sound + parts.container;
    if (!kept.path().empty() && parts.video + fit->fixedBytes <= double(targetBytes))
        fit->sampleFile = kept.release();
    fit->predictedBytes = std::min<int64_t>(std::llround(fit->fixedBytes + video), targetBytes);
    return 0;
}

int64_t correctedVideoRate(const SizeFit& fit, const OutputPlan& plan, int64_t targetBytes,
                           int64_t actualBytes, int64_t earlierRate, int64_t earlierBytes) {
    if (!plan.video || actualBytes <= targetBytes)
        return 0;
    const double aim = double(targetBytes) * (1.0 - 2 * kMargin);
    const double rate = double(plan.video->bitRate);
    double next = 0.0;
    if (earlierRate > plan.video->bitRate && earlierBytes > actualBytes) {
        const double bytesPerBit = double(earlierBytes - actualBytes) / (earlierRate - rate);
        next = rate - (double(actualBytes) - aim) / bytesPerBit;
    } else {
        const double budget = aim - fit.fixedBytes;
        const double spent = double(actualBytes) - fit.fixedBytes;
        if (budget <= 0.0 || spent <= 0.0)
            return 0;
        next = rate * budget / spent;
    }
    const int64_t lower = std::llround(next);
    return lower >= usefulVideoMinimum(*plan.video) && lower < plan.video->bitRate ? lower : 0;
}

std::string overLimitText(int64_t targetBytes, int64_t actualBytes) {
    return "the output could not be brought under " + sizeText(targetBytes) + " (it came to " +
           sizeText(actualBytes) + "); try a larger size, a shorter clip or a smaller picture";
}

} // namespace vel
