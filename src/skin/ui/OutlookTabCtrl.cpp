#include "OutlookTabCtrl.h"

#include "AppFlatLook.h"
#include "FocusVisibility.h"
#include "SkinAccessibility.h"
#include "SkinFaces.h"
#include "SkinPaint.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

OutlookTabCtrl::OutlookTabCtrl(QWidget* parent, int controlId)
    : QWidget(parent), m_controlId(controlId) {
    installSkinAccessibility();
    watchFocusVisibility();
    setFocusPolicy(Qt::StrongFocus);
    QFont own(QStringLiteral("Times New Roman"));
    own.setPointSize(10);
    setFont(own);
}

void OutlookTabCtrl::SetImageList(const QVector<QImage>& images) {
    m_images = images;
    update();
}

int OutlookTabCtrl::InsertItem(int index, const QString& text, int image) {
    index = std::clamp(index, 0, ItemCount());
    m_tabs.insert(index, Tab{text, image});
    if (m_selected < 0)
        m_selected = 0;
    else if (index <= m_selected && ItemCount() > 1)
        ++m_selected;
    updateGeometry();
    update();
    return index;
}

void OutlookTabCtrl::DeleteAllItems() {
    m_tabs.clear();
    m_selected = -1;
    update();
}

QString OutlookTabCtrl::ItemText(int index) const {
    return index >= 0 && index < ItemCount() ? m_tabs[index].text : QString();
}

int OutlookTabCtrl::SetCurSel(int index) {
    if (index < 0 || index >= ItemCount())
        return -1;
    const int previous = m_selected;
    m_selected = index;
    update();
    return previous;
}

void OutlookTabCtrl::SetScheme(int scheme) {
    m_scheme = std::clamp(scheme, 0, 2);
    update();
}

void OutlookTabCtrl::SetVertical(bool vertical) {
    m_vertical = vertical;
    updateGeometry();
    update();
}

QRect OutlookTabCtrl::ItemRect(int index) const {
    if (index < 0 || index >= ItemCount())
        return QRect();
    if (m_vertical)
        return QRect(2, 2 + index * kStripHeight, width() - 2, kStripHeight - 2);
    const QFontMetrics metrics(uiFont(font()));
    int x = 2;
    for (int i = 0; i < ItemCount(); ++i) {
        const Tab& tab = m_tabs[i];
        int w = metrics.horizontalAdvance(tab.text) + 2 * kTabPadding;
        if (tab.image >= 0 && tab.image < m_images.size())
            w += kIconSize + 4;
        if (i == index)
            return QRect(x, 2, w, kStripHeight - 2);
        x += w + 2;
    }
    return QRect();
}

int OutlookTabCtrl::HitTest(const QPoint& point) const {
    for (int i = 0; i < ItemCount(); ++i)
        if (ItemRect(i).contains(point))
            return i;
    return -1;
}

QSize OutlookTabCtrl::sizeHint() const {
    if (m_vertical)
        return QSize(100, 2 + ItemCount() * kStripHeight);
    const QRect last = ItemRect(ItemCount() - 1);
    return QSize(last.isValid() ? last.right() + 3 : 100, kStripHeight);
}

void OutlookTabCtrl::SelectByUser(int index) {
    if (index < 0 || index >= ItemCount() || index == m_selected)
        return;
    SetCurSel(index);
    OnSelChanged(index);
}

void OutlookTabCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        SelectByUser(HitTest(event->position().toPoint()));
}

void OutlookTabCtrl::keyPressEvent(QKeyEvent* event) {
    const int back = m_vertical ? Qt::Key_Up : Qt::Key_Left;
    const int forward = m_vertical ? Qt::Key_Down : Qt::Key_Right;
    if (event->key() == back && m_selected > 0)
        SelectByUser(m_selected - 1);
    else if (event->key() == forward && m_selected + 1 < ItemCount())
        SelectByUser(m_selected + 1);
    else
        QWidget::keyPressEvent(event);
}

