// The save-to pane: the profile combos and the recent list, "Apply to all", the output path and
// its buttons, the check boxes; and what the window takes from and gives to the settings file.
#include "AppUiTestSupport.h"

#include "CommandIds.h"
#include "StatusTexts.h"

#include "CFileListWnd.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CStatusWnd.h"
#include "CToolWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "ProfileTables.h"

#include <QDir>
#include <QTest>

#include <filesystem>

using MainWndSaveto = MainWindowTest;

namespace {

// A person steps through a closed combo with the arrow keys: every step is a choice.
void stepTo(CVelComboBox* combo, int index) {
    combo->setFocus();
    while (combo->currentIndex() < index)
        QTest::keyClick(combo, Qt::Key_Down);
}

std::string configFile(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<VelConfig Version=\"1.0.0\">\r\n" + body +
           "</VelConfig>\r\n";
}

} // namespace

TEST_F(MainWndSaveto, CategoriesListTheFilledOnesAndTheFirstProfileIsCurrent) {
    OpenWindow();
    QStringList expected;
    std::vector<intptr_t> data;
    for (int category = 0; category < kCustomCategory; ++category)
        if (catalogue.count(category) > 0) {
            expected << QString::fromUtf8(ProfileCatalogue::category(category).name);
            data.push_back(category);
        }
    EXPECT_EQ(comboTexts(dlg->CategoryCombo()), expected);
    for (size_t i = 0; i < data.size(); ++i)
        EXPECT_EQ(dlg->CategoryCombo()->ItemData(static_cast<int>(i)), data[i]);
    EXPECT_EQ(dlg->CurrentProfile(), catalogue.at(0, 0));
    EXPECT_EQ(dlg->SelectedProfile(), catalogue.at(0, 0));
    ASSERT_EQ(dlg->ProfileCombo()->count(), catalogue.count(0));
    EXPECT_EQ(dlg->ProfileCombo()->ItemData(0),
              reinterpret_cast<intptr_t>(catalogue.at(0, 0).get()));
}

TEST_F(MainWndSaveto, PickingAProfileGivesItToTheFocusedItemAndStartsTheRecentList) {
    OpenWindow();
    AddItems(2);
    ClickRow(1);
    MediaItem* item = dlg->FileList()->MediaAt(1);
    fake.clearCalls();
    pickEntry(dlg->ProfileCombo(), 2);
    const ProfileRef chosen = catalogue.at(0, 2);
    EXPECT_EQ(item->profile, chosen);
    EXPECT_EQ(dlg->CurrentProfile(), chosen);
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->profile, catalogue.at(0, 0)); // not the other item
    EXPECT_EQ(fake.countOf("VeldesGetMediaEncodedSize"), 1u);
    // "Recent" appears at the top, holding a copy of the choice.
    EXPECT_EQ(dlg->CategoryCombo()->itemText(0), QStringLiteral("Recent"));
    EXPECT_EQ(dlg->CategoryCombo()->ItemData(0), kRecentCategory);
    ASSERT_EQ(catalogue.count(kRecentCategory), 1);
    EXPECT_EQ(catalogue.at(kRecentCategory, 0)->name, chosen->name);
    EXPECT_EQ(dlg->CategoryCombo()->currentText(),
              QString::fromUtf8(ProfileCatalogue::category(0).name));
    EXPECT_EQ(dlg->StatusBar()->FindItem(CStatusWnd::kProfile)->caption,
              QString::fromStdString(profileSummaryText(*chosen)));
    // Stepping with the keys picks each profile on the way; one already recent adds nothing.
    stepTo(dlg->ProfileCombo(), 3);
    EXPECT_EQ(dlg->FileList()->MediaAt(1)->profile, catalogue.at(0, 3));
    pickEntry(dlg->ProfileCombo(), 2);
    EXPECT_EQ(catalogue.count(kRecentCategory), 2);
    EXPECT_EQ(dlg->CategoryCombo()->count(), comboTexts(dlg->CategoryCombo()).size());
    EXPECT_EQ(comboTexts(dlg->CategoryCombo()).count(QStringLiteral("Recent")), 1);
}

