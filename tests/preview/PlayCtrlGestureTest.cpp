// The play control's gestures: dragging the knob, the clip markers and the volume knob, what the
// parent is told, hover, tooltips, and the rules that switch gestures off.
#include "CPlayCtrlWnd.h"

#include "MediaItem.h"
#include "MessageTarget.h"

#include "CVelSkin.h"
#include "QtTestSupport.h"

#include <QMouseEvent>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Note = std::vector<int>; // code, kind, value

class PlayCtrlGestures : public ::testing::Test, public MessageTarget {
protected:
    void SetUp() override {
        testApp();
        ASSERT_GE(theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin"), 0);
        ASSERT_TRUE(pane.Create(QStringLiteral("PlayControlWindow"), 0, &host, 110));
        pane.SetNotifyTarget(this);
        pane.setGeometry(0, 0, 426, 88); // track length 400: x = 13 + value / 25
        host.show();
        item.sourcePath = "/media/a.avi";
        item.duration = 100000;
        item.clipBegin = 20000;
        item.clipEnd = 60000;
    }
    intptr_t onMessage(unsigned msg, uintptr_t code, intptr_t lParam) override {
        const auto* record = reinterpret_cast<const PaneNotify*>(lParam);
        if (msg == kMsgPaneNotify && !record->item && code != kNotifyClick)
            notes.push_back({int(code), record->index / 65536, record->index % 65536});
        return 0;
    }
    void Reset() {
        pane.SetCurrentItem(&item);
        pane.SetPosition(5000);
        pane.SetVolume(50);
        notes.clear();
    }
    void Mouse(QEvent::Type type, QPoint at, bool held) {
        QMouseEvent event(type, at, pane.mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          held ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&pane, &event);
    }
    // Presses on the handle, moves through xs, lets go at the last unless `hold`.
    void Drag(CPlayCtrlWnd::Handle handle, std::vector<int> xs, bool hold = false) {
        const QPoint from = pane.HandleRect(handle).center();
        Mouse(QEvent::MouseButtonPress, from, true);
        for (int x : xs)
            Mouse(QEvent::MouseMove, QPoint(x, from.y()), true);
        if (!hold)
            Mouse(QEvent::MouseButtonRelease, QPoint(xs.back(), from.y()), false);
    }
    int SliderX(int volume) const {
        return pane.FindItem(CPlayCtrlWnd::kVolume)->left + 26 + volume * 80 / 100;
    }

    QWidget host;
    CPlayCtrlWnd pane;
    MediaItem item;
    std::vector<Note> notes;
};

} // namespace

