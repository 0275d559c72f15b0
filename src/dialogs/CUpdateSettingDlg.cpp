#include "CUpdateSettingDlg.h"

#include "CRangeSpinBox.h"
#include "OptionPageItems.h"

#include "CBaseWnd.h"
#include "VelSettings.h"

using namespace option_page;

CUpdateSettingDlg::CUpdateSettingDlg(VelSettings& settings, QWidget* parent, CBaseSkin* skin)
    : CBaseSetup(kTemplateId, parent, skin), m_settings(settings) {
    m_pane = makePagePane(*this, "Update Setting", kPaneId);
    m_days = new CRangeSpinBox(kDaysSpinId, kMinDays, kMaxDays, m_pane);
    m_days->setObjectName(QString::number(kDaysEditId));
    m_pane->AddItem(checkBox(kAutoCheck, "Enable automatic update check", "", 20));
    m_pane->AddItem(
        label(kDaysLabel, "Number of days between update checks (At least 1 day): ", 14));
    m_pane->AddItem(hosted(kDaysItem, m_days, 60, 14));

    m_days->setValue(settings.updateInterval);
    setChecked(m_pane, kAutoCheck, settings.option(kOptionAutoUpdate));
}

void CUpdateSettingDlg::Store() {
    m_settings.setOption(kOptionAutoUpdate, checked(m_pane, kAutoCheck));
    m_settings.updateInterval = m_days->value();
}
