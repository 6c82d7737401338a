#include "MarkupTestUtil.h"
#include "TestDrawer.h"

#include <gtest/gtest.h>

using namespace nsHTMLItem;

namespace {

struct Placed {
    uint32_t left, top, width, height;
    bool operator==(const Placed& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

std::ostream& operator<<(std::ostream& out, const Placed& p) {
    return out << "(" << p.left << "," << p.top << " " << p.width << "x" << p.height << ")";
}

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override { InitMarkupForTests(); }

    // A 16-pixel font whose characters are 10 pixels wide.
    void Show(const std::string& markup, uint32_t maxWidth = 0) {
        renderer.SetFont(&font);
        renderer.SetMaxWidth(maxWidth);
        renderer.SetText(TestText(markup));
    }
    Placed At(uint32_t i) const {
        auto* item = static_cast<const CTextItem*>(renderer.Items()[i]);
        return Placed{item->m_left, item->m_top, item->m_width, item->m_height};
    }
    std::pair<uint32_t, uint32_t> Needed() const {
        std::pair<uint32_t, uint32_t> size;
        renderer.GetNeededSize(size.first, size.second);
        return size;
    }

    TestFont font{10, 16};
    TestServices services;
    CTextRenderer renderer{services};
};

struct ClickLog : CObserver {
    void Update(CSubject* subject, uint32_t code, uint32_t, uint32_t) override {
        auto* renderer = static_cast<CTextRenderer*>(subject);
        opened.push_back(renderer->HoveredLink() ? Str(renderer->HoveredLink()->m_target) : "(none)");
        codes.push_back(code);
    }
    std::vector<std::string> opened;
    std::vector<uint32_t> codes;
};

} // namespace

TEST_F(RendererTest, WrapsBetweenItemsAtTheMaximumWidth) {
    Show("<xml><text>aaaaaa</text><text>bbbbbb</text></xml>", 100);
    EXPECT_EQ(At(0), (Placed{0, 0, 60, 16}));
    EXPECT_EQ(At(1), (Placed{0, 18, 60, 16}));

    Show("<xml><text>aaaaaa</text><text>bbbbbb</text></xml>", 0);
    EXPECT_EQ(At(1), (Placed{62, 0, 60, 16})); // one line, the gap between

    // A first item wider than the limit leaves the first line empty and overflows.
    Show("<xml><text>aaaaaaaaaaaaaaa</text><text>bb</text></xml>", 100);
    EXPECT_EQ(At(0), (Placed{0, 18, 150, 16}));
    EXPECT_EQ(At(1), (Placed{0, 36, 20, 16}));
    EXPECT_EQ(Needed(), (std::make_pair(2u * 2 + 149 + 1, 2u * 2 + 51 + 1)));
}

TEST_F(RendererTest, WithoutMaximumWidthEverythingBetweenBreaksIsOneLine) {
    std::string many = "<xml>";
    for (int i = 0; i < 50; ++i)
        many += "<text>word</text>";
    Show(many + "<br/><text>x</text></xml>");
    EXPECT_EQ(At(49), (Placed{49 * 42, 0, 40, 16}));
    EXPECT_EQ(At(51), (Placed{0, 18, 10, 16}));
}

TEST_F(RendererTest, LineAndParagraphAdvances) {
    Show("<xml><text>a</text><br/><text>b</text><p/><text>c</text></xml>");
    EXPECT_EQ(renderer.Margin(), 2u);
    EXPECT_EQ(At(0).top, 0u);
    EXPECT_EQ(At(2).top, 18u);      // 16 + gap 2
    EXPECT_EQ(At(4).top, 18u + 26); // 16 x 1.5 + 2
    EXPECT_EQ(Needed(), (std::make_pair(2u * 2 + 9 + 1, 2u * 2 + 44 + 15 + 1)));

    font = TestFont{10, 13}; // 13 / 6 = 2; the half pixel of 19.5 is dropped
    Show("<xml><p/><text>c</text></xml>");
    EXPECT_EQ(At(1).top, 21u);
    font = TestFont{10, 40}; // margin and gap 6
    Show("<xml><br/><p/><text>c</text></xml>");
    EXPECT_EQ(renderer.Margin(), 6u);
    EXPECT_EQ(At(2).top, 46u + 66);
}

TEST_F(RendererTest, EmptyTextNeedsOnlyTheMargins) {
    Show("");
    EXPECT_EQ(renderer.Items().Count(), 0u);
    EXPECT_EQ(Needed(), (std::make_pair(5u, 5u)));
    // An empty run at the start of a line has right edge -1 and widens nothing.
    Show("<xml><text></text></xml>");
    EXPECT_EQ(At(0), (Placed{0, 0, 0, 16}));
    EXPECT_EQ(Needed(), (std::make_pair(5u, 20u)));
    EXPECT_EQ(services.openDrawers, 0);
}

TEST_F(RendererTest, FormulaTakesNoRoomAndIsNotPainted) {
    Show("<xml><text>aa</text><formula>ffff</formula><text>bb</text></xml>");
    EXPECT_EQ(At(2).left, 22u);
    EXPECT_EQ(At(1), (Placed{0, 0, 1, 1})); // never placed
    renderer.Paint(nullptr);
    ASSERT_EQ(services.canvas.texts.size(), 2u);
    EXPECT_EQ(services.canvas.texts[0].text, "aa");
    EXPECT_EQ(services.canvas.texts[1].text, "bb");
}

TEST_F(RendererTest, NonAsciiIsMeasuredInUtf16Units) {
    Show("<xml><text>caf\xC3\xA9</text><text>\xF0\x9F\x98\x80</text></xml>");
    EXPECT_EQ(At(0).width, 40u);
    EXPECT_EQ(At(1).width, 20u); // a surrogate pair
}

TEST_F(RendererTest, FontsFollowTheItemKind) {
    Show("<xml><text>t</text><b>b</b><a href='x'>a</a><text>t</text></xml>");
    EXPECT_EQ(At(1).width, 11u); // the bold test font is a pixel wider
    renderer.Paint(nullptr);
    auto& texts = services.canvas.texts;
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].font, &font);
    EXPECT_TRUE(texts[1].font->bold);
    EXPECT_TRUE(texts[2].font->underline);
    EXPECT_EQ(texts[3].font, &font);
    EXPECT_FALSE(services.fontLeftSelected);
    EXPECT_EQ(services.liveFonts, 2);
    renderer.SetFont(&font); // new derived fonts replace the old ones
    EXPECT_EQ(services.liveFonts, 2);
}

