// The file list pane: owns the media list and shows one row per item with a check box, five
// columns, the focus highlight, its own scroll bar and a header box that checks all items. Every
// user action is reported to the main window with the pane notification 1124 (FileListNotify.h).
#pragma once

#include "CBaseWnd.h"
#include "FileListGeometry.h"
#include "FileListNotify.h"
#include "FileListTextCache.h"

#include "MediaItem.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QTimer>

#include <cstdint>

class CFileListWnd : public CBaseWnd {
public:
    // List flags.
    static constexpr uint32_t kHeaderChecked = 0x4;
    static constexpr uint32_t kLocked = 0x80;
    static constexpr uint32_t kUpArrowHot = 0x100000;
    static constexpr uint32_t kDownArrowHot = 0x200000;
    static constexpr uint32_t kThumbDrag = 0x400000;

    static constexpr int kRepeatFirstDelay = 500; // ms from an arrow press to the first repeat
    static constexpr int kRepeatDelay = 100;      // ms between repeats while the arrow is held

    // `skin` null: the process-wide skin.
    explicit CFileListWnd(CBaseSkin* skin = nullptr);
    ~CFileListWnd() override;

    // --- operations of the main window ---
    // Appends a copy; the first item of a list without focus becomes focused (11223 sent).
    // Returns its index, -1 when the copy cannot be made.
    int Add(const MediaItem& item);
    // Inserts a copy at `index` (0..count) with the focus rule of Add; -1 for another index.
    int InsertCopy(const MediaItem& item, int index);
    // 1 when an item was removed; the focus follows the rules of the list (11223 sent when the
    // focused item was the one removed).
    int Remove(int index);
    int IndexOf(const MediaItem* item) const;
    // Deletes every item; focus -1 (11223 sent with -1).
    void Clear();
    // Sets or clears the checked bit of every item that exists (and so the header box); ignored
    // while locked. No notification.
    void CheckAll(bool on);
    // Ticks or unticks row `index` as its box does (1633 sent); false when it cannot change.
    bool ToggleBox(int index);
    void MoveUp();
    void MoveDown();
    void Lock(bool locked);
    bool IsLocked() const { return (m_flags & kLocked) != 0; }
    int Count() const { return static_cast<int>(m_items.size()); }
    int FocusedIndex() const { return m_focused; }
    // The item at `index`, or null outside the list.
    MediaItem* MediaAt(int index) const;
    int CheckedCount() const;
    void RepaintRows();
    // The list itself, owned by this pane; the settings record points at it.
    MediaList& MediaItems() { return m_items; }
    const MediaList& MediaItems() const { return m_items; }
    // The header's box: ticked while every row of a file that exists is (and there is one).
    bool HeaderChecked() const;
    // Why the item's conversion failed, in words, shown in its row's tooltip while the item is
    // "Convert Failed". The window copies it when the failure is reported: the item's own
    // field belongs to the conversion while one runs.
    void SetFailureNote(const MediaItem* item, const QString& reason);
    // The row's tooltip: the item's name, and the failure's reason when it failed.
    QString RowTooltip(int index) const;

    // Adds the two buttons shown while the list is empty: "Add File..." (item 1) and the arrow
    // that opens the add-media menu (item 2).
    void AddEmptyListButtons();

    // --- scroll state ---
    int FirstVisibleRow() const { return m_first; }
    int VisibleRowCount() const;
    bool ScrollBarShown() const;
    // Scrolls so that `row` is the top row, within the bounds of the list.
    void ScrollTo(int row);
    uint32_t ListFlags() const;
    bool RepeatTimerActive(int timer) const;

    // Draws the whole pane (header, rows or empty-list buttons, scroll bar) as it appears on
    // screen; the paint handler draws through this into its off-screen bitmap.
    void Render(QPainter& painter);

