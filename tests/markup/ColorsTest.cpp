#include "MarkupTestUtil.h"

#include <gtest/gtest.h>

// Names (whole, case-sensitive) give code and value, red low; the other codes of 67 are black.
TEST(Colors, NamesGiveTheirValues) {
    ASSERT_TRUE(InitColorPalette() && InitColorPalette()); // twice: the same table
    const std::string table =
        "Black 0 0 White 1 ffffff Gray 2 808080 LtGray 3 e0e0e0 MedGray 6 a4a0a0 Red 13 ff "
        "LtRed 14 8080ff DkRed 15 80 Green 16 ff00 LtGreen 20 80ff80 DkGreen 21 8000 "
        "MoneyGreen 22 c0dcc0 Blue 23 ff0000 LtBlue 24 ff8080 DkBlue 26 800000 Yellow 30 ffff "
        "LtYellow 31 e0ffff DkYellow 32 8080 Gold 33 17d0fd dkgreen 0 0 Purple 0 0 Re 0 0 Redd 0 0";
    std::istringstream in(table);
    unsigned named = 0, code, value;
    for (std::string name; in >> name >> std::dec >> code >> std::hex >> value; named += code != 0) {
        EXPECT_EQ(ColorIndexOf(TestText(name)), code) << name;
        EXPECT_EQ(ColorByName(TestText(name)), value) << name;
    }
    EXPECT_EQ(named, 18u);
    ASSERT_EQ(ColorPalette.Count(), 67u);
    for (uint32_t i = 0; i < 67; ++i)
        named -= ColorPalette[i] != 0;
    EXPECT_EQ(named + PaletteColor(1000) + ColorIndexOf(TestText("")), 0u);
}
