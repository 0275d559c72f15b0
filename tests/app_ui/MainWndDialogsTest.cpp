// The main window's dialogs: media information, preferences, the version check on command and
// the silent one after start-up.
#include "AppUiTestSupport.h"

#include "CFileInfoDlg.h"
#include "CFileListWnd.h"
#include "CFitSizeDlg.h"
#include "CLiveUpdateDlg.h"
#include "CMenuEx.h"
#include "COptionDlg.h"
#include "CSavetoWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CommandIds.h"
#include "MovaraMenus.h"

#include <QTest>
#include <QTimer>

#include <fstream>

namespace {

constexpr const char* kServer = "http://127.0.0.1:9";
const std::string kVersionUrl = std::string(kServer) + "/version/movara.xml";

// Ends every modal dialog that opens while it lives, after `inspect` looked at it.
class ModalWatch {
public:
    explicit ModalWatch(std::function<void(QWidget&)> inspect = {})
        : m_inspect(std::move(inspect)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal || m_busy)
                return;
            m_busy = true;
            seen.push_back(modal->windowTitle());
            if (m_inspect)
                m_inspect(*modal);
            modal->reject();
            m_busy = false;
        });
        m_timer.start(10);
    }
    std::vector<QString> seen;

private:
    QTimer m_timer;
    std::function<void(QWidget&)> m_inspect;
    bool m_busy = false;
};

SystemTime day(int year, int month, int dayOfMonth) {
    SystemTime t;
    t.year = year;
    t.month = month;
    t.day = dayOfMonth;
    return t;
}

std::string versionFileText(int major, int minor) {
    return "<Movara><MajorId>" + std::to_string(major) + "</MajorId><MinorId>" +
           std::to_string(minor) + "</MinorId><Desc>Notes</Desc></Movara>";
}

class MainWndDialogs : public MainWindowTest {
protected:
    // As OpenWindow, with the version checks pointed at the scripted server.
    void OpenWindowChecking() {
        dlg = std::make_unique<CMovaraDlg>(settings, catalogue);
        dlg->SetVersionServer(kServer);
        ASSERT_EQ(dlg->Create(), 0);
        ASSERT_TRUE(dlg->InitDialog());
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    std::string historyPath() const { return env->writable + "/VelUpdateHistory.txt"; }
};

} // namespace

TEST_F(MainWndDialogs, TheSilentCheckFollowsThePreferencesAndShowsOnlyANewerVersion) {
    struct Case {
        const char* name;
        bool enabled;
        int interval;
        const char* history; // null: none
        std::string published;
        bool asks;
        bool shows;
    };
    const Case cases[] = {
        {"newer version", true, 7, nullptr, versionFileText(514, 0), true, true},
        {"same version", true, 7, nullptr, versionFileText(513, 769), true, false},
        {"older version", true, 7, "2026-11-01", versionFileText(513, 1), true, false},
        {"checked today", true, 7, "2026-12-07", versionFileText(514, 0), false, false},
        {"interval of one day", true, 1, "2026-12-06", versionFileText(513, 769), true, false},
        {"switched off", false, 7, nullptr, versionFileText(514, 0), false, false},
    };
    env->services.setClock(day(2026, 12, 7), day(2026, 12, 7));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(historyPath().c_str());
        std::remove(env->settingsPath().c_str()); // the window would read the last case's
        if (c.history)
            writeFile(historyPath(), c.history);
        settings.setOption(kOptionAutoUpdate, c.enabled);
        settings.updateInterval = c.interval;
        env->services.setHttpResponse(kVersionUrl, c.published);
        const size_t asked = env->services.httpRequests().size();
        CLiveUpdateDlg::Page page = CLiveUpdateDlg::kPageChecking;
        ModalWatch watch([&](QWidget& modal) {
            if (auto* live = dynamic_cast<CLiveUpdateDlg*>(&modal))
                page = live->CurrentPage();
        });
        OpenWindowChecking();
        if (c.enabled) { // timer 1 has fired
            ASSERT_TRUE(waitUntil([&] { return dlg->VersionChecker() != nullptr; }));
        }
        if (c.asks) {
            ASSERT_TRUE(waitUntil([&] {
                return env->services.httpRequests().size() > asked && dlg->VersionChecker() &&
                       !dlg->VersionChecker()->running();
            }));
        }
        pumpEvents(200);
        EXPECT_EQ(env->services.httpRequests().size(), asked + (c.asks ? 1 : 0));
        EXPECT_EQ(watch.seen,
                  c.shows ? std::vector<QString>{"Live Update"} : std::vector<QString>{});
        if (c.shows) {
            EXPECT_EQ(page, CLiveUpdateDlg::kPageNewVersion);
        }
        EXPECT_EQ(readFile(historyPath()), c.asks ? "2026-12-07" : (c.history ? c.history : ""));
        dlg.reset();
    }
}

