#pragma once

// The command line of movara-convert.

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
    bool merge = false;
    bool estimate = false; // print the size estimates, convert nothing
    std::string profile; // exact profile name
    std::string outputFolder;
    std::optional<int64_t> begin; // ms
    std::optional<int64_t> end;   // ms
    ExistingOutput exists = ExistingOutput::Rename;
    ConvertEdits edits;
    std::vector<std::string> files;
    CaptureOptions capture; // recording instead of (or besides) files
};

// The arguments after the program name. nullopt with *error set on a usage error.
std::optional<ConvertOptions> parseConvertOptions(const std::vector<std::string>& args,
                                                  std::string* error);

// The --help text.
std::string convertUsage();
// The --version line.
std::string convertVersion();
