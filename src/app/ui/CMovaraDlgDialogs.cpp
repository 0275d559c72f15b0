// The main window's dialogs of information and settings: media information, preferences, and
// the version check (the silent one after start-up and the one the person asks for).
#include "CMovaraDlg.h"

#include "CommandIds.h"
#include "MovaraMenus.h"

#include "CFileInfoDlg.h"
#include "CFileListWnd.h"
#include "CFitSizeDlg.h"
#include "CLiveUpdateDlg.h"
#include "COptionDlg.h"
#include "CSavetoWnd.h"
#include "PlatformServices.h"
#include "VelSettings.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

static_assert(kMsgVersionResult == kMsgVersionCheck);

namespace {

// The save-to pane's "Preferences" button.
constexpr int kSavetoPreferences = 2;
constexpr int kMaxUpdateInterval = 30;

} // namespace

void CMovaraDlg::EnableDialogButtons() {
    EnableItem(m_savetoPane, kSavetoPreferences, isCommandAvailable(kCmdPreferences) && !Busy());
}

void CMovaraDlg::OnFileInfo() {
    MediaItem* item = m_fileList ? m_fileList->MediaAt(m_fileList->FocusedIndex()) : nullptr;
    if (!item || item->hasState(kItemNotExist))
        return;
    tagVeldesStreamInfo* streams = nullptr;
    const int count = m_convert.mediaInfo(item, &streams);
    CFileInfoDlg dialog(*item, streams, std::max(count, 0), this, Skin());
    dialog.exec();
}

void CMovaraDlg::OnFitSize() {
    // A running conversion reads the limits.
    if (Busy() || !m_fileList)
        return;
    MediaItem* focused = m_fileList->MediaAt(m_fileList->FocusedIndex());
    if (!focused)
        return;
    CFitSizeDlg dialog(focused->targetSize, this, Skin());
    if (dialog.exec() != 1)
        return;
    if (dialog.ApplyToChecked()) {
        for (int i = 0; i < m_fileList->Count(); ++i)
            if (MediaItem* item = m_fileList->MediaAt(i); item->hasState(kItemChecked))
                item->targetSize = dialog.Limit();
    } else {
        focused->targetSize = dialog.Limit();
    }
    m_fileList->RepaintRows();
}

void CMovaraDlg::OnPreferences() {
    // The options a running conversion reads are not changed under it.
    if (Busy())
        return;
    COptionDlg dialog(m_settings, this, Skin(), kVersionCheckBuilt);
    dialog.exec();
}

std::shared_ptr<CVelVersionUpdate> CMovaraDlg::MakeVersionChecker() const {
    return std::make_shared<CVelVersionUpdate>(platformServices().writableFolder(),
                                               m_versionServer);
}

void CMovaraDlg::OnCheckUpdates() {
    if (!kVersionCheckBuilt)
        return;
    // A checker of its own: the silent check may still be running with the window's.
    m_liveUpdateOpen = true;
    CLiveUpdateDlg dialog(MakeVersionChecker(), this, Skin());
    dialog.exec();
    m_liveUpdateOpen = false;
}

void CMovaraDlg::StartAutomaticVersionCheck() {
    // The person's preferences decide: off means never, else once per their interval.
    if (!kVersionCheckBuilt || m_destroyed || !m_settings.option(kOptionAutoUpdate))
        return;
    if (!m_versionCheck)
        m_versionCheck = MakeVersionChecker();
    m_versionCheck->setIntervalDays(std::clamp(m_settings.updateInterval, 1, kMaxUpdateInterval));
    m_versionCheck->start(false, handle());
}

void CMovaraDlg::OnVersionResult(const VersionCheckResult* result) {
    if (!result || !result->success || !isNewerVersion(result->majorId, result->minorId))
        return;
    // The checker waits while this runs: the dialog opens after it has gone on, and not over
    // the one the person opened.
    if (m_liveUpdateOpen || m_destroyed)
        return;
    m_liveUpdateOpen = true;
    QTimer::singleShot(0, this, [this, found = *result] {
        if (!m_destroyed && m_versionCheck) {
            CLiveUpdateDlg dialog(found, m_versionCheck->installerUrl(), this, Skin());
            dialog.exec();
        }
        m_liveUpdateOpen = false;
    });
}

void CMovaraDlg::EndVersionCheck() {
    const std::shared_ptr<CVelVersionUpdate> checker = m_versionCheck.shared();
    m_versionCheck.reset();
    if (!checker)
        return;
    // Requests started after a cancellation are cancelled on the next round.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (checker->running() && std::chrono::steady_clock::now() < giveUp) {
        platformServices().cancelWebRequests();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
