// The main window's save-to pane: the profile category and profile combos, the output path box,
// its buttons and check boxes.
#include "CMovaraDlg.h"
#include "StatusTexts.h"

#include "CommandIds.h"
#include "MovaraMenus.h"

#include "CFileListWnd.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CToolWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "OutputNaming.h"
#include "PlatformServices.h"
#include "ProfileCatalogue.h"
#include "ProfileComboPair.h"
#include "VelSettings.h"
#include "velcodecutil.h"

#include <filesystem>

namespace {

enum SavetoItem : int {
    kLabel = 0,
    kPreferences = 2,
    kSetting = 3,
    kBrowse = 4,
    kOpen = 5,
    kApplyAll = 6,
    kSameAsInput = 7,
    kOpenWhenFinished = 8,
};

// Rows below the pane's heading (which ends at y 24).
constexpr int kRowHeight = 21;
constexpr int kRowGap = 3;
constexpr int kFirstRowTop = 24 + kRowGap;
constexpr int kSide = 6;
constexpr int kLabelWidth = 86;
constexpr int kButtonWidth = 96;
constexpr int kOpenWidth = 68;
constexpr int kBrowseWidth = 24;
// What the controls leave free on the right for the buttons of their row.
constexpr int kControlRightMargin = kSide + kButtonWidth + kSide;

PaneItem label(const char* text) {
    PaneItem item;
    item.id = kLabel;
    item.caption = QString::fromUtf8(text);
    item.setSize(kLabelWidth, kRowHeight);
    item.placement = kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(kSide, 0, kRowGap, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem button(int id, int width, const char* text, const char* tip, int placement) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(text);
    item.tooltip = QString::fromUtf8(tip);
    item.setSize(width, kRowHeight);
    item.placement = placement | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(0, kSide, kRowGap, 0);
    item.behaviour = kItemFrame | kItemBackground;
    item.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    return item;
}

PaneItem hosted(QWidget* control, int rightMargin) {
    PaneItem item;
    item.hosted = control;
    item.setSize(0, kRowHeight);
    item.placement = kPlaceTopLeft | kPlaceFixedHeight;
    item.setMargins(4, rightMargin, kRowGap, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem checkBox(int id, const char* text, int placement, int marginLeft) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(text);
    item.setSize(0, kRowHeight);
    item.placement = placement | kPlaceNatural | kPlaceFixedHeight;
    item.setMargins(marginLeft, 0, kRowGap, 0);
    item.behaviour = kItemCheckBox;
    item.gap = 2;
    return item;
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

} // namespace

void CMovaraDlg::FillSavetoPane() {
    CSavetoWnd& pane = *m_savetoPane;
    m_categoryCombo = new CVelComboBox(&pane, kCtrlCategoryCombo);
    m_profileCombo = new CVelComboBox(&pane, kCtrlProfileCombo);
    m_outputPath = new CVelEdit(&pane, kCtrlOutputPath);
    m_profileCombos =
        std::make_unique<ProfileComboPair>(m_catalogue, m_categoryCombo, m_profileCombo);
    m_categoryCombo->setMaxVisibleItems(18);
    m_profileCombo->setMaxVisibleItems(20);
    // A person's choice only (the classic selection-change notification), not refills.
    QObject::connect(m_categoryCombo, &QComboBox::activated, this,
                     [this](int index) { OnCategorySelected(index); });
    QObject::connect(m_profileCombo, &QComboBox::activated, this,
                     [this](int index) { OnProfileSelected(index); });

    pane.AddItem(label("Profile Type:"));
    PaneItem apply = button(kApplyAll, kButtonWidth, "Apply to all",
                            "Apply the profile to all other items", kPlaceTopRight);
    apply.marginTop = kFirstRowTop;
    pane.AddItem(apply);
    pane.AddItem(hosted(m_categoryCombo, kControlRightMargin));

    pane.AddItem(label("Profile:"));
    pane.AddItem(
        button(kSetting, kButtonWidth, "Settting", "Profile settting", kPlaceTopRightLine));
    pane.AddItem(hosted(m_profileCombo, kControlRightMargin));

    pane.AddItem(label("Output Path:"));
    pane.AddItem(button(kOpen, kOpenWidth, "Open", "Open the output path", kPlaceTopRightLine));
    PaneItem browse = button(kBrowse, kBrowseWidth, "",
                             "Select output path of the destination file", kPlaceTopRight);
    browse.imageId = CVelSkin::kBtnBrowse;
    browse.marginRight = 4;
    pane.AddItem(browse);
    pane.AddItem(hosted(m_outputPath, kControlRightMargin));

    pane.AddItem(checkBox(kSameAsInput, "Output folder same as input", kPlaceTopLeftLine, kSide));
    pane.AddItem(
        checkBox(kOpenWhenFinished, "Open the folder when finish convert", kPlaceTopLeft, 16));
    pane.AddItem(
        button(kPreferences, kButtonWidth, "Preferences", "Preferences", kPlaceTopRightLine));

    EnableItem(&pane, kSetting, isCommandAvailable(kCmdProfileSetting));
    // The preferences dialog arrives with its own window.
    EnableItem(&pane, kPreferences, false);
    pane.ArrangeItems();
}

void CMovaraDlg::FillCategories() {
    m_profileCombos->FillCategories();
    m_currentProfile = nullptr;
    for (int category = 0; category < kCustomCategory && !m_currentProfile; ++category)
        m_currentProfile = m_catalogue.at(category, 0);
}

void CMovaraDlg::InsertRecentCategory() {
    m_profileCombos->InsertRecentCategory();
}

void CMovaraDlg::SelectProfileInCombos(const ProfileRef& profile) {
    if (m_profileCombos)
        m_profileCombos->Select(profile);
}

ProfileRef CMovaraDlg::SelectedProfile() const {
    return m_profileCombos ? m_profileCombos->SelectedProfile() : nullptr;
}

void CMovaraDlg::OnCategorySelected(int index) {
    if (index < 0)
        return;
    const int category = static_cast<int>(m_categoryCombo->ItemData(index));
    if (m_currentProfile && m_currentProfile->category == category &&
        m_profileCombos->ListedCategory() == category)
        return;
    m_profileCombos->RefillProfiles(category);
    const ProfileRef first = m_profileCombos->ProfileAt(0);
    if (!first)
        return;
    m_profileCombo->setCurrentIndex(0);
    GiveProfileToFocused(first);
    UpdateStatusText(2);
}

void CMovaraDlg::OnProfileSelected(int index) {
    if (const ProfileRef profile = m_profileCombos->ProfileAt(index))
        TakeChosenProfile(profile);
}

void CMovaraDlg::GiveProfileToFocused(const ProfileRef& profile) {
    m_currentProfile = profile;
    MediaItem* item = m_fileList ? m_fileList->MediaAt(m_fileList->FocusedIndex()) : nullptr;
    if (!item)
        return;
    item->profile = profile;
    m_convert.estimate(item);
    m_fileList->RepaintRows();
    ListChanged();
}

void CMovaraDlg::OnSavetoClick(int itemId, const PaneItem& item) {
    switch (itemId) {
    case kPreferences:
        OnCommand(kCmdPreferences);
        break;
    case kSetting:
        OnCommand(kCmdProfileSetting);
        break;
    case kBrowse:
        OnBrowseOutput();
        break;
    case kOpen:
        OnOpenOutputFolder();
        break;
    case kApplyAll:
        OnApplyToAll();
        break;
    case kSameAsInput:
        ApplySameAsInput(item.isChecked());
        break;
    case kOpenWhenFinished:
        m_settings.setOption(kOptionOpenOutputFolder, item.isChecked());
        break;
    default:
        break;
    }
}

void CMovaraDlg::OnBrowseOutput() {
    const std::string folder = platformServices().browseFolder(
        "Select output path of the destination file", m_outputPath->text().toStdString());
    if (!folder.empty())
        m_outputPath->setText(QString::fromStdString(folder));
}

void CMovaraDlg::OnOpenOutputFolder() {
    std::string folder = m_outputPath->text().toStdString();
    const bool sameAsInput = m_savetoPane->ItemState(kSameAsInput) & kStateChecked;
    const MediaItem* item = m_fileList->MediaAt(m_fileList->FocusedIndex());
    // Beside the source; a capture device has no folder and writes to the output path.
    if (sameAsInput && item && !IsDevicePath(item->sourcePath))
        folder = folderOfPath(item->sourcePath);
    if (!isFolder(folder)) {
        platformServices().messageBox("The output file path not exist", "Movara", MB_OK,
                                      MB_ICONERROR);
        return;
    }
    // The folder is there: only the desktop failed to show it.
    if (!platformServices().openDocument(folder))
        platformServices().messageBox(couldNotShowText(folder), "Movara", MB_OK, MB_ICONERROR);
}

void CMovaraDlg::OnApplyToAll() {
    const ProfileRef profile = SelectedProfile();
    if (!profile || m_fileList->Count() <= 1)
        return;
    if (platformServices().messageBox("Are you sure apply the profile to all file itmes? ",
                                      "Movara", MB_YESNO, MB_ICONQUESTION) != IDYES)
        return;
    for (auto& item : m_fileList->MediaItems()) {
        item->profile = profile;
        m_convert.estimate(item.get());
    }
    m_fileList->RepaintRows();
}

void CMovaraDlg::ApplySameAsInput(bool checked) {
    m_outputPath->setEnabled(!checked);
    EnableItem(m_savetoPane, kBrowse, !checked);
    m_settings.setOption(kOptionSameAsInput, checked);
}

void CMovaraDlg::ApplyFlagsToChecks() {
    auto setChecked = [](CBaseWnd* pane, int id, bool on) {
        pane->SetItemState(id, on ? 0 : kStateChecked, on ? kStateChecked : 0);
    };
    const bool sameAsInput = m_settings.option(kOptionSameAsInput);
    setChecked(m_savetoPane, kSameAsInput, sameAsInput);
    ApplySameAsInput(sameAsInput);
    setChecked(m_savetoPane, kOpenWhenFinished, m_settings.option(kOptionOpenOutputFolder));
    setChecked(m_toolBar, CToolWnd::kShutdown, m_settings.option(kOptionShutdown));
    // The switch's look; the engine is told with the volume (ApplyPreviewSettings).
    m_playControl->SetEffectShown(m_settings.option(kOptionEffectPicture));
}
