#include "SamplePictureBits.h"

#include "SizeTuning.h"

#include <algorithm>
#include <cmath>

namespace vel {

namespace {

using namespace tuning;

// The picture bits of `seconds` from `bits` spent over `sampled` seconds. An encoder held tightly
// to its rate works off nothing of its start-up excess and goes on at the rate it kept at the
// end of the sample (`late`, bits per second), or the target where that is less.
double settledBits(double bits, double sampled, double seconds, const RateControl& rc,
                   double late) {
    if (rc.tight && bits > rc.target * sampled)
        return bits + std::max(rc.target, late) * (seconds - sampled);
    return scaledVideoBits(bits, sampled, seconds, rc.target, rc.tolerance);
}

// Bits per second of the pictures in the later half of [from, to) of the sample.
double lateRate(const std::vector<COutputWriter::PictureNote>& notes, double from, double to) {
    const double middle = (from + to) / 2;
    double bits = 0.0;
    for (const auto& n : notes)
        if (n.seconds >= middle - 1e-3 && n.seconds < to - 1e-3)
            bits += 8.0 * double(n.bytes);
    return to > middle ? bits / (to - middle) : 0.0;
}

} // namespace

double scaledVideoBits(double sampledBits, double sampled, double seconds, double target,
                       double tolerance) {
    if (!(target > 0.0) || !(tolerance > 0.0) || !(sampledBits > 0.0))
        return sampledBits * seconds / sampled;
    // Bits over t seconds when the encoder's own rate is `rate` and what it spent more (or less)
    // than the target holds it back (or spurs it on): the difference settles at
    // tolerance x (1 - target / rate).
    auto bitsOver = [&](double rate, double t) {
        return target * t +
               tolerance * (1.0 - target / rate) * (1.0 - std::exp(-rate * t / tolerance));
    };
    double low = target / 1e6, high = target * 1000.0;
    if (bitsOver(high, sampled) < sampledBits)
        return sampledBits * seconds / sampled;
    for (int i = 0; i < 60; ++i) {
        double mid = (low + high) / 2;
        (bitsOver(mid, sampled) < sampledBits ? low : high) = mid;
    }
    return bitsOver((low + high) / 2, seconds);
}

namespace {

bool within(const COutputWriter::PictureNote& n, const SampleSpan& s) {
    return n.seconds >= s.start - 1e-3 && n.seconds < s.start + s.length - 1e-3;
}

// Bytes per picture of the later half of a window's pictures (ordinary ones only, when asked):
// the encoder's own start is over there.
double lateBytesPerPicture(const std::vector<COutputWriter::PictureNote>& notes,
                           const SampleSpan& s, bool ordinaryOnly) {
    const SampleSpan later{s.start + s.length / 2, s.length / 2, 0.0};
    double bytes = 0.0;
    int count = 0;
    for (const auto& n : notes)
        if (within(n, later) && !(ordinaryOnly && n.key))
            bytes += double(n.bytes), ++count;
    return count ? bytes / count : 0.0;
}

double clipSeconds(const std::vector<SampleSpan>& spans) {
    double seconds = 0.0;
    for (const SampleSpan& s : spans)
        seconds += s.represents;
    return seconds;
}

} // namespace

std::vector<double> clipPictureBytes(const std::vector<COutputWriter::PictureNote>& notes,
                                     const std::vector<SampleSpan>& spans, double frameRate,
                                     int group) {
    double keyBytes = 0.0;
    int keys = 0;
    for (const auto& n : notes)
        if (n.key)
            keyBytes += double(n.bytes), ++keys;
    const double pictures = clipSeconds(spans) * frameRate;
    const double runKeys = std::clamp(std::ceil(pictures / std::max(1, group)), 1.0, pictures);
    std::vector<double> bytes;
    for (const SampleSpan& s : spans) {
        double other = 0.0, all = 0.0;
        int others = 0, count = 0;
        for (const auto& n : notes)
            if (within(n, s)) {
                all += double(n.bytes), ++count;
                if (!n.key)
                    other += double(n.bytes), ++others;
            }
        const double share = s.represents / std::max(1e-9, clipSeconds(spans));
        const double windowPictures = s.represents * frameRate;
        const double ordinary = std::max(0.0, windowPictures - runKeys * share);
        if (!others || !keys)
            bytes.push_back(count ? all / count * windowPictures : 0.0);
        else if (&s == &spans.front()) // the encoder's start counts once, then its later pace
            bytes.push_back(keyBytes / keys * runKeys * share + other +
                            lateBytesPerPicture(notes, s, true) * std::max(0.0, ordinary - others));
        else
            bytes.push_back(keyBytes / keys * runKeys * share + other / others * ordinary);
    }
    return bytes;
}

std::vector<double> continuousPictureBytes(const std::vector<COutputWriter::PictureNote>& notes,
                                           const std::vector<SampleSpan>& spans) {
    std::vector<double> bytes;
    for (size_t w = 0; w < spans.size(); ++w) {
        double sum = 0.0, first = 0.0, firstAt = 1e300;
        int count = 0;
        for (const auto& n : notes)
            if (within(n, spans[w])) {
                sum += double(n.bytes);
                ++count;
                if (n.seconds < firstAt) {
                    firstAt = n.seconds;
                    first = double(n.bytes);
                }
            }
        const SampleSpan& s = spans[w];
        if (w == 0) { // the encoder's start counts once, then its later pace
            const double perSecond = count ? lateBytesPerPicture(notes, s, false) * count / s.length
                                           : 0.0;
            bytes.push_back(sum + perSecond * std::max(0.0, s.represents - s.length));
            continue;
        }
        const double spent = count < 2 ? sum : sum - first + (sum - first) / (count - 1);
        bytes.push_back(s.length > 0.0 ? spent * s.represents / s.length : 0.0);
    }
    return bytes;
}

double reachedPictureBits(const std::vector<COutputWriter::PictureNote>& notes,
                          const std::vector<SampleSpan>& spans, const std::vector<double>& bytes,
                          const AVCodecContext* encoder, double target) {
    double total = 0.0;
    for (size_t w = 0; w < spans.size() && w < bytes.size(); ++w) {
        const SampleSpan& s = spans[w];
        const double bits = 8.0 * bytes[w];
        const double rate = s.represents > 0.0 ? bits / s.represents : 0.0;
        std::vector<COutputWriter::PictureNote> own;
        for (const auto& n : notes)
            if (within(n, s))
                own.push_back(n);
        const bool reaches = target > 0.0 && rate < target && canReach(own, encoder, rate, target);
        total += reaches ? rate * s.length + target * std::max(0.0, s.represents - s.length) : bits;
    }
    return total;
}

double settlingPictureBits(const std::vector<COutputWriter::PictureNote>& notes,
                           const std::vector<SampleSpan>& spans, double seconds,
                           const RateControl& rc) {
    struct Window {
        double length, represents, bits, late;
    };
    std::vector<Window> windows;
    double lowest = 1e300, highest = 0.0, all = 0.0, sampled = 0.0;
    for (const SampleSpan& s : spans) {
        Window window{s.length, s.represents, 0.0, lateRate(notes, s.start, s.start + s.length)};
        for (const auto& n : notes)
            if (within(n, s))
                window.bits += 8.0 * double(n.bytes);
        all += window.bits;
        sampled = std::max(sampled, s.start + s.length);
        if (!(window.length > 0.0))
            continue;
        lowest = std::min(lowest, window.bits / window.length);
        highest = std::max(highest, window.bits / window.length);
        windows.push_back(window);
    }
    if (windows.size() < 2 || highest < kChangingContent * lowest)
        return settledBits(all, sampled, seconds, rc, lateRate(notes, 0.0, sampled));
    double total = 0.0;
    for (const Window& w : windows)
        total += w.bits > rc.target * w.length
                     ? settledBits(w.bits, w.length, w.represents, rc, w.late)
                     : w.bits * w.represents / w.length;
    return total;
}

bool canReach(const std::vector<COutputWriter::PictureNote>& notes, const AVCodecContext* encoder,
              double rate, double target) {
    std::vector<double> quantisers;
    for (const auto& n : notes)
        if (!n.key && n.quantiser >= 0.0)
            quantisers.push_back(n.quantiser);
    if (quantisers.empty() || !(rate > 0.0))
        return false;
    std::nth_element(quantisers.begin(), quantisers.begin() + quantisers.size() / 2,
                     quantisers.end());
    const double usual = quantisers[quantisers.size() / 2];
    const double steps = kStepsPerDoubling * std::log2(target / rate);
    return steps <= kFurthestReach && usual - steps >= std::max(0, encoder->qmin) + 1.0;
}

bool atCoarsest(const std::vector<COutputWriter::PictureNote>& notes,
                const AVCodecContext* encoder) {
    if (encoder->qmax <= 0)
        return false;
    size_t coarsest = 0, known = 0;
    for (const auto& n : notes)
        if (n.quantiser >= 0.0) {
            ++known;
            coarsest += n.quantiser >= encoder->qmax - 0.5;
        }
    return known > 0 && coarsest * 2 > known;
}

int keyInterval(const AVCodecContext* encoder) {
    if (encoder->gop_size > 1)
        return encoder->gop_size;
    return kDefaultKeyInterval;
}

} // namespace vel
