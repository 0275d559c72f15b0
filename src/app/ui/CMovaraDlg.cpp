#include "CMovaraDlg.h"

#include "CommandIds.h"
#include "MovaraMenus.h"

#include "CActionWnd.h"
#include "CCaptionWnd.h"
#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CStatusWnd.h"
#include "CToolWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "CVideoEditDlg.h"
#include "CVideoWnd.h"
#include "EditMessages.h"
#include "OutputNaming.h"
#include "PlatformServices.h"
#include "ProfileCatalogue.h"
#include "ProfileComboPair.h"
#include "SettingsFile.h"
#include "SkinMenu.h"
#include "VelSettings.h"

#include <QIcon>
#include <QTimerEvent>

#include <filesystem>
#include <new>

namespace {

constexpr const char* kCaption = "Movara";

// Makes a pane, creates its window and registers it with the layout; null when it cannot be made.
template <typename Pane>
Pane* makePane(CMovaraDlg& dialog, const char* name, int id, int32_t anchors, int width, int height,
               int inset = 0) {
    auto* pane = new (std::nothrow) Pane(dialog.Skin());
    if (!pane)
        return nullptr;
    if (!pane->Create(QString::fromUtf8(name), 0, &dialog, id)) {
        delete pane;
        return nullptr;
    }
    PanePlacement record = PanePlacement::make(pane, id, anchors, width, height);
    if (inset > 0) {
        record.inset = 1;
        record.insetX = inset;
        record.insetY = inset;
    }
    dialog.AddPane(record);
    return pane;
}

template <typename Pane> void destroyPane(Pane*& pane) {
    delete pane;
    pane = nullptr;
}

} // namespace

CMovaraDlg::CMovaraDlg(VelSettings& settings, ProfileCatalogue& catalogue, QWidget* parent)
    : CBaseDialog(kMainDialogId, parent, kCaptionMask), m_settings(settings),
      m_catalogue(catalogue) {}

CMovaraDlg::CMovaraDlg() : CMovaraDlg(VelSettings::instance(), ProfileCatalogue::instance()) {}

CMovaraDlg::~CMovaraDlg() {
    Destroy();
}

int CMovaraDlg::Create() {
    if (m_created || m_destroyed)
        return m_created ? 0 : -1;
    if (!Caption())
        return -1;
    SetTitle(QString::fromUtf8(kCaption));
    // The skin draws the caption and the frame; the window keeps only its minimise box.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kInitialWidth, kInitialHeight);
    FitToScreen(true);
    setAcceptDrops(true);

    m_toolBar = makePane<CToolWnd>(*this, "ToolBarWindow", CToolWnd::kPaneId,
                                   kAnchorTop | kAnchorLeft, 0, CToolWnd::kHeight);
    m_statusBar = makePane<CStatusWnd>(*this, "StatusBarWindow", CStatusWnd::kPaneId,
                                       kAnchorBottom | kAnchorLeft, 0, CStatusWnd::kHeight);
    m_actionPane = makePane<CActionWnd>(*this, "ActionWindow", CActionWnd::kPaneId,
                                        kAnchorBottom | kAnchorRight, CActionWnd::kWidth,
                                        CActionWnd::kHeight, 1);
    m_savetoPane = makePane<CSavetoWnd>(*this, "SavetoWindow", CSavetoWnd::kPaneId,
                                        kAnchorBottom | kAnchorLeft, 0, CSavetoWnd::kHeight, 1);
    m_fileList = makePane<CFileListWnd>(*this, "FileListWindow", kFileListPaneId,
                                        kAnchorBottom | kAnchorLeft, 500, 0);
    m_playControl = makePane<CPlayCtrlWnd>(*this, "PlayControlWindow", CPlayCtrlWnd::kPaneId,
                                           kAnchorBottom | kAnchorRight, 0, CPlayCtrlWnd::kHeight);
    m_videoSurface = makePane<CVideoWnd>(*this, "VideoWindow", CVideoWnd::kPaneId,
                                         kAnchorBottom | kAnchorRight, 0, 0, CVideoWnd::kInset);
    if (!m_toolBar || !m_statusBar || !m_actionPane || !m_savetoPane || !m_fileList ||
        !m_playControl || !m_videoSurface)
        return -1;
    m_settings.mediaList = &m_fileList->MediaItems();
    m_created = true;
    Relayout();
    return 0;
}

