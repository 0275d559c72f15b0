#include "CMenuExStyle.h"

#include "CMenuEx.h"
#include "SkinPaint.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace {

const CMenuEx* menuOf(const QWidget* widget) {
    return dynamic_cast<const CMenuEx*>(widget);
}

void drawArrow(QPainter* painter, const QRect& r, const QColor& color) {
    const int cx = r.right() - 8, cy = r.center().y();
    const QPoint points[3] = {QPoint(cx - 2, cy - 4), QPoint(cx + 2, cy), QPoint(cx - 2, cy + 4)};
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(color);
    painter->drawPolygon(points, 3);
    painter->restore();
}

void drawCheck(QPainter* painter, const QRect& column, const QColor& color) {
    const QPoint c = column.center();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(color, 2));
    painter->drawPolyline(QPolygon(
        {QPoint(c.x() - 4, c.y()), QPoint(c.x() - 1, c.y() + 3), QPoint(c.x() + 4, c.y() - 3)}));
    painter->restore();
}

} // namespace

CMenuExStyle::CMenuExStyle() : QProxyStyle(QStringLiteral("Fusion")) {}

void CMenuExStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    const CMenuEx* menu = menuOf(widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !menu || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect r = item->rect;
    const QRect column(r.left(), r.top(), CMenuEx::kIconColumn, r.height());
    const QRect body(column.right() + 1, r.top(), r.width() - column.width(), r.height());
    const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
    const bool disabled = !(item->state & State_Enabled);
    const bool selected = (item->state & State_Selected) && !separator;

    painter->save();
    painter->fillRect(column, menu->OwnerColor(CMenuEx::kColorBackEnd));
    if (selected)
        painter->fillRect(body, menu->OwnerColor(disabled ? CMenuEx::kColorSelectedDisabled
                                                          : CMenuEx::kColorSelected));
    else
        fillGradient(*painter, body, menu->OwnerColor(CMenuEx::kColorBackBegin),
                     menu->OwnerColor(CMenuEx::kColorBackEnd), 0);

    const int textLeft = column.right() + 1 + CMenuEx::kGap;
    if (separator) {
        painter->setPen(menu->OwnerColor(CMenuEx::kColorSelected));
        const int y = r.top() + r.height() / 2;
        painter->drawLine(textLeft, y, r.right(), y);
        painter->restore();
        return;
    }

    if (!item->icon.isNull()) {
        const QRect iconRect(column.left() + CMenuEx::kIconMargin,
                             r.top() + (r.height() - CMenuEx::kIconSize) / 2, CMenuEx::kIconSize,
                             CMenuEx::kIconSize);
        item->icon.paint(painter, iconRect, Qt::AlignCenter,
                         disabled ? QIcon::Disabled : QIcon::Normal);
    }
    const QColor textColor = menu->OwnerColor(disabled   ? CMenuEx::kColorTextDisabled
                                              : selected ? CMenuEx::kColorTextSelected
                                                         : CMenuEx::kColorText);
    if (item->checked && item->icon.isNull())
        drawCheck(painter, column, textColor);

    QString text = item->text;
    QString shortcut;
    if (const int tab = text.indexOf(QLatin1Char('\t')); tab >= 0) {
        shortcut = text.mid(tab + 1);
        text.truncate(tab);
    }
    text.remove(QLatin1Char('&'));
    const QFontMetrics metrics(menu->ItemFont());
    const QRect textRect(textLeft, r.top(), r.right() - textLeft - CMenuEx::kTextMargin - 12,
                         r.height());
    painter->setFont(menu->ItemFont());
    painter->setPen(textColor);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      pathEllipsis(text, metrics, textRect.width()));
    if (!shortcut.isEmpty())
        painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                          shortcut);
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu)
        drawArrow(painter, r, textColor);
    painter->restore();
}

void CMenuExStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    const CMenuEx* menu = menuOf(widget);
    if (menu && element == PE_PanelMenu) {
        painter->fillRect(option->rect, menu->OwnerColor(CMenuEx::kColorBackEnd));
        return;
    }
    if (menu && element == PE_FrameMenu) {
        painter->save();
        painter->setPen(menu->OwnerColor(CMenuEx::kColorSelected));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QSize CMenuExStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    const CMenuEx* menu = menuOf(widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type == CT_MenuItem && menu && item)
        return menu->MeasureItem(item->text, item->menuItemType == QStyleOptionMenuItem::Separator);
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int CMenuExStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    if (menuOf(widget)) {
        switch (metric) {
        case PM_MenuPanelWidth:
            return 1;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 0;
        case PM_SmallIconSize:
            return CMenuEx::kIconSize;
        default:
            break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int CMenuExStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
    if (hint == SH_Menu_FlashTriggeredItem)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
