// The look of everything the skin does not draw itself (message boxes, edit boxes, spin boxes,
// push buttons, tooltips, scroll bars, file dialogs): the application's palette, font and style,
// made from the skin's colours and UI face, so both skins reach every window.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class CBaseSkin;

// The palette the skin's colours make: window and text from window 0, input colours from the
// colour table, the accent for selections and focus.
QPalette skinPalette(const CBaseSkin& skin);

// Black or white, whichever reads better on `background`.
QColor readableOn(const QColor& background);

// WCAG contrast ratio of two colours (1 to 21).
double contrastRatio(const QColor& a, const QColor& b);

// Sets the application's style, palette, font and style sheet from the skin now.
void applySkinLook(const CBaseSkin& skin);

// Applies the skin's look now and again after each archive it loads. Cheap when the skin is
// already followed; every skinned window calls it, so whichever comes first sets the look.
void followSkinLook(CBaseSkin& skin);
