// The base of every skinned pane: a child window holding a list of items (buttons, check boxes,
// labels, image tiles, holders of real controls) that it places by a flow layout, draws from the
// skin, tracks under the mouse and reports to its parent with message 1124.
#pragma once

#include "FlowLayout.h"
#include "PaneItem.h"
#include "SkinUiTypes.h"

#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>

class CBaseSkin;
class QAccessibleInterface;
class CXInfoTip;
class MessageTarget;
class QPainter;

class CBaseWnd : public QWidget {
public:
    static constexpr int kHoverTime = 1000;   // ms the mouse rests before OnHover
    static constexpr int kTooltipDelay = 500; // ms from OnHover to the balloon

    // `skin` null: the process-wide skin.
    explicit CBaseWnd(CBaseSkin* skin = nullptr);
    ~CBaseWnd() override;

    // --- operations ---
    bool AddItem(const PaneItem& item);
    // Places every item in order, then moves hosted controls onto their rectangles.
    void ArrangeItems();
    PaneItem* FindItem(int id);
    const PaneItem* FindItem(int id) const;
    // The item's state bits, or 0 when the pane has no such item.
    int ItemState(int id) const;
    // state = set | (state & ~clear); the item is repainted.
    void SetItemState(int id, int clearBits, int setBits);
    void SetItemImage(int id, int imageId);
    void SetItemTooltip(int id, const QString& text);
    void SetItemCaption(int id, const QString& text);
    bool RemoveItem(int id);
    void RemoveAllItems();
    // Sends message 1124 to the parent: code, and a record {pane id, item, index}.
    intptr_t NotifyParent(unsigned code, PaneItem* item, int index);

    // The first enabled item containing the point, or null.
    PaneItem* ItemAt(int x, int y);
    const PaneItemList& Items() const { return m_items; }
    int PaneId() const { return m_id; }
    CBaseSkin* Skin() const { return m_skin; }
    CXInfoTip* Tooltip() const { return m_tip; }
    // The image drawn as the pane's background when its fill type is 3.
    void SetPaneImage(int imageId);
    int PaneImage() const { return m_paneImage; }
    // Where notifications go; by default the nearest message target among the parents.
    void SetNotifyTarget(MessageTarget* target) { m_notifyTarget = target; }
    // The size the layout gives an item: measured from image and text, with its fixed width and
    // height applied and zero sizes replaced by 40 x 20.
    QSize NaturalSize(const PaneItem& item) const;
    // The font an item's text is measured and drawn with: its own when one was given, else the
    // skin's font for the item (underlined for kItemUnderline).
    QFont ItemFont(const PaneItem& item) const;

    // --- keyboard ---
    // Items a person reaches with Tab: enabled items that answer the mouse (labels are drawn
    // with kItemNoHover), except holders of real controls, which take the focus themselves.
    virtual bool IsItemFocusable(const PaneItem& item) const;
    // False for an item the pane holds but does not show now.
    virtual bool IsItemShown(const PaneItem& item) const { return true; }
    // The pane is a Tab stop while it holds a focusable item.
    virtual bool AcceptsKeyboardFocus() const;
    // The item that Space and Enter act on while the pane has the focus, or null.
    PaneItem* FocusedItem();
    const PaneItem* FocusedItem() const;
    // Moves the item focus to the item with this id (ignored when it is not focusable).
    void SetFocusedItem(int id);
    // The keyboard focus to the pane with the item focus on this item, as Tab (or Shift+Tab,
    // by `reason`) brings it.
    void FocusItemByKey(int id, Qt::FocusReason reason);
    // A press and release at the item's centre, as the mouse gives them.
    virtual void ActivateItem(int id);
    // Re-reads whether the pane is a Tab stop; called when items come, go or change state.
    void UpdateFocusPolicy();
    // The interface assistive technology reads the pane through (owned by Qt's cache).
    virtual QAccessibleInterface* CreateAccessible();

