#include "MarkupTestUtil.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace {

std::string Parse(const std::string& markup) {
    InitMarkupForTests();
    CItemList items;
    ParseMarkup(TestText(markup), items);
    return Describe(items);
}

} // namespace

TEST(ParseMarkup, ThreeForms) {
    const std::string tagName = "/html" + std::string(145, 'x'); // cut to 99: not "/html"
    const std::pair<std::string, std::string> cases[] = {
        // Plain: every line trimmed, each followed by a break; tags are text.
        {"", ""},
        {"word", "text[word]\nbr\n"},
        {"  one  \ntwo\n", "text[one]\nbr\ntext[two]\nbr\n"},
        {"x <b>not a tag</b>", "text[x <b>not a tag</b>]\nbr\n"},
        // Only "<h" and "<x" start markup, case-sensitively.
        {"<HTML>text</HTML>", ""},
        {"<?xml version='1.0'?><xml><text>a</text></xml>", ""},
        // HTML: tags and text runs.
        {"<html>one<br/>two<P/>three</html>", "text[one]\nbr\ntext[two]\npara\ntext[three]\n"},
        {"<html>one<br />two</html>", "text[one]\ntext[/>two]\n"},
        {"<html> before <a href='http://x.org/'>   the link  </a> after </html>",
         "text[before]\nlink[the link]->http://x.org/\ntext[after]\n"},
        {"<html><a title='t' href='u'>L</a></html>", "link[L]->t\n"},
        {"<html><A href='u'>L</A>x</html>", "link[L]->u\ntext[x]\n"},
        {"<html><i>italic</i><b class='x'>bold</b></html>", "text[italic]\ntext[class='x'>bold]\n"},
        {"<html>a</html>ignored<br/>tail", "text[a]\n"},
        {"<html>caf\xC3\xA9", "text[caf\xC3\xA9]~\n"},
        {"<html>a<" + tagName + ">b</html>", "text[a]\ntext[b]\n"},
        {"<html><a href='" + std::string(300, 't') + "'>L</a></html>",
         "link[L]->" + std::string(199, 't') + "\n"},
        // XML: the root's direct children, content verbatim.
        {"<xml><text>Product (v.1.1)</text><p/><b color='DkGreen'>Bold</b><p/>"
         "<a href='https://example.org/x'>Maker</a><text> notice.</text></xml>",
         "text[Product (v.1.1)]\npara\nbold[Bold] fg=8000\npara\nlink[Maker]->https://example.org/x\ntext[ "
         "notice.]\n"},
        {"<xml>\n  <text>  keep  spaces </text>\n  <text>na\xC3\xAFve</text>\n</xml>",
         "text[  keep  spaces ]\ntext[na\xC3\xAFve]~\n"},
        {"<xml><b color='Red'>x</b><b bgcolor='Gold'>y</b><b color='Red' bgcolor='Gold'>z</b><b "
         "size='3'>w</b>"
         "<b color='Purple'>v</b></xml>",
         "bold[x] fg=ff\nbold[y] bg=17d0fd\nbold[z]\nbold[w]\nbold[v] fg=0\n"},
        {"<xml><a>no target</a><a href='1' color='Red' bgcolor='Gold' href='2' bgcolor='LtRed'>L</a></xml>",
         "link[no target]->\nlink[L]->2 bg=8080ff\n"},
        {"<xml><text id='1'>gone</text><formula>f</formula><formula a='1'>g</formula>"
         "<text a='1' b='2'>kept</text><i>italic</i><br/><p></p></xml>",
         "formula[f]\ntext[kept]\nbr\npara\n"},
        {"<xml><Text>a</Text><text>b<text>deep</text></text></xml>", "text[b]\n"},
        // A double-quoted value runs to the next single quote.
        {"<xml><a href=\"u\">x</a></xml>", "link[]->u\">x</a></xml>\n"},
        // Malformed input stops at the end.
        {"<xml><text>unterminated", "text[unterminated]\n"},
        {"<xml><b color", "bold[] fg=0\n"},
        {"<xml><a href='never closed", "link[]->never closed\n"}};
    for (const auto& [markup, items] : cases)
        EXPECT_EQ(Parse(markup), items) << markup.substr(0, 80);
}

// Deep nesting read and released without recursion: natively on a stack recursion overflows.
TEST(ParseMarkup, DeepNestingNeedsNoStack) {
    std::pair<std::string, std::string> job{"<xml>", ""};
    for (int i = 0; i < 100000; ++i)
        job.first += "<a>";
    auto parse = [](void* arg) -> void* {
        auto* io = static_cast<std::pair<std::string, std::string>*>(arg);
        io->second = Parse(io->first);
        return nullptr;
    };
#ifdef _WIN32
    parse(&job);
#else
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, parse, &job), 0);
    pthread_join(thread, nullptr);
#endif
    EXPECT_EQ(job.second, "link[]->\n");
}

// The list is reused; every prefix of a text, in a buffer of its size, is read within it (ASan).
TEST(ParseMarkup, ReusedListAndEveryTruncation) {
    CItemList items;
    ParseMarkup(TestText("one\ntwo"), items);
    for (const std::string full :
         {"<xml><text>P</text><p/><b color='DkGreen'>B</b><a href='h' bgcolor='LtRed'>M</a></xml>",
          "<html>Intro <BR/> more<a href='http://x/'>  link  </a> after<p/>end<br /> x</html>",
          "first\r\n\r\n  third \nlast"})
        for (size_t n = 0; n <= full.size(); ++n) {
            std::unique_ptr<char[]> exact(new char[n + !n]);
            std::memcpy(exact.get(), full.data(), n);
            CMyASCIIString text;
            text.Attach(exact.get(), uint32_t(n));
            text.Append(exact.get(), uint32_t(n));
            ParseMarkup(text, items);
            EXPECT_LE(items.Count(), 20u) << n;
        }
    EXPECT_EQ(Describe(items), "text[first]\nbr\ntext[]\nbr\ntext[third]\nbr\ntext[last]\nbr\n");
}
