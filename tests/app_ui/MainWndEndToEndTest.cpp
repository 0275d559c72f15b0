// The main window with the real codec engine: a folder of generated media added, converted one
// output per item and merged, paused and resumed, stopped mid-run, and existing outputs renamed,
// skipped or stamped through the rename dialog; a clip previewed. Outputs are read back with
// ffprobe.
#include "CMovaraDlg.h"

#include "CActionWnd.h"
#include "CFileListWnd.h"
#include "CFileRenameDlg.h"
#include "CPlayCtrlWnd.h"
#include "CSpinCtrl.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "CVideoEditDlg.h"
#include "CVideoEffectDlg.h"
#include "CVideoWnd.h"
#include "CommandIds.h"
#include "FakePlatformServices.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ProfileCatalogue.h"
#include "VelSettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "QtTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void clickItem(CBaseWnd* pane, int itemId) {
    const PaneItem* item = pane->FindItem(itemId);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(pane, Qt::LeftButton, {}, item->rect().toQRect().center());
}

void copyAs(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

class MainWndEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        ASSERT_TRUE(scratch.isValid());
        root = scratch.path().toStdString();
        out = root + "/out";
        fs::create_directories(out);
        fs::create_directories(root + "/bin");
        services.setWritableFolder(root + "/bin");
        services.setDocumentsFolder(root);
        services.setExecutableFolder(root + "/bin");
        services.setDataFolder(MOVARA_BIN_DIR);
        installed = std::make_unique<ScopedPlatformServices>(services);
        ASSERT_GE(theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin"), 0);
        dlg = std::make_unique<CMovaraDlg>(settings, catalogue);
        ASSERT_EQ(dlg->Create(), 0);
        ASSERT_TRUE(dlg->InitDialog());
        dlg->resize(CMovaraDlg::kMinWidth, CMovaraDlg::kMinHeight);
        dlg->show();
        dlg->OutputPathEdit()->setText(QString::fromStdString(out));
        settings.setOption(kOptionSameAsInput, false);
    }
    void TearDown() override {
        if (dlg && dlg->State() != kStateIdle)
            clickItem(dlg->ActionPane(), CActionWnd::kStart);
        dlg.reset();
        installed.reset();
    }

    static std::string Movie(double seconds, int width = 320, int height = 240) {
        testmedia::SourceSpec spec;
        spec.width = width;
        spec.height = height;
        spec.seconds = seconds;
        spec.sampleRate = 44100;
        std::string error;
        const std::string path = testmedia::generate(spec, &error);
        EXPECT_FALSE(path.empty()) << error;
        return path;
    }
    static std::string AviMovie() {
        testmedia::SourceSpec spec;
        spec.width = 176;
        spec.height = 144;
        spec.seconds = 1.0;
        spec.sampleRate = 22050;
        spec.channels = 1;
        spec.container = "avi";
        spec.videoCodec = "mpeg4";
        spec.audioCodec = "libmp3lame";
        std::string error;
        const std::string path = testmedia::generate(spec, &error);
        EXPECT_FALSE(path.empty()) << error;
        return path;
    }

    // Clicks an action element and waits for the conversion to end.
    bool ConvertWith(int element, int timeoutMs = 120000) {
        clickItem(dlg->ActionPane(), element);
        if (dlg->State() == kStateIdle)
            return true;
        return waitUntil([&] { return dlg->State() == kStateIdle; }, timeoutMs);
    }
    std::vector<std::string> OutputFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void ExpectPlayable(const std::string& path, double minSeconds) {
        const testmedia::FileProbe probe = testmedia::probe(path);
        ASSERT_TRUE(probe.ok) << path << ": " << probe.error;
        EXPECT_EQ(probe.count("video"), 1) << path;
        EXPECT_EQ(probe.count("audio"), 1) << path;
        EXPECT_GE(probe.duration, minSeconds) << path;
    }

    QTemporaryDir scratch;
    std::string root, out;
    FakePlatformServices services;
    std::unique_ptr<ScopedPlatformServices> installed;
    VelSettings settings;
    ProfileCatalogue catalogue;
    std::unique_ptr<CMovaraDlg> dlg;
};

} // namespace

