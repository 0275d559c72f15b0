#include "CBaseWnd.h"

#include "CBaseDialog.h"
#include "CXInfoTip.h"
#include "FocusVisibility.h"
#include "MessageTarget.h"
#include "PaneItemAccessible.h"
#include "PaneMessages.h"
#include "SkinAccessibility.h"
#include "WindowOrigin.h"

#include "CVelSkin.h"
#include "SkinAppLook.h"
#include "SkinFaces.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>

CBaseWnd::CBaseWnd(CBaseSkin* skin) : m_skin(skin ? skin : &theSkin()) {
    installSkinAccessibility();
    watchFocusVisibility();
    followSkinLook(*m_skin);
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(kHoverTime);
    QObject::connect(&m_hoverTimer, &QTimer::timeout, this, [this] { FireHover(); });
}

CBaseWnd::~CBaseWnd() {
    RemoveAllItems();
}

bool CBaseWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    setObjectName(name);
    setParent(parent);
    m_id = id;
    m_guiFont = QApplication::font();
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::ArrowCursor);
    if (!m_tip)
        m_tip = new CXInfoTip(this);
    setGeometry(0, 0, 1, 1);
    show();
    return true;
}

bool CBaseWnd::AddItem(const PaneItem& item) {
    auto copy = std::make_unique<PaneItem>(item);
    // An item drawn in its own font gets the underline now; one drawn in the skin's font gets
    // it when the font is made (ItemFont).
    if ((copy->behaviour & kItemUnderline) && copy->font != PaneItem::defaultFont())
        copy->font.setUnderline(true);
    // A real control laid onto the pane is named by its item's tooltip, else by the label,
    // radio button or check box before it, else by its own tooltip.
    if (QWidget* hosted = copy->hosted; hosted && hosted->accessibleName().isEmpty()) {
        QString name = copy->tooltip;
        for (auto it = m_items.rbegin(); it != m_items.rend() && name.isEmpty(); ++it)
            if (!(*it)->hosted && !(*it)->caption.trimmed().isEmpty() &&
                PaneItemAccessible::RoleOf(**it) != QAccessible::Button)
                name = PaneItemAccessible::NameOf(**it);
        hosted->setAccessibleName(name.isEmpty() ? hosted->toolTip() : name);
    }
    m_items.push_back(std::move(copy));
    OnItemAdded(*m_items.back());
    UpdateFocusPolicy();
    return true;
}

void CBaseWnd::ArrangeItems() {
    const LayoutRect client = LayoutRect::fromQRect(rect());
    for (size_t i = 0; i < m_items.size(); ++i) {
        PaneItem& item = *m_items[i];
        if (PlaceItem(item))
            continue;
        if (!(item.placement & kPlaceFixedRect))
            item.setRect(flowItemRect(client, m_items, i, NaturalSize(item)));
        if (item.hosted)
            MoveHostedWindow(item);
    }
    update();
}

void CBaseWnd::MoveHostedWindow(const PaneItem& item) {
    QWidget* hosted = item.hosted;
    QRect r = item.rect().toQRect();
    if (hosted->parentWidget() != this && hosted->parentWidget())
        r.moveTopLeft(mapTo(hosted->window(), r.topLeft()) -
                      hosted->parentWidget()->mapTo(hosted->window(), QPoint(0, 0)));
    hosted->setGeometry(r);
    hosted->raise();
}

PaneItem* CBaseWnd::FindItem(int id) {
    for (auto& item : m_items)
        if (item->id == id)
            return item.get();
    return nullptr;
}

const PaneItem* CBaseWnd::FindItem(int id) const {
    return const_cast<CBaseWnd*>(this)->FindItem(id);
}

int CBaseWnd::ItemState(int id) const {
    const PaneItem* item = FindItem(id);
    return item ? item->state : 0;
}

void CBaseWnd::SetItemState(int id, int clearBits, int setBits) {
    if (PaneItem* item = FindItem(id)) {
        const int before = item->state;
        item->state = setBits | (item->state & ~clearBits);
        InvalidateItem(*item);
        if ((before ^ item->state) & kStateDisabled)
            UpdateFocusPolicy();
        if ((before ^ item->state) & (kStateDisabled | kStateChecked))
            OnItemStateChanged(*item, before);
    }
}

void CBaseWnd::SetItemImage(int id, int imageId) {
    if (PaneItem* item = FindItem(id)) {
        item->imageId = imageId;
        InvalidateItem(*item);
    }
}

