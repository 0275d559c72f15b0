#include "CPlayCtrlWnd.h"

#include "MediaItem.h"
#include "SkinPaint.h"

#include "CVelSkin.h"
#include "velcodecutil.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace {

// Element sizes of the pane; the rows sit below the position track.
constexpr int kButtonRowTop = 30;
constexpr int kButtonRowHeight = 24;

PaneItem element(int id, int imageId, int width, int height, int placement, const char* tip) {
    PaneItem item;
    item.id = id;
    item.imageId = imageId;
    item.setSize(width, height);
    item.placement = placement | kPlaceFixedWidth | kPlaceFixedHeight;
    // Centred on the button row: each item of a flowing row starts from the row's top.
    item.marginTop = kButtonRowTop + (kButtonRowHeight - height) / 2;
    item.marginLeft = 4;
    item.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    item.tooltip = QString::fromUtf8(tip);
    return item;
}

PaneItem text(int id, int width, const char* caption, const char* tip) {
    PaneItem item;
    item.id = id;
    item.setSize(width, 20);
    item.placement = kPlaceTopLeft | kPlaceFixedWidth | kPlaceFixedHeight;
    item.caption = QString::fromUtf8(caption);
    item.tooltip = QString::fromUtf8(tip);
    item.behaviour = kItemNoHover;
    return item;
}

QString timeText(int64_t ms) {
    return QString::fromStdString(mediaTimeText(ms));
}

} // namespace

bool CPlayCtrlWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    if (!CBaseWnd::Create(name, style, parent, id))
        return false;
    PaneItem play = element(kPlay, CVelSkin::kBtnPlay, 24, 24, kPlaceTopLeft, "Play");
    play.marginLeft = 9;
    AddItem(play);
    AddItem(element(kStop, CVelSkin::kBtnStop, 24, 24, kPlaceTopLeft, "Stop"));
    PaneItem snapshot = element(kSnapshot, CVelSkin::kSnapshot, 20, 20, kPlaceTopLeft, "Snapshot");
    snapshot.marginLeft = 12;
    AddItem(snapshot);
    PaneItem arrow =
        element(kSnapshotMenu, CVelSkin::kDownMenu, 8, 16, kPlaceTopLeft, "Snap drop-down menu");
    arrow.marginLeft = 1;
    AddItem(arrow);
    PaneItem volume = element(kVolume, VolumeImageId(m_volume), 20, 20, kPlaceTopLeft, "Volume");
    volume.marginLeft = 12;
    // The slider is drawn to the right of the volume button, over 111 pixels.
    volume.marginRight = 0;
    AddItem(volume);
    PaneItem effect = element(kEffectSwitch, CVelSkin::kVideoEffect, 20, 20, kPlaceTopLeft,
                              "Switch to original video");
    effect.marginLeft = 4 + 111 - 20 + 8;
    AddItem(effect);

    PaneItem time = text(kTimeText, 102, "00:00:00/00:00:00", "Elapsed/duration");
    time.placement = kPlaceTopRight | kPlaceFixedWidth | kPlaceFixedHeight;
    time.marginTop = kButtonRowTop + 2;
    time.marginRight = 8;
    AddItem(time);

    PaneItem label =
        text(kClipLabel, 100, "Begin/End: ", "Clip begin position/end position (clip duration)");
    label.placement = kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight;
    label.marginLeft = 9;
    label.marginTop = 6;
    AddItem(label);
    PaneItem clip = text(kClipText, 200, "00:00:00/00:00:00 (00:00:00)",
                         "Clip begin position/end position (clip duration)");
    clip.marginTop = 6;
    AddItem(clip);
    return true;
}

int CPlayCtrlWnd::VolumeImageId(int level) {
    if (level <= 20)
        return CVelSkin::kVolumeMute;
    if (level <= 40)
        return CVelSkin::kVolumeLow;
    if (level <= 60)
        return CVelSkin::kVolumeMiddle;
    if (level <= 80)
        return CVelSkin::kVolumeHigh;
    return CVelSkin::kVolumeFull;
}

void CPlayCtrlWnd::SetCurrentItem(const MediaItem* item) {
    m_item = item;
    m_duration = item ? item->duration : 0;
    if (!item || m_duration <= 0) {
        m_clipBegin = 0;
        m_clipEnd = kRangeMax;
    } else {
        const int64_t begin = std::max<int64_t>(item->clipBegin, 0);
        m_clipBegin =
            static_cast<int>(std::min<int64_t>(begin * kRangeMax / m_duration, kRangeMax));
        m_clipEnd = item->clipEnd < 0 ? kRangeMax
                                      : static_cast<int>(std::min<int64_t>(
                                            item->clipEnd * kRangeMax / m_duration, kRangeMax));
    }
    const bool device = item && IsDevicePath(item->sourcePath);
    if (device)
        m_position = 0;
    m_markersActive = !device;
    UpdateTimeText();
    if (item)
        UpdateClipText();
    else
        SetItemCaption(kClipText, QStringLiteral("00:00:00/00:00:00 (00:00:00)"));
    update(0, 0, width(), kTrackHeight);
}

