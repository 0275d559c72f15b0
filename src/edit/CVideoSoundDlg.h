// The "Sound" page: "Normalise loudness" to one of three targets under a true-peak ceiling, the
// item's measured loudness once the engine has it, and "Apply to all". Like the effects page,
// every change goes into the item at once and is announced to the main window with 4815;
// "Cancel" puts back what the item had when it was shown. Works for sound-only items too.
#pragma once

#include "CVideoEditPage.h"

#include "MediaItem.h"

class CSpinCtrl;
class CVelComboBox;
class CVelEdit;
class QTimer;

class CVideoSoundDlg : public CVideoEditPage {
public:
    static constexpr int kTemplateId = 156;
    static constexpr int kPaneId = 156;
    enum Element : int {
        kNormalise = 1,
        kApplyToAll = 2,
        kTargetLabel = 3,
        kCeilingLabel = 4,
        kMeasuredLabel = 5,
        kMeasured = 6,
        kLevel = 7,
    };
    // The targets of the combo, in its order.
    static constexpr double kTargets[] = {-14.0, -16.0, -23.0};

    CVideoSoundDlg(MessageTarget* mainWindow, QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    void ShowItem(MediaItem* item, const StreamList& streams) override;
    bool confirmPage() override;
    void cancelPage() override;
    void OnPaneClick(const PaneNotify& notify) override;

    CVelComboBox* Target() const { return m_target; }
    CSpinCtrl* Ceiling() const { return m_ceiling; }
    // The texts of the measured line and of the level line under it.
    QString MeasuredText() const;
    QString LevelText() const;
    // Shows the item's figures again (they arrive while the page is shown).
    void RefreshMeasured();

    // The words for figures and for the level a target gives them.
    static QString figuresText(const tagVeldesLoudness& figures);
    static QString levelText(const tagVeldesLoudness& figures, const MediaLoudness& loudness);

private:
    void ShowSetting(const MediaLoudness& loudness, bool hasSound);
    void OnChanged();
    bool OnCeilingStep(int pos, int delta);

    CVelComboBox* m_target = nullptr;
    CVelEdit* m_ceilingEdit = nullptr;
    CSpinCtrl* m_ceiling = nullptr;
    QTimer* m_poll = nullptr;
    MediaLoudness m_saved;
    bool m_hasSound = false;
};