void CBaseWnd::SetItemTooltip(int id, const QString& text) {
    PaneItem* item = FindItem(id);
    if (!item || item->tooltip == text)
        return;
    // The balloon of this item, shown or on its way, says the new words (a button whose
    // command changed under the resting pointer never shows the old one).
    if (m_tip && m_tipItem == id && m_tip->Text() == item->tooltip &&
        (m_tip->isVisible() || m_tip->IsPending()))
        m_tip->Retext(text);
    item->tooltip = text;
}

void CBaseWnd::SetItemCaption(int id, const QString& text) {
    if (PaneItem* item = FindItem(id)) {
        item->caption = text;
        InvalidateItem(*item);
    }
}

bool CBaseWnd::RemoveItem(int id) {
    auto it = std::find_if(m_items.begin(), m_items.end(),
                           [id](const auto& item) { return item->id == id; });
    if (it == m_items.end())
        return false;
    std::unique_ptr<PaneItem> gone = std::move(*it);
    m_items.erase(it);
    OnItemRemoved(*gone);
    UpdateFocusPolicy();
    update();
    return true;
}

void CBaseWnd::RemoveAllItems() {
    PaneItemList gone;
    gone.swap(m_items);
    for (auto& item : gone)
        OnItemRemoved(*item);
    m_focusIndex = -1;
    if (!gone.empty()) {
        UpdateFocusPolicy();
        update();
    }
}

intptr_t CBaseWnd::NotifyParent(unsigned code, PaneItem* item, int index) {
    PaneNotify record{m_id, item, index};
    MessageTarget* target = m_notifyTarget ? m_notifyTarget : findMessageTarget(parentWidget());
    if (!target)
        return 0;
    return sendMessage(target, kMsgPaneNotify, code, reinterpret_cast<intptr_t>(&record));
}

PaneItem* CBaseWnd::ItemAt(int x, int y) {
    for (auto& item : m_items)
        if (!item->isDisabled() && item->rect().contains(x, y))
            return item.get();
    return nullptr;
}

void CBaseWnd::SetPaneImage(int imageId) {
    m_paneImage = imageId;
    update();
}

QSize CBaseWnd::NaturalSize(const PaneItem& item) const {
    int width = 0, height = 0;
    if (item.imageId) {
        if (const QImage* image = SkinImage(item.imageId); image && !image->isNull()) {
            width = image->width();
            height = image->height();
        }
    }
    const QFontMetrics metrics(ItemFont(item));
    if (!item.caption.isEmpty()) {
        width += metrics.horizontalAdvance(item.caption) + item.gap;
        height = std::max(height, metrics.height());
    }
    if (item.behaviour & (kItemCheckBox | kItemRadio))
        width += metrics.height();
    if (item.placement & kPlaceFixedWidth)
        width = item.right - item.left;
    if (item.placement & kPlaceFixedHeight)
        height = item.bottom - item.top;
    return QSize(width ? width : 40, height ? height : 20);
}

QFont CBaseWnd::ItemFont(const PaneItem& item) const {
    if (!m_skin->FlatLook()) {
        QFont font = item.font;
        if (item.behaviour & kItemUnderline)
            font.setUnderline(true);
        return font;
    }
    // Flat: an item keeping the default font takes its style's font, so the skin's UI face
    // reaches every label.
    if (item.font != PaneItem::defaultFont())
        return uiFont(item.font, m_skin->UiFont());
    QFont font = StyleFont(item.id, 0);
    if (item.behaviour & kItemUnderline)
        font.setUnderline(true);
    return font;
}

uint32_t CBaseWnd::StyleColor(int itemId, int index) const {
    return m_skin->StyleColor(m_id, itemId, index);
}

int CBaseWnd::StyleFill(int itemId, int index) const {
    return m_skin->StyleMode(m_id, itemId, index);
}

const QImage* CBaseWnd::SkinImage(int imageId) const {
    return m_skin->Image(imageId);
}

QImage CBaseWnd::SharpSkinImage(int imageId) const {
    return m_skin->SharpImage(imageId, devicePixelRatioF());
}

QFont CBaseWnd::StyleFont(int itemId, int index) const {
    return m_skin->StyleFont(m_id, itemId);
}

void CBaseWnd::OnClick(PaneItem* item, unsigned keys, int x, int y) {
    if (item) {
        if (item->behaviour & kItemCheckBox)
            item->state ^= kStateChecked;
        else if ((item->behaviour & kItemRadio) && !item->isChecked())
            item->state |= kStateChecked;
        InvalidateItem(*item);
    }
    NotifyParent(kNotifyClick, item, 0);
}

void CBaseWnd::OnDblClick(PaneItem* item, unsigned keys, int x, int y) {
    NotifyParent(kNotifyDblClick, item, 0);
}

