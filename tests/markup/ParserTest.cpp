#include "MarkupTestUtil.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

using namespace nsHTMLItem;

namespace {

// One line per item: the kind, then its text in brackets, the target after "->" and colours.
std::string Describe(const CItemList& items) {
    static const char* const kinds[] = {"br", "para", "text", "bold", "formula", "link"};
    std::ostringstream out;
    for (uint32_t i = 0; i < items.Count(); ++i) {
        const CItem* item = items[i];
        out << kinds[item->m_type];
        if (item->m_type >= Text) {
            auto* text = static_cast<const CTextItem*>(item);
            out << "[" << Str(text->m_text) << "]";
            if (item->m_type == Link)
                out << "->" << Str(static_cast<const CTagAItem*>(item)->m_target);
            if (text->m_hasBackground)
                out << " bg=" << std::hex << text->m_background << std::dec;
            if (text->m_hasTextColor)
                out << " fg=" << std::hex << text->m_textColor << std::dec;
        }
        out << "\n";
    }
    return out.str();
}

std::string Parse(const std::string& markup) {
    InitMarkupForTests();
    TestText text(markup);
    CItemList items;
    ParseMarkup(text, items);
    return Describe(items);
}

} // namespace

TEST(PlainForm, LinesBecomeTrimmedTextsEachFollowedByABreak) {
    EXPECT_EQ(Parse("word"), "text[word]\nbr\n");
    EXPECT_EQ(Parse("a\r\n\r\nb"), "text[a]\nbr\ntext[]\nbr\ntext[b]\nbr\n");
    EXPECT_EQ(Parse("  one  \ntwo\n"), "text[one]\nbr\ntext[two]\nbr\n"); // no line after the last LF
    EXPECT_EQ(Parse("\n"), "text[]\nbr\n");
    EXPECT_EQ(Parse("x <b>not a tag</b>"), "text[x <b>not a tag</b>]\nbr\n");
    EXPECT_EQ(Parse(""), "");
}

TEST(FormChoice, OnlyHtmlAndXmlStartsAreMarkup) {
    EXPECT_EQ(Parse("<"), "");
    EXPECT_EQ(Parse("<?xml version='1.0'?><xml><text>a</text></xml>"), "");
    EXPECT_EQ(Parse("<body>text</body>"), "");
    EXPECT_EQ(Parse("<HTML>text</HTML>"), ""); // the form letter is case-sensitive
}

TEST(HtmlForm, BreaksAndParagraphs) {
    EXPECT_EQ(Parse("<html>one<br/>two<p/>three</html>"), "text[one]\nbr\ntext[two]\npara\ntext[three]\n");
    EXPECT_EQ(Parse("<html>one<BR/>two<P/>x</html>"), "text[one]\nbr\ntext[two]\npara\ntext[x]\n");
    // With a space before the slash the name is "br" and its "/>" starts the next text.
    EXPECT_EQ(Parse("<html>one<br />two</html>"), "text[one]\ntext[/>two]\n");
    // A break at the very end is cut off with the text.
    EXPECT_EQ(Parse("<html>one<br/>"), "text[one]\n");
}

TEST(HtmlForm, LinkTakesTheFirstQuotedValueAndTrimmedText) {
    EXPECT_EQ(Parse("<html> before <a href='http://x.org/'>   the link  </a> after </html>"),
              "text[before]\nlink[the link]->http://x.org/\ntext[after]\n");
    EXPECT_EQ(Parse("<html><a title='t' href='u'>L</a></html>"), "link[L]->t\n");
    EXPECT_EQ(Parse("<html><A href='u'>L</A>x</html>"), "link[L]->u\ntext[x]\n");
}

TEST(HtmlForm, UnknownTagsGiveNothingButTheirTextFollows) {
    EXPECT_EQ(Parse("<html><i>italic</i><b class='x'>bold</b></html>"),
              "text[italic]\ntext[class='x'>bold]\n");
    EXPECT_EQ(Parse("<html>a</html>ignored<br/>tail"), "text[a]\n");
    EXPECT_EQ(Parse("<html>"), "");
    EXPECT_EQ(Parse("<html>only text"), "text[only text]\n");
    EXPECT_EQ(Parse("<html>caf\xC3\xA9"), "text[caf\xC3\xA9]\n");
}

TEST(HtmlForm, LongNamesAndTargetsAreCut) {
    // A tag name of 150 letters is cut to 99: it is not "/html", and reading goes on.
    std::string longName = "/html" + std::string(145, 'x');
    EXPECT_EQ(Parse("<html>a<" + longName + ">b</html>"), "text[a]\ntext[b]\n");
    std::string target(300, 't');
    EXPECT_EQ(Parse("<html><a href='" + target + "'>L</a></html>"),
              "link[L]->" + std::string(199, 't') + "\n");
    EXPECT_EQ(Parse("<html><a href='" + std::string(199, 'u') + "'>L</a></html>"),
              "link[L]->" + std::string(199, 'u') + "\n");
}

TEST(XmlForm, AboutTextShape) {
    EXPECT_EQ(Parse("<xml><text>Varnello Application (v.1.1)</text><p/>"
                    "<b color='DkGreen'>Bold</b><p/>"
                    "<a href='https://example.org/varnello'>Example Maker</a><text> notice.</text></xml>"),
              "text[Varnello Application (v.1.1)]\npara\nbold[Bold] fg=8000\npara\n"
              "link[Example Maker]->https://example.org/varnello\ntext[ notice.]\n");
}

