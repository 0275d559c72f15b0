// CVelConvert: the checks before a run: room on the disk for the estimate, and what to do when
// the output file exists already. They run on whichever thread starts the run; the disk message
// box is shown on the user-interface thread by the platform services while this thread waits.
#include "CVelConvert.h"

#include "ExportDerivation.h"
#include "OutputNaming.h"
#include "PlatformServices.h"
#include "UiThread.h"

#include <cstring>

namespace {

std::string diskSpaceText(const std::string& drive, uint64_t freeBytes, int64_t requiredKiB) {
    return "Disk space is not enough.\n\nDisk " + drive + " free space is " +
           std::to_string(freeBytes / 1048576) + " MBytes, the required space is " +
           std::to_string(requiredKiB / 1024) + " MBytes.";
}

} // namespace

int CVelConvert::checkDiskSpace(MediaItem* item, bool merge) {
    int64_t required = 0;
    if (merge) {
        const MediaList* items = list();
        for (size_t i = 0; items && i < items->size(); ++i) {
            if ((*items)[i]->hasState(kItemChecked)) {
                required += (*items)[i]->outputEstimate;
            }
        }
    } else {
        required = item->outputEstimate;
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
                notify(kNotifyConversionOver, nullptr, true);
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
            notify(kNotifyConversionOver, nullptr, true);
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
        notify(kNotifyConversionOver, nullptr, true);
    }
    return kOutputSkipped;
}
