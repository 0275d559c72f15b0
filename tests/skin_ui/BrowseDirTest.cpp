// The folder scanner: files grouped by pattern in pattern order, letter case ignored, subfolders
// depth first, and a 0 answer ending the whole walk.
#include "CMsgBrowseDir.h"
#include "SkinUiTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

constexpr const char* kPatterns = "*.avi;*.mp4;*.wmv;*.mp3";

class SkinUiBrowseDir : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        for (const char* file : {"a.mp4", "b.avi", "C.MP4", "notes.txt", "sub/x.wmv",
                                 "sub/deeper/y.mp3", "other/z.AVI", "other/readme"})
            touch(file);
        owner.textInWParam = true;
    }
    void touch(const QString& relative) {
        const QString path = root.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    std::string path(const char* relative) {
        return QDir(root.path()).absoluteFilePath(relative).toStdString();
    }
    std::vector<std::string> reported() {
        std::vector<std::string> out;
        for (const auto& call : owner.callsOf(kMsgBrowseFile))
            out.push_back(call.text);
        return out;
    }

    QTemporaryDir root;
    RecordingTarget owner;
};

TEST_F(SkinUiBrowseDir, ReportsByPatternThenSubfoldersDepthFirst) {
    CMsgBrowseDir scan(&owner, kMsgBrowseFile);
    ASSERT_TRUE(scan.SetInitDir(root.path().toStdString()));
    EXPECT_TRUE(scan.BeginBrowse(kPatterns));
    EXPECT_EQ(reported(), (std::vector<std::string>{path("b.avi"), path("a.mp4"), path("C.MP4"),
                                                    path("other/z.AVI"), path("sub/x.wmv"),
                                                    path("sub/deeper/y.mp3")}));
    for (const auto& call : owner.calls)
        EXPECT_EQ(call.lParam, 0);
}

TEST_F(SkinUiBrowseDir, AFileMatchingTwoPatternsIsReportedTwice) {
    CMsgBrowseDir scan(&owner, kMsgBrowseFile);
    scan.SetRecursive(false);
    ASSERT_TRUE(scan.SetInitDir(root.path().toStdString()));
    EXPECT_TRUE(scan.BeginBrowse("*.MP4; a.*"));
    EXPECT_EQ(reported(), (std::vector<std::string>{path("a.mp4"), path("C.MP4"), path("a.mp4")}));
}

TEST_F(SkinUiBrowseDir, AnswerZeroStopsTheWholeWalk) {
    owner.answer = [this](const RecordingTarget::Call&) { return owner.calls.size() < 4 ? 1 : 0; };
    CMsgBrowseDir scan(&owner, kMsgBrowseFile);
    ASSERT_TRUE(scan.SetInitDir(root.path().toStdString()));
    EXPECT_FALSE(scan.BeginBrowse(kPatterns));
    EXPECT_EQ(reported().size(), 4u);
    EXPECT_EQ(reported().back(), path("other/z.AVI"));
}

TEST_F(SkinUiBrowseDir, FoldersAreReportedOnlyWhenAsked) {
    CMsgBrowseDir scan(&owner, kMsgBrowseFile, 4000);
    ASSERT_TRUE(scan.SetInitDir(root.path().toStdString()));
    EXPECT_TRUE(scan.BeginBrowse("*.none"));
    std::vector<std::string> folders;
    for (const auto& call : owner.callsOf(4000))
        folders.push_back(call.text);
    EXPECT_EQ(folders, (std::vector<std::string>{path("other") + "/", path("sub") + "/",
                                                 path("sub/deeper") + "/"}));
}

TEST_F(SkinUiBrowseDir, ALinkBackUpTheTreeDoesNotLoop) {
    ASSERT_EQ(
        symlink(root.path().toUtf8().constData(), root.filePath("sub/loop").toUtf8().constData()),
        0);
    CMsgBrowseDir scan(&owner, kMsgBrowseFile);
    ASSERT_TRUE(scan.SetInitDir(root.path().toStdString()));
    EXPECT_TRUE(scan.BeginBrowse(kPatterns));
    EXPECT_EQ(reported().size(), 6u);
}

TEST_F(SkinUiBrowseDir, MissingFolderIsRefused) {
    CMsgBrowseDir scan(&owner, kMsgBrowseFile);
    EXPECT_FALSE(scan.SetInitDir(root.filePath("missing").toStdString()));
    EXPECT_FALSE(scan.SetInitDir(root.filePath("a.mp4").toStdString()));
    EXPECT_FALSE(scan.BeginBrowse(kPatterns));
    EXPECT_TRUE(owner.calls.empty());
}

TEST(SkinUiBrowsePattern, WildcardsIgnoreLetterCase) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    } const cases[] = {
        {"clip.MP4", "*.mp4", true},   {"clip.mp4", "*.MP4", true}, {"clip.mp4x", "*.mp4", false},
        {"noext", "*.*", true},        {"a.b.c", "*.c", true},      {"abc", "a?c", true},
        {"ac", "a?c", false},          {"x.3gp", "*.3g?", true},    {"movie.avi", "m*e.avi", true},
        {"movie.avi", "*.mpg", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CBrowseDir::MatchPattern(c.name, c.pattern), c.match)
            << c.name << " " << c.pattern;
    EXPECT_EQ(CBrowseDir::SplitPatterns("*.a; *.b;;*.c;"),
              (std::vector<std::string>{"*.a", "*.b", "*.c"}));
}

} // namespace
