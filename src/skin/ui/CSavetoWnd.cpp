#include "CSavetoWnd.h"

bool CSavetoWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    if (!CBaseWnd::Create(name, style, parent, id))
        return false;
    PaneItem heading;
    heading.id = kHeading;
    heading.setSize(0, 20);
    heading.placement = kPlaceTopLeft | kPlaceFixedHeight;
    heading.setMargins(4, 4, 4, 0);
    heading.caption = QStringLiteral("Convert To:");
    heading.behaviour = kItemNoHover | kItemBackground;
    AddItem(heading);
    return true;
}