TEST_F(MainWndEndToEnd, AFolderOfMixedMediaConvertsOneByOneAndMerged) {
    const std::string mp4 = Movie(1.0);
    const std::string avi = AviMovie();
    const std::string src = root + "/media";
    copyAs(mp4, src + "/a.mp4");
    copyAs(avi, src + "/sub/B.AVI");
    copyAs(mp4, src + "/sub/deeper/C.MP4");
    copyAs(avi, src + "/sub/deeper/notes.txt"); // not a media pattern: left out
    // A corrupt file: a real file's header (its index up front) with the media data cut off.
    {
        std::string error;
        const std::string whole =
            testmedia::generateWith({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25", "-f",
                                     "lavfi", "-i", "sine=sample_rate=44100", "-t", "1", "-c:v",
                                     "libx264", "-c:a", "aac", "-movflags", "+faststart", "{out}"},
                                    "mp4", &error);
        ASSERT_FALSE(whole.empty()) << error;
        std::ifstream in(whole, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const size_t data = bytes.find("mdat");
        ASSERT_NE(data, std::string::npos);
        std::ofstream(src + "/sub/broken.mp4", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(data + 200));
    }
    services.queueBrowseFolder(src);
    const std::string cwd = fs::current_path().string();
    dlg->OnCommand(32781); // "Add Folder..."
    EXPECT_EQ(fs::current_path().string(), cwd);

    CFileListWnd* list = dlg->FileList();
    std::vector<std::string> names;
    for (int i = 0; i < list->Count(); ++i)
        names.push_back(list->MediaAt(i)->displayName);
    // Pattern order within each folder (Windows media before MPEG4), subfolders depth first.
    EXPECT_EQ(names, (std::vector<std::string>{"a.mp4", "B.AVI", "broken.mp4", "C.MP4"}));
    EXPECT_TRUE(services.messageBoxes().empty());
    // The estimates are measured in the background and reach the list by themselves.
    auto measured = [&](const MediaItem* item) {
        int64_t bytes = 0;
        return VeldesGetMediaEncodedSize(dlg->Convert().timeline(), dlg->Convert().mediaIdOf(item),
                                         &bytes) == 2 &&
               bytes == item->outputEstimate;
    };
    ASSERT_TRUE(waitUntil(
        [&] {
            return measured(list->MediaAt(0)) && measured(list->MediaAt(1)) &&
                   measured(list->MediaAt(3));
        },
        60000));

    ASSERT_TRUE(ConvertWith(CActionWnd::kStart));
    const std::string ext = list->MediaAt(0)->outputExtension();
    for (int i = 0; i < list->Count(); ++i) {
        const MediaItem* item = list->MediaAt(i);
        SCOPED_TRACE(item->displayName);
        if (item->displayName == "broken.mp4") {
            EXPECT_EQ(item->stateText(), "Convert Failed");
            EXPECT_FALSE(fs::exists(out + "/broken." + ext));
            continue;
        }
        EXPECT_EQ(item->stateText(), "Finish");
        EXPECT_EQ(item->progressText(), "100.00%");
        const std::string base = item->displayName.substr(0, item->displayName.rfind('.'));
        ExpectPlayable(out + "/" + base + "." + ext, 0.5);
        EXPECT_NEAR(double(item->outputEstimate) /
                        double(fs::file_size(out + "/" + base + "." + ext)),
                    1.0, 0.05);
    }
    EXPECT_FALSE(dlg->FileList()->IsLocked());

    // Merged: the checked items into one output named after the first.
    list->MediaAt(2)->setFlag(kItemChecked, false); // the corrupt one
    fs::remove(out + "/a." + ext);
    ASSERT_TRUE(ConvertWith(CActionWnd::kMerge));
    ExpectPlayable(out + "/a." + ext, 2.5);
    EXPECT_EQ(list->MediaAt(0)->stateText(), "Finish");
}

TEST_F(MainWndEndToEnd, PauseHoldsTheRunResumeFinishesItAndStopLeavesNoFile) {
    const std::string src = root + "/long.mp4";
    copyAs(Movie(8.0, 640, 480), src);
    ASSERT_GE(dlg->AddFileByPath(src), 0);
    const MediaItem* item = dlg->FileList()->MediaAt(0);
    const std::string output = out + "/long." + item->outputExtension();

    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    ASSERT_TRUE(waitUntil([&] { return item->progress.load() > 0; }, 60000));
    clickItem(dlg->ActionPane(), CActionWnd::kMerge); // pause
    ASSERT_EQ(dlg->State(), kStateSuspended);
    QTest::qWait(300); // a frame in flight may still land
    const int held = item->progress.load();
    QTest::qWait(700);
    EXPECT_EQ(item->progress.load(), held);
    EXPECT_LT(held, 10000);
    clickItem(dlg->ActionPane(), CActionWnd::kMerge); // resume
    ASSERT_EQ(dlg->State(), kStateConverting);
    ASSERT_TRUE(waitUntil([&] { return dlg->State() == kStateIdle; }, 120000));
    EXPECT_EQ(item->stateText(), "Finish");
    ExpectPlayable(output, 7.5);

    // Stopped mid-run: no output, partial or complete.
    fs::remove(output);
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    ASSERT_TRUE(waitUntil([&] { return item->progress.load() > 0; }, 60000));
    clickItem(dlg->ActionPane(), CActionWnd::kStart); // stop
    EXPECT_EQ(dlg->State(), kStateIdle);
    EXPECT_FALSE(dlg->FileList()->IsLocked());
    QTest::qWait(1500);
    // The interrupted item says what is true, however far it got and whatever came late.
    EXPECT_EQ(item->stateText(), "Not Convert");
    EXPECT_EQ(item->progress.load(), 0);
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{});
}

