// Shared pieces of the file list and loading dialog tests: the application object, a skin with
// colours the tests can tell apart, a parent window that records the notifications, and items.
#pragma once

#include "SkinUiTypes.h"

#include "CVelSkin.h"
#include "MediaItem.h"
#include "MessageTarget.h"
#include "QtTestSupport.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

// A skin made by the test: solid images of known sizes and colours, and a style sheet whose
// list colours are far apart.
class ListTestSkin {
public:
    static constexpr QRgb kPane = 0xFFFAFAFA;       // window 109 fill
    static constexpr QRgb kText = 0xFF0000FF;       // style colour 7
    static constexpr QRgb kTextGray = 0xFFFF0000;   // style colour 9
    static constexpr QRgb kThumb = 0xFF780078;      // 104
    static constexpr QRgb kBarEmpty = 0xFFB4B4B4;   // 106
    static constexpr QRgb kBarFilled = 0xFF00C800;  // 107
    static constexpr QRgb kArrowHot = 0xFFFF8000;   // 110
    static constexpr QRgb kFocus = 0xFFC8FFC8;      // 113
    static constexpr QRgb kFrame = 0xFF000000;      // 117
    static constexpr QRgb kBoxNormal = 0xFFA0A0FF;  // checkbox_normal.png
    static constexpr QRgb kBoxChecked = 0xFF00A000; // checkbox_checked.png
    static constexpr QRgb kDialog = 0xFF102030;     // window 160 fill

    ListTestSkin();
    CVelSkin* get() { return &m_skin; }

private:
    QTemporaryDir m_dir;
    CVelSkin m_skin;
};

// The main window as the list sees it: a widget that is a message target and keeps a copy of
// every pane notification.
class NotifyRecorder : public QWidget, public MessageTarget {
public:
    struct Note {
        unsigned msg = 0;
        unsigned code = 0;
        int paneId = 0;
        int itemId = 0; // the notified pane item's id, 0 for none
        int index = 0;
        std::string text; // message 1225: the path
    };

    NotifyRecorder();
    ~NotifyRecorder() override;
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    // Pane notifications with this code, in order.
    std::vector<Note> notes(unsigned code) const;
    // Every notification code, in order.
    std::vector<unsigned> codes() const;
    void clear() { calls.clear(); }

    std::vector<Note> calls;
    std::function<void(const Note&)> onNote;
};

MediaItem makeItem(const std::string& name, int32_t stateFlags = kItemChecked | kItemNotConvert);

// Colour classification of antialiased text: mostly blue (text) or mostly red (disabled text).
int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match);
bool bluish(QRgb c);
bool reddish(QRgb c);
