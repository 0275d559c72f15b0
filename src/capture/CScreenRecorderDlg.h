// "Screen Recorder": what to record (the full screen, the working area or a region typed or
// dragged with "Select"), an audio capture device, the cursor, the time limit and "Preview while
// converting", packed into a device record for the screen on "OK". exec() gives IDOK when a
// record was made.
#pragma once

#include "CBaseDialog.h"
#include "PlatformTypes.h"
#include "velcodecutil.h"

class CBaseWnd;
class CVelComboBox;
class CVelEdit;

class CScreenRecorderDlg : public CBaseDialog {
public:
    enum ItemId : int {
        kSelect = 1,
        kFullScreen = 2,
        kWorkArea = 3,
        kRegion = 4,
        kLeftLabel = 5,
        kTopLabel = 6,
        kRightLabel = 7,
        kBottomLabel = 8,
        kEnableAudio = 9,
        kOk = 10,
        kCancel = 11,
        kPreview = 12,
        kCaptureCursor = 13,
        kTimeLabel = 14,
        kMinuteText = 15,
        kLeftEdit = 16, // items hosting the controls
        kTopEdit = 17,
        kRightEdit = 18,
        kBottomEdit = 19,
        kAudioCombo = 20,
        kTimeEdit = 21,
    };
    static constexpr int kTemplateId = 162;
    static constexpr int kPaneId = 116;
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 350;

    // The window minimised while a region is dragged is the parent's top-level window.
    explicit CScreenRecorderDlg(QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    // The record made by "OK".
    const VEL_DEVICE_INFO& Record() const { return m_record; }
    CBaseWnd* Pane() const { return m_pane; }
    CVelEdit* RegionEdit(int index) const { return m_region[index]; } // left, top, right, bottom
    CVelComboBox* AudioCombo() const { return m_audio; }
    CVelEdit* TimeLimitEdit() const { return m_timeLimit; }

    // "OK": false (the message shown, the dialog open) when the region is too small.
    bool OnOk();
    // "Select": the drag over the whole display; the region boxes change when it was big enough.
    void OnSelect();

    bool IsFixedSize() const override { return true; }
    void OnPaneClick(const PaneNotify& notify) override;

private:
    void SelectMode(int radioId);
    bool Checked(int itemId) const;
    void ShowRegion(const ScreenRect& region);

    VEL_DEVICE_INFO m_record;
    CBaseWnd* m_pane = nullptr;
    CVelEdit* m_region[4] = {};
    CVelComboBox* m_audio = nullptr;
    CVelEdit* m_timeLimit = nullptr;
};
