#include "CThumbnailDlg.h"

#include "CRangeSpinBox.h"
#include "OptionPageItems.h"

#include "CBaseWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "PlatformServices.h"
#include "VelSettings.h"

#include <filesystem>

using namespace option_page;

namespace {

constexpr int kLabelWidth = 100;
constexpr int kComboWidth = 150;
constexpr int kBrowseWidth = 24;
constexpr int kPathWidth = 270;

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

} // namespace

CThumbnailDlg::CThumbnailDlg(VelSettings& settings, QWidget* parent, CBaseSkin* skin)
    : CBaseSetup(kTemplateId, parent, skin), m_settings(settings) {
    m_pane = makePagePane(*this, "Thumbnail", kPaneId);
    m_format = new CVelComboBox(m_pane);
    m_size = new CVelComboBox(m_pane);
    for (const char* format : kFormats)
        m_format->addItem(QString::fromUtf8(format));
    m_size->addItems({QStringLiteral("Original"), QStringLiteral("Custom")});
    m_width = new CRangeSpinBox(0, 0, kMaxSide, m_pane);
    m_height = new CRangeSpinBox(0, 0, kMaxSide, m_pane);
    m_saveTo = new CVelEdit(m_pane);
    QObject::connect(m_size, &QComboBox::currentIndexChanged, this,
                     [this](int) { UpdateSizeControls(); });

    PaneItem heading = label(kHeading, "Thumbnail", 12);
    heading.font.setBold(true);
    m_pane->AddItem(heading);
    m_pane->AddItem(label(kFormatLabel, "Image Format : ", 10, kLabelWidth));
    m_pane->AddItem(hosted(kFormatItem, m_format, kComboWidth, 10));
    m_pane->AddItem(label(kSizeLabel, "Image Size       : ", 8, kLabelWidth));
    m_pane->AddItem(hosted(kSizeItem, m_size, kComboWidth, 8));
    m_pane->AddItem(label(kWidthLabel, "Width:", 8, kLabelWidth));
    m_pane->AddItem(hosted(kWidthItem, m_width, 70, 8));
    PaneItem heightLabel = label(kHeightLabel, "Height:", 8);
    heightLabel.placement = kPlaceTopLeft | kPlaceNatural | kPlaceFixedHeight;
    heightLabel.marginLeft = 16;
    m_pane->AddItem(heightLabel);
    m_pane->AddItem(hosted(kHeightItem, m_height, 70, 8));
    m_pane->AddItem(checkBox(kOpenAfterSnapshot, "Open the path after snapshot", "", 10));
    m_pane->AddItem(label(kSaveToLabel, "Save to : ", 10, kLabelWidth));
    m_pane->AddItem(hosted(kSaveToItem, m_saveTo, kPathWidth, 10, 0));
    PaneItem browse;
    browse.id = kBrowse;
    browse.imageId = CVelSkin::kBtnBrowse;
    browse.tooltip = QStringLiteral("Select the save path of snapshot");
    browse.setSize(kBrowseWidth, kRowHeight);
    browse.placement = kPlaceTopLeft | kPlaceFixedWidth | kPlaceFixedHeight;
    browse.setMargins(4, kSide, 10, 0);
    browse.behaviour = kItemFrame | kItemBackground;
    browse.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    m_pane->AddItem(browse);
    Fill();
}

void CThumbnailDlg::Fill() {
    int format = static_cast<int>(kFormats.size()) - 1; // "JPEG" unless the setting names one
    for (size_t i = 0; i < kFormats.size(); ++i)
        if (QString::fromStdString(m_settings.snapshotFormat)
                .compare(QString::fromUtf8(kFormats[i]), Qt::CaseInsensitive) == 0)
            format = static_cast<int>(i);
    m_format->setCurrentIndex(format);
    m_size->setCurrentIndex(m_settings.option(kOptionSnapshotCustomSize) ? kCustomSize
                                                                         : kOriginalSize);
    m_width->setValue(m_settings.snapshotWidth);
    m_height->setValue(m_settings.snapshotHeight);
    setChecked(m_pane, kOpenAfterSnapshot, m_settings.option(kOptionOpenSnapshotFolder));
    m_saveTo->setText(QString::fromStdString(m_settings.snapshotFolder));
    UpdateSizeControls();
}

void CThumbnailDlg::UpdateSizeControls() {
    const bool custom = m_size->currentIndex() == kCustomSize;
    m_width->setEnabled(custom);
    m_height->setEnabled(custom);
}

bool CThumbnailDlg::Store() {
    const std::string folder = m_saveTo->text().toStdString();
    if (!isFolder(folder)) {
        platformServices().messageBox("The select path not exist, please reselect", "Preferences",
                                      MB_OK, MB_ICONINFORMATION);
        m_saveTo->setFocus();
        return false;
    }
    m_settings.snapshotFolder = folder;
    m_settings.snapshotFormat = m_format->currentText().toStdString();
    m_settings.setOption(kOptionOpenSnapshotFolder, checked(m_pane, kOpenAfterSnapshot));
    m_settings.setOption(kOptionSnapshotCustomSize, m_size->currentIndex() == kCustomSize);
    m_settings.snapshotWidth = m_width->value();
    m_settings.snapshotHeight = m_height->value();
    return true;
}

void CThumbnailDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId == kPaneId && notify.item && notify.item->id == kBrowse)
        OnBrowse();
    else
        CBaseSetup::OnPaneClick(notify);
}

void CThumbnailDlg::OnBrowse() {
    const std::string chosen = platformServices().browseFolder("Please select a folder : ",
                                                               m_saveTo->text().toStdString());
    if (!chosen.empty())
        m_saveTo->setText(QString::fromStdString(chosen));
}
