// The two profile combo boxes that go together, in the main window and in the profile setting
// dialog: one lists the categories (item data: the category number), the other the profiles of
// the category shown (item data: the record). Keeps the records of the listed entries alive.
#pragma once

#include "Profile.h"

#include <vector>

class CVelComboBox;
class ProfileCatalogue;

class ProfileComboPair {
public:
    ProfileComboPair(ProfileCatalogue& catalogue, CVelComboBox* categories, CVelComboBox* profiles);

    // "Recent" first when the recent list is not empty, the categories 0..15 that hold profiles,
    // then "Custom" when custom profiles exist. The profile combo is left as it is.
    void FillCategories();
    // "Recent" at the top, "Custom" at the end; nothing when already listed.
    void InsertRecentCategory();
    void AddCustomCategory();
    // Deletes the category's entry. When it was the selected one, nothing is selected after.
    void RemoveCategory(int category);
    // The entry showing the category, or -1.
    int CategoryIndex(int category) const;
    // The selected entry's category, or -1.
    int SelectedCategory() const;

    // Lists the category's profiles in catalogue order; nothing is selected.
    void RefillProfiles(int category);
    // Shows the record's category (refilling the profiles when it changes) and selects the
    // record, by identity, else by exact name. False when the category or record is not listed.
    bool Select(const ProfileRef& profile);
    // The listed record at `index`, or the selected one; null when there is none.
    ProfileRef ProfileAt(int index) const;
    ProfileRef SelectedProfile() const;
    int ListedCategory() const { return m_listedCategory; }
    const std::vector<ProfileRef>& ListedProfiles() const { return m_listed; }

    // Entry edits that leave the other entries and the selection's place alone.
    void AppendProfile(const ProfileRef& profile);
    void RenameProfile(int index, const std::string& name);
    void RemoveProfile(int index);

    CVelComboBox* CategoryCombo() const { return m_categories; }
    CVelComboBox* ProfileCombo() const { return m_profiles; }

private:
    void AddCategoryEntry(int at, int category);

    ProfileCatalogue& m_catalogue;
    CVelComboBox* m_categories;
    CVelComboBox* m_profiles;
    std::vector<ProfileRef> m_listed;
    int m_listedCategory = -1;
};
