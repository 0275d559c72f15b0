// movara-convert under hostile conditions, as scripts meet them: signals mid-run, concurrent runs
// into one folder, a reader that goes away, full and read-only disks.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using converttest::movie;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kVideoProfile = "H.264 Video(*.mp4)";
const char* const kAudioProfile = "MP3-MPEG Layer 3 Audio(*.mp3)";

std::set<std::string> entries(const std::string& folder) {
    std::set<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder)) {
        out.insert(entry.path().filename().string());
    }
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// One movara-convert process with its stderr (and, unless closed, stdout) read through pipes.
class Convert {
public:
    explicit Convert(const std::vector<std::string>& args, bool closedStdout = false) {
        int err[2], out[2];
        if (::pipe(err) != 0 || ::pipe(out) != 0) {
            return;
        }
        if (closedStdout) {
            ::close(out[0]); // the reader is gone before the first line
            out[0] = -1;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            std::vector<char*> argv{const_cast<char*>(MOVARA_CONVERT_BIN)};
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(MOVARA_CONVERT_BIN, argv.data());
            ::_exit(127);
        }
        ::close(err[1]);
        ::close(out[1]);
        err_ = err[0];
        out_ = out[0];
    }
    ~Convert() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            finish();
        }
    }

    // Reads stderr until `marker` appears; false at its end or after `limit`.
    bool waitFor(const std::string& marker, std::chrono::seconds limit = std::chrono::seconds(60)) {
        const auto deadline = Clock::now() + limit;
        while (err.find(marker) == std::string::npos) {
            if (Clock::now() > deadline || !readSome(err_, &err, 100)) {
                return err.find(marker) != std::string::npos;
            }
        }
        return true;
    }
    void signal(int sig) { ::kill(pid_, sig); }
    // Drains both pipes and reaps: the exit code, or 128 + the signal that ended it.
    int finish() {
        while (readSome(err_, &err, 1000) || readSome(out_, &out, 0)) {
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped_ = true;
        ::close(err_);
        if (out_ >= 0) {
            ::close(out_);
        }
        if (testmedia::hasSanitizerReport(err)) {
            return testmedia::kSanitizerReported;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string err, out;

private:
    static bool readSome(int fd, std::string* into, int timeoutMs) {
        if (fd < 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) {
            return timeoutMs == 0 ? false : true;
        }
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        into->append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int err_ = -1, out_ = -1;
    bool reaped_ = false;
};

// A tmpfs of `kib` KiB (read-only when asked), unmounted afterwards; mounted() is false where
// this process may not mount.
class SmallDisk {
public:
    SmallDisk(int kib, bool readOnly = false) : path_(scratch_.file("disk")) {
        fs::create_directories(path_);
        const std::string options = "size=" + std::to_string(kib) + "k";
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0,
                           options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(path_.c_str(), MNT_DETACH);
        }
    }
    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }

private:
    testmedia::ScratchDir scratch_;
    std::string path_;
    bool mounted_ = false;
};

#define REQUIRE_MOUNT(disk)                                                                        \
    if (!(disk).mounted()) {                                                                       \
        GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root): " << std::strerror(errno);   \
    }

// Every way a run can be stopped leaves nothing in the output folder, single or merged. The
// default runs each case once at a random moment; MOVARA_INTERRUPT_ROUNDS runs more.
TEST(ConvertRobustness, InterruptedRunsLeaveNothingInTheOutputFolder) {
    // Long enough that no item can finish before the signal, however fast the machine.
    const std::string first = movie(30.0);
    const std::string second = first;
    ASSERT_FALSE(first.empty());
    testmedia::ScratchDir work;
    fs::copy_file(second, work.file("second.mp4"));
    const char* rounds = std::getenv("MOVARA_INTERRUPT_ROUNDS");
    const int count = rounds ? std::max(1, std::atoi(rounds)) : 1;
    std::mt19937 random(std::random_device{}());
    int runs = 0;
    for (int round = 0; round < count; ++round) {
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGKILL}) {
            for (bool merge : {false, true}) {
                SCOPED_TRACE(testing::Message() << strsignal(sig) << (merge ? " merge" : " single")
                                                << " round " << round);
                testmedia::ScratchDir out;
                std::vector<std::string> args{"--profile", kVideoProfile, "--output", out.path()};
                if (merge) {
                    args.push_back("--merge");
                }
                args.insert(args.end(), {first, work.file("second.mp4")});
                Convert run(args);
                ASSERT_TRUE(run.waitFor("Converting")) << run.err;
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
                run.signal(sig);
                const int code = run.finish();
                EXPECT_EQ(code, 128 + sig) << run.err;
                EXPECT_TRUE(entries(out.path()).empty())
                    << "left: " << *entries(out.path()).begin() << "\n"
                    << run.err;
                ++runs;
            }
        }
    }
    RecordProperty("interrupted_runs", runs);
}

