// The 40 named colours of the colour pop-up, and conversions between colour values (red in the
// low byte) and QColor.
#pragma once

#include <QColor>

#include <cstdint>

struct NamedColour {
    uint32_t colour; // red | green << 8 | blue << 16
    const char* name;
};

constexpr int kColourCount = 40;
constexpr uint32_t kColourAutomatic = 0xFF000000;

// Row by row, 8 columns and 5 rows.
extern const NamedColour kColourTable[kColourCount];

QColor colourToQColor(uint32_t colour);
uint32_t qColorToColour(const QColor& color);