TEST_F(MainWndSaveto, ChangingTheCategoryGivesItsFirstProfileWithoutTouchingRecent) {
    OpenWindow();
    AddItems(1);
    const int index = dlg->CategoryCombo()->findText(QStringLiteral("3GP Mobile"));
    ASSERT_GT(index, 0);
    pickEntry(dlg->CategoryCombo(), index);
    const ProfileRef first = catalogue.at(11, 0);
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->profile, first);
    EXPECT_EQ(dlg->CurrentProfile(), first);
    EXPECT_EQ(dlg->ProfileCombo()->count(), catalogue.count(11));
    EXPECT_EQ(dlg->ProfileCombo()->currentIndex(), 0);
    EXPECT_EQ(catalogue.count(kRecentCategory), 0);
}

TEST_F(MainWndSaveto, FocusingAnItemShowsItsProfileInTheCombos) {
    OpenWindow();
    AddItems(2);
    ClickRow(1);
    pickEntry(dlg->CategoryCombo(), dlg->CategoryCombo()->findText(QStringLiteral("3GP Mobile")));
    ClickRow(0);
    EXPECT_EQ(dlg->CategoryCombo()->currentText(),
              QString::fromUtf8(ProfileCatalogue::category(0).name));
    EXPECT_EQ(dlg->SelectedProfile(), catalogue.at(0, 0));
    ClickRow(1);
    EXPECT_EQ(dlg->CategoryCombo()->currentText(), QStringLiteral("3GP Mobile"));
    EXPECT_EQ(dlg->SelectedProfile(), catalogue.at(11, 0));
    // A recent record is shown under "Recent".
    pickEntry(dlg->ProfileCombo(), 1);
    ClickRow(0);
    dlg->SelectProfileInCombos(catalogue.at(kRecentCategory, 0));
    EXPECT_EQ(dlg->CategoryCombo()->currentText(), QStringLiteral("Recent"));
    EXPECT_EQ(dlg->SelectedProfile(), catalogue.at(kRecentCategory, 0));
}

TEST_F(MainWndSaveto, ApplyToAllAsksOnlyWithMoreThanOneItem) {
    OpenWindow();
    AddItems(1);
    clickItem(dlg->SavetoPane(), 6);
    EXPECT_TRUE(env->services.messageBoxes().empty());

    AddItems(2);
    dlg->SelectProfileInCombos(catalogue.at(11, 1));
    env->services.queueMessageBoxAnswers({IDNO, IDYES});
    clickItem(dlg->SavetoPane(), 6);
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    const auto box = env->services.messageBoxes()[0];
    EXPECT_EQ(box.text, "Are you sure apply the profile to all file itmes? ");
    EXPECT_EQ(box.buttons, MB_YESNO);
    EXPECT_EQ(box.icon, MB_ICONQUESTION);
    for (const auto& item : dlg->FileList()->MediaItems())
        EXPECT_EQ(item->profile, catalogue.at(0, 0));

    fake.clearCalls();
    clickItem(dlg->SavetoPane(), 6);
    for (const auto& item : dlg->FileList()->MediaItems())
        EXPECT_EQ(item->profile, catalogue.at(11, 1));
    EXPECT_EQ(fake.countOf("VeldesGetMediaEncodedSize"), 3u);
}