TEST_F(MainWndEndToEnd, TheRenameDialogsOkCancelAndAutoEachGiveTheRightFile) {
    const std::string movie = Movie(1.0);
    for (const char* name : {"one", "two", "three"}) {
        copyAs(movie, root + "/in/" + name + ".mp4");
        ASSERT_GE(dlg->AddFileByPath(root + "/in/" + name + ".mp4"), 0);
    }
    settings.optionFlags = (settings.optionFlags & ~(kOptionOverwrite | kOptionSkip)) |
                           kOptionRename | kOptionShowRenameDialog;
    const std::string ext = dlg->FileList()->MediaAt(0)->outputExtension();
    for (const char* name : {"one", "two", "three"})
        std::ofstream(out + "/" + name + "." + ext) << "old";
    services.setClock({2011, 3, 4, 3, 9, 5, 7, 0}, {2011, 3, 4, 3, 9, 5, 7, 0});

    // The dialogs come one per item, in list order: OK with a new name, Cancel, Auto.
    int answered = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* rename = dynamic_cast<CFileRenameDlg*>(QApplication::activeModalWidget());
        if (!rename || rename->property("answered").toBool())
            return;
        rename->setProperty("answered", true);
        switch (answered++) {
        case 0:
            rename->NameEdit()->setText(QStringLiteral("one-new"));
            clickItem(rename->Pane(), CFileRenameDlg::kOk);
            break;
        case 1:
            clickItem(rename->Pane(), CFileRenameDlg::kCancel);
            break;
        default:
            clickItem(rename->Pane(), CFileRenameDlg::kAuto);
            break;
        }
    });
    poll.start(10);
    ASSERT_TRUE(ConvertWith(CActionWnd::kStart));
    poll.stop();
    EXPECT_EQ(answered, 3);
    EXPECT_EQ(OutputFiles(),
              (std::vector<std::string>{"one-new." + ext, "one." + ext, "three." + ext,
                                        "three_2011_03_03_09_05_07." + ext, "two." + ext}));
    ExpectPlayable(out + "/one-new." + ext, 0.5);
    ExpectPlayable(out + "/three_2011_03_03_09_05_07." + ext, 0.5);
    // The originals are untouched and the skipped item stays "Not Convert".
    for (const char* name : {"one", "two", "three"}) {
        std::ifstream in(out + "/" + name + "." + ext);
        std::string text;
        in >> text;
        EXPECT_EQ(text, "old") << name;
    }
    EXPECT_EQ(dlg->FileList()->MediaAt(1)->stateText(), "Not Convert");
}

// A clip previewed through the real engine: pictures reach the surface and the knob moves while
// it plays, a paused snapshot lands in the snapshot folder at the picture's size, and the end of
// the clip stops the preview.
TEST_F(MainWndEndToEnd, PreviewPlaysSnapshotsAndStopsAtTheEnd) {
    qputenv("SDL_AUDIODRIVER", "dummy");
    const std::string clip = Movie(2.0);
    const int index = dlg->AddFileByPath(clip);
    ASSERT_GE(index, 0);
    CFileListWnd* list = dlg->FileList();
    QTest::mouseClick(list, Qt::LeftButton, {},
                      QPoint(120, 24 + (index - list->FirstVisibleRow()) * 20 + 10));
    ASSERT_EQ(list->FocusedIndex(), index);
    settings.snapshotFolder = root + "/shots";
    settings.snapshotFormat = "BMP";
    settings.setOption(kOptionSnapshotCustomSize, false);
    settings.setOption(kOptionOpenSnapshotFolder, false);
    fs::create_directories(settings.snapshotFolder);

    CPlayCtrlWnd* play = dlg->PlayControl();
    clickItem(play, CPlayCtrlWnd::kPlay);
    ASSERT_EQ(dlg->State(), kStatePreviewing);
    auto centre = [this] {
        const QImage shown = dlg->VideoSurface()->grab().toImage();
        return shown.pixelColor(shown.width() / 2, shown.height() / 2);
    };
    ASSERT_TRUE(waitUntil([&] { return play->Position() > 1000 && centre() != Qt::black; }, 5000));

    clickItem(play, CPlayCtrlWnd::kPlay);
    ASSERT_EQ(dlg->State(), kStatePreviewPaused);
    QTest::qWait(200); // the position of the picture the pause holds
    const int held = play->Position();
    clickItem(play, CPlayCtrlWnd::kSnapshot);
    ASSERT_TRUE(waitUntil([&] { return !fs::is_empty(settings.snapshotFolder); }, 3000));
    const fs::path shot = fs::directory_iterator(settings.snapshotFolder)->path();
    EXPECT_EQ(shot.extension(), ".bmp");
    EXPECT_EQ(QImage(QString::fromStdString(shot.string())).size(), QSize(320, 240));
    QTest::qWait(300);
    EXPECT_EQ(play->Position(), held) << "paused";

    clickItem(play, CPlayCtrlWnd::kPlay);
    EXPECT_EQ(dlg->State(), kStatePreviewing);
    EXPECT_TRUE(waitUntil([&] { return dlg->State() == kStateIdle; }, 5000)) << "end of the clip";
}

