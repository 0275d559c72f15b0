// Validate, Load and Unload of CVelSkin against archives built by the tests: the results, the
// state each result leaves, and the temporary-file-first order of decoding.
#include "CVelSkin.h"
#include "SkinTestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using skintest::archiveBytes;
using skintest::skinItems;
using skintest::writeFile;

namespace {

const char* const kSheet = "<velskin><color id=\"101\" value=\"1,2,3\"/></velskin>";

class SkinLoad : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::string write(const std::string& name, const std::vector<SkinArchiveItem>& items) {
        return writeFile(dir, name, archiveBytes(items));
    }
    std::string good(const std::string& name = "good.skin") {
        return write(name, skinItems(kSheet));
    }
    // The namer hands out files in our own folder, so the test can watch them.
    void namesInDir() {
        skin.SetTempFileNamer(
            [this] { return dir.filePath(QString("Vel%1.tmp").arg(++named)).toStdString(); });
    }

    QTemporaryDir dir;
    CVelSkin skin;
    int named = 0;
};

TEST_F(SkinLoad, ImageTableAndSpecialIds) {
    std::set<std::string> names;
    int count = 0;
    for (int id = skin.FirstImageId(); id != -1; id = skin.NextImageId(id)) {
        ++count;
        names.insert(skin.ImageName(id));
    }
    EXPECT_EQ(count, 35);
    EXPECT_EQ(names.size(), 35u);
    EXPECT_EQ(skin.ImageName(1), "btn_close.png");
    EXPECT_EQ(skin.ImageName(24), "convert.png");
    EXPECT_EQ(skin.ImageName(35), "video_effect.png");
    EXPECT_EQ(skin.ImageName(0), "");
    EXPECT_EQ(skin.ImageName(36), "");
    EXPECT_EQ(skin.NextImageId(34), 35);
    EXPECT_EQ(skin.NextImageId(35), -1);
    EXPECT_EQ(skin.CheckBoxImageId(4), 30);
    EXPECT_EQ(skin.CheckBoxImageId(6), 29); // only exactly "checked" selects the checked box
    EXPECT_EQ(skin.RadioImageId(4), 32);
    EXPECT_EQ(skin.RadioImageId(0), 31);
}

TEST_F(SkinLoad, ValidateNeedsEveryImageAndTheStyleSheet) {
    EXPECT_EQ(skin.Validate(good()), 1);

    auto items = skinItems(kSheet);
    for (SkinArchiveItem& item : items)
        for (char& c : item.name)
            c = char(toupper(c));
    EXPECT_EQ(skin.Validate(write("upper.skin", items)), 1);

    items = skinItems(kSheet);
    items.erase(items.begin() + 16); // down_menu.png
    EXPECT_EQ(skin.Validate(write("no-image.skin", items)), 0);

    items = skinItems(kSheet);
    items.pop_back();
    EXPECT_EQ(skin.Validate(write("no-sheet.skin", items)), 0);

    EXPECT_EQ(skin.Validate(write("count-zero.skin", {})), 0);
    EXPECT_EQ(skin.Validate(dir.filePath("missing.skin").toStdString()), 0);
}

TEST_F(SkinLoad, LoadDecodesEveryImageThroughTemporaryFilesAndUnloadDeletesThem) {
    namesInDir();
    auto items = skinItems(kSheet);
    items[0].name = "BTN_CLOSE.PNG";
    const std::string path = write("good.skin", items);
    ASSERT_EQ(skin.Load(path), 1);
    EXPECT_EQ(skin.CurrentArchive(), path);
    for (int id = 1; id <= 35; ++id) {
        const QImage* image = skin.Image(id);
        ASSERT_TRUE(image) << id;
        EXPECT_EQ(image->size(), QSize(id, id + 1)) << id;
    }
    EXPECT_FALSE(skin.Image(0));
    EXPECT_FALSE(skin.Image(36));
    EXPECT_EQ(skin.StyleColor(0, 0, 101), 0xFF010203u);

    ASSERT_EQ(skin.TempFiles().size(), 35u);
    const std::vector<std::string> files = skin.TempFiles();
    for (const std::string& file : files)
        EXPECT_TRUE(std::filesystem::exists(file)) << file;
    skin.Unload();
    EXPECT_FALSE(skin.Image(1));
    EXPECT_TRUE(skin.TempFiles().empty());
    for (const std::string& file : files)
        EXPECT_FALSE(std::filesystem::exists(file)) << file;
}

// Files a killed process left behind go with the first load of another; a running one's stay.
TEST_F(SkinLoad, DefaultTemporaryFilesAreVelFilesInTheTemporaryFolder) {
    const std::string tmp = QDir::tempPath().toStdString();
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string dead = tmp + "/Vel" + std::to_string(ended) + "-left01";
    const std::string live = tmp + "/Vel" + std::to_string(getppid()) + "-live01";
    for (const std::string& path : {dead, live})
        std::ofstream(path) << "x";

    ASSERT_EQ(skin.Load(good()), 1);
    ASSERT_FALSE(skin.TempFiles().empty());
    const std::filesystem::path first = skin.TempFiles().front();
    EXPECT_EQ(first.filename().string().rfind("Vel" + std::to_string(getpid()) + "-", 0), 0u);
    EXPECT_EQ(first.parent_path(), std::filesystem::path(tmp));
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live));
    std::filesystem::remove(live);
}

