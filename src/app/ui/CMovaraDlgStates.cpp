// The main window's command states: what the list's focus allows, the lock of a conversion,
// the context menu's greying, the status texts, and loading an item into the engine.
#include "CMovaraDlg.h"

#include "CommandIds.h"
#include "MovaraMenus.h"
#include "StatusTexts.h"

#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CStatusWnd.h"
#include "CToolWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "PlatformServices.h"
#include "velcodecutil.h"

namespace {

// Save-to pane elements.
constexpr int kSavetoPreferences = 2;
constexpr int kSavetoSetting = 3;
constexpr int kSavetoBrowse = 4;
constexpr int kSavetoApplyAll = 6;
constexpr int kSavetoSameAsInput = 7;

bool isDevice(const MediaItem* item) {
    return item && IsDevicePath(item->sourcePath);
}

} // namespace

bool CMovaraDlg::IsCommandEnabled(int commandId) const {
    const auto found = m_commandEnabled.find(commandId);
    return found == m_commandEnabled.end() || found->second;
}

void CMovaraDlg::EnableCommand(int commandId, bool enabled) {
    m_commandEnabled[commandId] = enabled;
    const bool shown = enabled && isCommandAvailable(commandId);
    for (CMenuEx* menu :
         {m_mainMenu.get(), m_listMenu.get(), m_snapshotMenu.get(), m_addMediaMenu.get()})
        if (menu)
            menu->EnableCommand(commandId, shown);
}

void CMovaraDlg::UpdateCommandStates() {
    if (!m_fileList)
        return;
    const int focused = m_fileList->FocusedIndex();
    const int count = m_fileList->Count();
    const MediaItem* item = m_fileList->MediaAt(focused);

    const bool up = focused >= 1;
    const bool down = focused >= 0 && focused < count - 1;
    EnableItem(m_toolBar, CToolWnd::kMoveUp, up);
    EnableCommand(kCmdMoveUp, up);
    EnableItem(m_toolBar, CToolWnd::kMoveDown, down);
    EnableCommand(kCmdMoveDown, down);

    const bool hasFocus = item != nullptr;
    EnableItem(m_toolBar, CToolWnd::kRemove, hasFocus);
    EnableItem(m_toolBar, CToolWnd::kEditMedia, hasFocus && isCommandAvailable(kCmdVideoEdit));
    EnableItem(m_playControl, CPlayCtrlWnd::kPlay, hasFocus);
    for (int command : {kCmdRemove, kCmdDuplicate, kCmdFileInfo, kCmdVideoEdit, kCmdFitSize})
        EnableCommand(command, hasFocus);
    EnableCommand(kCmdOpenFolder, hasFocus && !isDevice(item));
    // Clearing, ticking and unticking every item need items; a conversion holds the list.
    const bool listed = count > 0 && !Busy();
    for (int command : {kCmdClear, kCmdSelectAll, kCmdUnselectAll})
        EnableCommand(command, listed);
    // A capture device has no position to show.
    if (m_playControl)
        m_playControl->SetMarkersActive(!isDevice(item));
}

void CMovaraDlg::LockForConversion() {
    if (!m_fileList)
        return;
    // The engine reads the items' edits while converting: nothing may change them meanwhile.
    CloseEditDialog();
    m_fileList->Lock(true);
    m_fileList->RepaintRows();
    m_playControl->SetPlayEnabled(false);
    m_outputPath->setEnabled(false);
    for (int id :
         {kSavetoBrowse, kSavetoApplyAll, kSavetoSetting, kSavetoSameAsInput, kSavetoPreferences})
        EnableItem(m_savetoPane, id, false);
    EnableItem(m_toolBar, CToolWnd::kAddMedia, false);
    for (int id : {CToolWnd::kRemove, CToolWnd::kMoveDown, CToolWnd::kMoveUp, CToolWnd::kEditMedia})
        EnableItem(m_toolBar, id, false);
    for (int command :
         {kCmdAddFile, kCmdAddFolder, kCmdDuplicate, kCmdRemove, kCmdClear, kCmdMoveUp,
          kCmdMoveDown, kCmdSelectAll, kCmdUnselectAll, kCmdProfileSetting, kCmdVideoEdit,
          kCmdPreferences, kCmdAddDevice, kCmdScreenRecorder, kCmdFitSize})
        EnableCommand(command, false);
    m_profileCombo->setEnabled(false);
    m_categoryCombo->setEnabled(false);
}

