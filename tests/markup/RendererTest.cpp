#include "MarkupTestUtil.h"
#include "markup/TextRenderer.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <tuple>
#include <utility>

namespace {

struct TestFont {
    int32_t charWidth, height;
    char kind = 'n'; // normal, bold or underlined
};

// Window services that are also the drawer they open: every character (UTF-16 unit) as wide as its
// font says, every text as high; what is drawn is recorded.
struct TestScreen : CWindowServices, CDrawerBase {
    CDrawerBase* OpenWindowDrawer(WindowHandle) override { return OpenDrawer(nullptr); }
    CDrawerBase* OpenDrawer(DeviceContext) override {
        ++openDrawers;
        font = &contextFont;
        return this;
    }
    void CloseDrawer(CDrawerBase*) override {
        --openDrawers;
        fontLeftSelected |= font != &contextFont;
    }
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
    void DeleteFont(FontHandle f) override { liveFonts -= f != nullptr; }
    ColorValue ButtonFaceColor() override { return 0xF0F0F0; }

    DrawSize TextExtent(const CMyASCIIString& text) override {
        CMyWideString wide;
        int32_t units = text.IsAscii()       ? int32_t(text.Count())
                        : ToWide(wide, text) ? int32_t(wide.Count())
                                             : 0;
        return DrawSize{units * font->charWidth, font->height};
    }
    // "text x,y clip l,t,r,b foreground background font|"
    void TextOutput(int32_t x, int32_t y, const DrawRect& c, const CMyASCIIString& text) override {
        texts << std::dec << Str(text) << " " << x << "," << y << " clip " << c.left << "," << c.top << ","
              << c.right << "," << c.bottom << std::hex << " " << textColor << " " << background << " "
              << (font == &contextFont ? 'c' : font->kind) << "|";
    }
    bool FillRectangle(const DrawRect& r, const ColorValue& color) override {
        texts << std::dec << "fill " << r.left << "," << r.top << "," << r.right << "," << r.bottom
              << std::hex << " " << color << "|";
        return true;
    }
    ColorValue SetBackgroundColor(const ColorValue& c, ColorValue* old) override {
        return Swap(background, c, old);
    }
    ColorValue SetTextColor(const ColorValue& c, ColorValue* old) override { return Swap(textColor, c, old); }
    GdiObject SelectObject(GdiObject object) override {
        return std::exchange(font, static_cast<TestFont*>(object));
    }
    static ColorValue Swap(ColorValue& slot, ColorValue color, ColorValue* previous) {
        if (previous)
            *previous = slot;
        return std::exchange(slot, color);
    }
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

    TestFont contextFont{8, 13};
    TestFont* font = &contextFont;
    std::ostringstream texts;
    ColorValue textColor = 0x000000, background = 0xFFFFFF;
    int openDrawers = 0, invalidations = 0, liveFonts = 0;
    bool fontLeftSelected = false;
    std::vector<std::unique_ptr<TestFont>> fonts;
};

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override { InitMarkupForTests(); }

    // A font whose characters are 10 pixels wide.
    void Show(const std::string& markup, uint32_t maxWidth = 0, int32_t height = 16) {
        font = TestFont{10, height};
        renderer.SetFont(&font);
        renderer.SetMaxWidth(maxWidth);
        renderer.SetText(TestText(markup));
    }
    // "left,top widthxheight | " for every text item, then the needed size.
    std::string Layout() const {
        std::ostringstream out;
        for (uint32_t i = 0; i < renderer.Items().Count(); ++i)
            if (auto* t = dynamic_cast<const nsHTMLItem::CTextItem*>(renderer.Items()[i]))
                out << t->m_left << "," << t->m_top << " " << t->m_width << "x" << t->m_height << " | ";
        uint32_t width, height;
        renderer.GetNeededSize(width, height);
        out << width << "x" << height;
        return out.str();
    }
    TestFont font{10, 16};
    TestScreen services;
    CTextRenderer renderer{services};
};

} // namespace

