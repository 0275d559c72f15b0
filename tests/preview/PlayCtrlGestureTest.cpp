// The play control's gestures: dragging the knob, the clip markers and the volume knob, what
// the parent is told, hover and tooltips, and the rules that switch gestures off.
#include "CPlayCtrlWnd.h"

#include "MediaItem.h"
#include "MessageTarget.h"
#include "SkinUiTypes.h"

#include "CVelSkin.h"
#include "QtTestSupport.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Note {
    unsigned code;
    int kind, value;
    bool operator==(const Note&) const = default;
};

class Recorder : public MessageTarget {
public:
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        const auto* record = reinterpret_cast<const PaneNotify*>(lParam);
        if (msg == kMsgPaneNotify && record && !record->item &&
            (wParam == kNotifyMouseMove || wParam == kNotifyButtonUp))
            notes.push_back({unsigned(wParam), record->index / 65536, record->index % 65536});
        return 0;
    }
    std::vector<Note> notes;
};

class PlayCtrlGestures : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        ASSERT_GE(theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin"), 0);
        ASSERT_TRUE(pane.Create(QStringLiteral("PlayControlWindow"), 0, &host, 110));
        pane.SetNotifyTarget(&recorder);
        host.resize(426, 88);
        pane.setGeometry(0, 0, 426, 88); // track length 400: 25 values a pixel
        host.show();
        item.sourcePath = "/media/a.avi";
        item.duration = 100000;
        item.clipBegin = 20000;
        item.clipEnd = 60000;
        pane.SetCurrentItem(&item);
        pane.SetVolume(50);
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, pane.mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&pane, &event);
    }
    void drag(QPoint from, std::initializer_list<QPoint> path, bool release = true) {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (QPoint p : path)
            mouse(QEvent::MouseMove, p, Qt::LeftButton);
        if (release)
            mouse(QEvent::MouseButtonRelease, path.size() ? *(path.end() - 1) : from, {});
    }
    QPoint centre(CPlayCtrlWnd::Handle handle) const { return pane.HandleRect(handle).center(); }
    int sliderX(int volume) const {
        return pane.FindItem(CPlayCtrlWnd::kVolume)->left + 26 + volume * 80 / 100;
    }

    QWidget host;
    CPlayCtrlWnd pane;
    Recorder recorder;
    MediaItem item;
};

} // namespace

TEST_F(PlayCtrlGestures, DragsFollowTheirRulesAndReportOnRelease) {
    // Track x for value v is 13 + v / 25.
    struct Case {
        const char* name;
        CPlayCtrlWnd::Handle handle;
        std::vector<int> xs; // mouse moves, the last is where the button is let go
        int expected;
    };
    const Case cases[] = {
        {"knob", CPlayCtrlWnd::kKnob, {100, 333}, 8000},
        {"knob left of the track", CPlayCtrlWnd::kKnob, {-40}, 0},
        {"knob right of the track", CPlayCtrlWnd::kKnob, {900}, 10000},
        {"begin", CPlayCtrlWnd::kBeginMarker, {53}, 1000},
        {"begin onto the end marker", CPlayCtrlWnd::kBeginMarker, {400}, 5999},
        {"end", CPlayCtrlWnd::kEndMarker, {333}, 8000},
        {"end onto the begin marker", CPlayCtrlWnd::kEndMarker, {0}, 2001},
        {"volume", CPlayCtrlWnd::kVolumeKnob, {-1, -2}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pane.SetCurrentItem(&item);
        pane.SetPosition(5000);
        pane.SetVolume(50);
        recorder.notes.clear();
        const int y = centre(c.handle).y();
        std::vector<QPoint> path;
        for (int x : c.xs)
            path.push_back(QPoint(c.handle == CPlayCtrlWnd::kVolumeKnob ? sliderX(x == -1 ? 75 : 10) : x, y));
        mouse(QEvent::MouseButtonPress, centre(c.handle), Qt::LeftButton);
        EXPECT_EQ(pane.Dragging(), c.handle);
        for (QPoint p : path)
            mouse(QEvent::MouseMove, p, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, path.back(), {});
        EXPECT_EQ(pane.Dragging(), CPlayCtrlWnd::kNoHandle);
        if (c.handle == CPlayCtrlWnd::kVolumeKnob) {
            // Each move reports the level held before it; the release the final one.
            const std::vector<Note> expected{{kNotifyMouseMove, 4, 50},
                                             {kNotifyMouseMove, 4, 75},
                                             {kNotifyButtonUp, 4, 10}};
            EXPECT_EQ(recorder.notes, expected);
            EXPECT_EQ(pane.Volume(), 10);
            continue;
        }
        ASSERT_EQ(recorder.notes.size(), 1u);
        EXPECT_EQ(recorder.notes[0], (Note{kNotifyButtonUp, c.handle, c.expected}));
        const int now = c.handle == CPlayCtrlWnd::kKnob        ? pane.Position()
                        : c.handle == CPlayCtrlWnd::kBeginMarker ? pane.ClipBeginMarker()
                                                                 : pane.ClipEndMarker();
        EXPECT_EQ(now, c.expected);
    }
    // The clip text follows a marker while it moves.
    pane.SetCurrentItem(&item);
    drag(centre(CPlayCtrlWnd::kEndMarker), {QPoint(333, 20)}, false);
    EXPECT_EQ(pane.FindItem(CPlayCtrlWnd::kClipText)->caption,
              QStringLiteral("00:00:20/00:01:20 (00:01:00)"));
    // Leaving the pane lets go the same way.
    recorder.notes.clear();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&pane, &leave);
    EXPECT_EQ(pane.Dragging(), CPlayCtrlWnd::kNoHandle);
    EXPECT_EQ(recorder.notes, (std::vector<Note>{{kNotifyButtonUp, 3, 8000}}));
}