// Colour edits reach the running preview as they are typed or stepped, from the window's thread
// to the player's while it presents pictures: saturation -100 turns a blue picture grey at once,
// steps in quick succession are all taken (the tsan preset runs this), and "Cancel" brings the
// colour back, also to a paused preview.
TEST_F(MainWndEndToEnd, ColourEditsReachTheRunningPreviewLive) {
    qputenv("SDL_AUDIODRIVER", "dummy");
    testmedia::SourceSpec spec;
    spec.width = 320;
    spec.height = 240;
    spec.seconds = 6.0;
    spec.sampleRate = 44100;
    spec.videoFilter = "color=c=0x3050D0:s=320x240:r=25:d=6";
    std::string error;
    const std::string clip = testmedia::generate(spec, &error);
    ASSERT_FALSE(clip.empty()) << error;
    const int index = dlg->AddFileByPath(clip);
    ASSERT_GE(index, 0);
    CFileListWnd* list = dlg->FileList();
    QTest::mouseClick(list, Qt::LeftButton, {},
                      QPoint(120, 24 + (index - list->FirstVisibleRow()) * 20 + 10));
    ASSERT_EQ(list->FocusedIndex(), index);

    CPlayCtrlWnd* play = dlg->PlayControl();
    clickItem(play, CPlayCtrlWnd::kPlay);
    ASSERT_EQ(dlg->State(), kStatePreviewing);
    auto centre = [this] {
        const QImage shown = dlg->VideoSurface()->grab().toImage();
        return shown.pixelColor(shown.width() / 2, shown.height() / 2);
    };
    auto bluish = [](const QColor& c) { return c.blue() > c.red() + 60; };
    auto greyish = [](const QColor& c) {
        return std::abs(c.red() - c.green()) < 12 && std::abs(c.green() - c.blue()) < 12 &&
               c.value() > 20;
    };
    ASSERT_TRUE(waitUntil([&] { return bluish(centre()); }, 5000)) << centre().name().toStdString();

    dlg->OnCommand(kCmdVideoEdit);
    CVideoEditDlg* edit = dlg->EditDialog();
    ASSERT_NE(edit, nullptr);
    auto* effects = dynamic_cast<CVideoEffectDlg*>(edit->PageAt(CVideoEditDlg::kEffects));
    ASSERT_NE(effects, nullptr);
    CVelEdit* saturation = effects->Edit(CVideoEffectDlg::kSaturation);
    saturation->selectAll();
    QTest::keyClicks(saturation, "-100");
    ASSERT_EQ(dlg->State(), kStatePreviewing) << "still playing, not confirmed";
    EXPECT_TRUE(waitUntil([&] { return greyish(centre()); }, 3000))
        << "saturation -100 is grey: " << centre().name().toStdString();

    // Many steps while the pictures flow: each reaches the player; the last one stands.
    CSpinCtrl* brightness = effects->Spin(CVideoEffectDlg::kBrightness);
    for (int i = 0; i < 60; ++i) {
        brightness->Step(i % 2 == 0 ? 1 : -1);
        if (i % 10 == 0)
            QCoreApplication::processEvents();
    }
    EXPECT_TRUE(waitUntil([&] { return greyish(centre()); }, 3000));

    // Paused: the change shows on the picture that is held.
    clickItem(play, CPlayCtrlWnd::kPlay);
    ASSERT_EQ(dlg->State(), kStatePreviewPaused);
    edit->Cancel();
    EXPECT_TRUE(waitUntil([&] { return bluish(centre()); }, 3000))
        << "cancelled: " << centre().name().toStdString();
    clickItem(play, CPlayCtrlWnd::kStop);
}
