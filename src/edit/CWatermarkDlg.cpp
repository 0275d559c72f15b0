#include "CWatermarkDlg.h"

#include "CSpinCtrl.h"
#include "EditMessages.h"

#include "CBaseWnd.h"
#include "CColorButton.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "PaneItem.h"
#include "PlatformServices.h"
#include "Profile.h"

#include <QFont>
#include <QFontInfo>
#include <algorithm>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kDefaultSize = 36;
constexpr const char* kDefaultFont = "Arial";
constexpr const char* kCaption = "VideoEdit";

} // namespace

CWatermarkDlg::CWatermarkDlg(MessageTarget* mainWindow, QWidget* parent, CBaseSkin* skin)
    : CVideoEditPage(kTemplateId, mainWindow, parent, skin) {
    BuildControls();
    m_colour->SetColour(kWhite);
    CheckElement(kTextRadio, true);
    ResetControls();
    ApplyEnablingRule(false);
}

void CWatermarkDlg::SetSpinRanges() {
    const MediaItem* item = Item();
    int width = 400, height = 300, minimumSize = 20;
    if (item) {
        const tagVeldesStreamInfo* video = FirstVideoStream();
        width = video ? video->width : 0;
        height = video ? video->height : 0;
        minimumSize = 0;
    }
    m_spins[kAlpha]->SetRange(0, 255);
    m_spins[kLeft]->SetRange(0, width);
    m_spins[kTop]->SetRange(0, height);
    m_spins[kWidth]->SetRange(minimumSize, width);
    m_spins[kHeight]->SetRange(minimumSize, height);
}

void CWatermarkDlg::ResetControls() {
    m_imagePath->clear();
    m_text->clear();
    SelectFont(kDefaultFont);
    SelectSize(kDefaultSize);
    m_style->setCurrentIndex(0);
    m_spins[kAlpha]->SetPos(255);
    SetSpinRanges();
    const MediaWatermark neutral;
    m_spins[kLeft]->SetPos(neutral.left);
    m_spins[kTop]->SetPos(neutral.top);
    m_spins[kWidth]->SetPos(neutral.width);
    m_spins[kHeight]->SetPos(neutral.height);
    m_colour->SetColour(kWhite);
    m_colour->update();
    CheckElement(kApplyToAll, false);
}

void CWatermarkDlg::SelectFont(const std::string& name) {
    // A name the list lacks ("Arial" on a desktop without it) shows the face that really draws
    // it, the one the desktop's font matching substitutes, as the preview and the output do.
    auto find = [this](const QString& family) {
        int index = m_font->findText(family, Qt::MatchFixedString);
        return index >= 0
                   ? index
                   : m_font->findText(QFontInfo(QFont(family)).family(), Qt::MatchFixedString);
    };
    int index = find(QString::fromStdString(name));
    if (index < 0)
        index = find(QString::fromUtf8(kDefaultFont));
    m_font->setCurrentIndex(index < 0 && m_font->count() > 0 ? 0 : index);
}

void CWatermarkDlg::SelectSize(int size) {
    int index = m_size->findText(QString::number(size), Qt::MatchExactly);
    if (index < 0)
        index = m_size->findText(QString::number(kDefaultSize), Qt::MatchExactly);
    m_size->setCurrentIndex(index);
}

int32_t CWatermarkDlg::ModeFromBoxes() const {
    if (!ElementChecked(kEnable))
        return 0;
    return ElementChecked(kImageRadio) ? kWatermarkImage : kWatermarkText;
}

