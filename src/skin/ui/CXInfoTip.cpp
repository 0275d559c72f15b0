#include "CXInfoTip.h"

#include "AppFlatLook.h"
#include "SkinFaces.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QScreen>

CXInfoTip::CXInfoTip(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    // A click meant for the button under the balloon reaches it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_showTimer.setSingleShot(true);
    m_hideTimer.setInterval(kHideCheckInterval);
    connect(&m_showTimer, &QTimer::timeout, this, [this] { OnShowTimer(); });
    connect(&m_hideTimer, &QTimer::timeout, this, [this] { OnHideTimer(); });
}

void CXInfoTip::Show(const QString& text, const QPoint* point, int delay) {
    Hide();
    m_text = text;
    m_restAt = QCursor::pos();
    m_anchor = point ? *point : m_restAt;
    m_clearLeft = INT_MIN;
    m_showTimer.start(delay < 0 ? m_delay : delay);
}

void CXInfoTip::ShowRightOf(const QString& text, const QPoint& point, int clearLeft, int delay) {
    Show(text, &point, delay);
    m_clearLeft = clearLeft;
}

void CXInfoTip::Retext(const QString& text) {
    if (text == m_text)
        return;
    if (text.isEmpty()) {
        Hide();
        return;
    }
    m_text = text;
    if (isVisible())
        OnShowTimer();
}

QFont CXInfoTip::TipFont() const {
    // Unless told otherwise, the application's font as it is now: the skin's UI face.
    return m_ownFont ? uiFont(m_font) : QGuiApplication::font();
}

void CXInfoTip::Hide() {
    m_showTimer.stop();
    m_hideTimer.stop();
    qApp->removeEventFilter(this);
    hide();
}

void CXInfoTip::SetIcon(const QImage& icon) {
    m_icon = icon;
}

QRect CXInfoTip::ScreenAt(const QPoint& point) const {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1 << 15, 1 << 15);
}

void CXInfoTip::OnShowTimer() {
    if (m_text.isEmpty())
        return;
    const QFontMetrics metrics(TipFont());
    const QSize textSize =
        metrics.boundingRect(QRect(0, 0, 1 << 15, 1 << 15), Qt::AlignLeft | Qt::AlignTop, m_text)
            .size();
    QRect room = ScreenAt(m_anchor);
    if (m_clearLeft > room.left() && m_clearLeft < m_anchor.x())
        room.setLeft(m_clearLeft);
    m_shape = BalloonShape::compute(textSize, m_icon.size(), m_anchor, room);
    setGeometry(m_shape.window);
    // The window is the balloon: its rounded body and the stem pointing at the anchor. A flat
    // skin shows the body alone, beside the pointer.
    if (appFlatLook())
        setMask(QRegion(m_shape.body, QRegion::Rectangle));
    else
        setMask(QRegion(m_shape.outline().toFillPolygon().toPolygon()));
    show();
    update();
    m_hideTimer.start();
    // A press anywhere puts the balloon away at once.
    qApp->installEventFilter(this);
}

void CXInfoTip::OnHideTimer() {
    if (QCursor::pos() != m_restAt)
        Hide();
}

void CXInfoTip::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (appFlatLook())
        PaintCard(painter);
    else
        PaintBalloon(painter);

    QPoint at = m_shape.textOrigin();
    if (!m_icon.isNull()) {
        painter.drawImage(at, m_icon);
        at.rx() += m_icon.width() + 5;
    }
    painter.setFont(TipFont());
    painter.setPen(palette().color(appFlatLook() ? QPalette::ToolTipText : QPalette::Text));
    painter.drawText(QRect(at, QSize(width() - at.x(), height() - at.y())),
                     Qt::AlignLeft | Qt::AlignTop, m_text);
}

// The balloon in the window colour, inside a 3-pixel frame in the scroll-bar colour (the
// palette's mid tone) and a 1-pixel frame in the window-text colour.
void CXInfoTip::PaintBalloon(QPainter& painter) {
    const QPainterPath outline = m_shape.outline();
    const QPalette& p = palette();
    painter.fillPath(outline, p.color(QPalette::Base));
    painter.save();
    painter.setClipPath(outline);
    painter.strokePath(outline, QPen(p.color(QPalette::Mid), 6));
    painter.restore();
    painter.strokePath(outline, QPen(p.color(QPalette::Text), 1));
}

// A flat card: the balloon's body without its stem, beside the pointer (the stem's room keeps it
// clear of the pointer) instead of pointing at it.
void CXInfoTip::PaintCard(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(m_shape.body, palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(QRectF(m_shape.body).adjusted(0.5, 0.5, -0.5, -0.5));
}

void CXInfoTip::AddTool(QWidget* tool, const QString& text) {
    if (!tool)
        return;
    if (!m_tools.contains(tool))
        connect(tool, &QObject::destroyed, this, [this, tool] { m_tools.remove(tool); });
    m_tools.insert(tool, text);
    tool->installEventFilter(this);
    tool->setMouseTracking(true);
}

void CXInfoTip::RemoveTool(QWidget* tool) {
    if (m_tools.remove(tool))
        tool->removeEventFilter(this);
}

bool CXInfoTip::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (isVisible() && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                        type == QEvent::KeyPress || type == QEvent::Wheel))
        Hide();
    auto* tool = qobject_cast<QWidget*>(watched);
    if (tool && m_tools.contains(tool)) {
        if (event->type() == QEvent::Enter) {
            Show(m_tools.value(tool));
        } else if (event->type() == QEvent::Leave || event->type() == QEvent::MouseButtonPress) {
            Hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}
