#include "CVideoEffectDlg.h"

#include "CSpinCtrl.h"
#include "EditMessages.h"

#include "CBaseWnd.h"
#include "CVelEdit.h"
#include "MediaItem.h"
#include "PaneItem.h"

#include <QIntValidator>

#include <algorithm>

namespace {

constexpr int kMinValue = -100;
constexpr int kMaxValue = 100;
constexpr int kFlipHorizontal = 0x1;
constexpr int kFlipVertical = 0x2;
constexpr int kLabelBase = 10; // ids of the three labels
constexpr int kHostBase = 20;  // ids of the hosted edit boxes and spins

struct ValueRow {
    const char* label;
    const char* tip;
};
constexpr ValueRow kRows[] = {
    {"Brightness:", "Adjust video brightness,  range is [-100, 100]"},
    {"Contrast:", "Adjust video contrast,  range is [-100, 100]"},
    {"Saturation:", "Adjust video saturation,  range is [-100, 100]"},
};

int32_t& valueField(MediaItem& item, int value) {
    switch (value) {
    case CVideoEffectDlg::kBrightness:
        return item.brightness;
    case CVideoEffectDlg::kContrast:
        return item.contrast;
    default:
        return item.saturation;
    }
}

} // namespace

CVideoEffectDlg::CVideoEffectDlg(MessageTarget* mainWindow, QWidget* parent, CBaseSkin* skin)
    : CVideoEditPage(kTemplateId, mainWindow, parent, skin) {
    CBaseWnd* panel = AttachPanel(nullptr, QStringLiteral("VideoEffect"), kPaneId);
    for (int i = 0; i < 3; ++i) {
        const int y = 24 + i * 36;
        const QString tip = QString::fromUtf8(kRows[i].tip);
        PaneItem label = Label(kLabelBase + i, QString::fromUtf8(kRows[i].label),
                               QRect(24, y, 90, 22));
        label.tooltip = tip;
        panel->AddItem(label);

        auto* edit = new CVelEdit(panel, 1000 + i);
        edit->setValidator(new QIntValidator(-999, 999, edit));
        edit->setToolTip(tip);
        auto* spin = new CSpinCtrl(panel, 1010 + i);
        spin->SetBuddy(edit);
        spin->SetRange(kMinValue, kMaxValue);
        spin->SetPos(0);
        spin->setToolTip(tip);
        spin->SetDeltaHandler([this, i](int pos, int delta) { return OnSpinStep(i, pos, delta); });
        // What a person types reaches the item (and an open preview) as a step does.
        connect(edit, &QLineEdit::textEdited, this, [this, i] { OnValueTyped(i); });
        m_edits[static_cast<size_t>(i)] = edit;
        m_spins[static_cast<size_t>(i)] = spin;
        panel->AddItem(Hosted(kHostBase + 2 * i, edit, QRect(118, y, 64, 22)));
        panel->AddItem(Hosted(kHostBase + 2 * i + 1, spin, QRect(182, y, CSpinCtrl::kWidth, 22)));
    }
    panel->AddItem(CheckBox(kHorizontalFlip, QStringLiteral("Horizontal Flip"),
                            QStringLiteral("Horizontal flip video"), QRect(24, 136, 150, 22)));
    panel->AddItem(CheckBox(kVerticalFlip, QStringLiteral("Vertical Flip"),
                            QStringLiteral("Vertical flip video"), QRect(190, 136, 150, 22)));
    panel->AddItem(Button(kReset, QStringLiteral("Reset"), QRect(24, 184, 80, 24)));
    panel->AddItem(CheckBox(kApplyToAll, QStringLiteral("Apply to all"),
                            QStringLiteral("Apply the effect setting to all other items"),
                            QRect(124, 185, 150, 22)));
    Relayout();
    panel->ArrangeItems();
}

CVideoEffectDlg::Saved CVideoEffectDlg::valuesOf(const MediaItem& item) {
    return {item.brightness, item.contrast, item.saturation, item.flip};
}

