// Conversion control from the action pane: start (merged or one output per item), pause,
// resume, stop; the engine's end-of-conversion and existing-output messages; the completion
// actions (the finished file in the file manager, power off after a countdown).
#include "CMovaraDlg.h"

#include "CCountdownDlg.h"

#include "CActionWnd.h"
#include "CFileListWnd.h"
#include "CFileRenameDlg.h"
#include "CStatusWnd.h"
#include "CVelEdit.h"
#include "OutputNaming.h"
#include "PlatformServices.h"
#include "VelSettings.h"

#include <QCloseEvent>

#include <cstring>
#include <filesystem>

namespace {

// Skin image ids of the action pane's two elements.
constexpr int kImageStart = 24;
constexpr int kImageMerge = 25;
constexpr int kImageStop = 26;
constexpr int kImagePause = 27;
constexpr int kImageResume = 28;

// What the desktop lists as the reason the computer stays awake (the conversion's own words).
constexpr const char* kConvertingReason = "Converting media";

constexpr int kShutdownSeconds = 60;
constexpr const char* kShutdownPrompt = "Your computer will be closed after : ";

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

} // namespace

void CMovaraDlg::OnActionClick(int itemId) {
    const int state = State();
    if (itemId == CActionWnd::kMerge) {
        switch (state) {
        case kStateConverting:
            PauseConversion();
            break;
        case kStateSuspended:
            ResumeConversion();
            break;
        default:
            StartConversion(true);
            break;
        }
    } else if (itemId == CActionWnd::kStart) {
        if (state == kStateConverting || state == kStateSuspended)
            StopConversion();
        else
            StartConversion(false);
    }
}

void CMovaraDlg::SetActionLook(int state) {
    if (!m_actionPane)
        return;
    switch (state) {
    case kStateConverting:
        m_actionPane->SetItemImage(CActionWnd::kMerge, kImagePause);
        m_actionPane->SetItemTooltip(CActionWnd::kMerge, QStringLiteral("Pause conversion"));
        m_actionPane->SetItemImage(CActionWnd::kStart, kImageStop);
        m_actionPane->SetItemTooltip(CActionWnd::kStart, QStringLiteral("Stop conversion"));
        break;
    case kStateSuspended:
        m_actionPane->SetItemImage(CActionWnd::kMerge, kImageResume);
        m_actionPane->SetItemTooltip(CActionWnd::kMerge, QStringLiteral("Resume conversion"));
        m_actionPane->SetItemImage(CActionWnd::kStart, kImageStop);
        m_actionPane->SetItemTooltip(CActionWnd::kStart, QStringLiteral("Stop conversion"));
        break;
    default:
        m_actionPane->SetItemImage(CActionWnd::kMerge, kImageMerge);
        m_actionPane->SetItemTooltip(CActionWnd::kMerge, QStringLiteral("Merge media"));
        m_actionPane->SetItemImage(CActionWnd::kStart, kImageStart);
        m_actionPane->SetItemTooltip(CActionWnd::kStart, QStringLiteral("Start conversion"));
        break;
    }
    m_actionPane->update();
}

int CMovaraDlg::StartConversion(bool merge) {
    if (!m_fileList || !m_outputPath || Busy())
        return 0;
    StopPreviewIfActive();
    if (m_fileList->CheckedCount() == 0) {
        platformServices().messageBox("Please select at least one file item", "Movara", MB_OK,
                                      MB_ICONINFORMATION);
        return 0;
    }
    m_settings.outputFolder = m_outputPath->text().toStdString();
    // Even when the outputs go beside their sources the box must name a folder.
    if (!isFolder(m_settings.outputFolder)) {
        platformServices().messageBox("The chosen path does not exist, please re-select", "Movara",
                                      MB_OK, MB_ICONINFORMATION);
        m_outputPath->setFocus();
        return 0;
    }
    m_settings.setOption(kOptionMerge, merge);
    // The video edit dialog is closed here once it exists.
    SetActionLook(kStateConverting);
    LockForConversion();
    // Before the start: a conversion with nothing to run ends inside it.
    BeginDesktopProgress();
    m_convert.startConversion();
    return 1;
}

void CMovaraDlg::PauseConversion() {
    SetActionLook(kStateSuspended);
    m_convert.suspend();
}

void CMovaraDlg::ResumeConversion() {
    SetActionLook(kStateConverting);
    m_convert.resume();
}

void CMovaraDlg::StopConversion() {
    SetActionLook(kStateIdle);
    m_convert.stop();
    EndDesktopProgress();
    Unlock();
    if (m_fileList)
        m_fileList->RepaintRows();
}

