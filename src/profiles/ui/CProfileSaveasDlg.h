// The small dialog that names a custom profile: mode 0 saves a copy of a profile as a new
// custom profile, mode 1 renames a custom profile. One pane "ProfileSaveas" with the name edit
// box 1027, "Cancel" and "OK". exec() gives 1 after OK, 2 after Cancel.
#pragma once

#include "CBaseDialog.h"
#include "Profile.h"

class CBaseWnd;
class CVelEdit;
class ProfileCatalogue;

class CProfileSaveasDlg : public CBaseDialog {
public:
    enum Mode : int { kSaveAs = 0, kRename = 1 };
    enum ItemId : int { kNameLabel = 1, kNameEdit = 2, kCancel = 3, kOk = 4 };
    static constexpr int kTemplateId = 147;
    static constexpr int kPaneId = 121;
    static constexpr int kEditId = 1027;
    static constexpr int kWidth = 360;
    static constexpr int kHeight = 130;

    CProfileSaveasDlg(ProfileCatalogue& catalogue, ProfileRef record, int mode,
                      QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    // Checks the name and does the saving or renaming; false (a message was shown, the dialog
    // stays) when the name is empty or taken by a custom profile.
    bool Ok();
    // The custom profile made by mode 0, after OK.
    ProfileRef Created() const { return m_created; }
    int Mode() const { return m_mode; }
    CVelEdit* NameEdit() const { return m_edit; }
    CBaseWnd* Pane() const { return m_pane; }

    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;
    void OnPaneClick(const PaneNotify& notify) override;
    void OnCloseButton() override;

private:
    ProfileCatalogue& m_catalogue;
    ProfileRef m_record;
    int m_mode;
    ProfileRef m_created;
    CBaseWnd* m_pane = nullptr;
    CVelEdit* m_edit = nullptr;
};
