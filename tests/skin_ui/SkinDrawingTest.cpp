// A skin that names no look is drawn by the classic rules alone: its colour keys cut its BMP
// pictures out, its fonts are the faces it names, items are plain rectangles, the check box sits
// at the item's corner, the caption keeps its margins, the combo box, the balloon and the tab
// strip keep their fixed looks. Our two skins ask for the flat look, and get it.
#include "CBaseWnd.h"
#include "CCaptionWnd.h"
#include "CMenuEx.h"
#include "CVelComboBox.h"
#include "CXInfoTip.h"
#include "OutlookTabCtrl.h"
#include "SkinAppLook.h"
#include "SkinPaint.h"
#include "SkinUiTestSupport.h"

#include "AppFlatLook.h"
#include "SkinArchiveWriter.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kPaneId = 555;
const QColor kKey(255, 0, 255);

// A picture as an old skin has it: a BMP, its background in the key colour around a 2-pixel
// margin, its inside one colour.
std::string keyedBmp(QSize size, QColor inside) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kKey);
    for (int y = 2; y < size.height() - 2; ++y)
        for (int x = 2; x < size.width() - 2; ++x)
            image.setPixelColor(x, y, inside);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return buffer.data().toStdString();
}

// Nothing but what a style sheet always had: no look, a Windows face, keys around magenta.
const char* const kClassicSheet = R"(<?xml version="1.0" encoding="UTF-8"?>
<velskin>
<wnd id="0" bkmode="1" gradmode="1" bkbegin="40,40,40" bkend="40,40,40" border="0,0,0">
<obj id="0" bkmode="1" gradmode="1" bkbegin="60,60,60" bkend="60,60,60" bkhi="0,0,220" border="250,200,0" text="255,255,255" texthi="10,10,10" textgray="192,192,192" fontname="Arial" fontsize="90" fontstyle=""/>
</wnd>
<color id="102" value="250,0,250"/>
<color id="103" value="255,10,255"/>
</velskin>
)";

