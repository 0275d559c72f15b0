// The preview player's side of the main window: the play control's buttons and handles turned
// into engine calls through CVelConvert, the engine's preview events, volume and mute, the
// effect/original switch, and snapshots with their menu.
#include "CMovaraDlg.h"
#include "StatusTexts.h"

#include "CommandIds.h"

#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CPlayCtrlWnd.h"
#include "CSnapshot.h"
#include "CVelSkin.h"
#include "CVideoWnd.h"
#include "OutputNaming.h"
#include "PlatformServices.h"
#include "VelSettings.h"

#include <QMetaObject>

#include <algorithm>
#include <filesystem>

namespace {

constexpr const char* kCaption = "Movara";

bool isPreviewState(int state) {
    return state == kStatePreviewing || state == kStatePreviewPaused;
}

} // namespace

MediaItem* CMovaraDlg::PreviewTarget() const {
    return m_fileList ? m_fileList->MediaAt(m_fileList->FocusedIndex()) : nullptr;
}

bool CMovaraDlg::PreviewHasVideo() {
    const MediaItem* item = m_playControl ? m_playControl->CurrentItem() : nullptr;
    tagVeldesStreamInfo* streams = nullptr;
    const int count = item ? m_convert.mediaInfo(item, &streams) : 0;
    for (int i = 0; streams && i < count; ++i)
        if (streams[i].type == VELDES_STREAM_VIDEO)
            return true;
    return false;
}

