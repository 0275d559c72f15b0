// Painting of a skinned pane: the pane's fill, then each item's background, frame, image and
// text from the skin.
#include "CBaseWnd.h"

#include "FocusVisibility.h"
#include "SkinPaint.h"

#include "CBaseSkin.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

namespace {

struct ItemContent {
    QRect image;
    QRect text;
    QPoint box;
    bool hasBox = false;
    Qt::Alignment textAlign = Qt::AlignLeft | Qt::AlignVCenter;
};

// Where the parts of an item go: check box at 2 px from the item's corner (the text then starts
// after a square of the text height), the image by its alignment, the text after the image.
ItemContent layoutContent(const PaneItem& item, QSize imageSize, const QFontMetrics& metrics,
                          bool flat) {
    ItemContent c;
    const QRect r = item.rect().toQRect();
    int x0 = r.left();
    if (item.behaviour & (kItemCheckBox | kItemRadio)) {
        c.hasBox = true;
        // Flat: 2 px from the corner of a line of text, so an item taller than its text keeps
        // the box beside the vertically centred text.
        const int down = flat ? std::max(0, (r.height() - metrics.height()) / 2) : 0;
        c.box = QPoint(r.left() + 2, r.top() + 2 + down);
        x0 += metrics.height();
    }
    const QRect body(x0, r.top(), std::max(0, r.left() + r.width() - x0), r.height());
    const int textWidth = item.caption.isEmpty() ? 0 : metrics.horizontalAdvance(item.caption);
    const int gap = (!imageSize.isEmpty() && textWidth) ? item.gap : 0;

    int ix = body.left();
    if (item.imageAlign & kAlignImageCenter)
        ix = body.left() + (body.width() - (imageSize.width() + gap + textWidth)) / 2;
    else if (item.imageAlign & kAlignImageRight)
        ix = body.left() + body.width() - imageSize.width();
    int iy = r.top();
    if (item.imageAlign & kAlignImageVCenter)
        iy = r.top() + (r.height() - imageSize.height()) / 2;
    else if (item.imageAlign & kAlignImageBottom)
        iy = r.top() + r.height() - imageSize.height();
    c.image = QRect(QPoint(ix, iy), imageSize);

    if (item.imageAlign & kAlignImageRight) {
        c.text = body;
        c.textAlign = Qt::AlignHCenter | Qt::AlignVCenter;
    } else {
        const int tx = imageSize.isEmpty() && !(item.imageAlign & kAlignImageCenter)
                           ? body.left()
                           : ix + imageSize.width() + gap;
        c.text = QRect(tx, r.top(), std::max(0, body.left() + body.width() - tx), r.height());
    }
    return c;
}

QSize usableSize(const QImage* image) {
    return image && !image->isNull() ? image->size() : QSize();
}

} // namespace

void CBaseWnd::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    PaintPaneBackground(painter);
    BeforeItems(painter);
    for (auto& item : m_items) {
        if (!event->region().intersects(item->rect().toQRect()))
            continue;
        if (!DrawItem(painter, *item))
            PaintItem(painter, *item);
    }
    AfterItems(painter);
    if (focusRingShown(*this))
        if (const PaneItem* focused = FocusedItem())
            PaintFocusRing(painter, focused->rect().toQRect());
}

void CBaseWnd::PaintFocusRing(QPainter& painter, const QRect& r) const {
    drawFocusRing(painter, r, argbColor(StyleColor(0, 7)), m_skin->FlatLook());
}

void CBaseWnd::PaintPaneBackground(QPainter& painter) {
    const int fill = StyleFill(0, 0);
    if (PaintBackground(painter, fill))
        return;
    if (fill == kFillImage) {
        const QImage image = SharpSkinImage(m_paneImage);
        if (!image.isNull())
            painter.drawImage(0, 0, image);
        return;
    }
    fillByType(painter, rect(), fill, argbColor(StyleColor(0, 0)), argbColor(StyleColor(0, 1)),
               StyleFill(0, 1));
}

void CBaseWnd::PaintItem(QPainter& painter, PaneItem& item) {
    if ((item.behaviour & kItemBackground) && !DrawItemBackground(painter, item))
        PaintItemBackground(painter, item);
    if ((item.behaviour & kItemFrame) && !DrawItemFrame(painter, item))
        PaintItemFrame(painter, item);
    if (item.imageId && !DrawItemImage(painter, item))
        PaintItemImage(painter, item);
    if ((!item.caption.isEmpty() || (item.behaviour & (kItemCheckBox | kItemRadio))) &&
        !DrawItemText(painter, item))
        PaintItemText(painter, item);
}

