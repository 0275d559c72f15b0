#include "CPlayCtrlWnd.h"

#include "MediaItem.h"
#include "PlayCtrlAccessible.h"
#include "SkinPaint.h"

#include "CVelSkin.h"
#include "CXInfoTip.h"
#include "velcodecutil.h"

#include <QCursor>
#include <QKeyEvent>
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
    if (!enabled && m_hot != kNoHandle) {
        InvalidateHandle(m_hot);
        m_hot = kNoHandle;
    }
    for (int id : {kPlay, kSnapshotMenu, kVolume, kEffectSwitch})
        SetItemState(id, enabled ? kStateDisabled : 0, enabled ? 0 : kStateDisabled);
}

void CPlayCtrlWnd::SetMarkersActive(bool active) {
    m_markersActive = active;
    if (!active && m_hot != kVolumeKnob)
        m_hot = kNoHandle;
    update(0, 0, width(), kTrackHeight);
}

void CPlayCtrlWnd::SetVolume(int level) {
    m_volume = std::clamp(level, 0, 100);
    SetItemImage(kVolume, VolumeImageId(m_volume));
    update(SliderArea());
}

void CPlayCtrlWnd::SetPosition(int position) {
    if (m_dragging == kKnob)
        return;
    m_position = std::clamp(position, 0, kRangeMax);
    UpdateTimeText();
    update(0, 0, width(), kTrackHeight);
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

    const int k = played + 5;
    painter.setBrush(HandleColor(kKnob));
    painter.drawPolygon(QPolygon({QPoint(k, 0), QPoint(k + 16, 0), QPoint(k + 8, 8)}));
    const int r = static_cast<int>(static_cast<int64_t>(m_clipBegin) * length / kRangeMax) + 13;
    painter.setBrush(HandleColor(kBeginMarker));
    painter.drawPolygon(QPolygon({QPoint(r, 16), QPoint(r, 24), QPoint(r - 8, 24)}));
    const int e = static_cast<int>(static_cast<int64_t>(m_clipEnd) * length / kRangeMax) + 13;
    painter.setBrush(HandleColor(kEndMarker));
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
    const bool hot = m_hot == kVolumeKnob || m_dragging == kVolumeKnob;
    knob.setColorAt(0, TableColor(104));
    knob.setColorAt(1, TableColor(hot ? 107 : 105));
    painter.setPen(Qt::NoPen);
    painter.setBrush(knob);
    painter.drawEllipse(centre, 5, 5);
    painter.restore();
}

QColor CPlayCtrlWnd::HandleColor(Handle handle) const {
    return TableColor(m_hot == handle || m_dragging == handle ? 105 : 104);
}

// --- handles -------------------------------------------------------------------------------------

bool CPlayCtrlWnd::IsHot(Handle handle) const {
    return handle != kNoHandle && m_hot == handle;
}

QRect CPlayCtrlWnd::HandleRect(Handle handle) const {
    const int length = std::max(TrackLength(), 0);
    auto place = [length](int value) {
        return static_cast<int>(static_cast<int64_t>(value) * length / kRangeMax);
    };
    switch (handle) {
    case kKnob:
        return QRect(place(m_position) + 5, 0, 16, 8);
    case kBeginMarker:
        return QRect(place(m_clipBegin) + 13 - 8, 16, 8, 8);
    case kEndMarker:
        return QRect(place(m_clipEnd) + 13, 16, 8, 8);
    case kVolumeKnob:
        if (const PaneItem* volume = FindItem(kVolume))
            return QRect(volume->left + 21 + m_volume * kSliderLength / 100, volume->top, 10,
                         volume->bottom - volume->top);
        return {};
    default:
        return {};
    }
}

CPlayCtrlWnd::Handle CPlayCtrlWnd::HandleAt(int x, int y) const {
    const Handle order[] = {kKnob, kBeginMarker, kEndMarker, kVolumeKnob};
    for (Handle handle : order) {
        if (handle != kVolumeKnob && !m_markersActive)
            continue;
        if (HandleRect(handle).contains(x, y))
            return handle;
    }
    return kNoHandle;
}

QString CPlayCtrlWnd::TooltipAt(int x, int y) const {
    if (const PaneItem* item = const_cast<CPlayCtrlWnd*>(this)->ItemAt(x, y))
        return item->tooltip;
    switch (HandleAt(x, y)) {
    case kKnob:
        return QStringLiteral("Current play position");
    case kBeginMarker:
        return QStringLiteral("Click and drag to define the clip begin position");
    case kEndMarker:
        return QStringLiteral("Click and drag to define the clip end position");
    default:
        return {};
    }
}

QRect CPlayCtrlWnd::SliderArea() const {
    const PaneItem* volume = FindItem(kVolume);
    if (!volume)
        return {};
    return QRect(volume->left + 21, volume->top, 90, volume->bottom - volume->top);
}

void CPlayCtrlWnd::InvalidateHandle(Handle handle) {
    if (handle == kVolumeKnob)
        update(SliderArea());
    else if (handle != kNoHandle)
        update(0, 0, width(), kTrackHeight);
}

int CPlayCtrlWnd::TrackValue(int x) const {
    const int length = TrackLength();
    if (length <= 0)
        return 0;
    const int64_t v = static_cast<int64_t>(x - 13) * kRangeMax / length;
    return static_cast<int>(std::clamp<int64_t>(v, 0, kRangeMax));
}

int CPlayCtrlWnd::SliderValue(int x) const {
    const PaneItem* volume = FindItem(kVolume);
    if (!volume)
        return m_volume;
    return std::clamp((x - volume->left - 26) * 100 / kSliderLength, 0, 100);
}

