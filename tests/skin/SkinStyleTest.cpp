// Style sheet parsing and the style queries: built-in defaults, the window-0/object-0 lookup
// rule, inheritance while parsing, colours, font styles and sheets that must change nothing.
#include "CVelSkin.h"
#include "CXmlparse.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

int parse(CVelSkin& skin, const std::string& sheet) {
    return skin.ParseStyleSheet(sheet.data(), sheet.size());
}

TEST(SkinStyle, ParseColorReadsThreeNumbersIntoTheirLowBytes) {
    struct Row {
        const char* text;
        int result;
        uint32_t color;
    } rows[] = {
        {"255, 0, 0", 1, 0x0000FF},
        {"255,0,0", 1, 0x0000FF},
        {" 0 , 128 , 255 ", 1, 0xFF8000},
        {"300,0,0", 1, 44},
        {"-1,0,0", 1, 0xFF},
        {"1.9,2.5e0,3", 1, 0x030201},
        {"auto,original,x", 1, 0x000100},
        {"1,2,3,", 1, 0x030201},
        {"1,2,3, ", 1, 0x030201},
        {"1,2,, ", 1, 0x000201},
        {"1,,3", 1, 0x030001},
        {"255,0", 0, 0},
        {"1,2,3,4", 0, 0},
        {"", 0, 0},
        {",,,", 1, 0}, // three empty parts; the one after the last comma does not count
    };
    CVelSkin skin;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        uint32_t color = 0xDEADBEEF;
        EXPECT_EQ(skin.ParseColor(row.text, color), row.result);
        EXPECT_EQ(color, row.color);
    }
}

TEST(SkinStyle, ParseFontStyleIsCaseSensitiveAndIgnoresOtherLetters) {
    CVelSkin skin;
    EXPECT_EQ(skin.ParseFontStyle("b"), 1);
    EXPECT_EQ(skin.ParseFontStyle("ui"), 6);
    EXPECT_EQ(skin.ParseFontStyle("bi"), 5);
    EXPECT_EQ(skin.ParseFontStyle("o"), 8);
    EXPECT_EQ(skin.ParseFontStyle("bold"), 9); // b, o; the other letters mean nothing
    EXPECT_EQ(skin.ParseFontStyle("BUI"), 0);
    EXPECT_EQ(skin.ParseFontStyle(""), 0);
}

TEST(SkinStyle, BuiltInDefaultsAnswerEveryWindowAndObject) {
    CVelSkin skin;
    EXPECT_EQ(skin.StyleColor(0, 0, 0), 0xFF646464u);
    EXPECT_EQ(skin.StyleColor(555, 7, 1), 0xFFA8A8A8u);
    EXPECT_EQ(skin.StyleColor(555, 7, 5), 0xFFDC0000u); // bkhi 0x0000DC: blue 0, green 0, red DC
    EXPECT_EQ(skin.StyleColor(555, 7, 6), 0xFF960000u);
    EXPECT_EQ(skin.StyleColor(555, 7, 7), 0xFFFFFFFFu);
    EXPECT_EQ(skin.StyleColor(555, 7, 9), 0xFFC0C0C0u);
    EXPECT_EQ(skin.StyleColor(0, 0, 105), 0xFF4538F4u);
    EXPECT_EQ(skin.StyleColor(0, 0, 107), 0xFF7C96D2u);
    EXPECT_EQ(skin.StyleColor(0, 0, 99), 0xFF000000u); // not in the colour table
    EXPECT_EQ(skin.StyleColor(0, 0, -1), 0xFF000000u);
    EXPECT_EQ(skin.ColorById(113), 0x50DBF0u);
    EXPECT_EQ(skin.ColorById(118), 0u);
    EXPECT_EQ(skin.StyleMode(3, 4, 0), 2);
    EXPECT_EQ(skin.StyleMode(3, 4, 1), 1);
    EXPECT_EQ(skin.StyleMode(3, 4, 2), 2);
    EXPECT_EQ(skin.StyleMode(3, 4, 3), 1);
    EXPECT_EQ(skin.StyleMode(3, 4, 4), 0);
    // The built-in face as named, for fontconfig to find.
    const QFont font = skin.StyleFont(3, 4);
    EXPECT_EQ(font.family(), "Times New Roman");
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.0);
    EXPECT_FALSE(font.bold());
    // A skin drawn flat has that Windows serif drawn in the desktop's sans.
    ASSERT_EQ(parse(skin, "<velskin look=\"flat\"><wnd id=\"0\"/></velskin>"), 1);
    EXPECT_EQ(skin.StyleFont(3, 4).families(), QStringList{"sans-serif"});
}

