// Snapshot files: the name rule with "_2", "_3", ... for snapshots within one second, and each
// failure's message with no file left. (Encoding the engine's pixels is tested through the main
// window.)
#include "CSnapshot.h"

#include "FakePlatformServices.h"
#include "QtTestSupport.h"
#include "VelSettings.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

TEST(Snapshot, FileNamesFollowTheItemAndTheClockAndNeverOverwrite) {
    const SystemTime now{2024, 5, 3, 1, 13, 2, 9, 0};
    std::set<std::string> taken;
    auto exists = [&](const std::string& path) { return taken.count(path) > 0; };
    const struct {
        const char *folder, *output, *format, *expected;
    } cases[] = {
        {"/shots", "clip.3gp", "JPEG", "/shots/clip_2024_05_01_13_02_09.jpeg"},
        {"/shots/", "my.holiday.mp4", "BMP", "/shots/my.holiday_2024_05_01_13_02_09.bmp"},
        {"/shots", "clip.3gp", "JPEG", "/shots/clip_2024_05_01_13_02_09_2.jpeg"},
        {"/shots", "clip.3gp", "JPEG", "/shots/clip_2024_05_01_13_02_09_3.jpeg"},
    };
    for (const auto& c : cases) {
        const std::string path = CSnapshot::FilePath(c.folder, c.output, c.format, now, exists);
        EXPECT_EQ(path, c.expected);
        taken.insert(path);
    }
}

TEST(Snapshot, FailuresAreToldAndLeaveNoFile) {
    testApp();
    FakePlatformServices services;
    ScopedPlatformServices installed(services);
    QTemporaryDir dir;
    VelSettings settings;
    settings.setOption(kOptionOpenSnapshotFolder, true);
    const QImage image(8, 8, QImage::Format_RGB32);
    const std::string missing = dir.filePath("gone").toStdString();
    const struct {
        std::string folder;
        const char* format;
        int showResult;
        std::string message;
        bool file;
    } cases[] = {
        {missing, "JPEG", SHELL_OK, "The snapshot path '" + missing + "' not exist!", false},
        {dir.path().toStdString(), "PNGX", SHELL_OK, "Failed to get the image encoder clsid",
         false},
        // Saved, and the folder is there: only the desktop failed to show it.
        {dir.path().toStdString(), "BMP", SHELL_FILE_NOT_FOUND,
         "The folder \"" + dir.path().toStdString() + "\" could not be shown.", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        services.setShowInFileManagerResult(c.showResult);
        settings.snapshotFolder = c.folder;
        settings.snapshotFormat = c.format;
        const std::string saved = CSnapshot::Save(image, settings, "clip.avi");
        const auto box = services.messageBoxes().back();
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.caption, "Movara");
        EXPECT_EQ(box.icon, MB_ICONERROR);
        EXPECT_EQ(!saved.empty(), c.file);
    }
    EXPECT_EQ(services.messageBoxes().size(), 3u);
    EXPECT_EQ(services.shownFiles().size(), 1u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}
