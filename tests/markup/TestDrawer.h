// Window services and a drawer that measure deterministically and record what is drawn: every
// character (UTF-16 unit for non-ASCII text) is as wide as its font says, every text as high.
#pragma once

#include "markup/TextRenderer.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

struct TestFont {
    int32_t charWidth, height;
    char kind = 'n'; // normal, bold or underlined
};

class TestServices : public CWindowServices {
public:
    CDrawerBase* OpenWindowDrawer(WindowHandle) override { return Open(); }
    CDrawerBase* OpenDrawer(DeviceContext) override { return Open(); }
    void CloseDrawer(CDrawerBase* drawer) override;
    DrawRect ClientRect(WindowHandle) override { return DrawRect{0, 0, 299, 199}; }
    void InvalidateWindow(WindowHandle) override { ++invalidations; }
    // The bold variant is a pixel wider per character.
    FontHandle CreateVariantFont(FontHandle base, FontVariant variant) override {
        fonts.push_back(std::make_unique<TestFont>(*static_cast<TestFont*>(base)));
        fonts.back()->kind = variant == Bold ? 'b' : 'u';
        fonts.back()->charWidth += variant == Bold;
        ++liveFonts;
        return fonts.back().get();
    }
    void DeleteFont(FontHandle font) override { liveFonts -= font != nullptr; }
    ColorValue ButtonFaceColor() override { return 0xF0F0F0; }

    TestFont contextFont{8, 13};
    std::vector<std::string> texts; // "text x,y clip l,t,r,b foreground background font"
    std::vector<std::pair<DrawRect, ColorValue>> fills;
    ColorValue textColor = 0x000000, background = 0xFFFFFF;
    int openDrawers = 0, invalidations = 0, liveFonts = 0;
    bool fontLeftSelected = false;
    std::vector<std::unique_ptr<TestFont>> fonts;

private:
    CDrawerBase* Open();
};

class TestDrawer : public CDrawerBase {
public:
    explicit TestDrawer(TestServices& s) : m_s(s), m_font(&s.contextFont) {}

    DrawSize TextExtent(const CMyASCIIString& text) override {
        CMyWideString wide;
        int32_t units = text.IsAscii()       ? int32_t(text.Count())
                        : ToWide(wide, text) ? int32_t(wide.Count())
                                             : 0;
        return DrawSize{units * m_font->charWidth, m_font->height};
    }
    void TextOutput(int32_t x, int32_t y, const DrawRect& c, const CMyASCIIString& text) override {
        std::ostringstream out;
        out << std::string(text.Data() ? text.Data() : "", text.Count()) << " " << x << "," << y << " clip "
            << c.left << "," << c.top << "," << c.right << "," << c.bottom << std::hex << " " << m_s.textColor
            << " " << m_s.background << " " << (m_font == &m_s.contextFont ? 'c' : m_font->kind);
        m_s.texts.push_back(out.str());
    }
    bool FillRectangle(const DrawRect& rect, const ColorValue& color) override {
        m_s.fills.push_back({rect, color});
        return true;
    }
    ColorValue SetBackgroundColor(const ColorValue& c, ColorValue* old) override {
        return Swap(m_s.background, c, old);
    }
    ColorValue SetTextColor(const ColorValue& c, ColorValue* old) override {
        return Swap(m_s.textColor, c, old);
    }
    GdiObject SelectObject(GdiObject object) override {
        const TestFont* previous = m_font;
        m_font = static_cast<const TestFont*>(object);
        return const_cast<TestFont*>(previous);
    }
    const TestFont* Font() const { return m_font; }

    // Not used by the renderer.
    uint32_t SetTextAlignment(int) override { return 0; }
    int GetTextAlignment() override { return 0; }
    DrawPen* SelectPen(int, int, const ColorValue&) override { return nullptr; }
    void ReleasePen(DrawPen*) override {}
    bool HorizontalLine(int32_t, int32_t, int32_t) override { return true; }
    bool VerticalLine(int32_t, int32_t, int32_t) override { return true; }
    bool Line(int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool RectangleOutline(int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool Circle(const DrawPoint&, int32_t) override { return true; }
    bool DrawBitmap(BitmapHandle, int32_t, int32_t, int32_t, int32_t, const DrawPoint&) override {
        return true;
    }
    bool DrawBitmapImage(const unsigned char*, int32_t, int32_t, int32_t, int32_t, const DrawPoint&,
                         bool) override {
        return true;
    }
    DrawSize BitmapImageSize(const unsigned char*) override { return DrawSize{0, 0}; }

private:
    static ColorValue Swap(ColorValue& slot, ColorValue color, ColorValue* previous) {
        if (previous)
            *previous = slot;
        std::swap(slot, color);
        return color;
    }

    TestServices& m_s;
    const TestFont* m_font;
};

inline CDrawerBase* TestServices::Open() {
    ++openDrawers;
    return new TestDrawer(*this);
}

// The context's own font must be back when the drawer is given back.
inline void TestServices::CloseDrawer(CDrawerBase* drawer) {
    fontLeftSelected |= static_cast<TestDrawer*>(drawer)->Font() != &contextFont;
    delete drawer;
    --openDrawers;
}
