// The "Effects" page: brightness, contrast and saturation spins (-100 to 100), the two flip
// boxes, "Reset" and "Apply to all". Every change (a step, a number typed, a flip) goes into the
// item at once and is announced to the main window with 4809, so an open preview shows it live;
// "Cancel" puts back the values the item had when it was shown.
#pragma once

#include "CVideoEditPage.h"

#include <array>

class CSpinCtrl;
class CVelEdit;

class CVideoEffectDlg : public CVideoEditPage {
public:
    static constexpr int kTemplateId = 152;
    static constexpr int kPaneId = 152;
    // Panel elements.
    enum Element : int {
        kReset = 1,
        kApplyToAll = 2,
        kHorizontalFlip = 3,
        kVerticalFlip = 4,
    };
    enum Value : int { kBrightness = 0, kContrast = 1, kSaturation = 2 };

    CVideoEffectDlg(MessageTarget* mainWindow, QWidget* parent = nullptr,
                    CBaseSkin* skin = nullptr);

    void ShowItem(MediaItem* item, const StreamList& streams) override;
    bool confirmPage() override;
    void cancelPage() override;
    void OnPaneClick(const PaneNotify& notify) override;

    CSpinCtrl* Spin(int value) const { return m_spins[static_cast<size_t>(value)]; }
    CVelEdit* Edit(int value) const { return m_edits[static_cast<size_t>(value)]; }

private:
    struct Saved {
        int32_t brightness = 0, contrast = 0, saturation = 0, flip = 0;
        bool operator==(const Saved&) const = default;
    };
    static Saved valuesOf(const MediaItem& item);
    // The step handler of one spin: refuses nothing.
    bool OnSpinStep(int value, int pos, int delta);
    // A number typed into a box goes into the item at once, held to the range.
    void OnValueTyped(int value);
    void OnFlipClicked(int element, int bit);
    void OnReset();

    std::array<CSpinCtrl*, 3> m_spins{};
    std::array<CVelEdit*, 3> m_edits{};
    Saved m_saved;
};
