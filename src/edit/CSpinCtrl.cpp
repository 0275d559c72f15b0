#include "CSpinCtrl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr int kRepeatDelay = 400;   // ms before a held arrow repeats
constexpr int kRepeatInterval = 60; // ms between repeated steps

} // namespace

CSpinCtrl::CSpinCtrl(QWidget* parent, int controlId) : QWidget(parent), m_controlId(controlId) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        m_repeat.setInterval(kRepeatInterval);
        if (m_pressed != 0)
            Step(m_pressed);
    });
}

void CSpinCtrl::SetBuddy(QLineEdit* buddy) {
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy) {
        m_buddy->installEventFilter(this);
        m_buddy->setText(QString::number(m_pos));
    }
}

void CSpinCtrl::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    // A range given upside down still bounds the position.
    SetPos(m_pos);
}

void CSpinCtrl::SetPos(int pos) {
    m_pos = std::clamp(pos, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    if (m_buddy)
        m_buddy->setText(QString::number(m_pos));
}

int CSpinCtrl::Pos() const {
    if (!m_buddy)
        return m_pos;
    bool ok = false;
    const int typed = m_buddy->text().trimmed().toInt(&ok);
    if (!ok)
        return m_pos;
    return std::clamp(typed, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
}

void CSpinCtrl::Step(int delta) {
    if (!isEnabled())
        return;
    const int pos = Pos();
    if (m_onDelta && m_onDelta(pos, delta))
        return;
    SetPos(pos + delta);
}

QSize CSpinCtrl::sizeHint() const {
    return {kWidth, 22};
}

void CSpinCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The colours of the skin's controls (its palette), so that the arrows sit in a dark skin
    // as its edit boxes do; a disabled spin takes the disabled input's colours, never a bright
    // block.
    const QPalette& p = palette();
    const bool enabled = isEnabled();
    const QPalette::ColorGroup group = enabled ? QPalette::Active : QPalette::Disabled;
    const QColor frame = p.color(group, QPalette::Mid);
    const QColor face = enabled ? p.color(group, QPalette::Button) : p.color(group, QPalette::Base);
    QColor pressed = p.color(QPalette::Active, QPalette::Highlight);
    pressed.setAlpha(90);
    const QColor arrow = p.color(group, QPalette::ButtonText);
    const int half = height() / 2;
    const QRect up(0, 0, width(), half);
    const QRect down(0, half, width(), height() - half);
    painter.fillRect(rect(), face);
    if (m_pressed != 0)
        painter.fillRect(m_pressed > 0 ? up : down, pressed);
    painter.setPen(frame);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawLine(0, half, width() - 1, half);
    painter.setPen(Qt::NoPen);
    painter.setBrush(arrow);
    const double cx = width() / 2.0;
    QPainterPath upArrow;
    upArrow.moveTo(cx - 3.5, up.center().y() + 2.0);
    upArrow.lineTo(cx + 3.5, up.center().y() + 2.0);
    upArrow.lineTo(cx, up.center().y() - 1.5);
    upArrow.closeSubpath();
    painter.drawPath(upArrow);
    QPainterPath downArrow;
    downArrow.moveTo(cx - 3.5, down.center().y() - 1.5);
    downArrow.lineTo(cx + 3.5, down.center().y() - 1.5);
    downArrow.lineTo(cx, down.center().y() + 2.0);
    downArrow.closeSubpath();
    painter.drawPath(downArrow);
}

void CSpinCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = event->position().y() < height() / 2 ? 1 : -1;
    update();
    Step(m_pressed);
    m_repeat.start(kRepeatDelay);
}

void CSpinCtrl::mouseReleaseEvent(QMouseEvent*) {
    m_repeat.stop();
    m_pressed = 0;
    update();
}

void CSpinCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        m_repeat.stop();
        m_pressed = 0;
        update();
    }
    QWidget::changeEvent(event);
}

bool CSpinCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
