// Shared pieces of the skinned window tests: the application object, a skin whose images and
// colours the tests know, a message target that records what the windows tell it, and bounded
// waiting.
#pragma once

#include "SkinUiTypes.h"

#include "CVelSkin.h"
#include "MessageTarget.h"
#include "QtTestSupport.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A skin archive made by the test: every image a solid colour of a known size, and a style
// sheet with solid fills in known colours.
class TestSkin {
public:
    static QSize imageSize(int id);
    static QColor imageColor(int id);
    // Colours of the test style sheet.
    static constexpr QRgb kPaneFill = 0xFF282828;
    static constexpr QRgb kItemFill = 0xFF3C3C3C;
    static constexpr QRgb kItemText = 0xFFFFFFFF;
    static constexpr QRgb kItemTextHot = 0xFF0A0A0A;
    static constexpr QRgb kItemTextGray = 0xFFC0C0C0;
    static constexpr QRgb kHotFill = 0xFF0000DC;
    static constexpr QRgb kDialogFill = 0xFF103050;

    TestSkin();
    CVelSkin& skin() { return m_skin; }
    CVelSkin* operator->() { return &m_skin; }

private:
    QTemporaryDir m_dir;
    CVelSkin m_skin;
};

// A window that receives numbered messages and keeps a copy of each.
class RecordingTarget : public QWidget, public MessageTarget {
public:
    struct Call {
        unsigned msg = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        PaneNotify notify; // for 1124
        int itemId = 0;    // the notified item's id, 0 for none
        std::string text;  // for messages whose wParam is a path
    };

    RecordingTarget();
    ~RecordingTarget() override;

    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    std::vector<Call> calls;
    std::function<intptr_t(const Call&)> answer; // default answer 1
    bool textInWParam = false;

    std::vector<unsigned> messages() const;
    std::vector<Call> callsOf(unsigned msg) const;
    void clear() { calls.clear(); }
};
