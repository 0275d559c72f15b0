// The main window and the profile setting dialog: running it, bringing the profile combos up to
// date with what it changed, and writing the custom profiles back when the window goes.
#include "CMovaraDlg.h"

#include "CProfileSettingDlg.h"
#include "CVelComboBox.h"
#include "CustomProfileStore.h"
#include "PlatformServices.h"
#include "ProfileCatalogue.h"
#include "ProfileComboPair.h"

void CMovaraDlg::OnProfileSetting() {
    if (!m_profileCombos || Busy())
        return;
    CProfileSettingDlg dialog(m_catalogue, m_currentProfile, this, Skin());
    const bool ok = dialog.exec() == IDOK;

    if (m_catalogue.count(kCustomCategory) > 0)
        m_profileCombos->AddCustomCategory();
    else
        m_profileCombos->RemoveCategory(kCustomCategory);

    const int category = m_profileCombos->SelectedCategory();
    if (category < 0 && !ok) {
        // The category shown was "Custom" and its last profile went.
        const ProfileRef fallback = m_catalogue.count(kRecentCategory) > 0
                                        ? m_catalogue.at(kRecentCategory, 0)
                                        : m_catalogue.defaultProfile();
        SelectProfileInCombos(fallback);
        GiveProfileToFocused(fallback);
        UpdateStatusText(2);
    } else if (category == kCustomCategory) {
        m_profileCombos->RefillProfiles(kCustomCategory);
        if (!ok) {
            const auto& listed = m_profileCombos->ListedProfiles();
            int found = -1;
            for (size_t i = 0; i < listed.size() && found < 0; ++i)
                if (listed[i] == m_currentProfile)
                    found = static_cast<int>(i);
            for (size_t i = 0; i < listed.size() && found < 0 && m_currentProfile; ++i)
                if (listed[i]->name == m_currentProfile->name)
                    found = static_cast<int>(i);
            if (found >= 0) {
                m_profileCombo->setCurrentIndex(found);
            } else if (!listed.empty()) {
                // The current profile was deleted: the first custom profile takes its place.
                m_profileCombo->setCurrentIndex(0);
                GiveProfileToFocused(listed.front());
                UpdateStatusText(2);
            }
        }
    }
    if (ok) {
        if (const ProfileRef shown = dialog.ShownProfile()) {
            SelectProfileInCombos(shown);
            TakeChosenProfile(shown);
        }
    }
}

void CMovaraDlg::TakeChosenProfile(const ProfileRef& profile) {
    m_catalogue.addRecent(*profile);
    if (m_catalogue.count(kRecentCategory) > 0)
        InsertRecentCategory();
    GiveProfileToFocused(profile);
    UpdateStatusText(2);
}

void CMovaraDlg::SaveCustomProfiles() {
    saveCustomProfiles(m_catalogue, customProfilePath(kCustomProfileFileName,
                                                      platformServices().writableFolder()));
}
