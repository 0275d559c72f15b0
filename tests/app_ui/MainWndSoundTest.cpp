// The "Sound" page with the main window: a sound-only item opens the edit dialog on it, the
// setting goes into the item and the engine (an open preview included), "Apply to all" reaches
// every item, and the setting stays with the item (and its copy).
#include "AppUiTestSupport.h"

#include "CBaseWnd.h"
#include "CFileListWnd.h"
#include "CSpinCtrl.h"
#include "CVelComboBox.h"
#include "CVideoEditDlg.h"
#include "CVideoSoundDlg.h"
#include "CommandIds.h"

#include <QTest>

namespace {

class MainWndSound : public MainWindowTest {};

FakeSource withLoudness(FakeSource source, double integrated) {
    source.loudness = tagVeldesLoudness{integrated, -3.0, 6.5, 44100, 2};
    return source;
}

TEST_F(MainWndSound, SetAppliedToAllKeptWithTheItemAndGivenToThePreview) {
    fake.setSource("/media/talk.m4a", withLoudness(FakeSource::audio(44100, 2), -31.0));
    fake.setSource("/media/film.mp4", withLoudness(FakeSource::movie(640, 480), -20.0));
    OpenWindow();
    AddItem("/media/talk.m4a");
    AddItem("/media/film.mp4");
    ClickRow(0);
    MediaItem* talk = dlg->FileList()->MediaAt(0);
    MediaItem* film = dlg->FileList()->MediaAt(1);
    const int talkId = fake.mediaIdOf("/media/talk.m4a");
    const int filmId = fake.mediaIdOf("/media/film.mp4");

    // Sound only: the dialog opens on its one useful page, with the measured loudness.
    dlg->OnCommand(kCmdVideoEdit);
    CVideoEditDlg* edit = dlg->EditDialog();
    ASSERT_NE(edit, nullptr);
    ASSERT_EQ(edit->ShownPage(), CVideoEditDlg::kSound);
    auto* page = static_cast<CVideoSoundDlg*>(edit->PageAt(CVideoEditDlg::kSound));
    EXPECT_EQ(page->MeasuredText(), "-31.0 LUFS, true peak -3.0 dBTP, range 6.5 LU");
    EXPECT_FALSE(itemChecked(page->Panel(), CVideoSoundDlg::kNormalise)) << "off by default";
    EXPECT_FALSE(page->Target()->isEnabled());
    EXPECT_EQ(comboTexts(page->Target()),
              QStringList({"-14 LUFS (streaming)", "-16 LUFS (mobile)", "-23 LUFS (broadcast)"}));

    // A preview is open while the person sets it: the engine has each change at once.
    ASSERT_EQ(dlg->Convert().startPreview(talk), 1);
    clickItem(page->Panel(), CVideoSoundDlg::kNormalise);
    pickEntry(page->Target(), 0);
    CSpinCtrl* ceiling = page->Ceiling();
    QTest::mouseClick(ceiling, Qt::LeftButton, {}, QPoint(ceiling->width() / 2, 2)); // -1 -> 0
    EXPECT_EQ(talk->loudness, (MediaLoudness{true, -14.0, 0.0}));
    EXPECT_EQ(fake.media(talkId)->loudnessTarget, -14.0);
    EXPECT_EQ(fake.media(talkId)->loudnessCeiling, 0.0);
    // +17 dB brings peaks at -3 dBTP over a ceiling of 0.
    EXPECT_EQ(page->LevelText(), "Gain +17.0 dB, peaks limited to the ceiling");

    // "Apply to all" and "Confirm": the other item gets the same setting, to the engine too.
    clickItem(page->Panel(), CVideoSoundDlg::kApplyToAll);
    clickItem(edit->ButtonPane(), CVideoEditDlg::kConfirm);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(film->loudness, talk->loudness);
    EXPECT_EQ(fake.media(filmId)->loudnessTarget, -14.0);

    // Kept with the item: the page shows it again when the item comes back, and a copy has it.
    dlg->OnCommand(kCmdVideoEdit);
    ClickRow(1);
    film->loudness = {true, -23.0, -2.0};
    ClickRow(0);
    EXPECT_TRUE(itemChecked(page->Panel(), CVideoSoundDlg::kNormalise));
    EXPECT_EQ(page->Target()->currentIndex(), 0);
    EXPECT_EQ(page->Ceiling()->Pos(), 0);
    ClickRow(1);
    EXPECT_EQ(page->Target()->currentIndex(), 2);
    EXPECT_EQ(page->Ceiling()->Pos(), -2);
    dlg->OnCommand(kCmdDuplicate);
    ASSERT_EQ(dlg->FileList()->Count(), 3);
    EXPECT_EQ(dlg->FileList()->MediaAt(2)->loudness, film->loudness);

    // Near-silence is left as it is, and the page says so.
    film->loudness.target = -14.0;
    film->measuredLoudness.figures.integrated = -40.0;
    page->RefreshMeasured();
    EXPECT_TRUE(page->LevelText().startsWith("Too quiet to normalise: left as it is"));
}

// Measuring decodes the item's sound: only the Sound page shown, or normalisation on, asks for
// it, not every move of the focus while the dialog is open on another page.
TEST_F(MainWndSound, LoudnessIsMeasuredOnlyWhenTheSoundPageOrARunWantsIt) {
    fake.setSource("/media/a.mp4", withLoudness(FakeSource::movie(640, 480), -20.0));
    fake.setSource("/media/b.mp4", withLoudness(FakeSource::movie(640, 480), -22.0));
    OpenWindow();
    AddItem("/media/a.mp4");
    AddItem("/media/b.mp4");
    ClickRow(0);
    auto measured = [&](const char* path) {
        return fake.media(fake.mediaIdOf(path))->loudnessMeasured;
    };
    dlg->OnCommand(kCmdVideoEdit);
    CVideoEditDlg* edit = dlg->EditDialog();
    ASSERT_NE(edit, nullptr);
    ASSERT_EQ(edit->ShownPage(), CVideoEditDlg::kEffects);
    ClickRow(1);
    ClickRow(0);
    EXPECT_FALSE(measured("/media/a.mp4"));
    EXPECT_FALSE(measured("/media/b.mp4"));
    edit->SelectPage(CVideoEditDlg::kSound);
    EXPECT_TRUE(measured("/media/a.mp4"));
    EXPECT_FALSE(measured("/media/b.mp4"));
    // Normalisation on: a run needs the figures, whichever page is shown.
    edit->SelectPage(CVideoEditDlg::kEffects);
    dlg->FileList()->MediaAt(1)->loudness.on = true;
    ClickRow(1);
    EXPECT_TRUE(measured("/media/b.mp4"));
}

} // namespace