// Three processes renaming into one folder keep three complete outputs, with the folder empty
// and with an older output of that name already there.
TEST(ConvertRobustness, ConcurrentRenamingRunsKeepEveryOutput) {
    const std::string source = movie(1.0);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir work;
    fs::copy_file(source, work.file("v.mp4"));
    for (bool older : {false, true}) {
        SCOPED_TRACE(older ? "an older output exists" : "empty folder");
        testmedia::ScratchDir out;
        if (older) {
            std::ofstream(out.file("v.mp4")) << "older";
        }
        std::vector<std::unique_ptr<Convert>> runs;
        for (int i = 0; i < 3; ++i) {
            runs.push_back(std::make_unique<Convert>(
                std::vector<std::string>{"--profile", kVideoProfile, "--exists", "rename",
                                         "--output", out.path(), work.file("v.mp4")}));
        }
        std::set<std::string> printed;
        for (auto& run : runs) {
            EXPECT_EQ(run->finish(), 0) << run->err;
            for (const std::string& line : lines(run->out)) {
                printed.insert(line);
            }
        }
        ASSERT_EQ(printed.size(), 3u);
        for (const std::string& path : printed) {
            EXPECT_TRUE(testmedia::probe(path).ok) << path;
        }
        EXPECT_EQ(entries(out.path()).size(), older ? 4u : 3u);
        if (older) {
            std::ifstream kept(out.file("v.mp4"));
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "older");
        }
    }
}

// A reader that went away (`movara-convert ... | true`) does not end the conversions.
TEST(ConvertRobustness, AClosedStdoutStillConvertsEveryItem) {
    const std::string source = movie(1.0);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir out;
    Convert run({"--profile", kAudioProfile, "--output", out.path(), source, source, source}, true);
    EXPECT_EQ(run.finish(), 0) << run.err;
    EXPECT_EQ(entries(out.path()).size(), 3u) << run.err;
}

// Failures name their reason on the line after "Convert Failed" or "Failed to load file"; an
// item too big for the disk is skipped and the smaller one after it still converts.
TEST(ConvertRobustness, FailuresSayWhyAndOnlyTheItemThatDoesNotFitIsSkipped) {
    const std::string small = movie(1.0, 160);
    const std::string large = movie(8.0, 640);
    ASSERT_FALSE(small.empty());
    ASSERT_FALSE(large.empty());

    // A missing source, and a name that grows past the limit when it is made unique.
    testmedia::ScratchDir work;
    const std::string longName = std::string(248, 'n') + ".mp4";
    fs::copy_file(small, work.file(longName));
    std::ofstream(work.file(std::string(248, 'n') + ".mp3")) << "taken";
    Convert missing({"--profile", kAudioProfile, "--output", work.path(), work.file("none.mp4")});
    EXPECT_EQ(missing.finish(), 1);
    EXPECT_NE(missing.err.find("Failed to load file :\n" + work.file("none.mp4") +
                               "\nNo such file or directory"),
              std::string::npos)
        << missing.err;
    Convert notAFolder({"--profile", kAudioProfile, "--output", work.file(longName), small});
    EXPECT_EQ(notAFolder.finish(), 2);
    EXPECT_NE(notAFolder.err.find("\" is not a folder"), std::string::npos) << notAFolder.err;
    Convert tooLong({"--profile", kAudioProfile, "--output", work.path(), work.file(longName)});
    EXPECT_EQ(tooLong.finish(), 1);
    EXPECT_NE(tooLong.err.find("Convert Failed\n"), std::string::npos) << tooLong.err;
    EXPECT_NE(tooLong.err.find("File name too long"), std::string::npos) << tooLong.err;

    SmallDisk readOnly(1024, true);
    REQUIRE_MOUNT(readOnly);
    Convert refused({"--profile", kAudioProfile, "--output", readOnly.path(), small});
    EXPECT_EQ(refused.finish(), 1);
    EXPECT_NE(refused.err.find("Convert Failed\n"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("Read-only file system"), std::string::npos) << refused.err;

    // About 600 KB and 60 KB of output.
    SmallDisk tiny(256);
    REQUIRE_MOUNT(tiny);
    Convert skipped({"--profile", kVideoProfile, "--output", tiny.path(), large, small});
    EXPECT_EQ(skipped.finish(), 1);
    // The figures as they are, not in whole megabytes.
    EXPECT_TRUE(std::regex_search(
        skipped.err, std::regex("Convert Failed\nDisk space is not enough\\. About [1-9][0-9.]* "
                                "(KB|MB) are needed, [1-9][0-9]* KB are free on " +
                                tiny.path() + "\\.\n")))
        << skipped.err;
    EXPECT_EQ(
        lines(skipped.out),
        std::vector<std::string>{tiny.path() + "/" + fs::path(small).stem().string() + ".mp4"});

    // A disk that fills up while the output is written: the reason, and no partial file.
    SmallDisk disk(2048);
    REQUIRE_MOUNT(disk);
    Convert filled({"--profile", kVideoProfile, "--output", disk.path(), large});
    ASSERT_TRUE(filled.waitFor("Converting")) << filled.err;
    {
        std::ofstream filler(disk.path() + "/filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    EXPECT_EQ(filled.finish(), 1);
    EXPECT_NE(filled.err.find("No space left on device"), std::string::npos) << filled.err;
    EXPECT_EQ(entries(disk.path()), std::set<std::string>{"filler"});
}

} // namespace
