// "Add Input Device": the video and audio capture devices, the output size, the frame rate, the
// time limit and "Preview while converting", packed into a device record on "OK". The device
// lists are read once, from the platform services, when the dialog is built. exec() gives IDOK
// when a record was made.
#pragma once

#include "CBaseDialog.h"
#include "velcodecutil.h"

class CBaseWnd;
class CVelComboBox;
class CVelEdit;

class CAddDeviceDlg : public CBaseDialog {
public:
    enum ItemId : int {
        kOk = 1,
        kCancel = 2,
        kPreview = 3,
        kVideoLabel = 4,
        kAudioLabel = 5,
        kSizeLabel = 6,
        kRateLabel = 7,
        kTimeLabel = 8,
        kMinuteText = 9,
        kVideoCombo = 10, // items hosting the controls
        kAudioCombo = 11,
        kSizeCombo = 12,
        kRateCombo = 13,
        kTimeEdit = 14,
    };
    static constexpr int kTemplateId = 159;
    static constexpr int kPaneId = 115;
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 300;

    explicit CAddDeviceDlg(QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    // The record made by "OK".
    const VEL_DEVICE_INFO& Record() const { return m_record; }
    CBaseWnd* Pane() const { return m_pane; }
    CVelComboBox* VideoCombo() const { return m_video; }
    CVelComboBox* AudioCombo() const { return m_audio; }
    CVelComboBox* SizeCombo() const { return m_size; }
    CVelComboBox* RateCombo() const { return m_rate; }
    CVelEdit* TimeLimitEdit() const { return m_timeLimit; }

    // "OK": false (the message shown, the dialog open) when no device is chosen.
    bool OnOk();

    bool IsFixedSize() const override { return true; }
    void OnPaneClick(const PaneNotify& notify) override;

private:
    VEL_DEVICE_INFO m_record;
    CBaseWnd* m_pane = nullptr;
    CVelComboBox* m_video = nullptr;
    CVelComboBox* m_audio = nullptr;
    CVelComboBox* m_size = nullptr;
    CVelComboBox* m_rate = nullptr;
    CVelEdit* m_timeLimit = nullptr;
};