TEST_F(MainWndDialogs, CommandsOpenTheirDialogs) {
    settings.setOption(kOptionAutoUpdate, false);
    OpenWindowChecking();
    for (int command : {kCmdFileInfo, kCmdPreferences, kCmdCheckUpdates})
        EXPECT_TRUE(isCommandAvailable(command)) << command;
    EXPECT_TRUE(menuEnabled(dlg->Menu(kMenuMain), kCmdPreferences));
    EXPECT_TRUE(menuEnabled(dlg->Menu(kMenuMain), kCmdCheckUpdates));
    EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), 2));
    AddItem("/media/holiday.mkv");
    AddItem("/media/gone.avi");
    dlg->FileList()->MediaAt(1)->setState(kItemNotExist);

    QString fileType;
    CLiveUpdateDlg::Page page = CLiveUpdateDlg::kPageChecking;
    ModalWatch watch([&](QWidget& modal) {
        if (auto* info = dynamic_cast<CFileInfoDlg*>(&modal))
            fileType = info->Pane()->FindItem(CFileInfoDlg::kFileType)->caption;
        if (auto* live = dynamic_cast<CLiveUpdateDlg*>(&modal)) {
            waitUntil([&] { return live->CurrentPage() != CLiveUpdateDlg::kPageChecking; });
            page = live->CurrentPage();
        }
    });
    ClickRow(0);
    dlg->OnCommand(kCmdFileInfo);
    EXPECT_EQ(fileType, "File Type : mkv");
    QTest::mouseDClick(dlg->FileList(), Qt::LeftButton, {}, QPoint(120, 24 + 10));
    ClickRow(1);
    dlg->OnCommand(kCmdFileInfo); // a missing file has nothing to show
    clickItem(dlg->SavetoPane(), 2);
    env->services.setHttpResponse(kVersionUrl, versionFileText(513, 769));
    dlg->OnCommand(kCmdCheckUpdates);
    EXPECT_EQ(watch.seen, (std::vector<QString>{"Media Information", "Media Information",
                                                "Preferences", "Live Update"}));
    EXPECT_EQ(page, CLiveUpdateDlg::kPageLatest);
    // The manual check is forced: it asked although the silent one is off.
    ASSERT_EQ(env->services.httpRequests().size(), 1u);
    EXPECT_EQ(env->services.httpRequests()[0].url, kVersionUrl);
    EXPECT_EQ(env->services.httpRequests()[0].maxBytes, 4096u);

    // While converting the preferences stay shut.
    dlg->LockForConversion();
    EXPECT_TRUE(itemDisabled(dlg->SavetoPane(), 2));
    EXPECT_FALSE(menuEnabled(dlg->Menu(kMenuMain), kCmdPreferences));
    dlg->Unlock();
    EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), 2));
}

