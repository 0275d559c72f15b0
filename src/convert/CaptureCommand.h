#pragma once

// What movara-convert does with its recording options: list the capture devices, and add the
// recording to the conversion as a device item.

#include "CaptureOptions.h"
#include "ConvertEdits.h"
#include "MediaItem.h"

#include <cstdio>
#include <string>

class CVelConvert;
class PlatformServices;

// "video\tNAME" and "audio\tNAME" lines, one per device the services find.
void printCaptureDevices(PlatformServices& services, std::FILE* out);

// Adds and loads the recording's item, with the picture edits files get. Empty on success, else
// why the devices cannot be recorded.
std::string addRecording(CVelConvert& convert, MediaList& items, const ProfileRef& profile,
                         const CaptureOptions& options, const ConvertEdits& edits);