void CMovaraDlg::Unlock() {
    if (!m_fileList)
        return;
    m_fileList->Lock(false);
    m_playControl->SetPlayEnabled(true);
    m_outputPath->setEnabled(true);
    EnableItem(m_savetoPane, kSavetoBrowse, true);
    EnableItem(m_savetoPane, kSavetoApplyAll, true);
    EnableItem(m_savetoPane, kSavetoSetting, isCommandAvailable(kCmdProfileSetting));
    EnableItem(m_savetoPane, kSavetoSameAsInput, true);
    EnableItem(m_savetoPane, kSavetoPreferences, isCommandAvailable(kCmdPreferences));
    EnableItem(m_toolBar, CToolWnd::kAddMedia, true);
    EnableItem(m_toolBar, CToolWnd::kRemove, true);
    EnableItem(m_toolBar, CToolWnd::kEditMedia, isCommandAvailable(kCmdVideoEdit));
    for (int command :
         {kCmdAddFile, kCmdAddFolder, kCmdClear, kCmdSelectAll, kCmdUnselectAll, kCmdProfileSetting,
          kCmdVideoEdit, kCmdPreferences, kCmdAddDevice, kCmdScreenRecorder})
        EnableCommand(command, true);
    ApplySameAsInput(m_savetoPane->ItemState(kSavetoSameAsInput) & kStateChecked);
    UpdateCommandStates();
    GiveItemToEditDialog(m_fileList->MediaAt(m_fileList->FocusedIndex()));
    UpdateStatusText(1);
    // A failure's reason stays on the row's tooltip; the run is over, so the summary is back.
    m_failureShown = false;
    UpdateStatusText(2);
    m_profileCombo->setEnabled(true);
    m_categoryCombo->setEnabled(true);
}

void CMovaraDlg::UpdateStatusText(int selector) {
    if (!m_statusBar || !m_fileList)
        return;
    if (selector == 1) {
        m_statusBar->SetItemCaption(CStatusWnd::kCounts,
                                    QString::fromStdString(itemCountsText(
                                        m_fileList->Count(), m_fileList->CheckedCount())));
        return;
    }
    // While the run lasts, its latest failure is what the profile field tells.
    if (selector != 2 || (m_failureShown && Busy()))
        return;
    const MediaItem* item = m_fileList->MediaAt(m_fileList->FocusedIndex());
    const ProfileRef profile = item ? item->profile : SelectedProfile();
    if (profile)
        m_statusBar->SetItemCaption(CStatusWnd::kProfile,
                                    QString::fromStdString(profileSummaryText(*profile)));
}

void CMovaraDlg::PrepareListMenu(int index) {
    if (!m_listMenu || !m_fileList)
        return;
    const MediaItem* item = m_fileList->MediaAt(index);
    const bool onRow = item != nullptr;
    auto set = [this](int command, bool enabled) {
        m_listMenu->EnableCommand(command, enabled && isCommandAvailable(command));
    };
    if (Busy()) {
        for (int command :
             {kCmdDuplicate, kCmdRemove, kCmdAddFile, kCmdAddFolder, kCmdClear, kCmdSelectAll,
              kCmdUnselectAll, kCmdAddDevice, kCmdScreenRecorder, kCmdFitSize})
            set(command, false);
    } else {
        for (int command : {kCmdAddFile, kCmdAddFolder, kCmdAddDevice, kCmdScreenRecorder})
            set(command, true);
        for (int command : {kCmdClear, kCmdSelectAll, kCmdUnselectAll})
            set(command, m_fileList->Count() > 0);
        set(kCmdDuplicate, onRow);
        set(kCmdRemove, onRow);
        set(kCmdFitSize, onRow);
    }
    set(kCmdFileInfo, onRow);
    set(kCmdOpenFolder, onRow && !isDevice(item));
}

int CMovaraDlg::LoadItem(int index) {
    if (!m_fileList)
        return 0;
    MediaItem* item = m_fileList->MediaAt(index);
    if (!item)
        return 0;
    StopPreviewIfActive();
    if (!m_convert.addItem(item)) {
        const bool device = isDevice(item);
        const std::string text =
            (device ? "Failed to load device : \n" : "Failed to load file :\n") + item->sourcePath;
        platformServices().messageBox(text, "Movara", MB_OK, MB_ICONWARNING);
        {
            const auto change = m_convert.listChange();
            m_fileList->Remove(index);
        }
        UpdateCommandStates();
        UpdateStatusText(1);
        ListChanged();
        return 0;
    }
    if (!isDevice(item))
        m_convert.updateDuration(item);
    m_convert.estimate(item);
    m_fileList->RepaintRows();
    if (index == m_fileList->FocusedIndex()) {
        m_playControl->SetCurrentItem(item);
        GiveItemToEditDialog(item);
    }
    UpdateCommandStates();
    UpdateStatusText(1);
    ListChanged();
    return 1;
}
