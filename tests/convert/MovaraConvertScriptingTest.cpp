// movara-convert as scripts drive it: results as JSON lines, exit codes, skips (also under
// concurrent runs), closed descriptors, and signals during an estimate.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using converttest::movie;
using converttest::runConvert;

namespace fs = std::filesystem;

std::vector<QJsonObject> jsonLines(const std::string& text) {
    std::vector<QJsonObject> objects;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
        EXPECT_TRUE(document.isObject()) << "not a JSON object: " << line;
        objects.push_back(document.object());
    }
    return objects;
}

size_t entries(const std::string& folder) {
    return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// One run after another into one folder, each with what it must print and return.
TEST(MovaraConvertScripting, ResultsAndExitCodes) {
    const std::string source = movie(1.0);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir out;
    const std::string wav = out.file("a.wav");
    const std::string junk = out.file("junk.avi");
    const std::string stemWav = out.file(fs::path(source).stem().string() + ".wav");
    std::ofstream(junk) << "not a movie";

    // JSON: progress objects, then one result with the output's real size.
    const auto json = runConvert({"--json", "--profile=wav", "-o", out.file("a"), source});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::vector<QJsonObject> events = jsonLines(json.out);
    ASSERT_FALSE(events.empty());
    int progress = 0;
    for (const QJsonObject& event : events) {
        if (event["event"] == "progress") {
            ++progress;
            EXPECT_EQ(event["file"].toString().toStdString(), source);
            EXPECT_GE(event["percent"].toDouble(-1), 0.0);
            EXPECT_TRUE(event.contains("elapsed") && event.contains("remaining") &&
                        event.contains("speed"));
        }
    }
    EXPECT_GT(progress, 0);
    const QJsonObject& done = events.back();
    EXPECT_EQ(done["event"], "done");
    EXPECT_EQ(done["status"], "finished");
    EXPECT_EQ(done["output"].toString().toStdString(), wav);
    EXPECT_EQ(done["bytes"].toDouble(), double(fs::file_size(wav)));
    EXPECT_TRUE(done["reason"].isNull());

    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string out, err; // expected exactly ("*": anything)
    } cases[] = {
        {{"--exists", "skip", "-o", wav, source}, 0, "", "skipped (exists): " + wav + "\n"},
        {{"--json", "--exists", "skip", "-o", wav, source},
         0,
         "{\"bytes\":" + std::to_string(fs::file_size(wav)) + ",\"event\":\"done\",\"file\":\"" +
             source + "\",\"output\":\"" + wav +
             "\",\"reason\":\"exists\",\"status\":\"skipped\"}\n",
         ""},
        {{"--exists", "skip", "--output", out.path(), "-q", source, junk},
         1,
         stemWav + "\n",
         "Failed to load file :\n" + junk + "\nno audio or video that can be decoded\n"},
        {{"-q0", "--exists", "overwrite", "--output", out.path(), source},
         0,
         stemWav + std::string(1, '\0'),
         ""},
        {{"--begin", "5000", "--output", out.path(), source},
         1,
         "",
         "*past the end of the source*"},
        {{"--bogus", "--output", out.path(), source},
         2,
         "",
         "movara-convert: Unknown option 'bogus'; see movara-convert --help\n"},
        {{"-o", out.file("a.mp3"), source},
         2,
         "",
         "movara-convert: --output-file \"" + out.file("a.mp3") +
             "\" must end in .wav, the extension of the profile; see movara-convert --help\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--profile", "WAV"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::PrintToString(args));
        const auto run = runConvert(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.out != "*")
            EXPECT_EQ(run.out, c.out);
        if (c.err.front() == '*')
            EXPECT_NE(run.err.find(c.err.substr(1, c.err.size() - 2)), std::string::npos)
                << run.err;
        else
            EXPECT_EQ(run.err, c.err);
    }

    // The estimate and the long catalogue as JSON.
    const auto estimate = runConvert({"--estimate", "--json", "--profile", "wav", source});
    ASSERT_EQ(estimate.exitCode, 0) << estimate.err;
    const std::vector<QJsonObject> figures = jsonLines(estimate.out);
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_EQ(figures[0]["event"], "estimate");
    EXPECT_NEAR(figures[0]["bytes"].toDouble(), double(fs::file_size(wav)),
                0.05 * double(fs::file_size(wav)));
    const auto catalogue = runConvert({"--list-profiles", "--long", "--json"});
    ASSERT_EQ(catalogue.exitCode, 0) << catalogue.err;
    const std::vector<QJsonObject> profiles = jsonLines(catalogue.out);
    ASSERT_EQ(profiles.size(), 21u);
    EXPECT_EQ(profiles[8]["alias"], "3gp-176x144");
    EXPECT_EQ(profiles[8]["frame_size"], "176x144");
    EXPECT_EQ(profiles[8]["audio_codec"].toString().isEmpty(), false);
}