void CMovaraDlg::SetPlayLook(bool playing) {
    m_playControl->SetItemImage(CPlayCtrlWnd::kPlay,
                                playing ? CVelSkin::kBtnPause : CVelSkin::kBtnPlay);
    m_playControl->SetItemTooltip(CPlayCtrlWnd::kPlay,
                                  playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
}

void CMovaraDlg::OnPlayControlClick(int itemId, const PaneItem& item) {
    const int state = State();
    if (state != kStateIdle && !isPreviewState(state))
        return;
    switch (itemId) {
    case CPlayCtrlWnd::kPlay:
        if (state == kStatePreviewing)
            PausePreview();
        else if (state == kStatePreviewPaused)
            ResumePreview();
        else
            StartPreview();
        break;
    case CPlayCtrlWnd::kStop:
        StopPreview();
        break;
    case CPlayCtrlWnd::kSnapshot:
        TakeSnapshot();
        break;
    case CPlayCtrlWnd::kSnapshotMenu:
        UpdateSnapshotCommand();
        PopupMenu(m_snapshotMenu.get(), m_playControl->mapToGlobal(QPoint(item.left, item.bottom)));
        break;
    case CPlayCtrlWnd::kVolume:
        ToggleMute();
        break;
    case CPlayCtrlWnd::kEffectSwitch:
        m_settings.setOption(kOptionEffectPicture, !m_settings.option(kOptionEffectPicture));
        ApplyEffectSetting();
        break;
    default:
        break;
    }
}

// --- start, pause, resume, stop -----------------------------------------------------------------

void CMovaraDlg::StartPreview() {
    MediaItem* item = PreviewTarget();
    if (!item || State() != kStateIdle)
        return;
    if (!IsDevicePath(item->sourcePath)) {
        std::error_code ec;
        if (!std::filesystem::exists(item->sourcePath, ec)) {
            platformServices().messageBox("The file '" + item->sourcePath + "' is not exist.",
                                          kCaption, MB_OK, MB_ICONERROR);
            // As adding marks a missing file: unticked, since its box no longer answers.
            item->setState(kItemNotExist, kItemChecked);
            m_fileList->RepaintRows();
            UpdateStatusText(1);
            return;
        }
        if (item->hasState(kItemNotExist)) {
            item->setState(kItemNotConvert);
            m_fileList->RepaintRows();
        }
    }
    // A failed start leaves no edit open (the engine object closes it) and the idle look.
    if (!m_convert.startPreview(item))
        return;
    tagVeldesStreamInfo* streams = nullptr;
    const int count = m_convert.mediaInfo(item, &streams);
    const tagVeldesStreamInfo* video = nullptr;
    for (int i = 0; streams && i < count && !video; ++i)
        if (streams[i].type == VELDES_STREAM_VIDEO)
            video = &streams[i];
    m_videoSurface->SetVideo(video != nullptr, video ? video->width : 0, video ? video->height : 0);
    m_videoSurface->ReleaseDisplayObjects();
    if (video)
        m_videoSurface->BuildDisplayObjects();
    m_videoSurface->SetDisplayState(CVideoWnd::kPlaying);
    SetPlayLook(true);
    EnableItem(m_playControl, CPlayCtrlWnd::kStop, true);
    EnableItem(m_playControl, CPlayCtrlWnd::kSnapshot, video != nullptr);
}

void CMovaraDlg::PausePreview() {
    if (State() != kStatePreviewing)
        return;
    m_convert.pausePreview();
    m_videoSurface->SetDisplayState(CVideoWnd::kPaused);
    SetPlayLook(false);
}

void CMovaraDlg::ResumePreview() {
    if (State() != kStatePreviewPaused)
        return;
    m_convert.resumePreview();
    m_videoSurface->SetDisplayState(CVideoWnd::kPlaying);
    SetPlayLook(true);
}

void CMovaraDlg::StopPreview() {
    if (!m_playControl || !m_videoSurface)
        return;
    m_convert.stopPreview();
    m_videoSurface->SetDisplayState(CVideoWnd::kIdle);
    m_playControl->SetPosition(0); // kept while the knob is held
    SetPlayLook(false);
    EnableItem(m_playControl, CPlayCtrlWnd::kStop, false);
    EnableItem(m_playControl, CPlayCtrlWnd::kSnapshot, false);
}

void CMovaraDlg::StopPreviewIfActive() {
    if (isPreviewState(State()))
        StopPreview();
}

// --- engine events -----------------------------------------------------------------------------

void CMovaraDlg::OnPreviewEvent(const tagVeldesEvent* event) {
    if (!event || !m_playControl)
        return;
    if (event->kind == VELDES_EVENT_SNAPSHOT) {
        OnSnapshotPixels(event->pixels, event->width, event->height);
        return;
    }
    // Positions that were on their way when the preview stopped move nothing.
    if (event->kind != VELDES_EVENT_POSITION || !isPreviewState(State()))
        return;
    const MediaItem* item = m_playControl->CurrentItem();
    const int64_t duration = item ? item->duration : 0;
    const int64_t p = duration > 0 ? event->position * CPlayCtrlWnd::kRangeMax / duration : 0;
    if (p >= 0 && p <= CPlayCtrlWnd::kRangeMax && p != m_playControl->Position() &&
        m_playControl->Dragging() != CPlayCtrlWnd::kKnob)
        m_playControl->SetPosition(static_cast<int>(p));
    // Not stopped inside the engine's send: the stop waits for the engine.
    if (event->subKind == VELDES_SUBKIND_END || event->subKind == VELDES_SUBKIND_END_ERROR)
        postMessage(this, kMsgPreviewEnd, static_cast<uintptr_t>(event->subKind), 0);
}

void CMovaraDlg::OnPlayControlValue(unsigned code, const PaneNotify& notify) {
    if (notify.item || (code != kNotifyButtonUp && code != kNotifyMouseMove))
        return;
    const int kind = notify.index / 65536;
    const int v = notify.index % 65536;
    if (kind == CPlayCtrlWnd::kVolumeValue) {
        SetVolumeLevel(v);
        return;
    }
    MediaItem* item = PreviewTarget();
    if (!item || item != m_playControl->CurrentItem() || kind < CPlayCtrlWnd::kPositionValue ||
        kind > CPlayCtrlWnd::kClipEndValue)
        return;
    const int64_t t = item->duration * v / CPlayCtrlWnd::kRangeMax;
    m_convert.setPosition(t);
    if (kind == CPlayCtrlWnd::kPositionValue)
        return;
    if (kind == CPlayCtrlWnd::kClipBeginValue)
        item->clipBegin = t;
    else
        item->clipEnd = t;
    m_convert.estimate(item);
    m_fileList->RepaintRows();
    m_playControl->SetCurrentItem(item);
}

// --- volume and picture ------------------------------------------------------------------------

void CMovaraDlg::SetVolumeLevel(int level) {
    m_playControl->SetItemImage(CPlayCtrlWnd::kVolume, CPlayCtrlWnd::VolumeImageId(level));
    if (level > 0)
        m_settings.setOption(kOptionMuted, false);
    m_settings.volume = level;
    m_convert.changeVolume(level);
}

void CMovaraDlg::ToggleMute() {
    // The "Volume" setting keeps the level from before muting.
    if (m_settings.option(kOptionMuted)) {
        m_playControl->SetVolume(m_settings.volume);
        m_convert.changeVolume(m_settings.volume);
        m_settings.setOption(kOptionMuted, false);
    } else {
        m_playControl->SetVolume(0);
        m_convert.changeVolume(0);
        m_settings.setOption(kOptionMuted, true);
    }
}

void CMovaraDlg::ApplyEffectSetting() {
    const bool effect = m_settings.option(kOptionEffectPicture);
    m_convert.showVideoEffect(effect);
    m_playControl->SetEffectShown(effect);
}

void CMovaraDlg::ApplyPreviewSettings() {
    m_settings.volume = std::clamp(m_settings.volume, 0, 100);
    const int level = m_settings.option(kOptionMuted) ? 0 : m_settings.volume;
    m_playControl->SetVolume(level);
    m_convert.changeVolume(level);
    ApplyEffectSetting();
}

// --- snapshots ---------------------------------------------------------------------------------

void CMovaraDlg::UpdateSnapshotCommand() {
    EnableCommand(kCmdSnapshot, isPreviewState(State()) && PreviewHasVideo());
}

void CMovaraDlg::TakeSnapshot() {
    const int state = State();
    if (!isPreviewState(state) || !PreviewHasVideo())
        return;
    const bool custom = m_settings.option(kOptionSnapshotCustomSize);
    const int width = custom ? m_settings.snapshotWidth : 0;
    const int height = custom ? m_settings.snapshotHeight : 0;
    if (state == kStatePreviewing) {
        MediaItem* item = PreviewTarget();
        if (item && item == m_playControl->CurrentItem())
            m_convert.thumbnail(item, width, height);
    } else {
        m_convert.thumbnailOnPause(width, height);
    }
}

void CMovaraDlg::OnSnapshotPixels(const void* pixels, int width, int height) {
    const MediaItem* item = m_playControl->CurrentItem();
    const QImage image = CSnapshot::FromPixels(pixels, width, height);
    if (image.isNull() || !item)
        return;
    // The pixels are copied; encoding and any message happen after the engine's send returned,
    // so its thread never waits for a person.
    const std::string name = outputFileName(*item);
    QMetaObject::invokeMethod(
        this, [this, image, name] { CSnapshot::Save(image, m_settings, name); },
        Qt::QueuedConnection);
}

void CMovaraDlg::OnOpenSnapshotFolder() {
    const std::string& folder = m_settings.snapshotFolder;
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec))
        platformServices().messageBox("The snapshot path not exist", kCaption, MB_OK, MB_ICONERROR);
    else if (!platformServices().openDocument(folder))
        platformServices().messageBox(couldNotShowText(folder), kCaption, MB_OK, MB_ICONERROR);
}

void CMovaraDlg::OnChangeSnapshotFolder() {
    const std::string chosen =
        platformServices().browseFolder("Please select a folder : ", m_settings.snapshotFolder);
    if (!chosen.empty())
        m_settings.snapshotFolder = chosen;
}
