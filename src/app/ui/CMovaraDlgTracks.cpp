// The list menu's choice of an item's sound and subtitle tracks.
#include "CMovaraDlg.h"
#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CommandIds.h"
#include "MovaraMenus.h"
#include "TrackMenu.h"

// The menu is on a row when "File information..." is enabled (PrepareListMenu).
void CMovaraDlg::AttachTrackMenus() {
    attachTrackMenus(
        *m_listMenu,
        {[this]() -> MediaItem* {
             QAction* info = m_listMenu ? m_listMenu->FindCommand(kCmdFileInfo) : nullptr;
             return m_fileList && info && info->isEnabled()
                        ? m_fileList->MediaAt(m_fileList->FocusedIndex())
                        : nullptr;
         },
         [this] { return Busy(); },
         [this](const MediaItem& item) {
             std::vector<tagVeldesTrack> tracks;
             m_convert.tracks(&item, &tracks);
             return tracks;
         },
         [this](MediaItem& item) {
             m_convert.estimate(&item);
             m_fileList->RepaintRows();
             ListChanged();
         }});
}
