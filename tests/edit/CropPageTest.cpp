// The "Crop" page: showing an item, drags mapped to source pixels and fitted to the aspect
// ratio, the spin steps' two thresholds, reset and confirm.
#include "CSpinCtrl.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVideoCropDlg.h"
#include "CVideoCropWnd.h"
#include "EditMessages.h"
#include "EditTestSupport.h"
#include "MediaGenerators.h"
#include "QtTestSupport.h"

#include <QTest>

namespace {

class CropPage : public EditPageTest {
protected:
    void SetUp() override {
        testApp();
        page = std::make_unique<CVideoCropDlg>(&mainWindow);
        page->resize(479, 328);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    void show(int width, int height, int aspectMode) {
        item = editItem();
        item->crop.aspectMode = aspectMode;
        page->ShowItem(item.get(), streamsOf(width, height));
        mainWindow.seen.clear();
    }
    // A drag whose rectangle maps one to one onto source pixels.
    void drag(int left, int top, int right, int bottom) {
        CropArea area{0, 0, page->Source().width, page->Source().height};
        CropArea dragged{left, top, right, bottom};
        sendMessage(page.get(), kMsgCropDragged, reinterpret_cast<uintptr_t>(&area),
                    reinterpret_cast<intptr_t>(&dragged));
    }
    MediaCrop edges(int left, int top, int right, int bottom) const {
        return {item->crop.aspectMode, left, top, right, bottom};
    }
    std::unique_ptr<MediaItem> item;
    std::unique_ptr<CVideoCropDlg> page;
};

TEST_F(CropPage, ShowingAnItemSelectsTheWholePicture) {
    show(640, 480, 0);
    EXPECT_EQ(item->crop, edges(0, 0, 640, 480));
    EXPECT_EQ(page->SpinOf(CVideoCropDlg::kRight)->Pos(), 640);
    EXPECT_EQ(page->SpinOf(CVideoCropDlg::kLeft)->Upper(), 580);
    EXPECT_TRUE(page->AspectCombo()->isEnabled());
    // Without a picture the item stays untouched and the page shows 320 x 240.
    auto audio = editItem();
    page->ShowItem(audio.get(), streamsOf(0, 0));
    EXPECT_EQ(audio->crop, MediaCrop{});
    EXPECT_EQ(page->SpinOf(CVideoCropDlg::kBottom)->Pos(), 240);
    EXPECT_FALSE(page->AspectCombo()->isEnabled());
}

TEST_F(CropPage, DragsMapToSourcePixelsAndFitTheRatio) {
    struct Case {
        int width, height, aspectMode;
        CropArea dragged;
        MediaCrop stored; // aspect mode ignored
        bool sent;
    };
    const Case cases[] = {
        {640, 480, 1, {0, 0, 400, 100}, {0, 0, 0, 400, 300}, true},      // 4 : 3
        {640, 480, 2, {0, 0, 400, 300}, {0, 0, 0, 400, 225}, true},      // 16 : 9
        {500, 400, 0, {0, 0, 400, 100}, {0, 0, 0, 400, 100}, true},      // "Original" at 1.25
        {640, 480, -1, {10, 10, 400, 100}, {0, 10, 10, 400, 100}, true}, // free
        {640, 480, 1, {100, 0, 159, 300}, {0, 0, 0, 640, 480}, false},   // 59 wide: ignored
        {640, 480, 1, {100, 100, 300, 139}, {0, 0, 0, 640, 480}, false}, // 39 high: ignored
    };
    for (const Case& c : cases) {
        show(c.width, c.height, c.aspectMode);
        drag(c.dragged.left, c.dragged.top, c.dragged.right, c.dragged.bottom);
        const MediaCrop expected =
            edges(c.stored.left, c.stored.top, c.stored.right, c.stored.bottom);
        EXPECT_EQ(item->crop, expected) << c.aspectMode << " " << c.dragged.right;
        EXPECT_EQ(page->SpinOf(CVideoCropDlg::kBottom)->Pos(), expected.bottom);
        EXPECT_EQ(mainWindow.seen.size(), c.sent ? 1u : 0u);
    }
}

TEST_F(CropPage, AMouseDragInTheDrawingAreaReachesTheItem) {
    show(640, 480, -1);
    CVideoCropWnd* panel = page->CropPanel();
    const QRect area = panel->PictureArea();
    QTest::mousePress(panel, Qt::LeftButton, {}, area.topLeft());
    QTest::mouseMove(panel, area.center());
    QTest::mouseMove(panel, area.bottomRight() + QPoint(50, 50)); // held to the area
    QTest::mouseRelease(panel, Qt::LeftButton, {}, area.bottomRight());
    EXPECT_EQ(item->crop, edges(0, 0, 640, 480));
    ASSERT_EQ(mainWindow.seen.size(), 1u);
    EXPECT_EQ(mainWindow.seen[0].msg, kMsgCropChanged);
}

TEST_F(CropPage, ThePictureKeepsItsShapeInTheDrawingArea) {
    CVideoCropWnd* panel = page->CropPanel();
    const QRect inner = panel->DrawingArea().adjusted(1, 1, -1, -1);
    struct Case {
        int width, height;
    };
    for (const Case& c : {Case{1280, 720}, Case{640, 480}, Case{480, 640}, Case{2400, 600}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        show(c.width, c.height, -1);
        const QRect picture = panel->PictureArea();
        EXPECT_TRUE(inner.contains(picture));
        // As large as fits: one side spans the area; the shape is the source's.
        EXPECT_TRUE(picture.width() == inner.width() || picture.height() == inner.height());
        EXPECT_NEAR(double(picture.width()) / picture.height(), double(c.width) / c.height, 0.02);
        // Centred.
        EXPECT_LE(std::abs(picture.center().x() - inner.center().x()), 1);
        EXPECT_LE(std::abs(picture.center().y() - inner.center().y()), 1);
    }
    // A drag over the bars is held to the picture: all of it.
    show(1280, 720, -1);
    const QRect picture = panel->PictureArea();
    QTest::mousePress(panel, Qt::LeftButton, {}, picture.topLeft());
    QTest::mouseMove(panel, inner.bottomRight());
    QTest::mouseRelease(panel, Qt::LeftButton, {}, inner.bottomRight());
    EXPECT_EQ(item->crop, edges(0, 0, 1280, 720));
}

TEST_F(CropPage, NumbersTypedMoveTheRectangleAtOnce) {
    show(640, 480, -1);
    CVideoCropWnd* panel = page->CropPanel();
    CVelEdit* right = page->SpinOf(CVideoCropDlg::kRight)->Buddy()
                          ? static_cast<CVelEdit*>(page->SpinOf(CVideoCropDlg::kRight)->Buddy())
                          : nullptr;
    ASSERT_NE(right, nullptr);
    right->selectAll();
    QTest::keyClicks(right, "32");
    // 32 is no rectangle yet (under 60 wide): nothing moves.
    EXPECT_EQ(item->crop, edges(0, 0, 640, 480));
    EXPECT_TRUE(mainWindow.seen.empty());
    QTest::keyClicks(right, "0");
    EXPECT_EQ(item->crop, edges(0, 0, 320, 480));
    ASSERT_EQ(mainWindow.seen.size(), 1u);
    EXPECT_EQ(mainWindow.seen[0].msg, kMsgCropChanged);
    EXPECT_EQ(mainWindow.seen[0].wParam, 0u);
    EXPECT_NEAR(panel->CropRect().width(), 0.5, 1e-9);
    EXPECT_NEAR(panel->CropRect().height(), 1.0, 1e-9);
    // Past the source: held to it.
    CVelEdit* bottom = static_cast<CVelEdit*>(page->SpinOf(CVideoCropDlg::kBottom)->Buddy());
    bottom->selectAll();
    QTest::keyClicks(bottom, "9999");
    EXPECT_EQ(item->crop, edges(0, 0, 320, 480));
    bottom->selectAll();
    QTest::keyClicks(bottom, "240");
    EXPECT_EQ(item->crop, edges(0, 0, 320, 240));
    EXPECT_NEAR(panel->CropRect().height(), 0.5, 1e-9);
    // Cancel puts the rectangle back.
    page->cancelPage();
    EXPECT_EQ(item->crop, edges(0, 0, 640, 480));
}

TEST_F(CropPage, SpinStepsAreRefusedStoredOrOnlyShown) {
    struct Case {
        CVideoCropDlg::Edge edge;
        MediaCrop before;
        int step;
        int shown;      // the spin afterwards
        int32_t stored; // the edge in the item afterwards
    };
    // Free aspect, 640 x 480.
    const Case cases[] = {
        {CVideoCropDlg::kLeft, {-1, 339, 0, 400, 480}, 1, 340, 340}, // right - 60: stored
        {CVideoCropDlg::kLeft, {-1, 340, 0, 400, 480}, 1, 341, 340}, // moves, not stored
        {CVideoCropDlg::kLeft, {-1, 370, 0, 400, 480}, 1, 370, 370}, // right - 30: refused
        {CVideoCropDlg::kRight, {-1, 0, 0, 640, 480}, 1, 640, 640},  // past the source
        {CVideoCropDlg::kBottom, {-1, 0, 100, 640, 141}, -1, 140, 140},
        {CVideoCropDlg::kBottom, {-1, 0, 100, 640, 140}, -1, 139, 140},
        {CVideoCropDlg::kTop, {-1, 0, 0, 640, 480}, -1, 0, 0},
    };
    for (const Case& c : cases) {
        show(640, 480, -1);
        item->crop = c.before;
        page->ShowItem(item.get(), streamsOf(640, 480));
        page->SpinOf(c.edge)->Step(c.step);
        const int32_t fields[] = {item->crop.left, item->crop.top, item->crop.right,
                                  item->crop.bottom};
        EXPECT_EQ(page->SpinOf(c.edge)->Pos(), c.shown) << c.edge << " " << c.step;
        EXPECT_EQ(fields[c.edge], c.stored) << c.edge << " " << c.step;
    }
    // "Confirm" after a step that was only shown widens the rectangle to the minimum.
    show(640, 480, -1);
    item->crop = {-1, 340, 0, 400, 480};
    page->ShowItem(item.get(), streamsOf(640, 480));
    page->SpinOf(CVideoCropDlg::kLeft)->Step(1);
    EXPECT_TRUE(page->confirmPage());
    EXPECT_EQ(item->crop, (MediaCrop{-1, 341, 0, 401, 480}));
    EXPECT_EQ(mainWindow.seen.back().wParam, 1u);
}

TEST_F(CropPage, ResetKeepsTheAspectModeAndCancelRestores) {
    show(640, 480, 2);
    drag(0, 0, 320, 180);
    ASSERT_EQ(item->crop, edges(0, 0, 320, 180));
    clickElement(page->Panel(), CVideoCropDlg::kReset);
    EXPECT_EQ(item->crop, (MediaCrop{2, 0, 0, 640, 480}));
    EXPECT_EQ(page->AspectCombo()->currentIndex(), 2);
    drag(0, 0, 320, 180);
    mainWindow.seen.clear();
    page->cancelPage();
    EXPECT_EQ(item->crop, (MediaCrop{2, 0, 0, 640, 480}));
    EXPECT_EQ(mainWindow.seen.size(), 1u);
}

} // namespace

TEST_F(CropPage, TheDrawingAreaShowsTheItemsPictureDimmedOutsideTheChosenRectangle) {
    // Red on the left half, blue on the right, the second second green all over: the picture
    // shown is the one at the item's clip begin.
    testmedia::SourceSpec spec;
    spec.width = 320;
    spec.height = 240;
    spec.seconds = 2.0;
    spec.videoFilter = "color=c=red:s=320x240:r=25:d=2,drawbox=x=160:y=0:w=160:h=240:c=blue:t=fill,"
                       "drawbox=enable='gte(t,1)':x=0:y=0:w=320:h=240:c=green:t=fill";
    std::string error;
    const std::string file = testmedia::generate(spec, &error);
    ASSERT_FALSE(file.empty()) << error;

    item = editItem();
    item->sourcePath = file;
    item->crop = {-1, 160, 0, 320, 240}; // the blue half
    page->ShowItem(item.get(), streamsOf(320, 240));
    CVideoCropWnd* panel = page->CropPanel();
    const QRect area = panel->PictureArea();
    auto colourAt = [&](double fx, double fy) {
        const QImage shot = panel->grab().toImage();
        return shot.pixelColor(area.left() + int(fx * area.width()),
                               area.top() + int(fy * area.height()));
    };
    const QColor inside = colourAt(0.75, 0.5);
    EXPECT_TRUE(panel->HasPicture());
    if (const QByteArray folder = qgetenv("MOVARA_SHOTS"); !folder.isEmpty())
        page->grab().save(QString::fromUtf8(folder) + "/crop_page_picture.png");
    const QColor outside = colourAt(0.25, 0.5);
    EXPECT_GT(inside.blue(), 200) << inside.name().toStdString();
    EXPECT_LT(inside.red(), 60);
    // Red, dimmed: still red, far from full.
    EXPECT_GT(outside.red(), 50) << outside.name().toStdString();
    EXPECT_LT(outside.red(), 160);
    EXPECT_LT(outside.blue(), 40);
    // The frame of the rectangle at its left edge.
    const QImage shot = panel->grab().toImage();
    int frame = 0;
    for (int x = area.center().x() - 3; x <= area.center().x() + 3; ++x)
        frame += shot.pixelColor(x, area.center().y()) == QColor(Qt::red) ? 1 : 0;
    EXPECT_EQ(frame, 1);

    // A later clip begin shows the later picture; a drag's rectangle stays after the release.
    item->clipBegin = 1500;
    page->ShowItem(item.get(), streamsOf(320, 240));
    EXPECT_GT(colourAt(0.75, 0.5).green(), 100);
    QTest::mousePress(panel, Qt::LeftButton, {}, area.topLeft());
    QTest::mouseMove(panel, area.center());
    QTest::mouseRelease(panel, Qt::LeftButton, {}, area.center());
    EXPECT_EQ(item->crop.left, 0);
    EXPECT_NEAR(item->crop.right, 160, 3);
    EXPECT_NEAR(item->crop.bottom, 120, 3);
    EXPECT_LT(colourAt(0.75, 0.75).green(), 100); // outside now: dimmed
    EXPECT_GT(colourAt(0.25, 0.25).green(), 100);
}