// Items are rectangles; a flat skin has them as rounded shapes, a fill and a one-pixel frame with
// small corners.
namespace {

qreal cornerRadius(const QRect& r) {
    return std::min(r.width(), r.height()) >= 16 ? 4.0 : 2.0;
}

void fillItem(QPainter& painter, const QRect& r, const QBrush& brush, bool flat) {
    if (!flat) {
        painter.fillRect(r, brush);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawRoundedRect(QRectF(r), cornerRadius(r), cornerRadius(r));
    painter.restore();
}

} // namespace

void CBaseWnd::PaintItemBackground(QPainter& painter, const PaneItem& item) {
    const bool hot = (item.state & (kStateHover | kStateHighlight)) &&
                     !(item.behaviour & kItemNoHover) && !item.isDisabled();
    const QRect r = item.rect().toQRect();
    if (r.isEmpty())
        return;
    const int fill = StyleFill(item.id, 2);
    const bool flat = m_skin->FlatLook();
    if (fill == kFillSolid) {
        fillItem(painter, r, argbColor(hot ? StyleColor(0, 5) : StyleColor(item.id, 3)), flat);
    } else if (fill == kFillGradient) {
        fillItem(painter, r,
                 gradientFor(r, argbColor(StyleColor(item.id, hot ? 5 : 3)),
                             argbColor(StyleColor(item.id, hot ? 3 : 4)), StyleFill(item.id, 3)),
                 flat);
    }
}

void CBaseWnd::PaintItemFrame(QPainter& painter, const PaneItem& item) {
    const QRect r = item.rect().toQRect();
    if (r.isEmpty())
        return;
    painter.save();
    if (!m_skin->FlatLook()) {
        painter.setPen(QPen(argbColor(StyleColor(item.id, 6)), 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.restore();
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(argbColor(StyleColor(item.id, 6)), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius(r),
                            cornerRadius(r));
    painter.restore();
}

void CBaseWnd::PaintItemImage(QPainter& painter, const PaneItem& item) {
    const QImage* image = SkinImage(item.imageId);
    if (!image || image->isNull())
        return;
    const ItemContent c =
        layoutContent(item, image->size(), QFontMetrics(ItemFont(item)), m_skin->FlatLook());
    painter.save();
    painter.setClipRect(item.rect().toQRect(), Qt::IntersectClip);
    const QImage sharp = SharpSkinImage(item.imageId);
    painter.drawImage(c.image.topLeft(), item.isDisabled() ? greyImage(sharp) : sharp);
    painter.restore();
}

void CBaseWnd::PaintItemText(QPainter& painter, const PaneItem& item) {
    const QFont font = ItemFont(item);
    const QFontMetrics metrics(font);
    const QSize imageSize = item.imageId ? usableSize(SkinImage(item.imageId)) : QSize();
    const ItemContent c = layoutContent(item, imageSize, metrics, m_skin->FlatLook());
    if (c.hasBox) {
        // The box shows the checked bit alone, whatever the hover and highlight bits say.
        const int checked = item.state & kStateChecked;
        const int boxId = (item.behaviour & kItemCheckBox) ? m_skin->CheckBoxImageId(checked)
                                                           : m_skin->RadioImageId(checked);
        if (const QImage box = SharpSkinImage(boxId); !box.isNull())
            painter.drawImage(c.box, item.isDisabled() ? greyImage(box) : box);
    }
    if (item.caption.isEmpty())
        return;
    uint32_t color;
    if (item.isDisabled())
        color = StyleColor(item.id, 9);
    else if ((item.state & (kStateHover | kStateHighlight)) && !(item.behaviour & kItemNoHover))
        color = StyleColor(item.id, 8);
    else if (item.behaviour & kItemSpecialText)
        color = StyleColor(item.id, m_skin->SpecialTextColorId());
    else
        color = StyleColor(item.id, 7);
    painter.save();
    painter.setFont(font);
    painter.setPen(argbColor(color));
    painter.drawText(c.text, c.textAlign | Qt::TextSingleLine,
                     pathEllipsis(item.caption, metrics, c.text.width()));
    painter.restore();
}
