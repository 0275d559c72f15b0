// The play control pane as the main window uses it before the player arrives: its elements and
// their place, the current item's times and clip markers, the volume image, the picture switch,
// enabling.
#include "CPlayCtrlWnd.h"

#include "CVelSkin.h"
#include "MediaItem.h"

#include "QtTestSupport.h"

#include <gtest/gtest.h>

namespace {

class PlayCtrlWnd : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        ASSERT_GE(theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin"), 0);
        ASSERT_TRUE(pane.Create(QStringLiteral("PlayControlWindow"), 0, &host, 110));
        host.resize(380, 88);
        pane.setGeometry(0, 0, 380, 88);
        host.show();
    }
    QString caption(int id) const { return pane.FindItem(id)->caption; }

    QWidget host;
    CPlayCtrlWnd pane;
};

} // namespace

TEST_F(PlayCtrlWnd, ElementsInOrderInsideThePaneAndClearOfTheSlider) {
    const int order[] = {1, 2, 3, 4, 5, 6, 7, 0, 8};
    ASSERT_EQ(pane.Items().size(), std::size(order));
    for (size_t i = 0; i < std::size(order); ++i)
        EXPECT_EQ(pane.Items()[i]->id, order[i]);
    const struct {
        int id;
        QSize size;
    } sizes[] = {{1, {24, 24}}, {2, {24, 24}},  {3, {20, 20}},  {4, {8, 16}},  {5, {20, 20}},
                 {6, {20, 20}}, {7, {102, 20}}, {0, {100, 20}}, {8, {200, 20}}};
    for (const auto& s : sizes)
        EXPECT_EQ(pane.FindItem(s.id)->rect().toQRect().size(), s.size) << s.id;
    // Below the 24 rows of the track, inside the pane, apart; the slider's 111 pixels to the
    // right of the volume button stay free.
    const QRect volume = pane.FindItem(5)->rect().toQRect();
    const QRect slider(volume.left() + 21, volume.top(), 90, volume.height());
    for (const auto& item : pane.Items()) {
        const QRect r = item->rect().toQRect();
        EXPECT_GE(r.top(), CPlayCtrlWnd::kTrackHeight) << item->id;
        EXPECT_TRUE(pane.rect().contains(r)) << item->id;
        if (item->id != 5) {
            EXPECT_FALSE(r.intersects(slider)) << item->id;
        }
        for (const auto& other : pane.Items()) {
            if (other != item) {
                EXPECT_FALSE(r.intersects(other->rect().toQRect()))
                    << item->id << " and " << other->id;
            }
        }
    }
    EXPECT_EQ(caption(7), QStringLiteral("00:00:00/00:00:00"));
    EXPECT_EQ(caption(0), QStringLiteral("Begin/End: "));
    EXPECT_EQ(caption(8), QStringLiteral("00:00:00/00:00:00 (00:00:00)"));
}

