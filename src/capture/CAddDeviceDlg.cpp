#include "CAddDeviceDlg.h"

#include "CaptureDialogParts.h"
#include "CaptureRules.h"

#include "CBaseWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "PlatformServices.h"

using namespace capture;

namespace {

constexpr int kSide = 20;
constexpr int kLabelWidth = 110;
constexpr int kFieldLeft = kSide + kLabelWidth;
constexpr int kFieldWidth = CAddDeviceDlg::kWidth - kFieldLeft - kSide - 2;
constexpr int kFirstRow = 16;
constexpr int kRowStep = 32;

constexpr const char* kSizes[] = {"160x120", "176x144", "320x240", "352x288", "640x480"};
constexpr const char* kRates[] = {"5", "10", "15", "20", "23.976", "24", "25", "29.970", "30"};

QRect row(int index, int left, int width) {
    return QRect(left, kFirstRow + index * kRowStep, width, kRowHeight);
}

void fillFixed(CVelComboBox& combo, const auto& texts, const char* selected) {
    for (const char* text : texts)
        combo.addItem(QString::fromUtf8(text));
    combo.setCurrentIndex(combo.findText(QString::fromUtf8(selected)));
}

} // namespace

CAddDeviceDlg::CAddDeviceDlg(QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin), m_record(defaultDeviceRecord()) {
    SetTitle(QStringLiteral("Add Input Device"));
    setWindowTitle(QStringLiteral("Add Input Device"));
    setModal(true);
    m_pane = AddFramedContentPane(QStringLiteral("AddInputDeviceWnd"), kPaneId, kWidth, kHeight);

    const struct {
        int label;
        const char* text;
    } labels[] = {{kVideoLabel, "Video Devices : "},
                  {kAudioLabel, "Audio Devices : "},
                  {kSizeLabel, "Output Size : "},
                  {kRateLabel, "Frame Rate : "},
                  {kTimeLabel, "Time Limit : "}};
    for (int i = 0; i < 5; ++i)
        m_pane->AddItem(labelItem(labels[i].label, QString::fromUtf8(labels[i].text),
                                  row(i, kSide, kLabelWidth)));

    m_video = addCombo(*m_pane, kVideoCombo, 1000, row(0, kFieldLeft, kFieldWidth));
    m_audio = addCombo(*m_pane, kAudioCombo, 1001, row(1, kFieldLeft, kFieldWidth));
    m_size = addCombo(*m_pane, kSizeCombo, 1002, row(2, kFieldLeft, 110));
    m_rate = addCombo(*m_pane, kRateCombo, 1003, row(3, kFieldLeft, 110));
    m_timeLimit = addEdit(*m_pane, kTimeEdit, 1004, row(4, kFieldLeft, 50),
                          QString::number(kDefaultTimeLimit));
    m_pane->AddItem(labelItem(kMinuteText, QStringLiteral("minute (at least 1 minute)"),
                              row(4, kFieldLeft + 58, kFieldWidth - 58)));
    m_pane->AddItem(checkItem(kPreview, QStringLiteral("Preview while converting"),
                              row(5, kSide, 240), m_record.preview != 0));
    const int buttonTop = kHeight - kCaptionHeight - 2 - 16 - kButtonHeight;
    m_pane->AddItem(buttonItem(
        kOk, QStringLiteral("OK"),
        QRect(kWidth - 2 - kSide - 2 * kButtonWidth - 10, buttonTop, kButtonWidth, kButtonHeight)));
    m_pane->AddItem(buttonItem(
        kCancel, QStringLiteral("Cancel"),
        QRect(kWidth - 2 - kSide - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight)));
    SetKeyButtons(m_pane, kOk, kCancel);

    PlatformServices& services = platformServices();
    fillDeviceCombo(*m_video, QString::fromUtf8(kNoVideoInput),
                    services.captureDevices(CaptureKind::Video));
    fillDeviceCombo(*m_audio, QString::fromUtf8(kNoAudioInput),
                    services.captureDevices(CaptureKind::Audio));
    fillFixed(*m_size, kSizes, "640x480");
    fillFixed(*m_rate, kRates, "30");
    Relayout();
}

bool CAddDeviceDlg::OnOk() {
    if (m_video->currentIndex() <= 0 && m_audio->currentIndex() <= 0) {
        platformServices().messageBox("No Input Device, Please select video or audio input device.",
                                      "Add Input Device", MB_OK, MB_ICONINFORMATION);
        return false;
    }
    VEL_DEVICE_INFO record = defaultDeviceRecord();
    record.videoDevice = m_video->currentText().toStdString();
    record.audioDevice = m_audio->currentText().toStdString();
    record.frameRate = frameRateFromText(m_rate->currentText().toStdString());
    int width = 640, height = 480;
    outputSizeFromText(m_size->currentText().toStdString(), &width, &height);
    setRecordRect(record, {0, 0, width, height});
    record.timeLimit = clampTimeLimit(editNumber(m_timeLimit->text().toStdString()));
    record.preview = (m_pane->ItemState(kPreview) & kStateChecked) ? 1 : 0;
    record.captureCursor = 0;
    m_record = record;
    done(IDOK);
    return true;
}

void CAddDeviceDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    if (notify.item->id == kOk)
        OnOk();
    else if (notify.item->id == kCancel)
        done(IDCANCEL);
}
