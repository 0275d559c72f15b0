// The modeless "Video Edit" dialog: a tab strip ("Effects", "Watermark", "Crop", "Sound") at the
// left, the page of the selected tab beside it, "Confirm" and "Cancel" below. Pages are made the
// first time their tab is chosen; "Confirm" and "Cancel" act on the page shown only, then hide the
// dialog. The main window hands it the current item whenever that changes.
#pragma once

#include "CVideoEditPage.h"

#include "CBaseDialog.h"

#include <array>

class CBaseWnd;
class OutlookTabCtrlEx;

class CVideoEditDlg : public CBaseDialog {
public:
    static constexpr int kTemplateId = 150;
    static constexpr int kTabControlId = 1040;
    static constexpr int kButtonPaneId = 153;
    enum Element : int { kConfirm = 1, kCancel = 2 };
    enum Page : int { kEffects = 0, kWatermark = 1, kCrop = 2, kSound = 3, kPageCount = 4 };
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 400;
    static constexpr int kTabWidth = 120;

    // `mainWindow` receives the pages' change messages; the dialog is a window of `owner`.
    CVideoEditDlg(MessageTarget* mainWindow, QWidget* owner = nullptr, CBaseSkin* skin = nullptr);

    // Selects the tab and shows its page (0 to 3; another index does nothing).
    void SelectPage(int index);
    // The item to edit, or none, with its source's stream records.
    void SetItem(MediaItem* item, const StreamList& streams);
    MediaItem* Item() const { return m_item; }

    int ShownPage() const { return m_shown; }
    // The page, or null while it was never shown.
    CVideoEditPage* PageAt(int index) const;
    OutlookTabCtrlEx* Tabs() const { return m_tabs; }
    CBaseWnd* ButtonPane() const { return m_buttons; }

    void Confirm();
    void Cancel();

    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;
    void OnPaneClick(const PaneNotify& notify) override;
    void OnCloseButton() override;
    // Escape: as "Cancel".
    void reject() override;
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CVideoEditPage* MakePage(int index);
    void AskForSoundFigures();
    void PlaceChildren();

    MessageTarget* m_main;
    OutlookTabCtrlEx* m_tabs = nullptr;
    CBaseWnd* m_buttons = nullptr;
    std::array<CVideoEditPage*, kPageCount> m_pages{};
    int m_shown = -1;
    MediaItem* m_item = nullptr;
    StreamList m_streams;
};
