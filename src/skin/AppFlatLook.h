// Whether the application's windows draw flat: set with the look of the skin the application
// follows (see SkinAppLook.h). Controls that hold no skin of their own (combo box, menu, balloon
// tip, tab strip) ask here; panes and dialogs ask their skin.
#pragma once

bool appFlatLook();
void setAppFlatLook(bool flat);