TEST_F(PlayCtrlGestures, DragsFollowTheirRulesAndReportWhenLetGo) {
    struct Case {
        const char* name;
        CPlayCtrlWnd::Handle handle;
        int x, expected;
    };
    const Case cases[] = {
        {"knob", CPlayCtrlWnd::kKnob, 333, 8000},
        {"knob left of the track", CPlayCtrlWnd::kKnob, -40, 0},
        {"knob right of the track", CPlayCtrlWnd::kKnob, 900, 10000},
        {"begin", CPlayCtrlWnd::kBeginMarker, 53, 1000},
        {"begin onto the end marker", CPlayCtrlWnd::kBeginMarker, 400, 5999},
        {"end onto the begin marker", CPlayCtrlWnd::kEndMarker, 0, 2001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        Drag(c.handle, {100, c.x});
        EXPECT_EQ(pane.Dragging(), CPlayCtrlWnd::kNoHandle);
        EXPECT_EQ(notes, (std::vector<Note>{{kNotifyButtonUp, c.handle, c.expected}}));
        const int now = c.handle == CPlayCtrlWnd::kKnob          ? pane.Position()
                        : c.handle == CPlayCtrlWnd::kBeginMarker ? pane.ClipBeginMarker()
                                                                 : pane.ClipEndMarker();
        EXPECT_EQ(now, c.expected);
    }
    // The volume knob reports each move with the level held before it, then the last one.
    Reset();
    Drag(CPlayCtrlWnd::kVolumeKnob, {SliderX(75), SliderX(10)});
    EXPECT_EQ(notes, (std::vector<Note>{{kNotifyMouseMove, 4, 50},
                                        {kNotifyMouseMove, 4, 75},
                                        {kNotifyButtonUp, 4, 10}}));
    // A held knob ignores positions; the clip text follows a marker; leaving lets go.
    Reset();
    Drag(CPlayCtrlWnd::kKnob, {333}, true);
    pane.SetPosition(100);
    EXPECT_EQ(pane.Position(), 8000);
    Mouse(QEvent::MouseButtonRelease, QPoint(333, 4), false);
    Reset();
    Drag(CPlayCtrlWnd::kEndMarker, {333}, true);
    EXPECT_EQ(pane.FindItem(CPlayCtrlWnd::kClipText)->caption,
              QStringLiteral("00:00:20/00:01:20 (00:01:00)"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&pane, &leave);
    EXPECT_EQ(pane.Dragging(), CPlayCtrlWnd::kNoHandle);
    EXPECT_EQ(notes, (std::vector<Note>{{kNotifyButtonUp, 3, 8000}}));
}

TEST_F(PlayCtrlGestures, HoverTooltipsAndWhatSwitchesGesturesOff) {
    Reset();
    const struct {
        CPlayCtrlWnd::Handle handle;
        const char* tip;
    } handles[] = {{CPlayCtrlWnd::kKnob, "Current play position"},
                   {CPlayCtrlWnd::kBeginMarker, "Click and drag to define the clip begin position"},
                   {CPlayCtrlWnd::kEndMarker, "Click and drag to define the clip end position"},
                   {CPlayCtrlWnd::kVolumeKnob, ""}};
    for (const auto& h : handles) {
        const QPoint at = pane.HandleRect(h.handle).center();
        Mouse(QEvent::MouseMove, at, false);
        EXPECT_TRUE(pane.IsHot(h.handle)) << h.tip;
        EXPECT_EQ(pane.TooltipAt(at.x(), at.y()), QString::fromUtf8(h.tip));
    }
    const QRect stop = pane.FindItem(CPlayCtrlWnd::kStop)->rect().toQRect();
    EXPECT_EQ(pane.TooltipAt(stop.center().x(), stop.center().y()), QStringLiteral("Stop"));
    // The knob is drawn in colour 105 while hot, 104 at rest.
    const QPoint knob = pane.HandleRect(CPlayCtrlWnd::kKnob).center();
    Mouse(QEvent::MouseMove, knob, false);
    EXPECT_EQ(pane.grab().toImage().pixelColor(knob.x(), 2),
              QColor::fromRgba(theSkin().StyleColor(110, 0, 105)));
    Mouse(QEvent::MouseMove, QPoint(knob.x(), 60), false);
    EXPECT_EQ(pane.grab().toImage().pixelColor(knob.x(), 2),
              QColor::fromRgba(theSkin().StyleColor(110, 0, 104)));

    struct Case {
        const char* name;
        bool enabled, markers;
        CPlayCtrlWnd::Handle handle;
        bool moves;
    };
    const Case cases[] = {
        {"markers inactive: knob", true, false, CPlayCtrlWnd::kKnob, false},
        {"markers inactive: begin", true, false, CPlayCtrlWnd::kBeginMarker, false},
        {"markers inactive: volume", true, false, CPlayCtrlWnd::kVolumeKnob, true},
        {"disabled: volume", false, true, CPlayCtrlWnd::kVolumeKnob, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        pane.SetPlayEnabled(c.enabled);
        pane.SetMarkersActive(c.markers);
        Mouse(QEvent::MouseMove, pane.HandleRect(c.handle).center(), false);
        EXPECT_EQ(pane.IsHot(c.handle), c.moves);
        Drag(c.handle, {c.handle == CPlayCtrlWnd::kVolumeKnob ? SliderX(90) : 300});
        EXPECT_EQ(!notes.empty(), c.moves);
        EXPECT_EQ(pane.Position() != 5000 || pane.Volume() != 50, c.moves);
    }
}
