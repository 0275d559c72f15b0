// The main window and the video edit dialog: opening it over the file list, the item following
// the focus, closing it for a conversion, and the pages' changes reaching an open preview and,
// when asked, every other item.
#include "AppUiTestSupport.h"
#include "CVelEdit.h"
#include "CActionWnd.h"

#include "CFileListWnd.h"
#include "CSpinCtrl.h"
#include "CToolWnd.h"
#include "CVideoEditDlg.h"
#include "CVideoEffectDlg.h"
#include "CommandIds.h"
#include "EditMessages.h"

#include <QTest>

namespace {

class MainWndEdit : public MainWindowTest {};

TEST_F(MainWndEdit, TheDialogOpensOverTheListAndFollowsTheFocus) {
    OpenWindow();
    AddItems(3);
    ClickRow(1);
    EXPECT_EQ(dlg->EditDialog(), nullptr) << "made on first use";
    EXPECT_TRUE(menuEnabled(dlg->Menu(kMenuMain), kCmdVideoEdit));
    clickItem(dlg->ToolBar(), CToolWnd::kEditMedia);
    CVideoEditDlg* edit = dlg->EditDialog();
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->ShownPage(), CVideoEditDlg::kEffects);
    EXPECT_EQ(edit->pos(), dlg->FileList()->mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(edit->Item(), dlg->FileList()->MediaAt(1));
    ClickRow(2);
    EXPECT_EQ(edit->Item(), dlg->FileList()->MediaAt(2));
    // Removing the focused item hands over the next one; clearing leaves none.
    dlg->OnCommand(kCmdRemove);
    EXPECT_EQ(edit->Item(), dlg->FileList()->MediaAt(dlg->FileList()->FocusedIndex()));
    env->services.queueMessageBoxAnswer(IDOK);
    dlg->OnCommand(kCmdClear);
    EXPECT_EQ(edit->Item(), nullptr);
    AddItems(1);
    EXPECT_EQ(edit->Item(), dlg->FileList()->MediaAt(0));
    // A conversion closes it: the engine reads the edits while it runs, so while it runs no
    // item goes to the dialog (its pages write what they show), even when the focus moves.
    const std::string source = env->scratch.filePath("source.avi").toStdString();
    writeFile(source, "source"); // a run needs a source that exists
    AddItem(source);
    dlg->OutputPathEdit()->setText(env->scratch.path());
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    ASSERT_EQ(dlg->State(), kStateConverting);
    EXPECT_FALSE(edit->isVisible());
    ClickRow(1);
    EXPECT_EQ(edit->Item(), nullptr);
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    EXPECT_EQ(edit->Item(), dlg->FileList()->MediaAt(dlg->FileList()->FocusedIndex()));
}

TEST_F(MainWndEdit, ChangesReachAPreviewOfAVideoItemAndAllItemsWhenAsked) {
    struct Case {
        const char* name;
        bool video;
        bool preview;
        unsigned msg;
        uintptr_t wParam;
        std::vector<std::string> calls; // engine calls after the message
        bool copied;                    // reached the other item
    };
    const Case cases[] = {
        {"effects", true, true, kMsgEffectChanged, 0, {"VeldesAddFilter:3", "VeldesAddFilter:2"},
         false},
        {"effects to all", true, true, kMsgEffectChanged, 3,
         {"VeldesAddFilter:3", "VeldesAddFilter:2"}, true},
        // Without a preview the edits reach the engine for the size estimate of each item;
        // the other item's crop is sent as removed.
        {"effects, no preview",
         true,
         false,
         kMsgEffectChanged,
         3,
         {"VeldesRemoveWatermark:-1", "VeldesAddWatermark:5", "VeldesAddFilter:3",
          "VeldesAddFilter:2", "VeldesAddFilter:0", "VeldesAddFilter:1", "VeldesRemoveWatermark:-1",
          "VeldesAddFilter:3", "VeldesAddFilter:2", "VeldesAddFilter:0"},
         true},
        {"effects on audio", false, true, kMsgEffectChanged, 3, {}, false},
        {"watermark to all", true, true, kMsgWatermarkChanged, 3,
         {"VeldesRemoveWatermark:-1", "VeldesAddWatermark:5"}, true},
        {"crop, never to all", true, true, kMsgCropChanged, 3,
         {"VeldesAddFilter:0", "VeldesAddFilter:1"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.reset();
        fake.setSource("/media/a.mp4", c.video ? FakeSource::movie(640, 480)
                                               : FakeSource::audio(44100, 2));
        fake.setSource("/media/b.mp4", FakeSource::movie(640, 480));
        OpenWindow();
        AddItem("/media/a.mp4");
        AddItem("/media/b.mp4");
        ClickRow(0);
        MediaItem* item = dlg->FileList()->MediaAt(0);
        MediaItem* other = dlg->FileList()->MediaAt(1);
        dlg->OnCommand(kCmdVideoEdit);
        if (c.preview)
            ASSERT_EQ(dlg->Convert().startPreview(item), 1);
        item->brightness = 50;
        item->flip = 1;
        item->watermark.mode = kWatermarkText;
        item->watermark.text = "Movara";
        item->crop = {0, 0, 0, 320, 240};
        fake.clearCalls();
        sendMessage(dlg.get(), c.msg, c.wParam, reinterpret_cast<intptr_t>(item));
        std::vector<std::string> calls;
        for (const FakeCall& call : fake.calls())
            if (call.function == "VeldesAddFilter" || call.function == "VeldesAddWatermark" ||
                call.function == "VeldesRemoveWatermark")
                calls.push_back(call.function + ":" +
                                std::to_string(call.function == "VeldesRemoveWatermark"
                                                   ? -1
                                                   : call.filterId));
        EXPECT_EQ(calls, c.calls);
        const bool copied = c.msg == kMsgWatermarkChanged ? other->watermark == item->watermark
                                                          : other->brightness == 50 &&
                                                                other->flip == 1;
        EXPECT_EQ(copied, c.copied);
        EXPECT_EQ(other->crop, MediaCrop{}) << "the crop is never copied";
        dlg.reset();
    }
}

TEST_F(MainWndEdit, NothingHappensWhileTheDialogIsHidden) {
    OpenWindow();
    AddItems(2);
    ClickRow(0);
    dlg->OnCommand(kCmdVideoEdit);
    auto* page = static_cast<CVideoEffectDlg*>(dlg->EditDialog()->PageAt(CVideoEditDlg::kEffects));
    page->Spin(CVideoEffectDlg::kBrightness)->Step(1);
    clickItem(page->Panel(), CVideoEffectDlg::kApplyToAll);
    dlg->EditDialog()->Confirm(); // sent before the dialog hides: copied
    EXPECT_EQ(dlg->FileList()->MediaAt(1)->brightness, 1);
    EXPECT_FALSE(dlg->EditDialog()->isVisible());
    MediaItem* first = dlg->FileList()->MediaAt(0);
    first->brightness = 9;
    sendMessage(dlg.get(), kMsgEffectChanged, 3, reinterpret_cast<intptr_t>(first));
    EXPECT_EQ(dlg->FileList()->MediaAt(1)->brightness, 1);
    // An item that is not in the list is ignored.
    dlg->OnCommand(kCmdVideoEdit);
    MediaItem stranger;
    stranger.brightness = 70;
    sendMessage(dlg.get(), kMsgEffectChanged, 3, reinterpret_cast<intptr_t>(&stranger));
    EXPECT_EQ(dlg->FileList()->MediaAt(1)->brightness, 1);
}

} // namespace