TEST_F(MainWndSaveto, OutputPathButtonsAndCheckBoxes) {
    OpenWindow();
    // Browse starts at the box's text and writes the choice back.
    dlg->OutputPathEdit()->setText(QStringLiteral("/start/here"));
    env->services.queueBrowseFolder("/chosen/folder");
    clickItem(dlg->SavetoPane(), 4);
    ASSERT_EQ(env->services.folderBrowsers().size(), 1u);
    EXPECT_EQ(env->services.folderBrowsers()[0].initialFolder, "/start/here");
    EXPECT_EQ(dlg->OutputPathEdit()->text(), QStringLiteral("/chosen/folder"));

    // "Open" with a folder that does not exist says so; with one that does, opens it.
    clickItem(dlg->SavetoPane(), 5);
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    EXPECT_EQ(env->services.messageBoxes()[0].text, "The output file path not exist");
    EXPECT_EQ(env->services.messageBoxes()[0].icon, MB_ICONERROR);
    dlg->OutputPathEdit()->setText(QString::fromStdString(env->documents));
    clickItem(dlg->SavetoPane(), 5);
    EXPECT_EQ(env->services.openedDocuments(), std::vector<std::string>{env->documents});
    // When the desktop cannot show a folder that is there, only that is said.
    env->services.setOpenDocumentResult(false);
    clickItem(dlg->SavetoPane(), 5);
    ASSERT_EQ(env->services.messageBoxes().size(), 2u);
    EXPECT_EQ(env->services.messageBoxes()[1].text,
              "The folder \"" + env->documents + "\" could not be shown.");
    env->services.setOpenDocumentResult(true);

    // Same as input: box and browse button off, flag on; and "Open" then shows the focused
    // item's own folder.
    QTemporaryDir sources;
    const std::string source = sources.path().toStdString() + "/movie.avi";
    AddItem(source);
    clickItem(dlg->SavetoPane(), 7);
    EXPECT_TRUE(settings.option(kOptionSameAsInput));
    EXPECT_FALSE(dlg->OutputPathEdit()->isEnabled());
    EXPECT_TRUE(itemDisabled(dlg->SavetoPane(), 4));
    clickItem(dlg->SavetoPane(), 5);
    EXPECT_EQ(env->services.openedDocuments().back(), sources.path().toStdString());
    clickItem(dlg->SavetoPane(), 7);
    EXPECT_FALSE(settings.option(kOptionSameAsInput));
    EXPECT_TRUE(dlg->OutputPathEdit()->isEnabled());
    EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), 4));

    // The two other check boxes are option bits.
    clickItem(dlg->SavetoPane(), 8);
    EXPECT_TRUE(settings.option(kOptionOpenOutputFolder));
    clickItem(dlg->ToolBar(), CToolWnd::kShutdown);
    EXPECT_TRUE(settings.option(kOptionShutdown));
    clickItem(dlg->ToolBar(), CToolWnd::kShutdown);
    EXPECT_FALSE(settings.option(kOptionShutdown));
}

TEST_F(MainWndSaveto, WithoutASettingsFileTheFoldersAreMovaraInDocuments) {
    OpenWindow();
    const std::string folder = env->documents + "/Movara";
    EXPECT_TRUE(QDir(QString::fromStdString(folder)).exists());
    EXPECT_EQ(dlg->OutputPathEdit()->text().toStdString(), folder);
    EXPECT_EQ(settings.snapshotFolder, folder);
    // Nothing read: the check boxes keep their defaults.
    EXPECT_FALSE(itemChecked(dlg->SavetoPane(), 7));
    EXPECT_EQ(dlg->PlayControl()->Volume(), 100);
}

TEST_F(MainWndSaveto, TheSettingsFileIsAppliedToTheWindow) {
    const int recent = (11 << 16) | 2;
    const uint32_t flags = kOptionSameAsInput | kOptionOpenOutputFolder | kOptionShutdown;
    writeFile(env->settingsPath(),
              configFile("<Flag>" + std::to_string(flags) + "</Flag>\r\n<Volume>150</Volume>\r\n" +
                         "<SavePath>" + env->documents + "</SavePath>\r\n" + "<RecentProfile>" +
                         std::to_string(recent) + "," + std::to_string(recent) +
                         "</RecentProfile>\r\n"));
    OpenWindow();
    EXPECT_TRUE(itemChecked(dlg->SavetoPane(), 7));
    EXPECT_FALSE(dlg->OutputPathEdit()->isEnabled());
    EXPECT_TRUE(itemDisabled(dlg->SavetoPane(), 4));
    EXPECT_TRUE(itemChecked(dlg->SavetoPane(), 8));
    EXPECT_TRUE(itemChecked(dlg->ToolBar(), CToolWnd::kShutdown));
    EXPECT_EQ(dlg->OutputPathEdit()->text().toStdString(), env->documents);
    EXPECT_EQ(dlg->PlayControl()->Volume(), 100);
    // No effect bit: the switch offers the effect picture.
    EXPECT_FALSE(dlg->PlayControl()->EffectShown());
    EXPECT_EQ(dlg->PlayControl()->FindItem(CPlayCtrlWnd::kEffectSwitch)->tooltip,
              QStringLiteral("Switch to effect video"));
    EXPECT_EQ(dlg->CategoryCombo()->itemText(0), QStringLiteral("Recent"));
    EXPECT_EQ(catalogue.count(kRecentCategory), 1);
}

TEST_F(MainWndSaveto, MutedVolumeShowsAnEmptySlider) {
    writeFile(env->settingsPath(),
              configFile("<Flag>" + std::to_string(kOptionMuted | kOptionEffectPicture) +
                         "</Flag>\r\n<Volume>40</Volume>\r\n"));
    OpenWindow();
    EXPECT_EQ(dlg->PlayControl()->Volume(), 0);
    EXPECT_EQ(settings.volume, 40);
    EXPECT_TRUE(dlg->PlayControl()->EffectShown());
    // The file had no SavePath: the box shows the default folder, never nothing.
    EXPECT_EQ(dlg->OutputPathEdit()->text().toStdString(), env->documents + "/Movara");
}

