// The main window's preview player against the fake engine: the play control's buttons by state,
// a start on a missing file, the engine's position and end events, seeking and clip markers,
// volume and mute, the picture switch, and snapshots with their menu.
#include "AppUiTestSupport.h"

#include "CommandIds.h"

#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CPlayCtrlWnd.h"
#include "CVelSkin.h"
#include "CVideoWnd.h"

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QTest>

#include <cstdlib>

namespace {

class MainWndPreview : public MainWindowTest {
protected:
    // A file that exists, scripted in the fake engine, added and focused.
    int AddMedia(const std::string& name, const FakeSource& source = FakeSource::movie()) {
        const std::string path = env->scratch.filePath(QString::fromStdString(name)).toStdString();
        writeFile(path, "media");
        fake.setSource(path, source);
        const int index = AddItem(path);
        ClickRow(index);
        return index;
    }
    CPlayCtrlWnd* Pane() const { return dlg->PlayControl(); }
    void Click(int element) { clickItem(Pane(), element); }
    void Fire(const tagVeldesEvent& event) {
        const int before = fake.deliveredEvents();
        ASSERT_TRUE(fake.fireEditEvent(event));
        ASSERT_TRUE(waitUntil([&] { return fake.deliveredEvents() > before; }));
        ASSERT_TRUE(fake.waitIdle());
        QTest::qWait(20); // posted end messages
    }
    static tagVeldesEvent Position(int64_t ms, int subKind = 1) {
        tagVeldesEvent event{};
        event.kind = VELDES_EVENT_POSITION;
        event.subKind = subKind;
        event.position = ms;
        return event;
    }
    // Presses on a handle and moves to x; `release` lets go there.
    void Drag(CPlayCtrlWnd::Handle handle, int x, bool release = true) {
        const QPoint from = Pane()->HandleRect(handle).center();
        QTest::mousePress(Pane(), Qt::LeftButton, {}, from);
        QTest::mouseMove(Pane(), QPoint(x, from.y()));
        if (release)
            QTest::mouseRelease(Pane(), Qt::LeftButton, {}, QPoint(x, from.y()));
    }
    bool SnapshotMenuItemEnabled() {
        bool enabled = false;
        auto seen = onNextPopup([&](QMenu&) {
            enabled = menuEnabled(dlg->Menu(kMenuSnapshot), kCmdSnapshot);
        });
        Click(CPlayCtrlWnd::kSnapshotMenu);
        EXPECT_TRUE(*seen);
        return enabled;
    }
};

} // namespace

