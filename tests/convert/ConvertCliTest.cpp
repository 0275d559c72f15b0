#include "CConvertConsole.h"
#include "ConsolePlatformServices.h"
#include "ConvertOptions.h"
#include "ProfileChoice.h"
#include "ProgressLine.h"

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
        {{"--profile", "p", "f"}, "--output or --output-file is required"},
        {{"--profile", "p", "-o", "x.mp4", "--output", "d", "f"},
         "--output and --output-file exclude each other"},
        {{"--profile", "p", "-o", "x.mp4", "f", "g"},
         "--output-file names one output: give one FILE, or --merge"},
        {{"--long"}, "--long goes with --list-profiles"},
        {{"--profile", "p", "--output", "o"}, "no input files"},
        {{"--profile"}, "Missing value after '--profile'"},
        {{"--frobnicate"}, "Unknown option 'frobnicate'"},
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

// What the library gives every option: "=" values, short options grouped, values that look like
// options, "--" and file names that are not UTF-8.
TEST(ConvertOptions, LibrarySyntax) {
    const std::string latin1 = "caf\xe9.avi";
    std::string error;
    const auto options =
        parseConvertOptions({"--profile=h264-mp4", "-q0", "-o", "out.mp4", "--brightness", "-50",
                             "--json", "--exists=skip", "--merge", latin1, "--", "-x.avi"},
                            &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->profile, "h264-mp4");
    EXPECT_TRUE(options->quiet && options->print0 && options->json);
    EXPECT_EQ(options->outputFile, "out.mp4");
    EXPECT_EQ(options->edits.brightness, -50);
    EXPECT_EQ(options->exists, ExistingOutput::Skip);
    EXPECT_EQ(options->files, (Args{latin1, "-x.avi"}));
    const auto badValue = parseConvertOptions({"--output=/o/\xff", "--profile", "p", "f"}, &error);
    ASSERT_TRUE(badValue) << error;
    EXPECT_EQ(badValue->outputFolder, "/o/\xff");
    EXPECT_TRUE(parseConvertOptions({"--version"}, nullptr)->version);
    EXPECT_NE(convertUsage().find("Picture edits, set on every item:\n"), std::string::npos);
}

TEST(ProfileChoice, NamesAliasesAndPrefixes) {
    const ProfileCatalogue& catalogue = ProfileCatalogue::instance();
    const struct {
        const char* asked;
        const char* chosen; // nullptr: refused with `error`
        const char* error;
    } cases[] = {
        {"H.264 Video(*.mp4)", "H.264 Video(*.mp4)", ""},
        {"h.264 video(*.MP4)", "H.264 Video(*.mp4)", ""},
        {"h264-mp4", "H.264 Video(*.mp4)", ""},
        {"3GP-176x144", "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", ""},
        {"wav", "WAV-Waveform Audio(*.wav)", ""},
        {"mp3-", "MP3-MPEG Layer 3 Audio(*.mp3)", ""},
        {"blackberry h.263 3g", nullptr,
         "--profile: \"blackberry h.263 3g\" begins 2 profiles: \"BlackBerry H.263 3GP "
         "Video(176x144)(*.3gp)\" \"BlackBerry H.263 3G2 Video(176x144)(*.3g2)\""},
        {"nope", nullptr, "--profile: no profile is named \"nope\" (--list-profiles lists them)"},
    };
    for (const auto& c : cases) {
        std::string error;
        const ProfileRef profile = chooseProfile(catalogue, c.asked, &error);
        if (c.chosen) {
            ASSERT_TRUE(profile) << c.asked << ": " << error;
            EXPECT_EQ(profile->name, c.chosen);
        } else {
            EXPECT_FALSE(profile) << c.asked;
            EXPECT_EQ(error, c.error);
        }
    }
}

// On a narrow terminal the line keeps its figures and shortens the name in the middle.
TEST(ProgressLine, FitsTheWidth) {
    MediaItem item;
    item.displayName = std::string(30, 'a') + "\xc3\xa9" + std::string(30, 'z') + ".avi";
    item.duration = 10000;
    item.progress = 5000;
    const std::string wide = progressLineText(item, 2000);
    EXPECT_EQ(wide.rfind(item.displayName + ": 50.00%  elapsed 00:00:02", 0), 0u) << wide;
    for (size_t columns : {40u, 60u, 79u}) {
        const std::string line = progressLineText(item, 2000, columns);
        EXPECT_LE(line.size(), columns + 1) << line; // the one two-byte letter may remain
        EXPECT_EQ(line.rfind("aaa", 0), 0u) << line;
        EXPECT_NE(line.find("..."), std::string::npos) << line;
        EXPECT_NE(line.find("speed 2.5x"), std::string::npos) << line;
    }
    EXPECT_EQ(shortenMiddle("abcdefghij", 7), "ab...ij");
    EXPECT_EQ(shortenMiddle("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", 4), "\xc3\xa9...");
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
