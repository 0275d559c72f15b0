#include "CVelVersionUpdate.h"
#include "HttpClient.h"
#include "LocalHttpServer.h"
#include "QtTestSupport.h"
#include "UpdateTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class VersionCheck : public ::testing::Test {
protected:
    void SetUp() override { testApp(); }

    // Starts `checker` and waits for its worker to end.
    void runCheck(CVersionUpdate& checker, bool force, ResultWindow& window) {
        const size_t before = window.results.size();
        ASSERT_TRUE(checker.start(force, window.handle()));
        ASSERT_TRUE(waitUntil([&] { return !checker.running(); }, 10000));
        ASSERT_EQ(window.results.size(), before + 1);
    }

    LoopbackServices services;
    ScopedPlatformServices installed{services};
    QTemporaryDir history;
};

} // namespace

TEST(VersionRules, NewerVersionsTextsAndVersionFiles) {
    struct Version {
        int32_t major, minor;
        bool newer;
    };
    for (const Version& v : {Version{513, 769, false}, Version{513, 770, true},
                             Version{514, 0, true}, Version{512, 1000, false}})
        EXPECT_EQ(isNewerVersion(v.major, v.minor), v.newer) << v.major << "/" << v.minor;
    EXPECT_EQ(versionText(kOwnMajorId, kOwnMinorId), "2.1.3.1");

    struct File {
        const char* name;
        std::string text;
        bool ok;
    };
    const File files[] = {
        {"complete, entities unescaped", versionFile(514, 2, "Faster &amp; smaller"), true},
        {"without Desc", "<Movara><MajorId>514</MajorId><MinorId>0</MinorId></Movara>", false},
        {"ids out of order", "<Movara><MinorId>0</MinorId><MajorId>514</MajorId><Desc/></Movara>",
         false},
        {"an id that is no number",
         "<Movara><MajorId>5x4</MajorId><MinorId>0</MinorId><Desc>x</Desc></Movara>", false},
        {"another product",
         "<Other><MajorId>514</MajorId><MinorId>0</MinorId><Desc>x</Desc>"
         "</Other>",
         false},
        {"not XML", "Service Unavailable", false},
    };
    for (const File& f : files) {
        VersionCheckResult result;
        EXPECT_EQ(parseVersionFile(f.text, "Movara", &result), f.ok) << f.name;
        if (f.ok) {
            EXPECT_EQ(result.majorId, 514);
            EXPECT_EQ(result.minorId, 2);
            EXPECT_EQ(result.description, "Faster & smaller");
        }
    }
}

TEST_F(VersionCheck, HistoryDateDecidesWhetherTheCheckIsDue) {
    struct Case {
        const char* history; // null: no file
        int interval;
        bool due;
    };
    const Case cases[] = {
        {nullptr, 7, true},       {"2027-01-03", 7, false}, {"2026-12-28", 7, false},
        {"2026-12-27", 7, true},  {"2026-11-01", 7, true},  {"2027-01-02", 1, true},
        {"2027-01-03", 1, false}, {"not a date", 7, true},  {"2027-06-01", 7, true},
    };
    CVelVersionUpdate checker(history.path().toStdString());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.history ? c.history : "(none)");
        std::filesystem::remove(checker.historyPath());
        if (c.history)
            std::ofstream(checker.historyPath(), std::ios::binary) << c.history;
        checker.setIntervalDays(c.interval);
        EXPECT_EQ(checker.isCheckDue(), c.due);
    }
}

