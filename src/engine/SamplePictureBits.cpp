#include "SamplePictureBits.h"

#include <algorithm>
#include <cmath>

namespace vel {

namespace {

// Windows of one sample whose rates differ by this factor show content that changes.
constexpr double kChangingContent = 3.0;

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

double clipPictureBytes(const std::vector<COutputWriter::PictureNote>& notes, double pictures,
                        int group) {
    double keyBytes = 0.0, otherBytes = 0.0;
    int keys = 0, others = 0;
    for (const auto& n : notes) {
        (n.key ? keyBytes : otherBytes) += double(n.bytes);
        (n.key ? keys : others) += 1;
    }
    if (!others || !keys)
        return (keyBytes + otherBytes) * pictures / std::max(1, keys + others);
    const double runKeys = std::clamp(std::ceil(pictures / std::max(1, group)), 1.0, pictures);
    return keyBytes / keys * runKeys + otherBytes / others * (pictures - runKeys);
}

double continuousPictureBytes(const std::vector<COutputWriter::PictureNote>& notes,
                              const std::vector<double>& starts) {
    double total = 0.0;
    for (size_t w = 0; w < starts.size(); ++w) {
        const double from = starts[w] - 1e-3;
        const double to = w + 1 < starts.size() ? starts[w + 1] - 1e-3 : 1e300;
        double sum = 0.0, first = 0.0, firstAt = 1e300;
        int count = 0;
        for (const auto& n : notes)
            if (n.seconds >= from && n.seconds < to) {
                sum += double(n.bytes);
                ++count;
                if (n.seconds < firstAt) {
                    firstAt = n.seconds;
                    first = double(n.bytes);
                }
            }
        total += w == 0 || count < 2 ? sum : sum - first + (sum - first) / (count - 1);
    }
    return total;
}

double settlingPictureBits(const std::vector<COutputWriter::PictureNote>& notes,
                           const std::vector<double>& starts, double sampled, double seconds,
                           const RateControl& rc) {
    struct Window {
        double length, bits, late;
    };
    std::vector<Window> windows;
    double lowest = 1e300, highest = 0.0, all = 0.0;
    for (size_t w = 0; w < starts.size(); ++w) {
        const double end = w + 1 < starts.size() ? starts[w + 1] : sampled;
        Window window{end - starts[w], 0.0, lateRate(notes, starts[w], end)};
        for (const auto& n : notes)
            if (n.seconds >= starts[w] - 1e-3 && n.seconds < end - 1e-3)
                window.bits += 8.0 * double(n.bytes);
        all += window.bits;
        if (!(window.length > 0.0))
            continue;
        lowest = std::min(lowest, window.bits / window.length);
        highest = std::max(highest, window.bits / window.length);
        windows.push_back(window);
    }
    if (windows.size() < 2 || highest < kChangingContent * lowest)
        return settledBits(all, sampled, seconds, rc, lateRate(notes, 0.0, sampled));
    double total = 0.0;
    for (const Window& w : windows) {
        const double share = seconds * w.length / sampled;
        total += w.bits > rc.target * w.length ? settledBits(w.bits, w.length, share, rc, w.late)
                                               : w.bits * share / w.length;
    }
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
    return usual - 6.0 * std::log2(target / rate) >= std::max(0, encoder->qmin) + 1.0;
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
    return 250; // x264's own default, which the wrapper leaves in place
}

} // namespace vel
