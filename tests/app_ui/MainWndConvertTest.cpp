// Conversion control from the action pane against the fake codec engine: the state table, the
// checks before a start, the end of a conversion in every state, the shutdown countdown, the
// finished outputs shown in the file manager, the rename dialog for an existing output, what
// the desktop's launcher and notifications are told.
#include "AppUiTestSupport.h"

#include "CCountdownDlg.h"
#include "CommandIds.h"

#include "CActionWnd.h"
#include "CCaptionWnd.h"
#include "CFileListWnd.h"
#include "CFileRenameDlg.h"
#include "CSavetoWnd.h"
#include "CStatusWnd.h"
#include "CToolWnd.h"
#include "CVelEdit.h"
#include "DesktopBuses.h"
#include "FakeDesktopBus.h"
#include "MessageTarget.h"
#include "StatusTexts.h"

#include <QTest>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace {

struct Look {
    int mergeImage;
    const char* mergeTip;
    int startImage;
    const char* startTip;
};
const Look kIdleLook{25, "Merge media", 24, "Start conversion"};
const Look kConvertingLook{27, "Pause conversion", 26, "Stop conversion"};
const Look kSuspendedLook{28, "Resume conversion", 26, "Stop conversion"};

class MainWndConvert : public MainWindowTest {
protected:
    // Items whose sources exist (a missing source ends its run before it starts).
    void OpenWithItems(int count) {
        OpenWindow();
        for (int i = 0; i < count; ++i) {
            const std::string path =
                env->scratch.filePath("clip" + QString::number(i) + ".avi").toStdString();
            writeFile(path, "source");
            AddItem(path);
        }
        dlg->OutputPathEdit()->setText(env->scratch.path());
    }
    void ExpectLook(const Look& look) {
        const PaneItem* merge = dlg->ActionPane()->FindItem(CActionWnd::kMerge);
        const PaneItem* start = dlg->ActionPane()->FindItem(CActionWnd::kStart);
        EXPECT_EQ(merge->imageId, look.mergeImage);
        EXPECT_EQ(merge->tooltip.toStdString(), look.mergeTip);
        EXPECT_EQ(start->imageId, look.startImage);
        EXPECT_EQ(start->tooltip.toStdString(), look.startTip);
    }
    void Click(int element) { clickItem(dlg->ActionPane(), element); }
    // The engine's end of a conversion, as its thread sends it.
    void SendConversionOver() {
        VelNotification note{kNotifyConversionOver, nullptr};
        sendMessage(dlg->handle(), kMsgConvertNotify, 0, reinterpret_cast<intptr_t>(&note));
    }
    // Answers countdowns with Cancel (or lets them run out) and counts them, until the fixture
    // is destroyed or Forget() is called.
    struct CountdownAnswer {
        int seen = 0;
        std::unique_ptr<QTimer> poll;
        void Forget() { poll.reset(); }
    };
    std::shared_ptr<CountdownAnswer> AnswerCountdown(bool cancel) {
        auto answer = std::make_shared<CountdownAnswer>();
        answer->poll = std::make_unique<QTimer>();
        CountdownAnswer* raw = answer.get();
        QObject::connect(answer->poll.get(), &QTimer::timeout, [raw, cancel] {
            auto* countdown = dynamic_cast<CCountdownDlg*>(QApplication::activeModalWidget());
            if (!countdown || !countdown->isVisible() || countdown->property("answered").toBool())
                return;
            countdown->setProperty("answered", true);
            ++raw->seen;
            if (cancel) {
                clickItem(countdown->Pane(), CCountdownDlg::kCancel);
                return;
            }
            while (countdown->isVisible() && countdown->TimerId()) {
                QTimerEvent tick(countdown->TimerId());
                QCoreApplication::sendEvent(countdown, &tick);
            }
        });
        answer->poll->start(10);
        return answer;
    }
    void PutInState(int state) {
        if (state == kStateConverting || state == kStateSuspended) {
            Click(CActionWnd::kStart);
            if (state == kStateSuspended)
                Click(CActionWnd::kMerge);
        } else if (state == kStatePreviewing) {
            ASSERT_EQ(dlg->Convert().startPreview(dlg->FileList()->MediaAt(0)), 1);
        }
        ASSERT_EQ(dlg->State(), state);
    }
};

} // namespace

