#include "EditTestSupport.h"

#include "CBaseWnd.h"
#include "PaneItem.h"
#include "Profile.h"

#include <QTest>

#include <gtest/gtest.h>

StreamList streamsOf(int width, int height, bool audio) {
    StreamList streams;
    if (width > 0 && height > 0) {
        tagVeldesStreamInfo video{};
        video.type = VELDES_STREAM_VIDEO;
        video.width = width;
        video.height = height;
        video.frameRate = 25.0;
        streams.push_back(video);
    }
    if (audio) {
        tagVeldesStreamInfo sound{};
        sound.type = VELDES_STREAM_AUDIO;
        sound.sampleRate = 44100;
        sound.channels = 2;
        streams.push_back(sound);
    }
    return streams;
}

std::unique_ptr<MediaItem> editItem(bool audioOnlyProfile) {
    auto item = std::make_unique<MediaItem>();
    auto profile = std::make_shared<Profile>();
    profile->name = audioOnlyProfile ? "MP3" : "MP4";
    profile->flag = audioOnlyProfile ? kProfileAudioOnly : 0;
    item->profile = profile;
    item->sourcePath = "/in/clip.mp4";
    return item;
}

void clickElement(CBaseWnd* pane, int itemId) {
    const PaneItem* item = pane->FindItem(itemId);
    ASSERT_NE(item, nullptr) << "item " << itemId;
    QTest::mouseClick(pane, Qt::LeftButton, {}, item->rect().toQRect().center());
}

bool elementChecked(const CBaseWnd* pane, int itemId) {
    return (pane->ItemState(itemId) & kStateChecked) != 0;
}

bool elementDisabled(const CBaseWnd* pane, int itemId) {
    return (pane->ItemState(itemId) & kStateDisabled) != 0;
}
