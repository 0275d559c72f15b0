// The docking layout against the main window's eight panes, and the dialog's hit test.
#include "DockLayout.h"
#include "CBaseDialog.h"
#include "CCaptionWnd.h"
#include "SkinUiTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct PaneRow {
    int id;
    int32_t anchors;
    int width;
    int height;
    int inset; // pixels on each side, 0 for none
};

// The main window's panes after the caption, in registration order.
const PaneRow kMainPanes[] = {
    {103, kAnchorTop | kAnchorLeft, 0, 40, 0},        // tool bar
    {104, kAnchorBottom | kAnchorLeft, 0, 26, 0},     // status bar
    {108, kAnchorBottom | kAnchorRight, 220, 130, 1}, // action pane
    {107, kAnchorBottom | kAnchorLeft, 0, 130, 1},    // save-to pane
    {109, kAnchorBottom | kAnchorLeft, 500, 0, 0},    // file list
    {110, kAnchorBottom | kAnchorRight, 0, 88, 0},    // play control
    {111, kAnchorBottom | kAnchorRight, 0, 0, 5},     // video surface
};

// The rectangles the main window's layout gives a client area of W x H.
std::map<int, QRect> expectedRects(int w, int h) {
    auto r = [](int l, int t, int rr, int b) { return QRect(l, t, rr - l, b - t); };
    return {{101, r(0, 0, w, 30)},
            {103, r(0, 30, w, 70)},
            {104, r(0, h - 26, w, h)},
            {108, r(w - 220, h - 156, w, h - 26)},
            {107, r(0, h - 156, w - 220, h - 26)},
            {109, r(0, 70, 500, h - 156)},
            {110, r(500, h - 244, w, h - 156)},
            {111, r(500, 70, w, h - 244)}};
}

class MainLayoutDialog : public CBaseDialog {
public:
    explicit MainLayoutDialog(CBaseSkin* skin) : CBaseDialog(102, nullptr, 47, skin) {
        for (const PaneRow& row : kMainPanes) {
            auto* pane = new QWidget(this);
            pane->setObjectName(QString::number(row.id));
            PanePlacement record =
                PanePlacement::make(pane, row.id, row.anchors, row.width, row.height);
            if (row.inset) {
                record.inset = 1;
                record.insetX = record.insetY = row.inset;
            }
            AddPane(record);
            panes[row.id] = pane;
        }
        panes[101] = Caption();
    }
    std::map<int, QWidget*> panes;
};

class SkinUiDockLayout : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override { testApp(); }
    TestSkin skin;
};

TEST_P(SkinUiDockLayout, MainWindowPanesMatchTheirRectangles) {
    const QSize size = GetParam();
    MainLayoutDialog dialog(&skin.skin());
    dialog.resize(size);
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return dialog.size() == size; }));

    const auto expected = expectedRects(size.width(), size.height());
    ASSERT_EQ(dialog.Panes().size(), 8u);
    for (const auto& record : dialog.Panes()) {
        const QRect outer = expected.at(record->id);
        EXPECT_EQ(record->rect().toQRect(), outer) << "pane " << record->id;
        const int inset = record->inset ? record->insetX : 0;
        EXPECT_EQ(dialog.panes[record->id]->geometry(),
                  outer.adjusted(inset, inset, -inset, -inset))
            << "pane " << record->id;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SkinUiDockLayout,
                         ::testing::Values(QSize(880, 560), QSize(1280, 800), QSize(1000, 700)));

TEST(SkinUiDockLayoutRules, ShrinkingKeepsTheActionPaneInTheCorner) {
    testApp();
    TestSkin skin;
    MainLayoutDialog dialog(&skin.skin());
    dialog.resize(1280, 800);
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return dialog.width() == 1280; }));
    dialog.resize(900, 600);
    ASSERT_TRUE(waitUntil([&] { return dialog.width() == 900; }));
    EXPECT_EQ(dialog.panes[108]->geometry(), QRect(900 - 220 + 1, 600 - 156 + 1, 218, 128));
    EXPECT_EQ(dialog.panes[107]->geometry(), QRect(1, 600 - 156 + 1, 900 - 220 - 2, 128));
}

