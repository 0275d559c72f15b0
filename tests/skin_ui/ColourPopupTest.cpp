// The colour button and its pop-up: messages in order, keyboard walk with wrapping, Escape and
// Enter, the mouse, and "More Colors..." through the platform's colour dialog.
#include "CColorButton.h"
#include "CColourPopup.h"
#include "SkinUiTestSupport.h"

#include "FakePlatformServices.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kButtonId = 1036;
constexpr int kRed = 16; // "Red" in the table
constexpr uint32_t kRedColour = 0x0000FF;

class SkinUiColourPopup : public ::testing::Test {
protected:
    void SetUp() override {
        owner.resize(200, 100);
        button.setGeometry(10, 10, 48, 22);
        button.SetColour(kRedColour);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    }

    CColourPopup* openPopup() {
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_TRUE(waitUntil([&] { return button.Popup() && button.Popup()->isVisible(); }));
        return button.Popup();
    }
    void press(CColourPopup* popup, std::initializer_list<Qt::Key> keys) {
        for (Qt::Key key : keys)
            QTest::keyClick(popup, key);
    }
    bool closed() {
        return waitUntil([&] { return !button.Popup(); });
    }

    FakePlatformServices services;
    ScopedPlatformServices installed{services};
    RecordingTarget owner;
    CColorButton button{&owner, kButtonId};
};

TEST_F(SkinUiColourPopup, OpensBelowTheButtonOnTheCurrentColour) {
    CColourPopup* popup = openPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->geometry().topLeft(), button.mapToGlobal(QPoint(0, button.height())));
    EXPECT_EQ(popup->HotCell(), kRed);
    EXPECT_TRUE(button.IsPopupOpen());
    ASSERT_EQ(owner.messages(), std::vector<unsigned>{kMsgColorDropDown});
    EXPECT_EQ(owner.calls[0].wParam, kRedColour);
    EXPECT_EQ(owner.calls[0].lParam, kButtonId);
}

TEST_F(SkinUiColourPopup, EscapeAfterMovingRestoresAndReportsTheInitialColour) {
    CColourPopup* popup = openPopup();
    press(popup, {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left});
    EXPECT_EQ(popup->HotCell(), kRed + 8);
    press(popup, {Qt::Key_Escape});
    ASSERT_TRUE(closed());
    EXPECT_EQ(owner.messages(),
              (std::vector<unsigned>{kMsgColorDropDown, kMsgColorCloseUp, kMsgColorSelEndCancel}));
    EXPECT_EQ(owner.calls.back().wParam, kRedColour);
    EXPECT_EQ(owner.calls.back().lParam, kButtonId);
    EXPECT_EQ(button.Colour(), kRedColour);
    EXPECT_FALSE(button.IsPopupOpen());
}

TEST_F(SkinUiColourPopup, EnterChoosesAndReportsAChangeAfterTheChoice) {
    CColourPopup* popup = openPopup();
    press(popup, {Qt::Key_Right, Qt::Key_Return});
    ASSERT_TRUE(closed());
    const uint32_t lightOrange = kColourTable[kRed + 1].colour;
    EXPECT_EQ(owner.messages(), (std::vector<unsigned>{kMsgColorDropDown, kMsgColorCloseUp,
                                                       kMsgColorSelEndOk, kMsgColorSelChange}));
    for (size_t i = 1; i < owner.calls.size(); ++i)
        EXPECT_EQ(owner.calls[i].wParam, lightOrange);
    EXPECT_EQ(button.Colour(), lightOrange);

    owner.clear();
    press(openPopup(), {Qt::Key_Space}); // the same colour again: no change reported
    ASSERT_TRUE(closed());
    EXPECT_EQ(owner.messages(),
              (std::vector<unsigned>{kMsgColorDropDown, kMsgColorCloseUp, kMsgColorSelEndOk}));
}

TEST_F(SkinUiColourPopup, LiveTrackingReportsEachMove) {
    button.SetTrackSelection(true);
    CColourPopup* popup = openPopup();
    press(popup, {Qt::Key_Up, Qt::Key_Up});
    EXPECT_EQ(owner.messages(),
              (std::vector<unsigned>{kMsgColorDropDown, kMsgColorSelChange, kMsgColorSelChange}));
    EXPECT_EQ(owner.calls[2].wParam, kColourTable[kRed - 16].colour);
    EXPECT_EQ(button.Colour(), kColourTable[kRed - 16].colour);
    press(popup, {Qt::Key_Escape});
    ASSERT_TRUE(closed());
    EXPECT_EQ(button.Colour(), kRedColour);
}