TEST_F(PlayCtrlGestures, AHeldKnobIgnoresPositionsAndWhatSwitchesGesturesOff) {
    pane.SetPosition(2000);
    drag(centre(CPlayCtrlWnd::kKnob), {QPoint(333, 4)}, false);
    pane.SetPosition(100);
    EXPECT_EQ(pane.Position(), 8000);
    mouse(QEvent::MouseButtonRelease, QPoint(333, 4), {});
    pane.SetPosition(100);
    EXPECT_EQ(pane.Position(), 100);

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
        {"disabled: knob", false, true, CPlayCtrlWnd::kKnob, false},
        {"disabled: volume", false, true, CPlayCtrlWnd::kVolumeKnob, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pane.SetCurrentItem(&item);
        pane.SetPosition(5000);
        pane.SetVolume(50);
        pane.SetPlayEnabled(c.enabled);
        pane.SetMarkersActive(c.markers);
        recorder.notes.clear();
        const QPoint at = centre(c.handle);
        mouse(QEvent::MouseMove, at, {});
        EXPECT_EQ(pane.IsHot(c.handle), c.moves);
        drag(at, {QPoint(c.handle == CPlayCtrlWnd::kVolumeKnob ? sliderX(90) : 300, at.y())});
        EXPECT_EQ(!recorder.notes.empty(), c.moves);
        EXPECT_EQ(pane.Position() != 5000 || pane.Volume() != 50, c.moves);
    }
}

TEST_F(PlayCtrlGestures, HoverMakesAHandleHotAndTooltipsNameIt) {
    pane.SetPosition(5000);
    const struct {
        CPlayCtrlWnd::Handle handle;
        const char* tip;
    } handles[] = {{CPlayCtrlWnd::kKnob, "Current play position"},
                   {CPlayCtrlWnd::kBeginMarker, "Click and drag to define the clip begin position"},
                   {CPlayCtrlWnd::kEndMarker, "Click and drag to define the clip end position"},
                   {CPlayCtrlWnd::kVolumeKnob, ""}};
    const QColor rest = QColor::fromRgba(theSkin().StyleColor(110, 0, 104));
    const QColor hot = QColor::fromRgba(theSkin().StyleColor(110, 0, 105));
    for (const auto& h : handles) {
        SCOPED_TRACE(h.tip);
        const QPoint at = centre(h.handle);
        mouse(QEvent::MouseMove, at, {});
        EXPECT_TRUE(pane.IsHot(h.handle));
        EXPECT_EQ(pane.TooltipAt(at.x(), at.y()), QString::fromUtf8(h.tip));
        if (h.handle == CPlayCtrlWnd::kKnob) {
            EXPECT_EQ(pane.grab().toImage().pixelColor(at.x(), 2), hot);
            mouse(QEvent::MouseMove, QPoint(at.x(), 60), {});
            EXPECT_FALSE(pane.IsHot(h.handle));
            EXPECT_EQ(pane.grab().toImage().pixelColor(at.x(), 2), rest);
        }
    }
    const QRect stop = pane.FindItem(CPlayCtrlWnd::kStop)->rect().toQRect();
    EXPECT_EQ(pane.TooltipAt(stop.center().x(), stop.center().y()), QStringLiteral("Stop"));
    EXPECT_EQ(pane.TooltipAt(200, 12), QString());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&pane, &leave);
    for (const auto& h : handles)
        EXPECT_FALSE(pane.IsHot(h.handle));
}
