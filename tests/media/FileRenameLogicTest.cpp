#include "CFileRenameLogic.h"

#include "CVelConvert.h"
#include "FakePlatformServices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class FileRenameLogicTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("movara-rename-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        existing = (folder / "clip.3gp").string();
        std::ofstream(existing).put('x');
        std::ofstream((folder / "taken.3gp").string()).put('x');
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    FakePlatformServices services;
    ScopedPlatformServices installed{services};
    VelSettings settings;
    std::filesystem::path folder;
    std::string existing;
};

TEST_F(FileRenameLogicTest, TakesThePathApart) {
    CFileRenameLogic logic("/out/my.clip.3gp", settings);
    EXPECT_EQ(logic.folder(), "/out/");
    EXPECT_EQ(logic.name(), "my.clip");
    EXPECT_EQ(logic.extension(), "3gp");
    EXPECT_EQ(logic.existsText(), "File \"my.clip.3gp\" already exists.");
    EXPECT_EQ(logic.newFullPath(), "/out/my.clip.3gp");
}

TEST_F(FileRenameLogicTest, ValidationTexts) {
    CFileRenameLogic logic(existing, settings);
    const std::string dir = folder.string() + "/";
    struct Case {
        std::string name;
        std::optional<std::string> message;
    };
    const std::string name251(251, 'n'); // 251 + ".3gp" = 255 bytes
    const std::string name252(252, 'n');
    const Case cases[] = {
        {"", "File name can not be empty"},
        {"a/b", "File name contains illegal characters.\nA file name cannot contain any of the "
                "following characters\n\t\\ / : * ? \" < > |"},
        {"a:b", "File name contains illegal characters.\nA file name cannot contain any of the "
                "following characters\n\t\\ / : * ? \" < > |"},
        {"a|b", "File name contains illegal characters.\nA file name cannot contain any of the "
                "following characters\n\t\\ / : * ? \" < > |"},
        {name251, std::nullopt},
        {name252, "File \"" + dir + name252 + ".3gp\" is too long (maximum length is 255)"},
        {"taken", "File \"taken.3gp\" already exists."},
        {"fresh", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(logic.validate(c.name), c.message) << c.name.substr(0, 20);
    }
}

TEST_F(FileRenameLogicTest, WholePathLimitIs4095Bytes) {
    // A deep folder whose names are fine but whose path is not.
    std::string deep = "/";
    while (deep.size() < 3900) {
        deep += std::string(200, 'd') + "/";
    }
    CFileRenameLogic logic(deep + "clip.3gp", settings);
    const size_t room = 4095 - deep.size() - 4; // ".3gp"
    EXPECT_EQ(logic.validate(std::string(room, 'n')), std::nullopt);
    const auto tooLong = logic.validate(std::string(room + 1, 'n'));
    ASSERT_TRUE(tooLong.has_value());
    EXPECT_NE(tooLong->find("(maximum length is 4095)"), std::string::npos);
}

TEST_F(FileRenameLogicTest, OkShowsTheFailureAndStaysOpen) {
    CFileRenameLogic logic(existing, settings);
    EXPECT_EQ(logic.pressOk("taken"), 0);
    const auto boxes = services.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Rename");
    EXPECT_EQ(boxes[0].icon, MB_ICONSTOP);
    EXPECT_EQ(boxes[0].text, "File \"taken.3gp\" already exists.");

    EXPECT_EQ(logic.pressOk("fresh"), kRenameAccepted);
    EXPECT_EQ(logic.newFullPath(), folder.string() + "/fresh.3gp");
    EXPECT_EQ(services.messageBoxes().size(), 1u);
}

TEST_F(FileRenameLogicTest, CheckBoxWritesTheBitAtOnce) {
    settings.optionFlags = kOptionRename | kOptionShowRenameDialog;
    CFileRenameLogic logic(existing, settings);
    EXPECT_TRUE(logic.alwaysShow());
    logic.setAlwaysShow(false);
    EXPECT_FALSE(settings.option(kOptionShowRenameDialog));
    EXPECT_EQ(logic.pressCancel(), kRenameSkip);
    EXPECT_FALSE(settings.option(kOptionShowRenameDialog));
    logic.setAlwaysShow(true);
    EXPECT_EQ(logic.pressAuto(), kRenameAuto);
    EXPECT_TRUE(settings.option(kOptionShowRenameDialog));
    EXPECT_TRUE(settings.option(kOptionRename));
}

} // namespace
