// The file rename dialog the main window shows when a conversion's output already exists and the
// rename dialog is on: caption "Rename", one pane "File Rename" with the texts, the new name in
// edit box 1003, "OK", "Cancel" and "Auto", and the "Always show this dialog" box. The decisions
// are CFileRenameLogic's; exec() gives 1 (OK with a new name), 2 (Cancel: skip) or 102 (Auto).
#pragma once

#include "CBaseDialog.h"
#include "CFileRenameLogic.h"

#include <string>

class CBaseWnd;
class CVelEdit;
struct VelSettings;

class CFileRenameDlg : public CBaseDialog {
public:
    enum ItemId : int {
        kExistsText = 1,
        kEnterText = 2,
        kAutoText = 3,
        kNameLabel = 4,
        kNameEdit = 5, // hosts edit box 1003
        kOk = 6,
        kCancel = 7,
        kAuto = 8,
        kAlwaysShow = 9,
    };
    static constexpr int kTemplateId = 145;
    static constexpr int kPaneId = 114;
    static constexpr int kEditId = 1003;
    static constexpr int kWidth = 520;
    static constexpr int kHeight = 214;

    CFileRenameDlg(const std::string& fullPath, VelSettings& settings, QWidget* parent = nullptr,
                   CBaseSkin* skin = nullptr);

    // After OK: folder + new name + "." + extension.
    std::string NewFullPath() const { return m_logic.newFullPath(); }
    const CFileRenameLogic& Logic() const { return m_logic; }
    CBaseWnd* Pane() const { return m_pane; }
    CVelEdit* NameEdit() const { return m_edit; }

    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;
    void OnPaneClick(const PaneNotify& notify) override;
    void OnCloseButton() override;

private:
    CFileRenameLogic m_logic;
    CBaseWnd* m_pane = nullptr;
    CVelEdit* m_edit = nullptr;
};
