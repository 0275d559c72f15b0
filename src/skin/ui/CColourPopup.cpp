#include "CColourPopup.h"

#include "SkinUiTypes.h"

#include "MessageTarget.h"
#include "PlatformServices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>

CColourPopup::CColourPopup(MessageTarget* button, const QPoint& topLeft, uint32_t colour,
                           const QString& defaultText, const QString& customText, QWidget* parent)
    : QWidget(parent, Qt::Popup), m_button(button ? button->handle() : nullptr), m_initial(colour),
      m_colour(colour), m_defaultText(defaultText), m_customText(customText) {
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    Layout();
    m_hot = CellForColour(colour);
    setGeometry(QRect(topLeft, size()));
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive)
            EndSelection(false);
    });
    show();
    setFocus(Qt::PopupFocusReason);
}

CColourPopup::~CColourPopup() = default;

void CColourPopup::Layout() {
    const QFontMetrics metrics(font());
    const int width = kColumns * kBoxSize + 2 * kMargin;
    const int buttonHeight = metrics.height() + 8;
    int y = kMargin;
    if (!m_defaultText.isEmpty()) {
        m_defaultRect = QRect(kMargin, y, width - 2 * kMargin, buttonHeight);
        y += buttonHeight + kMargin;
    }
    m_grid = QRect(kMargin, y, kColumns * kBoxSize, kRows * kBoxSize);
    y += m_grid.height() + kMargin;
    if (!m_customText.isEmpty()) {
        m_customRect = QRect(kMargin, y, width - 2 * kMargin, buttonHeight);
        y += buttonHeight + kMargin;
    }
    setFixedSize(std::max(width, metrics.horizontalAdvance(m_defaultText) + 4 * kMargin), y);
}

QRect CColourPopup::CellRect(int cell) const {
    if (cell == kDefaultBox)
        return m_defaultRect;
    if (cell == kCustomBox)
        return m_customRect;
    if (cell < 0 || cell >= kColourCount)
        return QRect();
    return QRect(m_grid.left() + (cell % kColumns) * kBoxSize,
                 m_grid.top() + (cell / kColumns) * kBoxSize, kBoxSize, kBoxSize);
}

int CColourPopup::CellAt(const QPoint& point) const {
    if (m_defaultRect.contains(point))
        return kDefaultBox;
    if (m_customRect.contains(point))
        return kCustomBox;
    if (!m_grid.contains(point))
        return kNone;
    return ((point.y() - m_grid.top()) / kBoxSize) * kColumns +
           (point.x() - m_grid.left()) / kBoxSize;
}

int CColourPopup::CellForColour(uint32_t colour) const {
    if (colour == kColourAutomatic && !m_defaultText.isEmpty())
        return kDefaultBox;
    for (int i = 0; i < kColourCount; ++i)
        if (kColourTable[i].colour == colour)
            return i;
    return m_customText.isEmpty() ? kNone : kCustomBox;
}

void CColourPopup::ChangeSelection(int cell) {
    if (cell == m_hot || m_ended)
        return;
    const QRect old = CellRect(m_hot);
    m_hot = cell;
    if (cell == kDefaultBox)
        m_colour = kColourAutomatic;
    else if (cell >= 0)
        m_colour = kColourTable[cell].colour;
    else if (cell == kCustomBox)
        m_colour = m_initial;
    update(old.adjusted(-1, -1, 1, 1));
    update(CellRect(cell).adjusted(-1, -1, 1, 1));
    if (cell != kNone)
        sendMessage(m_button, kMsgColorSelChange, m_colour, 0);
}

void CColourPopup::EndSelection(bool chosen) {
    if (m_ended)
        return;
    m_ended = true;
    releaseMouse();
    QPointer<CColourPopup> self(this);
    hide();
    if (chosen && m_hot == kCustomBox) {
        // The pop-up is gone before the colour dialog asks.
        const std::optional<uint32_t> picked = platformServices().chooseColor(m_initial);
        if (picked)
            m_colour = *picked;
        else
            chosen = false;
    }
    if (!chosen)
        m_colour = m_initial;
    sendMessage(m_button, chosen ? kMsgColorSelEndOk : kMsgColorSelEndCancel, m_colour, 0);
    if (self)
        close();
}

