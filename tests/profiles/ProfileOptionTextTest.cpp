#include "DecimalCommaLocale.h"
#include "OptionText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

TEST(ProfileOptionText, ParseOptionValue) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<std::string, float>> cases = {
        {"", 0.0f},
        {"auto", 0.0f},
        {"original", 1.0f},
        {"Auto", 0.0f}, // case-sensitive: not a number either
        {"Original", 0.0f},
        {"original size", 0.0f}, // only the exact text
        {"29.970", 29.97f},
        {"23.976", 23.976f},
        {"30", 30.0f},
        {"128000", 128000.0f},
        {"12fps", 12.0f}, // number followed by letters
        {"1500 kbps", 1500.0f},
        {"1.5e3x", 1500.0f},
        {"2e", 2.0f}, // incomplete exponent is not part of the number
        {".5", 0.5f},
        {"5.", 5.0f},
        {"-3.25", -3.25f},
        {"+7", 7.0f},
        {"  42", 42.0f},
        {"abc", 0.0f},
        {".", 0.0f},
        {"-", 0.0f},
        {"0x1A", 0.0f}, // decimal only
        {"inf", 0.0f},
        {"nan", 0.0f},
        {"16777217", 16777216.0f}, // rounded to single precision
        {"1e39", inf},
        {"-1e400", -inf},
        {"1e-400", 0.0f},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseOptionValue(text), expected) << '"' << text << '"';
}

TEST(ProfileOptionText, ParseIgnoresTheProcessLocale) {
    // A locale with a decimal comma must not change the reading of "29.970".
    DecimalCommaLocale comma;
    ASSERT_TRUE(comma.active());
    EXPECT_EQ(parseOptionValue("29.970"), 29.97f);
    EXPECT_EQ(parseOptionValue("29,970"), 29.0f);
}

TEST(ProfileOptionText, ParseOptionInt) {
    EXPECT_EQ(parseOptionInt("720908"), 720908);
    EXPECT_EQ(parseOptionInt("29.970"), 29);
    EXPECT_EQ(parseOptionInt("-2.9"), -2);
    EXPECT_EQ(parseOptionInt("original"), 1);
    EXPECT_EQ(parseOptionInt("auto"), 0);
    EXPECT_EQ(parseOptionInt("1e12"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(parseOptionInt("-1e30"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(parseOptionInt("1e999"), std::numeric_limits<int32_t>::max());
}

TEST(ProfileOptionText, SplitOptionList) {
    using Pieces = std::vector<std::string>;
    const std::vector<std::pair<std::string, Pieces>> cases = {
        {"", {}},
        {"8000", {"8000"}},
        {"auto,original,12", {"auto", "original", "12"}},
        {" a , b\t,c ", {"a", "b", "c"}},
        {"a,,b", {"a", "", "b"}},
        {"a, ,b", {"a", "", "b"}},
        {"a,b,", {"a", "b"}},
        {"a,b, ", {"a", "b", ""}},
        {",a", {"", "a"}},
        {",", {""}},
        {",,", {"", ""}},
        {"   ", {""}},
        {"a, ,", {"a", ""}},
        {"one piece with blanks", {"one piece with blanks"}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(splitOptionList(text), expected) << '"' << text << '"';
}
