#include "CXInfoTip.h"

#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

namespace {

QPainterPath outline(const BalloonShape& shape) {
    QPainterPath path;
    path.addRoundedRect(QRectF(shape.body), BalloonShape::kCornerWidth / 2.0,
                        BalloonShape::kCornerHeight / 2.0);
    QPainterPath stem;
    stem.addPolygon(QPolygonF(shape.stem));
    stem.closeSubpath();
    return path.united(stem);
}

} // namespace

CXInfoTip::CXInfoTip(QWidget* parent) : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_font = QGuiApplication::font();
    m_showTimer.setSingleShot(true);
    m_hideTimer.setInterval(kHideCheckInterval);
    connect(&m_showTimer, &QTimer::timeout, this, [this] { OnShowTimer(); });
    connect(&m_hideTimer, &QTimer::timeout, this, [this] { OnHideTimer(); });
}

void CXInfoTip::Show(const QString& text, const QPoint* point, int delay) {
    Hide();
    m_text = text;
    m_anchor = point ? *point : QCursor::pos();
    m_showTimer.start(delay < 0 ? m_delay : delay);
}

void CXInfoTip::Hide() {
    m_showTimer.stop();
    m_hideTimer.stop();
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
    const QFontMetrics metrics(m_font);
    const QSize textSize =
        metrics.boundingRect(QRect(0, 0, 1 << 15, 1 << 15), Qt::AlignLeft | Qt::AlignTop, m_text)
            .size();
    m_shape = BalloonShape::compute(textSize, m_icon.size(), m_anchor, ScreenAt(m_anchor));
    setGeometry(m_shape.window);
    setMask(QRegion(outline(m_shape).toFillPolygon().toPolygon()));
    show();
    update();
    m_hideTimer.start();
}

void CXInfoTip::OnHideTimer() {
    if (QCursor::pos() != m_anchor)
        Hide();
}

void CXInfoTip::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = outline(m_shape);
    painter.fillPath(path, palette().color(QPalette::Base));
    painter.setClipPath(path);
    painter.strokePath(path, QPen(QColor(200, 200, 200), 6));
    painter.strokePath(path, QPen(palette().color(QPalette::WindowText), 2));
    painter.setClipping(false);

    QPoint at = m_shape.textOrigin();
    if (!m_icon.isNull()) {
        painter.drawImage(at, m_icon);
        at.rx() += m_icon.width() + 5;
    }
    painter.setFont(m_font);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(at, QSize(width() - at.x(), height() - at.y())),
                     Qt::AlignLeft | Qt::AlignTop, m_text);
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