TEST_F(VersionCheck, FetchesParsesReportsAndRemembersOnlySuccess) {
    struct Case {
        const char* name;
        std::optional<std::string> body;
        bool success;
        int32_t major, minor;
    };
    const std::string longDesc(5000, 'x');
    const Case cases[] = {
        {"newer version", versionFile(514, 0, "Faster &amp; smaller"), true, 514, 0},
        {"same version", versionFile(513, 769, "Same"), true, 513, 769},
        {"without Desc", std::string("<Movara><MajorId>514</MajorId><MinorId>0</MinorId></Movara>"),
         false, 0, 0},
        {"cut inside the description", versionFile(514, 0, longDesc), false, 0, 0},
        {"padding past the limit is not read", versionFile(514, 1, "ok") + std::string(6000, ' '),
         true, 514, 1},
        {"no answer", std::nullopt, false, 0, 0},
        {"nobody listening", std::nullopt, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        auto server = std::make_unique<LocalHttpServer>();
        server->setBody(c.body);
        const std::string address = server->address();
        if (std::string(c.name) == "nobody listening")
            server.reset();
        auto checker = std::make_shared<CVelVersionUpdate>(folder.path().toStdString(), address);
        ResultWindow window;
        runCheck(*checker, false, window);
        const VersionCheckResult& result = window.results.back();
        EXPECT_EQ(result.success, c.success ? 1 : 0);
        EXPECT_EQ(result.majorId, c.major);
        EXPECT_EQ(result.minorId, c.minor);
        if (c.success && c.major == 514 && c.minor == 0) {
            EXPECT_EQ(result.description, "Faster & smaller");
        }
        EXPECT_EQ(window.threads.back(), std::this_thread::get_id()); // handed to the UI thread
        if (server) {
            EXPECT_EQ(server->lastPath(), "/version/movara.xml");
        }
        EXPECT_EQ(readText(checker->historyPath()), c.success ? "2027-01-03" : "");
        // Success holds the next automatic check off; a failure leaves it due.
        EXPECT_EQ(checker->start(false, window.handle()), !c.success);
        ASSERT_TRUE(waitUntil([&] { return !checker->running(); }, 10000));
    }
}

TEST_F(VersionCheck, ConcurrentChecksKeepApartAndAnAbandonedOneReportsNothing) {
    LocalHttpServer server;
    server.setBody(versionFile(514, 3, "New"));
    server.hold();
    const std::string folder = history.path().toStdString();
    auto automatic = std::make_shared<CVelVersionUpdate>(folder, server.address());
    auto manual = std::make_shared<CVelVersionUpdate>(folder, server.address());
    ResultWindow mainWindow, dialog;
    ASSERT_TRUE(automatic->start(false, mainWindow.handle()));
    ASSERT_TRUE(manual->start(true, dialog.handle()));
    // One worker per checker.
    EXPECT_FALSE(automatic->start(true, mainWindow.handle()));

    std::weak_ptr<CVersionUpdate> abandonedRef;
    auto abandoned = std::make_unique<ResultWindow>();
    {
        VersionCheckerHold<CVelVersionUpdate> hold(
            std::make_shared<CVelVersionUpdate>(folder, server.address()));
        ASSERT_TRUE(hold->start(true, abandoned->handle()));
        abandonedRef = hold.shared();
        ASSERT_TRUE(server.waitForRequests(3));
        abandoned.reset(); // the window goes, then its owner lets the checker go
    }
    EXPECT_FALSE(abandonedRef.expired()); // still fetching: the worker keeps it

    server.release();
    ASSERT_TRUE(waitUntil([&] { return !automatic->running() && !manual->running(); }, 10000));
    ASSERT_TRUE(waitUntil([&] { return abandonedRef.expired(); }, 10000));
    ASSERT_EQ(mainWindow.results.size(), 1u);
    ASSERT_EQ(dialog.results.size(), 1u);
    EXPECT_EQ(mainWindow.results[0].minorId, 3);
    EXPECT_EQ(dialog.results[0].description, "New");
    EXPECT_EQ(automatic->fetchedMinor(), 3);
    EXPECT_EQ(server.requests(), 3);
    EXPECT_EQ(readText(automatic->historyPath()), "2027-01-03");
}

namespace {

// The desktop's proxy settings carry a check to another host; this machine is reached directly
// even when a proxy is set.
TEST(VersionCheckNetwork, HonoursTheProxyExceptForThisMachine) {
    LocalHttpServer proxy, server;
    proxy.setBody(versionFile(9, 0, "via the proxy"));
    server.setBody(versionFile(8, 0, "direct"));
    struct Env {
        const char* name;
        const char* value;
    } const settings[] = {{"http_proxy", nullptr}, {"no_proxy", nullptr}, {"NO_PROXY", nullptr}};
    std::vector<std::optional<std::string>> saved;
    for (const Env& env : settings) {
        const char* old = std::getenv(env.name);
        saved.push_back(old ? std::optional<std::string>(old) : std::nullopt);
        ::unsetenv(env.name);
    }
    ::setenv("http_proxy", proxy.address().c_str(), 1);
    std::string body;
    EXPECT_GT(platform::httpGet("http://update.invalid/version/movara.xml", "", 4096, &body), 0);
    EXPECT_NE(body.find("via the proxy"), std::string::npos) << body;
    EXPECT_EQ(proxy.lastPath(), "http://update.invalid/version/movara.xml");
    EXPECT_GT(platform::httpGet(server.address() + "/version/movara.xml", "", 4096, &body), 0);
    EXPECT_NE(body.find("direct"), std::string::npos) << body;
    EXPECT_EQ(proxy.requests(), 1);
    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i])
            ::setenv(settings[i].name, saved[i]->c_str(), 1);
        else
            ::unsetenv(settings[i].name);
    }
}

} // namespace
