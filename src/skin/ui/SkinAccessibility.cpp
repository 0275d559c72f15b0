#include "SkinAccessibility.h"

#include "CBaseWnd.h"
#include "OutlookTabCtrl.h"
#include "TabStripAccessible.h"

#include <QAccessible>

namespace {

QAccessibleInterface* skinFactory(const QString& className, QObject* object) {
    if (auto* pane = dynamic_cast<CBaseWnd*>(object))
        return pane->CreateAccessible();
    if (auto* strip = dynamic_cast<OutlookTabCtrl*>(object))
        return new TabStripAccessible(strip);
    return nullptr;
}

} // namespace

void installSkinAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(skinFactory);
        return true;
    }();
    (void)installed;
}
