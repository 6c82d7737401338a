#include "markup/Colors.h"

#include <new>

CMyVector_EF<ColorValue> ColorPalette;

namespace {

struct NamedColor {
    const char* name;
    uint32_t code;
    ColorValue value;
};

constexpr NamedColor kNamedColors[] = {
    {"Black", 0, 0x000000},    {"White", 1, 0xFFFFFF},     {"Gray", 2, 0x808080},
    {"LtGray", 3, 0xE0E0E0},   {"MedGray", 6, 0xA4A0A0},   {"Red", 13, 0x0000FF},
    {"LtRed", 14, 0x8080FF},   {"DkRed", 15, 0x000080},    {"Green", 16, 0x00FF00},
    {"LtGreen", 20, 0x80FF80}, {"DkGreen", 21, 0x008000},  {"MoneyGreen", 22, 0xC0DCC0},
    {"Blue", 23, 0xFF0000},    {"LtBlue", 24, 0xFF8080},   {"DkBlue", 26, 0x800000},
    {"Yellow", 30, 0x00FFFF},  {"LtYellow", 31, 0xE0FFFF}, {"DkYellow", 32, 0x008080},
    {"Gold", 33, 0x17D0FD},
};
constexpr uint32_t kNameCount = sizeof(kNamedColors) / sizeof(kNamedColors[0]);

CStringVector_EF g_colorNames;

} // namespace

bool InitColorPalette() {
    if (!ColorPalette.Reserve(kColorCount))
        return false;
    ColorPalette.Free(); // count 0; the room stays
    for (uint32_t code = 0; code < kColorCount; ++code)
        ColorPalette.PushBack(0);
    for (const NamedColor& c : kNamedColors)
        ColorPalette[c.code] = c.value;
    InitColorNames();
    return true;
}

void InitColorNames() {
    if (g_colorNames.Count() == kNameCount)
        return;
    g_colorNames.DeleteAll();
    for (const NamedColor& c : kNamedColors) {
        CMyASCIIString* name = new (std::nothrow) CMyASCIIString;
        uint32_t length = uint32_t(std::strlen(c.name));
        if (!name || !name->Reserve(length + 1) || !name->Append(c.name, length) ||
            !g_colorNames.PushBack(name)) {
            delete name;
            g_colorNames.DeleteAll(); // a partial set would shift the codes
            return;
        }
        name->Terminate();
    }
}

uint32_t ColorIndexOf(const CMyASCIIString& name) {
    for (uint32_t i = 0; i < g_colorNames.Count(); ++i)
        if (name.EqualsTail(*g_colorNames[i], 0))
            return kNamedColors[i].code;
    return kColorBlack;
}

ColorValue ColorByName(const CMyASCIIString& name) {
    return PaletteColor(ColorIndexOf(name));
}

ColorValue PaletteColor(uint32_t code) {
    return code < ColorPalette.Count() ? ColorPalette[code] : 0;
}
