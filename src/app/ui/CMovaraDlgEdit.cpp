// The main window's side of the video edit dialog: opening it, handing it the current item, and
// applying the pages' changes (4809, 4806, 4812, 4815) to an open preview, to all items when asked.
#include "CMovaraDlg.h"

#include "CFileListWnd.h"
#include "CVideoEditDlg.h"
#include "EditMessages.h"

#include <algorithm>

void CMovaraDlg::OpenEditDialog(int page) {
    if (!m_fileList)
        return;
    if (!m_editDialog)
        m_editDialog = new CVideoEditDlg(this, this, Skin());
    MediaItem* item = m_fileList->MediaAt(m_fileList->FocusedIndex());
    // A sound-only item has nothing for the picture pages: it opens on its sound.
    tagVeldesStreamInfo* streams = nullptr;
    const int count = item ? m_convert.mediaInfo(item, &streams) : 0;
    if (streams && count > 0 &&
        std::none_of(streams, streams + count,
                     [](const auto& s) { return s.type == VELDES_STREAM_VIDEO; }) &&
        std::any_of(streams, streams + count,
                    [](const auto& s) { return s.type == VELDES_STREAM_AUDIO; }))
        page = CVideoEditDlg::kSound;
    m_editDialog->SelectPage(page);
    m_editDialog->show();
    m_editDialog->move(m_fileList->mapToGlobal(QPoint(0, 0)));
    m_editDialog->raise();
    GiveItemToEditDialog(item);
}

void CMovaraDlg::GiveItemToEditDialog(MediaItem* item) {
    if (!m_editDialog)
        return;
    // The pages write the item they show (the crop page completes an unset rectangle), and a
    // running conversion reads every item's edits: no item while it runs (Unlock gives it back).
    if (Busy())
        item = nullptr;
    StreamList streams;
    tagVeldesStreamInfo* records = nullptr;
    const int count = item ? m_convert.mediaInfo(item, &records) : 0;
    if (records && count > 0)
        streams.assign(records, records + count);
    // The sound page asks for the item's loudness when it shows it (kMsgSoundPageShown); a run
    // needs it only where normalisation is on.
    if (item && item->loudness.on)
        m_convert.measureLoudness(item);
    m_editDialog->SetItem(item, streams);
}

bool CMovaraDlg::IsListed(const MediaItem* item) {
    if (!m_fileList || !item)
        return false;
    MediaList& items = m_fileList->MediaItems();
    return std::any_of(items.begin(), items.end(),
                       [item](const auto& listed) { return listed.get() == item; });
}

intptr_t CMovaraDlg::OnSoundChanged(uintptr_t wParam, MediaItem* item) {
    if (!m_editDialog || !m_editDialog->isVisible() || !IsListed(item) || Busy())
        return 0;
    // To the engine at once: an open preview plays with the new level once it is measured.
    m_convert.applyLoudness(*item);
    m_convert.measureLoudness(item);
    if (!(wParam & kEditApplyToAll))
        return 0;
    for (const auto& other : m_fileList->MediaItems()) {
        if (other.get() == item)
            continue;
        other->loudness = item->loudness;
        m_convert.applyLoudness(*other);
        if (other->loudness.on)
            m_convert.measureLoudness(other.get());
    }
    return 0;
}

void CMovaraDlg::CloseEditDialog() {
    if (m_editDialog)
        m_editDialog->hide();
}

intptr_t CMovaraDlg::OnEditChanged(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    auto* item = reinterpret_cast<MediaItem*>(lParam);
    if (!m_editDialog || !m_editDialog->isVisible() || !IsListed(item))
        return 0;
    MediaList& items = m_fileList->MediaItems();
    tagVeldesStreamInfo* streams = nullptr;
    const int count = m_convert.mediaInfo(item, &streams);
    const bool video =
        streams && std::any_of(streams, streams + std::max(count, 0),
                               [](const auto& s) { return s.type == VELDES_STREAM_VIDEO; });
    if (!video)
        return 0;
    if (State() == kStatePreviewing || State() == kStatePreviewPaused) {
        switch (msg) {
        case kMsgEffectChanged:
            m_convert.applyFilter(item, VELDES_FILTER_COLOR);
            m_convert.applyFilter(item, VELDES_FILTER_FLIP);
            break;
        case kMsgWatermarkChanged:
            m_convert.applyWatermark(item);
            break;
        case kMsgCropChanged:
            m_convert.applyFilter(item, VELDES_FILTER_CROP);
            m_convert.applyFilter(item, VELDES_FILTER_CROP_SCALE);
            break;
        default:
            break;
        }
    }
    // Every edit changes what the output will weigh.
    m_convert.estimate(item);
    m_fileList->RepaintRows();
    if (!(wParam & kEditApplyToAll) || msg == kMsgCropChanged)
        return 0;
    for (const auto& other : items) {
        if (other.get() == item)
            continue;
        if (msg == kMsgEffectChanged) {
            other->brightness = item->brightness;
            other->contrast = item->contrast;
            other->saturation = item->saturation;
            other->flip = item->flip;
        } else {
            other->watermark = item->watermark;
        }
        m_convert.estimate(other.get());
    }
    m_fileList->RepaintRows();
    return 0;
}
