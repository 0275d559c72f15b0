#include "SizeFit.h"

#include "SizeTuning.h"

#include "CSizeSampler.h"
#include "RateSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include <unistd.h>

namespace vel {

namespace {

using namespace tuning;

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
    return std::max<int64_t>(kLeastUsefulVideoRate, std::llround(perSecond * kUsefulBitsPerPixel));
}

// Whether the sound encoder opens at `rate` with the plan's sample rate and channels: encoders
// without a rate table still have a least rate, which depends on both (libvorbis wants more for
// stereo at 44.1 kHz than for mono at 22.05 kHz), so the encoder is asked rather than a table.
bool encoderTakes(const AudioPlan& a, int64_t rate) {
    AVCodecContext* enc = avcodec_alloc_context3(a.encoder);
    if (!enc)
        return false;
    enc->sample_rate = a.sampleRate;
    enc->sample_fmt = a.sampleFormat;
    av_channel_layout_default(&enc->ch_layout, a.channels);
    enc->time_base = {1, a.sampleRate};
    enc->bit_rate = rate;
    const bool opened = avcodec_open2(enc, a.encoder, nullptr) >= 0;
    avcodec_free_context(&enc);
    return opened;
}

// The bit rates the sound encoder takes at the plan's sample rate, lowest first. An encoder that
// takes any rate is offered the usual steps up to the plan's own.
std::vector<int64_t> soundRates(const AudioPlan& a) {
    static const int kSteps[] = {8000,  12000,  16000,  24000,  32000,  48000,  64000,
                                 96000, 128000, 160000, 192000, 256000, 320000, 0};
    if (a.codec->bitRateFromFormat)
        return {a.bitRate};
    const int* list = a.codec->bitRates;
    if (a.sampleRate < 32000 && a.codec->lowRateBitRates)
        list = a.codec->lowRateBitRates;
    std::vector<int64_t> rates;
    for (const int* p = list ? list : kSteps; *p; ++p)
        if (list || (*p < a.bitRate && encoderTakes(a, *p)))
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

namespace {

std::string pictureText(const VideoPlan& v) {
    return std::to_string(v.width) + "x" + std::to_string(v.height) + " video";
}

// What a refused fit of the pictures needed: their bytes at the least they can be given (their
// useful minimum, or what the coarsest quantiser spends), beside the sound and container.
struct Shortfall {
    double pictures = 0.0, sound = 0.0, container = 0.0;
    double margin = kMargin; // what the limit is aimed below
    bool coarsest = false;   // the content keeps the pictures over, not their size
};

// Sound keeps the profile's rate while pictures keep a fair share; else the highest listed rate
// that leaves them one, and no sound rate at all is refused.
bool chooseSoundRate(OutputPlan* plan, double target, double seconds, const std::string& limit,
                     std::string* why) {
    const std::vector<int64_t> rates = soundRates(*plan->audio);
    const double room = plan->video ? target * (1.0 - kPictureShare) : target;
    auto fits = [&](int64_t rate) { return double(rate) * seconds / 8.0 <= room; };
    if (!fits(rates.front())) {
        *why = limit + " is too small for " + durationText(seconds) + " of sound";
        return false;
    }
    if (!fits(plan->audio->bitRate)) {
        int64_t best = rates.front();
        for (int64_t rate : rates)
            if (fits(rate))
                best = rate;
        plan->audio->bitRate = best;
    }
    return true;
}

// Sound alone is measured whole: that encode is the output where it fits.
int fitSoundOnly(const std::vector<PassSource>& sources, int64_t targetBytes,
                 const OutputPlan& plan, const std::atomic<bool>* abort, SizeFit* fit) {
    std::vector<double> sounds;
    CSizeSampler::Parts parts;
    KeptSample kept;
    const int r =
        measureAll(sources, plan, abort, &parts, &sounds, fit->keepSample ? kept.slot() : nullptr);
    if (r < 0)
        return r;
    fit->predictedBytes = std::llround(parts.video + parts.sound + parts.container);
    fit->fixedBytes = parts.sound + parts.container;
    if (!kept.path().empty() && fit->predictedBytes <= targetBytes)
        fit->sampleFile = kept.release();
    return 0;
}

// The pictures' rate that spends what the sound and container leave: a first rate from the
// budget, then the encoder's own spending at that rate on this content sets the rate. A refusal
// is kErrorTargetTooSmall with what the pictures would have needed in *shortfall.
int fitPictures(const std::vector<PassSource>& sources, int64_t targetBytes, double seconds,
                OutputPlan* plan, const std::atomic<bool>* abort, std::vector<double>* sounds,
                SizeFit* fit, Shortfall* shortfall) {
    VideoPlan& v = *plan->video;
    const double target = double(targetBytes) * (1.0 - kMargin);
    const double soundGuess = plan->audio ? double(plan->audio->bitRate) * seconds / 8.0 : 0.0;
    RateSearch::Bounds bounds;
    bounds.seconds = seconds;
    bounds.limit = double(targetBytes);
    bounds.sampleTarget = target;
    // An encode of the whole clip is exact: it may come as close to the limit as it likes.
    bounds.wholeTarget = double(targetBytes) * (1.0 - kWholeMargin);
    bounds.first = std::llround((target * kFirstAim - soundGuess) * 8.0 / seconds);
    bounds.minimum = usefulVideoMinimum(v);
    const double leastPictures = double(bounds.minimum) * seconds / 8.0;
    if (bounds.first < bounds.minimum) {
        *shortfall = {leastPictures, soundGuess, 0.0, kMargin, false};
        return kErrorTargetTooSmall;
    }
    KeptSample kept, best;
    // Each measurement after the first only encodes what the first decoded, within a share of
    // the memory a sample may hold.
    std::vector<CSampleTape> tapes;
    for (size_t i = 0; i < sources.size(); ++i)
        tapes.emplace_back(CSampleTape::kDefaultLimit / sources.size());
    auto measure = [&](int64_t rate, RateSample* sample) {
        v.bitRate = rate;
        CSizeSampler::Parts parts;
        const int r = measureAll(sources, *plan, abort, &parts, sounds,
                                 fit->keepSample ? kept.slot() : nullptr, &tapes);
        *sample = {parts.video, parts.sound, parts.container, parts.finest, !kept.path().empty()};
        return r;
    };
    RateSearch search(bounds);
    const int r = search.run(measure, [&] { best.adopt(kept.release()); });
    if (r < 0)
        return r;
    if (search.tookKeptWhole())
        kept.adopt(best.release());
    v.bitRate = search.rate();
    const RateSample& parts = search.sample();
    if (search.end() != RateSearch::End::Fits) {
        const bool coarsest = search.end() == RateSearch::End::OverAtCoarsest;
        *shortfall = {coarsest ? search.video() : leastPictures, parts.sound, parts.container,
                      search.whole() ? kWholeMargin : kMargin, coarsest};
        return kErrorTargetTooSmall;
    }
    fit->videoBitRate = v.bitRate;
    fit->fixedBytes = parts.sound + parts.container;
    if (!kept.path().empty() && parts.video + fit->fixedBytes <= double(targetBytes))
        fit->sampleFile = kept.release();
    fit->predictedBytes =
        std::min<int64_t>(std::llround(fit->fixedBytes + search.video()), targetBytes);
    return 0;
}

// A single clip measured in samples has its sound encoded whole on its own, kept so the run need
// not encode it again; `sounds` then holds its bytes for the measurements.
int measureKeptSound(const std::vector<PassSource>& sources, const OutputPlan& plan,
                     const std::atomic<bool>* abort, SizeFit* fit, std::vector<double>* sounds) {
    fit->sound.reset();
    if (!fit->keepSample || sources.size() != 1 || !plan.audio ||
        CSizeSampler::encodesWhole(sources.front(), plan))
        return 0;
    const int64_t sound = CSizeSampler::measureSound(sources.front(), plan, abort, &fit->sound);
    if (abort->load())
        return AVERROR_EXIT;
    if (sound >= 0)
        sounds->push_back(double(sound));
    return 0;
}

// What a limit must leave the pictures' `need` beside sound of `soundBytes`: the room a run is
// aimed below it, and where the first rate aims within it.
double limitFor(const Shortfall& s, double need, double soundBytes) {
    const double aim = s.coarsest ? 1.0 : kFirstAim;
    return (need + soundBytes + s.container) / ((1.0 - s.margin) * aim);
}

// The highest sound rate below the plan's that leaves the pictures what they fell short of, from
// the sound's bytes per bit of rate as measured; 0 where even the lowest would not.
int64_t lowerSoundRate(const AudioPlan& a, const Shortfall& s, int64_t targetBytes) {
    if (a.bitRate <= 0 || !(s.sound > 0.0))
        return 0;
    const double perBit = s.sound / double(a.bitRate);
    const std::vector<int64_t> rates = soundRates(a);
    for (auto rate = rates.rbegin(); rate != rates.rend(); ++rate)
        if (*rate < a.bitRate && limitFor(s, s.pictures, perBit * double(*rate)) <= targetBytes)
            return *rate;
    return 0;
}

// Why a limit is refused, with the smallest limit that would be taken at the lowest sound rate
// (`lowerSound`: the sound would still spend less there, else it is taken as measured).
std::string refusalText(const OutputPlan& plan, const Shortfall& s, int64_t targetBytes,
                        double seconds, bool lowerSound) {
    double sound = s.sound;
    if (lowerSound && plan.audio && plan.audio->bitRate > 0)
        sound *= double(soundRates(*plan.audio).front()) / double(plan.audio->bitRate);
    const double needed = std::max(limitFor(s, s.pictures, sound), double(targetBytes) + 1);
    return sizeText(targetBytes) + " is too small for " + durationText(seconds) + " of " +
           (s.coarsest ? "this " : "") + pictureText(*plan.video) + " (it needs about " +
           sizeText(std::llround(needed)) + ")";
}

} // namespace

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
    if (plan->audio) {
        if (!chooseSoundRate(plan, target, seconds, sizeText(targetBytes), why))
            return kErrorTargetTooSmall;
        fit->audioBitRate = plan->audio->bitRate;
    }
    if (!plan->video)
        return fitSoundOnly(sources, targetBytes, *plan, abort, fit);
    plan->video->tightRate = CSizeSampler::settlingEncoder(plan->video->encoder);
    // Pictures that would get too little take rate from the sound, step by step down its rates,
    // before the limit is refused; an encoder that spends no less at a lower rate (its own least)
    // ends the steps.
    for (double earlierSound = 0.0;;) {
        std::vector<double> sounds;
        if (const int r = measureKeptSound(sources, *plan, abort, fit, &sounds); r < 0)
            return r;
        Shortfall shortfall;
        const int r =
            fitPictures(sources, targetBytes, seconds, plan, abort, &sounds, fit, &shortfall);
        if (r != kErrorTargetTooSmall)
            return r;
        const bool flat = earlierSound > 0.0 && shortfall.sound >= earlierSound * kSoundNoLess;
        const int64_t lower =
            plan->audio && !flat ? lowerSoundRate(*plan->audio, shortfall, targetBytes) : 0;
        if (lower <= 0) {
            *why = refusalText(*plan, shortfall, targetBytes, seconds, !flat);
            return r;
        }
        earlierSound = shortfall.sound;
        plan->audio->bitRate = fit->audioBitRate = lower;
    }
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
