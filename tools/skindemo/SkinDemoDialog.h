// The demonstration dialog: the main window's pane layout filled with the simple panes, a gallery
// of every item kind and every skinned control.
#pragma once

#include "CBaseDialog.h"

class CColorButton;
class CMenuEx;
class CVelComboBox;
class CXInfoTip;
class OutlookTabCtrlEx;

class SkinDemoDialog : public CBaseDialog {
public:
    SkinDemoDialog();
    ~SkinDemoDialog() override;

    // Opens one of the pop-up parts for a picture: "colour", "menu", "tip", "hover" or "combo".
    void OpenPart(const QString& part);

    void OnMenuButton() override;
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

private:
    void BuildSaveto(class CSavetoWnd* pane);
    void BuildGallery(class CBaseWnd* pane);
    void BuildTabs(class CBaseWnd* pane);

    CMenuEx* m_menu = nullptr;
    CVelComboBox* m_profile = nullptr;
    CColorButton* m_colour = nullptr;
    CXInfoTip* m_tip = nullptr;
    class CBaseWnd* m_gallery = nullptr;
};