std::string writeClassicSkin(const QTemporaryDir& dir) {
    CVelSkin names;
    std::vector<SkinArchiveItem> items;
    for (int id = names.FirstImageId(); id != -1; id = names.NextImageId(id)) {
        const QSize size = id >= 29 && id <= 32 ? QSize(12, 12) : QSize(20, 20);
        const QColor inside =
            id == CVelSkin::kCheckboxChecked ? QColor(0, 200, 0) : QColor(30, 90, (id * 7) % 256);
        items.push_back({names.ImageName(id), keyedBmp(size, inside)});
    }
    items.push_back({names.StyleSheetName(), kClassicSheet});
    std::string bytes, error;
    EXPECT_EQ(buildSkinArchive(items, bytes, error), 1) << error;
    const QString path = dir.filePath(QStringLiteral("Classic.skin"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
    return path.toStdString();
}

// The application's look is process-wide: each row's is undone afterwards.
class AppLookGuard {
public:
    AppLookGuard()
        : m_palette(QApplication::palette()), m_font(QApplication::font()),
          m_sheet(qApp->styleSheet()), m_flat(appFlatLook()) {}
    ~AppLookGuard() {
        qApp->setStyleSheet(m_sheet);
        QApplication::setPalette(m_palette);
        QApplication::setFont(m_font);
        setAppFlatLook(m_flat);
    }

private:
    QPalette m_palette;
    QFont m_font;
    QString m_sheet;
    bool m_flat;
};

bool hasColour(const QImage& image, QColor colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                return true;
    return false;
}

// The first row from the top where the two pictures differ inside `columns`, or -1.
int firstDifferentRow(const QImage& a, const QImage& b, int left, int right) {
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = left; x < right; ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return y;
    return -1;
}

struct Pane {
    RecordingTarget owner;
    CBaseWnd pane;
    explicit Pane(CVelSkin& skin) : pane(&skin) {
        owner.resize(300, 60);
        pane.Create(QStringLiteral("Pane"), 0, &owner, kPaneId);
        pane.setGeometry(0, 0, 300, 60);
        PaneItem filled; // a framed, filled button at (10, 6), 60 x 30
        filled.id = 1;
        filled.imageId = CVelSkin::kAddFile;
        filled.placement = kPlaceTopLeft | kPlaceFixedWidth | kPlaceFixedHeight;
        filled.setSize(60, 30);
        filled.setMargins(10, 0, 6, 0);
        filled.behaviour = kItemBackground | kItemFrame;
        pane.AddItem(filled);
        PaneItem box; // a check box much taller than its text
        box.id = 2;
        box.caption = QStringLiteral("Box");
        box.placement = kPlaceTopLeft | kPlaceFixedWidth | kPlaceFixedHeight;
        box.setSize(80, 48);
        box.setMargins(10, 0, 6, 0);
        box.behaviour = kItemCheckBox;
        pane.AddItem(box);
        owner.show();
        pane.ArrangeItems();
    }
    QImage shot() { return pane.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

void checkPanes(CVelSkin& skin, bool flat) {
    Pane p(skin);
    const QImage shot = p.shot();
    EXPECT_FALSE(hasColour(shot, kKey)) << "a keyed pixel was drawn";

    const QRect button = p.pane.FindItem(1)->rect().toQRect();
    const QColor frame = argbColor(p.pane.StyleColor(1, 6));
    EXPECT_EQ(shot.pixelColor(button.topLeft()) == frame, !flat) << "square frame corner";

    // The check box shows where a click changes the picture.
    const QRect box = p.pane.FindItem(2)->rect().toQRect();
    p.pane.SetItemState(2, 0, kStateChecked);
    const int boxTop = firstDifferentRow(shot, p.shot(), box.left(), box.left() + 24);
    ASSERT_GE(boxTop, 0);
    if (flat)
        EXPECT_GT(boxTop - box.top(), 8) << "the box is beside the centred text";
    else
        EXPECT_LE(boxTop - box.top(), 2 + 2) << "the box is 2 px from the corner";

    // A label keeping the default font is drawn in it, unless the skin replaces it.
    const QFont label = p.pane.ItemFont(*p.pane.FindItem(2));
    EXPECT_EQ(label.family() == QLatin1String("Times New Roman"), !flat)
        << qPrintable(label.family());
}

void checkCaption(CVelSkin& skin, bool flat) {
    RecordingTarget owner;
    owner.resize(300, 30);
    CCaptionWnd caption(63, &skin);
    ASSERT_TRUE(caption.Create(QStringLiteral("Caption"), 0, &owner, 101));
    caption.setGeometry(0, 0, 300, 30);
    caption.SetTitle(QStringLiteral("Title"));
    const PaneItem* icon = caption.FindItem(CCaptionWnd::kIconId);
    const PaneItem* title = caption.FindItem(CCaptionWnd::kTitleId);
    EXPECT_EQ(icon->left, flat ? 5 : 0);
    EXPECT_EQ(title->left - icon->right, flat ? 6 : 0);
    EXPECT_EQ(title->top, 6);
}

void checkControls(bool flat) {
    CVelComboBox combo;
    combo.addItem(QStringLiteral("Item"));
    combo.resize(120, 22);
    const QImage face = combo.grab().toImage();
    // The triangle is filled around its upper middle.
    const QPoint arrow(120 - 19 + 6 + 3, 1 + (20 - 6) / 2 + 2);
    EXPECT_EQ(face.pixelColor(0, 0).rgb() == CVelComboBox::kFrameColor, !flat);
    EXPECT_EQ(face.pixelColor(arrow).rgb() == CVelComboBox::kArrowColor, !flat);
    EXPECT_EQ(combo.ShownFont().family() == QLatin1String("Times New Roman"), !flat);

    CMenuEx menu(nullptr);
    EXPECT_EQ(menu.ItemFont().family() == QLatin1String("Times New Roman"), !flat);

    CXInfoTip tip;
    const QPoint anchor(400, 400);
    tip.Show(QStringLiteral("A tip"), &anchor, 0);
    ASSERT_TRUE(waitUntil([&] { return tip.isVisible(); }));
    const QPolygon stem = tip.Shape().stem;
    const QPoint inStem = (stem[0] + stem[1] + stem[2]) / 3;
    EXPECT_EQ(tip.mask().contains(inStem), !flat) << "the stem";
    tip.Hide();

    // Scheme 1's fixed palette: white captions on deep blue tabs.
    OutlookTabCtrl tabs;
    tabs.AddItem(QStringLiteral("One"));
    tabs.AddItem(QStringLiteral("Two"));
    tabs.SetScheme(1);
    tabs.resize(200, OutlookTabCtrl::kStripHeight);
    const QRect second = tabs.ItemRect(1);
    const QImage strip = tabs.grab().toImage().copy(second).convertToFormat(QImage::Format_RGB32);
    const QColor fill = strip.pixelColor(3, second.height() / 2);
    EXPECT_EQ(fill.blue() > fill.red() + 40, !flat) << qPrintable(fill.name());
    if (!flat) {
        bool whiteText = false;
        for (int y = 0; y < strip.height(); ++y)
            for (int x = 0; x < strip.width(); ++x)
                whiteText |= qMin(qRed(strip.pixel(x, y)), qBlue(strip.pixel(x, y))) >= 220;
        EXPECT_TRUE(whiteText);
    }
}

} // namespace

TEST(SkinDrawing, ClassicRulesUnlessTheSkinAsksForTheFlatLook) {
    QTemporaryDir dir;
    struct Row {
        const char* name;
        std::string archive;
        bool flat;
    } rows[] = {
        {"classic", writeClassicSkin(dir), false},
        {"Default", MOVARA_SKIN_DIR "/Default.skin", true},
        {"Dark", MOVARA_SKIN_DIR "/Dark.skin", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const AppLookGuard guard;
        CVelSkin skin;
        ASSERT_EQ(skin.Load(row.archive), 1);
        EXPECT_EQ(skin.FlatLook(), row.flat);
        applySkinLook(skin);
        if (!row.flat) {
            // The keys cut the margin out and leave the inside.
            const QImage* box = skin.Image(CVelSkin::kCheckboxNormal);
            ASSERT_TRUE(box && !box->isNull());
            EXPECT_EQ(box->pixelColor(0, 0).alpha(), 0);
            EXPECT_EQ(box->pixelColor(6, 6).alpha(), 255);
            EXPECT_EQ(skin.StyleFont(0, 0).family(), QStringLiteral("Arial"));
        }
        checkPanes(skin, row.flat);
        checkCaption(skin, row.flat);
        checkControls(row.flat);
    }
}