TEST_F(MainWndConvert, ElementClicksFollowTheStateTable) {
    struct Case {
        const char* name;
        int state;
        int element;
        int after;
        bool merge; // of the run started, when one is
        const Look* look;
        bool locked;
    };
    const Case cases[] = {
        {"idle, merge", kStateIdle, CActionWnd::kMerge, kStateConverting, true, &kConvertingLook,
         true},
        {"idle, start", kStateIdle, CActionWnd::kStart, kStateConverting, false, &kConvertingLook,
         true},
        {"converting, pause", kStateConverting, CActionWnd::kMerge, kStateSuspended, false,
         &kSuspendedLook, true},
        {"converting, stop", kStateConverting, CActionWnd::kStart, kStateIdle, false, &kIdleLook,
         false},
        {"suspended, resume", kStateSuspended, CActionWnd::kMerge, kStateConverting, false,
         &kConvertingLook, true},
        {"suspended, stop", kStateSuspended, CActionWnd::kStart, kStateIdle, false, &kIdleLook,
         false},
        {"previewing, merge", kStatePreviewing, CActionWnd::kMerge, kStateConverting, true,
         &kConvertingLook, true},
        {"previewing, start", kStatePreviewing, CActionWnd::kStart, kStateConverting, false,
         &kConvertingLook, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.reset();
        OpenWithItems(2);
        PutInState(c.state);
        const size_t runsBefore = fake.callsOf("VeldesRun").size();
        Click(c.element);
        EXPECT_EQ(dlg->State(), c.after);
        ExpectLook(*c.look);
        EXPECT_EQ(dlg->FileList()->IsLocked(), c.locked);
        if (c.state == kStateIdle || c.state == kStatePreviewing) {
            EXPECT_EQ(settings.option(kOptionMerge), c.merge);
            const auto runs = fake.callsOf("VeldesRun");
            ASSERT_EQ(runs.size(), runsBefore + 1);
            EXPECT_EQ(runs.back().mediaIds.size(), c.merge ? 2u : 1u);
        }
        if (c.after == kStateSuspended)
            EXPECT_EQ(fake.callsOf("VeldesSuspend").size(), 1u);
        if (c.state == kStateSuspended && c.after == kStateConverting)
            EXPECT_EQ(fake.callsOf("VeldesResume").size(), 1u);
        if (dlg->State() != kStateIdle)
            Click(CActionWnd::kStart);
        dlg.reset();
    }
}

TEST_F(MainWndConvert, TheEndOfAConversionInEveryStateReturnsToIdleAndCountsDownWith0x20) {
    for (int state : {kStateIdle, kStateConverting, kStateSuspended, kStatePreviewing}) {
        for (bool shutdown : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "state " << state << " shutdown " << shutdown);
            fake.reset();
            OpenWithItems(1);
            settings.setOption(kOptionShutdown, shutdown);
            PutInState(state);
            auto countdowns = AnswerCountdown(/*cancel=*/true);
            SendConversionOver();
            EXPECT_EQ(countdowns->seen, shutdown ? 1 : 0);
            // Preview states are not a conversion: the end leaves them alone.
            EXPECT_EQ(dlg->State(), state == kStatePreviewing ? kStatePreviewing : kStateIdle);
            ExpectLook(kIdleLook);
            EXPECT_FALSE(dlg->FileList()->IsLocked());
            EXPECT_EQ(env->services.powerOffRequests(), 0);
            QTest::qWait(20); // let an unused modal poll go
            dlg.reset();
        }
    }
}

