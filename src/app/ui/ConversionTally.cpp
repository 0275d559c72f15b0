#include "ConversionTally.h"

#include "StatusTexts.h"

#include <algorithm>

namespace {

bool failed(const MediaItem& item) {
    return item.hasState(kItemConvertFailed | kItemNotExist);
}

bool through(const MediaItem& item) {
    return item.hasState(kItemFinish) || failed(item);
}

} // namespace

void ConversionTally::begin(const MediaList& list) {
    items_.clear();
    for (const auto& item : list)
        if (item->hasState(kItemChecked))
            items_.push_back(item.get());
}

ConversionTally::Figures ConversionTally::figures() const {
    Figures figures;
    if (items_.empty())
        return figures;
    int64_t done = 0; // in hundredths of a percent of one item
    for (const MediaItem* item : items_) {
        if (through(*item)) {
            done += 10000;
            continue;
        }
        ++figures.left;
        if (item->hasState(kItemConverting))
            done += std::clamp(item->progress.load(), 0, 10000);
    }
    figures.percent = static_cast<int>(done / 100 / static_cast<int64_t>(items_.size()));
    return figures;
}

std::string ConversionTally::summary() const {
    const auto converted = std::count_if(
        items_.begin(), items_.end(), [](const MediaItem* i) { return i->hasState(kItemFinish); });
    const auto failures =
        std::count_if(items_.begin(), items_.end(), [](const MediaItem* i) { return failed(*i); });
    return conversionSummaryText(static_cast<int>(converted), static_cast<int>(failures),
                                 static_cast<int>(items_.size()));
}

const MediaItem* ConversionTally::firstConverted() const {
    for (const MediaItem* item : items_)
        if (item->hasState(kItemFinish))
            return item;
    return nullptr;
}