TEST_F(SkinLoad, WithoutTemporaryFileNamesImagesComeFromMemory) {
    skin.SetTempFileNamer([] { return std::string(); });
    ASSERT_EQ(skin.Load(good()), 1);
    EXPECT_TRUE(skin.TempFiles().empty());
    ASSERT_TRUE(skin.Image(7));
    EXPECT_EQ(skin.Image(7)->size(), QSize(7, 8));
}

TEST_F(SkinLoad, SamePathAgainChangesNothing) {
    const std::string path = good();
    ASSERT_EQ(skin.Load(path), 1);
    const QImage* before = skin.Image(3);
    const std::vector<std::string> files = skin.TempFiles();
    EXPECT_EQ(skin.Load(path), 0);
    EXPECT_EQ(skin.Image(3), before);
    EXPECT_EQ(skin.TempFiles(), files);
}

TEST_F(SkinLoad, UnusableArchiveLeavesTheLoadedSkin) {
    const std::string path = good();
    ASSERT_EQ(skin.Load(path), 1);
    const QImage* before = skin.Image(3);

    auto items = skinItems(kSheet);
    items.erase(items.begin() + 4);
    std::string truncated = archiveBytes(skinItems(kSheet));
    truncated.resize(truncated.size() - 1);
    for (const std::string& bad :
         {write("incomplete.skin", items), writeFile(dir, "truncated.skin", truncated),
          writeFile(dir, "text.skin", "not a skin archive at all"),
          dir.filePath("missing.skin").toStdString()}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(skin.Load(bad), -2);
        EXPECT_EQ(skin.CurrentArchive(), path);
        EXPECT_EQ(skin.Image(3), before);
    }
}

TEST_F(SkinLoad, EmptyImageEntryPassesValidationAndStopsTheLoad) {
    ASSERT_EQ(skin.Load(good()), 1);
    auto items = skinItems(kSheet);
    items[4].bytes.clear(); // id 5
    const std::string broken = write("broken.skin", items);
    EXPECT_EQ(skin.Validate(broken), 1);
    EXPECT_EQ(skin.Load(broken), -1);
    for (int id = 1; id <= 4; ++id) {
        ASSERT_TRUE(skin.Image(id));
        EXPECT_EQ(skin.Image(id)->size(), QSize(id, id + 1));
    }
    EXPECT_FALSE(skin.Image(5));
    EXPECT_FALSE(skin.Image(6));
    // The old skin is gone, so asking for it again must load it again, not answer "loaded".
    EXPECT_EQ(skin.Load(dir.filePath("good.skin").toStdString()), 1);
    EXPECT_TRUE(skin.Image(35));
}

TEST_F(SkinLoad, TemporaryFileThatCannotBeWrittenStopsTheLoad) {
    skin.SetTempFileNamer([this] { return dir.filePath("no/such/folder/Vel1").toStdString(); });
    EXPECT_EQ(skin.Load(good()), -1);
    EXPECT_FALSE(skin.Image(1));
    EXPECT_TRUE(skin.TempFiles().empty());
}

TEST_F(SkinLoad, UndecodableImageIsKeptInErrorState) {
    auto items = skinItems(kSheet);
    items[8].bytes = "\x89PNG but not really";
    ASSERT_EQ(skin.Load(write("bad-image.skin", items)), 1);
    const QImage* image = skin.Image(9);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->isNull());
    EXPECT_FALSE(skin.Image(10)->isNull());
}

TEST_F(SkinLoad, StyleSheetThatDoesNotParseStillTakesTheImages) {
    ASSERT_EQ(skin.Load(good()), 1);
    const auto colorsBefore = skin.Colors();
    const auto windowsBefore = skin.WindowStyles().size();
    for (const char* sheet : {"<velskin><color id=\"101\" value=\"9,9,9\"/>", "<other/>"}) {
        SCOPED_TRACE(sheet);
        auto items = skinItems(sheet);
        items[0].bytes = skintest::pngBytes(50, 60, Qt::red);
        const std::string path = write("sheet.skin", items);
        ASSERT_EQ(skin.Load(path), 1);
        EXPECT_EQ(skin.Image(1)->size(), QSize(50, 60));
        EXPECT_EQ(skin.Colors(), colorsBefore);
        EXPECT_EQ(skin.WindowStyles().size(), windowsBefore);
        skin.Unload();
    }
}

TEST_F(SkinLoad, EmptyStyleSheetEntryFailsAfterTheImages) {
    ASSERT_EQ(skin.Load(good()), 1);
    const std::string path = write("empty-sheet.skin", skinItems(""));
    EXPECT_EQ(skin.Load(path), -1);
    EXPECT_TRUE(skin.Image(35));
    EXPECT_NE(skin.CurrentArchive(), path);
    EXPECT_EQ(skin.StyleColor(0, 0, 101), 0xFF010203u);
}

TEST_F(SkinLoad, DestroyingTheSkinDeletesItsTemporaryFiles) {
    std::vector<std::string> files;
    {
        CVelSkin local;
        ASSERT_EQ(local.Load(good()), 1);
        files = local.TempFiles();
    }
    ASSERT_FALSE(files.empty());
    for (const std::string& file : files)
        EXPECT_FALSE(std::filesystem::exists(file)) << file;
}

} // namespace
