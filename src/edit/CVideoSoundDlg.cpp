#include "CVideoSoundDlg.h"

#include "CSpinCtrl.h"
#include "EditMessages.h"

#include "CBaseWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "PaneItem.h"

#include <QIntValidator>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr int kRow = 22;
constexpr int kLeft = 24;
constexpr int kIndent = 44;
constexpr int kFieldX = 130;
constexpr int kHostBase = 20;
constexpr int kMinCeiling = -9;
constexpr int kMaxCeiling = 0;
// The engine leaves sound that would need more gain than this as it is.
constexpr double kMaxGain = 20.0;
// Figures arrive from the engine's measuring thread through the main window.
constexpr int kPollMs = 250;

constexpr const char* kTargetNames[] = {"-14 LUFS (streaming)", "-16 LUFS (mobile)",
                                        "-23 LUFS (broadcast)"};

int targetIndex(double target) {
    const auto* begin = std::begin(CVideoSoundDlg::kTargets);
    const auto* end = std::end(CVideoSoundDlg::kTargets);
    const auto* nearest = std::min_element(begin, end, [target](double a, double b) {
        return std::abs(a - target) < std::abs(b - target);
    });
    return int(nearest - begin);
}

bool hasSound(const StreamList& streams) {
    return std::any_of(streams.begin(), streams.end(),
                       [](const tagVeldesStreamInfo& s) { return s.type == VELDES_STREAM_AUDIO; });
}

} // namespace

CVideoSoundDlg::CVideoSoundDlg(MessageTarget* mainWindow, QWidget* parent, CBaseSkin* skin)
    : CVideoEditPage(kTemplateId, mainWindow, parent, skin) {
    CBaseWnd* panel = AttachPanel(nullptr, QStringLiteral("Sound"), kPaneId);
    panel->AddItem(CheckBox(kNormalise, QStringLiteral("Normalise loudness"),
                            QStringLiteral("Bring the sound to the target loudness (EBU R128) "
                                           "with one gain, peaks held under the ceiling"),
                            QRect(kLeft, 20, 200, kRow)));

    panel->AddItem(Label(kTargetLabel, QStringLiteral("Target:"), QRect(kIndent, 56, 80, kRow)));
    m_target = new CVelComboBox(panel);
    for (const char* name : kTargetNames)
        m_target->addItem(QString::fromUtf8(name));
    m_target->setToolTip(QStringLiteral("The integrated loudness of the output"));
    panel->AddItem(Hosted(kHostBase, m_target, QRect(kFieldX, 56, 170, kRow)));

    panel->AddItem(
        Label(kCeilingLabel, QStringLiteral("True peak:"), QRect(kIndent, 92, 80, kRow)));
    m_ceilingEdit = new CVelEdit(panel, 1060);
    m_ceilingEdit->setValidator(new QIntValidator(-99, 9, m_ceilingEdit));
    m_ceiling = new CSpinCtrl(panel, 1061);
    m_ceiling->SetBuddy(m_ceilingEdit);
    m_ceiling->SetRange(kMinCeiling, kMaxCeiling);
    m_ceiling->SetPos(-1);
    m_ceiling->SetDeltaHandler([this](int pos, int delta) { return OnCeilingStep(pos, delta); });
    const QString ceilingTip =
        QStringLiteral("The highest true peak of the output in dBTP, range is [-9, 0]");
    m_ceilingEdit->setToolTip(ceilingTip);
    m_ceiling->setToolTip(ceilingTip);
    panel->AddItem(Hosted(kHostBase + 1, m_ceilingEdit, QRect(kFieldX, 92, 44, kRow)));
    panel->AddItem(
        Hosted(kHostBase + 2, m_ceiling, QRect(kFieldX + 44, 92, CSpinCtrl::kWidth, kRow)));
    panel->AddItem(Label(kHostBase + 3, QStringLiteral("dBTP"),
                         QRect(kFieldX + 50 + CSpinCtrl::kWidth, 92, 50, kRow)));

    panel->AddItem(
        Label(kMeasuredLabel, QStringLiteral("Measured:"), QRect(kIndent, 128, 80, kRow)));
    panel->AddItem(Label(kMeasured, QString(), QRect(kFieldX, 128, 330, kRow)));
    panel->AddItem(Label(kLevel, QString(), QRect(kFieldX, 152, 330, kRow)));

    panel->AddItem(CheckBox(kApplyToAll, QStringLiteral("Apply to all"),
                            QStringLiteral("Apply the sound setting to all other items"),
                            QRect(kLeft, 196, 150, kRow)));
    connect(m_target, &QComboBox::activated, this, [this] { OnChanged(); });
    connect(m_ceilingEdit, &QLineEdit::editingFinished, this, [this] {
        m_ceiling->SetPos(std::clamp(m_ceiling->Pos(), kMinCeiling, kMaxCeiling));
        OnChanged();
    });
    m_poll = new QTimer(this);
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, [this] { RefreshMeasured(); });
    Relayout();
    panel->ArrangeItems();
    ShowItem(nullptr, {});
}

