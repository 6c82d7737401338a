// Named colours of the markup language. A colour value is 0x00BBGGRR (red in the lowest byte), the
// layout GDI takes.
#pragma once

#include "foundation/MyString.h"

typedef unsigned long ColorValue;

// Codes the drawing code uses directly.
enum ColorCode : uint32_t {
    kColorBlack = 0,
    kColorWhite = 1,
    kColorLtRed = 14,
    kColorBlue = 23,
    kColorCount = 67,
};

// Indexed by colour code; codes that no name reaches hold 0.
extern CMyVector_EF<ColorValue> ColorPalette;

// Fills the 67 entries and sets up the names; false only when the table cannot be allocated.
bool InitColorPalette();
void InitColorNames();
// Exact, case-sensitive; a name that is not listed gives 0 (Black).
uint32_t ColorIndexOf(const CMyASCIIString& name);
ColorValue ColorByName(const CMyASCIIString& name);
// The palette entry of a code; Black when the table is not set up.
ColorValue PaletteColor(uint32_t code);