TEST_F(MainWndConvert, ChecksBeforeAStartShowTheirMessageAndChangeNothing) {
    struct Case {
        const char* name;
        bool checked;
        std::string output; // "" or a path
        bool sameAsInput;
        const char* text;
    };
    const std::string file = env->scratch.filePath("a-file").toStdString();
    writeFile(file, "x");
    const Case cases[] = {
        {"nothing checked", false, env->scratch.path().toStdString(), false,
         "Please select at least one file item"},
        {"empty output path", true, "", false, "The chosen path does not exist, please re-select"},
        {"empty output path, same as input", true, "", true,
         "The chosen path does not exist, please re-select"},
        {"a file, not a folder", true, file, true,
         "The chosen path does not exist, please re-select"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.reset();
        OpenWithItems(2);
        if (!c.checked)
            dlg->OnCommand(kCmdUnselectAll);
        dlg->OutputPathEdit()->setText(QString::fromStdString(c.output));
        if (c.sameAsInput != settings.option(kOptionSameAsInput))
            clickItem(dlg->SavetoPane(), 7);
        const size_t boxes = env->services.messageBoxes().size();
        for (int element : {CActionWnd::kMerge, CActionWnd::kStart}) {
            Click(element);
            ASSERT_EQ(env->services.messageBoxes().size(), boxes + (element == 1 ? 1 : 2));
            const auto box = env->services.messageBoxes().back();
            EXPECT_EQ(box.text, c.text);
            EXPECT_EQ(box.caption, "Movara");
            EXPECT_EQ(box.icon, MB_ICONINFORMATION);
        }
        EXPECT_EQ(dlg->State(), kStateIdle);
        ExpectLook(kIdleLook);
        EXPECT_FALSE(dlg->FileList()->IsLocked());
        EXPECT_TRUE(dlg->IsCommandEnabled(kCmdAddFile));
        EXPECT_TRUE(fake.callsOf("VeldesRun").empty());
        dlg.reset();
    }
}

TEST_F(MainWndConvert, StopThenALateEndCountsDownOnlyWith0x20) {
    for (bool shutdown : {false, true}) {
        SCOPED_TRACE(shutdown);
        fake.reset();
        OpenWithItems(1);
        settings.setOption(kOptionShutdown, shutdown);
        Click(CActionWnd::kStart);
        Click(CActionWnd::kStart); // stop
        ASSERT_EQ(dlg->State(), kStateIdle);
        const size_t aborts = fake.callsOf("VeldesSkip").size() + fake.callsOf("VeldesStop").size();
        auto countdowns = AnswerCountdown(/*cancel=*/false);
        SendConversionOver();
        EXPECT_EQ(countdowns->seen, shutdown ? 1 : 0);
        EXPECT_EQ(env->services.powerOffRequests(), shutdown ? 1 : 0);
        // Not stopped a second time.
        EXPECT_EQ(fake.callsOf("VeldesSkip").size() + fake.callsOf("VeldesStop").size(), aborts);
        QTest::qWait(20);
        dlg.reset();
        env.reset();
        env = std::make_unique<MainWindowEnvironment>();
    }
}

TEST_F(MainWndConvert, CancelAtTheDiskSpaceMessageEndsTheConversionAndCountsDown) {
    OpenWithItems(1);
    settings.setOption(kOptionShutdown, true);
    env->services.setFreeSpace(env->scratch.path().toStdString(), 1024);
    env->services.queueMessageBoxAnswer(IDCANCEL);
    auto countdowns = AnswerCountdown(/*cancel=*/true);
    Click(CActionWnd::kStart);
    ASSERT_TRUE(waitUntil([&] { return countdowns->seen == 1; }));
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    EXPECT_EQ(env->services.messageBoxes()[0].text.rfind("Disk space is not enough.", 0), 0u);
    EXPECT_EQ(dlg->State(), kStateIdle);
    ExpectLook(kIdleLook);
    EXPECT_FALSE(dlg->FileList()->IsLocked());
    EXPECT_EQ(env->services.powerOffRequests(), 0);
    EXPECT_TRUE(fake.callsOf("VeldesRun").empty());
}

TEST_F(MainWndConvert, FinishedOutputsAreShownWith0x400OnePerItemOrTheMergedOne) {
    for (bool merge : {false, true}) {
        SCOPED_TRACE(merge);
        fake.reset();
        fake.setAutoRun(FakeAutoRun::Complete);
        OpenWithItems(3);
        clickItem(dlg->SavetoPane(), 8); // "Open the folder when finish convert"
        ASSERT_TRUE(settings.option(kOptionOpenOutputFolder));
        const size_t shownBefore = env->services.shownFiles().size();
        Click(merge ? CActionWnd::kMerge : CActionWnd::kStart);
        ASSERT_TRUE(waitUntil([&] { return dlg->State() == kStateIdle; }, 5000));
        ASSERT_TRUE(fake.waitIdle());
        ASSERT_TRUE(waitUntil(
            [&] { return env->services.shownFiles().size() == shownBefore + (merge ? 1 : 3); }));
        QTest::qWait(50);
        const auto shown = env->services.shownFiles();
        ASSERT_EQ(shown.size(), shownBefore + (merge ? 1u : 3u));
        const std::string folder = env->scratch.path().toStdString() + "/";
        if (merge) {
            EXPECT_EQ(shown.back().rfind(folder + "clip0.", 0), 0u) << shown.back();
        } else {
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(
                    shown[shownBefore + i].rfind(folder + "clip" + std::to_string(i) + ".", 0), 0u);
        }
        ExpectLook(kIdleLook);
        clickItem(dlg->SavetoPane(), 8);
        ASSERT_FALSE(settings.option(kOptionOpenOutputFolder));
        dlg.reset();
    }
}

TEST_F(MainWndConvert, TheShutdownBoxOfTheToolBarSetsBit0x20) {
    OpenWindow();
    const bool before = settings.option(kOptionShutdown);
    clickItem(dlg->ToolBar(), CToolWnd::kShutdown);
    EXPECT_EQ(settings.option(kOptionShutdown), !before);
    clickItem(dlg->ToolBar(), CToolWnd::kShutdown);
    EXPECT_EQ(settings.option(kOptionShutdown), before);
}

TEST_F(MainWndConvert, AnExistingOutputAsksThroughTheRenameDialog) {
    struct Case {
        const char* name;
        int button;
        const char* typed;
        std::string expectedName; // of the run's output; "" when the item is skipped
    };
    const Case cases[] = {
        {"OK with a new name", CFileRenameDlg::kOk, "renamed", "renamed."},
        {"Cancel skips", CFileRenameDlg::kCancel, "", ""},
        {"Auto stamps the time", CFileRenameDlg::kAuto, "", "clip0_2011_03_03_09_05_07."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.reset();
        env.reset();
        env = std::make_unique<MainWindowEnvironment>();
        env->services.setClock({2011, 3, 4, 3, 9, 5, 7, 0}, {2011, 3, 4, 3, 9, 5, 7, 0});
        OpenWithItems(1);
        settings.optionFlags = (settings.optionFlags & ~(kOptionOverwrite | kOptionSkip)) |
                               kOptionRename | kOptionShowRenameDialog;
        const std::string ext = dlg->FileList()->MediaAt(0)->outputExtension();
        const std::string folder = env->scratch.path().toStdString() + "/";
        writeFile(folder + "clip0." + ext, "old");
        auto seen = std::make_shared<bool>(false);
        onNextModal([&, seen](QWidget& modal) {
            auto* rename = dynamic_cast<CFileRenameDlg*>(&modal);
            ASSERT_NE(rename, nullptr);
            *seen = true;
            EXPECT_EQ(rename->windowTitle().toStdString(), "Rename");
            EXPECT_EQ(rename->NameEdit()->text().toStdString(), "clip0");
            if (*c.typed) {
                rename->NameEdit()->selectAll();
                QTest::keyClicks(rename->NameEdit(), c.typed);
            }
            clickItem(rename->Pane(), c.button);
        });
        // Finished by an earlier conversion: a skipped output must not keep saying so.
        dlg->FileList()->MediaAt(0)->setState(kItemFinish);
        Click(CActionWnd::kStart);
        ASSERT_TRUE(waitUntil([&] { return *seen; }));
        const auto runs = fake.callsOf("VeldesRun");
        if (c.expectedName.empty()) {
            EXPECT_TRUE(runs.empty());
            EXPECT_EQ(dlg->FileList()->MediaAt(0)->stateText(), "Not Convert");
        } else {
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(std::string(runs[0].exportInfo->outputPath), folder + c.expectedName + ext);
        }
        if (dlg->State() != kStateIdle)
            Click(CActionWnd::kStart);
        dlg.reset();
    }
}

TEST_F(MainWndConvert, QuittingWhileConvertingAsksAndOnlyYesStopsAndCloses) {
    struct Case {
        const char* name;
        int state;
        std::function<void(CMovaraDlg&)> quit;
        int answer; // to the question; 0: no question is expected
        bool closed;
    };
    const auto exitCommand = [](CMovaraDlg& d) { d.OnCommand(kCmdExit); };
    const auto closeButton = [](CMovaraDlg& d) { clickItem(d.Caption(), CCaptionWnd::kCloseId); };
    const auto escape = [](CMovaraDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); };
    const auto signal = [](CMovaraDlg& d) { d.EndWithoutAsking(); };
    const auto quit = [](CMovaraDlg& d) { d.close(); }; // the application closing its windows
    const Case cases[] = {
        {"Exit while converting, No", kStateConverting, exitCommand, IDNO, false},
        {"close button while paused, No", kStateSuspended, closeButton, IDNO, false},
        {"close button while converting, Yes", kStateConverting, closeButton, IDYES, true},
        {"Escape never closes", kStateConverting, escape, 0, false},
        {"a termination request does not ask", kStateConverting, signal, 0, true},
        {"the session's quit does not ask", kStateSuspended, quit, 0, true},
        {"idle Exit does not ask", kStateIdle, exitCommand, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.reset();
        env.reset();
        env = std::make_unique<MainWindowEnvironment>();
        OpenWithItems(1);
        PutInState(c.state);
        if (c.answer)
            env->services.queueMessageBoxAnswer(c.answer);
        c.quit(*dlg);
        const auto boxes = env->services.messageBoxes();
        if (c.answer) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "A conversion is running. Stop it and quit?");
            EXPECT_EQ(boxes[0].caption, "Movara");
            EXPECT_EQ(boxes[0].buttons, MB_YESNO);
            EXPECT_EQ(boxes[0].icon, MB_ICONQUESTION);
        } else {
            EXPECT_TRUE(boxes.empty());
        }
        EXPECT_EQ(dlg->isVisible(), !c.closed);
        if (!c.closed) {
            EXPECT_EQ(dlg->State(), c.state);
            EXPECT_TRUE(dlg->FileList()->IsLocked());
            Click(CActionWnd::kStart);
        }
        dlg.reset();
    }
}

