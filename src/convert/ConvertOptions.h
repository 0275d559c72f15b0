#pragma once

// The command line of movara-convert, read by QCommandLineParser: "--opt value", "--opt=value",
// short options and "--" come from the library; this file says which options exist, checks
// their values and writes the grouped --help.

#include "CaptureOptions.h"
#include "ConvertEdits.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class ExistingOutput { Overwrite, Skip, Rename };

struct ConvertOptions {
    bool help = false;
    bool version = false;
    bool listProfiles = false;
    bool longList = false; // --long: --list-profiles with the profiles' settings
    bool merge = false;
    bool estimate = false; // print the size estimates, convert nothing
    bool json = false;     // stdout carries only JSON lines
    bool quiet = false;    // only failures on stderr
    bool print0 = false;   // output paths end with NUL instead of a newline
    std::string profile;   // a name, an alias or a unique prefix of a name
    std::string outputFolder;
    std::string outputFile;       // -o: the output of a single input or of a merge
    std::optional<int64_t> begin; // ms
    std::optional<int64_t> end;   // ms
    ExistingOutput exists = ExistingOutput::Rename;
    int64_t fitSize = 0; // --fit-size: each output (a merge: the whole) at most this many bytes
    std::optional<double> loudness; // --loudness: integrated loudness of each output, LUFS
    double truePeak = -1.0;         // --true-peak: the ceiling with --loudness, dBTP
    bool measureLoudness = false;   // print the FILEs' loudness, convert nothing
    bool listTracks = false;        // print the FILEs' sound and subtitle tracks, convert nothing
    int32_t audioTrack = 0;         // --audio-track: the sound track of each FILE, 0 = default
    int32_t burnSubtitles = 0;      // --burn-subtitles: a subtitle track drawn into the pictures
    ConvertEdits edits;
    std::vector<std::string> files;
    CaptureOptions capture; // recording instead of (or besides) files
};

// The arguments after the program name. nullopt with *error set on a usage error: one line
// that names the option.
std::optional<ConvertOptions> parseConvertOptions(const std::vector<std::string>& args,
                                                  std::string* error);

// The --help text.
std::string convertUsage();
// The --version line.
std::string convertVersion();