// Lines of the font's height, a gap of max(2, height / 6) after items and lines, paragraphs 1.5
// lines; wrapping between items when x + w passes the maximum width; a margin in the needed size.
TEST_F(RendererTest, Layout) {
    auto Texts = [](const std::string& texts) { return "<xml><text>" + texts + "</text></xml>"; };
    const std::tuple<std::string, uint32_t, int32_t, std::string> cases[] = {
        {Texts("aaaaaa</text><text>bbbbbb"), 100, 16, "0,0 60x16 | 0,18 60x16 | 64x38"},
        {Texts("aaaaaa</text><text>bbbbbb"), 0, 16, "0,0 60x16 | 62,0 60x16 | 126x20"},
        {Texts("aaaa</text><text>bbbb"), 82, 16, "0,0 40x16 | 42,0 40x16 | 86x20"},
        {Texts("aaaaaaaaaaaaaaa</text><text>bb"), 100, 16, "0,18 150x16 | 0,36 20x16 | 154x56"},
        {Texts("a</text><br/><text>b</text><p/><text>c"), 0, 16,
         "0,0 10x16 | 0,18 10x16 | 0,44 10x16 | 14x64"},
        {"<xml><p/><text>c</text></xml>", 0, 13, "0,21 10x13 | 14x38"},
        {"<xml><br/><p/><text>c</text></xml>", 0, 40, "0,112 10x40 | 22x164"},
        {"", 0, 16, "5x5"},
        {Texts(""), 0, 16, "0,0 0x16 | 5x20"},
        {Texts("aa</text><formula>ffff</formula><text>bb"), 0, 16,
         "0,0 20x16 | 0,0 1x1 | 22,0 20x16 | 46x20"},
        {Texts("caf\xC3\xA9</text><text>\xF0\x9F\x98\x80</text><b>b</b><a>a"), 0, 16,
         "0,0 40x16 | 42,0 20x16 | 64,0 11x16 | 77,0 10x16 | 91x20"}};
    for (const auto& [markup, maxWidth, height, layout] : cases) {
        Show(markup, maxWidth, height);
        EXPECT_EQ(Layout(), layout) << markup;
    }
    EXPECT_EQ(services.openDrawers, 0);
}

TEST_F(RendererTest, PaintFillsClipsColoursAndPutsFontsBack) {
    Show("<xml><text>ab</text><b bgcolor='Gold'>c</b><b color='DkGreen'>d</b><a href='x'>e</a>"
         "<formula>f</formula><a href='y' bgcolor='LtRed'>g</a></xml>");
    renderer.UpdateHover(65, 5); // light red when hovered, white on a light red ground
    renderer.Paint(nullptr);
    renderer.UpdateHover(50, 5);
    renderer.Paint(nullptr);
    const std::string once = "ab 0,0 clip 0,0,19,15 0 f0f0f0 n|c 22,0 clip 22,0,32,15 0 17d0fd b|"
                             "d 35,0 clip 35,0,45,15 8000 f0f0f0 b|";
    EXPECT_EQ(
        services.texts.str(),
        "fill 0,0,299,199 f0f0f0|" + once +
            "e 48,0 clip 48,0,57,15 ff0000 f0f0f0 u|g 60,0 clip 60,0,69,15 ffffff 8080ff u|fill 0,0,299,199 f0f0f0|" +
            once + "e 48,0 clip 48,0,57,15 8080ff f0f0f0 u|g 60,0 clip 60,0,69,15 ff0000 8080ff u|");
    EXPECT_EQ(services.textColor, 0u);
    EXPECT_FALSE(services.fontLeftSelected);
    EXPECT_EQ(services.liveFonts, 2);
    renderer.SetFont(&font); // new derived fonts replace the old ones
    EXPECT_EQ(services.liveFonts, 2);
}

// Both edges of a link take the pointer; only a change of hovered link repaints; a press and a
// release on the same link open it; new text forgets hover and press.
TEST_F(RendererTest, HoverPressAndRelease) {
    struct Log : CObserver {
        void Update(CSubject* subject, uint32_t code, uint32_t, uint32_t) override {
            opened +=
                Str(static_cast<CTextRenderer*>(subject)->HoveredLink()->m_target) + std::to_string(code);
        }
        std::string opened;
    } log;
    renderer.Attach(&log);
    // Links 0..39 and 42..81, a text 84..123, an empty link at 126.
    Show("<xml><a href='1'>aaaa</a><a href='2'>bbbb</a><text>tttt</text><a href='3'></a></xml>");
    std::istringstream script("h0,0 h39,15 h40,1 h42,1 h81,15 h42,16 h90,1 h126,0 h-1,0 c0,0 "
                              "h5,5 p90,5 r5,5 h5,5 p5,5 h90,5 r90,5 p90,5 h60,5 r60,5 h5,5 p5,5 h60,5 r60,5 "
                              "h60,5 p60,5 r61,5 r61,5");
    std::string seen;
    for (std::string step; script >> step;
         seen += (renderer.HoveredLink() ? Str(renderer.HoveredLink()->m_target) : "") +
                 std::to_string(services.invalidations) + " ") {
        const int32_t x = std::stoi(step.substr(1)), y = std::stoi(step.substr(step.find(',') + 1));
        step[0] == 'h'   ? renderer.UpdateHover(x, y)
        : step[0] == 'p' ? renderer.PressAt(x, y)
        : step[0] == 'r' ? renderer.ReleaseAt(x, y)
                         : renderer.ClearHover();
    }
    EXPECT_EQ(seen, "11 11 2 23 23 4 4 4 4 4 15 15 15 15 15 6 6 6 27 27 18 18 29 29 29 29 29 29 ");
    EXPECT_EQ(log.opened, "20");
    renderer.PressAt(60, 5);
    Show("<xml><a href='x'></a></xml>"); // empty, at the line start: right edge -1
    EXPECT_EQ(renderer.HoveredLink(), renderer.PressedLink());
    renderer.UpdateHover(0, 0);
    EXPECT_EQ(renderer.HoveredLink(), nullptr);
    EXPECT_TRUE(renderer.Detach(&log));
}