TEST(Renderer, WithoutAFontTheContextFontIsUsed) {
    InitMarkupForTests();
    TestServices services;
    {
        CTextRenderer renderer(services);
        renderer.SetText(TestText("<xml><text>ab</text><b>b</b></xml>"));
        auto* item = static_cast<const CTextItem*>(renderer.Items()[1]);
        EXPECT_EQ(item->m_width, 8u); // the context's 8-pixel font
        EXPECT_EQ(renderer.Margin(), 2u);
    }
    EXPECT_EQ(services.liveFonts, 0);
}

TEST_F(RendererTest, PaintFillsTheClientAndClipsEachRun) {
    Show("<xml><text>ab</text><b bgcolor='Gold'>c</b><b color='DkGreen'>d</b></xml>");
    renderer.Paint(nullptr);
    ASSERT_EQ(services.canvas.fills.size(), 1u);
    EXPECT_EQ(services.canvas.fills[0].first.right, 299);
    EXPECT_EQ(services.canvas.fills[0].second, 0xF0F0F0u);
    auto& texts = services.canvas.texts;
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].background, 0xF0F0F0u);
    EXPECT_EQ(texts[0].clip.left, 0);
    EXPECT_EQ(texts[0].clip.right, 19);
    EXPECT_EQ(texts[0].clip.bottom, 15);
    EXPECT_EQ(texts[1].background, 0x17D0FDu);
    EXPECT_EQ(texts[1].x, 22);
    EXPECT_EQ(texts[2].background, 0xF0F0F0u); // put back after the gold run
    EXPECT_EQ(texts[2].textColor, 0x008000u);
    EXPECT_EQ(services.canvas.textColor, 0x000000u); // and the text colour after the green one
}

