// The skin archives the build produces: each validates, loads with result 1, holds every image
// at the size its pane draws it, and its style sheet gives every pane and colour a value.
#include "CSkinArchive.h"
#include "CVelSkin.h"
#include "CXmlparse.h"
#include "OptionText.h"

#include <gtest/gtest.h>

#include <set>

namespace {

QSize expectedSize(int id) {
    using S = CVelSkin;
    if (id >= S::kAddFile && id <= S::kRemove)
        return {30, 30}; // tool bar, 30 px high; "Add File..." draws image 7 beside its text
    if (id >= S::kBtnPlay && id <= S::kBtnStop)
        return {24, 24};
    if (id == S::kDownMenu)
        return {8, 16};
    if (id >= S::kConvert && id <= S::kConvertResume)
        return {100, 100};
    if (id >= S::kCheckboxNormal && id <= S::kRadioboxChecked)
        return {10, 10};
    if (id == S::kProduct)
        return {};
    return {20, 20}; // caption buttons and logo, snapshot, volume, browse, effect switch
}

const char* const kSkins[] = {"Default", "Dark"};

std::string skinPath(const char* name) {
    return std::string(MOVARA_SKIN_DIR) + "/" + name + ".skin";
}

void checkImages(const std::string& path) {
    CVelSkin skin;
    ASSERT_EQ(skin.Validate(path), 1);
    ASSERT_EQ(skin.Load(path), 1);
    for (int id = skin.FirstImageId(); id != -1; id = skin.NextImageId(id)) {
        SCOPED_TRACE(skin.ImageName(id));
        const QImage* image = skin.Image(id);
        ASSERT_TRUE(image);
        ASSERT_FALSE(image->isNull());
        if (expectedSize(id).isValid()) {
            EXPECT_EQ(image->size(), expectedSize(id));
        }
        // Every image draws something and leaves its corners see-through or drawn on purpose.
        EXPECT_TRUE(image->hasAlphaChannel());
        // At fractional and high screen scales it is drawn from its vector source: whole device
        // pixels covering the same size, never the picture stretched.
        for (qreal ratio : {1.25, 1.5, 2.0}) {
            const QImage sharp = skin.SharpImage(id, ratio);
            EXPECT_EQ(sharp.devicePixelRatio(), ratio);
            EXPECT_EQ(sharp.size(), (QSizeF(image->size()) * ratio).toSize());
        }
    }
    const QImage* product = skin.Image(CVelSkin::kProduct);
    EXPECT_GE(product->width(), 200);
    EXPECT_GE(product->height(), 80);
}

void checkStyleSheet(const std::string& path) {
    std::string sheet;
    ASSERT_EQ(CSkinArchive(path).EntryToMemory("velskin.xml", sheet), 1);
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc(sheet));
    ASSERT_TRUE(xml.findElem("velskin"));
    ASSERT_TRUE(xml.intoElem());
    std::set<int> windows, colors;
    while (xml.findElem("wnd"))
        windows.insert(parseOptionInt(xml.getAttrib("id")));
    while (xml.findElem("color"))
        colors.insert(parseOptionInt(xml.getAttrib("id")));
    for (int pane : {0, 101, 102, 103, 104, 107, 108, 109, 110, 111, 113, 119, 126})
        EXPECT_TRUE(windows.count(pane)) << pane;
    for (int id = 100; id <= 117; ++id)
        EXPECT_TRUE(colors.count(id)) << id;

    CVelSkin skin;
    ASSERT_EQ(skin.Load(path), 1);
    // The colour keys must key nothing: low above high in every channel.
    const uint32_t low = skin.ColorById(skin.ColorKeyLowId());
    const uint32_t high = skin.ColorById(skin.ColorKeyHighId());
    for (int shift : {0, 8, 16})
        EXPECT_GT((low >> shift) & 0xFF, (high >> shift) & 0xFF);
    // Text of each main-window pane stands out from its background.
    for (int pane : {101, 103, 104, 107, 109, 110}) {
        const QColor bg = QColor::fromRgba(skin.StyleColor(pane, 0, 0));
        const QColor text = QColor::fromRgba(skin.StyleColor(pane, 0, 7));
        EXPECT_GT(std::abs(bg.lightness() - text.lightness()), 100) << pane;
    }
}

TEST(SkinBuilt, ArchivesValidateAndLoadEveryImageAtItsSize) {
    for (const char* name : kSkins) {
        SCOPED_TRACE(name);
        checkImages(skinPath(name));
    }
}

TEST(SkinBuilt, StyleSheetsNameEveryPaneAndColour) {
    for (const char* name : kSkins) {
        SCOPED_TRACE(name);
        checkStyleSheet(skinPath(name));
    }
}

} // namespace