// --- gestures ------------------------------------------------------------------------------------

void CPlayCtrlWnd::OnClick(PaneItem* item, unsigned keys, int x, int y) {
    if (m_enabled && m_dragging == kNoHandle) {
        const Handle handle = HandleAt(x, y);
        if (handle != kNoHandle) {
            // The press itself grabs the mouse, so the drag follows it beyond the pane.
            m_dragging = handle;
            InvalidateHandle(handle);
        }
    }
    CBaseWnd::OnClick(item, keys, x, y);
}

void CPlayCtrlWnd::OnMouseMove(PaneItem* item, unsigned keys, int x, int y) {
    // The base calls this once per item and once with none; one action per move.
    if (item || !m_enabled)
        return;
    if (keys == MK_LBUTTON) {
        Drag(x);
        return;
    }
    if (!(keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
        Hover(x, y);
}

void CPlayCtrlWnd::Drag(int x) {
    switch (m_dragging) {
    case kKnob: {
        const int v = TrackValue(x);
        if (v != m_position) {
            m_position = v;
            InvalidateHandle(kKnob);
        }
        break;
    }
    case kBeginMarker: {
        int v = TrackValue(x);
        if (v >= m_clipEnd)
            v = m_clipEnd - 1;
        v = std::max(v, 0);
        if (v != m_clipBegin) {
            m_clipBegin = v;
            UpdateClipText();
            InvalidateHandle(kBeginMarker);
        }
        break;
    }
    case kEndMarker: {
        int v = TrackValue(x);
        if (v <= m_clipBegin)
            v = m_clipBegin + 1;
        v = std::min(v, kRangeMax);
        if (v != m_clipEnd) {
            m_clipEnd = v;
            UpdateClipText();
            InvalidateHandle(kEndMarker);
        }
        break;
    }
    case kVolumeKnob: {
        const int v = SliderValue(x);
        NotifyValue(kNotifyMouseMove, kVolumeValue, m_volume);
        if (v != m_volume) {
            update(SliderArea());
            m_volume = v;
            update(SliderArea());
        }
        break;
    }
    default:
        break;
    }
}

void CPlayCtrlWnd::Hover(int x, int y) {
    const Handle handle = HandleAt(x, y);
    if (handle == m_hot)
        return;
    InvalidateHandle(m_hot);
    m_hot = handle;
    InvalidateHandle(m_hot);
}

void CPlayCtrlWnd::OnButtonUp(PaneItem* item, unsigned keys, int x, int y) {
    if (item)
        return;
    EndDrag();
    if (m_enabled)
        Hover(x, y);
}

bool CPlayCtrlWnd::OnHoverLeave(PaneItem* item, unsigned keys, int x, int y) {
    if (item)
        return false;
    EndDrag();
    if (m_hot != kNoHandle) {
        InvalidateHandle(m_hot);
        m_hot = kNoHandle;
    }
    return false;
}

void CPlayCtrlWnd::EndDrag() {
    const Handle handle = m_dragging;
    if (handle == kNoHandle)
        return;
    // Cleared first: the parent's answer (a seek, the markers placed anew) finds no drag.
    m_dragging = kNoHandle;
    InvalidateHandle(handle);
    int value = 0;
    switch (handle) {
    case kKnob:
        value = m_position;
        break;
    case kBeginMarker:
        value = m_clipBegin;
        break;
    case kEndMarker:
        value = m_clipEnd;
        break;
    default:
        value = m_volume;
        break;
    }
    NotifyValue(kNotifyButtonUp, handle, value);
}

void CPlayCtrlWnd::NotifyValue(unsigned code, int kind, int value) {
    NotifyParent(code, nullptr, kind * 65536 + value);
}

void CPlayCtrlWnd::OnHover(PaneItem* item, unsigned keys, int x, int y) {
    const QString text = TooltipAt(x, y);
    if (!text.isEmpty() && Tooltip()) {
        const QPoint at = QCursor::pos();
        Tooltip()->Show(text, &at, kTooltipDelay);
    }
}

void CPlayCtrlWnd::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (key == Qt::Key_Space && !event->isAutoRepeat()) {
        // Space plays and pauses wherever the item focus stands in the pane.
        ActivateItem(kPlay);
    } else if (ctrl && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        const int step = kRangeMax / 20;
        SetHandleValue(kKnob, m_position + (key == Qt::Key_Right ? step : -step));
    } else if (ctrl && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        SetHandleValue(kVolumeKnob, m_volume + (key == Qt::Key_Up ? 10 : -10));
    } else {
        CBaseWnd::keyPressEvent(event);
    }
}

int CPlayCtrlWnd::HandleValue(Handle handle) const {
    return handle == kVolumeKnob ? m_volume : m_position;
}

bool CPlayCtrlWnd::SetHandleValue(Handle handle, int value) {
    if (!m_enabled || m_dragging != kNoHandle)
        return false;
    if (handle == kKnob && m_item) {
        m_position = std::clamp(value, 0, kRangeMax);
        InvalidateHandle(kKnob);
        NotifyValue(kNotifyButtonUp, kKnob, m_position);
        return true;
    }
    if (handle == kVolumeKnob) {
        update(SliderArea());
        m_volume = std::clamp(value, 0, 100);
        update(SliderArea());
        NotifyValue(kNotifyButtonUp, kVolumeKnob, m_volume);
        return true;
    }
    return false;
}

QAccessibleInterface* CPlayCtrlWnd::CreateAccessible() {
    return new PlayCtrlAccessible(this);
}
