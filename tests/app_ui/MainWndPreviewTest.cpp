// The main window's preview player against the fake engine: the play control's buttons by state,
// a start on a missing file, the engine's position and end events, seeking and clip markers,
// volume and mute, the picture switch, and snapshots with their menu.
#include "AppUiTestSupport.h"

#include "CStatusWnd.h"

#include "CommandIds.h"

#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CPlayCtrlWnd.h"
#include "CVelSkin.h"
#include "CVideoWnd.h"

#include <QDir>
#include <QImageReader>
#include <QMenu>
#include <QTest>

#include <cstdlib>

namespace {

class MainWndPreview : public MainWindowTest {
protected:
    // A file that exists, scripted in the fake engine, added and focused; its item.
    MediaItem* AddMedia(const std::string& name, const FakeSource& source = FakeSource::movie()) {
        const std::string path = env->scratch.filePath(QString::fromStdString(name)).toStdString();
        writeFile(path, "media");
        fake.setSource(path, source);
        const int index = AddItem(path);
        ClickRow(index);
        return dlg->FileList()->MediaAt(index);
    }
    CPlayCtrlWnd* Pane() const { return dlg->PlayControl(); }
    void Click(int element) { clickItem(Pane(), element); }
    void Fire(const tagVeldesEvent& event) {
        const int before = fake.deliveredEvents();
        ASSERT_TRUE(fake.fireEditEvent(event));
        ASSERT_TRUE(waitUntil([&] { return fake.deliveredEvents() > before; }));
        ASSERT_TRUE(fake.waitIdle());
        QTest::qWait(20); // what the handler posted
    }
    // Presses on a handle and moves to x; lets go there unless `hold`.
    void Drag(CPlayCtrlWnd::Handle handle, int x, bool hold = false) {
        const QPoint from = Pane()->HandleRect(handle).center();
        QTest::mousePress(Pane(), Qt::LeftButton, {}, from);
        QTest::mouseMove(Pane(), QPoint(x, from.y()));
        if (!hold)
            QTest::mouseRelease(Pane(), Qt::LeftButton, {}, QPoint(x, from.y()));
    }
    bool SnapshotMenuItemEnabled() {
        bool enabled = false;
        auto seen = onNextPopup(
            [&](QMenu&) { enabled = menuEnabled(dlg->Menu(kMenuSnapshot), kCmdSnapshot); });
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
        int element, state;
        const char* call; // what the click asked of the engine
        int image;        // of element 1; stop and snapshot are enabled while previewing
        int surface;
    };
    const Step steps[] = {
        {"start", 1, 3, "VeldesPlay", CVelSkin::kBtnPause, 3},
        {"pause", 1, 4, "VeldesPause", CVelSkin::kBtnPlay, 4},
        {"resume", 1, 3, "VeldesPlay", CVelSkin::kBtnPause, 3},
        {"stop", 2, 0, "VeldesEditEnd", CVelSkin::kBtnPlay, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        fake.clearCalls();
        Click(s.element);
        EXPECT_EQ(dlg->State(), s.state);
        EXPECT_EQ(fake.countOf(s.call), 1u);
        EXPECT_EQ(Pane()->FindItem(1)->imageId, s.image);
        EXPECT_EQ(Pane()->FindItem(1)->tooltip, s.image == CVelSkin::kBtnPlay ? "Play" : "Pause");
        EXPECT_EQ(itemDisabled(Pane(), 2), s.state == 0);
        EXPECT_EQ(itemDisabled(Pane(), 3), s.state == 0);
        EXPECT_EQ(dlg->VideoSurface()->DisplayState(), s.surface);
        // Painting the paused surface has the engine present its frame again.
        dlg->VideoSurface()->grab();
        EXPECT_EQ(fake.countOf("VeldesRefreshOutputWindow") > 0, s.state == 4);
    }
    EXPECT_EQ(fake.callsOf("VeldesEditEnd").at(0).value, 1);

    // Starts that fail leave no edit open and the idle look; an audio-only item has no snapshot.
    const struct {
        const char* name;
        int beginResult, playResult;
        FakeSource source;
        int state;
    } starts[] = {
        {"edit refused", -1, 0, FakeSource::movie(), 0},
        {"play refused", 0, -1, FakeSource::movie(), 0},
        {"audio only", 0, 0, FakeSource::audio(44100, 2), 3},
    };
    for (const auto& s : starts) {
        SCOPED_TRACE(s.name);
        fake.setEditBeginResult(s.beginResult);
        fake.setPlayResult(s.playResult);
        AddMedia(std::string(s.name) + ".avi", s.source);
        Click(1);
        EXPECT_EQ(dlg->State(), s.state);
        EXPECT_EQ(fake.openEdits(), s.state == 3 ? 1 : 0);
        EXPECT_EQ(itemDisabled(Pane(), 2), s.state == 0);
        EXPECT_TRUE(itemDisabled(Pane(), 3));
        Click(2);
    }
    EXPECT_TRUE(env->services.messageBoxes().empty());
    const auto edit = fake.callsOf("VeldesEditBegin").back().edit;
    EXPECT_EQ(edit->window, dlg->VideoSurface()->handle());
    EXPECT_EQ(edit->aspect, 4.0 / 3.0);
}

TEST_F(MainWndPreview, StartOnAFileDeletedSinceItWasListedTellsAndOpensNothing) {
    OpenWindow();
    MediaItem* item = AddMedia("gone.avi");
    std::remove(item->sourcePath.c_str());
    Click(1);
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    const auto box = env->services.messageBoxes()[0];
    EXPECT_EQ(box.text, "The file '" + item->sourcePath + "' is not exist.");
    EXPECT_EQ(box.caption, "Movara");
    EXPECT_EQ(box.icon, MB_ICONERROR);
    EXPECT_TRUE(item->hasState(kItemNotExist));
    // Unticked as adding leaves a missing file, and counted so.
    EXPECT_FALSE(item->hasState(kItemChecked));
    EXPECT_EQ(dlg->StatusBar()->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 1  selected : 0"));
    EXPECT_EQ(fake.countOf("VeldesEditBegin"), 0u);
    EXPECT_EQ(dlg->State(), kStateIdle);
    writeFile(item->sourcePath, "media"); // back again: the mark goes, the preview starts
    Click(1);
    EXPECT_FALSE(item->hasState(kItemNotExist));
    EXPECT_EQ(dlg->State(), kStatePreviewing);
}

TEST_F(MainWndPreview, PositionEventsMoveTheKnobAndEndEventsStop) {
    OpenWindow();
    AddMedia("movie.avi"); // 10 s: a millisecond is one step of the track
    struct Case {
        const char* name;
        int64_t ms;
        int subKind;
        bool held; // the knob is being dragged (it stays where the mouse put it)
        int knob;
        bool stops;
    };
    const Case cases[] = {
        {"progress", 2500, 1, false, 2500, false},
        {"beyond the duration", 20000, 1, false, 1000, false},
        {"beyond the duration, end", 20000, VELDES_SUBKIND_END, false, 0, true},
        {"while the knob is held", 4000, 1, true, -1, false},
        {"end while the knob is held", 9000, VELDES_SUBKIND_END_ERROR, true, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (dlg->State() == kStateIdle)
            Click(1);
        Pane()->SetPosition(1000);
        if (c.held)
            Drag(CPlayCtrlWnd::kKnob, 60, true);
        const int before = Pane()->Position();
        tagVeldesEvent event{};
        event.kind = VELDES_EVENT_POSITION;
        event.subKind = c.subKind;
        event.position = c.ms;
        Fire(event);
        EXPECT_EQ(Pane()->Position(), c.held ? before : c.knob);
        EXPECT_EQ(dlg->State() == kStateIdle, c.stops);
        if (c.held)
            QTest::mouseRelease(Pane(), Qt::LeftButton, {}, QPoint(60, 4));
        else if (c.stops)
            EXPECT_EQ(Pane()->FindItem(CPlayCtrlWnd::kTimeText)->caption, "00:00:00/00:00:10");
    }
    EXPECT_EQ(fake.openEdits(), 0);
}

TEST_F(MainWndPreview, SeekingAndClipMarkersSetTheItemsClip) {
    OpenWindow();
    MediaItem* item = AddMedia("movie.avi");
    Click(1);
    const int right = Pane()->width() + 50;
    const struct {
        const char* name;
        CPlayCtrlWnd::Handle handle;
        int x;
        int64_t seek, clipBegin, clipEnd;
    } cases[] = {
        {"knob to the end", CPlayCtrlWnd::kKnob, right, 10000, 0, -1},
        {"end marker onto the begin", CPlayCtrlWnd::kEndMarker, -20, 1, 0, 1},
        {"end marker to the end", CPlayCtrlWnd::kEndMarker, right, 10000, 0, 10000},
        {"begin marker onto the end", CPlayCtrlWnd::kBeginMarker, right, 9999, 9999, 10000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.clearCalls();
        Drag(c.handle, c.x);
        ASSERT_EQ(fake.countOf("VeldesSetCurPos"), 1u);
        EXPECT_EQ(fake.callsOf("VeldesSetCurPos")[0].value, c.seek);
        EXPECT_EQ(item->clipBegin, c.clipBegin);
        EXPECT_EQ(item->clipEnd, c.clipEnd);
        // A clip change recomputes the estimate with the new begin and stop positions.
        EXPECT_EQ(fake.countOf("VeldesGetMediaEncodedSize"),
                  c.handle == CPlayCtrlWnd::kKnob ? 0u : 1u);
    }
    EXPECT_EQ(Pane()->ClipBeginMarker(), 9999);
    EXPECT_EQ(Pane()->FindItem(CPlayCtrlWnd::kClipText)->caption, "00:00:09/00:00:10 (00:00:00)");

    // A capture device can be neither sought nor trimmed.
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
              "<Flag>" +
                  std::to_string(kOptionMuted) +
                  "</Flag>\r\n<Volume>70</Volume>\r\n"
                  "</VelConfig>\r\n");
    OpenWindow();
    // Applied once the settings are read: muted, original picture.
    EXPECT_EQ(fake.callsOf("VeldesChangeVolume").at(0).value, 0);
    EXPECT_EQ(fake.callsOf("VeldesShowVideoEffect").at(0).value, 0);
    for (bool muted : {false, true, false}) {
        Click(CPlayCtrlWnd::kVolume);
        EXPECT_EQ(Pane()->Volume(), muted ? 0 : 70);
        EXPECT_EQ(fake.callsOf("VeldesChangeVolume").back().value, muted ? 0 : 70);
        EXPECT_EQ(Pane()->FindItem(5)->imageId,
                  muted ? CVelSkin::kVolumeMute : CVelSkin::kVolumeHigh);
        EXPECT_EQ(settings.option(kOptionMuted), muted);
        EXPECT_EQ(settings.volume, 70);
    }
    // Dragging the slider above 0 while muted unmutes at the new level.
    Click(CPlayCtrlWnd::kVolume);
    Drag(CPlayCtrlWnd::kVolumeKnob, Pane()->FindItem(CPlayCtrlWnd::kVolume)->left + 26 + 32);
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
    AddMedia("holiday.avi");                 // adding and the focus change stop the preview
    EXPECT_EQ(dlg->State(), kStateIdle);
    EXPECT_EQ(fake.openEdits(), 0);
    Click(1);
    EXPECT_TRUE(SnapshotMenuItemEnabled());

    settings.setOption(kOptionSnapshotCustomSize, true);
    settings.setOption(kOptionOpenSnapshotFolder, false);
    settings.snapshotWidth = 40;
    settings.snapshotHeight = 30;
    settings.snapshotFolder = env->scratch.filePath("shots").toStdString();
    QDir shots(QString::fromStdString(settings.snapshotFolder));
    shots.mkpath(".");
    // The engine answers with B G R x pixels: left half red, right half blue.
    std::vector<uint8_t> pixels(40 * 30 * 4, 0);
    for (int i = 0; i < 40 * 30; ++i)
        pixels[i * 4 + ((i % 40) < 20 ? 2 : 0)] = 255;
    tagVeldesEvent event{};
    event.kind = VELDES_EVENT_SNAPSHOT;
    event.pixels = pixels.data();
    event.width = 40;
    event.height = 30;
    for (const char* format : {"BMP", "JPEG"}) {
        SCOPED_TRACE(format);
        settings.snapshotFormat = format;
        fake.clearCalls();
        Click(CPlayCtrlWnd::kSnapshot);
        ASSERT_EQ(fake.countOf("VeldesGetThumbnail"), 1u);
        EXPECT_EQ(fake.callsOf("VeldesGetThumbnail")[0].ints, (std::vector<int>{40, 30}));
        const int files = shots.entryList(QDir::Files).size();
        Fire(event);
        ASSERT_TRUE(waitUntil([&] { return shots.entryList(QDir::Files).size() == files + 1; }));
        const QString extension = QString::fromLatin1(format).toLower();
        const QString name = shots.entryList({"*." + extension}, QDir::Files).at(0);
        EXPECT_TRUE(name.startsWith("holiday_")) << name.toStdString();
        QImageReader reader(shots.filePath(name));
        EXPECT_EQ(reader.format(), QByteArray(format).toLower());
        const QImage saved = reader.read();
        ASSERT_EQ(saved.size(), QSize(40, 30));
        const int tolerance = format[0] == 'B' ? 0 : 24;
        const QColor left = saved.pixelColor(5, 15), right = saved.pixelColor(35, 15);
        EXPECT_LE(255 - left.red() + left.green() + left.blue(), tolerance) << format;
        EXPECT_LE(right.red() + right.green() + 255 - right.blue(), tolerance) << format;
    }
    // Paused: the paused frame, at the frame's own size without the custom bit. Idle: nothing.
    Click(1);
    settings.setOption(kOptionSnapshotCustomSize, false);
    dlg->OnCommand(kCmdSnapshot);
    ASSERT_EQ(fake.countOf("VeldesGetThumbnailOnPause"), 1u);
    EXPECT_EQ(fake.callsOf("VeldesGetThumbnailOnPause")[0].ints, (std::vector<int>{0, 0}));
    Click(2);
    dlg->OnCommand(kCmdSnapshot);
    EXPECT_EQ(fake.countOf("VeldesGetThumbnail") + fake.countOf("VeldesGetThumbnailOnPause"), 2u);

    // A folder that is there but cannot be shown is not said to be missing; a missing one is.
    env->services.setOpenDocumentResult(false);
    dlg->OnCommand(kCmdOpenSnapshotFolder);
    EXPECT_EQ(env->services.openedDocuments().back(), settings.snapshotFolder);
    EXPECT_EQ(env->services.messageBoxes().back().text,
              "The folder \"" + settings.snapshotFolder + "\" could not be shown.");
    const size_t opened = env->services.openedDocuments().size();
    const std::string shotsFolder = settings.snapshotFolder;
    settings.snapshotFolder += "/gone";
    dlg->OnCommand(kCmdOpenSnapshotFolder);
    EXPECT_EQ(env->services.openedDocuments().size(), opened);
    EXPECT_EQ(env->services.messageBoxes().back().text, "The snapshot path not exist");
    settings.snapshotFolder = shotsFolder;
    env->services.queueBrowseFolder(env->documents);
    dlg->OnCommand(kCmdChangeSnapshotFolder);
    EXPECT_EQ(env->services.folderBrowsers().back().title, "Please select a folder : ");
    EXPECT_EQ(settings.snapshotFolder, env->documents);
}