TEST_F(PlayCtrlWnd, CurrentItemPlacesTheMarkersAndWritesTheTimes) {
    struct Case {
        const char* name;
        int64_t duration, clipBegin, clipEnd;
        int begin, end;
        const char* time;
        const char* clip;
    };
    const Case cases[] = {
        {"no duration", 0, 500, 900, 0, 10000, "00:00:00/00:00:00", "00:00:00/00:00:00 (00:00:00)"},
        {"to the end", 3723000, 60000, -1, 161, 10000, "00:00:00/01:02:03",
         "00:00:59/01:02:03 (01:01:03)"},
        {"a clip", 100000, 25000, 75000, 2500, 7500, "00:00:00/00:01:40",
         "00:00:25/00:01:15 (00:00:50)"},
        {"end past the media", 100000, 0, 250000, 0, 10000, "00:00:00/00:01:40",
         "00:00:00/00:01:40 (00:01:40)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MediaItem item;
        item.sourcePath = "/media/a.avi";
        item.duration = c.duration;
        item.clipBegin = c.clipBegin;
        item.clipEnd = c.clipEnd;
        pane.SetCurrentItem(&item);
        EXPECT_EQ(pane.ClipBeginMarker(), c.begin);
        EXPECT_EQ(pane.ClipEndMarker(), c.end);
        EXPECT_EQ(caption(7), QString::fromUtf8(c.time));
        EXPECT_EQ(caption(8), QString::fromUtf8(c.clip));
        EXPECT_TRUE(pane.MarkersActive());
    }
    pane.SetCurrentItem(nullptr);
    EXPECT_EQ(caption(7), QStringLiteral("00:00:00/00:00:00"));
    EXPECT_EQ(caption(8), QStringLiteral("00:00:00/00:00:00 (00:00:00)"));
    EXPECT_EQ(pane.CurrentItem(), nullptr);
}

TEST_F(PlayCtrlWnd, ACaptureDeviceHasNoPositionOrMarkers) {
    MediaItem device;
    device.sourcePath = "fakedev:camera";
    pane.SetCurrentItem(&device);
    EXPECT_FALSE(pane.MarkersActive());
    EXPECT_EQ(pane.Position(), 0);
}

TEST_F(PlayCtrlWnd, VolumeImageByLevelAndTheSliderValue) {
    const std::pair<int, int> levels[] = {
        {0, CVelSkin::kVolumeMute},  {20, CVelSkin::kVolumeMute},   {21, CVelSkin::kVolumeLow},
        {40, CVelSkin::kVolumeLow},  {41, CVelSkin::kVolumeMiddle}, {60, CVelSkin::kVolumeMiddle},
        {61, CVelSkin::kVolumeHigh}, {80, CVelSkin::kVolumeHigh},   {81, CVelSkin::kVolumeFull},
        {100, CVelSkin::kVolumeFull}};
    for (const auto& [level, image] : levels) {
        EXPECT_EQ(CPlayCtrlWnd::VolumeImageId(level), image) << level;
        pane.SetVolume(level);
        EXPECT_EQ(pane.FindItem(CPlayCtrlWnd::kVolume)->imageId, image) << level;
        EXPECT_EQ(pane.Volume(), level);
    }
    pane.SetVolume(150);
    EXPECT_EQ(pane.Volume(), 100);
    pane.SetVolume(-5);
    EXPECT_EQ(pane.Volume(), 0);
}

TEST_F(PlayCtrlWnd, PictureSwitchAndEnabling) {
    pane.SetEffectShown(false);
    EXPECT_EQ(pane.FindItem(6)->imageId, CVelSkin::kVideoOriginal);
    EXPECT_EQ(pane.FindItem(6)->tooltip, QStringLiteral("Switch to effect video"));
    pane.SetEffectShown(true);
    EXPECT_EQ(pane.FindItem(6)->imageId, CVelSkin::kVideoEffect);
    EXPECT_EQ(pane.FindItem(6)->tooltip, QStringLiteral("Switch to original video"));

    pane.SetPlayEnabled(false);
    EXPECT_FALSE(pane.IsPlayEnabled());
    for (int id : {1, 4, 5, 6})
        EXPECT_TRUE(pane.FindItem(id)->isDisabled()) << id;
    for (int id : {2, 3})
        EXPECT_FALSE(pane.FindItem(id)->isDisabled()) << id;
    pane.SetPlayEnabled(true);
    for (int id : {1, 4, 5, 6})
        EXPECT_FALSE(pane.FindItem(id)->isDisabled()) << id;
}

TEST_F(PlayCtrlWnd, PaintsTrackAndSliderInTheSkinsColours) {
    pane.SetVolume(50);
    const QImage shot = pane.grab().toImage();
    const QColor unplayed = QColor::fromRgba(theSkin().StyleColor(110, 0, 106));
    const QColor filled = QColor::fromRgba(theSkin().StyleColor(110, 0, 107));
    // The unplayed track runs the pane's width at rows 8..15.
    EXPECT_EQ(shot.pixelColor(190, 12), unplayed);
    const QRect volume = pane.FindItem(CPlayCtrlWnd::kVolume)->rect().toQRect();
    const int y = volume.center().y();
    EXPECT_EQ(shot.pixelColor(volume.left() + 26 + 10, y), filled);
    EXPECT_EQ(shot.pixelColor(volume.left() + 26 + 70, y), unplayed);
}