bool CWatermarkDlg::ApplyEnablingRule(bool fromClick) {
    if (ElementChecked(kEnable)) {
        const MediaItem* item = Item();
        const char* refusal = nullptr;
        if (item && item->profile && !item->profile->hasVideo())
            refusal = "The target not include video stream!";
        else if (!FirstVideoStream())
            refusal = "There is not video stream!";
        if (refusal) {
            platformServices().messageBox(refusal, kCaption, MB_OK, MB_ICONWARNING);
            CheckElement(kEnable, false);
            // The page goes back to its disabled look; the item keeps its mode.
            ApplyEnablingRule(false);
            return false;
        }
        for (int element : {kTextRadio, kImageRadio, kApplyToAll, kReset})
            EnableElement(element, true);
        const bool image = ElementChecked(kImageRadio);
        EnableKindControls(image, !image);
        EnableCommonControls(true);
    } else {
        for (int element : {kTextRadio, kImageRadio, kApplyToAll, kReset})
            EnableElement(element, false);
        EnableKindControls(false, false);
        EnableCommonControls(false);
    }
    if (fromClick && Item()) {
        Item()->watermark.mode = ModeFromBoxes();
        NotifyMain(kMsgWatermarkChanged, 0);
    }
    return true;
}

void CWatermarkDlg::LiveChange() {
    NotifyMain(kMsgWatermarkChanged, 0);
}

void CWatermarkDlg::OnRadioClicked(int element) {
    const int other = element == kImageRadio ? kTextRadio : kImageRadio;
    // The pane checked the clicked button; the other one still checked means it became
    // selected just now.
    if (!ElementChecked(other))
        return;
    CheckElement(other, false);
    const bool image = element == kImageRadio;
    EnableKindControls(image, !image);
    if (Item()) {
        Item()->watermark.mode = ModeFromBoxes();
        LiveChange();
    }
}

void CWatermarkDlg::OnBrowse() {
    const std::vector<std::string> chosen =
        platformServices().openFilesDialog(std::string(), ImageFilter(), std::string());
    if (chosen.empty())
        return;
    m_imagePath->setText(QString::fromStdString(chosen.front()));
    if (Item()) {
        Item()->watermark.imagePath = chosen.front();
        LiveChange();
    }
}

void CWatermarkDlg::OnReset() {
    ResetControls();
    MediaItem* item = Item();
    if (!item)
        return;
    MediaWatermark neutral;
    neutral.mode = item->watermark.mode;
    item->watermark = neutral;
    LiveChange();
}

void CWatermarkDlg::OnTextEdited() {
    MediaItem* item = Item();
    if (!item)
        return;
    const std::string text = m_text->text().toStdString();
    // Only a keystroke that changed the text reaches the preview; comparing with the item's
    // text (not the text shown first) keeps the preview right after going back to it.
    if (text == item->watermark.text)
        return;
    item->watermark.text = text;
    LiveChange();
}

void CWatermarkDlg::OnFontChosen() {
    if (!Item())
        return;
    Item()->watermark.fontName = m_font->currentText().toStdString();
    LiveChange();
}

void CWatermarkDlg::OnSizeChosen() {
    if (!Item())
        return;
    Item()->watermark.fontSize = static_cast<int32_t>(m_size->currentText().toUInt());
    LiveChange();
}

void CWatermarkDlg::OnStyleChosen() {
    if (!Item())
        return;
    Item()->watermark.style = std::max(0, m_style->currentIndex());
    LiveChange();
}

bool CWatermarkDlg::OnSpinStep(Spin spin, int pos, int delta) {
    MediaItem* item = Item();
    if (!item)
        return false;
    const int next = pos + delta;
    // Held to the spin's range (alpha 0 to 255, the others 0 to the picture's size), so the
    // item never holds a value the page cannot show.
    const CSpinCtrl* control = m_spins[spin];
    if (next < std::max(0, control->Lower()) || next > control->Upper())
        return false;
    MediaWatermark& mark = item->watermark;
    int32_t* fields[kSpinCount] = {&mark.left, &mark.top, &mark.alpha, &mark.width, &mark.height};
    *fields[spin] = next;
    LiveChange();
    return false;
}

