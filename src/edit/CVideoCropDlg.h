// The "Crop" page: the crop rectangle of the item's source picture, typed or stepped edge by
// edge or dragged over the picture (drawn in its own shape), held to at least 60 x 40 source
// pixels and, when asked, near an aspect ratio. Every change goes into the item and is announced
// with 4812.
#pragma once

#include "CVideoEditPage.h"

#include "CropGeometry.h"

class CSpinCtrl;
class CVelComboBox;
class CVelEdit;
class CVideoCropWnd;

class CVideoCropDlg : public CVideoEditPage {
public:
    static constexpr int kTemplateId = 161;
    static constexpr int kPaneId = 161;
    // Panel elements.
    enum Element : int { kReset = 1, kKeepAspect = 2 };
    enum Edge : int { kLeft = 0, kTop, kRight, kBottom, kEdgeCount };

    CVideoCropDlg(MessageTarget* mainWindow, QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    void ShowItem(MediaItem* item, const StreamList& streams) override;
    bool confirmPage() override;
    void cancelPage() override;
    void OnPaneClick(const PaneNotify& notify) override;
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    CVideoCropWnd* CropPanel() const { return m_cropPanel; }
    CSpinCtrl* SpinOf(Edge edge) const { return m_spins[edge]; }
    CVelComboBox* AspectCombo() const { return m_aspect; }
    const CropSource& Source() const { return m_source; }

private:
    void ShowNoItem();
    void ShowEdges(const MediaCrop& crop);
    void ShowEdge(CropEdge edge, const MediaCrop& crop);
    // The item's rectangle onto the drawing area's picture.
    void ShowCropInPanel();
    double TargetRatio() const;
    // True when the spin's step is refused.
    bool OnSpinStep(Edge edge, int pos, int delta);
    // A number typed into an edge's box moves the rectangle (and an open preview's crop).
    void OnEdgeTyped();
    void OnAspectChosen();
    void OnKeepAspectClicked();
    void OnReset();
    void OnDragged(const CropArea& area, const CropArea& dragged);
    // Runs the general fit on the item and shows the edge it moved; true when one moved.
    bool FitGeneral();

    CVideoCropWnd* m_cropPanel = nullptr;
    CVelComboBox* m_aspect = nullptr;
    CSpinCtrl* m_spins[kEdgeCount] = {};
    CVelEdit* m_edits[kEdgeCount] = {};
    CropSource m_source;
    MediaCrop m_saved;
};
