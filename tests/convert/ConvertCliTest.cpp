#include "CConvertConsole.h"
#include "ConsolePlatformServices.h"
#include "ConvertOptions.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Args = std::vector<std::string>;

TEST(ConvertOptions, FullCommandLine) {
    std::string error;
    const auto options = parseConvertOptions(
        {"--profile", "H.264 Video(*.mp4)", "--merge", "--begin", "1500", "--end", "4000",
         "--exists", "skip", "--output", "/out", "a.avi", "--", "--odd-name.avi"},
        &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->profile, "H.264 Video(*.mp4)");
    EXPECT_TRUE(options->merge);
    EXPECT_EQ(options->begin, 1500);
    EXPECT_EQ(options->end, 4000);
    EXPECT_EQ(options->exists, ExistingOutput::Skip);
    EXPECT_EQ(options->outputFolder, "/out");
    EXPECT_EQ(options->files, (Args{"a.avi", "--odd-name.avi"}));
}

TEST(ConvertOptions, Defaults) {
    const auto options = parseConvertOptions({"--profile", "p", "--output", "o", "f"}, nullptr);
    ASSERT_TRUE(options);
    EXPECT_FALSE(options->merge);
    EXPECT_FALSE(options->begin);
    EXPECT_FALSE(options->end);
    EXPECT_EQ(options->exists, ExistingOutput::Rename);
    EXPECT_TRUE(parseConvertOptions({"--list-profiles"}, nullptr)->listProfiles);
}

TEST(ConvertOptions, UsageErrors) {
    const struct {
        Args args;
        const char* message;
    } cases[] = {
        {{"--output", "o", "f"}, "--profile is required"},
        {{"--profile", "p", "f"}, "--output is required"},
        {{"--profile", "p", "--output", "o"}, "no input files"},
        {{"--profile"}, "--profile needs a value"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"--profile", "p", "--output", "o", "--begin", "-5", "f"},
         "--begin takes a number of milliseconds, not \"-5\""},
        {{"--profile", "p", "--output", "o", "--end", "12x", "f"},
         "--end takes a number of milliseconds, not \"12x\""},
        {{"--profile", "p", "--output", "o", "--begin", "10", "--end", "10", "f"},
         "--end must come after --begin"},
        {{"--exists", "ask"}, "--exists takes overwrite, skip or rename, not \"ask\""},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parseConvertOptions(c.args, &error)) << c.message;
        EXPECT_EQ(error, c.message);
    }
}

TEST(ConsolePlatformServices, AnswersWithoutAskingAnyone) {
    std::FILE* log = std::tmpfile();
    ConsolePlatformServices services(log);
    ScopedPlatformServices installed(services);
    EXPECT_EQ(
        services.messageBox("Disk space is not enough.", "Movara", MB_RETRYCANCEL, MB_ICONWARNING),
        IDCANCEL);
    EXPECT_EQ(services.messageBox("q", "Movara", MB_YESNO), IDNO);
    EXPECT_EQ(services.messageBox("i", "Movara", MB_OK), IDOK);
    EXPECT_TRUE(services.openFilesDialog("c", "All|*.*|", "/").empty());
    EXPECT_LE(services.showInFileManager("/tmp"), 32);

    std::rewind(log);
    char line[256] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, log));
    EXPECT_STREQ(line, "Movara: Disk space is not enough. [Cancel]\n");
    std::fclose(log);
}

TEST(CConvertConsole, PrintsOutputsAndAnswersExistingOutputs) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CConvertConsole console(out, err);
    MediaItem item;
    item.displayName = "clip.avi";
    item.progress = 2500;
    item.setState(kItemConverting);

    VelNotification progress{kNotifyProgress, &item};
    console.onMessage(kMsgConvertNotify, 0, reinterpret_cast<intptr_t>(&progress));
    char path[] = "/out/clip.mp4";
    VelNotification exists{kNotifyOutputExists, path};
    EXPECT_EQ(console.onMessage(kMsgConvertNotify, 0, reinterpret_cast<intptr_t>(&exists)),
              kRenameAuto);
    console.onMessage(kMsgOutputFinished, 0, reinterpret_cast<intptr_t>(path));
    EXPECT_EQ(console.outputs(), 1);
    EXPECT_FALSE(console.over());

    std::rewind(out);
    char line[256] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, out));
    EXPECT_STREQ(line, "/out/clip.mp4\n");
    std::rewind(err);
    ASSERT_TRUE(std::fgets(line, sizeof line, err));
    EXPECT_EQ(std::string(line).rfind("clip.avi: 25.00%", 0), 0u) << line;
    std::fclose(out);
    std::fclose(err);
}

} // namespace
