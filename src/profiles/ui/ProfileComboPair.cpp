#include "ProfileComboPair.h"

#include "CVelComboBox.h"
#include "ProfileCatalogue.h"

ProfileComboPair::ProfileComboPair(ProfileCatalogue& catalogue, CVelComboBox* categories,
                                   CVelComboBox* profiles)
    : m_catalogue(catalogue), m_categories(categories), m_profiles(profiles) {}

void ProfileComboPair::AddCategoryEntry(int at, int category) {
    m_categories->insertItem(at, QString::fromUtf8(ProfileCatalogue::category(category).name));
    m_categories->SetItemData(at, category);
}

void ProfileComboPair::FillCategories() {
    m_categories->clear();
    for (int category = 0; category < kCustomCategory; ++category)
        if (m_catalogue.count(category) > 0)
            AddCategoryEntry(m_categories->count(), category);
    if (m_catalogue.count(kCustomCategory) > 0)
        AddCustomCategory();
    if (m_catalogue.count(kRecentCategory) > 0)
        InsertRecentCategory();
}

void ProfileComboPair::InsertRecentCategory() {
    if (CategoryIndex(kRecentCategory) < 0)
        AddCategoryEntry(0, kRecentCategory);
}

void ProfileComboPair::AddCustomCategory() {
    if (CategoryIndex(kCustomCategory) < 0)
        AddCategoryEntry(m_categories->count(), kCustomCategory);
}

void ProfileComboPair::RemoveCategory(int category) {
    const int index = CategoryIndex(category);
    if (index < 0)
        return;
    const bool wasSelected = index == m_categories->currentIndex();
    m_categories->removeItem(index);
    // The combo would move the selection to a neighbour; the entry chosen is gone instead.
    if (wasSelected)
        m_categories->setCurrentIndex(-1);
}

int ProfileComboPair::CategoryIndex(int category) const {
    for (int i = 0; i < m_categories->count(); ++i)
        if (m_categories->ItemData(i) == category)
            return i;
    return -1;
}

int ProfileComboPair::SelectedCategory() const {
    const int index = m_categories->currentIndex();
    return index < 0 ? -1 : static_cast<int>(m_categories->ItemData(index));
}

void ProfileComboPair::RefillProfiles(int category) {
    m_profiles->clear();
    m_listed = m_catalogue.list(category);
    for (size_t i = 0; i < m_listed.size(); ++i) {
        m_profiles->addItem(QString::fromStdString(m_listed[i]->name));
        m_profiles->SetItemData(static_cast<int>(i), reinterpret_cast<intptr_t>(m_listed[i].get()));
    }
    m_profiles->setCurrentIndex(-1);
    m_listedCategory = category;
}

bool ProfileComboPair::Select(const ProfileRef& profile) {
    if (!profile)
        return false;
    const int categoryIndex = CategoryIndex(profile->category);
    if (categoryIndex < 0)
        return false;
    if (m_categories->currentIndex() != categoryIndex || m_listedCategory != profile->category) {
        m_categories->setCurrentIndex(categoryIndex);
        RefillProfiles(profile->category);
    }
    int found = -1;
    for (size_t i = 0; i < m_listed.size() && found < 0; ++i)
        if (m_listed[i].get() == profile.get())
            found = static_cast<int>(i);
    for (size_t i = 0; i < m_listed.size() && found < 0; ++i)
        if (m_listed[i]->name == profile->name)
            found = static_cast<int>(i);
    if (found < 0)
        return false;
    m_profiles->setCurrentIndex(found);
    return true;
}

ProfileRef ProfileComboPair::ProfileAt(int index) const {
    if (index < 0 || index >= static_cast<int>(m_listed.size()))
        return nullptr;
    return m_listed[index];
}

ProfileRef ProfileComboPair::SelectedProfile() const {
    return ProfileAt(m_profiles ? m_profiles->currentIndex() : -1);
}

void ProfileComboPair::AppendProfile(const ProfileRef& profile) {
    if (!profile)
        return;
    m_listed.push_back(profile);
    m_profiles->addItem(QString::fromStdString(profile->name));
    m_profiles->SetItemData(m_profiles->count() - 1, reinterpret_cast<intptr_t>(profile.get()));
}

void ProfileComboPair::RenameProfile(int index, const std::string& name) {
    if (index >= 0 && index < m_profiles->count())
        m_profiles->setItemText(index, QString::fromStdString(name));
}

void ProfileComboPair::RemoveProfile(int index) {
    if (index < 0 || index >= static_cast<int>(m_listed.size()))
        return;
    const bool wasSelected = index == m_profiles->currentIndex();
    m_listed.erase(m_listed.begin() + index);
    m_profiles->removeItem(index);
    if (wasSelected)
        m_profiles->setCurrentIndex(-1);
}
