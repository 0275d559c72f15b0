// The 21 built-in profiles and the export derivation of the conversion engine object, written
// out here so the engine can be tested with exactly the records the program will send it.
#pragma once

#include "velcodecapi.h"

#include <string>
#include <vector>

namespace enginetest {

struct TestProfile {
    const char* name;
    int flag;
    int format;     // format table index
    int videoCodec; // video codec table index
    int width, height;
    int audioCodec; // audio codec table index
    int channel;    // 0 mono, else stereo
    int sampleRate;
    int audioBitrate;
    int audioQuality;
    int videoQuality = 60;
    double frameRate = 0.0; // "auto"
    int videoBitrate = 0;   // "auto", kbit/s
    int aspectRatio = 0;
};

const std::vector<TestProfile>& builtInProfiles();
// The built-in profile of that name; throws std::out_of_range for a name there is not.
const TestProfile& builtInProfile(const std::string& name);
const char* engineFormatName(int format);
int videoEngineId(const TestProfile& p);
int audioEngineId(const TestProfile& p);

// "Export setting of one source" and "Export info of a run", from the engine's stream records.
tagVeldesExportSetting deriveExportSetting(const TestProfile& p,
                                           const std::vector<tagVeldesStreamInfo>& streams);
tagVeldesExportInfo deriveExportInfo(const TestProfile& p,
                                     const std::vector<tagVeldesStreamInfo>& streams,
                                     const std::string& outputPath);

// Adds `source` to the timeline with the export setting the profile derives for it: its media
// id, with its stream records in *streams; -1 when the engine does not take it.
int addWithProfile(VeldesTimeline timeline, const std::string& source, const TestProfile& p,
                   std::vector<tagVeldesStreamInfo>* streams);

} // namespace enginetest