struct WalkCase {
    int from;
    Qt::Key key;
    int to;
};

TEST_F(SkinUiColourPopup, ArrowKeysWrapBetweenRowsAndOntoTheButtons) {
    const WalkCase cases[] = {
        {7, Qt::Key_Right, 8},
        {8, Qt::Key_Left, 7},
        {39, Qt::Key_Right, CColourPopup::kCustomBox},
        {CColourPopup::kCustomBox, Qt::Key_Right, CColourPopup::kDefaultBox},
        {CColourPopup::kDefaultBox, Qt::Key_Right, 0},
        {0, Qt::Key_Left, CColourPopup::kDefaultBox},
        {CColourPopup::kDefaultBox, Qt::Key_Left, CColourPopup::kCustomBox},
        {CColourPopup::kCustomBox, Qt::Key_Left, 39},
        {35, Qt::Key_Down, CColourPopup::kCustomBox},
        {CColourPopup::kCustomBox, Qt::Key_Down, CColourPopup::kDefaultBox},
        {CColourPopup::kDefaultBox, Qt::Key_Down, 0},
        {3, Qt::Key_Up, CColourPopup::kDefaultBox},
        {CColourPopup::kDefaultBox, Qt::Key_Up, CColourPopup::kCustomBox},
        {CColourPopup::kCustomBox, Qt::Key_Up, 39},
        {12, Qt::Key_Up, 4},
    };
    for (const WalkCase& c : cases) {
        button.SetColour(c.from >= 0                           ? kColourTable[c.from].colour
                         : c.from == CColourPopup::kDefaultBox ? kColourAutomatic
                                                               : 0x010203); // not in the table
        CColourPopup* popup = openPopup();
        ASSERT_EQ(popup->HotCell(), c.from);
        press(popup, {c.key});
        EXPECT_EQ(popup->HotCell(), c.to) << c.from << " key " << c.key;
        press(popup, {Qt::Key_Escape});
        ASSERT_TRUE(closed());
    }
}

TEST_F(SkinUiColourPopup, MouseReleaseInsideChoosesTheCellUnderIt) {
    CColourPopup* popup = openPopup();
    const QPoint cell = popup->CellRect(3).center();
    QTest::mouseMove(popup, cell);
    EXPECT_EQ(popup->HotCell(), 3);
    QTest::mouseClick(popup, Qt::LeftButton, {}, cell);
    ASSERT_TRUE(closed());
    EXPECT_EQ(button.Colour(), kColourTable[3].colour);
    EXPECT_EQ(owner.calls[2].msg, kMsgColorSelEndOk);
}

TEST_F(SkinUiColourPopup, MoreColorsAsksThePlatformDialog) {
    services.queueColor(0x123456);
    CColourPopup* popup = openPopup();
    press(popup, {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up}); // to Automatic, then below
    ASSERT_EQ(popup->HotCell(), CColourPopup::kCustomBox);
    press(popup, {Qt::Key_Return});
    ASSERT_TRUE(closed());
    EXPECT_EQ(services.colorDialogs(), std::vector<uint32_t>{kRedColour});
    EXPECT_EQ(button.Colour(), 0x123456u);
    EXPECT_EQ(owner.callsOf(kMsgColorSelEndOk).size(), 1u);

    owner.clear();
    services.queueColor(std::nullopt); // the dialog is cancelled
    popup = openPopup();               // 0x123456 is no table colour: "More Colors..." is hot
    ASSERT_EQ(popup->HotCell(), CColourPopup::kCustomBox);
    press(popup, {Qt::Key_Return});
    ASSERT_TRUE(closed());
    EXPECT_EQ(owner.messages(),
              (std::vector<unsigned>{kMsgColorDropDown, kMsgColorCloseUp, kMsgColorSelEndCancel}));
    EXPECT_EQ(button.Colour(), 0x123456u);
}

TEST_F(SkinUiColourPopup, ClosingFromOutsideCancels) {
    CColourPopup* popup = openPopup();
    press(popup, {Qt::Key_Right});
    popup->close();
    ASSERT_TRUE(closed());
    EXPECT_EQ(owner.calls.back().msg, kMsgColorSelEndCancel);
    EXPECT_EQ(button.Colour(), kRedColour);
}

} // namespace
