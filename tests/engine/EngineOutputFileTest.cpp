// The file a run writes: no name until it is complete, a taken name is never replaced unless the
// run was told to, and leftovers of dead processes go away.
#include "COutputFile.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace {

using testmedia::ScratchDir;

std::set<std::string> names(const std::string& folder) {
    std::set<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        out.insert(entry.path().filename().string());
    return out;
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(EngineOutputFile, NamedOnlyWhenCompleteAndNeverOverAnotherFileUnlessAsked) {
    struct Case {
        bool named;   // the file system's fallback: a temporary name beside the final one
        bool taken;   // "out.mp4" exists already
        bool replace; // the run may replace it
    };
    for (const Case c :
         {Case{false, false, false}, Case{false, true, false}, Case{false, true, true},
          Case{true, false, false}, Case{true, true, false}, Case{true, true, true}}) {
        SCOPED_TRACE(testing::Message()
                     << "named " << c.named << " taken " << c.taken << " replace " << c.replace);
        ScratchDir dir;
        const std::string out = dir.file("out.mp4");
        if (c.taken)
            std::ofstream(out) << "old";
        vel::COutputFile file;
        ASSERT_EQ(file.create(out, c.named), 0) << file.error();
        EXPECT_EQ(file.unnamed(), !c.named);
        avio_write(file.io(), reinterpret_cast<const unsigned char*>("new data"), 8);
        // While it is written, nothing new is visible under the final name.
        avio_flush(file.io());
        EXPECT_EQ(names(dir.path()).count("out.mp4"), c.taken ? 1u : 0u);
        EXPECT_EQ(names(dir.path()).size(), (c.taken ? 1u : 0u) + (c.named ? 1u : 0u));

        ASSERT_EQ(file.commit(c.replace), 0) << file.error();
        if (!c.taken || c.replace) {
            EXPECT_EQ(file.path(), out);
            EXPECT_EQ(names(dir.path()), std::set<std::string>{"out.mp4"});
        } else {
            EXPECT_EQ(contents(out), "old");
            ASSERT_NE(file.path(), out);
            EXPECT_EQ(file.path().rfind(dir.file("out_"), 0), 0u) << file.path();
            EXPECT_EQ(names(dir.path()).size(), 2u);
        }
        EXPECT_EQ(contents(file.path()), "new data");
    }
}

// The file system reports a lost write only when the file is closed: nothing new is named, and
// the file the output was to replace (or to stand beside) is still there as it was.
TEST(EngineOutputFile, AFailureAtTheLastStepKeepsTheOldFileAndNamesNothing) {
    for (bool named : {false, true}) {
        for (bool replace : {true, false}) {
            SCOPED_TRACE(testing::Message() << "named " << named << " replace " << replace);
            ScratchDir dir;
            const std::string out = dir.file("out.mp4");
            std::ofstream(out) << "old";
            vel::COutputFile file;
            ASSERT_EQ(file.create(out, named), 0) << file.error();
            avio_write(file.io(), reinterpret_cast<const unsigned char*>("new data"), 8);
            vel::COutputFile::failNextCloseForTest(EIO);
            EXPECT_EQ(file.commit(replace), AVERROR(EIO));
            EXPECT_NE(file.error().find("Input/output error"), std::string::npos) << file.error();
            file.discard();
            EXPECT_EQ(names(dir.path()), std::set<std::string>{"out.mp4"});
            EXPECT_EQ(contents(out), "old");
        }
    }
}

TEST(EngineOutputFile, DiscardLeavesNothingAndDeadProcessesLeftoversAreRemoved) {
    ScratchDir dir;
    for (bool named : {false, true}) {
        vel::COutputFile file;
        ASSERT_EQ(file.create(dir.file("a.mp4"), named), 0);
        avio_write(file.io(), reinterpret_cast<const unsigned char*>("x"), 1);
        file.discard();
        EXPECT_TRUE(names(dir.path()).empty());
    }
    // A process that is gone, one that runs (this one), and a name that only looks similar.
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    const std::string dead = "v.mp4.movara-partial-" + std::to_string(child) + "-1";
    const std::string alive = "v.mp4.movara-partial-" + std::to_string(getpid()) + "-7";
    for (const std::string& name : {dead, alive, std::string("v.movara-partial-notes.txt")})
        std::ofstream(dir.file(name)) << "x";
    EXPECT_EQ(vel::COutputFile::removeDeadLeftovers(dir.path()), 1);
    EXPECT_EQ(names(dir.path()), (std::set<std::string>{alive, "v.movara-partial-notes.txt"}));
}

TEST(EngineOutputFile, ANameBeyondTheLimitOrAFolderThatCannotBeWrittenFailsAtOnce) {
    ScratchDir dir;
    vel::COutputFile tooLong;
    EXPECT_EQ(tooLong.create(dir.file(std::string(256, 'n'))), AVERROR(ENAMETOOLONG));
    EXPECT_NE(tooLong.error().find("File name too long"), std::string::npos) << tooLong.error();
    vel::COutputFile missing;
    EXPECT_EQ(missing.create(dir.file("no/such/folder/out.mp4")), AVERROR(ENOENT));
}

} // namespace