TEST_F(MainWndPreview, ElementClicksFollowTheStateTable) {
    OpenWindow();
    AddMedia("movie.avi");
    struct Step {
        const char* name;
        int element;
        int state;
        const char* call; // the engine call the click made
        int image;
        const char* tip;
        bool stop, snapshot;
        int surface;
    };
    const Step steps[] = {
        {"start", 1, 3, "VeldesPlay", CVelSkin::kBtnPause, "Pause", true, true, 3},
        {"pause", 1, 4, "VeldesPause", CVelSkin::kBtnPlay, "Play", true, true, 4},
        {"resume", 1, 3, "VeldesPlay", CVelSkin::kBtnPause, "Pause", true, true, 3},
        {"stop", 2, 0, "VeldesEditEnd", CVelSkin::kBtnPlay, "Play", false, false, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        fake.clearCalls();
        Click(s.element);
        EXPECT_EQ(dlg->State(), s.state);
        EXPECT_EQ(fake.countOf(s.call), 1u);
        EXPECT_EQ(Pane()->FindItem(1)->imageId, s.image);
        EXPECT_EQ(Pane()->FindItem(1)->tooltip, QString::fromUtf8(s.tip));
        EXPECT_EQ(!itemDisabled(Pane(), 2), s.stop);
        EXPECT_EQ(!itemDisabled(Pane(), 3), s.snapshot);
        EXPECT_EQ(dlg->VideoSurface()->DisplayState(), s.surface);
    }
    EXPECT_EQ(fake.callsOf("VeldesEditEnd").at(0).value, 1);
    Click(1);
    const auto edit = fake.callsOf("VeldesEditBegin").at(0).edit;
    ASSERT_TRUE(edit.has_value());
    EXPECT_EQ(edit->window, dlg->VideoSurface()->handle());
    EXPECT_EQ(edit->aspect, 4.0 / 3.0);
    Click(2);

    // Starts that fail leave no edit open and the idle look; an audio-only item has no snapshot.
    struct Start {
        const char* name;
        int beginResult, playResult;
        FakeSource source;
        int state;
        bool snapshot;
    };
    const Start starts[] = {
        {"edit refused", -1, 0, FakeSource::movie(), 0, false},
        {"play refused", 0, -1, FakeSource::movie(), 0, false},
        {"audio only", 0, 0, FakeSource::audio(44100, 2), 3, false},
    };
    for (const Start& s : starts) {
        SCOPED_TRACE(s.name);
        fake.setEditBeginResult(s.beginResult);
        fake.setPlayResult(s.playResult);
        AddMedia(std::string(s.name) + ".avi", s.source);
        Click(1);
        EXPECT_EQ(dlg->State(), s.state);
        EXPECT_EQ(fake.openEdits(), s.state == 3 ? 1 : 0);
        EXPECT_EQ(!itemDisabled(Pane(), 3), s.snapshot);
        EXPECT_TRUE(env->services.messageBoxes().empty());
        Click(2);
    }
}

TEST_F(MainWndPreview, StartOnAFileDeletedSinceItWasListedTellsAndOpensNothing) {
    OpenWindow();
    const int index = AddMedia("gone.avi");
    const std::string path = dlg->FileList()->MediaAt(index)->sourcePath;
    std::remove(path.c_str());
    Click(1);
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    const auto box = env->services.messageBoxes()[0];
    EXPECT_EQ(box.text, "The file '" + path + "' is not exist.");
    EXPECT_EQ(box.caption, "Movara");
    EXPECT_EQ(box.icon, MB_ICONERROR);
    EXPECT_TRUE(dlg->FileList()->MediaAt(index)->hasState(kItemNotExist));
    EXPECT_EQ(fake.countOf("VeldesEditBegin"), 0u);
    EXPECT_EQ(dlg->State(), kStateIdle);
    // Back again: the mark goes and the preview starts.
    writeFile(path, "media");
    Click(1);
    EXPECT_FALSE(dlg->FileList()->MediaAt(index)->hasState(kItemNotExist));
    EXPECT_EQ(dlg->State(), kStatePreviewing);
}

TEST_F(MainWndPreview, PositionEventsMoveTheKnobAndEndEventsStop) {
    OpenWindow();
    AddMedia("movie.avi"); // 10 s: a millisecond is one step of the track
    struct Case {
        const char* name;
        int64_t ms;
        int subKind;
        bool held; // the knob is being dragged
        int knob;
        bool stops;
    };
    const Case cases[] = {
        {"progress", 2500, 1, false, 2500, false},
        {"beyond the duration", 20000, 1, false, 1000, false},
        {"beyond the duration, end", 20000, VELDES_SUBKIND_END, false, 0, true}, // the stop
        {"while the knob is held", 4000, 1, true, -1, false},
        {"end while the knob is held", 9000, VELDES_SUBKIND_END_ERROR, true, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (dlg->State() == kStateIdle)
            Click(1);
        ASSERT_EQ(dlg->State(), kStatePreviewing);
        Pane()->SetPosition(1000);
        const int held = Pane()->Position();
        if (c.held)
            Drag(CPlayCtrlWnd::kKnob, 60, false);
        const int dragged = Pane()->Position();
        Fire(Position(c.ms, c.subKind));
        EXPECT_EQ(Pane()->Position(), c.held ? dragged : c.knob);
        EXPECT_EQ(dlg->State() == kStateIdle, c.stops);
        if (c.stops && !c.held)
            EXPECT_EQ(Pane()->FindItem(CPlayCtrlWnd::kTimeText)->caption,
                      QStringLiteral("00:00:00/00:00:10"));
        if (c.held) {
            EXPECT_NE(dragged, held);
            QTest::mouseRelease(Pane(), Qt::LeftButton, {}, QPoint(60, 4));
        }
    }
    EXPECT_EQ(fake.openEdits(), 0);
}

TEST_F(MainWndPreview, SeekingAndClipMarkersSetTheItemsClip) {
    OpenWindow();
    const int index = AddMedia("movie.avi");
    MediaItem* item = dlg->FileList()->MediaAt(index);
    Click(1);
    const int right = Pane()->width() + 50;
    struct Case {
        const char* name;
        CPlayCtrlWnd::Handle handle;
        int x;
        int64_t seek, clipBegin, clipEnd;
    };
    const Case cases[] = {
        {"knob to the end", CPlayCtrlWnd::kKnob, right, 10000, 0, -1},
        {"end marker to the left", CPlayCtrlWnd::kEndMarker, -20, 1, 0, 1},
        {"end marker to the right", CPlayCtrlWnd::kEndMarker, right, 10000, 0, 10000},
        {"begin marker onto the end", CPlayCtrlWnd::kBeginMarker, right, 9999, 9999, 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.clearCalls();
        Drag(c.handle, c.x);
        const auto seeks = fake.callsOf("VeldesSetCurPos");
        ASSERT_EQ(seeks.size(), 1u);
        EXPECT_EQ(seeks[0].value, c.seek);
        EXPECT_EQ(item->clipBegin, c.clipBegin);
        EXPECT_EQ(item->clipEnd, c.clipEnd);
        const bool clip = c.handle != CPlayCtrlWnd::kKnob;
        EXPECT_EQ(fake.countOf("VeldesGetMediaEncodedSize"), clip ? 1u : 0u);
        EXPECT_EQ(fake.countOf("VeldesSetMediaBeginPos") > 0, clip);
    }
    EXPECT_EQ(Pane()->ClipBeginMarker(), 9999);
    EXPECT_EQ(Pane()->FindItem(CPlayCtrlWnd::kClipText)->caption,
              QStringLiteral("00:00:09/00:00:10 (00:00:00)"));

    // A capture device cannot be sought or trimmed.
    AddItem("fakedev:camera");
    ClickRow(1);
    fake.clearCalls();
    for (auto handle : {CPlayCtrlWnd::kKnob, CPlayCtrlWnd::kBeginMarker, CPlayCtrlWnd::kEndMarker})
        Drag(handle, right);
    EXPECT_EQ(fake.countOf("VeldesSetCurPos"), 0u);
    EXPECT_EQ(Pane()->Position(), 0);
}

TEST_F(MainWndPreview, VolumeMuteAndPictureReachTheEngineAndTheSettings) {
    writeFile(env->settingsPath(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<VelConfig Version=\"1.0.0\">\r\n"
              "<Flag>" + std::to_string(kOptionMuted) + "</Flag>\r\n<Volume>70</Volume>\r\n"
              "</VelConfig>\r\n");
    OpenWindow();
    // Applied once the settings are read: muted, original picture.
    EXPECT_EQ(fake.callsOf("VeldesChangeVolume").at(0).value, 0);
    EXPECT_EQ(fake.callsOf("VeldesShowVideoEffect").at(0).value, 0);
    struct Step {
        const char* name;
        int element;
        int slider, engine, image;
        bool muted;
        int setting;
    };
    const Step steps[] = {
        {"unmute", 5, 70, 70, CVelSkin::kVolumeHigh, false, 70},
        {"mute", 5, 0, 0, CVelSkin::kVolumeMute, true, 70},
        {"unmute again", 5, 70, 70, CVelSkin::kVolumeHigh, false, 70},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        Click(s.element);
        EXPECT_EQ(Pane()->Volume(), s.slider);
        EXPECT_EQ(fake.callsOf("VeldesChangeVolume").back().value, s.engine);
        EXPECT_EQ(Pane()->FindItem(5)->imageId, s.image);
        EXPECT_EQ(settings.option(kOptionMuted), s.muted);
        EXPECT_EQ(settings.volume, s.setting);
    }
    // Dragging the slider above 0 while muted unmutes at the new level.
    Click(5);
    const QRect volume = Pane()->FindItem(CPlayCtrlWnd::kVolume)->rect().toQRect();
    Drag(CPlayCtrlWnd::kVolumeKnob, volume.left() + 26 + 32);
    EXPECT_EQ(settings.volume, 40);
    EXPECT_FALSE(settings.option(kOptionMuted));
    EXPECT_EQ(fake.callsOf("VeldesChangeVolume").back().value, 40);
    EXPECT_EQ(Pane()->FindItem(5)->imageId, CVelSkin::kVolumeLow);

    for (bool effect : {true, false}) {
        Click(CPlayCtrlWnd::kEffectSwitch);
        EXPECT_EQ(settings.option(kOptionEffectPicture), effect);
        EXPECT_EQ(fake.callsOf("VeldesShowVideoEffect").back().value, effect ? 1 : 0);
        EXPECT_EQ(Pane()->EffectShown(), effect);
    }
}

TEST_F(MainWndPreview, SnapshotsAskTheEngineBySizeAndStateAndSaveThePixels) {
    OpenWindow();
    AddMedia("audio.mp3", FakeSource::audio(44100, 2));
    EXPECT_FALSE(SnapshotMenuItemEnabled()); // no preview
    Click(1);
    EXPECT_FALSE(SnapshotMenuItemEnabled()); // no picture
    Click(2);
    AddMedia("holiday.avi");
    Click(1);
    EXPECT_TRUE(SnapshotMenuItemEnabled());

    settings.setOption(kOptionSnapshotCustomSize, true);
    settings.setOption(kOptionOpenSnapshotFolder, false);
    settings.snapshotWidth = 40;
    settings.snapshotHeight = 30;
    settings.snapshotFormat = "BMP";
    settings.snapshotFolder = env->scratch.filePath("shots").toStdString();
    QDir().mkpath(QString::fromStdString(settings.snapshotFolder));
    Click(CPlayCtrlWnd::kSnapshot);
    const auto asked = fake.callsOf("VeldesGetThumbnail");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].ints, (std::vector<int>{40, 30}));
    EXPECT_TRUE(asked[0].text.empty());

    // The engine answers with B G R x pixels: left half red, right half blue.
    std::vector<uint8_t> pixels(40 * 30 * 4, 0);
    for (int i = 0; i < 40 * 30; ++i)
        pixels[i * 4 + ((i % 40) < 20 ? 2 : 0)] = 255;
    tagVeldesEvent event{};
    event.kind = VELDES_EVENT_SNAPSHOT;
    event.pixels = pixels.data();
    event.width = 40;
    event.height = 30;
    Fire(event);
    QDir shots(QString::fromStdString(settings.snapshotFolder));
    ASSERT_TRUE(waitUntil([&] { return shots.entryList(QDir::Files).size() == 1; }));
    const QString name = shots.entryList(QDir::Files).at(0);
    EXPECT_TRUE(name.startsWith(QStringLiteral("holiday_"))) << name.toStdString();
    EXPECT_TRUE(name.endsWith(QStringLiteral(".bmp")));
    const QImage saved(shots.filePath(name));
    ASSERT_EQ(saved.size(), QSize(40, 30));
    EXPECT_EQ(saved.pixelColor(5, 15), QColor(255, 0, 0));
    EXPECT_EQ(saved.pixelColor(35, 15), QColor(0, 0, 255));

    // Paused: the paused frame, at the frame's own size without the custom bit.
    Click(1);
    settings.setOption(kOptionSnapshotCustomSize, false);
    dlg->OnCommand(kCmdSnapshot);
    const auto paused = fake.callsOf("VeldesGetThumbnailOnPause");
    ASSERT_EQ(paused.size(), 1u);
    EXPECT_EQ(paused[0].ints, (std::vector<int>{0, 0}));
    // Idle: nothing is asked.
    Click(2);
    dlg->OnCommand(kCmdSnapshot);
    EXPECT_EQ(fake.countOf("VeldesGetThumbnail") + fake.countOf("VeldesGetThumbnailOnPause"), 2u);

    // The folder commands.
    env->services.setOpenDocumentResult(false);
    dlg->OnCommand(kCmdOpenSnapshotFolder);
    EXPECT_EQ(env->services.openedDocuments().back(), settings.snapshotFolder);
    EXPECT_EQ(env->services.messageBoxes().back().text, "The snapshot path not exist");
    env->services.queueBrowseFolder(env->documents);
    dlg->OnCommand(kCmdChangeSnapshotFolder);
    EXPECT_EQ(env->services.folderBrowsers().back().title, "Please select a folder : ");
    EXPECT_EQ(settings.snapshotFolder, env->documents);
}