TEST(SkinStyle, LookupFallsBackToWindowZeroAndObjectZero) {
    CVelSkin skin;
    ASSERT_EQ(parse(skin, "<velskin>"
                          "<wnd id=\"0\" bkbegin=\"1,0,0\"><obj id=\"5\" text=\"0,5,0\"/></wnd>"
                          "<wnd id=\"7\" bkbegin=\"7,0,0\" bkmode=\"3\">"
                          "<obj id=\"0\" text=\"0,7,0\"/><obj id=\"2\" text=\"0,2,0\"/></wnd>"
                          "</velskin>"),
              1);
    EXPECT_EQ(skin.StyleColor(7, 2, 7), 0xFF000200u);
    EXPECT_EQ(skin.StyleColor(7, 9, 7), 0xFF000700u); // window 7's object 0
    EXPECT_EQ(skin.StyleColor(7, 5, 7), 0xFF000700u); // not window 0's object 5
    EXPECT_EQ(skin.StyleColor(8, 5, 7), 0xFF000500u); // no window 8: window 0
    EXPECT_EQ(skin.StyleColor(8, 5, 0), 0xFF010000u);
    EXPECT_EQ(skin.StyleColor(7, 5, 0), 0xFF070000u);
    EXPECT_EQ(skin.StyleMode(7, 0, 0), 3);
    EXPECT_EQ(skin.StyleMode(8, 0, 0), 2);
}

TEST(SkinStyle, WindowsAndObjectsInheritWhatIsNotGiven) {
    CVelSkin skin;
    ASSERT_EQ(parse(skin, "<velskin>"
                          "<wnd id=\"0\" border=\"9,9,9\" gradmode=\"0\">"
                          "<obj id=\"0\" fontname=\"Liberation Sans\" fontsize=\"100\"/></wnd>"
                          "<wnd id=\"3\">"
                          "<obj id=\"1\" fontstyle=\"b\"/>"
                          "<obj id=\"0\" fontname=\"DejaVu Sans\" text=\"1,1,1\"/>"
                          "<obj id=\"2\" fontsize=\"125\" fontstyle=\"uio\"/>"
                          "<obj fontname=\"Nameless\"/>"
                          "</wnd></velskin>"),
              1);
    // Window 3 takes window 0's fields as they are now.
    EXPECT_EQ(skin.StyleColor(3, 0, 2), 0xFF090909u);
    EXPECT_EQ(skin.StyleMode(3, 0, 1), 0);
    EXPECT_EQ(skin.StyleColor(3, 0, 0), 0xFF646464u);
    // Object 1 came before window 3 redefined its object 0: window 0's font.
    QFont f1 = skin.StyleFont(3, 1);
    EXPECT_EQ(f1.family(), "Liberation Sans");
    EXPECT_DOUBLE_EQ(f1.pointSizeF(), 10.0);
    EXPECT_TRUE(f1.bold());
    // Object 2 came after: the new object 0's font name and text colour.
    QFont f2 = skin.StyleFont(3, 2);
    EXPECT_EQ(f2.family(), "DejaVu Sans");
    EXPECT_DOUBLE_EQ(f2.pointSizeF(), 12.5);
    EXPECT_FALSE(f2.bold());
    EXPECT_TRUE(f2.underline());
    EXPECT_TRUE(f2.italic());
    EXPECT_TRUE(f2.strikeOut());
    EXPECT_EQ(skin.StyleColor(3, 2, 7), 0xFF010101u);
    // An obj with neither id nor name is skipped.
    EXPECT_EQ(skin.WindowStyles().at(3).objects.size(), 3u);
}

