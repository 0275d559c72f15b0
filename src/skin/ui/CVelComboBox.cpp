#include "CVelComboBox.h"

#include "AppFlatLook.h"
#include "FocusVisibility.h"
#include "SkinFaces.h"
#include "SkinPaint.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace {

constexpr int kDataRole = Qt::UserRole + 1;

// Rows of the open list: text trimmed at the end, the hot row filled first. Black text and the
// hot-row colour; when flat, the palette's selection colours, which the skin sets.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(CVelComboBox* combo) : QStyledItemDelegate(combo), m_combo(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool hot = option.state & (QStyle::State_Selected | QStyle::State_MouseOver);
        if (hot)
            m_combo->SetHotItem(index.row());
        const QPalette& p = m_combo->palette();
        const bool flat = appFlatLook();
        if (flat)
            painter->fillRect(option.rect, p.color(hot ? QPalette::Highlight : QPalette::Base));
        else
            painter->fillRect(option.rect, hot ? QColor::fromRgba(CVelComboBox::kHotRowColor)
                                               : QColor(Qt::white));
        const QFont font = m_combo->ShownFont();
        painter->setFont(font);
        painter->setPen(flat ? p.color(hot ? QPalette::HighlightedText : QPalette::Text)
                             : QColor(Qt::black));
        const QRect text = option.rect.adjusted(flat ? 6 : 2, 0, -4, 0);
        const QString shown =
            QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideRight, text.width());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QFontMetrics(m_combo->ShownFont()).horizontalAdvance(index.data().toString()) +
                         10,
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
    watchFocusVisibility();
    QFont own(QStringLiteral("Times New Roman"));
    own.setPointSize(9);
    setFont(own);
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
    auto* style = new DropDownStyle();
    style->setParent(this);
    setStyle(style);
    setItemDelegate(new RowDelegate(this));
    // The open list and its frame would inherit the face's Windows font: they take the shown one.
    view()->window()->setFont(ShownFont());
}

void CVelComboBox::SetItemData(int index, intptr_t data) {
    setItemData(index, QVariant::fromValue<qlonglong>(data), kDataRole);
}

intptr_t CVelComboBox::ItemData(int index) const {
    return static_cast<intptr_t>(itemData(index, kDataRole).toLongLong());
}

QFont CVelComboBox::ShownFont() const {
    return uiFont(font());
}

void CVelComboBox::SetFaceColor(const QColor& color) {
    m_face = color;
    update();
}

QSize CVelComboBox::sizeHint() const {
    int width = 60;
    const QFontMetrics metrics(ShownFont());
    for (int i = 0; i < count(); ++i)
        width = std::max(width, metrics.horizontalAdvance(itemText(i)) + kButtonWidth + 10);
    return QSize(width, kFieldHeight + 8);
}

QSize CVelComboBox::minimumSizeHint() const {
    return QSize(kButtonWidth + 10, kFieldHeight + 8);
}

void CVelComboBox::showPopup() {
    m_hot = currentIndex();
    view()->window()->setFont(ShownFont());
    QComboBox::showPopup();
}

void CVelComboBox::hidePopup() {
    QComboBox::hidePopup();
    m_hot = -1;
}

void CVelComboBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (appFlatLook())
        PaintFlat(painter);
    else
        PaintClassic(painter);
    // Around the chosen text, inside the frame and clear of the arrow button.
    if (focusRingShown(*this) && !view()->isVisible())
        drawFocusRing(painter, QRect(1, 1, width() - kButtonWidth - 3, height() - 2),
                      appFlatLook() ? palette().color(QPalette::Text) : Qt::black, appFlatLook());
}

// The face in its colour (white unless set) with a frame, the button with a filled triangle,
// the selection 2 px in and 1 px down.
void CVelComboBox::PaintClassic(QPainter& painter) {
    const QRect face = rect();
    painter.fillRect(face, m_face.isValid() ? m_face : QColor(Qt::white));
    painter.setPen(QColor::fromRgba(kFrameColor));
    painter.drawRect(face.adjusted(0, 0, -1, -1));
    const QRect button(face.right() - kButtonWidth, face.top() + 1, kButtonWidth,
                       face.height() - 2);
    painter.fillRect(button, QColor::fromRgba(kButtonColor));
    // 6 wide and 6 high, point down, centred.
    const int left = button.left() + (button.width() - 6) / 2;
    const int top = button.top() + (button.height() - 6) / 2;
    const QPoint triangle[3] = {QPoint(left, top), QPoint(left + 6, top),
                                QPoint(left + 3, top + 6)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(kArrowColor));
    painter.drawPolygon(triangle, 3);

    if (currentIndex() < 0)
        return;
    const QRect text(face.left() + 2, face.top() + 1, face.width() - kButtonWidth - 6,
                     face.height() - 1);
    const QFont shownFont = ShownFont();
    painter.setFont(shownFont);
    painter.setPen(QColor::fromRgba(isEnabled() ? kTextColor : kDisabledTextColor));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     pathEllipsis(currentText(), QFontMetrics(shownFont), text.width()));
}

// The input colour, a one-pixel frame (the accent while focused or open) and a chevron on the
// button's quieter fill.
void CVelComboBox::PaintFlat(QPainter& painter) {
    const QPalette& p = palette();
    const QRect face = rect();
    painter.fillRect(face, m_face.isValid() ? m_face : p.color(QPalette::Base));
    const QRect button(face.right() + 1 - kButtonWidth, face.top() + 1, kButtonWidth - 1,
                       face.height() - 2);
    painter.fillRect(button, p.color(QPalette::Button));
    const bool active = hasFocus() || view()->isVisible();
    painter.setPen(p.color(active && isEnabled() ? QPalette::Highlight : QPalette::Mid));
    painter.drawRect(face.adjusted(0, 0, -1, -1));

    const QPointF c(button.left() + button.width() / 2.0, button.top() + button.height() / 2.0);
    const QPointF chevron[3] = {c + QPointF(-3.5, -1.75), c + QPointF(0, 1.75),
                                c + QPointF(3.5, -1.75)};
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(
        QPen(p.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText),
             1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(chevron, 3);
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (currentIndex() < 0)
        return;
    const QRect text(face.left() + 5, face.top() + 1, face.width() - kButtonWidth - 9,
                     face.height() - 1);
    const QFont shownFont = ShownFont();
    painter.setFont(shownFont);
    painter.setPen(p.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     pathEllipsis(currentText(), QFontMetrics(shownFont), text.width()));
}

void CVelComboBox::wheelEvent(QWheelEvent* event) {
    // Turning the wheel over the closed list must not change the selection.
    event->accept();
}