bool CMovaraDlg::InitDialog() {
    if (!m_created || m_initialised || m_destroyed)
        return false;
    // The window menu has no place in a frameless window on this desktop; its "About" item is
    // offered by the caption's icon instead (OnIconButton).
    if (const QImage* icon = Skin()->Image(CVelSkin::kProgLogo); icon && !icon->isNull())
        setWindowIcon(QIcon(QPixmap::fromImage(*icon)));
    CreateMenus();
    FillSavetoPane();
    m_fileList->AddEmptyListButtons();
    FillCategories();
    SelectProfileInCombos(m_currentProfile);

    SettingsFileContents contents;
    const std::string defaults = SettingsFile::defaultFolder(platformServices().documentsFolder());
    SettingsFile::load(SettingsPath(), m_settings, m_catalogue, defaults, &contents);
    ApplySettingsContents(contents);
    ApplyPreviewSettings();
    ApplySkin(m_settings.skinFile);

    UpdateCommandStates();
    EnableDialogButtons();
    m_playControl->SetItemState(CPlayCtrlWnd::kSnapshot, 0, kStateDisabled);
    m_playControl->SetItemState(CPlayCtrlWnd::kStop, 0, kStateDisabled);
    m_convert.attach(m_videoSurface->handle(), handle(), &m_settings);
    SetUpKeyboard();
    WatchSettings();
    UpdateStatusText(1);
    m_versionTimer.start(kVersionCheckDelayMs, this);
    m_initialised = true;
    return true;
}

int CMovaraDlg::DoModal() {
    if (!m_created && Create() < 0) {
        Destroy();
        return IDCANCEL;
    }
    if (!m_initialised)
        InitDialog();
    const int result = exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    Destroy();
    return result;
}

void CMovaraDlg::Destroy() {
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_versionTimer.stop();
    m_settingsTimer.stop();
    // An engine thread blocked in a send to this window returns at once from here on.
    stopMessages();
    // A version check still fetching has its request ended and is waited for: its worker must
    // not outlive the platform services it calls.
    EndVersionCheck();
    m_convert.shutdown();
    EndDesktopProgress();
    // A window that never read the settings file does not overwrite it with defaults.
    if (m_initialised) {
        SaveCustomProfiles();
        SaveSettings();
    }
    m_settings.mediaList = nullptr;
    m_profileCombos.reset();
    m_profileCombo = nullptr;
    m_categoryCombo = nullptr;
    m_outputPath = nullptr;
    destroyPane(m_actionPane);
    destroyPane(m_fileList);
    destroyPane(m_playControl);
    destroyPane(m_savetoPane);
    destroyPane(m_statusBar);
    destroyPane(m_toolBar);
    destroyPane(m_videoSurface);
    destroyPane(m_editDialog);
    m_mainMenu.reset();
    m_listMenu.reset();
    m_snapshotMenu.reset();
    m_addMediaMenu.reset();
}

std::string CMovaraDlg::SettingsPath() const {
    return platformServices().writableFolder() + "/Movara.cfg";
}

bool CMovaraDlg::SaveSettings() {
    if (!m_initialised || !m_outputPath)
        return false;
    return SettingsFile::save(SettingsPath(), m_settings, m_catalogue,
                              m_outputPath->text().toStdString(), LoadedSkinName());
}

void CMovaraDlg::CreateMenus() {
    m_mainMenu = buildMainMenu(this);
    attachSkinMenu(*m_mainMenu, *Skin(), platformServices().dataFolder() + "/skin",
                   [this](const std::string& path) {
                       if (ApplySkin(path) == 1)
                           m_settings.skinFile = LoadedSkinName();
                   });
    m_listMenu = buildListMenu(this);
    AttachTrackMenus();
    m_snapshotMenu = buildSnapshotMenu(this);
    m_addMediaMenu = buildAddMediaMenu(this);
    for (int command : menuCommands())
        EnableCommand(command, true);
}

