// The about dialog: one skinned pane ("about", id 126) with the product image, the version and
// the links to the maker's support and home pages. A click on a link opens it in the browser; a
// click anywhere else in the pane closes the dialog.
#pragma once

#include "CBaseDialog.h"

class CBaseWnd;

class CVelAboutDlg : public CBaseDialog {
public:
    enum ItemId : int {
        kProductImage = 1,
        kVersionText = 2,
        kSupportLabel = 3,
        kSupportLink = 4,
        kHomeLabel = 5,
        kHomeLink = 6,
    };
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 272;

    explicit CVelAboutDlg(QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    CBaseWnd* Pane() const { return m_pane; }
    // "Version : 2.1.3.1".
    static QString VersionText();

    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;
    void OnPaneClick(const PaneNotify& notify) override;

private:
    CBaseWnd* m_pane = nullptr;
};
