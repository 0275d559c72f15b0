// Where a size measurement samples a clip and how its windows stand for the clip, against made-up
// source rates and made-up encoder output: content that changes gets a window in every part,
// weighed by the part's length, and a window whose content cannot use more bits is not taken to.
#include "SamplePictureBits.h"
#include "SampleWindows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

using vel::ContentPart;
using vel::SampleSpan;

// Per-second source bytes from (seconds, bytes per second) runs, with a little wobble.
std::vector<double> runs(std::initializer_list<std::pair<int, double>> list) {
    std::vector<double> bytes;
    for (const auto& [seconds, rate] : list)
        for (int i = 0; i < seconds; ++i)
            bytes.push_back(rate * (1.0 + 0.15 * std::sin(double(bytes.size()))));
    return bytes;
}

TEST(EngineSampleWindows, EveryPartOfTheContentIsSampledAndWeighedByItsLength) {
    struct Case {
        const char* name;
        std::vector<double> bytes;
        double from, to;
        std::vector<double> cuts; // expected part boundaries inside (from, to), within 1 s
    };
    const Case cases[] = {
        {"one scene", runs({{60, 20000}}), 0, 60, {}},
        {"busy then still", runs({{18, 190000}, {9, 88000}}), 0, 27, {18}},
        {"still, busy, still", runs({{40, 300}, {10, 90000}, {40, 500}}), 0, 90, {40, 50}},
        {"one odd second is no part", runs({{20, 30000}, {1, 300000}, {20, 30000}}), 0, 41, {}},
        {"a trimmed clip", runs({{30, 1000}, {30, 50000}, {30, 1000}}), 20, 70, {30, 60}},
        {"unknown rates", {}, 5, 125, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ContentPart> parts = vel::contentParts(c.bytes, c.from, c.to, 8);
        ASSERT_EQ(parts.size(), c.cuts.size() + 1);
        EXPECT_DOUBLE_EQ(parts.front().begin, c.from);
        EXPECT_DOUBLE_EQ(parts.back().end, c.to);
        for (size_t i = 0; i < c.cuts.size(); ++i)
            EXPECT_NEAR(parts[i].end, c.cuts[i], 1.0);
        const int count = std::max(4, int(parts.size()));
        const auto windows = vel::placeWindows(parts, count, 1500, {});
        ASSERT_EQ(int(windows.size()), count);
        double represented = 0.0;
        for (size_t i = 0; i < windows.size(); ++i) {
            represented += windows[i].represents;
            EXPECT_GE(windows[i].beginMs, int64_t(c.from * 1000));
            if (i)
                EXPECT_GE(windows[i].beginMs, windows[i - 1].stopMs);
        }
        EXPECT_NEAR(represented, c.to - c.from, 1e-6);
        for (const ContentPart& p : parts) // a window starts inside every part
            EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [&](const auto& w) {
                return w.beginMs >= p.begin * 1000 - 1 && w.beginMs < p.end * 1000;
            }));
    }
}

TEST(EngineSampleWindows, PartsAreJoinedToTheWindowsThereAre) {
    // Ten alternating scenes of 6 s, but room for four windows: the closest neighbours join.
    std::vector<double> bytes;
    for (int scene = 0; scene < 10; ++scene)
        for (int i = 0; i < 6; ++i)
            bytes.push_back(scene % 2 ? 80000.0 : 4000.0 * (scene + 1));
    const auto parts = vel::contentParts(bytes, 0, 60, 4);
    EXPECT_EQ(parts.size(), 4u);
    for (size_t i = 1; i < parts.size(); ++i)
        EXPECT_DOUBLE_EQ(parts[i].begin, parts[i - 1].end);
}

TEST(EngineSampleWindows, AWindowStartsPastANearKeyframeOfItsOwnPart) {
    const std::vector<ContentPart> parts{{0, 20}, {20, 40}};
    // Windows of 2 s, two per part: centred at 5, 15, 25 and 35 s, so placed at 4, 14, 24, 34.
    const auto moved = vel::placeWindows(parts, 4, 2000, {3.2, 13.9, 19.5, 33.0});
    ASSERT_EQ(moved.size(), 4u);
    EXPECT_EQ(moved[0].beginMs, 3450);  // past 3.2 s
    EXPECT_EQ(moved[1].beginMs, 14150); // just past 13.9 s, a little after its place
    EXPECT_EQ(moved[2].beginMs, 24000); // 19.5 s is in the part before: stays
    EXPECT_EQ(moved[3].beginMs, 33250);
}

vel::COutputWriter::PictureNote note(double seconds, int64_t bytes, bool key, double q) {
    return {seconds, bytes, key, q};
}

TEST(EngineSampleWindows, OnlyContentThatCanTakeMoreReachesTheTarget) {
    // Two windows of 2 s at 25 fps: a busy one spending 80 % of the target at quantiser 30,
    // and a still one spending 2 % of it at quantiser 40 (skipped blocks, which a finer quantiser
    // does not make dearer); each stands for 10 s of the clip.
    const double target = 400000.0;
    std::vector<vel::COutputWriter::PictureNote> notes;
    for (int i = 0; i < 50; ++i)
        notes.push_back(note(i / 25.0, int64_t(0.8 * target / 8 / 25), false, 30));
    for (int i = 0; i < 50; ++i)
        notes.push_back(note(2 + i / 25.0, int64_t(0.02 * target / 8 / 25), false, 40));
    const std::vector<SampleSpan> spans{{0.0, 2.0, 10.0}, {2.0, 2.0, 10.0}};
    const auto bytes = vel::continuousPictureBytes(notes, spans);
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_NEAR(bytes[0] * 8, 0.8 * target * 10, 0.01 * target);
    EXPECT_NEAR(bytes[1] * 8, 0.02 * target * 10, 0.01 * target);
    AVCodecContext encoder{};
    encoder.qmin = 2;
    const double bits = vel::reachedPictureBits(notes, spans, bytes, &encoder, target);
    // The busy window reaches the target past its sampled 2 s; the still one keeps its rate.
    EXPECT_NEAR(bits, 0.8 * target * 2 + target * 8 + 0.02 * target * 10, 0.01 * target);
    EXPECT_NEAR(vel::reachedPictureBits(notes, spans, bytes, &encoder, 0.0),
                (bytes[0] + bytes[1]) * 8, 1.0);
}

} // namespace
