// The caption pane of a skinned dialog: the window buttons, the icon and the title. Dragging it
// outside its buttons moves the dialog.
#pragma once

#include "CBaseWnd.h"

class CCaptionWnd : public CBaseWnd {
public:
    static constexpr int kCloseId = 4001;
    static constexpr int kMaximizeId = 4002;
    static constexpr int kMinimizeId = 4003;
    static constexpr int kMenuId = 4004;
    static constexpr int kIconId = 4005;
    static constexpr int kTitleId = 4006;
    static constexpr int kButtonSize = 20;
    static constexpr int kButtonGap = 2; // between two buttons

    explicit CCaptionWnd(unsigned mask, CBaseSkin* skin = nullptr);

    bool Create(const QString& name, unsigned style, QWidget* parent, int id) override;
    unsigned Mask() const { return m_mask; }
    // Replaces the title item's caption, rearranges and repaints.
    void SetTitle(const QString& text);
    // Called on every size change of the dialog: the maximise button becomes "Restore" or
    // "Maximum" with the matching image.
    void OnDialogSized(bool maximized);

    void OnDblClick(PaneItem* item, unsigned keys, int x, int y) override;
    void OnMouseMove(PaneItem* item, unsigned keys, int x, int y) override;
    // Not a Tab stop: Escape closes the dialog, and the main menu has F10.
    bool AcceptsKeyboardFocus() const override { return false; }

protected:
    // Sets the icon's and the title's left margins for the skin's drawing before each placement.
    bool PlaceItem(PaneItem& item) override;

private:
    void AddButton(int id, int imageId, int placement, const QString& tooltip);

    unsigned m_mask;
    bool m_firstButton = true;
    int m_iconMargin = 0; // the icon's left margin as added
};
