// A drawer and window services that measure deterministically and record what is drawn: every
// character (UTF-16 unit for non-ASCII text) is as wide as its font says, every text as high.
#pragma once

#include "markup/TextRenderer.h"

#include <memory>
#include <string>
#include <vector>

struct TestFont {
    int32_t charWidth;
    int32_t height;
    bool bold = false;
    bool underline = false;
};

struct DrawnText {
    std::string text;
    DrawRect clip;
    int32_t x, y;
    const TestFont* font;
    ColorValue textColor, background;
};

struct TestCanvas {
    TestFont defaultFont{8, 13};
    std::vector<DrawnText> texts;
    std::vector<std::pair<DrawRect, ColorValue>> fills;
    ColorValue textColor = 0x000000;
    ColorValue background = 0xFFFFFF;
};

class TestDrawer : public CDrawerBase {
public:
    explicit TestDrawer(TestCanvas& canvas) : m_canvas(canvas), m_font(&canvas.defaultFont) {}

    DrawSize TextExtent(const CMyASCIIString& text) override {
        return DrawSize{int32_t(Units(text)) * m_font->charWidth, m_font->height};
    }
    void TextOutput(int32_t x, int32_t y, const DrawRect& clip, const CMyASCIIString& text) override {
        m_canvas.texts.push_back(DrawnText{std::string(text.Data() ? text.Data() : "", text.Count()), clip, x,
                                           y, m_font, m_canvas.textColor, m_canvas.background});
    }
    bool FillRectangle(const DrawRect& rect, const ColorValue& color) override {
        m_canvas.fills.push_back({rect, color});
        return true;
    }
    ColorValue SetBackgroundColor(const ColorValue& color, ColorValue* previous) override {
        return Swap(m_canvas.background, color, previous);
    }
    ColorValue SetTextColor(const ColorValue& color, ColorValue* previous) override {
        return Swap(m_canvas.textColor, color, previous);
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
    // Non-ASCII text counts in UTF-16 units, as the wide text calls would.
    static uint32_t Units(const CMyASCIIString& text) {
        if (text.IsAscii())
            return text.Count();
        CMyWideString wide;
        return ToWide(wide, text) ? wide.Count() : 0;
    }
    static ColorValue Swap(ColorValue& slot, ColorValue color, ColorValue* previous) {
        ColorValue old = slot;
        slot = color;
        if (previous)
            *previous = old;
        return old;
    }

    TestCanvas& m_canvas;
    const TestFont* m_font;
};

class TestServices : public CWindowServices {
public:
    CDrawerBase* OpenWindowDrawer(WindowHandle) override { return Open(); }
    CDrawerBase* OpenDrawer(DeviceContext) override { return Open(); }
    void CloseDrawer(CDrawerBase* drawer) override {
        // The context's own font must be back when the drawer is given back.
        fontLeftSelected |= static_cast<TestDrawer*>(drawer)->Font() != &canvas.defaultFont;
        delete drawer;
        --openDrawers;
    }
    DrawRect ClientRect(WindowHandle) override { return client; }
    void InvalidateWindow(WindowHandle) override { ++invalidations; }
    FontHandle CreateVariantFont(FontHandle base, FontVariant variant) override {
        auto font = std::make_unique<TestFont>(*static_cast<TestFont*>(base));
        (variant == Bold ? font->bold : font->underline) = true;
        if (variant == Bold)
            font->charWidth += 1;
        fonts.push_back(std::move(font));
        ++liveFonts;
        return fonts.back().get();
    }
    void DeleteFont(FontHandle font) override {
        if (font)
            --liveFonts;
    }
    ColorValue ButtonFaceColor() override { return 0xF0F0F0; }

    TestCanvas canvas;
    DrawRect client{0, 0, 299, 199};
    int openDrawers = 0;
    int invalidations = 0;
    int liveFonts = 0;
    bool fontLeftSelected = false;
    std::vector<std::unique_ptr<TestFont>> fonts;

private:
    CDrawerBase* Open() {
        ++openDrawers;
        return new TestDrawer(canvas);
    }
};
