#include "CBaseDialog.h"

#include "CBaseWnd.h"
#include "CCaptionWnd.h"
#include "FocusOrder.h"
#include "SkinAppLook.h"
#include "SkinPaint.h"
#include "WindowOrigin.h"

#include "CVelSkin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int kPlacementSettleMs = 400;

Qt::Edges edgesOf(int hit) {
    switch (hit) {
    case HTLEFT:
        return Qt::LeftEdge;
    case HTRIGHT:
        return Qt::RightEdge;
    case HTTOP:
        return Qt::TopEdge;
    case HTBOTTOM:
        return Qt::BottomEdge;
    case HTTOPLEFT:
        return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT:
        return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT:
        return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

Qt::CursorShape cursorOf(int hit) {
    switch (hit) {
    case HTLEFT:
    case HTRIGHT:
        return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM:
        return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    default:
        return Qt::SizeBDiagCursor;
    }
}

} // namespace

CBaseDialog::CBaseDialog(int dialogId, QWidget* parent, unsigned captionMask, CBaseSkin* skin)
    : QDialog(parent), m_dialogId(dialogId), m_captionMask(captionMask),
      m_skin(skin ? skin : &theSkin()) {
    followSkinLook(*m_skin);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setMouseTracking(true);
    if (m_captionMask == 0)
        return;
    m_caption = new CCaptionWnd(m_captionMask, m_skin);
    m_caption->Create(QStringLiteral("Caption"), 0, this, kCaptionId);
    AddPane(
        PanePlacement::make(m_caption, kCaptionId, kAnchorTop | kAnchorLeft, 0, kCaptionHeight));
}

CBaseDialog::~CBaseDialog() {
    stopMessages();
    RemoveAllPanes();
    delete m_caption;
    m_caption = nullptr;
}

bool CBaseDialog::AddPane(const PanePlacement& record) {
    if (!record.window || FindPane(record.window))
        return false;
    m_panes.push_back(std::make_unique<PanePlacement>(record));
    record.window->installEventFilter(this);
    record.window->setMouseTracking(true);
    OnPaneAdded(*m_panes.back());
    return true;
}

void CBaseDialog::RemoveAllPanes() {
    PanePlacementList gone;
    gone.swap(m_panes);
    for (auto& record : gone) {
        if (record->window)
            record->window->removeEventFilter(this);
        OnPaneRemoved(*record);
    }
}

PanePlacement* CBaseDialog::FindPane(const QWidget* window) {
    for (auto& record : m_panes)
        if (record->window == window)
            return record.get();
    return nullptr;
}

CBaseWnd* CBaseDialog::AddFramedContentPane(const QString& paneName, int paneId, int width,
                                            int height) {
    setFixedSize(width, height);
    if (PanePlacement* caption = FindPane(Caption()))
        caption->inset = 1;
    auto* pane = new CBaseWnd(Skin());
    pane->Create(paneName, 0, this, paneId);
    PanePlacement record = PanePlacement::make(pane, paneId, kAnchorTop | kAnchorLeft);
    record.inset = 1;
    AddPane(record);
    return pane;
}

void CBaseDialog::Relayout() {
    for (size_t i = 0; i < m_panes.size(); ++i)
        if (!SkipPaneLayout(*m_panes[i]))
            PlacePane(*m_panes[i], i);
}

void CBaseDialog::PlacePane(PanePlacement& record, size_t index) {
    const LayoutRect client{0, 0, width(), height()};
    LayoutRect r = dockPaneRect(client, m_panes, index);
    record.setRect(r);
    if (record.inset) {
        r.left += record.insetX;
        r.right -= record.insetX;
        r.top += record.insetY;
        r.bottom -= record.insetY;
    }
    if (QWidget* window = record.window) {
        window->setGeometry(r.toQRect());
        window->lower();
    }
}

int CBaseDialog::HitTest(const QPoint& point) const {
    return dialogHitTest(point.x(), point.y(), width(), height(), m_captionMask);
}

uint32_t CBaseDialog::DialogColor(int index) const {
    return m_skin->StyleColor(m_dialogId, 0, index);
}

int CBaseDialog::DialogFill(int index) const {
    return m_skin->StyleMode(m_dialogId, 0, index);
}

void CBaseDialog::SetTitle(const QString& text) {
    if (m_caption)
        m_caption->SetTitle(text);
    setWindowTitle(text);
}

void CBaseDialog::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kCaptionId || !notify.item)
        return;
    switch (notify.item->id) {
    case CCaptionWnd::kCloseId:
        OnCloseButton();
        break;
    case CCaptionWnd::kMaximizeId:
        ToggleMaximize();
        break;
    case CCaptionWnd::kMinimizeId:
        Minimize();
        break;
    case CCaptionWnd::kMenuId:
        OnMenuButton();
        break;
    case CCaptionWnd::kIconId:
        OnIconButton();
        break;
    default:
        break;
    }
}

void CBaseDialog::OnPaneDblClick(const PaneNotify& notify) {
    if (notify.paneId == kCaptionId && !notify.item && !IsFixedSize())
        ToggleMaximize();
}

