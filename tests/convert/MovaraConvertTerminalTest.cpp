// movara-convert's progress: one line per item rewritten in place on a terminal (a
// pseudo-terminal here), plain lines when stderr is a pipe.
#include "MediaGenerators.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <pty.h>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TerminalRun {
    int exitCode = -1;
    std::string screen; // stdout and stderr as the terminal received them
};

TerminalRun runOnTerminal(const std::vector<std::string>& args, unsigned short columns) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int master = -1;
    winsize size{24, columns, 0, 0};
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    TerminalRun run;
    if (pid < 0)
        return run;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        run.screen.append(buffer, static_cast<size_t>(n));
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(MovaraConvertProgress, RewritesOneLineOnATerminalAndWritesPlainLinesOtherwise) {
    testmedia::SourceSpec spec;
    // Long enough that converting it takes more than the tenth of a second a speed needs.
    spec.width = 640;
    spec.height = 480;
    spec.seconds = 10.0;
    spec.sampleRate = 44100;
    const std::string generated = testmedia::generate(spec);
    ASSERT_FALSE(generated.empty());
    testmedia::ScratchDir out;
    // A name longer than the narrow terminal: shortened in the middle, never wrapped.
    const std::string source = out.file(std::string(70, 'n') + ".mp4");
    std::filesystem::copy_file(generated, source);
    const std::vector<std::string> args{MOVARA_CONVERT_BIN,
                                        "--profile",
                                        "MP4-MPEG-4 Video (original size)(*.mp4)",
                                        "--exists",
                                        "overwrite",
                                        "-o",
                                        out.file("result.mp4"),
                                        source};
    const std::regex line(
        R"(: \d+\.\d\d%  elapsed \d\d:\d\d:\d\d  remaining \d\d:\d\d:\d\d  speed (-|\d+\.\dx))");
    const std::regex measuredSpeed(R"(speed \d+\.\dx)");

    constexpr unsigned short kColumns = 72;
    const TerminalRun terminal = runOnTerminal(args, kColumns);
    ASSERT_EQ(terminal.exitCode, 0) << terminal.screen;
    for (size_t start = terminal.screen.find('\r'); start != std::string::npos;
         start = terminal.screen.find('\r', start + 1)) {
        const size_t end = terminal.screen.find_first_of("\x1b\r\n", start + 1);
        const std::string update = terminal.screen.substr(start + 1, end - start - 1);
        EXPECT_LT(update.size(), size_t(kColumns)) << update;
        if (update.rfind("nnn", 0) == 0)
            EXPECT_TRUE(std::regex_search(update, std::regex(R"(^n+\.\.\.n*\.mp4: )"))) << update;
    }
    // Each update returns to the line's start and clears what a longer one left.
    EXPECT_NE(terminal.screen.find("\r"), std::string::npos);
    EXPECT_NE(terminal.screen.find("\x1b[K"), std::string::npos);
    EXPECT_TRUE(std::regex_search(terminal.screen, line)) << terminal.screen;
    EXPECT_TRUE(std::regex_search(terminal.screen, measuredSpeed)) << terminal.screen;

    const testmedia::ToolResult piped = testmedia::runTool(args);
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.err.find('\r'), std::string::npos);
    EXPECT_EQ(piped.err.find('\x1b'), std::string::npos);
    EXPECT_TRUE(std::regex_search(piped.err, line)) << piped.err;
}

} // namespace