void CColourPopup::MoveHot(int key) {
    const bool hasDefault = !m_defaultText.isEmpty();
    const bool hasCustom = !m_customText.isEmpty();
    // Where the walk goes past the grid's end or before its start.
    const int afterLast = hasCustom ? kCustomBox : hasDefault ? kDefaultBox : 0;
    const int beforeFirst = hasDefault ? kDefaultBox : hasCustom ? kCustomBox : LastCell();
    int cell = m_hot;
    switch (key) {
    case Qt::Key_Down:
        if (cell == kDefaultBox || cell == kNone)
            cell = 0;
        else if (cell == kCustomBox)
            cell = hasDefault ? kDefaultBox : 0;
        else
            cell = cell + kColumns < kColourCount ? cell + kColumns : afterLast;
        break;
    case Qt::Key_Up:
        if (cell == kDefaultBox)
            cell = hasCustom ? kCustomBox : LastCell();
        else if (cell == kCustomBox || cell == kNone)
            cell = LastCell();
        else
            cell = cell >= kColumns ? cell - kColumns : beforeFirst;
        break;
    case Qt::Key_Right:
        if (cell == kDefaultBox || cell == kNone)
            cell = 0;
        else if (cell == kCustomBox)
            cell = hasDefault ? kDefaultBox : 0;
        else
            cell = cell + 1 < kColourCount ? cell + 1 : afterLast;
        break;
    case Qt::Key_Left:
        if (cell == kDefaultBox)
            cell = hasCustom ? kCustomBox : LastCell();
        else if (cell == kCustomBox || cell == kNone)
            cell = LastCell();
        else
            cell = cell > 0 ? cell - 1 : beforeFirst;
        break;
    default:
        return;
    }
    ChangeSelection(cell);
}

void CColourPopup::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        EndSelection(false);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        EndSelection(true);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        MoveHot(event->key());
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CColourPopup::mouseMoveEvent(QMouseEvent* event) {
    const int cell = CellAt(event->position().toPoint());
    if (cell != kNone)
        ChangeSelection(cell);
}

void CColourPopup::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    if (rect().contains(p)) {
        const int cell = CellAt(p);
        if (cell != kNone)
            ChangeSelection(cell);
        EndSelection(true);
    } else {
        EndSelection(false);
    }
}

void CColourPopup::closeEvent(QCloseEvent* event) {
    // Closed from outside (a click elsewhere): that is a cancel.
    EndSelection(false);
    event->accept();
}

bool CColourPopup::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int cell = CellAt(help->pos());
        if (cell >= 0)
            QToolTip::showText(help->globalPos(), QString::fromUtf8(kColourTable[cell].name), this,
                               CellRect(cell));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void CColourPopup::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Window));
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    auto drawButton = [&](const QRect& r, const QString& text, bool hot) {
        if (r.isEmpty())
            return;
        painter.fillRect(r, hot ? pal.color(QPalette::Highlight).lighter(170)
                                : pal.color(QPalette::Button));
        painter.setPen(hot ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.drawText(r, Qt::AlignCenter, text);
    };
    drawButton(m_defaultRect, m_defaultText, m_hot == kDefaultBox);
    drawButton(m_customRect, m_customText, m_hot == kCustomBox);

    for (int i = 0; i < kColourCount; ++i) {
        const QRect r = CellRect(i);
        if (i == m_hot) {
            painter.fillRect(r, pal.color(QPalette::Highlight).lighter(170));
            painter.setPen(pal.color(QPalette::Highlight));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        }
        const QRect swatch = r.adjusted(3, 3, -3, -3);
        painter.fillRect(swatch, colourToQColor(kColourTable[i].colour));
        painter.setPen(pal.color(QPalette::Shadow));
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    }
}
