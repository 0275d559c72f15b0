// Sources drawn at random from a seed, for benchmarks and tests that must hold on content nobody
// tuned them to: 1-4 segments of different lavfi kinds (test patterns, fractals, cellular automata, noise of
// several strengths, flat colours with moving shapes, scrolling text, gradients, dark scenes),
// 2-90 s each, one picture size from 176x144 to 1920x1080 (odd sizes too) at 12-60 fps, sound
// none, a tone, noise or a tone with silent gaps, in one of several source codecs with keyframes
// from every second to 10 s apart. The same seed draws the same sources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace benchsource {

struct RandomSource {
    std::string name; // what was drawn, short enough for a result line
    double seconds = 0.0;
    int width = 0, height = 0;
    bool sound = false;
    std::vector<std::string> args; // ffmpeg input and output options before "{out}"
    std::string extension;         // of the file, which picks its container
};

std::vector<RandomSource> drawSources(int count, uint64_t seed);

// "--random N --seed S" from a benchmark's arguments: false when they are not there (the fixed
// corpus runs); a missing seed is taken from the clock. Either way the seed is printed.
bool randomArguments(int argc, char** argv, int* count, uint64_t* seed);

} // namespace benchsource
