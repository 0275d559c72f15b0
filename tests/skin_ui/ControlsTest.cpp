// The small skinned controls: the combo box and the wheel, the edit box's key report, the tab
// strip's selection report, the owner-drawn menu, and the balloon tooltip's placement.
#include "BalloonShape.h"
#include "CBaseDialog.h"
#include "CMenuEx.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CXInfoTip.h"
#include "OutlookTabCtrlEx.h"
#include "SkinUiTestSupport.h"
#include "VirtualKey.h"

#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

class SkinUiControls : public ::testing::Test {
protected:
    void SetUp() override { owner.resize(400, 200); }
    void showOwner() {
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    }
    RecordingTarget owner;
};

void turnWheel(QWidget* widget, int steps) {
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

TEST_F(SkinUiControls, ComboIgnoresTheWheelWhileClosed) {
    CVelComboBox combo(&owner, 1000);
    combo.addItems({QStringLiteral("3GP"), QStringLiteral("MP4"), QStringLiteral("AVI")});
    combo.setCurrentIndex(1);
    combo.SetItemData(2, 16);
    combo.setGeometry(10, 10, 150, 20);
    showOwner();
    turnWheel(&combo, 1);
    turnWheel(&combo, -1);
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(combo.ItemData(2), 16);
    EXPECT_EQ(combo.ItemData(0), 0);
    // The face in its fixed colours: frame at the edge, the arrow button's fill at the right.
    const QImage face = combo.grab().toImage();
    EXPECT_EQ(face.pixel(0, 5), CVelComboBox::kFrameColor);
    EXPECT_EQ(face.pixel(combo.width() - 3, 2), CVelComboBox::kButtonColor);
}

TEST_F(SkinUiControls, EditReportsEachKeyBeforeHandlingIt) {
    CVelEdit edit(&owner, 1002);
    edit.setGeometry(10, 10, 150, 20);
    showOwner();
    std::vector<QString> textSeen;
    owner.answer = [&](const RecordingTarget::Call&) {
        textSeen.push_back(edit.text());
        return 0;
    };
    QTest::keyClick(&edit, Qt::Key_A);
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_5);
    ASSERT_EQ(owner.calls.size(), 3u);
    EXPECT_EQ(owner.calls[0].msg, kMsgEditKeyDown);
    EXPECT_EQ(owner.calls[0].wParam, 1002u);
    EXPECT_EQ(owner.calls[0].lParam, 'A');
    EXPECT_EQ(owner.calls[1].lParam, VK_RETURN);
    EXPECT_EQ(owner.calls[2].lParam, '5');
    EXPECT_EQ(textSeen, (std::vector<QString>{"", "a", "a"}));
    EXPECT_EQ(edit.text(), QStringLiteral("a5"));
}

TEST_F(SkinUiControls, TabStripReportsAPersonsSelection) {
    OutlookTabCtrlEx tabs(&owner, 1040);
    tabs.setGeometry(0, 0, 400, OutlookTabCtrl::kStripHeight);
    tabs.AddItem(QStringLiteral("Effect"), 0);
    tabs.AddItem(QStringLiteral("Watermark"), 1);
    tabs.AddItem(QStringLiteral("Crop"));
    tabs.SetImageList(
        {QImage(16, 16, QImage::Format_ARGB32), QImage(16, 16, QImage::Format_ARGB32)});
    showOwner();
    EXPECT_EQ(tabs.GetCurSel(), 0);

    EXPECT_EQ(tabs.SetCurSel(1), 0); // by the program: not reported
    EXPECT_TRUE(owner.calls.empty());

    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.ItemRect(2).center());
    ASSERT_EQ(owner.calls.size(), 1u);
    EXPECT_EQ(owner.calls[0].msg, kMsgTabChanged);
    EXPECT_EQ(owner.calls[0].wParam, 2u);
    EXPECT_EQ(owner.calls[0].lParam, 1040);

    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.ItemRect(2).center()); // already selected
    EXPECT_EQ(owner.calls.size(), 1u);
    EXPECT_EQ(tabs.SetCurSel(7), -1);
    EXPECT_EQ(tabs.GetCurSel(), 2);
}

