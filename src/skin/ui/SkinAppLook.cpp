#include "SkinAppLook.h"

#include "AppFlatLook.h"
#include "CBaseSkin.h"
#include "SkinPaint.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include <cmath>

namespace {

// Colour table entries (see the skins' velskin.xml).
constexpr int kInk = 100;
constexpr int kSpecialText = 101;
constexpr int kAccent = 105;
constexpr int kNeutralLine = 112;
constexpr int kSelection = 113;
constexpr int kInput = 115;
constexpr int kAlternateInput = 116;
constexpr int kControlFrame = 117;
constexpr int kControlFace = 111;

// Window 0's fields and object 0's, by the skin's style colour index.
constexpr int kWindowFill = 0;
constexpr int kObjectText = 7;
constexpr int kObjectTextGray = 9;

QColor skinColour(const CBaseSkin& skin, int index) {
    return argbColor(skin.StyleColor(0, 0, index));
}

double channel(double c) {
    c /= 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

QString css(const QColor& c) {
    return c.name(QColor::HexRgb);
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& background) {
    return contrastRatio(background, Qt::white) >= contrastRatio(background, Qt::black)
               ? QColor(Qt::white)
               : QColor(Qt::black);
}

QPalette skinPalette(const CBaseSkin& skin) {
    const QColor window = skinColour(skin, kWindowFill);
    const QColor windowText = skinColour(skin, kObjectText);
    const QColor grayText = skinColour(skin, kObjectTextGray);
    const QColor input = skinColour(skin, kInput);
    const QColor ink = skinColour(skin, kInk);
    const QColor face = skinColour(skin, kControlFace);
    const QColor frame = skinColour(skin, kControlFrame);
    const QColor line = skinColour(skin, kNeutralLine);
    const QColor accent = skinColour(skin, kAccent);
    const bool dark = luminance(window) < 0.2;

    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, off ? grayText : windowText);
        p.setColor(group, QPalette::Base, off ? window : input);
        p.setColor(group, QPalette::AlternateBase, skinColour(skin, kAlternateInput));
        p.setColor(group, QPalette::Text, off ? grayText : ink);
        p.setColor(group, QPalette::PlaceholderText, grayText);
        p.setColor(group, QPalette::Button, face);
        p.setColor(group, QPalette::ButtonText, off ? grayText : ink);
        p.setColor(group, QPalette::BrightText, readableOn(accent));
        p.setColor(group, QPalette::Highlight, off ? skinColour(skin, kSelection) : accent);
        p.setColor(group, QPalette::HighlightedText, off ? grayText : readableOn(accent));
        p.setColor(group, QPalette::ToolTipBase, input);
        p.setColor(group, QPalette::ToolTipText, ink);
        p.setColor(group, QPalette::Link, skinColour(skin, kSpecialText));
        p.setColor(group, QPalette::LinkVisited, skinColour(skin, kSpecialText));
        // Fusion's bevels and frames: kept close to the frame colour, so edges stay quiet.
        p.setColor(group, QPalette::Light, dark ? face.lighter(115) : face);
        p.setColor(group, QPalette::Midlight, dark ? face.lighter(108) : face);
        p.setColor(group, QPalette::Mid, frame);
        p.setColor(group, QPalette::Dark, line);
        p.setColor(group, QPalette::Shadow, dark ? QColor(0, 0, 0) : line.darker(120));
    }
    return p;
}

void applySkinLook(const CBaseSkin& skin) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    setAppFlatLook(skin.FlatLook());
    // One style on every desktop: the skin supplies the colours, not the desktop's theme.
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QPalette p = skinPalette(skin);
    QApplication::setPalette(p);
    QApplication::setFont(skin.UiFont());
    // Flat push buttons and inputs: one-pixel frames, small rounding, the accent for focus.
    const QString sheet =
        QStringLiteral(
            "QPushButton { background: %1; color: %2; border: 1px solid %3; border-radius: 4px;"
            " padding: 3px 12px; }"
            "QPushButton:hover { border-color: %4; }"
            "QPushButton:pressed, QPushButton:checked { background: %5; }"
            "QPushButton:focus { border-color: %4; }"
            "QPushButton:default { border: 1px solid %4; }"
            "QPushButton:disabled { color: %6; }"
            "QLineEdit { background: %7; color: %2; border: 1px solid %3; border-radius: 3px;"
            " padding: 1px 3px; selection-background-color: %4; selection-color: %8; }"
            "QLineEdit:focus { border-color: %4; }"
            "QLineEdit:disabled { background: %9; color: %6; }"
            "QToolTip { background: %7; color: %2; border: 1px solid %3; padding: 3px; }")
            .arg(css(p.color(QPalette::Button)), css(p.color(QPalette::ButtonText)),
                 css(p.color(QPalette::Mid)), css(p.color(QPalette::Highlight)),
                 css(p.color(QPalette::Midlight).darker(108)),
                 css(p.color(QPalette::Disabled, QPalette::ButtonText)),
                 css(p.color(QPalette::Base)), css(p.color(QPalette::HighlightedText)),
                 css(p.color(QPalette::Window)));
    if (app->styleSheet() != sheet)
        app->setStyleSheet(sheet);
}

void followSkinLook(CBaseSkin& skin) {
    if (skin.HasLoadListener())
        return;
    CBaseSkin* followed = &skin;
    skin.SetLoadListener([followed] { applySkinLook(*followed); });
    applySkinLook(skin);
}
