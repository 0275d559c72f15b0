// The "Update Setting" page of the preferences: the automatic update check and its interval.
#pragma once

#include "CBaseSetup.h"

class CBaseWnd;
class CRangeSpinBox;
struct VelSettings;

class CUpdateSettingDlg : public CBaseSetup {
public:
    enum ItemId : int { kAutoCheck = 1, kDaysLabel = 10, kDaysItem = 11 };
    static constexpr int kTemplateId = 141;
    static constexpr int kPaneId = 142;
    static constexpr int kDaysEditId = 1022;
    static constexpr int kDaysSpinId = 1024;
    static constexpr int kMinDays = 1;
    static constexpr int kMaxDays = 30;

    explicit CUpdateSettingDlg(VelSettings& settings, QWidget* parent = nullptr,
                               CBaseSkin* skin = nullptr);

    void applyPage() override { Store(); }
    bool confirmPage() override {
        Store();
        return true;
    }

    CBaseWnd* Pane() const { return m_pane; }
    CRangeSpinBox* DaysSpin() const { return m_days; }

private:
    void Store();

    VelSettings& m_settings;
    CBaseWnd* m_pane = nullptr;
    CRangeSpinBox* m_days = nullptr;
};
