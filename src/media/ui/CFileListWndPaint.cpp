// Painting of the file list pane: everything is drawn into an off-screen bitmap and copied to
// the screen in one step; only rows that fit whole are drawn, so the cost does not grow with the
// length of the list.
#include "CFileListWnd.h"

#include "FileListGeometry.h"
#include "FocusVisibility.h"
#include "SkinPaint.h"

#include "CBaseSkin.h"

#include <QFontInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

using namespace filelist;

namespace {

// Style colour numbers of the list.
constexpr int kColorText = 7;
constexpr int kColorTextDisabled = 9;
constexpr int kColorThumb = 104;
constexpr int kColorBarEmpty = 106;
constexpr int kColorBarFilled = 107;
constexpr int kColorArrowHot = 110;
constexpr int kColorFocus = 113;
constexpr int kColorFrame = 117;
// Style fonts: 1 the header, 2 the rows.
constexpr int kFontHeader = 1;
constexpr int kFontRow = 2;

constexpr int kHeaderTextTop = 4;
constexpr int kHeaderTextHeight = 20;
constexpr int kRowTextTop = 2;
constexpr int kRowTextHeight = 16;
constexpr int kFarColumnPadding = 6; // kept free right of the estimated size
constexpr int kBarInset = 10;        // the bar is 20 px narrower than its cell
constexpr int kBarTop = 4;
constexpr int kBarHeight = 12;
constexpr QRgb kPercentColor = 0xFF000000;

const Qt::Alignment kColumnAlign[kColumnCount] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignLeft,
                                                  Qt::AlignLeft, Qt::AlignHCenter};

void drawCellText(QPainter& painter, FileListTextCache& cache, int column, const Span& span,
                  int top, int height, const QString& text) {
    int width = span.width;
    if (column == 1)
        width -= kFarColumnPadding;
    cache.Draw(painter, QRect(span.left, top, width, height), kColumnAlign[column], text);
}

// The percentage goes over a bar 12 px high: the row's font, made small enough to fit it.
QFont percentFont(const QFont& rowFont) {
    QFont font = rowFont;
    int pixels = QFontInfo(rowFont).pixelSize();
    while (pixels > 7 && QFontMetrics(font).height() > kBarHeight + 1)
        font.setPixelSize(--pixels);
    return font;
}

} // namespace

struct CFileListWnd::PaintStyle {
    std::array<Span, kColumnCount> columns;
    int rowWidth = 0;
    QColor text;
    QColor disabled;
    QColor focus;
    QColor barEmpty;
    QColor barFilled;
    bool locked = false;
};

void CFileListWnd::paintEvent(QPaintEvent* event) {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    if (pixels.isEmpty())
        return;
    if (m_buffer.size() != pixels) {
        m_buffer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_buffer.setDevicePixelRatio(dpr);
    }
    {
        QPainter offscreen(&m_buffer);
        Render(offscreen);
    }
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawImage(dirty, m_buffer,
                      QRectF(QPointF(dirty.topLeft()) * dpr, QSizeF(dirty.size()) * dpr));
}

std::array<Span, kColumnCount> CFileListWnd::ColumnSpans(int rowWidth, int x0) const {
    return columnSpans(rowWidth, x0, m_columnsMeasured ? &m_columnNeeds : nullptr);
}

void CFileListWnd::TakeFonts() {
    const QFont header = StyleFont(kFontHeader, kFontHeader);
    const QFont row = StyleFont(kFontRow, kFontRow);
    if (m_columnsMeasured && header == m_headerText.Font() && row == m_rowText.Font())
        return;
    m_headerText.SetFont(header);
    m_rowText.SetFont(row);
    m_percentText.SetFont(percentFont(row));
    // The widest text each column can show, in the row's font, or its title in the header's.
    const QFontMetrics& h = m_headerText.Metrics();
    const QFontMetrics& r = m_rowText.Metrics();
    const auto widest = [&](int column, std::initializer_list<const char*> samples) {
        int width = h.horizontalAdvance(ColumnTitle(column));
        for (const char* sample : samples)
            width = std::max(width, r.horizontalAdvance(QString::fromLatin1(sample)));
        return width + kColumnGap;
    };
    m_columnNeeds[0] = 0;
    m_columnNeeds[1] = widest(1, {"<= 8888.88MB", "8888.88MB"}) + kFarColumnPadding;
    m_columnNeeds[2] = widest(2, {"88:88:88 / 88:88:88"});
    m_columnNeeds[3] = widest(3, {"Convert Failed", "Not Convert", "Converting", "Not Exist"});
    const int percent = m_percentText.Metrics().horizontalAdvance(QStringLiteral("100.00%"));
    m_columnNeeds[4] = std::max(widest(4, {}), percent + 2 * kBarInset + 8);
    m_columnsMeasured = true;
}

