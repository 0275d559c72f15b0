#include "CColorButton.h"

#include "CColourPopup.h"
#include "PaneMessages.h"
#include "SkinUiTypes.h"

#include <QPaintEvent>
#include <QPainter>

CColorButton::CColorButton(QWidget* parent, int controlId)
    : QAbstractButton(parent), m_controlId(controlId) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { OpenPopup(); });
}

CColorButton::~CColorButton() {
    stopMessages();
    if (m_popup)
        delete m_popup.data();
}

CColourPopup* CColorButton::Popup() const {
    return m_popup.data();
}

void CColorButton::SetColour(uint32_t colour) {
    m_colour = colour;
    update();
}

uint32_t CColorButton::DefaultColour() const {
    return qColorToColour(palette().color(QPalette::Dark));
}

void CColorButton::Report(unsigned msg, uint32_t colour) {
    sendToOwner(this, msg, colour, m_controlId);
}

void CColorButton::OpenPopup() {
    if (m_popupOpen)
        return;
    m_popupOpen = true;
    m_colourBeforeOpen = m_colour;
    update();
    m_popup = new CColourPopup(this, mapToGlobal(QPoint(0, height())), m_colour, m_defaultText,
                               m_customText, this);
    Report(kMsgColorDropDown, m_colour);
}

intptr_t CColorButton::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    const auto colour = static_cast<uint32_t>(wParam);
    switch (msg) {
    case kMsgColorSelChange:
        if (m_trackSelection) {
            SetColour(colour);
            Report(kMsgColorSelChange, colour);
        }
        return 1;
    case kMsgColorSelEndOk:
        m_popupOpen = false;
        SetColour(colour);
        Report(kMsgColorCloseUp, colour);
        Report(kMsgColorSelEndOk, colour);
        if (colour != m_colourBeforeOpen)
            Report(kMsgColorSelChange, colour);
        return 1;
    case kMsgColorSelEndCancel:
        m_popupOpen = false;
        SetColour(colour);
        Report(kMsgColorCloseUp, colour);
        Report(kMsgColorSelEndCancel, colour);
        return 1;
    default:
        return 0;
    }
}

QSize CColorButton::sizeHint() const {
    return QSize(48, 22);
}

void CColorButton::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect r = rect();
    const bool pressed = m_popupOpen || isDown();
    painter.fillRect(r, pal.color(QPalette::Button));
    // A push-button frame, sunken while the pop-up is open.
    const QColor lightEdge = pal.color(pressed ? QPalette::Dark : QPalette::Light);
    const QColor darkEdge = pal.color(pressed ? QPalette::Light : QPalette::Shadow);
    painter.setPen(lightEdge);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(darkEdge);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    const int shift = pressed ? 1 : 0;

    // The down arrow at the right, behind an etched separator.
    const int arrowX = r.right() - 11 + shift;
    const int arrowY = r.center().y() - 1 + shift;
    const QPoint arrow[3] = {QPoint(arrowX - 3, arrowY - 1), QPoint(arrowX + 3, arrowY - 1),
                             QPoint(arrowX, arrowY + 2)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(isEnabled() ? pal.color(QPalette::ButtonText)
                                 : pal.color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawPolygon(arrow, 3);
    const int sepX = r.right() - 19 + shift;
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawLine(sepX, r.top() + 4, sepX, r.bottom() - 4);
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(sepX + 1, r.top() + 4, sepX + 1, r.bottom() - 4);

    if (!isEnabled())
        return;
    const QRect swatch(r.left() + 4 + shift, r.top() + 4 + shift, sepX - r.left() - 8,
                       r.height() - 8);
    const uint32_t shown = m_colour == kColourAutomatic ? DefaultColour() : m_colour;
    painter.fillRect(swatch, colourToQColor(shown));
    painter.setPen(pal.color(QPalette::Shadow));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        painter.setPen(QPen(pal.color(QPalette::Dark), 1, Qt::DotLine));
        painter.drawRect(r.adjusted(2, 2, -3, -3));
    }
}
