// The base of every skinned dialog: a frameless dialog that owns a caption pane, lays its panes
// out by a small docking engine, moves and sizes itself through its own hit testing, paints its
// background from the skin, and turns pane notifications into virtual calls.
#pragma once

#include "DockLayout.h"
#include "PanePlacement.h"
#include "SkinUiTypes.h"

#include "MessageTarget.h"

#include <QDialog>
#include <QPointer>

#include <cstdint>

class CBaseSkin;
class CBaseWnd;
class CCaptionWnd;
class QPainter;

class CBaseDialog : public QDialog, public MessageTarget {
public:
    // Caption-button mask bits.
    static constexpr unsigned kCaptionClose = 0x1;
    static constexpr unsigned kCaptionMaximize = 0x2; // also: sizing border, double click
    static constexpr unsigned kCaptionMinimize = 0x4;
    static constexpr unsigned kCaptionMenu = 0x8;
    static constexpr unsigned kCaptionIcon = 0x20;
    static constexpr unsigned kDefaultCaptionMask = 63;
    static constexpr int kCaptionId = 101;
    static constexpr int kCaptionHeight = 30;

    // `dialogId` names the dialog's style in the skin. A mask of 0 makes a dialog without a
    // caption pane. `skin` null: the process-wide skin.
    explicit CBaseDialog(int dialogId, QWidget* parent = nullptr,
                         unsigned captionMask = kDefaultCaptionMask, CBaseSkin* skin = nullptr);
    ~CBaseDialog() override;

    // --- operations ---
    // False (nothing added) when a record for the same window is already in the list.
    bool AddPane(const PanePlacement& record);
    void RemoveAllPanes();
    void Relayout();
    const PanePlacementList& Panes() const { return m_panes; }
    PanePlacement* FindPane(const QWidget* window);
    // The frame of the small dialogs (about, countdown, rename): a fixed size, and the caption
    // and one content pane below it, each 1 px inside the edge the background draws, so the
    // dialog stands out over the main window. Returns the content pane.
    CBaseWnd* AddFramedContentPane(const QString& paneName, int paneId, int width, int height);

    // The buttons Enter and Escape press: items of one of the dialog's panes (an id of 0: none).
    // Without a cancel button Escape closes the dialog as its close box does.
    void SetKeyButtons(CBaseWnd* pane, int defaultId, int cancelId);

    // Tab and Shift+Tab go through the dialog's controls and pane items as they are read: rows
    // from the top, left to right (FocusOrder.h), whatever order they were made in. On unless
    // the dialog keeps an order of its own (the main window).
    void SetVisualTabOrder(bool on) { m_visualTabOrder = on; }
    bool VisualTabOrder() const { return m_visualTabOrder; }
    // One step of that order from where the focus stands (wrapping round); false when the
    // dialog has no stop.
    bool StepFocus(bool next);

    CCaptionWnd* Caption() const { return m_caption; }
    unsigned CaptionMask() const { return m_captionMask; }
    CBaseSkin* Skin() const { return m_skin; }
    int DialogId() const { return m_dialogId; }
    // The classic non-client answer for a point in client coordinates.
    int HitTest(const QPoint& point) const;

    // --- hooks, in the order of the classic slot table ---
    virtual uint32_t DialogColor(int index) const;
    // Index 0 the fill type, 1 the gradient direction.
    virtual int DialogFill(int index) const;
    virtual void SetTitle(const QString& text);
    virtual void OnPaneAdded(PanePlacement& record) {}
    virtual void OnPaneRemoved(PanePlacement& record) {}
    virtual bool SkipPaneLayout(const PanePlacement& record) { return false; }
    virtual bool IsFixedSize() const { return false; }
    virtual void OnPaneClick(const PaneNotify& notify);
    virtual void OnPaneDblClick(const PaneNotify& notify);
    virtual bool PaintBackground(QPainter& painter, int fillType) { return false; }
    virtual void ToggleMaximize();
    virtual void OnCloseButton();
    virtual void Minimize();
    virtual void OnMenuButton() {}
    virtual void OnIconButton() {}
    virtual intptr_t OnPaneNotify(unsigned code, const PaneNotify* notify);
    virtual void OnEnterKey();
    virtual void OnEscapeKey();

    // The platform's interactive move and resize; false when the platform cannot do it.
    virtual bool StartSystemMove();
    virtual bool StartSystemResize(Qt::Edges edges);

    // Message 1124 goes to OnPaneNotify; derived dialogs handle their own numbers and pass the
    // rest here.
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void PlacePane(PanePlacement& record, size_t index);
    void UpdateCaptionMaximize();
    // A press on the sizing ring starts the platform's resize; true when it did.
    bool HandleSizingPress(QWidget* source, const QPoint& local);
    void TrackSizingCursor(QWidget* source, const QPoint& local);

    int m_dialogId;
    unsigned m_captionMask;
    CBaseSkin* m_skin;
    PanePlacementList m_panes;
    CCaptionWnd* m_caption = nullptr;
    QPointer<QWidget> m_cursorWidget;
    QPointer<CBaseWnd> m_keyPane;
    int m_defaultId = 0;
    int m_cancelId = 0;
    bool m_visualTabOrder = true;
};