CMenuEx* CMovaraDlg::Menu(int menuId) const {
    switch (menuId) {
    case kMenuMain:
        return m_mainMenu.get();
    case kMenuList:
        return m_listMenu.get();
    case kMenuSnapshot:
        return m_snapshotMenu.get();
    case kMenuAddMedia:
        return m_addMediaMenu.get();
    default:
        return nullptr;
    }
}

void CMovaraDlg::ApplySettingsContents(const SettingsFileContents& contents) {
    if (contents.flag)
        ApplyFlagsToChecks();
    // The slider shows the level, or 0 while muted; the level itself is kept.
    m_playControl->SetVolume(m_settings.option(kOptionMuted) ? 0 : m_settings.volume);
    m_outputPath->setText(QString::fromStdString(m_settings.outputFolder));
    if (m_catalogue.count(kRecentCategory) > 0)
        InsertRecentCategory();
}

int CMovaraDlg::ApplySkin(const std::string& skinFile) {
    if (skinFile.empty())
        return 0;
    std::filesystem::path path(skinFile);
    if (path.is_relative())
        path = std::filesystem::path(platformServices().dataFolder()) / path;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return 0;
    const int result = Skin()->Load(path.string());
    if (result == -1) {
        platformServices().messageBox("Failed to Load skin file \"" + path.string() + "\"",
                                      kCaption, MB_OK, MB_ICONERROR);
        return 0;
    }
    if (result != 1)
        return 0;
    InvalidateAll();
    return 1;
}

std::string CMovaraDlg::LoadedSkinName() const {
    const std::string& loaded = Skin()->CurrentArchive();
    if (loaded.empty())
        return m_settings.skinFile;
    // Inside the program's data folder the name is kept relative, as the default names it.
    const std::filesystem::path data(platformServices().dataFolder());
    const std::filesystem::path relative = std::filesystem::path(loaded).lexically_relative(data);
    if (!relative.empty() && *relative.begin() != "..")
        return relative.generic_string();
    return loaded;
}

void CMovaraDlg::InvalidateAll() {
    update();
    for (QWidget* pane : std::initializer_list<QWidget*>{
             m_playControl, m_savetoPane, Caption(), m_statusBar, m_toolBar, m_fileList,
             m_actionPane, m_videoSurface, m_editDialog})
        if (pane)
            pane->update();
}

bool CMovaraDlg::Busy() const {
    const int state = State();
    return state == kStateConverting || state == kStateSuspended;
}

void CMovaraDlg::EnableItem(CBaseWnd* pane, int itemId, bool enabled) {
    if (pane)
        pane->SetItemState(itemId, enabled ? kStateDisabled : 0, enabled ? 0 : kStateDisabled);
}

void CMovaraDlg::PopupMenu(CMenuEx* menu, const QPoint& globalPos) {
    if (!menu)
        return;
    if (const int command = menu->TrackPopup(globalPos))
        OnCommand(command);
}

void CMovaraDlg::ListChanged() {
    // Whatever changed the list may have changed a setting too (options, volume, skin).
    ScheduleSettingsSave();
    if (m_listChanged && !m_destroyed)
        m_listChanged();
}

namespace {

// Messages after which the list or an item may differ: added files, edits, a conversion's item
// states. Progress, preview events and estimates change nothing that is kept.
bool changesList(unsigned msg, intptr_t lParam) {
    switch (msg) {
    case kMsgConvertNotify: {
        const auto* note = reinterpret_cast<const VelNotification*>(lParam);
        return note && (note->code == kNotifyItemState || note->code == kNotifyItemFailed ||
                        note->code == kNotifyConversionOver);
    }
    case kMsgLoadFilePath:
    case kMsgBrowseFile:
    case kMsgEffectChanged:
    case kMsgWatermarkChanged:
    case kMsgCropChanged:
        return true;
    default:
        return false;
    }
}

} // namespace

