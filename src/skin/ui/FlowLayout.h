// The flow layout of a skinned pane's items: a pure computation over the item records.
#pragma once

#include "PaneItem.h"
#include "SkinUiTypes.h"

#include <QSize>

#include <memory>
#include <vector>

using PaneItemList = std::vector<std::unique_ptr<PaneItem>>;

// The rectangle of the item at `index`, placed in the client area after the items before it.
// `natural` is the item's natural size (measured, with the fixed width and height applied and
// zero sizes replaced). Items flagged kPlaceFixedRect keep their rectangle.
LayoutRect flowItemRect(const LayoutRect& client, const PaneItemList& items, size_t index,
                        QSize natural);