TEST_F(MainWndSaveto, DestructionWritesWhatTheWindowShows) {
    OpenWindow();
    AddItems(1);
    pickEntry(dlg->ProfileCombo(), 1);
    clickItem(dlg->SavetoPane(), 8);
    dlg->OutputPathEdit()->setText(QStringLiteral("/typed/by/hand"));
    dlg->Destroy();
    const std::string saved = readFile(env->settingsPath());
    const uint32_t flags = settings.optionFlags.load();
    EXPECT_EQ(saved,
              configFile("<Flag>" + std::to_string(flags) + "</Flag>\r\n" +
                         "<Volume>100</Volume>\r\n" + "<SavePath>/typed/by/hand</SavePath>\r\n" +
                         "<SnapshotPath>" + env->documents + "/Movara</SnapshotPath>\r\n" +
                         "<ImageFormat>JPEG</ImageFormat>\r\n" +
                         "<ImageWidth>400</ImageWidth>\r\n" + "<ImageHeight>300</ImageHeight>\r\n" +
                         "<UpdateInterval>7</UpdateInterval>\r\n" +
                         "<SkinFileName>skin/Default.skin</SkinFileName>\r\n" +
                         "<RecentProfile>1</RecentProfile>\r\n"));
    EXPECT_TRUE(flags & kOptionOpenOutputFolder);
}

TEST_F(MainWndSaveto, AWindowThatNeverReadTheFileDoesNotWriteIt) {
    writeFile(env->settingsPath(), "keep me");
    dlg = std::make_unique<CMovaraDlg>(settings, catalogue);
    ASSERT_EQ(dlg->Create(), 0);
    dlg->Destroy();
    EXPECT_EQ(readFile(env->settingsPath()), "keep me");
}

TEST_F(MainWndSaveto, TheSkinNamedInTheSettingsIsAppliedAndWrittenBack) {
    writeFile(env->settingsPath(), configFile("<SkinFileName>skin/Dark.skin</SkinFileName>\r\n"));
    OpenWindow();
    EXPECT_EQ(theSkin().CurrentArchive(), builtDataFolder() + "/skin/Dark.skin");
    EXPECT_TRUE(env->services.messageBoxes().empty());
    dlg->Destroy();
    EXPECT_NE(readFile(env->settingsPath()).find("<SkinFileName>skin/Dark.skin</SkinFileName>"),
              std::string::npos);
}

TEST_F(MainWndSaveto, ASkinThatIsMissingOrNoArchiveChangesNothingSilently) {
    QTemporaryDir data;
    QDir().mkpath(data.filePath("skin"));
    writeFile(data.filePath("skin/Broken.skin").toStdString(), "not an archive");
    env->services.setDataFolder(data.path().toStdString());
    for (const char* name : {"skin/Missing.skin", "skin/Broken.skin"}) {
        SCOPED_TRACE(name);
        writeFile(env->settingsPath(),
                  configFile(std::string("<SkinFileName>") + name + "</SkinFileName>\r\n"));
        OpenWindow();
        EXPECT_EQ(theSkin().CurrentArchive(), builtSkinPath());
        EXPECT_TRUE(env->services.messageBoxes().empty());
        dlg.reset();
    }
}

TEST_F(MainWndSaveto, WhatAPersonSetsReachesTheSettingsFileWithinASecond) {
    OpenWindow();
    AddItems(1);
    struct Case {
        const char* name;
        std::function<void()> change;
        std::string expected; // in the file afterwards
    };
    const Case cases[] = {
        {"output path typed",
         [&] { QTest::keyClicks(dlg->OutputPathEdit(), QStringLiteral("/kept")); },
         "/kept</SavePath>"},
        {"profile picked", [&] { pickEntry(dlg->ProfileCombo(), 1); }, "<RecentProfile>"},
        {"option ticked", [&] { clickItem(dlg->SavetoPane(), 7); }, // "Output folder same as input"
         "<Flag>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(env->settingsPath());
        c.change();
        EXPECT_TRUE(waitUntil(
            [&] { return readFile(env->settingsPath()).find(c.expected) != std::string::npos; },
            1000));
    }
}
