#include "Core/Spaces/HexColor.h"

#include <gtest/gtest.h>

using namespace lumivast;

struct HexCase {
    const char* text;
    std::optional<QRgb> rgb;
};

class HexColor : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexColor, Parses)
{
    const HexCase& c = GetParam();
    const std::optional<QColor> color = colorFromHex(QString::fromUtf8(c.text));
    ASSERT_EQ(color.has_value(), c.rgb.has_value()) << c.text;
    if (color) {
        EXPECT_EQ(color->rgba(), qRgba(qRed(*c.rgb), qGreen(*c.rgb), qBlue(*c.rgb), 255)) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, HexColor,
    ::testing::Values(HexCase{"#4F7BF7", 0x4F7BF7}, HexCase{"4F7BF7", 0x4F7BF7}, HexCase{"#4f7bf7", 0x4F7BF7},
                      HexCase{"  #4F7BF7 ", 0x4F7BF7}, HexCase{"#4F7BF7\n", 0x4F7BF7}, HexCase{"#000000", 0x000000},
                      HexCase{"+4F7BF", 0x04F7BF}, HexCase{"-00000", 0x000000}, HexCase{"-00001", std::nullopt},
                      HexCase{"##4F7BF7", std::nullopt}, HexCase{"#4F7", std::nullopt},
                      HexCase{"#4F7BF7FF", std::nullopt}, HexCase{"#4F7BG7", std::nullopt},
                      HexCase{"#4F 7BF", std::nullopt}, HexCase{"4F7BF+", std::nullopt},
                      HexCase{"#-4F7BF", std::nullopt}, HexCase{"", std::nullopt}, HexCase{"#", std::nullopt}));

TEST(HexColorComponents, AreDividedBy255)
{
    const std::optional<QColor> gray = colorFromHex("#8E8E93");
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->red(), 142);
    EXPECT_EQ(gray->green(), 142);
    EXPECT_EQ(gray->blue(), 147);
    EXPECT_FLOAT_EQ(gray->redF(), 142 / 255.0f);
    EXPECT_FLOAT_EQ(gray->blueF(), 147 / 255.0f);
    EXPECT_FLOAT_EQ(gray->alphaF(), 1.0f);
}
