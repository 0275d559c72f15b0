#include "OutlookTabCtrl.h"

#include "SkinPaint.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

OutlookTabCtrl::OutlookTabCtrl(QWidget* parent, int controlId)
    : QWidget(parent), m_controlId(controlId) {
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
    const QFontMetrics metrics(font());
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

OutlookTabCtrl::Colors OutlookTabCtrl::SchemeColors() const {
    if (m_scheme == 1)
        return {QColor(0x2B, 0x4A, 0x72), QColor(0x1C, 0x33, 0x52), QColor(0x3C, 0x5E, 0x8A),
                QColor(0x2E, 0x4C, 0x74), QColor(0x5C, 0x8F, 0xCC), QColor(0x3A, 0x6E, 0xAE),
                QColor(0x14, 0x28, 0x44), QColor(0xD8, 0xE4, 0xF2), Qt::white,
                QColor(0x8C, 0xA0, 0xB8)};
    if (m_scheme == 2)
        return {QColor(0xEE, 0xEE, 0xEE), QColor(0xD6, 0xD6, 0xD6), QColor(0xE2, 0xE2, 0xE2),
                QColor(0xCC, 0xCC, 0xCC), QColor(0xFF, 0xF6, 0xD0), QColor(0xF0, 0xDB, 0x50),
                QColor(0x9A, 0x9A, 0x9A), QColor(0x33, 0x33, 0x33), QColor(0x14, 0x46, 0x78),
                QColor(0x9A, 0x9A, 0x9A)};
    const QPalette& p = palette();
    return {p.color(QPalette::Button),
            p.color(QPalette::Button),
            p.color(QPalette::Button),
            p.color(QPalette::Midlight),
            p.color(QPalette::Highlight).lighter(130),
            p.color(QPalette::Highlight),
            p.color(QPalette::Dark),
            p.color(QPalette::WindowText),
            p.color(QPalette::HighlightedText),
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
    painter.setFont(font());
    for (int i = 0; i < ItemCount(); ++i) {
        const QRect r = ItemRect(i);
        const bool selected = i == m_selected;
        QPainterPath shape;
        // The open side (bottom, or right when vertical) runs past the clip, so only the far
        // corners are rounded.
        shape.addRoundedRect(QRectF(r).adjusted(0.5, 0.5, m_vertical ? 4 : -0.5,
                                                m_vertical ? -0.5 : 4),
                             4, 4);
        painter.save();
        painter.setClipRect(QRect(r.left(), r.top(), r.width(), r.height()));
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setColorAt(0, selected ? c.selectedBegin : c.tabBegin);
        fill.setColorAt(1, selected ? c.selectedEnd : c.tabEnd);
        painter.fillPath(shape, fill);
        painter.setPen(c.border);
        painter.drawPath(shape);
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
    }
}
