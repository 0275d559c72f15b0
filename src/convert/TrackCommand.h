#pragma once

// The sound and subtitle tracks of sources: --list-tracks prints them, --audio-track and
// --burn-subtitles choose among them by number.

#include "ConvertOptions.h"
#include "velcodecapi.h"

#include <string>
#include <vector>

// --list-tracks: for each FILE a line with its name, then one line per track, indented:
// "  audio 1: eng, aac, stereo, 48 kHz, default" (with --json one object per track). The exit
// code: 0 when every file was read, 1 when any could not be.
int listTracksOfFiles(const ConvertOptions& options);

// Why a source cannot take the chosen tracks ("it has no sound track 3: it has 2"), or empty.
std::string trackRefusal(const ConvertOptions& options, const std::vector<tagVeldesTrack>& tracks);