TEST_F(MainWndDialogs, FitToSizeSetsAndClearsTheLimitTheListShows) {
    OpenWindow();
    AddItems(3);
    ClickRowBox(2); // unchecked: "Apply to all checked items" passes it by
    ClickRow(0);
    auto items = [&] {
        std::vector<int64_t> limits;
        for (int i = 0; i < dlg->FileList()->Count(); ++i)
            limits.push_back(dlg->FileList()->MediaAt(i)->targetSize);
        return limits;
    };
    // One step of a person in the dialog: type, pick the unit, tick boxes, press a button.
    struct Step {
        const char* text; // null: leave the box alone
        int unit;
        std::vector<int> ticks;
        int button;
    };
    auto fill = [](CFitSizeDlg& fit, const Step& step) {
        if (step.text) {
            fit.SizeEdit()->setText(QString::fromUtf8(step.text));
            pickEntry(fit.UnitCombo(), step.unit);
        }
        for (int tick : step.ticks)
            clickItem(fit.Pane(), tick);
        clickItem(fit.Pane(), step.button);
        QCoreApplication::processEvents(); // the pane's notice is posted
    };
    auto run = [&](std::vector<Step> steps, QString* shownText = nullptr,
                   QString* problem = nullptr) {
        onNextModal([&, steps](QWidget& modal) {
            auto* fit = dynamic_cast<CFitSizeDlg*>(&modal);
            if (!fit) {
                ADD_FAILURE() << "not the fit dialog";
                static_cast<QDialog&>(modal).reject();
                return;
            }
            (void)QTest::qWaitForWindowExposed(fit);
            if (shownText)
                *shownText = fit->SizeEdit()->text() + " " + fit->UnitCombo()->currentText();
            for (const Step& step : steps) {
                fill(*fit, step);
                if (problem && fit->isVisible())
                    *problem = fit->Pane()->FindItem(CFitSizeDlg::kProblem)->caption;
            }
            if (fit->isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                fit->reject();
            }
        });
        dlg->OnCommand(kCmdFitSize);
    };
    const int64_t MiB = 1 << 20;

    QString shown;
    run({{"8", CFitSizeDlg::kMB, {}, CFitSizeDlg::kOk}}, &shown);
    EXPECT_EQ(shown, "10 MB"); // no limit yet: the box offers 10 MB
    EXPECT_EQ(items(), (std::vector<int64_t>{8 * MiB, 0, 0}));
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->estimateText(), "<= 8.00MB");

    // Nothing that is no size is taken; Cancel keeps the limit.
    QString problem;
    run({{"0", CFitSizeDlg::kKB, {}, CFitSizeDlg::kOk},
         {"ten", CFitSizeDlg::kMB, {}, CFitSizeDlg::kOk},
         {nullptr, 0, {}, CFitSizeDlg::kCancel}},
        &shown, &problem);
    EXPECT_EQ(shown, "8 MB");
    EXPECT_EQ(problem, "Enter a size above 0, such as 10 MB.");
    EXPECT_EQ(items(), (std::vector<int64_t>{8 * MiB, 0, 0}));

    run({{"1.5", CFitSizeDlg::kGB, {CFitSizeDlg::kApplyToChecked}, CFitSizeDlg::kOk}});
    EXPECT_EQ(items(), (std::vector<int64_t>{1536 * MiB, 1536 * MiB, 0}));
    EXPECT_EQ(dlg->FileList()->MediaAt(1)->estimateText(), "<= 1.50GB");

    // Duplicate keeps the limit with the copy.
    dlg->OnCommand(kCmdDuplicate);
    EXPECT_EQ(items(), (std::vector<int64_t>{1536 * MiB, 1536 * MiB, 1536 * MiB, 0}));

    run({{nullptr, 0, {CFitSizeDlg::kNoLimit}, CFitSizeDlg::kOk}}, &shown);
    EXPECT_EQ(shown, "1.5 GB");
    EXPECT_EQ(items(), (std::vector<int64_t>{0, 1536 * MiB, 1536 * MiB, 0}));
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->estimateText().rfind("<=", 0), std::string::npos);

    // A converted item shows its size again; a conversion shuts the command.
    dlg->FileList()->MediaAt(1)->setState(kItemFinish);
    EXPECT_EQ(dlg->FileList()->MediaAt(1)->estimateText().rfind("<=", 0), std::string::npos);
    EXPECT_TRUE(menuEnabled(dlg->Menu(kMenuMain), kCmdFitSize));
    dlg->LockForConversion();
    EXPECT_FALSE(menuEnabled(dlg->Menu(kMenuMain), kCmdFitSize));
    dlg->Unlock();
}
