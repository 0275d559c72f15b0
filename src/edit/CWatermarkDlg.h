// The "Watermark" page: an image or a line of text drawn over the picture, with its place,
// size and transparency. Every change goes into the item's watermark record and is announced to
// the main window with 4806; "Cancel" puts back the record the item had when it was shown.
#pragma once

#include "CVideoEditPage.h"

#include "MediaItem.h"

#include <string>

class CColorButton;
class CSpinCtrl;
class CVelComboBox;
class CVelEdit;

class CWatermarkDlg : public CVideoEditPage {
public:
    static constexpr int kTemplateId = 151;
    static constexpr int kPaneId = 151;
    static constexpr int kColorButtonId = 1036;
    // Panel elements.
    enum Element : int {
        kTextRadio = 1,
        kImageRadio = 2,
        kApplyToAll = 3,
        kReset = 4,
        kEnable = 5,
        kBrowse = 6,
    };
    enum Spin : int { kLeft = 0, kTop, kAlpha, kWidth, kHeight, kSpinCount };

    CWatermarkDlg(MessageTarget* mainWindow, QWidget* parent = nullptr,
                  CBaseSkin* skin = nullptr);

    void ShowItem(MediaItem* item, const StreamList& streams) override;
    bool confirmPage() override;
    void cancelPage() override;
    void OnPaneClick(const PaneNotify& notify) override;
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    // The open-file dialog's filter: "All (...)" first, then one entry per image format.
    static std::string ImageFilter();

    CVelEdit* ImagePathEdit() const { return m_imagePath; }
    CVelEdit* TextEdit() const { return m_text; }
    CVelComboBox* FontCombo() const { return m_font; }
    CVelComboBox* StyleCombo() const { return m_style; }
    CVelComboBox* SizeCombo() const { return m_size; }
    CColorButton* ColorButton() const { return m_colour; }
    CSpinCtrl* SpinOf(Spin spin) const { return m_spins[spin]; }

private:
    // CWatermarkDlgLayout.cpp: the controls.
    void BuildControls();
    void FillFonts();

    // The enabling rule. `fromClick`: the mode is then set and announced, unless a message
    // refused the watermark. False when a message refused it.
    bool ApplyEnablingRule(bool fromClick);
    void EnableKindControls(bool image, bool text);
    void EnableCommonControls(bool enabled);
    void SetSpinRanges();
    void ResetControls();
    // 5 for an image, 3 for text, 0 while "Enable Watermark" is cleared.
    int32_t ModeFromBoxes() const;
    // Stores a live change into the item and announces it; nothing without an item.
    void LiveChange();
    void OnRadioClicked(int element);
    void OnBrowse();
    void OnReset();
    void OnTextEdited();
    void OnFontChosen();
    void OnSizeChosen();
    void OnStyleChosen();
    bool OnSpinStep(Spin spin, int pos, int delta);
    void SelectFont(const std::string& name);
    void SelectSize(int size);

    CVelEdit* m_imagePath = nullptr;
    CVelEdit* m_text = nullptr;
    CVelComboBox* m_font = nullptr;
    CVelComboBox* m_style = nullptr;
    CVelComboBox* m_size = nullptr;
    CColorButton* m_colour = nullptr;
    CSpinCtrl* m_spins[kSpinCount] = {};
    CVelEdit* m_spinEdits[kSpinCount] = {};
    MediaWatermark m_saved;
};