TEST_F(RendererTest, LinkColoursFollowTheHover) {
    // Links at x 0..39, 42..81 and 84..123.
    Show("<xml><a href='1' bgcolor='LtRed'>aaaa</a><a href='2'>bbbb</a><a href='3' "
         "bgcolor='Gold'>cccc</a></xml>");
    auto colours = [&] {
        services.canvas.texts.clear();
        renderer.Paint(nullptr);
        std::vector<ColorValue> c;
        for (auto& t : services.canvas.texts)
            c.push_back(t.textColor);
        return c;
    };
    const ColorValue blue = 0xFF0000, ltRed = 0x8080FF, white = 0xFFFFFF;
    EXPECT_EQ(colours(), (std::vector<ColorValue>{blue, blue, blue}));
    renderer.UpdateHover(5, 5);
    EXPECT_EQ(colours(), (std::vector<ColorValue>{white, blue, blue}));
    renderer.UpdateHover(50, 5);
    EXPECT_EQ(colours(), (std::vector<ColorValue>{blue, ltRed, blue}));
    renderer.UpdateHover(90, 5);
    EXPECT_EQ(colours(), (std::vector<ColorValue>{blue, blue, ltRed}));
    EXPECT_EQ(services.canvas.texts[2].background, 0x17D0FDu);
    renderer.ClearHover();
    EXPECT_EQ(colours(), (std::vector<ColorValue>{blue, blue, blue}));
    EXPECT_EQ(services.canvas.textColor, 0x000000u);
}

TEST_F(RendererTest, HoverInvalidatesOncePerChange) {
    Show("<xml><a href='1'>aaaa</a><a href='2'>bbbb</a><text>tttt</text></xml>");
    renderer.UpdateHover(1, 1);
    renderer.UpdateHover(39, 15); // same link, its far corner
    EXPECT_EQ(services.invalidations, 1);
    renderer.UpdateHover(40, 1); // the gap
    EXPECT_EQ(renderer.HoveredLink(), nullptr);
    renderer.UpdateHover(42, 1);
    EXPECT_EQ(Str(renderer.HoveredLink()->m_target), "2");
    renderer.UpdateHover(90, 1); // over plain text
    renderer.UpdateHover(91, 1);
    EXPECT_EQ(services.invalidations, 4);
    renderer.ClearHover();
    EXPECT_EQ(services.invalidations, 4);
    renderer.UpdateHover(42, 16); // below the line
    EXPECT_EQ(renderer.HoveredLink(), nullptr);
}

TEST_F(RendererTest, OnlyPressAndReleaseOnTheSameLinkOpensIt) {
    ClickLog log;
    renderer.Attach(&log);
    Show("<xml><a href='one'>aaaa</a><text>tt</text><a href='two'>bbbb</a></xml>"); // 0..39, 42..61, 64..103

    // Press on a link, move off, release: nothing.
    renderer.UpdateHover(5, 5);
    renderer.PressAt(5, 5);
    renderer.UpdateHover(50, 5);
    renderer.ReleaseAt(50, 5);
    EXPECT_TRUE(log.opened.empty());
    EXPECT_EQ(renderer.PressedLink(), nullptr);

    // Press off any link, move onto one, release there: nothing.
    renderer.PressAt(50, 5);
    renderer.UpdateHover(70, 5);
    renderer.ReleaseAt(70, 5);
    EXPECT_TRUE(log.opened.empty());

    // Press on one link, move to the other, release: nothing.
    renderer.UpdateHover(5, 5);
    renderer.PressAt(5, 5);
    renderer.UpdateHover(70, 5);
    renderer.ReleaseAt(70, 5);
    EXPECT_TRUE(log.opened.empty());

    renderer.UpdateHover(70, 5);
    renderer.PressAt(70, 5);
    renderer.ReleaseAt(71, 6);
    EXPECT_EQ(log.opened, (std::vector<std::string>{"two"}));
    EXPECT_EQ(log.codes, (std::vector<uint32_t>{0}));
    renderer.ReleaseAt(71, 6); // the press was used up
    EXPECT_EQ(log.opened.size(), 1u);
    EXPECT_TRUE(renderer.Detach(&log));
}

TEST_F(RendererTest, NewTextForgetsHoverAndPress) {
    Show("<xml><a href='one'>aaaa</a></xml>");
    renderer.UpdateHover(5, 5);
    renderer.PressAt(5, 5);
    Show("<xml><a href='other'>aaaa</a></xml>");
    EXPECT_EQ(renderer.HoveredLink(), nullptr);
    EXPECT_EQ(renderer.PressedLink(), nullptr);
    Show("");
    renderer.UpdateHover(5, 5); // no items: nothing happens
    EXPECT_EQ(services.invalidations, 1);
}

TEST_F(RendererTest, EmptyLinkAtLineStartCatchesNoPoint) {
    Show("<xml><a href='x'></a></xml>");
    renderer.UpdateHover(0, 0);
    EXPECT_EQ(renderer.HoveredLink(), nullptr);
}
