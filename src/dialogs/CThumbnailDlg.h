// The "Snapshot" page of the preferences: image format and size, the open-after-snapshot option
// and the snapshot folder. Nothing is stored while "Save to" names no existing folder.
#pragma once

#include "CBaseSetup.h"

#include <array>

class CBaseWnd;
class CRangeSpinBox;
class CVelComboBox;
class CVelEdit;
struct VelSettings;

class CThumbnailDlg : public CBaseSetup {
public:
    enum ItemId : int {
        kOpenAfterSnapshot = 1,
        kBrowse = 2,
        kHeading = 10,
        kFormatLabel,
        kFormatItem,
        kSizeLabel,
        kSizeItem,
        kWidthLabel,
        kWidthItem,
        kHeightLabel,
        kHeightItem,
        kSaveToLabel,
        kSaveToItem,
    };
    enum SizeEntry : int { kOriginalSize = 0, kCustomSize = 1 };
    static constexpr int kTemplateId = 139;
    static constexpr int kPaneId = 140;
    static constexpr int kMaxSide = 2000;
    // The snapshot formats, in the order the combo box lists them.
    static constexpr std::array<const char*, 2> kFormats{"BMP", "JPEG"};

    explicit CThumbnailDlg(VelSettings& settings, QWidget* parent = nullptr,
                           CBaseSkin* skin = nullptr);

    void applyPage() override { Store(); }
    bool confirmPage() override { return Store(); }

    CBaseWnd* Pane() const { return m_pane; }
    CVelComboBox* FormatCombo() const { return m_format; }
    CVelComboBox* SizeCombo() const { return m_size; }
    CRangeSpinBox* WidthSpin() const { return m_width; }
    CRangeSpinBox* HeightSpin() const { return m_height; }
    CVelEdit* SaveToEdit() const { return m_saveTo; }

    void OnPaneClick(const PaneNotify& notify) override;

private:
    void Fill();
    // False, with the message shown and the focus on the folder box, when the folder is missing.
    bool Store();
    void UpdateSizeControls();
    void OnBrowse();

    VelSettings& m_settings;
    CBaseWnd* m_pane = nullptr;
    CVelComboBox* m_format = nullptr;
    CVelComboBox* m_size = nullptr;
    CRangeSpinBox* m_width = nullptr;
    CRangeSpinBox* m_height = nullptr;
    CVelEdit* m_saveTo = nullptr;
};
