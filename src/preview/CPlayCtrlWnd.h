// The play control pane of the main window: play, stop, snapshot and its menu arrow, volume and
// its slider, the effect/original switch, the elapsed/duration text and the clip text, with the
// position track and its clip markers drawn along the top. It shows the current list item's
// times and the settings' volume and picture choice; its gestures (dragging the knob, the markers
// and the slider) arrive with the player, until then the pane only reports element clicks.
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

    int Position() const { return m_position; }
    int ClipBeginMarker() const { return m_clipBegin; }
    int ClipEndMarker() const { return m_clipEnd; }

    // The volume image for a level: mute up to 20, then low, middle, high and full by twenties.
    static int VolumeImageId(int level);

protected:
    void AfterItems(QPainter& painter) override;

private:
    void PaintTrack(QPainter& painter);
    void PaintSlider(QPainter& painter);
    void UpdateTimeText();
    void UpdateClipText();
    int TrackLength() const { return width() - 26; }
    QColor TableColor(int id) const;

    const MediaItem* m_item = nullptr;
    int m_position = 0;
    int m_clipBegin = 0;
    int m_clipEnd = kRangeMax;
    int m_volume = 100;
    bool m_enabled = true;
    bool m_markersActive = true;
    bool m_effectShown = true;
    int64_t m_duration = 0;
};
