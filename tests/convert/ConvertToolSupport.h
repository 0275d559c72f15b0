// Running the movara-convert program as a script would, on generated media.
#pragma once

#include "MediaGenerators.h"
#include "ToolRunner.h"

#include <string>
#include <vector>

namespace converttest {

// Bounded: a hung converter fails the test instead of stalling the suite.
inline testmedia::ToolResult runConvert(std::vector<std::string> args, int seconds = 120) {
    args.insert(args.begin(),
                {"timeout", "--signal=KILL", std::to_string(seconds), MOVARA_CONVERT_BIN});
    return testmedia::runTool(args);
}

// A 4:3 test picture with a tone.
inline std::string movie(double seconds = 1.0, int width = 320) {
    testmedia::SourceSpec spec;
    spec.width = width;
    spec.height = width * 3 / 4;
    spec.seconds = seconds;
    spec.sampleRate = 44100;
    return testmedia::generate(spec);
}

} // namespace converttest