void CMovaraDlg::done(int result) {
    if (Busy() && !m_endWithoutAsking && !m_destroyed) {
        if (m_quitQuestion.Asking() || m_quitQuestion.Ask() != IDYES)
            return;
    }
    CBaseDialog::done(result);
}

void CMovaraDlg::closeEvent(QCloseEvent* event) {
    if (!event->spontaneous())
        m_endWithoutAsking = true;
    CBaseDialog::closeEvent(event);
}

void CMovaraDlg::EndWithoutAsking() {
    m_endWithoutAsking = true;
    m_quitQuestion.Withdraw();
    reject();
}

void CMovaraDlg::NoteItemOutcome(const MediaItem* item) {
    if (!item || !m_fileList || m_fileList->IndexOf(item) < 0)
        return;
    if (!item->hasState(kItemConvertFailed)) {
        m_fileList->SetFailureNote(item, {});
        return;
    }
    const QString reason = QString::fromStdString(item->failureReason);
    m_fileList->SetFailureNote(item, reason);
    if (!m_statusBar)
        return;
    m_failureShown = true;
    m_statusBar->SetItemCaption(
        CStatusWnd::kProfile, QStringLiteral("Convert Failed : ") +
                                  QString::fromStdString(item->displayName) +
                                  (reason.isEmpty() ? QString() : QStringLiteral(" : ") + reason));
}

void CMovaraDlg::OnConversionOver() {
    // The engine waits while this runs: the reasons of failures whose report was dropped (it
    // waits only briefly for a busy window) are taken now.
    if (m_fileList)
        for (const auto& item : m_fileList->MediaItems())
            if (item->hasState(kItemConvertFailed))
                m_fileList->SetFailureNote(item.get(), QString::fromStdString(item->failureReason));
    // A conversion stopped by the person already did this; the completion actions still run.
    if (Busy()) {
        NotifyConversionEnd();
        StopConversion();
    }
    // Nothing is left to stop: a quit question still up goes, the window stays.
    m_quitQuestion.Withdraw();
    if (!m_settings.option(kOptionShutdown))
        return;
    CCountdownDlg countdown(QString::fromUtf8(kShutdownPrompt), kShutdownSeconds, nullptr, Skin());
    if (countdown.exec() == 1)
        platformServices().powerOff();
}

intptr_t CMovaraDlg::OnOutputExists(char* pathBuffer) {
    if (!pathBuffer)
        return 0;
    CFileRenameDlg rename(pathBuffer, m_settings, this, Skin());
    // Only the person is waited for: the computer may sleep meanwhile, and is kept awake again
    // once the conversion goes on.
    platformServices().holdSleepInhibitor(false, kConvertingReason);
    const int result = rename.exec();
    if (m_convert.state() == kStateConverting)
        platformServices().holdSleepInhibitor(true, kConvertingReason);
    if (result != kRenameAccepted)
        return result;
    const std::string path = rename.NewFullPath();
    // The dialog keeps names within this platform's limits, which the engine's buffer holds.
    if (path.size() >= VELDES_MAX_PATH)
        return kRenameSkip;
    std::memcpy(pathBuffer, path.c_str(), path.size() + 1);
    return kRenameAccepted;
}

void CMovaraDlg::OnOutputFinished(const char* path) {
    if (path && *path)
        platformServices().showInFileManager(path);
}

void CMovaraDlg::BeginDesktopProgress() {
    m_tally.begin(m_fileList->MediaItems());
    m_launcherShown = m_tally.figures();
    platformServices().setLauncherProgress(m_launcherShown.percent / 100.0, m_launcherShown.left);
}

void CMovaraDlg::UpdateDesktopProgress() {
    if (!m_tally.running())
        return;
    // Progress arrives many times a second: the desktop hears of whole percents only.
    const ConversionTally::Figures now = m_tally.figures();
    if (now == m_launcherShown)
        return;
    m_launcherShown = now;
    platformServices().setLauncherProgress(now.percent / 100.0, now.left);
}

void CMovaraDlg::NotifyConversionEnd() {
    if (!m_tally.running() || isActiveWindow())
        return;
    const MediaItem* converted = m_tally.firstConverted();
    const std::string folder = converted ? outputFolderOf(*converted, m_settings) : std::string();
    platformServices().notifyDesktop(m_tally.summary(), folder, folder);
}

void CMovaraDlg::EndDesktopProgress() {
    if (!m_tally.running())
        return;
    m_tally.clear();
    platformServices().setLauncherProgress(std::nullopt, std::nullopt);
}
