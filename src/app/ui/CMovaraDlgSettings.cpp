// What a person sets is kept even when the program is killed: the settings file is written
// again (atomically, as at the end) shortly after each change, as the session file is.
#include "CMovaraDlg.h"

#include "CVelComboBox.h"
#include "CVelEdit.h"

void CMovaraDlg::WatchSettings() {
    m_settingsTimer.setSingleShot(true);
    m_settingsTimer.setInterval(kSettingsSaveDelayMs);
    connect(&m_settingsTimer, &QTimer::timeout, this, [this] {
        if (!m_destroyed)
            SaveSettings();
    });
    connect(m_outputPath, &QLineEdit::textChanged, this, [this] { ScheduleSettingsSave(); });
    for (CVelComboBox* combo : {m_categoryCombo, m_profileCombo})
        connect(combo, &QComboBox::activated, this, [this] { ScheduleSettingsSave(); });
}

void CMovaraDlg::ScheduleSettingsSave() {
    if (m_initialised && !m_destroyed)
        m_settingsTimer.start();
}