TEST(SkinUiDockLayoutRules, AddingAPaneTwiceKeepsOneRecord) {
    testApp();
    TestSkin skin;
    CBaseDialog dialog(555, nullptr, 63, &skin.skin());
    QWidget pane(&dialog);
    EXPECT_TRUE(dialog.AddPane(PanePlacement::make(&pane, 7, kAnchorTop | kAnchorLeft, 0, 40)));
    EXPECT_FALSE(dialog.AddPane(PanePlacement::make(&pane, 8, kAnchorBottom | kAnchorLeft, 0, 10)));
    ASSERT_EQ(dialog.Panes().size(), 2u); // the caption and this pane
    EXPECT_EQ(dialog.Panes()[1]->id, 7);
}

TEST(SkinUiDockLayoutRules, PercentagesAndMarginsTruncateTowardZero) {
    // One pane taking 33.3 % of the width left of a 7 px margin in a 101 px wide area.
    PanePlacementList list;
    QWidget dummy;
    auto record = std::make_unique<PanePlacement>(
        PanePlacement::make(&dummy, 1, kAnchorTop | kAnchorLeft, 0, 10));
    record->percentX = 33.3f;
    record->marginLeft = 7;
    list.push_back(std::move(record));
    const LayoutRect r = dockPaneRect({0, 0, 101, 50}, list, 0);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.right, 7 + 31); // (101 - 7) * 0.333 = 31.3
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.bottom, 10);
}

TEST(SkinUiDockLayoutRules, SubtractionCutsOnlyAWholeSide) {
    const LayoutRect a{0, 0, 100, 100};
    EXPECT_EQ(subtractRect(a, {0, 0, 100, 30}), (LayoutRect{0, 30, 100, 100}));
    EXPECT_EQ(subtractRect(a, {80, -5, 120, 105}), (LayoutRect{0, 0, 80, 100}));
    EXPECT_EQ(subtractRect(a, {10, 10, 20, 20}), a);              // a hole: unchanged
    EXPECT_EQ(subtractRect(a, {0, 0, 50, 50}), a);                // a corner: unchanged
    EXPECT_EQ(subtractRect(a, {-1, -1, 101, 101}), LayoutRect{}); // all of it
}

TEST(SkinUiHitTest, OnePixelRingSizesTheWindow) {
    struct Case {
        int x, y, expected;
    } const cases[] = {
        {0, 0, HTTOPLEFT},     {1, 0, HTTOPLEFT},       {0, 1, HTTOPLEFT},
        {50, 0, HTTOP},        {0, 50, HTLEFT},         {99, 50, HTRIGHT},
        {50, 79, HTBOTTOM},    {99, 0, HTTOPRIGHT},     {98, 0, HTTOPRIGHT},
        {99, 1, HTTOPRIGHT},   {0, 79, HTBOTTOMLEFT},   {1, 79, HTBOTTOMLEFT},
        {0, 78, HTBOTTOMLEFT}, {99, 79, HTBOTTOMRIGHT}, {98, 79, HTBOTTOMRIGHT},
        {1, 1, HTCLIENT},      {98, 1, HTCLIENT},       {1, 78, HTCLIENT},
        {98, 78, HTCLIENT},    {50, 40, HTCLIENT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dialogHitTest(c.x, c.y, 100, 80, 63), c.expected) << c.x << "," << c.y;
    // Without the maximise bit nothing moves or sizes the window through the hit test.
    for (const Case& c : cases)
        EXPECT_EQ(dialogHitTest(c.x, c.y, 100, 80, 0x1 | 0x4 | 0x8 | 0x20), HTBORDER);
}

} // namespace
