// What the edit dialog's tests share: the main window's stand-in that records the pages'
// messages, items with a profile and stream records, and scripted platform services.
#pragma once

#include "CVideoEditPage.h"
#include "FakePlatformServices.h"
#include "MediaItem.h"
#include "MessageTarget.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct EditMessage {
    unsigned msg = 0;
    uintptr_t wParam = 0;
    const MediaItem* item = nullptr;
};

class EditRecorder : public MessageTarget {
public:
    ~EditRecorder() override { stopMessages(); }
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        seen.push_back({msg, wParam, reinterpret_cast<const MediaItem*>(lParam)});
        return 0;
    }
    std::vector<EditMessage> seen;
};

class CBaseWnd;
// A press and release of the left button on the pane item's centre.
void clickElement(CBaseWnd* pane, int itemId);
bool elementChecked(const CBaseWnd* pane, int itemId);
bool elementDisabled(const CBaseWnd* pane, int itemId);

// Stream records of a source: a video stream of the size (none for 0 x 0) and an audio stream.
StreamList streamsOf(int width, int height, bool audio = true);
// An item with a video profile (or an audio-only one).
std::unique_ptr<MediaItem> editItem(bool audioOnlyProfile = false);

class EditPageTest : public ::testing::Test {
protected:
    FakePlatformServices services;
    ScopedPlatformServices installed{services};
    EditRecorder mainWindow;
};