TEST(SkinStyle, NameWithoutIdMeansIdZero) {
    CVelSkin skin;
    ASSERT_EQ(parse(skin, "<velskin><wnd name=\"Main\" bkbegin=\"0,0,200\">"
                          "<obj name=\"button\" text=\"0,200,0\"/></wnd>"
                          "<wnd bkbegin=\"1,1,1\"/>"
                          "<color name=\"accent\" value=\"5,5,5\"/>"
                          "</velskin>"),
              1);
    EXPECT_EQ(skin.StyleColor(42, 0, 0), 0xFF0000C8u);
    EXPECT_EQ(skin.StyleColor(42, 0, 7), 0xFF00C800u);
    EXPECT_EQ(skin.WindowStyles().size(), 1u);
    EXPECT_EQ(skin.ColorById(0), 0x050505u);
}

TEST(SkinStyle, NegativeWindowIdIsIgnored) {
    CVelSkin skin;
    ASSERT_EQ(parse(skin, "<velskin><wnd id=\"-4\" bkbegin=\"1,1,1\"/></velskin>"), 1);
    EXPECT_EQ(skin.WindowStyles().size(), 1u);
    EXPECT_EQ(skin.StyleColor(-4, 0, 0), 0xFF646464u);
}

TEST(SkinStyle, ColoursAreReadOnlyAfterTheLastWindow) {
    CVelSkin skin;
    ASSERT_EQ(parse(skin, "<velskin><color id=\"120\" value=\"1,1,1\"/>"
                          "<wnd id=\"1\"/><color id=\"121\" value=\"2,2,2\"/>"
                          "<wnd id=\"2\"/><color id=\"122\" value=\"3,3,3\"/>"
                          "<color id=\"123\" value=\"\"/><color value=\"4,4,4\"/>"
                          "<color id=\"101\" value=\"255, 0\"/></velskin>"),
              1);
    EXPECT_EQ(skin.ColorById(120), 0u);
    EXPECT_EQ(skin.ColorById(121), 0u);
    EXPECT_EQ(skin.ColorById(122), 0x030303u);
    EXPECT_EQ(skin.Colors().count(123), 0u);
    EXPECT_EQ(skin.ColorById(101), 0u); // malformed: black
    EXPECT_EQ(skin.StyleColor(0, 0, 101), 0xFF000000u);

    CVelSkin noWindows;
    ASSERT_EQ(parse(noWindows, "<velskin><color id=\"120\" value=\"1,1,1\"/></velskin>"), 1);
    EXPECT_EQ(noWindows.ColorById(120), 0x010101u);
}

TEST(SkinStyle, LaterSheetsReplaceOnlyWhatTheyName) {
    CVelSkin skin;
    ASSERT_EQ(parse(skin, "<velskin><wnd id=\"5\" bkbegin=\"5,5,5\"/><wnd id=\"6\"/>"
                          "<color id=\"100\" value=\"1,1,1\"/></velskin>"),
              1);
    ASSERT_EQ(parse(skin, "<velskin><wnd id=\"5\" bkbegin=\"6,6,6\"/></velskin>"), 1);
    EXPECT_EQ(skin.StyleColor(5, 0, 0), 0xFF060606u);
    EXPECT_EQ(skin.WindowStyles().count(6), 1u);
    EXPECT_EQ(skin.ColorById(100), 0x010101u);
    EXPECT_EQ(skin.ColorById(117), 0xCECECEu);
}

TEST(SkinStyle, SheetsThatDoNotParseChangeNothing) {
    const char* sheets[] = {"", "<velskin><wnd id=\"1\"></velskin>", "<skin><wnd id=\"1\"/></skin>",
                            "plain text", "<velskin"};
    for (const char* sheet : sheets) {
        SCOPED_TRACE(sheet);
        CVelSkin skin;
        EXPECT_EQ(skin.ParseStyleSheet(sheet, std::strlen(sheet)), 0);
        EXPECT_EQ(skin.WindowStyles().size(), 1u);
        EXPECT_EQ(skin.Colors(), CBaseSkin::DefaultColors());
    }
    CVelSkin skin;
    EXPECT_EQ(skin.ParseStyleSheet(nullptr, 0), 0);
}

} // namespace
