// The video rate search against made-up encoders: whatever the encoder makes of a rate (more or
// less than asked, a floor its coarsest quantiser keeps, coarse quantiser steps, content that is
// done at the finest quantiser), it lands under the budget and uses it, or says why it cannot.
#include "RateSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

using vel::RateSearch;

constexpr double kSeconds = 60.0;

// Picture bytes of the whole clip at a rate, as an encoder that spends `share` of what it is
// asked for would make them.
double spent(double rate, double share) {
    return rate * share * kSeconds / 8.0;
}

TEST(EngineRateSearch, LandsUnderTheBudgetOrSaysWhyItCannot) {
    struct Case {
        const char* name;
        std::function<double(double rate)> video;
        std::function<double(double rate)> finest; // share at the finest quantiser
        bool whole;
        double sound;
        RateSearch::End end;
        double leastFill; // of the budget, where it fits
        double guessedSound = -1; // what the first rate took the sound for, when not `sound`
    };
    const auto none = [](double) { return 0.0; };
    const Case cases[] = {
        {"spends a tenth more than asked", [](double r) { return spent(r, 1.1); }, none, false,
         480000, RateSearch::End::Fits, 0.95},
        {"spends a third less than asked", [](double r) { return spent(r, 0.67); }, none, false,
         480000, RateSearch::End::Fits, 0.95},
        {"coarsest quantiser over the budget", [](double r) { return spent(std::max(r, 90e3), 1); },
         none, false, 480000, RateSearch::End::OverAtCoarsest, 0},
        {"floored under the budget, overspending above it",
         [](double r) { return std::max(spent(r, 1.3), spent(50e3, 1)); }, none, false, 480000,
         RateSearch::End::Fits, 0.9},
        {"done at the finest quantiser", [](double r) { return spent(std::min(r, 20e3), 1); },
         [](double r) { return r > 20e3 ? 0.95 : 0.5; }, false, 480000, RateSearch::End::Fits, 0.0},
        {"quantiser steps, encoded whole",
         [](double r) { return spent(16e3 * std::ceil(r * 1.05 / 16e3), 1); }, none, true, 480000,
         RateSearch::End::Fits, 0.75},
        {"step-like overspending, encoded whole",
         [](double r) { return spent(24e3 * std::ceil(r / 20e3), 1); }, none, true, 480000,
         RateSearch::End::Fits, 0.6},
        {"silence far under the sound's nominal rate", [](double r) { return spent(r, 0.67); },
         none, false, 7000, RateSearch::End::Fits, 0.95, 700000},
        {"sound leaves the pictures too little", [](double r) { return spent(r, 1); }, none, false,
         930000, RateSearch::End::TooLittle, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RateSearch::Bounds bounds;
        bounds.seconds = kSeconds;
        bounds.limit = 1e6;
        bounds.sampleTarget = 0.97e6;
        bounds.wholeTarget = 0.995e6;
        const double guessed = c.guessedSound >= 0 ? c.guessedSound : c.sound;
        bounds.first = std::llround((0.97e6 * 0.98 - guessed) * 8.0 / kSeconds);
        bounds.minimum = 8000;
        int measured = 0, kept = 0;
        RateSearch search(bounds);
        const int r = search.run(
            [&](int64_t rate, vel::RateSample* s) {
                ++measured;
                *s = {c.video(double(rate)), c.sound, 10000, c.finest(double(rate)), c.whole};
                return 0;
            },
            [&] { ++kept; });
        ASSERT_EQ(r, 0);
        EXPECT_EQ(search.end(), c.end);
        EXPECT_LE(measured, c.whole ? 6 : 4);
        if (c.end != RateSearch::End::Fits)
            continue;
        const double budget =
            (c.whole ? bounds.wholeTarget : bounds.sampleTarget) - c.sound - 10000;
        EXPECT_LE(search.video(), budget);
        EXPECT_GE(search.video(), budget * c.leastFill);
        // What it settled on is what that rate spends (foreseen for a small step).
        EXPECT_NEAR(search.video(), c.video(double(search.rate())), 0.1 * budget);
        EXPECT_EQ(search.tookKeptWhole(), c.whole && kept > 0);
    }
}

} // namespace
