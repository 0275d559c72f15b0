// The play control pane of the main window: play, stop, snapshot and its menu arrow, volume and
// its slider, the effect/original switch, the elapsed/duration text and the clip text, with the
// position track and its clip markers drawn along the top. It shows state and reports the user's
// gestures to its parent: element clicks, and the values of the position knob, the two clip
// markers and the volume knob with message 1124 (wParam 512 while the volume knob moves, 514 when
// a handle is let go; the record's index is kind * 65536 + value).
#pragma once

#include "CBaseWnd.h"

#include <cstdint>

struct MediaItem;

class CPlayCtrlWnd : public CBaseWnd {
public:
    enum ItemId : int {
        kClipLabel = 0,
        kPlay = 1,
        kStop = 2,
        kSnapshot = 3,
        kSnapshotMenu = 4,
        kVolume = 5,
        kEffectSwitch = 6,
        kTimeText = 7,
        kClipText = 8,
    };
    static constexpr int kPaneId = 110;
    static constexpr int kHeight = 88;
    static constexpr int kTrackHeight = 24; // the position track's rows at the top
    static constexpr int kRangeMax = 10000;
    static constexpr int kSliderLength = 80;
    // Kinds of a value notification.
    enum ValueKind : int {
        kPositionValue = 1,
        kClipBeginValue = 2,
        kClipEndValue = 3,
        kVolumeValue = 4
    };
    enum Handle : int { kNoHandle = 0, kKnob = 1, kBeginMarker = 2, kEndMarker = 3, kVolumeKnob = 4 };

    using CBaseWnd::CBaseWnd;
    bool Create(const QString& name, unsigned style, QWidget* parent, int id) override;

    // The item whose times are shown (null: none). Places the clip markers, rewrites both texts
    // and repaints the track; a capture device has no position and no markers.
    void SetCurrentItem(const MediaItem* item);
    const MediaItem* CurrentItem() const { return m_item; }
    // The pane as a whole: while disabled, elements 1, 4, 5 and 6 are disabled too.
    void SetPlayEnabled(bool enabled);
    bool IsPlayEnabled() const { return m_enabled; }
    void SetMarkersActive(bool active);
    bool MarkersActive() const { return m_markersActive; }
    // Slider value 0..100 and the matching volume image.
    void SetVolume(int level);
    int Volume() const { return m_volume; }
    // True: the picture with effects is shown, the switch offers the original picture.
    void SetEffectShown(bool shown);
    bool EffectShown() const { return m_effectShown; }

    // The knob's place on the 0..10000 scale; ignored while the knob is being dragged.
    void SetPosition(int position);
    int Position() const { return m_position; }
    // The handle the left button holds, or kNoHandle; and whether the mouse is over a handle.
    Handle Dragging() const { return m_dragging; }
    bool IsHot(Handle handle) const;
    // The handle under a client point (markers only while they are active), or kNoHandle.
    Handle HandleAt(int x, int y) const;
    // The tooltip for a client point: the element's own, else the track handle's, else empty.
    QString TooltipAt(int x, int y) const;
    // Hit rectangles of the handles (the volume knob's covers element 5's height).
    QRect HandleRect(Handle handle) const;
    int ClipBeginMarker() const { return m_clipBegin; }
    int ClipEndMarker() const { return m_clipEnd; }

    // The position knob's or the volume knob's value, and a value set without the mouse (keys,
    // assistive technology): moved and reported as a drag let go there is. False while the pane
    // is disabled or a handle is held, and for the knob while no item is shown.
    int HandleValue(Handle handle) const;
    bool SetHandleValue(Handle handle, int value);
    QAccessibleInterface* CreateAccessible() override;

    // The volume image for a level: mute up to 20, then low, middle, high and full by twenties.
    static int VolumeImageId(int level);

protected:
    void AfterItems(QPainter& painter) override;
    void OnClick(PaneItem* item, unsigned keys, int x, int y) override;
    void OnButtonUp(PaneItem* item, unsigned keys, int x, int y) override;
    void OnMouseMove(PaneItem* item, unsigned keys, int x, int y) override;
    bool OnHoverLeave(PaneItem* item, unsigned keys, int x, int y) override;
    void OnHover(PaneItem* item, unsigned keys, int x, int y) override;
    // Space plays and pauses; Ctrl+Left/Right seek by a twentieth, Ctrl+Up/Down set the volume.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PaintTrack(QPainter& painter);
    void PaintSlider(QPainter& painter);
    void UpdateTimeText();
    void UpdateClipText();
    int TrackLength() const { return width() - 26; }
    QColor TableColor(int id) const;
    QColor HandleColor(Handle handle) const;
    // The track value under client x, clamped to the range; the slider value likewise.
    int TrackValue(int x) const;
    int SliderValue(int x) const;
    void Drag(int x);
    void Hover(int x, int y);
    // Lets go of the handle held: mouse released, notification 514, flags cleared.
    void EndDrag();
    void NotifyValue(unsigned code, int kind, int value);
    // Repaints what a handle's look affects: the track strip, or the slider area.
    void InvalidateHandle(Handle handle);
    QRect SliderArea() const;

    const MediaItem* m_item = nullptr;
    int m_position = 0;
    int m_clipBegin = 0;
    int m_clipEnd = kRangeMax;
    int m_volume = 100;
    bool m_enabled = true;
    bool m_markersActive = true;
    bool m_effectShown = true;
    int64_t m_duration = 0;
    Handle m_dragging = kNoHandle;
    Handle m_hot = kNoHandle;
};
