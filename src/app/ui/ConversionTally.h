// What the desktop shows of the conversion under way: the launcher's progress and count while
// it runs, the notification text at its end. It keeps the items that were checked when the
// conversion started (the list stays locked until it ends) and reads their states.
#pragma once

#include "MediaItem.h"

#include <cstdint>
#include <string>
#include <vector>

class ConversionTally {
public:
    struct Figures {
        int percent = 0;  // of the whole conversion, each item counting the same
        int64_t left = 0; // items not through yet
        bool operator==(const Figures&) const = default;
    };

    void begin(const MediaList& list);
    void clear() { items_.clear(); }
    bool running() const { return !items_.empty(); }

    Figures figures() const;
    // "3 files converted", or "2 of 3 converted, 1 failed".
    std::string summary() const;
    // The first item that was converted, null when none was.
    const MediaItem* firstConverted() const;

private:
    std::vector<const MediaItem*> items_;
};
