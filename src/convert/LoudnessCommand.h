#pragma once

// --measure-loudness: the EBU R128 figures of each FILE, one line each on stdout:
// "<integrated LUFS>\t<true peak dBTP>\t<LRA LU>\t<file>". With --profile (and a clip) the sound
// is measured as that profile converts it, else as the file holds it.

#include "ConvertOptions.h"
#include "Profile.h"

// The exit code: 0 when every file was measured, 1 when any could not be.
int measureLoudnessOfFiles(const ConvertOptions& options, const ProfileRef& profile);

// One line of the output (without its newline).
std::string loudnessLine(const tagVeldesLoudness& figures, const std::string& file);

// What --loudness TARGET does not do to sound of these figures, in words (empty when it
// normalises it): silence and near-silence are left as they are.
std::string loudnessNotice(const tagVeldesLoudness& figures, double target);
