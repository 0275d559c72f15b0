#include "CProfileSettingDlg.h"

#include "CProfileSaveasDlg.h"
#include "ProfileComboPair.h"
#include "ProfileDialogPaint.h"
#include "SkinPaint.h"

#include "CBaseWnd.h"
#include "CCaptionWnd.h"
#include "CMenuEx.h"
#include "CVelComboBox.h"
#include "CVelSkin.h"
#include "PlatformServices.h"
#include "ProfileCatalogue.h"

#include <QSpinBox>

namespace {

constexpr const char* kCaption = "Profile Setting";
constexpr int kSide = 12;
constexpr int kRowHeight = 22;
constexpr int kRowGap = 5;
constexpr int kLabelWidth = 104;
constexpr int kSpinWidth = 90;
constexpr int kButtonWidth = 84;
constexpr int kArrowWidth = 18;
constexpr int kProfilePaneHeight = 2 * (kRowHeight + kRowGap) + 8;
constexpr int kButtonPaneHeight = 46;
constexpr const char* kControlIdProperty = "controlId";
// The skin's colour of control frames.
constexpr int kFrameColorId = 117;

PaneItem label(const char* text, int width = kLabelWidth) {
    PaneItem item;
    item.id = CProfileSettingDlg::kLabel;
    item.caption = QString::fromUtf8(text);
    item.setSize(width, kRowHeight);
    item.placement = kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(kSide, 0, kRowGap, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem hosted(QWidget* control, int width, int rightMargin = kSide) {
    PaneItem item;
    item.hosted = control;
    item.setSize(width, kRowHeight);
    item.placement = kPlaceTopLeft | kPlaceFixedHeight | (width > 0 ? kPlaceFixedWidth : 0);
    item.setMargins(4, rightMargin, kRowGap, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem button(int id, const char* text, const char* tip, int width, int placement,
                int marginRight, int marginTop, int marginBottom) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(text);
    item.tooltip = QString::fromUtf8(tip);
    item.setSize(width, kRowHeight + 2);
    item.placement = placement | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(0, marginRight, marginTop, marginBottom);
    item.behaviour = kItemFrame | kItemBackground;
    item.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    return item;
}

PaneItem checkBox(int id, const char* text) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(text);
    item.setSize(0, kRowHeight);
    item.placement = kPlaceTopLeftLine | kPlaceNatural | kPlaceFixedHeight;
    item.setMargins(kSide, 0, 8, 2);
    item.behaviour = kItemCheckBox;
    item.gap = 4;
    return item;
}

CBaseWnd* makePane(CProfileSettingDlg& dialog, const char* name, int id, int32_t anchors, int width,
                   int height) {
    auto* pane = new CBaseWnd(dialog.Skin());
    pane->Create(QString::fromUtf8(name), 0, &dialog, id);
    PanePlacement record = PanePlacement::make(pane, id, anchors, width, height);
    record.inset = 1;
    dialog.AddPane(record);
    return pane;
}

} // namespace

CProfileSettingDlg::CProfileSettingDlg(ProfileCatalogue& catalogue, ProfileRef profile,
                                       QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin), m_catalogue(catalogue),
      m_shown(profile ? std::move(profile) : catalogue.defaultProfile()),
      m_runSaveas([](CProfileSaveasDlg& dialog) { return dialog.exec(); }) {
    SetTitle(QString::fromUtf8(kCaption));
    setWindowTitle(QString::fromUtf8(kCaption));
    setModal(true);
    setFixedSize(kWidth, kHeight);
    if (PanePlacement* caption = FindPane(Caption()))
        caption->inset = 1;

    BuildProfilePane();
    BuildButtonPane();
    BuildVideoPane();
    BuildAudioPane();
    Relayout();

    m_combos->FillCategories();
    ShowProfile(m_shown);

    m_saveasMenu = std::make_unique<CMenuEx>(this);
    m_saveasMenu->AppendItem(kCmdSaveAs, QStringLiteral("Save as..."));
    m_saveasMenu->AppendItem(kCmdRename, QStringLiteral("Rename..."));
    m_saveasMenu->AppendItem(kCmdDelete, QStringLiteral("Delete"));
    UpdateSaveasMenu();
}

CProfileSettingDlg::~CProfileSettingDlg() = default;

void CProfileSettingDlg::BuildProfilePane() {
    m_profilePane =
        makePane(*this, "Profile", kProfilePaneId, kAnchorTop | kAnchorLeft, 0, kProfilePaneHeight);
    auto* categories = new CVelComboBox(m_profilePane, kCategoryCombo);
    auto* profiles = new CVelComboBox(m_profilePane, kProfileCombo);
    categories->setMaxVisibleItems(18);
    profiles->setMaxVisibleItems(20);
    m_combos = std::make_unique<ProfileComboPair>(m_catalogue, categories, profiles);
    QObject::connect(categories, &QComboBox::activated, this,
                     [this](int index) { OnCategoryChosen(index); });
    QObject::connect(profiles, &QComboBox::activated, this,
                     [this](int index) { OnProfileChosen(index); });

    m_profilePane->AddItem(label("Profile Type:"));
    m_profilePane->AddItem(hosted(categories, 200));
    // Right to left on the first line: the arrow at the edge, the button before it.
    PaneItem arrow = button(kSaveAsArrow, "", "Save, rename or delete a custom profile",
                            kArrowWidth, kPlaceTopRight, kSide, kRowGap - 1, 0);
    arrow.imageId = CVelSkin::kDownMenu;
    m_profilePane->AddItem(arrow);
    m_profilePane->AddItem(button(kSaveAs, "Save as Profile", "Save as custom profile", 120,
                                  kPlaceTopRight, 0, kRowGap - 1, 0));
    m_profilePane->AddItem(label("Profile:"));
    m_profilePane->AddItem(hosted(profiles, 0));
}

void CProfileSettingDlg::BuildButtonPane() {
    m_buttonPane =
        makePane(*this, "Button", kButtonPaneId, kAnchorBottom | kAnchorLeft, 0, kButtonPaneHeight);
    m_buttonPane->AddItem(
        button(kCancel, "Cancel", "", kButtonWidth, kPlaceBottomRight, kSide, 0, 10));
    m_buttonPane->AddItem(button(kOk, "OK", "", kButtonWidth, kPlaceBottomRight, 8, 0, 10));
    SetKeyButtons(m_buttonPane, kOk, kCancel);
}

void CProfileSettingDlg::BuildVideoPane() {
    m_videoPane = makePane(*this, "Video", kVideoPaneId, kAnchorTop | kAnchorLeft, kWidth / 2, 0);
    m_videoPane->AddItem(checkBox(kEnableVideo, "Enable Video"));
    AddComboRow(m_videoPane, "Video Codec", kVideoCodecCombo);
    AddComboRow(m_videoPane, "Bitrate", kVideoBitrateCombo);
    AddComboRow(m_videoPane, "Frame Rate", kFrameRateCombo);
    CVelComboBox* sizes = AddComboRow(m_videoPane, "Frame Size", kFrameSizeCombo);
    QObject::connect(sizes, &QComboBox::activated, this,
                     [this](int index) { OnFrameSizeChosen(index); });
    for (QSpinBox* dimension :
         {AddSpinRow(m_videoPane, "Width", kWidthEdit, kMaxFrameDimension, 0),
          AddSpinRow(m_videoPane, "Height", kHeightEdit, kMaxFrameDimension, 0)})
        QObject::connect(dimension, &QSpinBox::valueChanged, this,
                         [this](int) { OnDimensionEdited(); });
    AddComboRow(m_videoPane, "Aspect ratio", kAspectRatioCombo);
    AddSpinRow(m_videoPane, "Quality(0-100)", kVideoQualityEdit, 100, 60);
}

void CProfileSettingDlg::BuildAudioPane() {
    m_audioPane = makePane(*this, "Audio", kAudioPaneId, kAnchorTop | kAnchorLeft, 0, 0);
    m_audioPane->AddItem(checkBox(kEnableAudio, "Enable Audio"));
    AddComboRow(m_audioPane, "Audio Codec", kAudioCodecCombo);
    AddComboRow(m_audioPane, "Bitrate", kAudioBitrateCombo);
    AddComboRow(m_audioPane, "Sample Rate", kSampleRateCombo);
    AddComboRow(m_audioPane, "Channels", kChannelCombo);
    AddSpinRow(m_audioPane, "Quality(0-100)", kAudioQualityEdit, 100, 60);
}

CVelComboBox* CProfileSettingDlg::AddComboRow(CBaseWnd* pane, const char* text, int controlId) {
    auto* combo = new CVelComboBox(pane, controlId);
    combo->setMaxVisibleItems(20);
    pane->AddItem(label(text));
    pane->AddItem(hosted(combo, 0));
    return combo;
}

QSpinBox* CProfileSettingDlg::AddSpinRow(CBaseWnd* pane, const char* text, int controlId,
                                         int maximum, int value) {
    auto* spin = new QSpinBox(pane);
    spin->setProperty(kControlIdProperty, controlId);
    spin->setRange(0, maximum);
    spin->setValue(value);
    pane->AddItem(label(text));
    pane->AddItem(hosted(spin, kSpinWidth));
    return spin;
}

CVelComboBox* CProfileSettingDlg::Combo(int controlId) const {
    for (CVelComboBox* combo : findChildren<CVelComboBox*>())
        if (combo->ControlId() == controlId)
            return combo;
    return nullptr;
}

QSpinBox* CProfileSettingDlg::Spin(int controlId) const {
    for (QSpinBox* spin : findChildren<QSpinBox*>()) {
        const int id = spin->property(kControlIdProperty).toInt();
        if (id == controlId || id + 1 == controlId)
            return spin;
    }
    return nullptr;
}

CBaseWnd* CProfileSettingDlg::Pane(int paneId) const {
    for (CBaseWnd* pane : {m_profilePane, m_buttonPane, m_videoPane, m_audioPane})
        if (pane && pane->PaneId() == paneId)
            return pane;
    return nullptr;
}

bool CProfileSettingDlg::VideoTicked() const {
    return m_videoPane->ItemState(kEnableVideo) & kStateChecked;
}

bool CProfileSettingDlg::AudioTicked() const {
    return m_audioPane->ItemState(kEnableAudio) & kStateChecked;
}

void CProfileSettingDlg::ShowProfile(const ProfileRef& profile) {
    m_shown = profile;
    m_combos->Select(profile);
    if (profile)
        LoadProfile(*profile);
    UpdateSaveasMenu();
}

void CProfileSettingDlg::OnOk() {
    const int result = ApplyControls();
    if (result == kNoStream) {
        platformServices().messageBox("The profile must include video or audio stream!", kCaption,
                                      MB_OK, MB_ICONSTOP);
        return;
    }
    if (result == kBadFrameSize) {
        platformServices().messageBox("The frame size is incorrect!", kCaption, MB_OK, MB_ICONSTOP);
        return;
    }
    done(IDOK);
}

void CProfileSettingDlg::OnCategoryChosen(int index) {
    if (index < 0)
        return;
    const int category = static_cast<int>(m_combos->CategoryCombo()->ItemData(index));
    if (m_shown && m_shown->category == category && m_combos->ListedCategory() == category)
        return;
    // A new category drops what was edited in the controls.
    m_combos->RefillProfiles(category);
    ShowProfile(m_combos->ProfileAt(0));
}

void CProfileSettingDlg::OnProfileChosen(int index) {
    const ProfileRef chosen = m_combos->ProfileAt(index);
    if (!chosen || chosen == m_shown)
        return;
    // What was edited goes into the profile shown so far; a refusal keeps it as it was.
    if (m_shown)
        ApplyControls();
    ShowProfile(chosen);
}

void CProfileSettingDlg::RunSaveas(int mode) {
    if (!m_shown)
        return;
    CProfileSaveasDlg dialog(m_catalogue, m_shown, mode, this, Skin());
    if (m_runSaveas(dialog) != IDOK)
        return;
    if (mode == CProfileSaveasDlg::kRename) {
        const int index = m_combos->ProfileCombo()->currentIndex();
        m_combos->RenameProfile(index, m_shown->name);
        m_combos->ProfileCombo()->setCurrentIndex(index);
        return;
    }
    const ProfileRef created = dialog.Created();
    if (!created)
        return;
    m_combos->AddCustomCategory();
    if (m_combos->SelectedCategory() == kCustomCategory)
        m_combos->AppendProfile(created);
    // The controls stay as they are: what was edited goes into the new profile on OK.
    m_shown = created;
    m_combos->Select(created);
    UpdateSaveasMenu();
}

void CProfileSettingDlg::DeleteSelected() {
    if (platformServices().messageBox("Are you sure to delete the profile!", kCaption, MB_YESNO,
                                      MB_ICONQUESTION) != IDYES)
        return;
    const int index = m_combos->ProfileCombo()->currentIndex();
    const ProfileRef selected = m_combos->ProfileAt(index);
    if (!selected)
        return;
    m_catalogue.remove(selected);
    m_shown = nullptr;
    m_combos->RemoveProfile(index);
    if (!m_combos->ListedProfiles().empty()) {
        m_combos->ProfileCombo()->setCurrentIndex(0);
        OnProfileChosen(0);
        return;
    }
    m_combos->RemoveCategory(m_combos->ListedCategory());
    if (m_combos->CategoryCombo()->count() == 0)
        return;
    m_combos->CategoryCombo()->setCurrentIndex(0);
    OnCategoryChosen(0);
}

void CProfileSettingDlg::OnCommand(int command) {
    const bool custom = m_shown && m_shown->category == kCustomCategory;
    switch (command) {
    case kCmdSaveAs:
        RunSaveas(CProfileSaveasDlg::kSaveAs);
        break;
    case kCmdRename:
        if (custom)
            RunSaveas(CProfileSaveasDlg::kRename);
        break;
    case kCmdDelete:
        if (custom)
            DeleteSelected();
        break;
    default:
        break;
    }
}

void CProfileSettingDlg::UpdateSaveasMenu() {
    if (!m_saveasMenu)
        return;
    const bool custom = m_shown && m_shown->category == kCustomCategory;
    m_saveasMenu->EnableCommand(kCmdRename, custom);
    m_saveasMenu->EnableCommand(kCmdDelete, custom);
}

void CProfileSettingDlg::ShowSaveasMenu() {
    const PaneItem* saveAs = m_profilePane->FindItem(kSaveAs);
    if (!saveAs)
        return;
    UpdateSaveasMenu();
    const QPoint below = m_profilePane->mapToGlobal(QPoint(saveAs->left, saveAs->bottom));
    if (const int command = m_saveasMenu->TrackPopup(below))
        OnCommand(command);
}

void CProfileSettingDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId == kCaptionId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    switch (notify.item->id) {
    case kSaveAs:
        RunSaveas(CProfileSaveasDlg::kSaveAs);
        break;
    case kSaveAsArrow:
        ShowSaveasMenu();
        break;
    case kOk:
        OnOk();
        break;
    case kCancel:
        done(IDCANCEL);
        break;
    default:
        break;
    }
}

void CProfileSettingDlg::OnCloseButton() {
    done(IDCANCEL);
}

bool CProfileSettingDlg::PaintBackground(QPainter& painter, int fillType) {
    // The one-pixel gaps around the panes show the frame colour: lines between the panes.
    painter.fillRect(rect(), argbColor(DialogColor(kFrameColorId)));
    return true;
}