intptr_t CMovaraDlg::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    const bool changes = changesList(msg, lParam);
    const intptr_t result = RouteMessage(msg, wParam, lParam);
    if (changes)
        ListChanged();
    return result;
}

intptr_t CMovaraDlg::RouteMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case kMsgLoadFilePath:
        if (lParam)
            AddFileByPath(reinterpret_cast<const char*>(lParam));
        return 0;
    case kMsgBrowseFile:
        return OnBrowseFile(reinterpret_cast<const char*>(wParam));
    case kMsgConvertNotify: {
        const auto* note = reinterpret_cast<const VelNotification*>(lParam);
        if (!m_fileList || !note)
            return 0;
        switch (note->code) {
        case kNotifyItemState:
        case kNotifyItemFailed:
            // The sender waits while this runs: the item's reason may be read now.
            NoteItemOutcome(static_cast<const MediaItem*>(note->subject));
            m_fileList->RepaintRows();
            UpdateStatusText(1);
            UpdateDesktopProgress();
            return 0;
        case kNotifyProgress:
            m_fileList->RepaintRows();
            UpdateDesktopProgress();
            return 0;
        case kNotifyConversionOver:
            OnConversionOver();
            return 0;
        case kNotifyOutputExists:
            return OnOutputExists(static_cast<char*>(note->subject));
        case kNotifyPreviewEvent:
            OnPreviewEvent(static_cast<const tagVeldesEvent*>(note->subject));
            return 0;
        default:
            return 0;
        }
    }
    case kMsgPreviewEnd:
        StopPreviewIfActive();
        return 0;
    case CVideoWnd::kMsgRepaintPaused:
        m_convert.refreshOutputWindow();
        return 0;
    case kMsgOutputFinished:
        OnOutputFinished(reinterpret_cast<const char*>(lParam));
        return 0;
    case kMsgEstimateMeasured:
        if (m_convert.takeMeasuredEstimate(static_cast<int>(wParam)) && m_fileList)
            m_fileList->RepaintRows();
        return 0;
    case kMsgLoudnessMeasured:
        m_convert.takeMeasuredLoudness(static_cast<int>(wParam));
        return 0;
    case kMsgEffectChanged:
    case kMsgWatermarkChanged:
    case kMsgCropChanged:
        return OnEditChanged(msg, wParam, lParam);
    case kMsgSoundChanged:
        return OnSoundChanged(wParam, reinterpret_cast<MediaItem*>(lParam));
    case kMsgSoundPageShown:
        if (auto* item = reinterpret_cast<MediaItem*>(lParam); IsListed(item) && !Busy())
            m_convert.measureLoudness(item);
        return 0;
    case kMsgVersionResult:
        OnVersionResult(reinterpret_cast<const VersionCheckResult*>(lParam));
        return 0;
    default:
        return CBaseDialog::onMessage(msg, wParam, lParam);
    }
}

intptr_t CMovaraDlg::OnPaneNotify(unsigned code, const PaneNotify* notify) {
    if (!notify || m_destroyed)
        return 0;
    if (code == kNotifyClick || code == kNotifyDblClick)
        return CBaseDialog::OnPaneNotify(code, notify);
    if (notify->paneId == CPlayCtrlWnd::kPaneId) {
        OnPlayControlValue(code, *notify); // may move the clip's markers
        ListChanged();
        return 0;
    }
    if (notify->paneId != kFileListPaneId)
        return 0;
    switch (code) {
    case kFileListRightClick:
        OnListRightClick(notify->index);
        break;
    case kFileListBoxToggled:
        UpdateStatusText(1);
        ListChanged();
        break;
    case kFileListFocusSet:
        OnFocusChanged(notify->index);
        break;
    case kFileListActivate:
        if (const PaneItem* play = m_playControl->FindItem(CPlayCtrlWnd::kPlay);
            play && !play->isDisabled())
            OnPlayControlClick(CPlayCtrlWnd::kPlay, *play);
        break;
    default:
        break;
    }
    return 0;
}

void CMovaraDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId == kCaptionId) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    if (!notify.item)
        return;
    switch (notify.paneId) {
    case CToolWnd::kPaneId:
        OnToolClick(notify.item->id, *notify.item);
        break;
    case CSavetoWnd::kPaneId:
        OnSavetoClick(notify.item->id, *notify.item);
        break;
    case kFileListPaneId:
        OnListButtonClick(notify.item->id, *notify.item);
        break;
    case CActionWnd::kPaneId:
        OnActionClick(notify.item->id);
        break;
    case CPlayCtrlWnd::kPaneId:
        OnPlayControlClick(notify.item->id, *notify.item);
        break;
    default:
        break;
    }
    ListChanged();
}

void CMovaraDlg::OnPaneDblClick(const PaneNotify& notify) {
    if (notify.paneId == kCaptionId) {
        CBaseDialog::OnPaneDblClick(notify);
        return;
    }
    if (notify.paneId != kFileListPaneId)
        return;
    if (notify.index >= 0)
        OnCommand(kCmdFileInfo);
    else if (!Busy())
        OnAddFiles();
}

void CMovaraDlg::OnMenuButton() {
    const PaneItem* button = Caption() ? Caption()->FindItem(CCaptionWnd::kMenuId) : nullptr;
    if (!button)
        return;
    PopupMenu(m_mainMenu.get(), Caption()->mapToGlobal(QPoint(button->left, button->bottom)));
}

void CMovaraDlg::OnIconButton() {
    const PaneItem* icon = Caption() ? Caption()->FindItem(CCaptionWnd::kIconId) : nullptr;
    if (!icon)
        return;
    CMenuEx menu(this);
    menu.AppendItem(kCmdAbout, QStringLiteral("&About Movara..."));
    PopupMenu(&menu, Caption()->mapToGlobal(QPoint(icon->left, icon->bottom)));
}

void CMovaraDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_versionTimer.timerId()) {
        CBaseDialog::timerEvent(event);
        return;
    }
    // One-shot: the silent background version check.
    m_versionTimer.stop();
    StartAutomaticVersionCheck();
}

void CMovaraDlg::OnCommand(int commandId) {
    if (!isCommandAvailable(commandId))
        return;
    switch (commandId) {
    case kCmdAddFile:
        OnAddFiles();
        break;
    case kCmdAddFolder:
        OnAddFolder();
        break;
    case kCmdAddDevice:
        OnAddDevice();
        break;
    case kCmdScreenRecorder:
        OnScreenRecorder();
        break;
    case kCmdDuplicate:
        OnDuplicate();
        break;
    case kCmdRemove:
        OnRemove();
        break;
    case kCmdClear:
        OnClear();
        break;
    case kCmdSelectAll:
        OnSelectAll(true);
        break;
    case kCmdUnselectAll:
        OnSelectAll(false);
        break;
    case kCmdOpenFolder:
        OnOpenFolder();
        break;
    case kCmdMoveUp:
        OnMoveUp();
        break;
    case kCmdMoveDown:
        OnMoveDown();
        break;
    case kCmdHelpTopics:
        OnHelpTopics();
        break;
    case kCmdHomepage:
        OnHomepage();
        break;
    case kCmdAbout:
    case kCmdAboutBox:
        OnAbout();
        break;
    case kCmdProfileSetting:
        OnProfileSetting();
        break;
    case kCmdFileInfo:
        OnFileInfo();
        break;
    case kCmdFitSize:
        OnFitSize();
        break;
    case kCmdPreferences:
        OnPreferences();
        break;
    case kCmdCheckUpdates:
        OnCheckUpdates();
        break;
    case kCmdExit:
        accept();
        break;
    case kCmdSnapshot:
        TakeSnapshot();
        break;
    case kCmdOpenSnapshotFolder:
        OnOpenSnapshotFolder();
        break;
    case kCmdChangeSnapshotFolder:
        OnChangeSnapshotFolder();
        break;
    case kCmdVideoEdit:
        OpenEditDialog(0);
        break;
    default:
        break;
    }
    ListChanged();
}
