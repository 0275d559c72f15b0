#pragma once

// Where a conversion writes its output: the output path and folder of an item, the folder and
// file-name parts of a path, the existence test the checks use, and unique names.
//
// Paths use "/" and are never truncated. A device item (IsDevicePath) never touches the file
// system here: its output always goes to the configured output folder.

#include "FileNameText.h"
#include "MediaItem.h"
#include "PlatformTypes.h"
#include "VelSettings.h"

#include <functional>
#include <string>
#include <string_view>

// Everything up to, not including, the last "/" ("" when there is none; "/" for a file in /).
std::string folderOfPath(std::string_view path);
// The part after the last "/".
std::string fileNameOfPath(std::string_view path);

// The base name of the output: a file item's display name without its extension, a device
// item's whole display name (with "/" made "_").
std::string outputBaseName(const MediaItem& item);
// Base name + "." + the profile's extension.
std::string outputFileName(const MediaItem& item);
// The full output path: beside the source in same-as-input mode (file items only), otherwise in
// settings.outputFolder with a "/" added when it has none.
std::string outputPathOf(const MediaItem& item, const VelSettings& settings);
// The folder the save-to pane opens: a file item's source folder in same-as-input mode, else the
// configured output folder.
std::string outputFolderOf(const MediaItem& item, const VelSettings& settings);

// True when the path exists, or cannot be examined because access is denied (the safe answer for
// an output that must not be overwritten by surprise).
bool pathExists(const std::string& path);

// rest + "_YYYY_MM_DD_hh_mm_ss" + extension (the extension with its dot, from the last component).
std::string timeStampedName(std::string_view path, const SystemTime& now);
// The time-stamped name; when that exists too, "_2", "_3", ... is added before the extension
// until a free name is found, so two outputs made unique within one second stay apart.
std::string uniqueOutputName(std::string_view path, const SystemTime& now,
                             const std::function<bool(const std::string&)>& exists = pathExists);
