// The main window with the profile setting dialog: "Settting" and command 32797 open it on the
// current profile, what the dialog changed reaches the combos and the focused item, and custom
// profiles come back after a restart.
#include "AppUiTestSupport.h"

#include "CommandIds.h"

#include "CFileListWnd.h"
#include "CProfileSaveasDlg.h"
#include "CProfileSettingDlg.h"
#include "CSavetoWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CustomProfileStore.h"

#include <QDir>
#include <QFile>
#include <QSpinBox>
#include <QTest>

#include <unistd.h>

using MainWndProfileSetting = MainWindowTest;

namespace {

void press(CProfileSettingDlg& setting, int paneId, int itemId) {
    clickItem(setting.Pane(paneId), itemId);
}

// Runs `act` on the profile setting dialog once it is open.
void onSettingDialog(std::function<void(CProfileSettingDlg&)> act) {
    onNextModal([act](QWidget& modal) {
        auto* setting = dynamic_cast<CProfileSettingDlg*>(&modal);
        ASSERT_NE(setting, nullptr);
        act(*setting);
    });
}

Profile customFrom(const ProfileCatalogue& catalogue, int category, int position,
                   const std::string& name) {
    Profile custom = *catalogue.at(category, position);
    custom.category = kCustomCategory;
    custom.index = (category << 16) | position;
    custom.name = name;
    return custom;
}

} // namespace

TEST_F(MainWndProfileSetting, AfterOkTheShownProfileIsCurrentRecentAndEstimated) {
    OpenWindow();
    AddItems(2);
    ClickRow(1);
    EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), 3));
    const ProfileRef chosen = catalogue.at(11, 2);
    onSettingDialog([&](CProfileSettingDlg& setting) {
        EXPECT_EQ(setting.ShownProfile(), catalogue.at(0, 0));
        EXPECT_EQ(setting.windowTitle(), "Profile Setting");
        CVelComboBox* categories = setting.Combo(CProfileSettingDlg::kCategoryCombo);
        pickEntry(categories, categories->findText("3GP Mobile"));
        pickEntry(setting.Combo(CProfileSettingDlg::kProfileCombo), 2);
        setting.Spin(CProfileSettingDlg::kVideoQualityEdit)->setValue(90);
        fake.clearCalls();
        press(setting, CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kOk);
    });
    clickItem(dlg->SavetoPane(), 3); // "Settting"
    EXPECT_EQ(chosen->videoQuality, 90);
    EXPECT_EQ(dlg->CurrentProfile(), chosen);
    EXPECT_EQ(dlg->FileList()->MediaAt(1)->profile, chosen);
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->profile, catalogue.at(0, 0));
    EXPECT_EQ(fake.countOf("VeldesGetMediaEncodedSize"), 1u);
    EXPECT_EQ(dlg->CategoryCombo()->currentText(), "3GP Mobile");
    EXPECT_EQ(dlg->SelectedProfile(), chosen);
    ASSERT_EQ(catalogue.count(kRecentCategory), 1);
    EXPECT_EQ(catalogue.at(kRecentCategory, 0)->name, chosen->name);
    EXPECT_EQ(dlg->CategoryCombo()->itemText(0), "Recent");

    // Command 32797 does the same; Cancel leaves the window's choice alone.
    onSettingDialog([&](CProfileSettingDlg& setting) {
        EXPECT_EQ(setting.ShownProfile(), chosen);
        pickEntry(setting.Combo(CProfileSettingDlg::kProfileCombo), 0);
        press(setting, CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kCancel);
    });
    fake.clearCalls();
    dlg->OnCommand(kCmdProfileSetting);
    EXPECT_EQ(dlg->CurrentProfile(), chosen);
    EXPECT_EQ(fake.countOf("VeldesGetMediaEncodedSize"), 0u);
}

// "Custom" comes and goes in the window's category combo with what the dialog did; deleting the
// custom profile shown falls back to the first recent profile, or the default one.
TEST_F(MainWndProfileSetting, CustomCategoryFollowsTheDialog) {
    OpenWindow();
    AddItems(1);
    onSettingDialog([&](CProfileSettingDlg& setting) {
        setting.SetSaveasRunner([](CProfileSaveasDlg& saveas) {
            saveas.NameEdit()->setText("Mine");
            return saveas.Ok() ? IDOK : IDCANCEL;
        });
        press(setting, CProfileSettingDlg::kProfilePaneId, CProfileSettingDlg::kSaveAs);
        press(setting, CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kCancel);
    });
    dlg->OnCommand(kCmdProfileSetting);
    EXPECT_EQ(comboTexts(dlg->CategoryCombo()).last(), "Custom");
    ASSERT_EQ(catalogue.count(kCustomCategory), 1);
    const ProfileRef mine = catalogue.at(kCustomCategory, 0);
    EXPECT_EQ(dlg->CurrentProfile(), catalogue.at(0, 0)); // cancelled

    pickEntry(dlg->CategoryCombo(), dlg->CategoryCombo()->findText("Custom"));
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->profile, mine);
    env->services.queueMessageBoxAnswer(IDYES);
    onSettingDialog([&](CProfileSettingDlg& setting) {
        EXPECT_EQ(setting.ShownProfile(), mine);
        setting.OnCommand(CProfileSettingDlg::kCmdDelete);
        EXPECT_EQ(comboTexts(setting.Combo(CProfileSettingDlg::kCategoryCombo)).count("Custom"), 0);
        press(setting, CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kCancel);
    });
    dlg->OnCommand(kCmdProfileSetting);
    EXPECT_EQ(comboTexts(dlg->CategoryCombo()).count("Custom"), 0);
    EXPECT_EQ(dlg->CurrentProfile(), catalogue.at(0, 0));
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->profile, catalogue.at(0, 0));
    EXPECT_EQ(dlg->SelectedProfile(), catalogue.at(0, 0));
    // The item that had the deleted profile still reads it safely until it changed.
    EXPECT_EQ(mine->name, "Mine");
}

