// The "General" page of the preferences: what happens when an output file exists, the rename
// dialog, and the two decoding options.
#pragma once

#include "CBaseSetup.h"

class CBaseWnd;
class CVelComboBox;
struct VelSettings;

class CGeneralOptionDlg : public CBaseSetup {
public:
    enum ItemId : int {
        kShowRenameDialog = 1,
        kEnableQuickTime = 2,
        kEnableDirectShow = 3,
        kModeLabel = 10,
        kModeComboItem = 11,
    };
    enum ModeEntry : int { kRename = 0, kSkip = 1, kOverwrite = 2 };
    static constexpr int kTemplateId = 137;
    static constexpr int kPaneId = 138;
    static constexpr int kModeComboId = 1020;

    explicit CGeneralOptionDlg(VelSettings& settings, QWidget* parent = nullptr,
                               CBaseSkin* skin = nullptr);

    void applyPage() override { Store(); }
    bool confirmPage() override {
        Store();
        return true;
    }

    CBaseWnd* Pane() const { return m_pane; }
    CVelComboBox* ModeCombo() const { return m_mode; }

private:
    void Fill();
    void Store();
    // "Show file rename dialog" is offered only while "Rename" is chosen; it keeps its tick.
    void UpdateRenameCheck();

    VelSettings& m_settings;
    CBaseWnd* m_pane = nullptr;
    CVelComboBox* m_mode = nullptr;
};
