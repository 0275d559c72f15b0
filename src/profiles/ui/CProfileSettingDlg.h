// The "Profile Setting" dialog: shows one profile of the catalogue (`shownProfile`) in four panes
// ("Profile" with the category and profile combos and "Save as Profile", "Video", "Audio" and
// "Button" with "Cancel" and "OK"), lets the user edit its values, switch to another profile or
// category, and save, rename or delete custom profiles. exec() gives 1 after OK, 2 after Cancel.
//
// CProfileSettingDlg.cpp builds the window and handles the commands; CProfileSettingDlgValues.cpp
// moves values between a profile and the controls.
#pragma once

#include "CBaseDialog.h"
#include "Profile.h"

#include <functional>
#include <memory>

class CBaseWnd;
class CMenuEx;
class CProfileSaveasDlg;
class CVelComboBox;
class ProfileCatalogue;
class ProfileComboPair;
class QSpinBox;

class CProfileSettingDlg : public CBaseDialog {
public:
    // Pane elements.
    enum ItemId : int {
        kLabel = 0,
        kSaveAs = 2,
        kCancel = 3,
        kOk = 4,
        kSaveAsArrow = 5,
        kEnableVideo = 6,
        kEnableAudio = 7,
    };
    // Controls.
    enum ControlId : int {
        kProfileCombo = 1004,
        kVideoCodecCombo = 1005,
        kFrameSizeCombo = 1006,
        kFrameRateCombo = 1007,
        kAudioCodecCombo = 1008,
        kVideoBitrateCombo = 1009,
        kAspectRatioCombo = 1010,
        kChannelCombo = 1011,
        kSampleRateCombo = 1013,
        kAudioBitrateCombo = 1014,
        kCategoryCombo = 1015,
        kWidthEdit = 1016,        // spin 1017
        kHeightEdit = 1018,       // spin 1019
        kVideoQualityEdit = 1020, // spin 1021
        kAudioQualityEdit = 1022, // spin 1023
    };
    // The "SAVEASMENU" commands.
    enum Command : int { kCmdSaveAs = 32814, kCmdRename = 32815, kCmdDelete = 32816 };
    // Results of ApplyControls.
    static constexpr int kApplied = 0;
    static constexpr int kNoStream = -1;
    static constexpr int kBadFrameSize = -2;

    static constexpr int kTemplateId = 146;
    static constexpr int kProfilePaneId = 115;
    static constexpr int kButtonPaneId = 116;
    static constexpr int kVideoPaneId = 117;
    static constexpr int kAudioPaneId = 118;
    static constexpr int kWidth = 620;
    static constexpr int kHeight = 400;
    static constexpr int kMaxFrameDimension = 2000;

    // `profile` null: the first profile of category 0.
    CProfileSettingDlg(ProfileCatalogue& catalogue, ProfileRef profile, QWidget* parent = nullptr,
                       CBaseSkin* skin = nullptr);
    ~CProfileSettingDlg() override;

    ProfileRef ShownProfile() const { return m_shown; }

    // --- what the panes, combos and the menu do ---
    // Writes the controls into the shown profile: kApplied, kNoStream (neither stream ticked) or
    // kBadFrameSize (exactly one of width and height is 0; nothing changed).
    int ApplyControls();
    // OK: applies and closes, or shows why not and stays.
    void OnOk();
    void OnCategoryChosen(int index);
    void OnProfileChosen(int index);
    void OnFrameSizeChosen(int index);
    // Runs the save-as dialog in mode 0 (save as) or 1 (rename) on the shown profile.
    void RunSaveas(int mode);
    // Asks, then deletes the custom profile selected in the profile combo.
    void DeleteSelected();
    void OnCommand(int command);
    // Opens the save-as menu below "Save as Profile" and runs the chosen command.
    void ShowSaveasMenu();
    // Greys "Rename..." and "Delete" unless the shown profile is a custom one.
    void UpdateSaveasMenu();

    // Tests and the main window may run the save-as dialog their own way (default: exec()).
    void SetSaveasRunner(std::function<int(CProfileSaveasDlg&)> runner) {
        m_runSaveas = std::move(runner);
    }

    // --- parts ---
    CVelComboBox* Combo(int controlId) const;
    // The numeric edit with its spin, by the edit's or the spin's id.
    QSpinBox* Spin(int controlId) const;
    CBaseWnd* Pane(int paneId) const;
    CMenuEx* SaveasMenu() const { return m_saveasMenu.get(); }
    bool VideoTicked() const;
    bool AudioTicked() const;

    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;
    void OnPaneClick(const PaneNotify& notify) override;
    void OnCloseButton() override;

private:
    // CProfileSettingDlg.cpp
    void BuildProfilePane();
    void BuildVideoPane();
    void BuildAudioPane();
    void BuildButtonPane();
    CVelComboBox* AddComboRow(CBaseWnd* pane, const char* label, int controlId);
    QSpinBox* AddSpinRow(CBaseWnd* pane, const char* label, int controlId, int maximum, int value);
    void ShowProfile(const ProfileRef& profile);

    // CProfileSettingDlgValues.cpp
    void LoadProfile(const Profile& profile);
    void LoadVideo(const Profile& profile);
    void LoadAudio(const Profile& profile);
    void SetTicked(int itemId, bool ticked, bool enabled);
    // Width or height changed by a person: the frame size becomes the last entry.
    void OnDimensionEdited();

    ProfileCatalogue& m_catalogue;
    ProfileRef m_shown;
    std::unique_ptr<ProfileComboPair> m_combos;
    std::unique_ptr<CMenuEx> m_saveasMenu;
    std::function<int(CProfileSaveasDlg&)> m_runSaveas;
    CBaseWnd* m_profilePane = nullptr;
    CBaseWnd* m_buttonPane = nullptr;
    CBaseWnd* m_videoPane = nullptr;
    CBaseWnd* m_audioPane = nullptr;
    // Values set by the dialog itself are not a person's edits.
    bool m_loading = false;
};