TEST(XmlForm, ContentIsVerbatimAndNonAsciiIsFlagged) {
    InitMarkupForTests();
    TestText text("<xml>\n  <text>  keep  spaces </text>\n  <text>na\xC3\xAFve</text>\n</xml>");
    CItemList items;
    ParseMarkup(text, items);
    ASSERT_EQ(items.Count(), 2u);
    auto* first = static_cast<CTextItem*>(items[0]);
    auto* second = static_cast<CTextItem*>(items[1]);
    EXPECT_EQ(Str(first->m_text), "  keep  spaces ");
    EXPECT_TRUE(first->m_text.IsAscii());
    EXPECT_EQ(Str(second->m_text), "na\xC3\xAFve");
    EXPECT_FALSE(second->m_text.IsAscii());
}

TEST(XmlForm, BoldColoursDependOnTheAttributeCount) {
    EXPECT_EQ(Parse("<xml><b color='Red'>x</b></xml>"), "bold[x] fg=ff\n");
    EXPECT_EQ(Parse("<xml><b bgcolor='Gold'>x</b></xml>"), "bold[x] bg=17d0fd\n");
    EXPECT_EQ(Parse("<xml><b color='Red' bgcolor='Gold'>x</b></xml>"), "bold[x]\n");
    EXPECT_EQ(Parse("<xml><b size='3'>x</b></xml>"), "bold[x]\n");
    EXPECT_EQ(Parse("<xml><b>x</b></xml>"), "bold[x]\n");
    EXPECT_EQ(Parse("<xml><b color='dkgreen'>x</b><b color='Purple'>y</b></xml>"),
              "bold[x] fg=0\nbold[y] fg=0\n");
}

TEST(XmlForm, LinksTextsFormulasAndUnknownElements) {
    EXPECT_EQ(Parse("<xml><a>no target</a></xml>"), "link[no target]->\n");
    EXPECT_EQ(Parse("<xml><a href='1' color='Red' bgcolor='Gold' href='2' bgcolor='LtRed'>L</a></xml>"),
              "link[L]->2 bg=8080ff\n");
    EXPECT_EQ(Parse("<xml><text id='1'>gone</text><formula>f</formula><formula a='1'>g</formula>"
                    "<text a='1' b='2'>kept</text><i>italic</i><br/><p></p></xml>"),
              "formula[f]\ntext[kept]\nbr\npara\n");
    // Names are case-sensitive in this form, and only the root's children count.
    EXPECT_EQ(Parse("<xml><Text>a</Text><text>b<text>deep</text></text></xml>"), "text[b]\n");
    EXPECT_EQ(Parse("<xml a='1'>root content<text>t</text></xml>"), "text[t]\n");
}

TEST(XmlForm, DoubleQuotedValuesRunToTheNextSingleQuote) {
    // The value swallows the rest up to "it's"; what follows the quote reads as a second attribute.
    EXPECT_EQ(Parse("<xml><b color=\"Red\">x</b><text>it's</text></xml>"), "bold[]\n");
    EXPECT_EQ(Parse("<xml><a href=\"u\">x</a></xml>"), "link[]->u\">x</a></xml>\n");
}

TEST(XmlForm, MalformedInputStopsAtTheEnd) {
    EXPECT_EQ(Parse("<xml><text>unterminated"), "text[unterminated]\n");
    EXPECT_EQ(Parse("<xml><b color"), "bold[] fg=0\n"); // one attribute "color", no value
    EXPECT_EQ(Parse("<xml><a href='never closed"), "link[]->never closed\n");
    EXPECT_EQ(Parse("<x"), "");
    EXPECT_EQ(Parse("<xml><text>a</text> junk <p/></xml>").find("text[a]\n"), 0u);
}

TEST(XmlForm, DeepNestingNeitherRecursesNorLeaks) {
    std::string deep = "<xml>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    EXPECT_EQ(Parse(deep), "link[]->\n");
}

TEST(ParseMarkup, ReplacesTheListAndReusesIt) {
    InitMarkupForTests();
    CItemList items;
    TestText first("one\ntwo"), second("<xml><p/></xml>");
    ParseMarkup(first, items);
    EXPECT_EQ(items.Count(), 4u);
    ParseMarkup(second, items);
    EXPECT_EQ(Describe(items), "para\n");
    EXPECT_GE(items.Capacity(), 30u);
}

// Every prefix of valid texts in each form, in a buffer of exactly that size: the sanitizer
// reports any read past the end.
TEST(ParseMarkup, EveryTruncationOfValidTexts) {
    InitMarkupForTests();
    const std::string texts[] = {
        "<xml><text>Varnello Application (v.1.1)</text><p/><b color='DkGreen'>B</b><p/>"
        "<a href='https://example.org/' bgcolor='LtRed'>Maker</a><text> notice</text></xml>",
        "<html>Intro <BR/> more<a href='http://x/'>  link  </a> after<p/>end<br /> x</html>",
        "first\r\n\r\n  third \nlast",
    };
    for (const std::string& full : texts) {
        for (size_t n = 0; n <= full.size(); ++n) {
            char* exact = new char[n ? n : 1];
            std::memcpy(exact, full.data(), n);
            CMyASCIIString text;
            text.Attach(exact, uint32_t(n));
            text.Append(exact, uint32_t(n));
            CItemList items;
            ParseMarkup(text, items);
            EXPECT_LE(items.Count(), 20u) << n;
            delete[] exact;
        }
    }
}