void CVideoEffectDlg::ShowItem(MediaItem* item, const StreamList& streams) {
    SetCurrent(item, streams);
    if (!item) {
        for (CSpinCtrl* spin : m_spins)
            spin->SetPos(0);
        CheckElement(kHorizontalFlip, false);
        CheckElement(kVerticalFlip, false);
        CheckElement(kApplyToAll, false);
        return;
    }
    m_spins[kBrightness]->SetPos(item->brightness);
    m_spins[kContrast]->SetPos(item->contrast);
    m_spins[kSaturation]->SetPos(item->saturation);
    CheckElement(kHorizontalFlip, (item->flip & kFlipHorizontal) != 0);
    CheckElement(kVerticalFlip, (item->flip & kFlipVertical) != 0);
    m_saved = valuesOf(*item);
}

bool CVideoEffectDlg::OnSpinStep(int value, int pos, int delta) {
    MediaItem* item = Item();
    if (!item)
        return false;
    const int next = pos + delta;
    if (next >= kMinValue && next <= kMaxValue)
        valueField(*item, value) = next;
    NotifyMain(kMsgEffectChanged, 0);
    return false;
}

void CVideoEffectDlg::OnValueTyped(int value) {
    MediaItem* item = Item();
    bool ok = false;
    const int typed = m_edits[static_cast<size_t>(value)]->text().trimmed().toInt(&ok);
    // A box emptied or holding a lone minus sign is on its way to a number: nothing yet.
    if (!item || !ok)
        return;
    const int held = std::clamp(typed, kMinValue, kMaxValue);
    if (valueField(*item, value) == held)
        return;
    valueField(*item, value) = held;
    NotifyMain(kMsgEffectChanged, 0);
}

void CVideoEffectDlg::OnFlipClicked(int element, int bit) {
    MediaItem* item = Item();
    if (!item)
        return;
    if (ElementChecked(element))
        item->flip |= bit;
    else
        item->flip &= ~bit;
    NotifyMain(kMsgEffectChanged, 0);
}

void CVideoEffectDlg::OnReset() {
    for (CSpinCtrl* spin : m_spins)
        spin->SetPos(0);
    CheckElement(kHorizontalFlip, false);
    CheckElement(kVerticalFlip, false);
    CheckElement(kApplyToAll, false);
    MediaItem* item = Item();
    if (!item)
        return;
    item->brightness = item->contrast = item->saturation = item->flip = 0;
    NotifyMain(kMsgEffectChanged, 0);
}

void CVideoEffectDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item)
        return;
    switch (notify.item->id) {
    case kHorizontalFlip:
        OnFlipClicked(kHorizontalFlip, kFlipHorizontal);
        break;
    case kVerticalFlip:
        OnFlipClicked(kVerticalFlip, kFlipVertical);
        break;
    case kReset:
        OnReset();
        break;
    default:
        break;
    }
}

bool CVideoEffectDlg::confirmPage() {
    MediaItem* item = Item();
    if (!item)
        return true;
    item->brightness = m_spins[kBrightness]->Pos();
    item->contrast = m_spins[kContrast]->Pos();
    item->saturation = m_spins[kSaturation]->Pos();
    int flip = item->flip & ~(kFlipHorizontal | kFlipVertical);
    if (ElementChecked(kHorizontalFlip))
        flip |= kFlipHorizontal;
    if (ElementChecked(kVerticalFlip))
        flip |= kFlipVertical;
    item->flip = flip;
    // The spins show what was stored, typed text included.
    for (CSpinCtrl* spin : m_spins)
        spin->SetPos(spin->Pos());
    const bool toAll = ElementChecked(kApplyToAll);
    if (toAll || !(valuesOf(*item) == m_saved))
        NotifyMain(kMsgEffectChanged, toAll ? 3 : 1);
    CheckElement(kApplyToAll, false);
    return true;
}

void CVideoEffectDlg::cancelPage() {
    MediaItem* item = Item();
    if (!item || valuesOf(*item) == m_saved)
        return;
    item->brightness = m_saved.brightness;
    item->contrast = m_saved.contrast;
    item->saturation = m_saved.saturation;
    item->flip = m_saved.flip;
    // The page shows what the item holds again.
    m_spins[kBrightness]->SetPos(item->brightness);
    m_spins[kContrast]->SetPos(item->contrast);
    m_spins[kSaturation]->SetPos(item->saturation);
    CheckElement(kHorizontalFlip, (item->flip & kFlipHorizontal) != 0);
    CheckElement(kVerticalFlip, (item->flip & kFlipVertical) != 0);
    NotifyMain(kMsgEffectChanged, 0);
}
