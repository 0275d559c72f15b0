// The main window's list commands, the list's notifications, help, homepage and about.
#include "CMovaraDlg.h"

#include "CVelAboutDlg.h"
#include "CommandIds.h"
#include "velcodecutil.h"
#include "MovaraLinks.h"

#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CPlayCtrlWnd.h"
#include "CToolWnd.h"
#include "OutputNaming.h"
#include "PlatformServices.h"
#include "VelSettings.h"

#include <QCursor>

void CMovaraDlg::OnClear() {
    if (!m_fileList || m_fileList->Count() == 0)
        return;
    if (platformServices().messageBox("Are you sure clear all the media items?", "Movara",
                                      MB_OKCANCEL, MB_ICONQUESTION) != IDOK)
        return;
    StopPreviewIfActive();
    {
        const auto change = m_convert.listChange();
        m_convert.removeAll();
        m_fileList->Clear();
    }
    UpdateCommandStates();
    UpdateStatusText(1);
}

void CMovaraDlg::OnRemove() {
    if (!m_fileList)
        return;
    StopPreviewIfActive();
    const int focused = m_fileList->FocusedIndex();
    MediaItem* item = m_fileList->MediaAt(focused);
    if (!item)
        return;
    {
        const auto change = m_convert.listChange();
        m_convert.removeItem(item);
        m_fileList->Remove(focused);
    }
    UpdateCommandStates();
    UpdateStatusText(1);
}

void CMovaraDlg::OnDuplicate() {
    if (!m_fileList)
        return;
    const int focused = m_fileList->FocusedIndex();
    const MediaItem* item = m_fileList->MediaAt(focused);
    if (!item)
        return;
    const MediaItem copy = m_convert.copyOf(*item);
    int index = -1;
    {
        const auto change = m_convert.listChange();
        index = m_fileList->InsertCopy(copy, focused + 1);
    }
    if (index >= 0)
        LoadItem(index);
}

void CMovaraDlg::OnMoveUp() {
    if (!m_fileList)
        return;
    {
        const auto change = m_convert.listChange();
        m_fileList->MoveUp();
    }
    UpdateCommandStates();
}

void CMovaraDlg::OnMoveDown() {
    if (!m_fileList)
        return;
    {
        const auto change = m_convert.listChange();
        m_fileList->MoveDown();
    }
    UpdateCommandStates();
}

void CMovaraDlg::OnSelectAll(bool on) {
    if (!m_fileList)
        return;
    m_fileList->CheckAll(on);
    UpdateStatusText(1);
}

void CMovaraDlg::OnOpenFolder() {
    if (!m_fileList)
        return;
    // A capture device has no folder to show.
    const MediaItem* item = m_fileList->MediaAt(m_fileList->FocusedIndex());
    if (item && !IsDevicePath(item->sourcePath))
        platformServices().showInFileManager(item->sourcePath);
}

void CMovaraDlg::OnHelpTopics() {
    const std::string path = platformServices().dataFolder() + "/" + kHelpFileName;
    if (pathExists(path)) {
        platformServices().openDocument(path);
        return;
    }
    platformServices().messageBox("Can not find the help file \"" + path + "\"", "Movara", MB_OK,
                                  MB_ICONERROR);
}

void CMovaraDlg::OnHomepage() {
    platformServices().openDocument(kHomePageUrl);
}

void CMovaraDlg::OnAbout() {
    CVelAboutDlg about(this, Skin());
    about.exec();
}

void CMovaraDlg::OnFocusChanged(int index) {
    if (!m_fileList)
        return;
    StopPreviewIfActive();
    if (State() == kStateIdle)
        UpdateCommandStates();
    MediaItem* item = m_fileList->MediaAt(index);
    GiveItemToEditDialog(item);
    if (!item) {
        m_playControl->SetCurrentItem(nullptr);
        return;
    }
    if (item->profile) {
        SelectProfileInCombos(item->profile);
        m_currentProfile = item->profile;
    }
    m_playControl->SetCurrentItem(item);
    UpdateStatusText(2);
}

void CMovaraDlg::OnListRightClick(int index) {
    PrepareListMenu(index);
    PopupMenu(m_listMenu.get(), m_fileList->ContextMenuPoint());
}

void CMovaraDlg::OnToolClick(int itemId, const PaneItem& item) {
    switch (itemId) {
    case CToolWnd::kAddMedia:
        PopupMenu(m_addMediaMenu.get(), m_toolBar->mapToGlobal(QPoint(item.left, item.bottom + 1)));
        break;
    case CToolWnd::kEditMedia:
        OnCommand(kCmdVideoEdit);
        break;
    case CToolWnd::kMoveUp:
        OnMoveUp();
        break;
    case CToolWnd::kMoveDown:
        OnMoveDown();
        break;
    case CToolWnd::kRemove:
        OnRemove();
        break;
    case CToolWnd::kShutdown:
        m_settings.setOption(kOptionShutdown, item.isChecked());
        break;
    default:
        break;
    }
}

void CMovaraDlg::OnListButtonClick(int itemId, const PaneItem& item) {
    // The buttons are drawn only while the list is empty.
    if (!m_fileList || m_fileList->Count() != 0 || Busy())
        return;
    if (itemId == kFileListAddFileItem)
        OnAddFiles();
    else if (itemId == kFileListAddMenuItem)
        PopupMenu(m_addMediaMenu.get(),
                  m_fileList->mapToGlobal(QPoint(item.left - 1, item.bottom + 1)));
}