TEST_F(MainWndConvert, StopMarksTheInterruptedItemNotConvertAndFailuresCarryTheirReason) {
    OpenWithItems(2);
    MediaItem* first = dlg->FileList()->MediaAt(0);
    MediaItem* second = dlg->FileList()->MediaAt(1);
    Click(CActionWnd::kStart);
    // The engine reports progress on the first item, then the person stops.
    first->progress = 2037;
    Click(CActionWnd::kStart);
    EXPECT_EQ(first->stateText(), "Not Convert");
    EXPECT_EQ(first->progress.load(), 0);
    EXPECT_EQ(dlg->FileList()->RowTooltip(0).toStdString(), first->displayName);

    // A failure reported with its reason: the row's tooltip and the status bar tell it.
    Click(CActionWnd::kStart);
    second->failureReason = "No space left on device";
    second->setState(kItemConvertFailed);
    VelNotification note{kNotifyItemFailed, second};
    sendMessage(dlg->handle(), kMsgConvertNotify, 0, reinterpret_cast<intptr_t>(&note));
    EXPECT_EQ(dlg->FileList()->RowTooltip(1).toStdString(),
              second->displayName + "\nConvert Failed: No space left on device");
    auto profileField = [&] {
        return dlg->StatusBar()->FindItem(CStatusWnd::kProfile)->caption.toStdString();
    };
    const std::string failed =
        "Convert Failed : " + second->displayName + " : No space left on device";
    EXPECT_EQ(profileField(), failed);
    // The reason stays while the run lasts, even when the focus moves.
    ClickRow(0);
    EXPECT_EQ(profileField(), failed);
    // The run's end brings the profile summary back; the row keeps the reason.
    VelNotification over{kNotifyConversionOver, nullptr};
    sendMessage(dlg->handle(), kMsgConvertNotify, 0, reinterpret_cast<intptr_t>(&over));
    EXPECT_EQ(dlg->Convert().state(), 0);
    EXPECT_EQ(profileField(), profileSummaryText(*first->profile));
    EXPECT_EQ(dlg->FileList()->RowTooltip(1).toStdString(),
              second->displayName + "\nConvert Failed: No space left on device");
}