void CBaseDialog::ToggleMaximize() {
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void CBaseDialog::OnCloseButton() {
    reject();
}

void CBaseDialog::Minimize() {
    showMinimized();
}

intptr_t CBaseDialog::OnPaneNotify(unsigned code, const PaneNotify* notify) {
    if (!notify)
        return 0;
    if (code == kNotifyClick)
        OnPaneClick(*notify);
    else if (code == kNotifyDblClick)
        OnPaneDblClick(*notify);
    return 0;
}

bool CBaseDialog::StartSystemMove() {
    QWindow* handle = windowHandle();
    return handle && handle->startSystemMove();
}

bool CBaseDialog::StartSystemResize(Qt::Edges edges) {
    QWindow* handle = windowHandle();
    return handle && handle->startSystemResize(edges);
}

intptr_t CBaseDialog::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg == kMsgPaneNotify)
        return OnPaneNotify(static_cast<unsigned>(wParam), reinterpret_cast<PaneNotify*>(lParam));
    return 0;
}

void CBaseDialog::resizeEvent(QResizeEvent* event) {
    if (isMinimized())
        return;
    Relayout();
    UpdateCaptionMaximize();
}

void CBaseDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        UpdateCaptionMaximize();
    // By the time a window is first active its manager has placed it: from here on pop-ups and
    // moves reckon from where it really is.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        correctWindowPosition(*this);
        // A manager may still be placing a window it has just mapped and activated.
        QTimer::singleShot(kPlacementSettleMs, this, [this] { correctWindowPosition(*this); });
    }
}

void CBaseDialog::UpdateCaptionMaximize() {
    if (m_caption)
        m_caption->OnDialogSized(isMaximized());
}

void CBaseDialog::paintEvent(QPaintEvent* event) {
    if (isMinimized())
        return;
    QPainter painter(this);
    const int fill = DialogFill(0);
    if (PaintBackground(painter, fill))
        return;
    fillByType(painter, rect(), fill, argbColor(DialogColor(0)), argbColor(DialogColor(1)),
               DialogFill(1));
}

void CBaseDialog::SetKeyButtons(CBaseWnd* pane, int defaultId, int cancelId) {
    m_keyPane = pane;
    m_defaultId = defaultId;
    m_cancelId = cancelId;
}

void CBaseDialog::OnEnterKey() {
    if (m_keyPane && m_defaultId)
        m_keyPane->ActivateItem(m_defaultId);
}

void CBaseDialog::OnEscapeKey() {
    if (m_keyPane && m_cancelId)
        m_keyPane->ActivateItem(m_cancelId);
    else
        OnCloseButton();
}

void CBaseDialog::keyPressEvent(QKeyEvent* event) {
    // Keys the focused control left: Enter presses the default button, Escape cancels. A
    // dialog laid into another (an edit page) leaves them to the window it is part of.
    if (!isWindow() || (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OnEnterKey();
        break;
    case Qt::Key_Escape:
        OnEscapeKey();
        break;
    default:
        QWidget::keyPressEvent(event);
        break;
    }
}

bool CBaseDialog::focusNextPrevChild(bool next) {
    // A page laid into another dialog leaves the order to the window it is part of.
    if (auto* top = dynamic_cast<CBaseDialog*>(window()); top && top->m_visualTabOrder)
        return top->StepFocus(next);
    return QDialog::focusNextPrevChild(next);
}

bool CBaseDialog::StepFocus(bool next) {
    const std::vector<focusorder::Stop> stops = focusorder::stopsOf(window());
    if (stops.empty())
        return false;
    const int count = static_cast<int>(stops.size());
    const int at = focusorder::currentStop(stops);
    const int to = at < 0 ? (next ? 0 : count - 1) : (at + (next ? 1 : count - 1)) % count;
    focusorder::focusStop(stops[static_cast<size_t>(to)], next);
    return true;
}

bool CBaseDialog::HandleSizingPress(QWidget* source, const QPoint& local) {
    if (isMaximized())
        return false;
    const int hit = HitTest(source == this ? local : source->mapTo(this, local));
    const Qt::Edges edges = edgesOf(hit);
    if (!edges)
        return false;
    StartSystemResize(edges);
    return true;
}

void CBaseDialog::TrackSizingCursor(QWidget* source, const QPoint& local) {
    const int hit =
        isMaximized() ? HTCLIENT : HitTest(source == this ? local : source->mapTo(this, local));
    if (edgesOf(hit)) {
        if (m_cursorWidget && m_cursorWidget != source)
            m_cursorWidget->setCursor(Qt::ArrowCursor);
        source->setCursor(cursorOf(hit));
        m_cursorWidget = source;
    } else if (m_cursorWidget == source) {
        source->setCursor(Qt::ArrowCursor);
        m_cursorWidget = nullptr;
    }
}

bool CBaseDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* source = qobject_cast<QWidget*>(watched);
    if (!source || !FindPane(source))
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            HandleSizingPress(source, mouse->position().toPoint()))
            return true;
    } else if (event->type() == QEvent::MouseMove) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() == Qt::NoButton)
            TrackSizingCursor(source, mouse->position().toPoint());
    }
    return QDialog::eventFilter(watched, event);
}

void CBaseDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && HandleSizingPress(this, event->position().toPoint()))
        return;
    QDialog::mousePressEvent(event);
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton)
        TrackSizingCursor(this, event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}
