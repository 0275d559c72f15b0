#include "SkinUiTypes.h"

#include <algorithm>

QRect LayoutRect::toQRect() const {
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

LayoutRect LayoutRect::fromQRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