void CFileListWnd::Render(QPainter& painter) {
    TakeFonts();
    PaintHeader(painter);
    PaintRowsArea(painter);
    if (!focusRingShown(*this))
        return;
    if (const PaneItem* button = FocusedItem())
        PaintFocusRing(painter, button->rect().toQRect());
    else if (const QRect row = FocusedRowRect(); !row.isEmpty())
        PaintFocusRing(painter, row);
}

void CFileListWnd::FillPaneStyle(QPainter& painter, const QRect& area, bool allowImage) {
    const int fill = StyleFill(0, 0);
    const QColor first = argbColor(StyleColor(0, 0));
    if (fill == kFillImage && allowImage) {
        painter.fillRect(area, first);
        if (const QImage* image = SkinImage(PaneImage()); image && !image->isNull()) {
            painter.save();
            painter.setClipRect(area);
            painter.drawImage(0, 0, *image);
            painter.restore();
        }
        return;
    }
    if (!fillByType(painter, area, fill, first, argbColor(StyleColor(0, 1)), StyleFill(0, 1)))
        painter.fillRect(area, first);
}

void CFileListWnd::PaintBox(QPainter& painter, int x, int y, bool checked, bool disabled) {
    const int imageId = Skin()->CheckBoxImageId(checked ? kStateChecked : 0);
    const QImage* image = SkinImage(imageId);
    if (!image || image->isNull()) {
        // A skin without box images still shows where the box is.
        painter.save();
        painter.setPen(argbColor(StyleColor(0, disabled ? kColorTextDisabled : kColorText)));
        painter.setBrush(checked ? painter.pen().color() : QColor(Qt::transparent));
        painter.drawRect(x, y, kBoxSize - 1, kBoxSize - 1);
        painter.restore();
        return;
    }
    BoxCache& cache = m_boxCache[checked ? 1 : 0];
    if (cache.key != image->cacheKey() || cache.normal.isNull()) {
        cache.key = image->cacheKey();
        cache.normal =
            image->size() == QSize(kBoxSize, kBoxSize)
                ? *image
                : image->scaled(kBoxSize, kBoxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        cache.grey = greyImage(cache.normal);
    }
    const QImage& box = disabled ? cache.grey : cache.normal;
    painter.drawImage(x + (kBoxSize - box.width()) / 2, y + (kBoxSize - box.height()) / 2, box);
}

QString CFileListWnd::ColumnTitle(int column) {
    static const QString kTitles[kColumnCount] = {
        QStringLiteral("Media"), QStringLiteral("Estimated Size"),
        QStringLiteral("Used / Remaining"), QStringLiteral("State"), QStringLiteral("Progress")};
    return column >= 0 && column < kColumnCount ? kTitles[column] : QString();
}

QString CFileListWnd::ColumnText(const MediaItem& item, int column) {
    switch (column) {
    case 0:
        return QString::fromStdString(item.displayName);
    case 1:
        return QString::fromStdString(item.estimateText());
    case 2:
        return QString::fromStdString(item.usedRemainingText());
    case 3:
        return QString::fromStdString(item.stateText());
    case 4:
        return QString::fromStdString(item.progressText());
    default:
        return {};
    }
}

void CFileListWnd::PaintHeader(QPainter& painter) {
    const QRect header(0, 0, width(), kHeaderHeight);
    FillPaneStyle(painter, header, false);
    PaintBox(painter, kBoxLeft, 7, HeaderChecked(), IsLocked());

    // A line in the pane's border colour sets the header off from the rows.
    painter.fillRect(QRect(0, kHeaderHeight - 1, width(), 1), argbColor(StyleColor(0, 2)));
    const auto columns = ColumnSpans(RowWidth(), kHeaderTextX);
    painter.save();
    painter.setFont(m_headerText.Font());
    painter.setPen(argbColor(StyleColor(0, kColorText)));
    for (int i = 0; i < kColumnCount; ++i)
        drawCellText(painter, m_headerText, i, columns[static_cast<size_t>(i)], kHeaderTextTop,
                     kHeaderTextHeight, ColumnTitle(i));
    painter.restore();
}

void CFileListWnd::PaintRowsArea(QPainter& painter) {
    const QRect area(0, kHeaderHeight, width(), std::max(0, height() - kHeaderHeight));
    FillPaneStyle(painter, area, true);
    if (m_items.empty()) {
        for (const auto& item : Items())
            if (!DrawItem(painter, *item))
                PaintItem(painter, *item);
        return;
    }
    if (ScrollBarShown())
        PaintScrollBar(painter);

    PaintStyle style;
    style.rowWidth = RowWidth();
    style.columns = ColumnSpans(style.rowWidth, kRowTextX);
    style.text = argbColor(StyleColor(0, kColorText));
    style.disabled = argbColor(StyleColor(0, kColorTextDisabled));
    style.focus = argbColor(StyleColor(0, kColorFocus));
    style.barEmpty = argbColor(StyleColor(0, kColorBarEmpty));
    style.barFilled = argbColor(StyleColor(0, kColorBarFilled));
    style.locked = IsLocked();

    painter.save();
    painter.setFont(m_rowText.Font());
    const int visible = VisibleRowCount();
    for (int row = 0; row < visible && m_first + row < Count(); ++row)
        PaintRow(painter, style, *m_items[static_cast<size_t>(m_first + row)],
                 kHeaderHeight + row * kRowHeight);
    painter.restore();
}

void CFileListWnd::PaintRow(QPainter& painter, const PaintStyle& style, const MediaItem& item,
                            int rowTop) {
    const int32_t flags = item.stateFlags.load();
    const bool disabled = (flags & kItemNotExist) || style.locked;
    PaintBox(painter, kBoxLeft, rowTop + kBoxTopInRow, flags & kItemChecked, disabled);
    if (flags & kItemFocused)
        painter.fillRect(QRect(kRowTextX, rowTop, style.rowWidth - kRowTextX, kRowHeight),
                         style.focus);

    painter.setPen(disabled ? style.disabled : style.text);
    const int textTop = rowTop + kRowTextTop;
    for (int i = 0; i < 4; ++i)
        drawCellText(painter, m_rowText, i, style.columns[static_cast<size_t>(i)], textTop,
                     kRowTextHeight, ColumnText(item, i));

    const Span& cell = style.columns[4];
    const QRect bar(cell.left + kBarInset, rowTop + kBarTop, cell.width - 2 * kBarInset,
                    kBarHeight);
    if (bar.width() <= 0)
        return;
    painter.fillRect(bar, style.barEmpty);
    const int progress = std::clamp<int>(item.progress.load(), 0, 10000);
    if (progress > 0) {
        painter.fillRect(QRect(bar.left(), bar.top(), bar.width() * progress / 10000, kBarHeight),
                         style.barFilled);
        painter.setPen(QColor::fromRgba(kPercentColor));
        painter.setFont(m_percentText.Font());
        m_percentText.Draw(painter, bar, Qt::AlignHCenter,
                           QString::fromStdString(item.progressText()), true);
        painter.setFont(m_rowText.Font());
    }
}

void CFileListWnd::PaintScrollBar(QPainter& painter) {
    const int left = width() - kScrollWidth;
    const ScrollParts parts = scrollParts(height(), m_first, VisibleRowCount(), Count());
    const QColor frame = argbColor(StyleColor(0, kColorFrame));
    const QColor idle = argbColor(StyleColor(0, kColorThumb));
    const QColor hot = argbColor(StyleColor(0, kColorArrowHot));

    painter.save();
    if (parts.thumbBottom > parts.thumbTop)
        painter.fillRect(QRect(width() - 10, parts.thumbTop, 8, parts.thumbBottom - parts.thumbTop),
                         idle);
    const auto arrow = [&](int top, bool down, bool isHot) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(left, top, kScrollWidth - 1, kArrowHeight - 1);
        const qreal cx = left + kScrollWidth / 2.0;
        const qreal cy = top + kArrowHeight / 2.0;
        const qreal tip = down ? cy + 2.5 : cy - 2.5;
        const qreal base = down ? cy - 2.0 : cy + 2.0;
        QPolygonF triangle;
        triangle << QPointF(cx - 3.5, base) << QPointF(cx + 3.5, base) << QPointF(cx, tip);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        painter.setBrush(isHot ? hot : idle);
        painter.drawPolygon(triangle);
    };
    arrow(parts.upTop, false, m_flags & kUpArrowHot);
    arrow(parts.downTop, true, m_flags & kDownArrowHot);
    painter.restore();
}
