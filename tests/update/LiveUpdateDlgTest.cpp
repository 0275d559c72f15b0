#include "CLiveUpdateDlg.h"

#include "CBaseWnd.h"
#include "LocalHttpServer.h"
#include "QtTestSupport.h"
#include "UpdateTestSupport.h"

#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString caption(const CBaseWnd* pane, int id) {
    const PaneItem* item = pane->FindItem(id);
    return item ? item->caption : QStringLiteral("(missing)");
}

void click(CBaseWnd* pane, int id) {
    const PaneItem* item = pane->FindItem(id);
    ASSERT_NE(item, nullptr) << id;
    QTest::mouseClick(pane, Qt::LeftButton, {}, item->rect().toQRect().center());
}

} // namespace

TEST(LiveUpdateDlg, EveryPageWithItsTextsAndButtons) {
    testApp();
    LoopbackServices services;
    ScopedPlatformServices installed(services);
    QTemporaryDir history;
    LocalHttpServer server;

    struct Case {
        const char* name;
        std::optional<std::string> body;  // checking mode: the server's answer
        const VersionCheckResult* result; // result mode
        CLiveUpdateDlg::Page page;
        const char* message;
        int button; // clicked at the end
        int dialogResult;
    };
    const VersionCheckResult older{1, 513, 768, "Old"};
    const VersionCheckResult newer{1, 514, 1, "Result mode"};
    const char* found = "Find new version, update or not?";
    const char* latest = "You have the lastest version now. No update is available at this times.";
    const Case cases[] = {
        {"check finds a newer version", versionFile(514, 0, "What is new"), nullptr,
         CLiveUpdateDlg::kPageNewVersion, found, CLiveUpdateDlg::kOkButton, IDOK},
        {"check finds the same version", versionFile(513, 769, "Same"), nullptr,
         CLiveUpdateDlg::kPageLatest, latest, CLiveUpdateDlg::kCloseButton, IDCANCEL},
        {"check fails", std::string("<html>busy</html>"), nullptr, CLiveUpdateDlg::kPageFailed,
         "Failed to fetch the version information!", CLiveUpdateDlg::kCloseButton, IDCANCEL},
        {"result of an older version", std::nullopt, &older, CLiveUpdateDlg::kPageLatest, latest,
         CLiveUpdateDlg::kCloseButton, IDCANCEL},
        {"result of a newer version", std::nullopt, &newer, CLiveUpdateDlg::kPageNewVersion, found,
         CLiveUpdateDlg::kCancelButton, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setBody(c.body);
        const int requestsBefore = server.requests();
        auto checker =
            std::make_shared<CVelVersionUpdate>(history.path().toStdString(), server.address());
        std::unique_ptr<CLiveUpdateDlg> dlg =
            c.result ? std::make_unique<CLiveUpdateDlg>(*c.result, checker->installerUrl())
                     : std::make_unique<CLiveUpdateDlg>(checker);
        EXPECT_EQ(dlg->windowTitle(), "Live Update");
        dlg->show();
        if (!c.result) {
            EXPECT_EQ(dlg->CurrentPage(), CLiveUpdateDlg::kPageChecking);
            EXPECT_EQ(caption(dlg->Pane(), CLiveUpdateDlg::kMessageText),
                      "Geting the version information, please waiting a moment ...");
            EXPECT_FALSE(dlg->TextBox()->isVisible());
        }
        ASSERT_TRUE(
            waitUntil([&] { return dlg->CurrentPage() != CLiveUpdateDlg::kPageChecking; }, 10000));
        EXPECT_EQ(dlg->CurrentPage(), c.page);
        EXPECT_EQ(caption(dlg->Pane(), CLiveUpdateDlg::kMessageText), c.message);
        // Checking mode asks the server once, forced; result mode never.
        EXPECT_EQ(server.requests() - requestsBefore, c.result ? 0 : 1);
        EXPECT_EQ(dlg->TextBox()->isVisible(), c.page == CLiveUpdateDlg::kPageNewVersion);
        if (c.page == CLiveUpdateDlg::kPageNewVersion) {
            const bool checked = !c.result;
            EXPECT_EQ(caption(dlg->Pane(), CLiveUpdateDlg::kCurrentText),
                      "Current Version : 2.1.3.1");
            EXPECT_EQ(caption(dlg->Pane(), CLiveUpdateDlg::kLatestText),
                      checked ? "Lastest Version : 2.2.0.0" : "Lastest Version : 2.2.0.1");
            EXPECT_EQ(dlg->TextBox()->toPlainText(), checked ? "Version 2.2.0.0 :\nWhat is new"
                                                             : "Version 2.2.0.1 :\nResult mode");
        }
        const size_t opened = services.openedDocuments().size();
        click(dlg->Pane(), c.button);
        EXPECT_EQ(dlg->result(), c.dialogResult);
        if (c.button == CLiveUpdateDlg::kOkButton) {
            ASSERT_EQ(services.openedDocuments().size(), opened + 1);
            EXPECT_EQ(services.openedDocuments().back(),
                      server.address() + "/downloads/program/movara_setup.exe");
        } else {
            EXPECT_EQ(services.openedDocuments().size(), opened);
        }
    }
}