TEST_F(MainWndProfileSetting, CancelWithCustomShownKeepsOrReplacesTheCurrentProfile) {
    catalogue.add(customFrom(catalogue, 0, 1, "One"));
    catalogue.add(customFrom(catalogue, 0, 2, "Two"));
    OpenWindow();
    AddItems(1);
    pickEntry(dlg->CategoryCombo(), dlg->CategoryCombo()->findText("Custom"));
    pickEntry(dlg->ProfileCombo(), 1);
    const ProfileRef two = catalogue.at(kCustomCategory, 1);
    ASSERT_EQ(dlg->CurrentProfile(), two);
    // Another custom profile is renamed: the list shows the new name, "Two" stays chosen.
    onSettingDialog([&](CProfileSettingDlg& setting) {
        pickEntry(setting.Combo(CProfileSettingDlg::kProfileCombo), 0);
        setting.SetSaveasRunner([](CProfileSaveasDlg& saveas) {
            saveas.NameEdit()->setText("Uno");
            return saveas.Ok() ? IDOK : IDCANCEL;
        });
        setting.OnCommand(CProfileSettingDlg::kCmdRename);
        press(setting, CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kCancel);
    });
    dlg->OnCommand(kCmdProfileSetting);
    EXPECT_EQ(comboTexts(dlg->ProfileCombo()), (QStringList{"Uno", "Two"}));
    EXPECT_EQ(dlg->SelectedProfile(), two);
    // The current one is deleted: the first custom profile takes its place.
    env->services.queueMessageBoxAnswer(IDYES);
    onSettingDialog([&](CProfileSettingDlg& setting) {
        setting.OnCommand(CProfileSettingDlg::kCmdDelete);
        press(setting, CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kCancel);
    });
    dlg->OnCommand(kCmdProfileSetting);
    EXPECT_EQ(comboTexts(dlg->ProfileCombo()), QStringList{"Uno"});
    EXPECT_EQ(dlg->CurrentProfile(), catalogue.at(kCustomCategory, 0));
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->profile, catalogue.at(kCustomCategory, 0));
}

// A custom profile made in one run is there in the next, with a recent pick of it, also when
// the program's folder cannot be written and the files go to $XDG_CONFIG_HOME/Movara.
TEST_F(MainWndProfileSetting, CustomProfilesSurviveARestartInTheConfigFolder) {
    const QString config = env->scratch.filePath("config");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    // The superuser writes into any folder; one that is gone is no place for files either.
    const std::string program = env->scratch.filePath("program").toStdString();
    QDir().mkpath(QString::fromStdString(program));
    QFile::setPermissions(QString::fromStdString(program),
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const std::string unwritable = ::geteuid() == 0 ? program + "/gone" : program;
    // No writable folder scripted: the platform's rule decides.
    FakePlatformServices services;
    services.setExecutableFolder(unwritable);
    services.setDocumentsFolder(env->documents);
    services.setDataFolder(builtDataFolder());
    ScopedPlatformServices installed(services);
    ASSERT_EQ(services.writableFolder(), (config + "/Movara").toStdString());

    OpenWindow();
    onSettingDialog([&](CProfileSettingDlg& setting) {
        pickEntry(setting.Combo(CProfileSettingDlg::kProfileCombo), 3);
        setting.Spin(CProfileSettingDlg::kWidthEdit)->setValue(1000);
        setting.Spin(CProfileSettingDlg::kHeightEdit)->setValue(500);
        setting.SetSaveasRunner([](CProfileSaveasDlg& saveas) {
            saveas.NameEdit()->setText("Wide & \"tall\"");
            return saveas.Ok() ? IDOK : IDCANCEL;
        });
        press(setting, CProfileSettingDlg::kProfilePaneId, CProfileSettingDlg::kSaveAs);
        press(setting, CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kOk);
    });
    dlg->OnCommand(kCmdProfileSetting);
    dlg.reset(); // the window goes: both files are written
    const QString folder = config + "/Movara";
    EXPECT_TRUE(QFile::exists(folder + "/VelCustomProfile.xml"));
    EXPECT_TRUE(QFile::exists(folder + "/Movara.cfg"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(program + "/VelCustomProfile.xml")));

    ProfileCatalogue next;
    ASSERT_TRUE(loadCustomProfiles(
        next, customProfilePath(kCustomProfileFileName, services.writableFolder())));
    VelSettings nextSettings;
    CMovaraDlg restarted(nextSettings, next);
    ASSERT_EQ(restarted.Create(), 0);
    ASSERT_TRUE(restarted.InitDialog());
    ASSERT_EQ(next.count(kCustomCategory), 1);
    const Profile& wide = *next.at(kCustomCategory, 0);
    EXPECT_EQ(wide.name, "Wide & \"tall\"");
    EXPECT_EQ(wide.width, 1000);
    EXPECT_EQ(wide.height, 500);
    EXPECT_EQ(wide.format, catalogue.at(0, 3)->format);
    EXPECT_EQ(comboTexts(restarted.CategoryCombo()).last(), "Custom");
    // The recent pick of the custom profile resolves because the store was read first.
    ASSERT_EQ(next.count(kRecentCategory), 1);
    EXPECT_EQ(next.at(kRecentCategory, 0)->name, wide.name);
    EXPECT_EQ(next.at(kRecentCategory, 0)->width, 1000);
    restarted.Destroy();

    QFile::setPermissions(QString::fromStdString(program),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (savedConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedConfig);
}
