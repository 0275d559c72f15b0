// "Fit to size": the most bytes a media item's output may take. One row "Make the output at most
// [number] [KB|MB|GB]" (units of 1024), "Apply to all checked items", "No limit", OK and Cancel.
// After OK (exec() gives 1) Limit() is the chosen limit in bytes, 0 for none.
#pragma once

#include "CBaseDialog.h"

#include <QString>

#include <cstdint>

class CBaseWnd;
class CVelComboBox;
class CVelEdit;

class CFitSizeDlg : public CBaseDialog {
public:
    enum ItemId : int {
        kPrompt = 1,
        kSizeItem = 2,
        kUnitItem = 3,
        kApplyToChecked = 4,
        kNoLimit = 5,
        kProblem = 6,
        kOk = 7,
        kCancel = 8,
    };
    enum Unit : int { kKB = 0, kMB = 1, kGB = 2 };
    // The small dialogs' look (the rename dialog's style of the skin).
    static constexpr int kTemplateId = 145;
    static constexpr int kPaneId = 115;
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 200;
    // Above this a limit means nothing on any disk this program writes to.
    static constexpr int64_t kMaxLimit = int64_t(1) << 50;

    // `limit` is the item's current one (0: none; the box then offers 10 MB).
    explicit CFitSizeDlg(int64_t limit, QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    // The bytes `text` in `unit` stands for, or -1 when it is no size above 0 (or too large).
    static int64_t parseLimit(const QString& text, int unit);

    int64_t Limit() const { return m_limit; }
    bool ApplyToChecked() const { return m_applyToChecked; }

    CBaseWnd* Pane() const { return m_pane; }
    CVelEdit* SizeEdit() const { return m_size; }
    CVelComboBox* UnitCombo() const { return m_unit; }

    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;
    void OnPaneClick(const PaneNotify& notify) override;

private:
    void UpdateNoLimit();
    void Accept();

    CBaseWnd* m_pane = nullptr;
    CVelEdit* m_size = nullptr;
    CVelComboBox* m_unit = nullptr;
    int64_t m_limit = 0;
    bool m_applyToChecked = false;
};
