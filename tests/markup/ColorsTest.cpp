#include "MarkupTestUtil.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Rgb {
    unsigned r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

Rgb Named(const char* name) {
    ColorValue c = ColorByName(TestText(name));
    return {unsigned(c & 0xFF), unsigned((c >> 8) & 0xFF), unsigned((c >> 16) & 0xFF)};
}

} // namespace

TEST(Colors, NamesGiveTheirValues) {
    ASSERT_TRUE(InitColorPalette());
    EXPECT_EQ(Named("DkGreen"), (Rgb{0, 128, 0}));
    EXPECT_EQ(Named("Gold"), (Rgb{253, 208, 23}));
    EXPECT_EQ(Named("MedGray"), (Rgb{160, 160, 164}));
    EXPECT_EQ(Named("Red"), (Rgb{255, 0, 0}));
    EXPECT_EQ(Named("LtRed"), (Rgb{255, 128, 128}));
    EXPECT_EQ(Named("White"), (Rgb{255, 255, 255}));
    EXPECT_EQ(ColorIndexOf(TestText("DkBlue")), 26u);
    EXPECT_EQ(ColorIndexOf(TestText("Gold")), 33u);
}

TEST(Colors, UnknownNamesAreBlack) {
    ASSERT_TRUE(InitColorPalette());
    CMyASCIIString empty;
    EXPECT_EQ(ColorIndexOf(empty), 0u);
    EXPECT_EQ(ColorIndexOf(TestText("dkgreen")), 0u);
    EXPECT_EQ(ColorIndexOf(TestText("Purple")), 0u);
    EXPECT_EQ(ColorIndexOf(TestText("Re")), 0u); // whole names only
    EXPECT_EQ(ColorIndexOf(TestText("Redd")), 0u);
    EXPECT_EQ(ColorByName(TestText("Purple")), 0u);
}

TEST(Colors, TableHas67EntriesAndInitIsRepeatable) {
    ASSERT_TRUE(InitColorPalette());
    ASSERT_EQ(ColorPalette.Count(), 67u);
    std::vector<ColorValue> first(ColorPalette.Data(), ColorPalette.Data() + 67);
    ASSERT_TRUE(InitColorPalette());
    EXPECT_EQ(ColorPalette.Count(), 67u);
    EXPECT_EQ(std::vector<ColorValue>(ColorPalette.Data(), ColorPalette.Data() + 67), first);
    unsigned nonZero = 0;
    for (ColorValue c : first)
        nonZero += c != 0;
    EXPECT_EQ(nonZero, 18u); // the 19 names, Black being zero
    EXPECT_EQ(ColorPalette[kColorBlue], 0xFF0000u);
    EXPECT_EQ(ColorPalette[kColorLtRed], 0x8080FFu);
    EXPECT_EQ(ColorPalette[kColorWhite], 0xFFFFFFu);
    EXPECT_EQ(PaletteColor(1000), 0u);
}
