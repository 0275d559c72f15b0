// The "Preferences" dialog: a tab strip over three pages ("General", "Snapshot", "Update
// Setting"), each created when first shown, and the buttons "Cancel", "Confirm" and "Apply".
// Pages write straight into the settings record; "Cancel" undoes nothing already applied.
#pragma once

#include "CBaseDialog.h"

#include <array>

class CBaseSetup;
class CBaseWnd;
class OutlookTabCtrlEx;
struct VelSettings;

class COptionDlg : public CBaseDialog {
public:
    enum ButtonId : int { kCancel = 1, kConfirm = 2, kApply = 3 };
    enum Tab : int { kTabGeneral = 0, kTabSnapshot = 1, kTabUpdate = 2, kTabCount = 3 };
    static constexpr int kTemplateId = 135;
    static constexpr int kButtonPaneId = 143;
    static constexpr int kTabCtrlId = 1021;
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 380;
    static constexpr int kTabHeight = 30;
    static constexpr int kButtonPaneHeight = 50;

    // Without `offerUpdates` (a build without the version check) there is no "Update Setting"
    // tab.
    explicit COptionDlg(VelSettings& settings, QWidget* parent = nullptr, CBaseSkin* skin = nullptr,
                        bool offerUpdates = true);

    // The page of a tab, or null while it was never shown.
    CBaseSetup* Page(int tab) const;
    CBaseSetup* ShownPage() const { return m_shown; }
    int ShownTab() const;
    OutlookTabCtrlEx* TabCtrl() const { return m_tabs; }
    CBaseWnd* ButtonPane() const { return m_buttons; }

    // Message 2046: the tab strip's new selection.
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    void OnPaneClick(const PaneNotify& notify) override;
    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;

private:
    void ChangeTab(int index);
    CBaseSetup* CreatePage(int tab);
    QRect PageRect() const;

    VelSettings& m_settings;
    OutlookTabCtrlEx* m_tabs = nullptr;
    CBaseWnd* m_buttons = nullptr;
    std::array<CBaseSetup*, kTabCount> m_pages{};
    CBaseSetup* m_shown = nullptr;
};
