// The profile setting and save-as dialogs, offscreen, with scripted platform services and the
// built default skin.
#include "CProfileSaveasDlg.h"
#include "CProfileSettingDlg.h"

#include "CBaseWnd.h"
#include "CMenuEx.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "FakePlatformServices.h"
#include "ProfileCatalogue.h"
#include "QtTestSupport.h"

#include <QAction>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QStringList entries(const CVelComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

class ProfileDialog : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        ASSERT_GE(theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin"), 0);
    }
    // Opens the dialog on `profile` and shows it.
    CProfileSettingDlg& Open(const ProfileRef& profile) {
        dlg = std::make_unique<CProfileSettingDlg>(catalogue, profile);
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        return *dlg;
    }
    // The next save-as dialog gets `name` typed and OK pressed (again while it refuses).
    void AnswerSaveas(const std::string& name) {
        dlg->SetSaveasRunner([name](CProfileSaveasDlg& saveas) {
            saveas.NameEdit()->setText(QString::fromStdString(name));
            return saveas.Ok() ? IDOK : IDCANCEL;
        });
    }
    void Choose(int controlId, int index) {
        CVelComboBox* combo = dlg->Combo(controlId);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void ClickPane(int paneId, int itemId) {
        CBaseWnd* pane = dlg->Pane(paneId);
        const PaneItem* item = pane->FindItem(itemId);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(pane, Qt::LeftButton, {},
                          QPoint((item->left + item->right) / 2, (item->top + item->bottom) / 2));
    }

    FakePlatformServices services;
    ScopedPlatformServices installed{services};
    ProfileCatalogue catalogue;
    std::unique_ptr<CProfileSettingDlg> dlg;
};

} // namespace

TEST_F(ProfileDialog, ScreenshotsOfAVideoAndAnAudioOnlyProfile) {
    for (const auto& [profile, file] :
         {std::pair{catalogue.at(0, 0), "profile_setting_video.png"},
          std::pair{catalogue.at(1, 2), "profile_setting_audio.png"}}) {
        Open(profile);
        const QImage shot = dlg->grab().toImage();
        EXPECT_EQ(shot.size(), QSize(CProfileSettingDlg::kWidth, CProfileSettingDlg::kHeight));
        if (const QByteArray folder = qgetenv("MOVARA_SHOTS"); !folder.isEmpty())
            shot.save(QString::fromUtf8(folder) + "/" + file);
    }
}