intptr_t CWatermarkDlg::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg == kMsgColorSelEndOk && lParam == kColorButtonId) {
        uint32_t colour = static_cast<uint32_t>(wParam);
        if (colour == kColourAutomatic) {
            // "Automatic" has no colour of its own here: the text stays white.
            colour = kWhite;
            m_colour->SetColour(colour);
        }
        if (Item()) {
            Item()->watermark.colour = colour & 0xFFFFFF;
            LiveChange();
        }
        return 0;
    }
    return CVideoEditPage::onMessage(msg, wParam, lParam);
}

void CWatermarkDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item)
        return;
    switch (notify.item->id) {
    case kEnable:
        ApplyEnablingRule(true);
        break;
    case kImageRadio:
    case kTextRadio:
        OnRadioClicked(notify.item->id);
        break;
    case kBrowse:
        OnBrowse();
        break;
    case kReset:
        OnReset();
        break;
    default:
        break;
    }
}

void CWatermarkDlg::ShowItem(MediaItem* item, const StreamList& streams) {
    SetCurrent(item, streams);
    CheckElement(kApplyToAll, false);
    if (!item || Streams().empty()) {
        ResetControls();
        // The neutral look: nothing enabled, and no refusal for a watermark nobody asked for.
        CheckElement(kEnable, false);
        ApplyEnablingRule(false);
        if (item)
            m_saved = item->watermark;
        return;
    }
    const MediaWatermark& mark = item->watermark;
    CheckElement(kEnable, (mark.mode & 1) != 0);
    const bool image = mark.mode == kWatermarkImage;
    CheckElement(kImageRadio, image);
    CheckElement(kTextRadio, !image);
    ApplyEnablingRule(false);
    m_imagePath->setText(QString::fromStdString(mark.imagePath));
    m_text->setText(QString::fromStdString(mark.text));
    SelectFont(mark.fontName);
    SelectSize(mark.fontSize);
    m_style->setCurrentIndex(mark.style >= 0 && mark.style < m_style->count() ? mark.style : 0);
    m_spins[kAlpha]->SetPos(mark.alpha >= 0 && mark.alpha <= 255 ? mark.alpha : 0);
    SetSpinRanges();
    m_spins[kLeft]->SetPos(mark.left);
    m_spins[kTop]->SetPos(mark.top);
    m_spins[kWidth]->SetPos(mark.width);
    m_spins[kHeight]->SetPos(mark.height);
    m_colour->SetColour(mark.colour & 0xFFFFFF);
    m_saved = mark;
}

bool CWatermarkDlg::confirmPage() {
    MediaItem* item = Item();
    if (!item)
        return true;
    MediaWatermark& mark = item->watermark;
    mark.mode = ModeFromBoxes();
    mark.imagePath = m_imagePath->text().toStdString();
    mark.text = m_text->text().toStdString();
    mark.fontName = m_font->currentText().toStdString();
    mark.fontSize = static_cast<int32_t>(m_size->currentText().toUInt());
    mark.style = std::max(0, m_style->currentIndex());
    mark.left = m_spins[kLeft]->Pos();
    mark.top = m_spins[kTop]->Pos();
    mark.width = m_spins[kWidth]->Pos();
    mark.height = m_spins[kHeight]->Pos();
    mark.alpha = m_spins[kAlpha]->Pos();
    const uint32_t colour = m_colour->Colour();
    mark.colour = colour == kColourAutomatic ? kWhite : colour & 0xFFFFFF;
    for (CSpinCtrl* spin : m_spins)
        spin->SetPos(spin->Pos());
    const bool toAll = ElementChecked(kApplyToAll);
    if (toAll || !(mark == m_saved))
        NotifyMain(kMsgWatermarkChanged, toAll ? 3 : 1);
    CheckElement(kApplyToAll, false);
    return true;
}

void CWatermarkDlg::cancelPage() {
    MediaItem* item = Item();
    if (!item || item->watermark == m_saved)
        return;
    item->watermark = m_saved;
    NotifyMain(kMsgWatermarkChanged, 0);
}
