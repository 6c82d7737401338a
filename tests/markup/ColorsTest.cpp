#include "MarkupTestUtil.h"

#include <gtest/gtest.h>

// Every name of the table with its code and red, green, blue; names are whole and case-sensitive,
// and every other code of the 67 is black.
TEST(Colors, NamesGiveTheirValues) {
    ASSERT_TRUE(InitColorPalette() && InitColorPalette()); // twice: the same table
    const struct {
        const char* name;
        unsigned code, r, g, b;
    } table[] = {// clang-format off
        {"Black", 0, 0, 0, 0},           {"White", 1, 255, 255, 255},    {"Gray", 2, 128, 128, 128},
        {"LtGray", 3, 224, 224, 224},    {"MedGray", 6, 160, 160, 164},  {"Red", 13, 255, 0, 0},
        {"LtRed", 14, 255, 128, 128},    {"DkRed", 15, 128, 0, 0},       {"Green", 16, 0, 255, 0},
        {"LtGreen", 20, 128, 255, 128},  {"DkGreen", 21, 0, 128, 0},     {"MoneyGreen", 22, 192, 220, 192},
        {"Blue", 23, 0, 0, 255},         {"LtBlue", 24, 128, 128, 255},  {"DkBlue", 26, 0, 0, 128},
        {"Yellow", 30, 255, 255, 0},     {"LtYellow", 31, 255, 255, 224}, {"DkYellow", 32, 128, 128, 0},
        {"Gold", 33, 253, 208, 23},      {"dkgreen", 0, 0, 0, 0},        {"Purple", 0, 0, 0, 0},
        {"Re", 0, 0, 0, 0},              {"Redd", 0, 0, 0, 0},           {"", 0, 0, 0, 0}};
    // clang-format on
    unsigned named = 0;
    for (const auto& c : table) {
        EXPECT_EQ(ColorIndexOf(TestText(c.name)), c.code) << c.name;
        EXPECT_EQ(ColorByName(TestText(c.name)), c.r | c.g << 8 | c.b << 16) << c.name;
        named += c.code != 0;
    }
    ASSERT_EQ(ColorPalette.Count(), 67u);
    for (uint32_t i = 0; i < 67; ++i)
        named -= ColorPalette[i] != 0;
    EXPECT_EQ(named, 0u);
    EXPECT_EQ(PaletteColor(1000), 0u);
}