// Scheme 0 the system colours (the application's palette): button shadow, window text, caption
// text, grey text. Scheme 1 a deep blue strip with white captions, scheme 2 a silver strip with
// an amber selected tab.
OutlookTabCtrl::Colors OutlookTabCtrl::SchemeColors() const {
    if (appFlatLook())
        return FlatColors();
    const QPalette& p = palette();
    switch (m_scheme) {
    case 1:
        return {QColor(0x1F, 0x3F, 0x6E), QColor(0x16, 0x2E, 0x52), QColor(0x3B, 0x64, 0x9E),
                QColor(0x24, 0x4A, 0x80), QColor(0x6A, 0x9B, 0xD8), QColor(0x3F, 0x74, 0xB8),
                QColor(0x0E, 0x1F, 0x38), QColor(Qt::white),        QColor(Qt::white),
                QColor(0xA0, 0xB0, 0xC8)};
    case 2:
        return {QColor(0xF3, 0xF4, 0xF7), QColor(0xD5, 0xD9, 0xE2), QColor(0xEC, 0xEE, 0xF3),
                QColor(0xC9, 0xCE, 0xD9), QColor(0xFF, 0xE7, 0xA2), QColor(0xFF, 0xC3, 0x6E),
                QColor(0x80, 0x86, 0x94), QColor(Qt::black),        QColor(Qt::black),
                QColor(0x8D, 0x8D, 0x8D)};
    default:
        return {p.color(QPalette::Button),
                p.color(QPalette::Button),
                p.color(QPalette::Button),
                p.color(QPalette::Button),
                p.color(QPalette::Highlight),
                p.color(QPalette::Highlight),
                p.color(QPalette::Dark),
                p.color(QPalette::WindowText),
                p.color(QPalette::HighlightedText),
                p.color(QPalette::Disabled, QPalette::WindowText)};
    }
}

// Flat: every scheme takes the palette's colours (the skin sets them): scheme 0 on the button
// colour, 1 on the window colour, 2 (the edit dialog's column) on the window colour with the
// selected tab in the input colour, marked by an accent bar.
OutlookTabCtrl::Colors OutlookTabCtrl::FlatColors() const {
    const QPalette& p = palette();
    const QColor strip = p.color(m_scheme == 0 ? QPalette::Button : QPalette::Window);
    const QColor selected = m_scheme == 0 ? p.color(QPalette::Highlight) : p.color(QPalette::Base);
    return {strip,
            strip,
            strip,
            strip,
            selected,
            selected,
            p.color(QPalette::Mid),
            p.color(QPalette::WindowText),
            p.color(m_scheme == 0 ? QPalette::HighlightedText : QPalette::Text),
            p.color(QPalette::Disabled, QPalette::WindowText)};
}

void OutlookTabCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const Colors c = SchemeColors();
    fillGradient(painter, rect(), c.stripBegin, c.stripEnd, 1);
    painter.setPen(c.border);
    if (m_vertical)
        painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
    else
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    painter.setFont(uiFont(font()));
    const bool flat = appFlatLook();
    for (int i = 0; i < ItemCount(); ++i) {
        const QRect r = ItemRect(i);
        const bool selected = i == m_selected;
        QPainterPath shape;
        // The open side (bottom, or right when vertical) runs past the clip, so only the far
        // corners are rounded (square tabs unless flat).
        const qreal radius = flat ? 4 : 0;
        shape.addRoundedRect(
            QRectF(r).adjusted(0.5, 0.5, m_vertical ? 4 : -0.5, m_vertical ? -0.5 : 4), radius,
            radius);
        painter.save();
        painter.setClipRect(QRect(r.left(), r.top(), r.width(), r.height()));
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setColorAt(0, selected ? c.selectedBegin : c.tabBegin);
        fill.setColorAt(1, selected ? c.selectedEnd : c.tabEnd);
        painter.fillPath(shape, fill);
        if (selected) {
            painter.setPen(c.border);
            painter.drawPath(shape);
            if (flat && m_scheme != 0) {
                // The accent bar on the far side from the opening.
                const QRectF bar = m_vertical
                                       ? QRectF(r.left() + 1, r.top() + 5, 3, r.height() - 10)
                                       : QRectF(r.left() + 5, r.top() + 1, r.width() - 10, 3);
                painter.setPen(Qt::NoPen);
                painter.setBrush(palette().color(QPalette::Highlight));
                painter.drawRoundedRect(bar, 1.5, 1.5);
            }
        }
        painter.restore();

        int x = r.left() + kTabPadding;
        const Tab& tab = m_tabs[i];
        if (tab.image >= 0 && tab.image < m_images.size()) {
            const QImage& icon = m_images[tab.image];
            const QRect iconRect(x, r.top() + (r.height() - kIconSize) / 2, kIconSize, kIconSize);
            painter.drawImage(iconRect, isEnabled() ? icon : greyImage(icon));
            x += kIconSize + 4;
        }
        painter.setPen(!isEnabled() ? c.grayText : selected ? c.selectedText : c.text);
        painter.drawText(QRect(x, r.top(), r.right() - x, r.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, tab.text);
        if (selected && focusRingShown(*this))
            drawFocusRing(painter, r, c.selectedText, flat);
    }
}