// Runs that all find the name free still leave exactly one output between them.
TEST(MovaraConvertScripting, ConcurrentSkipRunsLeaveOneOutput) {
    const std::string source = movie(2.0);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir out;
    std::vector<std::future<testmedia::ToolResult>> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(std::async(std::launch::async, [&] {
            return runConvert(
                {"--profile", "h264-mp4", "--exists", "skip", "-o", out.file("one.mp4"), source});
        }));
    int skips = 0;
    for (auto& run : runs) {
        const testmedia::ToolResult result = run.get();
        EXPECT_EQ(result.exitCode, 0) << result.err;
        skips += result.err.find("skipped (exists): " + out.file("one.mp4")) != std::string::npos;
    }
    EXPECT_EQ(entries(out.path()), 1u);
    EXPECT_EQ(skips, 2);
}

// Closed stdout and stderr are no interrupt: the run converts and says nothing.
TEST(MovaraConvertScripting, ClosedDescriptorsStillConvert) {
    const std::string source = movie(1.0);
    ASSERT_FALSE(source.empty());
    for (const char* closing : {">&-", "2>&-", ">&- 2>&-", "<&- >&- 2>&-"}) {
        SCOPED_TRACE(closing);
        testmedia::ScratchDir out;
        const auto run = testmedia::runTool(
            {"sh", "-c", std::string("exec \"$0\" \"$@\" ") + closing, MOVARA_CONVERT_BIN,
             "--profile", "mp3", "--output", out.path(), source, source});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(entries(out.path()), 2u);
    }
}

// A signal during --estimate ends it with 128 + the signal and leaves no sample file behind.
TEST(MovaraConvertScripting, EstimateStopsOnSignals) {
    const std::string source = movie(10.0, 640);
    ASSERT_FALSE(source.empty());
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        testmedia::ScratchDir tmp;
        int pipeOut[2], pipeErr[2];
        ASSERT_EQ(::pipe(pipeOut), 0);
        ASSERT_EQ(::pipe(pipeErr), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(pipeOut[1], 1);
            ::dup2(pipeErr[1], 2);
            ::setenv("TMPDIR", tmp.path().c_str(), 1);
            std::vector<std::string> args{MOVARA_CONVERT_BIN, "--estimate", "--profile",
                                          "h264-mp4"};
            for (int i = 0; i < 20; ++i)
                args.push_back(source);
            std::vector<char*> argv;
            for (std::string& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(pipeOut[1]);
        ::close(pipeErr[1]);
        // The first figure is there: the next measurement is under way.
        std::string printed;
        char c;
        while (printed.find('\n') == std::string::npos && ::read(pipeOut[0], &c, 1) == 1)
            printed += c;
        ::kill(pid, sig);
        while (::read(pipeOut[0], &c, 1) == 1)
            printed += c;
        ::close(pipeOut[0]);
        std::string err;
        while (::read(pipeErr[0], &c, 1) == 1)
            err += c;
        ::close(pipeErr[0]);
        EXPECT_FALSE(testmedia::hasSanitizerReport(err)) << err;
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 128 + sig);
        EXPECT_LT(std::count(printed.begin(), printed.end(), '\n'), 20);
        EXPECT_EQ(entries(tmp.path()), 0u);
    }
}

} // namespace
