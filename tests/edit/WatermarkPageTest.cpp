// The "Watermark" page: the enabling rule and its refusals, fonts that are not installed, which
// keystrokes reach the preview, the spins' limits, and reset.
#include "CSpinCtrl.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CWatermarkDlg.h"
#include "EditMessages.h"
#include "EditTestSupport.h"
#include "QtTestSupport.h"

#include <QTest>

namespace {

class WatermarkPage : public EditPageTest {
protected:
    void SetUp() override {
        testApp();
        services.setFontFamilies(fonts);
        page = std::make_unique<CWatermarkDlg>(&mainWindow);
        page->resize(479, 328);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    void show(MediaItem* shown, const StreamList& streams) {
        page->ShowItem(shown, streams);
        mainWindow.seen.clear();
    }
    std::vector<std::string> fonts{"DejaVu Sans", "Arial", "Liberation Serif"};
    std::unique_ptr<MediaItem> item = editItem();
    std::unique_ptr<CWatermarkDlg> page;
};

TEST_F(WatermarkPage, EnablingNeedsAVideoTargetAndAVideoSource) {
    struct Case {
        bool audioOnlyProfile;
        StreamList streams;
        const char* message; // null: enabled
    };
    const Case cases[] = {
        {true, streamsOf(320, 240), "The target not include video stream!"},
        {false, streamsOf(0, 0), "There is not video stream!"},
        {false, streamsOf(320, 240), nullptr},
    };
    for (const Case& c : cases) {
        item = editItem(c.audioOnlyProfile);
        show(item.get(), c.streams);
        const size_t boxes = services.messageBoxes().size();
        clickElement(page->Panel(), CWatermarkDlg::kEnable);
        const auto shown = services.messageBoxes();
        if (c.message) {
            ASSERT_EQ(shown.size(), boxes + 1);
            EXPECT_EQ(shown.back().text, c.message);
            EXPECT_EQ(shown.back().caption, "VideoEdit");
            EXPECT_EQ(shown.back().icon, unsigned(MB_ICONWARNING));
            EXPECT_FALSE(elementChecked(page->Panel(), CWatermarkDlg::kEnable));
            EXPECT_EQ(item->watermark.mode, 0);
            EXPECT_TRUE(mainWindow.seen.empty());
            EXPECT_FALSE(page->TextEdit()->isEnabled());
        } else {
            EXPECT_EQ(shown.size(), boxes);
            // Going to no item afterwards shows the neutral look without a message.
            page->ShowItem(nullptr, {});
            EXPECT_EQ(services.messageBoxes().size(), boxes);
            EXPECT_FALSE(elementChecked(page->Panel(), CWatermarkDlg::kEnable));
            page->ShowItem(item.get(), c.streams);
            EXPECT_EQ(item->watermark.mode, kWatermarkText);
            ASSERT_EQ(mainWindow.seen.size(), 1u);
            EXPECT_EQ(mainWindow.seen[0].msg, kMsgWatermarkChanged);
            EXPECT_TRUE(page->TextEdit()->isEnabled());
            EXPECT_FALSE(page->ImagePathEdit()->isEnabled());
            EXPECT_TRUE(elementDisabled(page->Panel(), CWatermarkDlg::kBrowse));
        }
    }
}

// A font the list lacks shows the face that really draws it (Arial is drawn in the installed
// metric twin), else the first; the item keeps the name it has.
TEST_F(WatermarkPage, AFontNotInstalledShowsTheFaceThatDrawsIt) {
    struct Case {
        std::vector<std::string> installed;
        std::string stored, shown;
    };
    for (const Case& c : {Case{{"DejaVu Sans", "Arial"}, "Arial", "Arial"},
                          Case{{"DejaVu Sans", "Liberation Sans"}, "Arial", "Liberation Sans"},
                          Case{{"Liberation Serif"}, "Old English Text", "Liberation Serif"}}) {
        services.setFontFamilies(c.installed);
        CWatermarkDlg fresh(&mainWindow);
        item->watermark.mode = kWatermarkText;
        item->watermark.fontName = c.stored;
        fresh.ShowItem(item.get(), streamsOf(320, 240));
        EXPECT_EQ(fresh.FontCombo()->currentText().toStdString(), c.shown);
        EXPECT_EQ(item->watermark.fontName, c.stored);
        EXPECT_EQ(fresh.FontCombo()->count(), int(c.installed.size()));
    }
}

TEST_F(WatermarkPage, OnlyKeystrokesThatChangeTheTextReachThePreview) {
    item->watermark.mode = kWatermarkText;
    item->watermark.text = "AB";
    show(item.get(), streamsOf(320, 240));
    CVelEdit* edit = page->TextEdit();
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_C); // "ABC"
    QTest::keyClick(edit, Qt::Key_Backspace); // back to the text shown: the preview must follow
    EXPECT_EQ(item->watermark.text, "AB");
    ASSERT_EQ(mainWindow.seen.size(), 2u);
    // Typing over the selected last letter with the same letter changes nothing.
    edit->setSelection(1, 1);
    QTest::keyClicks(edit, QStringLiteral("B"));
    EXPECT_EQ(edit->text().toStdString(), "AB");
    EXPECT_EQ(mainWindow.seen.size(), 2u);
}

TEST_F(WatermarkPage, SpinStepsStayInTheirRanges) {
    struct Case {
        bool withItem;
        CWatermarkDlg::Spin spin;
        int start, step, shown;
        int stored; // -1: not stored (nothing sent)
    };
    const Case cases[] = {
        {true, CWatermarkDlg::kAlpha, 255, 1, 255, -1},
        {true, CWatermarkDlg::kAlpha, 254, 1, 255, 255},
        {true, CWatermarkDlg::kLeft, 0, -1, 0, -1},
        {true, CWatermarkDlg::kWidth, 320, 1, 320, -1}, // held to the video's width
        {false, CWatermarkDlg::kWidth, 20, -1, 20, -1}, // no item: never below 20
    };
    for (const Case& c : cases) {
        item->watermark.mode = kWatermarkText;
        item->watermark.alpha = item->watermark.left = item->watermark.width = c.start;
        show(c.withItem ? item.get() : nullptr, streamsOf(320, 240));
        if (!c.withItem) {
            // Without an item the controls still step once enabled.
            page->SpinOf(c.spin)->setEnabled(true);
            page->SpinOf(c.spin)->SetPos(c.start);
        }
        page->SpinOf(c.spin)->Step(c.step);
        EXPECT_EQ(page->SpinOf(c.spin)->Pos(), c.shown) << c.spin << " " << c.start;
        EXPECT_EQ(mainWindow.seen.size(), c.stored < 0 ? 0u : 1u) << c.spin << " " << c.start;
        if (c.stored >= 0)
            EXPECT_EQ(item->watermark.alpha, c.stored);
    }
}

TEST_F(WatermarkPage, ResetKeepsTheModeAndConfirmStoresTheControls) {
    item->watermark.mode = kWatermarkText;
    item->watermark.text = "Movara";
    item->watermark.fontSize = 72;
    item->watermark.colour = 0x0000FF;
    show(item.get(), streamsOf(640, 480));
    EXPECT_EQ(page->SizeCombo()->currentText(), QStringLiteral("72"));
    clickElement(page->Panel(), CWatermarkDlg::kReset);
    MediaWatermark expected;
    expected.mode = kWatermarkText;
    EXPECT_EQ(item->watermark, expected);
    ASSERT_EQ(mainWindow.seen.size(), 1u);
    EXPECT_EQ(mainWindow.seen[0].wParam, 0u);

    page->TextEdit()->setText(QStringLiteral("Hello"));
    page->SizeCombo()->setCurrentIndex(page->SizeCombo()->findText(QStringLiteral("24")));
    page->SpinOf(CWatermarkDlg::kTop)->SetPos(100);
    clickElement(page->Panel(), CWatermarkDlg::kApplyToAll);
    mainWindow.seen.clear();
    EXPECT_TRUE(page->confirmPage());
    EXPECT_EQ(item->watermark.text, "Hello");
    EXPECT_EQ(item->watermark.fontSize, 24);
    EXPECT_EQ(item->watermark.top, 100);
    EXPECT_EQ(item->watermark.fontName, "Arial");
    ASSERT_EQ(mainWindow.seen.size(), 1u);
    EXPECT_EQ(mainWindow.seen[0].wParam, 3u);
    EXPECT_FALSE(elementChecked(page->Panel(), CWatermarkDlg::kApplyToAll));
}

TEST_F(WatermarkPage, BrowseOffersTheImageFormatsAndStoresTheChoice) {
    item->watermark.mode = kWatermarkImage;
    show(item.get(), streamsOf(320, 240));
    EXPECT_TRUE(page->ImagePathEdit()->isEnabled());
    services.queueOpenFiles({"/pictures/logo.png"});
    clickElement(page->Panel(), CWatermarkDlg::kBrowse);
    ASSERT_EQ(services.openFilesDialogs().size(), 1u);
    const std::string filter = services.openFilesDialogs()[0].filter;
    EXPECT_EQ(filter.rfind("All (*.tif;*.tiff;*.gif;*.png;*.jpg;*.jpeg;*.jfif;*.bmp;*.ico;*.emf;"
                           "*.wmf)|*.tif;",
                           0),
              0u)
        << filter;
    EXPECT_NE(filter.find("|GIF CompuServer GIF(*.gif)|*.gif|"), std::string::npos) << filter;
    EXPECT_EQ(item->watermark.imagePath, "/pictures/logo.png");
    EXPECT_EQ(page->ImagePathEdit()->text(), QStringLiteral("/pictures/logo.png"));
    EXPECT_EQ(mainWindow.seen.size(), 1u);
}

} // namespace
