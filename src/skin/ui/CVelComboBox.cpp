#include "CVelComboBox.h"

#include "SkinPaint.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace {

constexpr int kDataRole = Qt::UserRole + 1;

// Rows of the open list: black text trimmed at the end, the hot row filled first.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(CVelComboBox* combo) : QStyledItemDelegate(combo), m_combo(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool hot = option.state & (QStyle::State_Selected | QStyle::State_MouseOver);
        if (hot)
            m_combo->SetHotItem(index.row());
        painter->fillRect(option.rect, hot ? argbColor(CVelComboBox::kHotRowColor) : Qt::white);
        painter->setFont(m_combo->font());
        painter->setPen(Qt::black);
        const QRect text = option.rect.adjusted(2, 0, -2, 0);
        const QString shown =
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(option.fontMetrics.horizontalAdvance(index.data().toString()) + 4,
                     CVelComboBox::kRowHeight);
    }

private:
    CVelComboBox* m_combo;
};

// A drop-down list: the open list hangs below the face instead of covering it.
class DropDownStyle : public QProxyStyle {
public:
    DropDownStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

CVelComboBox::CVelComboBox(QWidget* parent, int controlId)
    : QComboBox(parent), m_controlId(controlId) {
    QFont own(QStringLiteral("Times New Roman"));
    own.setPointSize(9);
    setFont(own);
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
    auto* style = new DropDownStyle();
    style->setParent(this);
    setStyle(style);
    setItemDelegate(new RowDelegate(this));
}

void CVelComboBox::SetItemData(int index, intptr_t data) {
    setItemData(index, QVariant::fromValue<qlonglong>(data), kDataRole);
}

intptr_t CVelComboBox::ItemData(int index) const {
    return static_cast<intptr_t>(itemData(index, kDataRole).toLongLong());
}

void CVelComboBox::SetFaceColor(const QColor& color) {
    m_face = color;
    update();
}

QSize CVelComboBox::sizeHint() const {
    int width = 60;
    const QFontMetrics metrics(font());
    for (int i = 0; i < count(); ++i)
        width = std::max(width, metrics.horizontalAdvance(itemText(i)) + kButtonWidth + 10);
    return QSize(width, kFieldHeight + 8);
}

QSize CVelComboBox::minimumSizeHint() const {
    return QSize(kButtonWidth + 10, kFieldHeight + 8);
}

void CVelComboBox::showPopup() {
    m_hot = currentIndex();
    QComboBox::showPopup();
}

void CVelComboBox::hidePopup() {
    QComboBox::hidePopup();
    m_hot = -1;
}

void CVelComboBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect face = rect();
    painter.fillRect(face, m_face);
    painter.setPen(argbColor(kFrameColor));
    painter.drawRect(face.adjusted(0, 0, -1, -1));

    const QRect button(face.right() + 1 - kButtonWidth, face.top() + 1, kButtonWidth - 1,
                       face.height() - 2);
    painter.fillRect(button, argbColor(kButtonColor));
    const int cx = button.left() + button.width() / 2;
    const int cy = button.top() + (button.height() - 6) / 2;
    const QPoint arrow[3] = {QPoint(cx - 3, cy), QPoint(cx + 3, cy), QPoint(cx, cy + 6)};
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(argbColor(kArrowColor));
    painter.drawPolygon(arrow, 3);
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (currentIndex() < 0)
        return;
    const QRect text(face.left() + 2, face.top() + 1, face.width() - kButtonWidth - 6,
                     face.height() - 1);
    painter.setFont(font());
    painter.setPen(argbColor(isEnabled() ? kTextColor : kDisabledTextColor));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     pathEllipsis(currentText(), QFontMetrics(font()), text.width()));
}

void CVelComboBox::wheelEvent(QWheelEvent* event) {
    // Turning the wheel over the closed list must not change the selection.
    event->accept();
}
