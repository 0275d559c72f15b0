#include "CFileListWnd.h"

#include "BalloonShape.h"
#include "CXInfoTip.h"
#include "FileListAccessible.h"
#include "FileListGeometry.h"

#include "CVelSkin.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

using namespace filelist;

namespace {

bool inRect(int x, int y, int left, int top, int right, int bottom) {
    return x >= left && x < right && y >= top && y < bottom;
}

// The header box answers clicks a little higher than it is drawn, and shows its tooltip over
// the box itself.
bool onHeaderBox(int x, int y) {
    return inRect(x, y, 4, 5, 14, 15);
}

bool onHeaderBoxTip(int x, int y) {
    return inRect(x, y, 4, 7, 14, 17);
}

} // namespace

CFileListWnd::CFileListWnd(CBaseSkin* skin) : CBaseWnd(skin) {
    m_repeatUp.setSingleShot(true);
    m_repeatDown.setSingleShot(true);
    QObject::connect(&m_repeatUp, &QTimer::timeout, this, [this] { OnRepeatTimer(false); });
    QObject::connect(&m_repeatDown, &QTimer::timeout, this, [this] { OnRepeatTimer(true); });
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CFileListWnd::~CFileListWnd() {
    m_repeatUp.stop();
    m_repeatDown.stop();
    // Items go from the last to the first, as Clear does.
    while (!m_items.empty())
        m_items.pop_back();
}

// --- operations ---

int CFileListWnd::InsertAt(const MediaItem& item, int index) {
    if (index < 0 || index > Count())
        return -1;
    try {
        auto copy = std::make_unique<MediaItem>(item);
        m_items.insert(m_items.begin() + index, std::move(copy));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    MediaItem& added = *m_items[static_cast<size_t>(index)];
    if (m_focused >= 0) {
        added.setFlag(kItemFocused, false);
        // The focused item keeps its focus when the new one goes in above it.
        if (index <= m_focused)
            ++m_focused;
    } else {
        m_focused = index;
        added.setFlag(kItemFocused, true);
        NotifyParent(kFileListFocusSet, nullptr, index);
    }
    update();
    return index;
}

int CFileListWnd::Add(const MediaItem& item) {
    return InsertAt(item, Count());
}

int CFileListWnd::InsertCopy(const MediaItem& item, int index) {
    return InsertAt(item, index);
}

int CFileListWnd::Remove(int index) {
    if (index < 0 || index >= Count())
        return 0;
    const int before = Count();
    m_failureNotes.remove(m_items[static_cast<size_t>(index)].get());
    m_items.erase(m_items.begin() + index);
    const int count = Count();
    if (index == m_focused) {
        const int next = index < count ? index : count - 1;
        SetFocusIndex(next);
    } else if (index < m_focused) {
        // The focused item moved up a row with the others.
        --m_focused;
    }
    if (m_first > 0 && count < m_first + VisibleRowCount())
        --m_first;
    if (before <= 1)
        ArrangeItems();
    update();
    return 1;
}

int CFileListWnd::IndexOf(const MediaItem* item) const {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

void CFileListWnd::Clear() {
    m_failureNotes.clear();
    while (!m_items.empty())
        m_items.pop_back();
    m_focused = -1;
    NotifyParent(kFileListFocusSet, nullptr, -1);
    m_first = 0;
    ArrangeItems();
    update();
}

bool CFileListWnd::HeaderChecked() const {
    // Ticked when every row the box can tick is: the rows of files that exist, one at least.
    bool any = false;
    for (const auto& item : m_items) {
        if (item->hasState(kItemNotExist))
            continue;
        if (!item->hasState(kItemChecked))
            return false;
        any = true;
    }
    return any;
}

uint32_t CFileListWnd::ListFlags() const {
    return (m_flags & ~kHeaderChecked) | (HeaderChecked() ? kHeaderChecked : 0);
}

void CFileListWnd::CheckAll(bool on) {
    if (IsLocked())
        return;
    for (auto& item : m_items)
        if (!item->hasState(kItemNotExist))
            item->setFlag(kItemChecked, on);
    update();
}

void CFileListWnd::MoveUp() {
    const int f = m_focused;
    if (f < 1 || f >= Count())
        return;
    std::swap(m_items[static_cast<size_t>(f)], m_items[static_cast<size_t>(f - 1)]);
    m_focused = f - 1;
    if (m_focused < m_first)
        m_first = m_focused;
    update();
}

void CFileListWnd::MoveDown() {
    const int f = m_focused;
    if (f < 0 || f >= Count() - 1)
        return;
    std::swap(m_items[static_cast<size_t>(f)], m_items[static_cast<size_t>(f + 1)]);
    m_focused = f + 1;
    if (m_focused >= m_first + VisibleRowCount())
        ++m_first;
    update();
}

void CFileListWnd::Lock(bool locked) {
    if (locked)
        m_flags |= kLocked;
    else
        m_flags &= ~kLocked;
    update();
}

MediaItem* CFileListWnd::MediaAt(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[static_cast<size_t>(index)].get();
}

int CFileListWnd::CheckedCount() const {
    return static_cast<int>(std::count_if(m_items.begin(), m_items.end(), [](const auto& item) {
        return item->hasState(kItemChecked);
    }));
}

void CFileListWnd::RepaintRows() {
    update(0, kHeaderHeight, width(), std::max(0, height() - kHeaderHeight));
    // The header's box follows the rows' boxes.
    update(0, 0, kBoxLeft + kBoxSize + 4, kHeaderHeight);
    FileListAccessible::AnnounceProgress(this);
}

void CFileListWnd::AddEmptyListButtons() {
    PaneItem add;
    add.id = kFileListAddFileItem;
    add.setSize(124, 30);
    add.caption = QStringLiteral("Add File...");
    add.imageId = CVelSkin::kAddFile;
    add.behaviour = kItemBackground | kItemFrame;
    add.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    add.gap = 4;
    add.placement = kPlaceFixedWidth | kPlaceFixedHeight;
    AddItem(add);

    PaneItem menu;
    menu.id = kFileListAddMenuItem;
    menu.setSize(20, 30);
    menu.imageId = CVelSkin::kDownMenu;
    menu.tooltip = QStringLiteral("More ways to add media");
    menu.behaviour = kItemBackground | kItemFrame;
    menu.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    menu.placement = kPlaceFixedWidth | kPlaceFixedHeight;
    AddItem(menu);
    ArrangeItems();
}

// --- scroll state ---

int CFileListWnd::VisibleRowCount() const {
    return visibleRows(height());
}

bool CFileListWnd::ScrollBarShown() const {
    return scrollBarShown(Count(), height());
}

int CFileListWnd::RowWidth() const {
    return ScrollBarShown() ? width() - kScrollWidth : width();
}

void CFileListWnd::ScrollTo(int row) {
    SetFirstRow(clampFirstRow(row, VisibleRowCount(), Count()));
}

void CFileListWnd::SetFirstRow(int row) {
    if (row == m_first)
        return;
    m_first = row;
    RepaintRows();
}

bool CFileListWnd::RepeatTimerActive(int timer) const {
    return timer == 1 ? m_repeatUp.isActive() : timer == 2 ? m_repeatDown.isActive() : false;
}

int CFileListWnd::RowAt(int x, int y) const {
    if (y < kHeaderHeight || x < 0 || x >= RowWidth())
        return -1;
    const int row = (y - kHeaderHeight) / kRowHeight;
    const int index = m_first + row;
    if (index >= Count())
        return index;
    // A row cut off at the bottom is not drawn, so it answers nothing.
    return row < VisibleRowCount() ? index : -2;
}

void CFileListWnd::SetFocusIndex(int index) {
    if (MediaItem* old = MediaAt(m_focused))
        old->setFlag(kItemFocused, false);
    m_focused = index;
    if (MediaItem* now = MediaAt(index))
        now->setFlag(kItemFocused, true);
    NotifyParent(kFileListFocusSet, nullptr, index);
}

bool CFileListWnd::ToggleRowBox(int index, int x, int y) {
    const int rowTop = kHeaderHeight + (index - m_first) * kRowHeight;
    const int boxTop = rowTop + kBoxTopInRow;
    if (!inRect(x, y, kBoxLeft, boxTop, kBoxLeft + kBoxSize, boxTop + kBoxSize))
        return false;
    MediaItem* item = MediaAt(index);
    if (!item || item->hasState(kItemNotExist) || IsLocked())
        return true;
    item->setFlag(kItemChecked, !item->hasState(kItemChecked));
    update(0, 0, kBoxLeft + kBoxSize + 4, kHeaderHeight);
    NotifyParent(kFileListBoxToggled, nullptr, index);
    return true;
}

// --- mouse ---

void CFileListWnd::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    m_mouse = p;
    if (event->button() == Qt::LeftButton)
        m_leftDown = true;
    if (event->button() != Qt::RightButton) {
        CBaseWnd::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_menuAt = event->globalPosition().toPoint();
    const int index = RowAt(p.x(), p.y());
    if (index >= 0 && index < Count()) {
        SetFocusIndex(index);
        RepaintRows();
        NotifyParent(kFileListRightClick, nullptr, m_focused);
    } else if (index >= Count()) {
        NotifyParent(kFileListRightClick, nullptr, -1);
    }
}

void CFileListWnd::OnClick(PaneItem* item, unsigned keys, int x, int y) {
    // The empty-list buttons answer only while they are shown.
    if (item && m_items.empty()) {
        if (item->behaviour & kItemCheckBox)
            item->state ^= kStateChecked;
        InvalidateItem(*item);
        NotifyParent(kFileListClick, item, -1);
        return;
    }
    if (y < kHeaderHeight) {
        if (!onHeaderBox(x, y) || IsLocked())
            return;
        const bool on = !HeaderChecked();
        for (auto& media : m_items)
            if (!media->hasState(kItemNotExist))
                media->setFlag(kItemChecked, on);
        update();
        NotifyParent(kFileListBoxToggled, nullptr, -1);
        return;
    }
    if (ScrollBarShown() && x >= width() - kScrollWidth) {
        PressScrollBar(x, y);
        return;
    }
    const int index = RowAt(x, y);
    if (index < 0 || index >= Count())
        return;
    if (index != m_focused) {
        SetFocusIndex(index);
        // The main window may have changed the list while handling the focus.
        if (index < Count()) {
            ToggleRowBox(index, x, y);
            if (!IsLocked() && index < Count())
                NotifyParent(kFileListClick, nullptr, index);
        }
        RepaintRows();
    } else if (ToggleRowBox(index, x, y)) {
        RepaintRows();
    }
}

void CFileListWnd::PressScrollBar(int x, int y) {
    const int visible = VisibleRowCount();
    const int count = Count();
    const ScrollParts parts = scrollParts(height(), m_first, visible, count);
    if (y >= parts.upTop && y < parts.upBottom) {
        if (m_first > 0)
            SetFirstRow(m_first - 1);
        m_repeatUp.start(kRepeatFirstDelay);
    } else if (y >= parts.downTop && y < parts.downBottom) {
        if (m_first + visible < count)
            SetFirstRow(m_first + 1);
        m_repeatDown.start(kRepeatFirstDelay);
    } else if (y >= parts.trackTop && y < parts.trackBottom) {
        m_flags |= kThumbDrag;
        m_dragPressY = y;
        // Jump towards the press by the share of the list that the distance to the thumb's
        // centre stands for.
        const int centre = (parts.thumbTop + parts.thumbBottom) / 2;
        const int offset = y - centre;
        const int area = height() - kHeaderHeight;
        const int rows = area > 0 ? static_cast<int>(int64_t(count) * std::abs(offset) / area) : 0;
        SetFirstRow(clampFirstRow(offset < 0 ? m_first - rows : m_first + rows, visible, count));
        m_dragStartRow = m_first;
    }
}

bool CFileListWnd::OnArrow(bool down, const QPoint& at) const {
    if (at.x() < width() - kScrollWidth || at.x() >= width())
        return false;
    const ScrollParts parts = scrollParts(height(), m_first, VisibleRowCount(), Count());
    return down ? at.y() >= parts.downTop && at.y() < parts.downBottom
                : at.y() >= parts.upTop && at.y() < parts.upBottom;
}

void CFileListWnd::OnRepeatTimer(bool down) {
    QTimer& timer = down ? m_repeatDown : m_repeatUp;
    if (!ScrollBarShown())
        return;
    const bool canScroll = down ? m_first + VisibleRowCount() < Count() : m_first > 0;
    if (m_leftDown && OnArrow(down, m_mouse) && canScroll) {
        SetFirstRow(down ? m_first + 1 : m_first - 1);
        timer.start(kRepeatDelay);
    } else {
        timer.stop();
    }
}

void CFileListWnd::OnButtonUp(PaneItem* item, unsigned keys, int x, int y) {
    if (item)
        return;
    m_leftDown = false;
    m_repeatUp.stop();
    m_repeatDown.stop();
    m_flags &= ~kThumbDrag;
}

void CFileListWnd::OnDblClick(PaneItem* item, unsigned keys, int x, int y) {
    // The press before it already answered the empty-list buttons.
    if (item && m_items.empty())
        return;
    const int index = RowAt(x, y);
    if (index >= 0 && index < Count())
        NotifyParent(kFileListDblClick, nullptr, m_focused);
    else if (index >= Count())
        NotifyParent(kFileListDblClick, nullptr, -1);
}

void CFileListWnd::OnMouseMove(PaneItem* item, unsigned keys, int x, int y) {
    if (item)
        return;
    m_mouse = QPoint(x, y);
    if (!ScrollBarShown()) {
        ClearDragAndHover();
        return;
    }
    if (m_flags & kThumbDrag) {
        if (keys & MK_LBUTTON) {
            // Rows per pixel of the track, so that the thumb stays under the mouse.
            const ScrollParts parts = scrollParts(height(), m_first, VisibleRowCount(), Count());
            const int track = parts.trackBottom - parts.trackTop;
            const int dy = y - m_dragPressY;
            const int rows =
                track > 0 ? static_cast<int>(std::lround(double(Count()) * std::abs(dy) / track))
                          : 0;
            const int target = dy < 0 ? m_dragStartRow - rows : m_dragStartRow + rows;
            SetFirstRow(clampFirstRow(target, VisibleRowCount(), Count()));
            return;
        }
        m_flags &= ~kThumbDrag;
    }
    const uint32_t hot =
        (OnArrow(false, m_mouse) ? kUpArrowHot : 0) | (OnArrow(true, m_mouse) ? kDownArrowHot : 0);
    if ((m_flags & (kUpArrowHot | kDownArrowHot)) != hot) {
        m_flags = (m_flags & ~(kUpArrowHot | kDownArrowHot)) | hot;
        RepaintRows();
    }
}

bool CFileListWnd::OnHoverLeave(PaneItem* item, unsigned keys, int x, int y) {
    if (!item)
        ClearDragAndHover();
    return false;
}

void CFileListWnd::ClearDragAndHover() {
    const bool wasHot = (m_flags & (kUpArrowHot | kDownArrowHot)) != 0;
    m_flags &= ~(kUpArrowHot | kDownArrowHot | kThumbDrag);
    if (wasHot)
        RepaintRows();
}

void CFileListWnd::OnHover(PaneItem* item, unsigned keys, int x, int y) {
    if (item && m_items.empty()) {
        CBaseWnd::OnHover(item, keys, x, y);
        return;
    }
    if (!Tooltip())
        return;
    if (onHeaderBoxTip(x, y)) {
        const QPoint at = mapToGlobal(QPoint(x, y));
        Tooltip()->Show(HeaderChecked() ? QStringLiteral("Unselect all items")
                                        : QStringLiteral("Select all items"),
                        &at, kTooltipDelay);
    } else if (const int index = RowAt(x, y); index >= 0 && index < Count()) {
        // The name's balloon keeps right of the check boxes, so that none is hidden under it.
        const int clear = kBoxLeft + kBoxSize + 2;
        const QPoint at = mapToGlobal(QPoint(std::max(x, clear + BalloonShape::kCornerWidth), y));
        Tooltip()->ShowRightOf(RowTooltip(index), at, mapToGlobal(QPoint(clear, 0)).x(),
                               kTooltipDelay);
    }
}

void CFileListWnd::SetFailureNote(const MediaItem* item, const QString& reason) {
    if (reason.isEmpty())
        m_failureNotes.remove(item);
    else
        m_failureNotes.insert(item, reason);
}

QString CFileListWnd::RowTooltip(int index) const {
    const MediaItem* item = MediaAt(index);
    if (!item)
        return {};
    QString text = QString::fromStdString(item->displayName);
    const auto note = m_failureNotes.constFind(item);
    if (item->hasState(kItemConvertFailed) && note != m_failureNotes.constEnd())
        text += QStringLiteral("\nConvert Failed: ") + *note;
    return text;
}

void CFileListWnd::wheelEvent(QWheelEvent* event) {
    const int area = height() - kHeaderHeight;
    event->accept();
    if (area <= 0)
        return;
    const int s = event->angleDelta().y() / -6;
    const int n = static_cast<int>(int64_t(std::abs(s)) * Count() / area);
    if (n == 0)
        return;
    const int visible = VisibleRowCount();
    if (s > 0)
        m_first = std::max(0, std::min(m_first + n, Count() - visible));
    else
        m_first = std::max(0, m_first - n);
    RepaintRows();
}

// --- layout ---

bool CFileListWnd::PlaceItem(PaneItem& item) {
    if (item.id == kFileListAddFileItem) {
        const int w = item.right - item.left;
        const int h = item.bottom - item.top;
        const int left = (width() - w) / 2;
        const int top = kHeaderHeight + (height() - kHeaderHeight - h) / 2;
        item.setRect({left, top, left + w, top + h});
        return true;
    }
    if (item.id == kFileListAddMenuItem) {
        const PaneItem* add = FindItem(kFileListAddFileItem);
        if (!add)
            return false;
        const int w = item.right - item.left;
        item.setRect({add->right, add->top, add->right + w, add->bottom});
        return true;
    }
    return false;
}

void CFileListWnd::resizeEvent(QResizeEvent* event) {
    // A taller pane shows more rows: keep the last rows at the bottom rather than leaving rows
    // above the top unreachable once the scroll bar goes away.
    m_first = clampFirstRow(m_first, VisibleRowCount(), Count());
    CBaseWnd::resizeEvent(event);
}
