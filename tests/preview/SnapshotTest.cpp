// Saving snapshots: the file name rule with its "_2" for a second snapshot in the same second,
// BMP and JPEG files that decode to the picture, and every failure's message with no file left.
#include "CSnapshot.h"

#include "FakePlatformServices.h"
#include "QtTestSupport.h"
#include "VelSettings.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

namespace {

const SystemTime kNow{2024, 5, 3, 1, 13, 2, 9, 0};

// Four quadrants, B G R x bytes: red, green / blue, white.
std::vector<uint8_t> quadrants(int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4, 0x77);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
            const bool right = x >= width / 2, bottom = y >= height / 2;
            const QColor c = !bottom ? (right ? Qt::green : Qt::red) : (right ? Qt::white : Qt::blue);
            p[0] = uint8_t(c.blue());
            p[1] = uint8_t(c.green());
            p[2] = uint8_t(c.red());
        }
    return pixels;
}

bool near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

class Snapshot : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        services.setClock(kNow, kNow);
        settings.snapshotFolder = dir.path().toStdString();
        settings.setOption(kOptionOpenSnapshotFolder, false);
    }
    FakePlatformServices services;
    ScopedPlatformServices installed{services};
    QTemporaryDir dir;
    VelSettings settings;
};

} // namespace

TEST_F(Snapshot, FileNamesFollowTheItemAndTheClockAndNeverOverwrite) {
    std::set<std::string> taken;
    auto exists = [&](const std::string& path) { return taken.count(path) > 0; };
    const struct {
        const char* folder;
        const char* output;
        const char* format;
        const char* expected;
    } cases[] = {
        {"/shots", "clip.3gp", "JPEG", "/shots/clip_2024_05_01_13_02_09.jpeg"},
        {"/shots/", "my.holiday.mp4", "BMP", "/shots/my.holiday_2024_05_01_13_02_09.bmp"},
        {"/shots", "clip.3gp", "JPEG", "/shots/clip_2024_05_01_13_02_09_2.jpeg"},
        {"/shots", "clip.3gp", "JPEG", "/shots/clip_2024_05_01_13_02_09_3.jpeg"},
        {"/shots", "clip.3gp", "bmp", "/shots/clip_2024_05_01_13_02_09.bmp"},
    };
    for (const auto& c : cases) {
        const std::string path = CSnapshot::FilePath(c.folder, c.output, c.format, kNow, exists);
        EXPECT_EQ(path, c.expected);
        taken.insert(path);
    }
    EXPECT_EQ(CSnapshot::MimeType("JPEG"), "image/jpeg");
    EXPECT_EQ(CSnapshot::MimeType("Bmp"), "image/bmp");
}

TEST_F(Snapshot, SavesBmpAndJpegThatDecodeToThePicture) {
    const int width = 64, height = 48;
    const std::vector<uint8_t> pixels = quadrants(width, height);
    const QImage image = CSnapshot::FromPixels(pixels.data(), width, height);
    for (const char* format : {"BMP", "JPEG"}) {
        SCOPED_TRACE(format);
        settings.snapshotFormat = format;
        const std::string first = CSnapshot::Save(image, settings, "clip.avi");
        const std::string second = CSnapshot::Save(image, settings, "clip.avi");
        ASSERT_FALSE(first.empty());
        EXPECT_NE(first, second);
        QImageReader reader(QString::fromStdString(second));
        EXPECT_EQ(reader.format(), QByteArray(format).toLower() == "bmp" ? "bmp" : "jpeg");
        const QImage saved = reader.read();
        ASSERT_EQ(saved.size(), QSize(width, height));
        const int tolerance = std::string(format) == "BMP" ? 0 : 24;
        EXPECT_TRUE(near(saved.pixelColor(8, 8), Qt::red, tolerance));
        EXPECT_TRUE(near(saved.pixelColor(56, 8), Qt::green, tolerance));
        EXPECT_TRUE(near(saved.pixelColor(8, 40), Qt::blue, tolerance));
        EXPECT_TRUE(near(saved.pixelColor(56, 40), Qt::white, tolerance));
    }
    EXPECT_TRUE(services.messageBoxes().empty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);
    // The open-after-snapshot bit shows the new file in the file manager.
    settings.setOption(kOptionOpenSnapshotFolder, true);
    const std::string shown = CSnapshot::Save(image, settings, "clip.avi");
    ASSERT_FALSE(services.shownFiles().empty());
    EXPECT_EQ(services.shownFiles().back(), shown);
}

TEST_F(Snapshot, FailuresAreToldAndLeaveNoFile) {
    const std::vector<uint8_t> pixels = quadrants(8, 8);
    const QImage image = CSnapshot::FromPixels(pixels.data(), 8, 8);
    struct Case {
        const char* name;
        std::string folder;
        const char* format;
        int showResult;
        const char* message;
        bool file;
    };
    const std::string missing = dir.filePath("gone").toStdString();
    const Case cases[] = {
        {"missing folder", missing, "JPEG", SHELL_OK, "The snapshot path '", false},
        {"no encoder", dir.path().toStdString(), "PNGX", SHELL_OK,
         "Failed to get the image encoder clsid", false},
        {"file manager fails", dir.path().toStdString(), "BMP", SHELL_FILE_NOT_FOUND,
         "The snapshot save path is not exist", true},
    };
    settings.setOption(kOptionOpenSnapshotFolder, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.setShowInFileManagerResult(c.showResult);
        settings.snapshotFolder = c.folder;
        settings.snapshotFormat = c.format;
        const size_t boxes = services.messageBoxes().size();
        const std::string saved = CSnapshot::Save(image, settings, "clip.avi");
        ASSERT_EQ(services.messageBoxes().size(), boxes + 1);
        const auto box = services.messageBoxes().back();
        EXPECT_EQ(box.text.rfind(c.message, 0), 0u) << box.text;
        EXPECT_EQ(box.caption, "Movara");
        EXPECT_EQ(box.icon, MB_ICONERROR);
        EXPECT_EQ(!saved.empty(), c.file);
    }
    EXPECT_EQ(services.messageBoxes()[0].text, "The snapshot path '" + missing + "' not exist!");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}
