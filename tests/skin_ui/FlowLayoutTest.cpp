// The flow layout of pane items: wrapping of left- and right-flowing items, bottom rows, natural
// sizes measured from the skin's image and the caption.
#include "FlowLayout.h"
#include "CBaseWnd.h"
#include "SkinUiTestSupport.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

namespace {

struct ItemSpec {
    int placement;
    int width, height;
    int marginLeft = 0, marginRight = 0, marginTop = 0, marginBottom = 0;
};

// Places the items one after the other, each with its own size as natural size.
std::vector<QRect> flow(const LayoutRect& client, const std::vector<ItemSpec>& specs) {
    PaneItemList items;
    for (size_t i = 0; i < specs.size(); ++i) {
        auto item = std::make_unique<PaneItem>();
        item->id = static_cast<int>(i + 1);
        item->placement = specs[i].placement | kPlaceFixedWidth | kPlaceFixedHeight;
        item->setSize(specs[i].width, specs[i].height);
        item->setMargins(specs[i].marginLeft, specs[i].marginRight, specs[i].marginTop,
                         specs[i].marginBottom);
        items.push_back(std::move(item));
    }
    std::vector<QRect> out;
    for (size_t i = 0; i < items.size(); ++i) {
        const QSize natural(items[i]->right - items[i]->left, items[i]->bottom - items[i]->top);
        items[i]->setRect(flowItemRect(client, items, i, natural));
        out.push_back(items[i]->rect().toQRect());
    }
    return out;
}

struct FlowCase {
    const char* name;
    std::vector<ItemSpec> items;
    std::vector<QRect> expected;
};

class SkinUiFlowLayout : public ::testing::TestWithParam<FlowCase> {};

TEST_P(SkinUiFlowLayout, PlacesItems) {
    const FlowCase& c = GetParam();
    EXPECT_EQ(flow({0, 0, 100, 60}, c.items), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinUiFlowLayout,
    ::testing::Values(FlowCase{"LeftFlowWrapsToTheLeftEdge",
                               {{kPlaceTopLeft, 40, 10, 2, 0, 3},
                                {kPlaceTopLeft, 40, 10, 2, 0, 3},
                                {kPlaceTopLeft, 40, 10, 2, 0, 3}},
                               {QRect(2, 3, 40, 10), QRect(44, 3, 40, 10), QRect(2, 16, 40, 10)}},
                      FlowCase{"AMarginThatWouldPassTheEdgeWraps",
                               {{kPlaceTopLeft, 46, 10, 5}, {kPlaceTopLeft, 46, 10, 5}},
                               {QRect(5, 0, 46, 10), QRect(5, 10, 46, 10)}},
                      FlowCase{"EachOnANewLine",
                               {{kPlaceTopLeftLine, 30, 10}, {kPlaceTopLeftLine, 30, 12}},
                               {QRect(0, 0, 30, 10), QRect(0, 10, 30, 12)}},
                      FlowCase{"RightFlowGoesLeftThenWrapsBelowAtTheRightEdge",
                               {{kPlaceTopRight, 40, 10, 0, 2, 4},
                                {kPlaceTopRight, 40, 10, 0, 2, 4},
                                {kPlaceTopRight, 40, 10, 0, 2, 4}},
                               {QRect(58, 4, 40, 10), QRect(16, 4, 40, 10), QRect(58, 18, 40, 10)}},
                      FlowCase{"BottomRowsFlowAndWrapUpwards",
                               {{kPlaceBottomLeft, 60, 10, 0, 0, 0, 1},
                                {kPlaceBottomLeft, 60, 10, 0, 0, 0, 1},
                                {kPlaceBottomRight, 30, 8}},
                               {QRect(0, 49, 60, 10), QRect(0, 38, 60, 10), QRect(70, 52, 30, 8)}},
                      FlowCase{
                          "LeftAndRightShareTheTopLine",
                          {{kPlaceTopLeft, 30, 10, 8, 0, 4}, {kPlaceTopRight, 30, 10, 0, 8, 6}},
                          {QRect(8, 4, 30, 10), QRect(62, 6, 30, 10)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SkinUiFlowLayoutRules, PercentageItemsFillTheRestOfTheLine) {
    PaneItemList items;
    auto first = std::make_unique<PaneItem>();
    first->placement = kPlaceTopLeft | kPlaceFixedHeight;
    first->setSize(0, 20);
    first->setMargins(4, 4, 4, 0);
    items.push_back(std::move(first));
    const LayoutRect r = flowItemRect({0, 0, 218, 128}, items, 0, QSize(40, 20));
    EXPECT_EQ(r.toQRect(), QRect(4, 4, 210, 20)); // full width less the margins
}

TEST(SkinUiFlowLayoutRules, FixedRectangleIsNeverMoved) {
    PaneItemList items;
    auto item = std::make_unique<PaneItem>();
    item->placement = kPlaceFixedRect | kPlaceTopLeft;
    item->setRect({33, 44, 55, 66});
    items.push_back(std::move(item));
    EXPECT_EQ(flowItemRect({0, 0, 200, 200}, items, 0, QSize(10, 10)),
              (LayoutRect{33, 44, 55, 66}));
}

class SkinUiNaturalSize : public ::testing::Test {
protected:
    void SetUp() override { testApp(); }
    TestSkin skin;
};

TEST_F(SkinUiNaturalSize, MeasuredFromImageTextAndBox) {
    CBaseWnd pane(&skin.skin());
    PaneItem item;
    const QFontMetrics metrics(pane.ItemFont(item));
    const QSize image = TestSkin::imageSize(CVelSkin::kAddFile);

    item.imageId = CVelSkin::kAddFile;
    EXPECT_EQ(pane.NaturalSize(item), image);

    item.caption = QStringLiteral("Add media");
    item.gap = 2;
    EXPECT_EQ(pane.NaturalSize(item),
              QSize(image.width() + metrics.horizontalAdvance(item.caption) + 2,
                    std::max(image.height(), metrics.height())));

    PaneItem box;
    box.caption = QStringLiteral("Shutdown when finish");
    box.behaviour = kItemCheckBox;
    EXPECT_EQ(pane.NaturalSize(box).width(),
              metrics.horizontalAdvance(box.caption) + metrics.height());

    PaneItem fixedHeight = item;
    fixedHeight.placement = kPlaceTopLeft | kPlaceNatural | kPlaceFixedHeight;
    fixedHeight.setSize(0, 30);
    EXPECT_EQ(pane.NaturalSize(fixedHeight).height(), 30);

    PaneItem empty;
    EXPECT_EQ(pane.NaturalSize(empty), QSize(40, 20));

    // Under a classic skin an item is measured in its own font, by default Times New Roman
    // 10 point; a font given to the item wins.
    EXPECT_EQ(pane.ItemFont(empty), PaneItem::defaultFont());
    PaneItem own;
    own.font = QFont(QStringLiteral("DejaVu Sans"), 20);
    own.caption = QStringLiteral("Big");
    EXPECT_EQ(pane.ItemFont(own), own.font);
    EXPECT_EQ(pane.NaturalSize(own).width(), QFontMetrics(own.font).horizontalAdvance("Big"));
}

} // namespace
