// CVelConvert: the checks before a run: room on the disk for the estimate, and what to do when
// the output file exists already. They run on whichever thread starts the run; the disk message
// box is shown on the user-interface thread by the platform services while this thread waits.
#include "CVelConvert.h"

#include "ExportDerivation.h"
#include "OutputNaming.h"
#include "PlatformServices.h"
#include "UiThread.h"

#include <algorithm>
#include <cstring>

namespace {

// "<whole>.<tenth>" of a KiB count in MiB, rounded down (free room is never overstated).
std::string tenthsOfMiB(uint64_t kib) {
    const uint64_t tenths = kib * 10 / 1024;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string diskSpaceText(const std::string& drive, uint64_t freeBytes, int64_t requiredKiB) {
    // The figures are shown as finely as it takes for the shortage to be seen: a refusal never
    // reads "1 MBytes free, 1 MBytes required".
    const uint64_t freeKiB = freeBytes / 1024;
    const uint64_t neededKiB = static_cast<uint64_t>(std::max<int64_t>(requiredKiB, 0));
    std::string freeText, neededText, unit = " MBytes";
    if (freeKiB / 1024 != neededKiB / 1024) {
        freeText = std::to_string(freeKiB / 1024);
        neededText = std::to_string(neededKiB / 1024);
    } else if (freeKiB * 10 / 1024 != neededKiB * 10 / 1024) {
        freeText = tenthsOfMiB(freeKiB);
        neededText = tenthsOfMiB(neededKiB);
    } else {
        freeText = std::to_string(freeKiB);
        neededText = std::to_string(neededKiB);
        unit = " KBytes";
    }
    return "Disk space is not enough.\n\nDisk " + drive + " free space is " + freeText + unit +
           ", the required space is " + neededText + unit + ".";
}

} // namespace

int CVelConvert::checkDiskSpace(MediaItem* item, bool merge) {
    int64_t required = 0;
    if (merge) {
        const MediaList* items = list();
        for (size_t i = 0; items && i < items->size(); ++i) {
            if ((*items)[i]->hasState(kItemChecked)) {
                required += std::max<int64_t>((*items)[i]->outputEstimate, 0); // -1: no size
            }
        }
    } else {
        required = std::max<int64_t>(item->outputEstimate, 0);
    }
    const int64_t requiredKiB = required / 1024;
    // The "drive" is the file system of the output folder: its space is asked of the folder, its
    // mount point is what the message names.
    const std::string folder = folderOfPath(outputPathOf(*item, *job_));
    PlatformServices& services = platformServices();

    bool shortage = false;
    uint64_t lastFree = 0;
    for (;;) {
        const std::optional<uint64_t> freeBytes = services.freeDiskSpace(folder);
        if (freeBytes) {
            if (requiredKiB <= static_cast<int64_t>(*freeBytes / 1024)) {
                return 0;
            }
            shortage = true;
            lastFree = *freeBytes;
        } else if (!shortage) {
            return 0;
        }
        if (diskShortageSkipsItem_) {
            item->failureReason =
                diskSpaceText(services.mountPointOf(folder), lastFree, requiredKiB);
            item->setState(kItemConvertFailed);
            notify(kNotifyItemState, item, false);
            if (merge) {
                endConversion();
            }
            return kDiskCheckItemSkipped;
        }
        // Asked from an engine thread, the question is withdrawn (as Cancel) when the conversion
        // is stopped or shut down before it was shown: the user-interface thread may be waiting
        // for this very thread then.
        const std::string text =
            diskSpaceText(services.mountPointOf(folder), lastFree, requiredKiB);
        const int answer = static_cast<int>(runOnUiThreadUnless(
            [&]() -> intptr_t {
                return services.messageBox(text, "Movara", MB_RETRYCANCEL, MB_ICONWARNING);
            },
            [this] { return requestWithdrawn(); }, IDCANCEL));
        if (answer != IDRETRY) {
            endConversion();
            return kDiskCheckCancelled;
        }
    }
}

int CVelConvert::checkExistingOutput() {
    char* path = exportInfo_.outputPath;
    if (!pathExists(path)) {
        return 0;
    }
    const uint32_t flags = job_->optionFlags.load();
    bool skip = false;
    bool makeUnique = false;
    if (flags & kOptionSkip) {
        skip = true;
    } else if (!(flags & kOptionRename)) {
        return 0; // overwrite: the engine replaces the file once the new one is complete
    } else if (!(flags & kOptionShowRenameDialog)) {
        makeUnique = true;
    } else {
        const intptr_t answer = notify(kNotifyOutputExists, path, true);
        // Whatever the handler wrote, the record keeps a terminated path.
        path[sizeof exportInfo_.outputPath - 1] = '\0';
        if (answer == kRenameSkip) {
            skip = true;
        } else if (answer == kRenameAuto) {
            makeUnique = true;
        }
    }
    if (makeUnique) {
        const std::string unique = uniqueOutputName(path, platformServices().localTime());
        // A unique name that no longer fits the record would overwrite the existing file if
        // dropped; the item is skipped instead.
        if (!copyField(path, sizeof exportInfo_.outputPath, unique)) {
            skip = true;
        }
    }
    if (!skip) {
        return 0;
    }
    if (job_->option(kOptionMerge)) {
        endConversion();
    }
    return kOutputSkipped;
}