TEST_F(SkinUiControls, MenuReturnsTheChosenCommandAndSkipsGreyedItems) {
    TestSkin skin;
    CBaseDialog dialog(555, nullptr, 63, &skin.skin());
    CMenuEx menu(&dialog);
    menu.AppendItem(32780, QStringLiteral("Add File..."));
    menu.AppendItem(32781, QStringLiteral("Add Folder...   "));
    menu.AppendSeparator();
    menu.AppendItem(32783, QStringLiteral("Remove"));
    CMenuEx* help = menu.AppendPopup(QStringLiteral("Help"));
    help->AppendItem(32809, QStringLiteral("About..."));
    menu.EnableCommand(32781, false);
    EXPECT_FALSE(menu.FindCommand(32781)->isEnabled());
    EXPECT_EQ(menu.FindCommand(32809)->text(), QStringLiteral("About..."));
    EXPECT_GE(menu.MeasureItem(QStringLiteral("Remove"), false).height(), CMenuEx::kIconColumn);
    EXPECT_EQ(menu.OwnerColor(CMenuEx::kColorBackEnd), QColor::fromRgba(dialog.DialogColor(1)));

    // Down twice: the greyed item and the separator are passed over.
    QTimer::singleShot(100, [] {
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
    });
    EXPECT_EQ(menu.TrackPopup(QPoint(50, 50)), 32783);

    QTimer::singleShot(100, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
    });
    EXPECT_EQ(menu.TrackPopup(QPoint(50, 50)), 0);
}

TEST(SkinUiBalloon, NearTheBottomRightItOpensLeftAndAboveWithTheStemAtItsLowerRight) {
    const QRect screen(0, 0, 800, 600);
    const QPoint anchor(790, 590);
    const BalloonShape s = BalloonShape::compute(QSize(120, 16), QSize(), anchor, screen);
    EXPECT_TRUE(s.stemRight);
    EXPECT_TRUE(s.stemBottom);
    EXPECT_LT(s.window.left(), anchor.x() - 100);
    EXPECT_EQ(s.window.bottom(), anchor.y());
    EXPECT_EQ(s.window.topLeft() + s.stem.last(), anchor); // the tip
    EXPECT_GT(s.stem.first().x(), s.body.center().x());    // on the right half
    EXPECT_EQ(s.body.size(), QSize(120 + 24, 16 + 20));

    const BalloonShape topLeft = BalloonShape::compute(QSize(120, 16), QSize(), {5, 5}, screen);
    EXPECT_FALSE(topLeft.stemRight);
    EXPECT_FALSE(topLeft.stemBottom);
    EXPECT_EQ(topLeft.window.topLeft() + topLeft.stem.last(), QPoint(5, 5));
    EXPECT_EQ(topLeft.textOrigin(), QPoint(12, 35));

    const BalloonShape withIcon =
        BalloonShape::compute(QSize(100, 10), QSize(32, 40), {400, 300}, screen);
    EXPECT_EQ(withIcon.body.size(), QSize(100 + 24 + 37, 40));
}

TEST(SkinUiBalloon, ShownTipSitsAtTheScreensCorner) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QPoint anchor = screen->geometry().bottomRight() - QPoint(40, 40);
    CXInfoTip tip;
    tip.Show(QStringLiteral("Start conversion"), &anchor, 0);
    ASSERT_TRUE(waitUntil([&] { return tip.isVisible(); }));
    EXPECT_TRUE(tip.Shape().stemRight);
    EXPECT_TRUE(tip.Shape().stemBottom);
    EXPECT_EQ(tip.geometry(), tip.Shape().window);
    EXPECT_TRUE(screen->geometry().contains(tip.geometry()));
}

} // namespace
