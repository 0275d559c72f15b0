// The profile setting dialog's values: a profile into the controls, the controls into the shown
// profile, and the frame size kept in step with the width and height.
#include "CProfileSettingDlg.h"

#include "CBaseWnd.h"
#include "CVelComboBox.h"
#include "OptionText.h"
#include "ProfileCatalogue.h"

#include <QSignalBlocker>
#include <QSpinBox>

#include <string>

namespace {

void addEntry(CVelComboBox* combo, std::string_view text, intptr_t data) {
    combo->addItem(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    combo->SetItemData(combo->count() - 1, data);
}

// The entries whose bit is set in `mask`, named by `nameOf`, item data the number.
template <class NameOf>
void fillByMask(CVelComboBox* combo, uint64_t mask, int count, NameOf nameOf) {
    combo->clear();
    for (int i = 0; i < count && i < 64; ++i)
        if ((mask >> i) & 1u)
            addEntry(combo, nameOf(i), i);
}

int indexOfData(const CVelComboBox* combo, intptr_t data) {
    for (int i = 0; i < combo->count(); ++i)
        if (combo->ItemData(i) == data)
            return i;
    return -1;
}

// The pieces of an option list; the entry equal to `value` in decimal is selected, else the
// first.
void fillOptions(CVelComboBox* combo, const std::string& options, int32_t value) {
    combo->clear();
    for (const std::string& piece : splitOptionList(options))
        addEntry(combo, piece, 0);
    const int found = combo->findText(QString::number(value), Qt::MatchExactly);
    combo->setCurrentIndex(found >= 0 ? found : (combo->count() > 0 ? 0 : -1));
}

// 0 "auto", 1 "original", otherwise the first entry that starts with the whole-number part.
int frameRateEntry(const CVelComboBox* combo, float frameRate) {
    const auto whole = static_cast<int64_t>(frameRate);
    if (whole == 0 || whole == 1)
        return combo->count() > whole ? static_cast<int>(whole) : -1;
    const QString prefix = QString::number(whole);
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i).startsWith(prefix))
            return i;
    return combo->count() > 0 ? 0 : -1;
}

std::string selectedText(const CVelComboBox* combo) {
    return combo->currentIndex() < 0 ? std::string() : combo->currentText().toStdString();
}

// The selected entry's item data into `field`; nothing selected leaves the field alone.
void takeData(const CVelComboBox* combo, int32_t& field) {
    if (combo->currentIndex() >= 0)
        field = static_cast<int32_t>(combo->ItemData(combo->currentIndex()));
}

} // namespace

void CProfileSettingDlg::SetTicked(int itemId, bool ticked, bool enabled) {
    CBaseWnd* pane = itemId == kEnableVideo ? m_videoPane : m_audioPane;
    pane->SetItemState(itemId, kStateChecked | kStateDisabled,
                       (ticked ? kStateChecked : 0) | (enabled ? 0 : kStateDisabled));
}

void CProfileSettingDlg::LoadProfile(const Profile& profile) {
    m_loading = true;
    const bool audioOnly = profile.flag & kProfileAudioOnly;
    if (audioOnly)
        SetTicked(kEnableVideo, false, false);
    else
        SetTicked(kEnableVideo, !(profile.flag & kProfileVideoDisabled), true);
    if (audioOnly)
        SetTicked(kEnableAudio, true, false);
    else
        SetTicked(kEnableAudio, !(profile.flag & kProfileAudioDisabled), true);
    LoadVideo(profile);
    LoadAudio(profile);
    m_loading = false;
}

