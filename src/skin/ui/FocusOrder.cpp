#include "FocusOrder.h"

#include "CBaseWnd.h"
#include "PaneItem.h"

#include <QApplication>

#include <algorithm>
#include <numeric>

namespace focusorder {

std::vector<int> readingOrder(const std::vector<QRect>& rects) {
    std::vector<int> byTop(rects.size());
    std::iota(byTop.begin(), byTop.end(), 0);
    std::stable_sort(byTop.begin(), byTop.end(), [&](int a, int b) {
        const QRect& ra = rects[static_cast<size_t>(a)];
        const QRect& rb = rects[static_cast<size_t>(b)];
        return ra.top() != rb.top() ? ra.top() < rb.top() : ra.left() < rb.left();
    });
    std::vector<int> order;
    order.reserve(rects.size());
    size_t start = 0;
    while (start < byTop.size()) {
        // The row: everything that starts above the middle of its first rectangle.
        const QRect& first = rects[static_cast<size_t>(byTop[start])];
        const int middle = first.top() + first.height() / 2;
        size_t end = start + 1;
        while (end < byTop.size() && rects[static_cast<size_t>(byTop[end])].top() < middle)
            ++end;
        std::vector<int> row(byTop.begin() + static_cast<std::ptrdiff_t>(start),
                             byTop.begin() + static_cast<std::ptrdiff_t>(end));
        std::stable_sort(row.begin(), row.end(), [&](int a, int b) {
            const QRect& ra = rects[static_cast<size_t>(a)];
            const QRect& rb = rects[static_cast<size_t>(b)];
            return ra.left() != rb.left() ? ra.left() < rb.left() : ra.top() < rb.top();
        });
        order.insert(order.end(), row.begin(), row.end());
        start = end;
    }
    return order;
}

namespace {

bool takesTab(const QWidget& widget) {
    return (widget.focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

QRect rectIn(const QWidget* window, const QWidget* widget, const QRect& local) {
    return QRect(widget->mapTo(window, local.topLeft()), local.size());
}

// The stops inside `container`, in reading order, each block placed by its rectangle.
std::vector<Stop> orderedStops(QWidget* window, QWidget* container) {
    struct Block {
        QRect rect;
        std::vector<Stop> stops;
    };
    std::vector<Block> blocks;
    if (auto* pane = dynamic_cast<CBaseWnd*>(container); pane && takesTab(*pane)) {
        bool anyItem = false;
        for (const auto& item : pane->Items()) {
            if (!pane->IsItemFocusable(*item) || !pane->IsItemShown(*item))
                continue;
            anyItem = true;
            blocks.push_back({rectIn(window, pane, item->rect().toQRect()), {{pane, item->id}}});
        }
        // A pane that is a stop without items of its own (the file list's rows).
        if (!anyItem)
            blocks.push_back({rectIn(window, pane, pane->rect()), {{pane, -1}}});
    }
    for (QObject* object : container->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow() || !child->isVisibleTo(window) || !child->isEnabled())
            continue;
        const QRect rect = rectIn(window, child, child->rect());
        if (takesTab(*child) && !dynamic_cast<CBaseWnd*>(child)) {
            blocks.push_back({rect, {{child, -1}}});
            continue;
        }
        std::vector<Stop> inner = orderedStops(window, child);
        if (!inner.empty())
            blocks.push_back({rect, std::move(inner)});
    }
    std::vector<QRect> rects;
    rects.reserve(blocks.size());
    for (const Block& block : blocks)
        rects.push_back(block.rect);
    std::vector<Stop> stops;
    for (int index : readingOrder(rects)) {
        const auto& inner = blocks[static_cast<size_t>(index)].stops;
        stops.insert(stops.end(), inner.begin(), inner.end());
    }
    return stops;
}

} // namespace

std::vector<Stop> stopsOf(QWidget* window) {
    return window ? orderedStops(window, window) : std::vector<Stop>{};
}

int currentStop(const std::vector<Stop>& stops) {
    QWidget* focus = QApplication::focusWidget();
    if (auto* pane = dynamic_cast<CBaseWnd*>(focus)) {
        const PaneItem* item = pane->FocusedItem();
        const int id = item ? item->id : -1;
        for (size_t i = 0; i < stops.size(); ++i)
            if (stops[i].widget == pane && (stops[i].item == id || stops[i].item < 0))
                return static_cast<int>(i);
    }
    // A control's inner part (a spin box's edit) stands for the control.
    for (QWidget* w = focus; w; w = w->isWindow() ? nullptr : w->parentWidget())
        for (size_t i = 0; i < stops.size(); ++i)
            if (stops[i].widget == w && stops[i].item < 0)
                return static_cast<int>(i);
    return -1;
}

void focusStop(const Stop& stop, bool forward) {
    if (!stop.widget)
        return;
    const Qt::FocusReason reason = forward ? Qt::TabFocusReason : Qt::BacktabFocusReason;
    if (auto* pane = dynamic_cast<CBaseWnd*>(stop.widget); pane && stop.item >= 0) {
        pane->FocusItemByKey(stop.item, reason);
        return;
    }
    stop.widget->setFocus(reason);
}

} // namespace focusorder
