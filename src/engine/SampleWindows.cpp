#include "SampleWindows.h"

#include "SizeTuning.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vel {

namespace {

using namespace tuning;

struct Span {
    size_t first, last; // seconds [first, last)
    double level;       // mean of the logarithmic rates
};

// Each second's rate, on a logarithmic scale, as the median of it and its neighbours: one odd
// second (a flash, a late keyframe) is no new content.
std::vector<double> levels(const std::vector<double>& bytes, size_t first, size_t last) {
    double mean = 0.0;
    for (size_t i = first; i < last; ++i)
        mean += bytes[i];
    mean /= double(std::max<size_t>(1, last - first));
    const double quiet = kQuietShare * mean + 1.0;
    std::vector<double> out;
    for (size_t i = first; i < last; ++i) {
        double near[3] = {bytes[i > first ? i - 1 : i], bytes[i], bytes[i + 1 < last ? i + 1 : i]};
        std::sort(near, near + 3);
        out.push_back(std::log(near[1] + quiet));
    }
    return out;
}

double levelOf(const std::vector<double>& level, size_t first, size_t last) {
    return std::accumulate(level.begin() + first, level.begin() + last, 0.0) /
           double(last - first);
}

// Neighbouring spans whose levels are closest are joined until at most `most` remain.
void joinClosest(std::vector<Span>& spans, const std::vector<double>& level, size_t most) {
    while (spans.size() > std::max<size_t>(1, most)) {
        size_t best = 0;
        for (size_t i = 1; i + 1 < spans.size(); ++i)
            if (std::fabs(spans[i].level - spans[i + 1].level) <
                std::fabs(spans[best].level - spans[best + 1].level))
                best = i;
        spans[best].last = spans[best + 1].last;
        spans[best].level = levelOf(level, spans[best].first, spans[best].last);
        spans.erase(spans.begin() + best + 1);
    }
}

} // namespace

std::vector<ContentPart> contentParts(const std::vector<double>& secondBytes, double from,
                                      double to, size_t most) {
    const size_t first = size_t(std::max(0.0, std::ceil(from)));
    const size_t last = std::min(secondBytes.size(), size_t(std::max(0.0, std::floor(to))));
    if (last < first + 4)
        return {{from, to}};
    const std::vector<double> level = levels(secondBytes, first, last);
    const double change = std::log(kContentChange);
    std::vector<Span> spans{{0, 1, level[0]}};
    for (size_t i = 1; i < level.size(); ++i) {
        Span& s = spans.back();
        // A part ends where two seconds in a row leave its level: a new part has them both.
        const bool leaves = std::fabs(level[i] - s.level) > change && i + 1 < level.size() &&
                            std::fabs(level[i + 1] - s.level) > change;
        if (leaves && s.last - s.first >= 2) {
            spans.push_back({i, i + 1, level[i]});
        } else {
            s.last = i + 1;
            s.level = levelOf(level, s.first, s.last);
        }
    }
    joinClosest(spans, level, most);
    std::vector<ContentPart> parts;
    for (const Span& s : spans)
        parts.push_back({double(first + s.first), double(first + s.last)});
    parts.front().begin = from;
    parts.back().end = to;
    return parts;
}

std::vector<SampleWindow> placeWindows(const std::vector<ContentPart>& parts, int count,
                                       int64_t lengthMs, const std::vector<double>& keyframes) {
    // One window a part, the rest by largest remainder of length.
    std::vector<int> windows(parts.size(), 1);
    const double total = parts.back().end - parts.front().begin;
    const int rest = std::max(0, count - int(parts.size()));
    std::vector<std::pair<double, size_t>> remainders;
    int given = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        const double share = rest * (parts[i].end - parts[i].begin) / total;
        windows[i] += int(share);
        given += int(share);
        remainders.push_back({share - std::floor(share), i});
    }
    std::sort(remainders.rbegin(), remainders.rend());
    for (int i = 0; i < rest - given; ++i)
        ++windows[remainders[size_t(i)].second];
    std::vector<SampleWindow> out;
    for (size_t p = 0; p < parts.size(); ++p) {
        const ContentPart& part = parts[p];
        const double length = part.end - part.begin;
        const int64_t partBegin = std::llround(part.begin * 1000.0);
        for (int w = 0; w < windows[p]; ++w) {
            int64_t at = std::llround((part.begin + length * (w + 0.5) / windows[p]) * 1000.0) -
                         lengthMs / 2;
            at = std::max(at, partBegin);
            auto later = std::upper_bound(keyframes.begin(), keyframes.end(), at / 1000.0 + 0.0005);
            if (later != keyframes.begin()) {
                const double key = *std::prev(later);
                const int64_t past = std::llround(key * 1000.0) + (key > 0.0 ? kPastKeyMs : 0);
                if (at - past <= lengthMs && past >= partBegin)
                    at = past;
            }
            if (!out.empty())
                at = std::max(at, out.back().stopMs);
            out.push_back({at, at + lengthMs, length / windows[p]});
        }
    }
    return out;
}

} // namespace vel
