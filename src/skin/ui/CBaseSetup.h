// The base of option and edit pages: a skinned dialog shown as a child page inside a tabbed
// dialog, with the store and cancel operations the owning dialog calls on the page it shows.
#pragma once

#include "CBaseDialog.h"

class CBaseSetup : public CBaseDialog {
public:
    // Pages have no caption pane of their own.
    explicit CBaseSetup(int dialogId, QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    // Stores the page's controls (the "Apply" button, a tab change). The base stores nothing.
    virtual void applyPage() {}
    // Stores and reports success ("Confirm"); false keeps the owning dialog open.
    virtual bool confirmPage() { return true; }
    // Puts back what the page changed since it was last filled ("Cancel"). Option pages keep
    // nothing to put back; edit pages restore the values they showed.
    virtual void cancelPage() {}
};