QString CVideoSoundDlg::figuresText(const tagVeldesLoudness& figures) {
    if (figures.integrated <= -70.0)
        return QStringLiteral("Silence");
    return QStringLiteral("%1 LUFS, true peak %2 dBTP, range %3 LU")
        .arg(figures.integrated, 0, 'f', 1)
        .arg(figures.truePeak, 0, 'f', 1)
        .arg(figures.range, 0, 'f', 1);
}

QString CVideoSoundDlg::levelText(const tagVeldesLoudness& figures, const MediaLoudness& loudness) {
    const double gain = loudness.target - figures.integrated;
    if (figures.integrated <= -70.0 || gain > kMaxGain)
        return QStringLiteral("Too quiet to normalise: left as it is (it would need more than "
                              "+20 dB)");
    QString text = QStringLiteral("Gain %1%2 dB").arg(gain >= 0 ? "+" : "").arg(gain, 0, 'f', 1);
    if (figures.truePeak + gain > loudness.ceiling)
        text += QStringLiteral(", peaks limited to the ceiling");
    return text;
}

QString CVideoSoundDlg::MeasuredText() const {
    const PaneItem* item = Panel()->FindItem(kMeasured);
    return item ? item->caption : QString();
}

QString CVideoSoundDlg::LevelText() const {
    const PaneItem* item = Panel()->FindItem(kLevel);
    return item ? item->caption : QString();
}

void CVideoSoundDlg::RefreshMeasured() {
    const MediaItem* item = Item();
    const tagVeldesLoudness* figures = item ? item->validLoudness() : nullptr;
    QString measured, level;
    if (!item)
        measured = QString();
    else if (!m_hasSound)
        measured = QStringLiteral("The item has no sound");
    else if (!figures)
        measured = QStringLiteral("Measuring...");
    else
        measured = figuresText(*figures);
    if (figures && item->loudness.on)
        level = levelText(*figures, item->loudness);
    if (MeasuredText() != measured)
        Panel()->SetItemCaption(kMeasured, measured);
    if (LevelText() != level)
        Panel()->SetItemCaption(kLevel, level);
    if (figures || !item || !m_hasSound)
        m_poll->stop();
    else if (!m_poll->isActive())
        m_poll->start();
}

void CVideoSoundDlg::ShowSetting(const MediaLoudness& loudness, bool sound) {
    CheckElement(kNormalise, loudness.on);
    m_target->setCurrentIndex(targetIndex(loudness.target));
    m_ceiling->SetPos(
        int(std::lround(std::clamp(loudness.ceiling, double(kMinCeiling), double(kMaxCeiling)))));
    EnableElement(kNormalise, sound);
    for (int id : {int(kTargetLabel), int(kCeilingLabel), kHostBase + 3})
        EnableElement(id, sound && loudness.on);
    m_target->setEnabled(sound && loudness.on);
    m_ceilingEdit->setEnabled(sound && loudness.on);
    m_ceiling->setEnabled(sound && loudness.on);
}

void CVideoSoundDlg::ShowItem(MediaItem* item, const StreamList& streams) {
    SetCurrent(item, streams);
    m_hasSound = item && hasSound(streams);
    CheckElement(kApplyToAll, false);
    m_saved = item ? item->loudness : MediaLoudness{};
    ShowSetting(m_saved, m_hasSound);
    RefreshMeasured();
}

bool CVideoSoundDlg::OnCeilingStep(int pos, int delta) {
    const int next = pos + delta;
    if (next >= kMinCeiling && next <= kMaxCeiling)
        m_ceiling->SetPos(next);
    OnChanged();
    return false;
}

void CVideoSoundDlg::OnChanged() {
    MediaItem* item = Item();
    if (!item)
        return;
    item->loudness.on = ElementChecked(kNormalise);
    item->loudness.target = kTargets[std::clamp(m_target->currentIndex(), 0, 2)];
    item->loudness.ceiling = m_ceiling->Pos();
    ShowSetting(item->loudness, m_hasSound);
    NotifyMain(kMsgSoundChanged, 0);
    RefreshMeasured();
}

void CVideoSoundDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item || notify.item->id != kNormalise)
        return;
    OnChanged();
}

bool CVideoSoundDlg::confirmPage() {
    MediaItem* item = Item();
    if (!item)
        return true;
    OnChanged();
    const bool toAll = ElementChecked(kApplyToAll);
    if (toAll || !(item->loudness == m_saved))
        NotifyMain(kMsgSoundChanged, toAll ? 3 : 1);
    m_saved = item->loudness;
    CheckElement(kApplyToAll, false);
    return true;
}

void CVideoSoundDlg::cancelPage() {
    MediaItem* item = Item();
    if (!item || item->loudness == m_saved)
        return;
    item->loudness = m_saved;
    ShowSetting(item->loudness, m_hasSound);
    RefreshMeasured();
    NotifyMain(kMsgSoundChanged, 0);
}