    // The screen point the context menu opens at: where the right button was pressed, or below
    // the focused row when the keyboard asked for the menu.
    QPoint ContextMenuPoint() const { return m_menuAt; }
    // The focused row's rectangle in the pane, empty when it is scrolled out of sight.
    QRect FocusedRowRect() const;
    // The rectangle of row `index` in the pane (outside the pane when it is scrolled away).
    QRect RowRect(int index) const;
    // The header's title of a column (0..4) and an item's text in it, as the rows show them.
    static QString ColumnTitle(int column);
    static QString ColumnText(const MediaItem& item, int column);
    // The columns of a row `rowWidth` wide whose text starts at x0 (the header's or a row's), as
    // drawn: the other columns as wide as their texts need, at most their shares, the media
    // names the rest.
    std::array<filelist::Span, filelist::kColumnCount> ColumnSpans(int rowWidth, int x0) const;
    QAccessibleInterface* CreateAccessible() override;

    // --- CBaseWnd hooks ---
    bool IsItemFocusable(const PaneItem& item) const override;
    // The empty-list buttons show while the list is empty.
    bool IsItemShown(const PaneItem& item) const override { return m_items.empty(); }
    bool AcceptsKeyboardFocus() const override { return true; }
    void OnFocusChanged(bool focused) override;
    bool PlaceItem(PaneItem& item) override;
    void OnClick(PaneItem* item, unsigned keys, int x, int y) override;
    void OnButtonUp(PaneItem* item, unsigned keys, int x, int y) override;
    void OnDblClick(PaneItem* item, unsigned keys, int x, int y) override;
    void OnMouseMove(PaneItem* item, unsigned keys, int x, int y) override;
    bool OnHoverLeave(PaneItem* item, unsigned keys, int x, int y) override;
    void OnHover(PaneItem* item, unsigned keys, int x, int y) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The width of a row: the client width, less the scroll bar when it is shown.
    int RowWidth() const;
    // The row index under a point of the rows area; -1 in the header or on the scroll bar,
    // Count() or more below the last item, -2 on a row that is only partly visible.
    int RowAt(int x, int y) const;
    int InsertAt(const MediaItem& item, int index);
    // Moves the focus bit to `index` and sends 11223 with it.
    void SetFocusIndex(int index);
    // A press on the row's box toggles its checked bit (1633 sent); true when the press was on
    // the box, whether or not the item could change.
    bool ToggleRowBox(int index, int x, int y);
    void PressScrollBar(int x, int y);
    void OnRepeatTimer(bool down);
    bool OnArrow(bool down, const QPoint& at) const;
    void SetFirstRow(int row);
    void ClearDragAndHover();
    // The row a movement key leads to (unclamped), -1 for other keys.
    int KeyTarget(int key) const;
    void MoveFocusByKey(int index, bool tick);
    void ScrollIntoView(int index);
    void OpenContextMenuByKey();

    struct PaintStyle;
    // The skin's header and row fonts, and what the columns need in them.
    void TakeFonts();
    void PaintHeader(QPainter& painter);
    void PaintRowsArea(QPainter& painter);
    void PaintRow(QPainter& painter, const PaintStyle& style, const MediaItem& item, int rowTop);
    void PaintScrollBar(QPainter& painter);
    void PaintBox(QPainter& painter, int x, int y, bool checked, bool disabled);
    void FillPaneStyle(QPainter& painter, const QRect& area, bool allowImage);

    MediaList m_items;
    QHash<const MediaItem*, QString> m_failureNotes;
    int m_first = 0;
    int m_focused = -1;
    uint32_t m_flags = 0;
    int m_dragPressY = 0;
    int m_dragStartRow = 0;
    bool m_leftDown = false;
    QPoint m_mouse;
    QPoint m_menuAt;
    QTimer m_repeatUp;   // timer 1
    QTimer m_repeatDown; // timer 2
    QImage m_buffer;
    // Check box images scaled to the box, and their grey forms, made once per skin image.
    struct BoxCache {
        qint64 key = 0;
        QImage normal;
        QImage grey;
    };
    mutable BoxCache m_boxCache[2];
    FileListTextCache m_headerText;
    FileListTextCache m_rowText;
    FileListTextCache m_percentText;
    filelist::ColumnNeeds m_columnNeeds{};
    bool m_columnsMeasured = false;
};