    // --- hooks, in the order of the classic slot table ---
    virtual bool Create(const QString& name, unsigned style, QWidget* parent, int id);
    virtual uint32_t StyleColor(int itemId, int index) const;
    virtual int StyleFill(int itemId, int index) const;
    virtual const QImage* SkinImage(int imageId) const;
    // The image as this pane draws it: sharp at the pane's device pixel ratio. Sizes and layout
    // come from SkinImage (device-independent pixels).
    QImage SharpSkinImage(int imageId) const;
    virtual QFont StyleFont(int itemId, int index) const;
    virtual void OnItemAdded(PaneItem& item) {}
    virtual bool PlaceItem(PaneItem& item) { return false; }
    virtual bool DrawItem(QPainter& painter, PaneItem& item) { return false; }
    virtual void OnItemRemoved(PaneItem& item) {}
    virtual void OnClick(PaneItem* item, unsigned keys, int x, int y);
    virtual void OnButtonUp(PaneItem* item, unsigned keys, int x, int y) {}
    virtual bool OnHoverEnter(PaneItem* item, unsigned keys, int x, int y) { return false; }
    virtual bool OnHoverLeave(PaneItem* item, unsigned keys, int x, int y) { return false; }
    virtual void OnDblClick(PaneItem* item, unsigned keys, int x, int y);
    virtual void OnMouseMove(PaneItem* item, unsigned keys, int x, int y) {}
    virtual bool PaintBackground(QPainter& painter, int fillType) { return false; }
    virtual void OnHover(PaneItem* item, unsigned keys, int x, int y);
    virtual void BeforeItems(QPainter& painter) {}
    virtual void AfterItems(QPainter& painter) {}
    virtual bool DrawItemFrame(QPainter& painter, PaneItem& item) { return false; }
    virtual bool DrawItemBackground(QPainter& painter, PaneItem& item) { return false; }
    virtual bool DrawItemImage(QPainter& painter, PaneItem& item) { return false; }
    virtual bool DrawItemText(QPainter& painter, PaneItem& item) { return false; }
    // The item focus moved to `item`; the pane's keyboard focus came or went.
    virtual void OnItemFocused(const PaneItem& item);
    virtual void OnFocusChanged(bool focused) {}
    // The disabled or checked bit of an item changed through SetItemState.
    virtual void OnItemStateChanged(const PaneItem& item, int before);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

    // The caption and the status bar move the top-level window: a move with the left button
    // down that did not start on an item, and is not over one, starts the platform's move.
    void DragWindowOnMove(unsigned keys, int x, int y);
    void InvalidateItem(const PaneItem& item);
    // Default drawing of one item: background, frame, image, text.
    void PaintItem(QPainter& painter, PaneItem& item);
    static unsigned KeysOf(const QMouseEvent* event);
    // The skin's focus ring around `r`, in the pane's text colour.
    void PaintFocusRing(QPainter& painter, const QRect& r) const;

private:
    void PaintPaneBackground(QPainter& painter);
    void PaintItemBackground(QPainter& painter, const PaneItem& item);
    void PaintItemFrame(QPainter& painter, const PaneItem& item);
    void PaintItemImage(QPainter& painter, const PaneItem& item);
    void PaintItemText(QPainter& painter, const PaneItem& item);
    void MoveHostedWindow(const PaneItem& item);
    void FireHover();
    // The index of the next focusable item after (or before) `from`, in reading order (rows
    // from the top, left to right); -1 past either end.
    int NextFocusable(int from, bool forward) const;
    void MoveItemFocus(int index);

    CBaseSkin* m_skin;
    int m_id = 0;
    int m_paneImage = 0;
    PaneItemList m_items;
    CXInfoTip* m_tip = nullptr;
    int m_tipItem = -1; // the item whose tooltip the balloon last showed
    QFont m_guiFont;
    MessageTarget* m_notifyTarget = nullptr;
    QTimer m_hoverTimer;
    QPoint m_lastMouse;
    bool m_pressed = false;
    bool m_pressOnItem = false;
    bool m_dragging = false;
    bool m_dragFallback = false;
    QPoint m_dragOffset;
    int m_focusIndex = -1;
    int m_focusOnEntry = -1; // the item a keyboard focus coming in lands on (FocusItemByKey)
};