TEST_F(ProfileDialog, SaveasChecksTheNameThenSavesACopyOrRenames) {
    Profile mine = *catalogue.at(11, 4);
    mine.category = kCustomCategory;
    mine.index = (11 << 16) | 4;
    mine.name = "Mine";
    catalogue.add(mine);
    const ProfileRef custom = catalogue.at(kCustomCategory, 0);
    // Picked from the custom profile, a recent entry refers to the custom list's position.
    ASSERT_EQ(catalogue.addRecent(*custom), 1);
    const ProfileRef recent = catalogue.list(kRecentCategory).back();
    ASSERT_EQ(recent->index, kCustomCategory << 16);
    struct Case {
        const char* what;
        ProfileRef record;
        int mode;
        std::string name;
        const char* message; // null: accepted
        int32_t index;       // of the new custom profile
    };
    const Case cases[] = {
        {"own name", custom, CProfileSaveasDlg::kRename, "Mine",
         "The profile with the same name is already exist!", 0},
        {"empty", custom, CProfileSaveasDlg::kSaveAs, "", "The profile name can't is null!", 0},
        {"a built-in profile's name is free", catalogue.at(0, 1), CProfileSaveasDlg::kSaveAs,
         "H.264 Video(*.mp4)", nullptr, 1},
        {"copy of a custom keeps its reference", custom, CProfileSaveasDlg::kSaveAs, "Mine 2",
         nullptr, (11 << 16) | 4},
        // Never a custom position, which moves when an earlier custom profile goes.
        {"copy of a recent custom refers to the built-in source", recent,
         CProfileSaveasDlg::kSaveAs, "Mine 3", nullptr, (11 << 16) | 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t boxes = services.messageBoxes().size();
        const int customs = catalogue.count(kCustomCategory);
        CProfileSaveasDlg saveas(catalogue, c.record, c.mode);
        EXPECT_EQ(saveas.windowTitle(),
                  c.mode == CProfileSaveasDlg::kRename ? "Rename" : "Save as Profile");
        EXPECT_EQ(saveas.NameEdit()->text().toStdString(), c.record->name);
        saveas.NameEdit()->setText(QString::fromStdString(c.name));
        EXPECT_EQ(saveas.Ok(), c.message == nullptr);
        if (c.message) {
            ASSERT_EQ(services.messageBoxes().size(), boxes + 1);
            const auto box = services.messageBoxes().back();
            EXPECT_EQ(box.text, c.message);
            EXPECT_EQ(box.caption, saveas.windowTitle().toStdString());
            EXPECT_EQ(box.icon, MB_ICONSTOP);
            EXPECT_EQ(catalogue.count(kCustomCategory), customs);
        } else {
            ASSERT_EQ(catalogue.count(kCustomCategory), customs + 1);
            const ProfileRef created = saveas.Created();
            EXPECT_EQ(created, catalogue.list(kCustomCategory).back());
            EXPECT_EQ(created->name, c.name);
            EXPECT_EQ(created->index, c.index);
            EXPECT_EQ(created->videoCodec, c.record->videoCodec);
        }
    }
}

TEST_F(ProfileDialog, OkAppliesOrRefusesWithItsMessage) {
    struct Case {
        bool video, audio;
        int width, height;
        const char* message; // null: closes with OK
    };
    const Case cases[] = {
        {true, true, 320, 0, "The frame size is incorrect!"},
        {true, true, 0, 240, "The frame size is incorrect!"},
        {false, false, 320, 240, "The profile must include video or audio stream!"},
        {true, true, 0, 0, nullptr},
        {false, true, 320, 0, nullptr}, // video off: its size is not looked at
        {true, false, 640, 360, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " v" << c.video << " a" << c.audio);
        const ProfileRef profile = catalogue.at(0, 1);
        const Profile before = *profile;
        Open(profile);
        if (!c.video)
            ClickPane(CProfileSettingDlg::kVideoPaneId, CProfileSettingDlg::kEnableVideo);
        if (!c.audio)
            ClickPane(CProfileSettingDlg::kAudioPaneId, CProfileSettingDlg::kEnableAudio);
        dlg->Spin(CProfileSettingDlg::kWidthEdit)->setValue(c.width);
        dlg->Spin(CProfileSettingDlg::kHeightEdit)->setValue(c.height);
        const size_t boxes = services.messageBoxes().size();
        ClickPane(CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kOk);
        if (c.message) {
            ASSERT_EQ(services.messageBoxes().size(), boxes + 1);
            EXPECT_EQ(services.messageBoxes().back().text, c.message);
            EXPECT_EQ(services.messageBoxes().back().caption, "Profile Setting");
            EXPECT_TRUE(dlg->isVisible());
            EXPECT_EQ(*profile, before);
        } else {
            EXPECT_EQ(services.messageBoxes().size(), boxes);
            EXPECT_EQ(dlg->result(), IDOK);
            EXPECT_EQ(profile->hasVideo(), c.video);
            EXPECT_EQ(profile->hasAudio(), c.audio);
            EXPECT_EQ(profile->width, c.video ? c.width : before.width);
            EXPECT_EQ(profile->height, c.video ? c.height : before.height);
        }
        catalogue.replace(profile, before);
    }
}

// Which entries a profile's values select, and which controls a person may change.
TEST_F(ProfileDialog, LoadingAProfileSelectsByItsRules) {
    struct Case {
        const char* what;
        ProfileRef profile;
        int width, height;
        float frameRate;
        QStringList sizes; // empty: not checked
        const char* size;
        const char* rate;
        bool sizeEditable;
    };
    const QStringList h263{"128x96", "176x144", "352x288", "720x576", "1408x1152"};
    const Case cases[] = {
        {"H.263 stored size", catalogue.at(11, 6), 176, 144, 0.0f, h263, "176x144", "auto", false},
        {"H.263 size not offered", catalogue.at(11, 6), 320, 240, 1.0f, h263, "1408x1152",
         "original", false},
        {"source size", catalogue.at(0, 0), 0, 0, 29.97f, {}, "original", "29.970", true},
        {"size not offered", catalogue.at(0, 0), 333, 222, 23.976f, {}, "[custom]", "23.976", true},
        {"rate not offered", catalogue.at(0, 0), 640, 480, 7.0f, {}, "640x480", "auto", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Profile values = *c.profile;
        values.width = c.width;
        values.height = c.height;
        values.frameRate = c.frameRate;
        catalogue.replace(c.profile, values);
        Open(c.profile);
        const CVelComboBox* sizes = dlg->Combo(CProfileSettingDlg::kFrameSizeCombo);
        if (!c.sizes.isEmpty()) {
            EXPECT_EQ(entries(sizes), c.sizes);
        }
        EXPECT_EQ(sizes->currentText(), c.size);
        EXPECT_EQ(dlg->Combo(CProfileSettingDlg::kFrameRateCombo)->currentText(), c.rate);
        EXPECT_EQ(dlg->Spin(CProfileSettingDlg::kWidthEdit)->value(), c.width);
        EXPECT_EQ(dlg->Spin(CProfileSettingDlg::kWidthEdit)->isEnabled(), c.sizeEditable);
        EXPECT_EQ(dlg->Spin(CProfileSettingDlg::kHeightEdit)->isEnabled(), c.sizeEditable);
    }
}

TEST_F(ProfileDialog, AnAudioOnlyProfileKeepsItsStreamBoxesFixed) {
    const ProfileRef mp3 = catalogue.at(1, 2);
    Open(mp3);
    for (int round = 0; round < 2; ++round) {
        ClickPane(CProfileSettingDlg::kVideoPaneId, CProfileSettingDlg::kEnableVideo);
        ClickPane(CProfileSettingDlg::kAudioPaneId, CProfileSettingDlg::kEnableAudio);
        EXPECT_FALSE(dlg->VideoTicked());
        EXPECT_TRUE(dlg->AudioTicked());
    }
    EXPECT_EQ(entries(dlg->Combo(CProfileSettingDlg::kVideoCodecCombo)), QStringList{"No Video"});
    EXPECT_EQ(entries(dlg->Combo(CProfileSettingDlg::kFrameSizeCombo)), QStringList{"400x300"});
    EXPECT_FALSE(dlg->Combo(CProfileSettingDlg::kVideoCodecCombo)->isEnabled());
    EXPECT_FALSE(dlg->Spin(CProfileSettingDlg::kVideoQualityEdit)->isEnabled());
    EXPECT_EQ(entries(dlg->Combo(CProfileSettingDlg::kAudioCodecCombo)), QStringList{"MP3"});
    ClickPane(CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kOk);
    EXPECT_EQ(dlg->result(), IDOK);
    EXPECT_EQ(ProfileCatalogue::audioEngineId(*mp3),
              ProfileCatalogue::audioEngineId(*catalogue.at(1, 2)));
    EXPECT_TRUE(mp3->hasAudio());
}

TEST_F(ProfileDialog, FrameSizeAndWidthHeightFollowEachOther) {
    Open(catalogue.at(0, 0));
    CVelComboBox* sizes = dlg->Combo(CProfileSettingDlg::kFrameSizeCombo);
    QSpinBox* width = dlg->Spin(CProfileSettingDlg::kWidthEdit);
    QSpinBox* height = dlg->Spin(CProfileSettingDlg::kHeightEdit);
    Choose(CProfileSettingDlg::kFrameSizeCombo, sizes->findText("640x480"));
    EXPECT_EQ(width->value(), 640);
    EXPECT_EQ(height->value(), 480);
    Choose(CProfileSettingDlg::kFrameSizeCombo, 0);
    EXPECT_EQ(width->value(), 0);
    EXPECT_EQ(height->value(), 0);
    Choose(CProfileSettingDlg::kFrameSizeCombo, sizes->findText("720x576"));
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, "7");
    EXPECT_EQ(sizes->currentText(), "[custom]");
    EXPECT_EQ(width->value(), 7);
    EXPECT_EQ(height->value(), 576);
    Choose(CProfileSettingDlg::kFrameSizeCombo, sizes->count() - 1); // "[custom]" keeps them
    EXPECT_EQ(width->value(), 7);
    QTest::keyClick(height, Qt::Key_Up);
    EXPECT_EQ(height->value(), 577);
    EXPECT_EQ(sizes->currentText(), "[custom]");
}

// Choosing another profile first applies the controls to the one shown; another category does
// not; Cancel keeps what was applied.
TEST_F(ProfileDialog, SwitchingInsideTheDialogThenCancel) {
    const ProfileRef first = catalogue.at(0, 0);
    const ProfileRef second = catalogue.at(0, 1);
    const Profile secondBefore = *second;
    Open(first);
    dlg->Spin(CProfileSettingDlg::kVideoQualityEdit)->setValue(77);
    Choose(CProfileSettingDlg::kProfileCombo, 1);
    EXPECT_EQ(dlg->ShownProfile(), second);
    EXPECT_EQ(first->videoQuality, 77);
    EXPECT_EQ(dlg->Spin(CProfileSettingDlg::kVideoQualityEdit)->value(), 60);

    dlg->Spin(CProfileSettingDlg::kVideoQualityEdit)->setValue(11);
    const CVelComboBox* categories = dlg->Combo(CProfileSettingDlg::kCategoryCombo);
    Choose(CProfileSettingDlg::kCategoryCombo, categories->findText("3GP Mobile"));
    EXPECT_EQ(dlg->ShownProfile(), catalogue.at(11, 0));
    EXPECT_EQ(*second, secondBefore);

    ClickPane(CProfileSettingDlg::kButtonPaneId, CProfileSettingDlg::kCancel);
    EXPECT_EQ(dlg->result(), IDCANCEL);
    EXPECT_EQ(first->videoQuality, 77);
    EXPECT_EQ(*second, secondBefore);
}

TEST_F(ProfileDialog, SaveAsRenameAndDeleteCustomProfiles) {
    Open(catalogue.at(11, 1));
    const CVelComboBox* categories = dlg->Combo(CProfileSettingDlg::kCategoryCombo);
    const CVelComboBox* profiles = dlg->Combo(CProfileSettingDlg::kProfileCombo);
    EXPECT_EQ(entries(categories), (QStringList{"Common Video", "Common Audio", "3GP Mobile"}));
    EXPECT_FALSE(dlg->SaveasMenu()->FindCommand(CProfileSettingDlg::kCmdRename)->isEnabled());
    EXPECT_FALSE(dlg->SaveasMenu()->FindCommand(CProfileSettingDlg::kCmdDelete)->isEnabled());

    // Values edited before saving go into the new profile, not into the source.
    dlg->Spin(CProfileSettingDlg::kAudioQualityEdit)->setValue(33);
    AnswerSaveas("Phone");
    ClickPane(CProfileSettingDlg::kProfilePaneId, CProfileSettingDlg::kSaveAs);
    ASSERT_EQ(catalogue.count(kCustomCategory), 1);
    const ProfileRef phone = catalogue.at(kCustomCategory, 0);
    EXPECT_EQ(phone->index, (11 << 16) | 1);
    EXPECT_EQ(dlg->ShownProfile(), phone);
    EXPECT_EQ(categories->currentText(), "Custom");
    EXPECT_EQ(entries(profiles), QStringList{"Phone"});
    EXPECT_TRUE(dlg->SaveasMenu()->FindCommand(CProfileSettingDlg::kCmdRename)->isEnabled());
    EXPECT_EQ(dlg->ApplyControls(), CProfileSettingDlg::kApplied); // what OK does first
    EXPECT_EQ(phone->audioQuality, 33);
    EXPECT_EQ(catalogue.at(11, 1)->audioQuality, 40);

    AnswerSaveas("Phone 2");
    dlg->OnCommand(CProfileSettingDlg::kCmdSaveAs);
    EXPECT_EQ(entries(profiles), (QStringList{"Phone", "Phone 2"}));
    EXPECT_EQ(profiles->currentIndex(), 1);
    AnswerSaveas("Pocket");
    dlg->OnCommand(CProfileSettingDlg::kCmdRename);
    EXPECT_EQ(entries(profiles), (QStringList{"Phone", "Pocket"}));
    EXPECT_EQ(profiles->currentText(), "Pocket");
    EXPECT_EQ(dlg->ShownProfile()->name, "Pocket");

    // "no" keeps it; "yes" deletes, the first remaining one is shown.
    services.queueMessageBoxAnswers({IDNO, IDYES, IDYES});
    dlg->OnCommand(CProfileSettingDlg::kCmdDelete);
    EXPECT_EQ(catalogue.count(kCustomCategory), 2);
    EXPECT_EQ(services.messageBoxes().back().text, "Are you sure to delete the profile!");
    EXPECT_EQ(services.messageBoxes().back().icon, MB_ICONQUESTION);
    dlg->OnCommand(CProfileSettingDlg::kCmdDelete);
    EXPECT_EQ(entries(profiles), QStringList{"Phone"});
    EXPECT_EQ(dlg->ShownProfile(), phone);
    // The last one: "Custom" goes, the first category is shown.
    dlg->OnCommand(CProfileSettingDlg::kCmdDelete);
    EXPECT_EQ(catalogue.count(kCustomCategory), 0);
    EXPECT_EQ(entries(categories), (QStringList{"Common Video", "Common Audio", "3GP Mobile"}));
    EXPECT_EQ(categories->currentIndex(), 0);
    EXPECT_EQ(dlg->ShownProfile(), catalogue.at(0, 0));
    EXPECT_TRUE(catalogue.customChanged());
}
