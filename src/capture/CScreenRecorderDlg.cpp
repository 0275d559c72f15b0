#include "CScreenRecorderDlg.h"

#include "CScreenDrawDlg.h"
#include "CaptureDialogParts.h"
#include "CaptureRules.h"

#include "CBaseWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "PlatformServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

using namespace capture;

namespace {

constexpr int kSide = 20;
constexpr int kPaneWidth = CScreenRecorderDlg::kWidth - 2;
constexpr int kPaneHeight = CScreenRecorderDlg::kHeight - CBaseDialog::kCaptionHeight - 2;
constexpr int kRegionIds[4][2] = {
    {CScreenRecorderDlg::kLeftLabel, CScreenRecorderDlg::kLeftEdit},
    {CScreenRecorderDlg::kTopLabel, CScreenRecorderDlg::kTopEdit},
    {CScreenRecorderDlg::kRightLabel, CScreenRecorderDlg::kRightEdit},
    {CScreenRecorderDlg::kBottomLabel, CScreenRecorderDlg::kBottomEdit}};

QRect at(int x, int y, int width, int height = kRowHeight) {
    return QRect(x, y, width, height);
}

// Lets the window system carry out a minimise before the screen is photographed.
void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

CScreenRecorderDlg::CScreenRecorderDlg(QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin), m_record(defaultDeviceRecord()) {
    SetTitle(QStringLiteral("Screen Recorder"));
    setWindowTitle(QStringLiteral("Screen Recorder"));
    setModal(true);
    m_pane = AddFramedContentPane(QStringLiteral("ScreenRecorderWnd"), kPaneId, kWidth, kHeight);

    m_pane->AddItem(
        radioItem(kFullScreen, QStringLiteral("Record full screen"), at(kSide, 14, 300), true));
    m_pane->AddItem(radioItem(kWorkArea, QStringLiteral("Record working area of screen"),
                              at(kSide, 40, 300), false));
    m_pane->AddItem(
        radioItem(kRegion, QStringLiteral("Record region of screen"), at(kSide, 66, 300), false));
    m_pane->AddItem(
        buttonItem(kSelect, QStringLiteral("Select"),
                   at(kPaneWidth - kSide - kButtonWidth, 65, kButtonWidth, kButtonHeight),
                   QStringLiteral("Click and drag to define the record region")));

    const char* names[4] = {"Left", "Top", "Right", "Bottom"};
    const int labelWidths[4] = {30, 28, 36, 48};
    const int initial[4] = {m_record.left, m_record.top, m_record.right, m_record.bottom};
    int x = kSide + 20;
    for (int i = 0; i < 4; ++i) {
        m_pane->AddItem(
            labelItem(kRegionIds[i][0], QString::fromUtf8(names[i]), at(x, 100, labelWidths[i])));
        x += labelWidths[i] + 2;
        m_region[i] = addEdit(*m_pane, kRegionIds[i][1], 1010 + i, at(x, 100, 52),
                              QString::number(initial[i]));
        x += 52 + 12;
    }

    m_pane->AddItem(
        checkItem(kEnableAudio, QStringLiteral("Enable audio input"), at(kSide, 140, 160), true));
    m_audio = addCombo(*m_pane, kAudioCombo, 1014,
                       at(kSide + 164, 141, kPaneWidth - 2 * kSide - 164, 20));
    m_pane->AddItem(
        checkItem(kCaptureCursor, QStringLiteral("Capture cursor"), at(kSide, 172, 200), false));
    m_pane->AddItem(labelItem(kTimeLabel, QStringLiteral("Time Limit : "), at(kSide, 204, 86)));
    m_timeLimit = addEdit(*m_pane, kTimeEdit, 1015, at(kSide + 88, 204, 50),
                          QString::number(kDefaultTimeLimit));
    m_pane->AddItem(labelItem(kMinuteText, QStringLiteral("minute (at least 1 minute)"),
                              at(kSide + 146, 204, 220)));
    m_pane->AddItem(
        checkItem(kPreview, QStringLiteral("Preview while converting"), at(kSide, 236, 240), true));
    const int buttonTop = kPaneHeight - 16 - kButtonHeight;
    m_pane->AddItem(buttonItem(
        kOk, QStringLiteral("OK"),
        at(kPaneWidth - kSide - 2 * kButtonWidth - 10, buttonTop, kButtonWidth, kButtonHeight)));
    m_pane->AddItem(
        buttonItem(kCancel, QStringLiteral("Cancel"),
                   at(kPaneWidth - kSide - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight)));
    SetKeyButtons(m_pane, kOk, kCancel);

    fillDeviceCombo(*m_audio, QString(), platformServices().captureDevices(CaptureKind::Audio));
    SelectMode(kFullScreen);
    Relayout();
}

bool CScreenRecorderDlg::Checked(int itemId) const {
    return (m_pane->ItemState(itemId) & kStateChecked) != 0;
}

void CScreenRecorderDlg::SelectMode(int radioId) {
    for (int id : {kFullScreen, kWorkArea, kRegion})
        m_pane->SetItemState(id, kStateChecked, id == radioId ? kStateChecked : 0);
    const bool region = radioId == kRegion;
    enablePaneItem(*m_pane, kSelect, region);
    for (const auto& ids : kRegionIds) {
        enablePaneItem(*m_pane, ids[0], region);
        enablePaneItem(*m_pane, ids[1], region);
    }
}

void CScreenRecorderDlg::ShowRegion(const ScreenRect& region) {
    const int values[4] = {region.left, region.top, region.right, region.bottom};
    for (int i = 0; i < 4; ++i)
        m_region[i]->setText(QString::number(values[i]));
}

void CScreenRecorderDlg::OnSelect() {
    PlatformServices& services = platformServices();
    const ScreenRect display = services.screenGeometry();
    QPointer<QWidget> mainWindow = parentWidget() ? parentWidget()->window() : nullptr;
    const Qt::WindowStates mainState = mainWindow ? mainWindow->windowState() : Qt::WindowNoState;
    if (mainWindow) {
        mainWindow->showMinimized();
        settle(250);
    }
    // The screen this dialog is on, which is the one the services describe (the active
    // window's).
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    QPixmap desktop;
    if (screen)
        desktop = screen->grabWindow(0);
    int result = 0;
    QPoint start, end;
    {
        // No parent: a window manager that hides the transients of a minimised window must not
        // hide this one.
        CScreenDrawDlg draw(display, desktop, nullptr, screen ? screen->devicePixelRatio() : 1.0);
        result = draw.exec();
        start = draw.StartPoint();
        end = draw.EndPoint();
    }
    if (mainWindow) {
        mainWindow->setWindowState(mainState & ~Qt::WindowMinimized);
        mainWindow->show();
    }
    raise();
    activateWindow();
    if (result != 1)
        return;
    if (const auto region = dragRegion(start.x(), start.y(), end.x(), end.y()))
        ShowRegion(*region);
}

bool CScreenRecorderDlg::OnOk() {
    PlatformServices& services = platformServices();
    const ScreenRect display = services.screenGeometry();
    const int displayWidth = display.right - display.left;
    const int displayHeight = display.bottom - display.top;
    // The numbers of a region count from the screen's corner; the record holds the desktop's
    // device pixels, where a second screen need not start at 0,0.
    ScreenRect rect = display;
    if (Checked(kRegion)) {
        int values[4];
        for (int i = 0; i < 4; ++i)
            values[i] = editNumber(m_region[i]->text().toStdString());
        const auto region =
            typedRegion(values[0], values[1], values[2], values[3], displayWidth, displayHeight);
        if (!region) {
            services.messageBox("Invalid region parameter or the region is too little",
                                "Screen Recorder", MB_OK, MB_ICONERROR);
            return false;
        }
        rect = ScreenRect{region->left + display.left, region->top + display.top,
                          region->right + display.left, region->bottom + display.top};
    } else if (Checked(kWorkArea)) {
        rect = workAreaRegion(services.workArea());
    }
    VEL_DEVICE_INFO record = defaultDeviceRecord();
    record.videoDevice = kScreenRecorderName;
    record.audioDevice = Checked(kEnableAudio) && m_audio->currentIndex() >= 0
                             ? m_audio->currentText().toStdString()
                             : std::string(kNoAudioInput);
    record.frameRate = kScreenFrameRate;
    setRecordRect(record, rect);
    record.preview = Checked(kPreview) ? 1 : 0;
    record.captureCursor = Checked(kCaptureCursor) ? 1 : 0;
    record.timeLimit = clampTimeLimit(editNumber(m_timeLimit->text().toStdString()));
    m_record = record;
    done(IDOK);
    return true;
}

void CScreenRecorderDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    switch (notify.item->id) {
    case kFullScreen:
    case kWorkArea:
    case kRegion:
        SelectMode(notify.item->id);
        break;
    case kEnableAudio:
        enablePaneItem(*m_pane, kAudioCombo, Checked(kEnableAudio));
        break;
    case kSelect:
        OnSelect();
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
