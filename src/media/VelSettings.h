#pragma once

#include "MediaItem.h"

#include <atomic>
#include <cstdint>
#include <string>

// Bits of VelSettings::optionFlags.
inline constexpr uint32_t kOptionSameAsInput = 0x0001; // output beside the source
inline constexpr uint32_t kOptionOverwrite = 0x0002;   // existing output: overwrite
inline constexpr uint32_t kOptionMerge = 0x0004;       // this run merges into one output
inline constexpr uint32_t kOptionRename = 0x0008;      // existing output: rename
inline constexpr uint32_t kOptionSkip = 0x0010;        // existing output: skip
inline constexpr uint32_t kOptionShutdown = 0x0020;    // power off when finished
inline constexpr uint32_t kOptionOpenSnapshotFolder = 0x0040;
inline constexpr uint32_t kOptionSnapshotCustomSize = 0x0080;
inline constexpr uint32_t kOptionAutoUpdate = 0x0100;       // "Enable automatic update check"
inline constexpr uint32_t kOptionShowRenameDialog = 0x0200; // "Show file rename dialog"
inline constexpr uint32_t kOptionOpenOutputFolder = 0x0400; // "Open the folder when finish convert"
inline constexpr uint32_t kOptionQuickTime = 0x0800;        // "Enable QuickTime"
inline constexpr uint32_t kOptionDirectShow = 0x1000;       // "Enable DirectShow"
inline constexpr uint32_t kOptionMuted = 0x2000;            // preview muted
inline constexpr uint32_t kOptionEffectPicture = 0x4000;    // preview shows the edited picture

inline constexpr uint32_t kDefaultOptionFlags = kOptionEffectPicture | kOptionDirectShow |
                                                kOptionShowRenameDialog | kOptionAutoUpdate |
                                                kOptionOpenSnapshotFolder | kOptionRename;

// The user's options that the whole program reads, plus two run-time values of the conversion.
// One process-wide record (instance()); tests construct their own. Fields are read and written
// directly. optionFlags and the cursor are atomic because the conversion reads and moves them on
// the codec engine's thread while check boxes may change on the user-interface thread.
struct VelSettings {
    std::atomic<uint32_t> optionFlags{kDefaultOptionFlags};
    int32_t volume = 100;
    std::string outputFolder;
    std::string snapshotFolder;
    std::string snapshotFormat = "JPEG";
    int32_t snapshotWidth = 400;
    int32_t snapshotHeight = 300;
    int32_t updateInterval = 7; // days
    std::string skinFile = "skin/Default.skin";

    // Not persisted: the file list pane's items, and the item the conversion is working on.
    MediaList* mediaList = nullptr;
    std::atomic<int32_t> conversionCursor{-1};

    bool option(uint32_t bit) const { return (optionFlags.load() & bit) != 0; }
    void setOption(uint32_t bit, bool on) {
        if (on) {
            optionFlags.fetch_or(bit);
        } else {
            optionFlags.fetch_and(~bit);
        }
    }

    static VelSettings& instance();
};