void CBaseWnd::OnHover(PaneItem* item, unsigned keys, int x, int y) {
    if (item && !item->tooltip.isEmpty() && m_tip) {
        const QPoint at = QCursor::pos();
        m_tipItem = item->id;
        m_tip->Show(item->tooltip, &at, kTooltipDelay);
    }
}

void CBaseWnd::InvalidateItem(const PaneItem& item) {
    update(item.rect().toQRect());
}

unsigned CBaseWnd::KeysOf(const QMouseEvent* event) {
    unsigned keys = 0;
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons & Qt::LeftButton)
        keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        keys |= MK_MBUTTON;
    if (event->modifiers() & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (event->modifiers() & Qt::ControlModifier)
        keys |= MK_CONTROL;
    return keys;
}

void CBaseWnd::resizeEvent(QResizeEvent* event) {
    ArrangeItems();
}

void CBaseWnd::moveEvent(QMoveEvent* event) {
    ArrangeItems();
}

void CBaseWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    // A press may open a pop-up or start a move: both need the window's real place.
    correctWindowPosition(*window());
    const QPoint p = event->position().toPoint();
    PaneItem* item = ItemAt(p.x(), p.y());
    m_pressOnItem = item != nullptr;
    m_pressed = true;
    // Until a drag starts, the press's screen point; a drag keeps the window under it.
    m_dragOffset = event->globalPosition().toPoint();
    OnClick(item, KeysOf(event), p.x(), p.y());
}

void CBaseWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    m_dragging = false;
    const QPoint p = event->position().toPoint();
    const unsigned keys = KeysOf(event);
    // Hooks may change the list (a pane replacing its items on a release), so walk by id.
    std::vector<int> ids;
    for (const auto& item : m_items)
        if (!item->isDisabled())
            ids.push_back(item->id);
    for (int id : ids)
        if (PaneItem* item = FindItem(id))
            OnButtonUp(item, keys, p.x(), p.y());
    OnButtonUp(nullptr, keys, p.x(), p.y());
}

void CBaseWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    OnDblClick(ItemAt(p.x(), p.y()), KeysOf(event), p.x(), p.y());
}

void CBaseWnd::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const unsigned keys = KeysOf(event);
    if (m_dragging && m_dragFallback && (keys & MK_LBUTTON)) {
        window()->move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    // Items the mouse left lose their hover first, so that two items are never hot together.
    for (auto& item : m_items) {
        if (item->isDisabled() || !(item->state & kStateHover) ||
            item->rect().contains(p.x(), p.y()))
            continue;
        item->state &= ~kStateHover;
        if (!OnHoverLeave(item.get(), keys, p.x(), p.y()))
            InvalidateItem(*item);
    }
    for (auto& item : m_items) {
        if (item->isDisabled())
            continue;
        if (item->rect().contains(p.x(), p.y()) && !(item->state & kStateHover)) {
            item->state |= kStateHover;
            if (!OnHoverEnter(item.get(), keys, p.x(), p.y()))
                InvalidateItem(*item);
            OnMouseMove(item.get(), keys, p.x(), p.y());
            break;
        }
        OnMouseMove(item.get(), keys, p.x(), p.y());
    }
    OnMouseMove(nullptr, keys, p.x(), p.y());
    m_lastMouse = p;
    m_hoverTimer.start();
}

void CBaseWnd::leaveEvent(QEvent* event) {
    m_hoverTimer.stop();
    for (auto& item : m_items) {
        if (!(item->state & kStateHover))
            continue;
        item->state &= ~kStateHover;
        if (!OnHoverLeave(item.get(), 0, m_lastMouse.x(), m_lastMouse.y()))
            InvalidateItem(*item);
    }
    OnHoverLeave(nullptr, 0, m_lastMouse.x(), m_lastMouse.y());
}

void CBaseWnd::FireHover() {
    const QPoint p = m_lastMouse;
    OnHover(ItemAt(p.x(), p.y()), 0, p.x(), p.y());
}

void CBaseWnd::DragWindowOnMove(unsigned keys, int x, int y) {
    if (!(keys & MK_LBUTTON) || !m_pressed || m_pressOnItem || m_dragging)
        return;
    if (ItemAt(x, y))
        return;
    m_dragging = true;
    bool moved = false;
    if (auto* dialog = dynamic_cast<CBaseDialog*>(window()))
        moved = dialog->StartSystemMove();
    else if (QWindow* handle = window()->windowHandle())
        moved = handle->startSystemMove();
    // Where the platform cannot move windows itself, follow the mouse here.
    m_dragFallback = !moved;
    m_dragOffset -= window()->pos();
}