void CProfileSettingDlg::LoadVideo(const Profile& profile) {
    CVelComboBox* codec = Combo(kVideoCodecCombo);
    CVelComboBox* bitrate = Combo(kVideoBitrateCombo);
    CVelComboBox* rate = Combo(kFrameRateCombo);
    CVelComboBox* size = Combo(kFrameSizeCombo);
    CVelComboBox* aspect = Combo(kAspectRatioCombo);
    QSpinBox* width = Spin(kWidthEdit);
    QSpinBox* height = Spin(kHeightEdit);
    QSpinBox* quality = Spin(kVideoQualityEdit);

    if (profile.flag & kProfileAudioOnly) {
        for (auto [combo, text] : {std::pair{codec, "No Video"}, std::pair{bitrate, "auto"},
                                   std::pair{rate, "auto"}, std::pair{size, "400x300"}}) {
            combo->clear();
            addEntry(combo, text, 0);
            combo->setCurrentIndex(0);
            combo->setEnabled(false);
        }
        for (QSpinBox* spin : {width, height, quality}) {
            spin->setValue(0);
            spin->setEnabled(false);
        }
        aspect->clear();
        aspect->setEnabled(false);
        return;
    }
    for (QWidget* control : std::initializer_list<QWidget*>{codec, bitrate, rate, size, aspect,
                                                            width, height, quality})
        control->setEnabled(true);

    fillByMask(codec, profile.videoCodecMask, kVideoCodecCount,
               [](int i) { return ProfileCatalogue::videoCodecName(i); });
    codec->setCurrentIndex(indexOfData(codec, profile.videoCodec));

    fillByMask(size, profile.frameSizeMask(), kFrameSizeCount,
               [](int i) { return frameSizeText(i); });
    int sizeEntry = 0;
    if (profile.width != 0 || profile.height != 0) {
        const QString text = QStringLiteral("%1x%2").arg(profile.width).arg(profile.height);
        sizeEntry = size->findText(text, Qt::MatchExactly);
        if (sizeEntry < 0)
            sizeEntry = size->count() - 1;
    }
    size->setCurrentIndex(size->count() > 0 ? sizeEntry : -1);
    width->setValue(profile.width);
    height->setValue(profile.height);
    const bool freeSize = !(profile.flag & kProfileFixedFrameSizes);
    width->setEnabled(freeSize);
    height->setEnabled(freeSize);

    rate->clear();
    for (const std::string& piece : splitOptionList(profile.frameRateOptions))
        addEntry(rate, piece, 0);
    rate->setCurrentIndex(frameRateEntry(rate, profile.frameRate));

    fillOptions(bitrate, profile.videoBitrateOptions, profile.videoBitrate);

    fillByMask(aspect, static_cast<uint32_t>(profile.aspectRatioMask), kAspectRatioCount,
               [](int i) { return aspectRatioName(i); });
    aspect->setCurrentIndex(indexOfData(aspect, profile.aspectRatio));
    quality->setValue(profile.videoQuality);
}

void CProfileSettingDlg::LoadAudio(const Profile& profile) {
    CVelComboBox* codec = Combo(kAudioCodecCombo);
    fillByMask(codec, profile.audioCodecMask, kAudioCodecCount,
               [](int i) { return ProfileCatalogue::audioCodecName(i); });
    codec->setCurrentIndex(indexOfData(codec, profile.audioCodec));
    fillOptions(Combo(kSampleRateCombo), profile.sampleRateOptions, profile.sampleRate);
    fillOptions(Combo(kAudioBitrateCombo), profile.audioBitrateOptions, profile.audioBitrate);
    CVelComboBox* channel = Combo(kChannelCombo);
    fillByMask(channel, static_cast<uint32_t>(profile.channelMask), kChannelCount,
               [](int i) { return channelName(i); });
    channel->setCurrentIndex(indexOfData(channel, profile.channel));
    Spin(kAudioQualityEdit)->setValue(profile.audioQuality);
}

void CProfileSettingDlg::OnFrameSizeChosen(int index) {
    CVelComboBox* size = Combo(kFrameSizeCombo);
    if (index < 0 || index >= size->count())
        return;
    const auto entry = static_cast<int>(size->ItemData(index));
    if (entry == kFrameSizeCustom)
        return;
    const FrameSizeEntry& chosen = kFrameSizes[static_cast<size_t>(entry)];
    m_loading = true;
    Spin(kWidthEdit)->setValue(chosen.width);
    Spin(kHeightEdit)->setValue(chosen.height);
    m_loading = false;
}

void CProfileSettingDlg::OnDimensionEdited() {
    if (m_loading)
        return;
    CVelComboBox* size = Combo(kFrameSizeCombo);
    size->setCurrentIndex(size->count() - 1);
}

int CProfileSettingDlg::ApplyControls() {
    if (!m_shown)
        return kApplied;
    const bool video = VideoTicked();
    const bool audio = AudioTicked();
    if (!video && !audio)
        return kNoStream;
    Profile values = *m_shown;
    values.flag =
        video ? values.flag & ~kProfileVideoDisabled : values.flag | kProfileVideoDisabled;
    values.flag =
        audio ? values.flag & ~kProfileAudioDisabled : values.flag | kProfileAudioDisabled;
    if (video) {
        takeData(Combo(kVideoCodecCombo), values.videoCodec);
        values.videoBitrate = parseOptionInt(selectedText(Combo(kVideoBitrateCombo)));
        values.frameRate = parseOptionValue(selectedText(Combo(kFrameRateCombo)));
        values.width = Spin(kWidthEdit)->value();
        values.height = Spin(kHeightEdit)->value();
        if ((values.width == 0) != (values.height == 0))
            return kBadFrameSize;
        takeData(Combo(kAspectRatioCombo), values.aspectRatio);
        values.videoQuality = Spin(kVideoQualityEdit)->value();
    }
    if (audio) {
        takeData(Combo(kAudioCodecCombo), values.audioCodec);
        values.audioBitrate = parseOptionInt(selectedText(Combo(kAudioBitrateCombo)));
        values.sampleRate = parseOptionInt(selectedText(Combo(kSampleRateCombo)));
        takeData(Combo(kChannelCombo), values.channel);
        values.audioQuality = Spin(kAudioQualityEdit)->value();
    }
    m_catalogue.replace(m_shown, values);
    return kApplied;
}
