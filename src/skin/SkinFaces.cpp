#include "SkinFaces.h"

#include "AppFlatLook.h"

#include <QGuiApplication>

#include <array>

namespace {

constexpr std::array<const char*, 10> kWindowsFaces = {
    "Times New Roman", "Arial",    "Tahoma",  "MS Sans Serif",        "MS Shell Dlg",
    "MS Shell Dlg 2",  "Segoe UI", "Verdana", "Microsoft Sans Serif", "System",
};

constexpr const char* kDesktopSans = "sans-serif";

} // namespace

bool isWindowsUiFace(const QString& family) {
    for (const char* face : kWindowsFaces)
        if (family.compare(QLatin1String(face), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QStringList uiFamilies(const QString& face) {
    QStringList families;
    if (!face.isEmpty() && !isWindowsUiFace(face))
        families << face;
    families << QString::fromLatin1(kDesktopSans);
    return families;
}

QFont uiFont(const QFont& asked, const QFont& uiFace) {
    const QString family = asked.families().value(0, asked.family());
    if (!family.isEmpty() && !isWindowsUiFace(family))
        return asked;
    QFont font = uiFace;
    font.setWeight(asked.weight());
    font.setItalic(asked.italic());
    font.setUnderline(asked.underline());
    font.setStrikeOut(asked.strikeOut());
    return font;
}

QFont uiFont(const QFont& asked) {
    if (!appFlatLook())
        return asked;
    return uiFont(asked, QGuiApplication::font());
}