void CPlayCtrlWnd::SetPlayEnabled(bool enabled) {
    m_enabled = enabled;
    for (int id : {kPlay, kSnapshotMenu, kVolume, kEffectSwitch})
        SetItemState(id, enabled ? kStateDisabled : 0, enabled ? 0 : kStateDisabled);
}

void CPlayCtrlWnd::SetMarkersActive(bool active) {
    m_markersActive = active;
    update(0, 0, width(), kTrackHeight);
}

void CPlayCtrlWnd::SetVolume(int level) {
    m_volume = std::clamp(level, 0, 100);
    SetItemImage(kVolume, VolumeImageId(m_volume));
    update();
}

void CPlayCtrlWnd::SetEffectShown(bool shown) {
    m_effectShown = shown;
    SetItemImage(kEffectSwitch, shown ? CVelSkin::kVideoEffect : CVelSkin::kVideoOriginal);
    SetItemTooltip(kEffectSwitch, shown ? QStringLiteral("Switch to original video")
                                        : QStringLiteral("Switch to effect video"));
}

void CPlayCtrlWnd::UpdateTimeText() {
    if (!m_item) {
        SetItemCaption(kTimeText, QStringLiteral("00:00:00/00:00:00"));
        return;
    }
    const int64_t elapsed = static_cast<int64_t>(m_position) * m_duration / kRangeMax;
    SetItemCaption(kTimeText, timeText(elapsed) + QLatin1Char('/') + timeText(m_duration));
}

void CPlayCtrlWnd::UpdateClipText() {
    const int64_t begin = static_cast<int64_t>(m_clipBegin) * m_duration / kRangeMax;
    const int64_t end = m_clipEnd == kRangeMax
                            ? m_duration
                            : static_cast<int64_t>(m_clipEnd) * m_duration / kRangeMax;
    SetItemCaption(kClipText, timeText(begin) + QLatin1Char('/') + timeText(end) +
                                  QStringLiteral(" (") + timeText(end - begin) + QLatin1Char(')'));
}

QColor CPlayCtrlWnd::TableColor(int id) const {
    return argbColor(StyleColor(0, id));
}

void CPlayCtrlWnd::AfterItems(QPainter& painter) {
    PaintTrack(painter);
    PaintSlider(painter);
}

void CPlayCtrlWnd::PaintTrack(QPainter& painter) {
    const int length = TrackLength();
    if (length <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    const int played = static_cast<int>(static_cast<int64_t>(m_position) * length / kRangeMax);
    painter.fillRect(QRect(13, 8, played, 8), TableColor(107));
    painter.fillRect(QRect(13 + played, 8, width() - 13 - (13 + played), 8), TableColor(106));

    const QColor rest = TableColor(104);
    const int k = played + 5;
    painter.setBrush(rest);
    painter.drawPolygon(QPolygon({QPoint(k, 0), QPoint(k + 16, 0), QPoint(k + 8, 8)}));
    const int r = static_cast<int>(static_cast<int64_t>(m_clipBegin) * length / kRangeMax) + 13;
    painter.drawPolygon(QPolygon({QPoint(r, 16), QPoint(r, 24), QPoint(r - 8, 24)}));
    const int e = static_cast<int>(static_cast<int64_t>(m_clipEnd) * length / kRangeMax) + 13;
    painter.drawPolygon(QPolygon({QPoint(e, 16), QPoint(e, 24), QPoint(e + 8, 24)}));
    painter.restore();
}

void CPlayCtrlWnd::PaintSlider(QPainter& painter) {
    const PaneItem* volume = FindItem(kVolume);
    if (!volume)
        return;
    const int x0 = volume->left + 26;
    const int top = volume->top + 8;
    const int height = std::max(2, volume->bottom - 8 - top);
    const int filled = m_volume * kSliderLength / 100;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(QRect(x0, top, kSliderLength, height), TableColor(106));
    painter.fillRect(QRect(x0, top, filled, height), TableColor(107));
    const QPoint centre(x0 + filled, (volume->top + volume->bottom) / 2);
    QLinearGradient knob(centre.x() - 5, centre.y() - 5, centre.x() + 5, centre.y() + 5);
    knob.setColorAt(0, TableColor(104));
    knob.setColorAt(1, TableColor(105));
    painter.setPen(Qt::NoPen);
    painter.setBrush(knob);
    painter.drawEllipse(centre, 5, 5);
    painter.restore();
}
