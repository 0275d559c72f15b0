// The one type face of a flat user interface. Skins and the window descriptions of older skins
// name Windows faces ("Times New Roman", "Arial", "Tahoma", "MS Sans Serif"); fontconfig would
// turn some of them into a serif. A skin drawn flat has user-interface text drawn in its UI face
// instead, with the desktop's sans as the fallback, so no control shows a serif beside sans
// labels. Any other skin gets the faces it names, as fontconfig resolves them.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// A face that Windows programs name for their controls.
bool isWindowsUiFace(const QString& family);

// `face` followed by the desktop's sans, so a skin naming a face that is not installed still gets
// a sans.
QStringList uiFamilies(const QString& face);

// The font user-interface text asked as `asked` is drawn in: a Windows face (or no face) becomes
// `uiFace` at its size, keeping the asked weight and decorations; any other face stays.
QFont uiFont(const QFont& asked, const QFont& uiFace);

// As above with the application's font (the skin's UI face once a skin is applied) while the
// application draws flat; `asked` itself otherwise.
QFont uiFont(const QFont& asked);