TEST_F(MainWndConvert, TheLauncherFollowsAConversionAndAnEndUnseenIsNotified) {
    FakeDesktopBus* bus = FakeDesktopBus::instance();
    ASSERT_TRUE(bus);
    platform::setBusAddresses(bus->sessionAddress(), bus->systemAddress());
    env->services.useDesktopBuses(true);
    env->services.setDesktopEntry("example.movara.Movara", "movara");
    const std::string app = QApplication::applicationName().toStdString();
    const std::string folder = env->scratch.path().toStdString();
    struct Case {
        const char* name;
        int items;
        int failing; // the last ones fail
        bool active;
        const char* text; // of the notification; none when null
    };
    const Case cases[] = {
        {"all of three", 3, 0, false, "3 files converted"},
        {"the only one", 1, 0, false, "1 file converted"},
        {"one of three failed", 3, 1, false, "2 of 3 converted, 1 failed"},
        {"all failed", 2, 2, false, "0 of 2 converted, 2 failed"},
        {"the window is active", 3, 0, true, nullptr},
    };
    QWidget elsewhere; // another program's window, in front
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.reset();
        fake.setAutoRun(FakeAutoRun::Complete);
        bus->offer(FakeDesktopBus::Notifications);
        OpenWindow();
        dlg->OutputPathEdit()->setText(env->scratch.path());
        for (int i = 0; i < c.items; ++i) {
            const std::string path = folder + "/clip" + std::to_string(i) + ".avi";
            writeFile(path, "source");
            FakeSource source = FakeSource::movie();
            source.failRun = i >= c.items - c.failing;
            fake.setSource(path, source);
            AddItem(path);
        }
        QWidget* front = c.active ? static_cast<QWidget*>(dlg.get()) : &elsewhere;
        front->show();
        QApplication::setActiveWindow(front);
        ASSERT_TRUE(waitUntil([&] { return dlg->isActiveWindow() == c.active; }));

        Click(CActionWnd::kStart);
        ASSERT_TRUE(waitUntil([&] { return dlg->State() == kStateIdle; }, 5000));
        ASSERT_TRUE(waitUntil([&] {
            const auto updates = bus->launcherUpdates();
            return !updates.empty() && !updates.back().progressVisible;
        }));
        // From nothing done with every item left, through part of the work, to a cleared entry.
        const auto updates = bus->launcherUpdates();
        for (const auto& update : updates) {
            EXPECT_EQ(update.uri, "application://example.movara.Movara.desktop");
            EXPECT_EQ(update.path, "/com/canonical/unity/launcherentry/example_movara_Movara");
        }
        EXPECT_TRUE(updates.front().progressVisible && updates.front().countVisible);
        EXPECT_EQ(updates.front().progress, 0.0);
        EXPECT_EQ(updates.front().count, c.items);
        EXPECT_TRUE(std::any_of(updates.begin(), updates.end(), [](const auto& u) {
            return u.progressVisible && u.progress > 0 && u.progress < 1;
        }));
        EXPECT_FALSE(updates.back().countVisible);

        std::vector<std::string> expected;
        const bool converted = c.failing < c.items;
        if (c.text)
            expected.push_back("Notifications.Notify " + app + "|0|movara|" + c.text + "|" +
                               (converted
                                    ? folder + "|default,Show output folder,open,Show output folder"
                                    : std::string("|")) +
                               "|desktop-entry=example.movara.Movara|-1");
        EXPECT_EQ(bus->calls(), expected);
        if (c.text && converted) {
            // Picking the notification (once, whatever the server sends after) opens the folder.
            const size_t opened = env->services.openedDocuments().size();
            bus->invokeAction(bus->lastNotification(), "open");
            bus->invokeAction(bus->lastNotification(), "default");
            ASSERT_TRUE(
                waitUntil([&] { return env->services.openedDocuments().size() == opened + 1; }));
            QTest::qWait(50);
            EXPECT_EQ(env->services.openedDocuments().back(), folder);
            EXPECT_EQ(env->services.openedDocuments().size(), opened + 1);
        }
        elsewhere.hide();
        dlg.reset();
    }
}
