#include "MarkupTestUtil.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace {

// Parsed into a reused list from an unterminated buffer of the text's size: ASan sees reads past it.
std::string Parse(const std::string& markup) {
    InitMarkupForTests();
    static CItemList items;
    std::unique_ptr<char[]> exact(new char[markup.size() + markup.empty()]);
    CMyASCIIString text;
    text.Attach(exact.get(), uint32_t(markup.size()));
    text.Append(markup.data(), uint32_t(markup.size()));
    text.UpdateAsciiFlag();
    ParseMarkup(text, items);
    return Describe(items);
}

} // namespace

TEST(ParseMarkup, ThreeForms) {
    const std::string tagName = "/html" + std::string(145, 'x'); // cut to 99: not "/html"
    const std::pair<std::string, std::string> cases[] = {
        // Plain: every line trimmed, each followed by a break; tags are text.
        {"  one  \ntwo\n", "text[one] br text[two] br "},
        {"x <b>not a tag</b>", "text[x <b>not a tag</b>] br "},
        {"<HTML>text</HTML>", ""},
        // HTML: tags and text runs.
        {"<html>one<br/>two<P/>three</html>", "text[one] br text[two] para text[three] "},
        {"<html>one<br />two</html>", "text[one] text[/>two] "},
        {"<html> before <a href='http://x.org/'>   the link  </a> after </html>",
         "text[before] link[the link]->http://x.org/ text[after] "},
        {"<html><a title='t' href='u'>L</a></html>", "link[L]->t "},
        {"<html><A href='u'>L</A>x</html>", "link[L]->u text[x] "},
        {"<html><i>italic</i><b class='x'>bold</b></html>", "text[italic] text[class='x'>bold] "},
        {"<html>caf\xC3\xA9", "text[caf\xC3\xA9]~ "},
        {"<html>a<" + tagName + ">b</html>", "text[a] text[b] "},
        {"<html><a href='" + std::string(300, 't') + "'>L</a></html>",
         "link[L]->" + std::string(199, 't') + " "},
        // XML: the root's direct children, content verbatim.
        {"<xml><text>Product (v.1.1)</text><p/><b color='DkGreen'>Bold</b><p/>"
         "<a href='https://example.org/x'>Maker</a><text> notice.</text></xml>",
         "text[Product (v.1.1)] para bold[Bold] fg=8000 para link[Maker]->https://example.org/x text[ "
         "notice.] "},
        {"<xml>\n  <text>  keep  spaces </text>\n  <text>na\xC3\xAFve</text>\n</xml>",
         "text[  keep  spaces ] text[na\xC3\xAFve]~ "},
        {"<xml><b color='Red'>x</b><b bgcolor='Gold'>y</b><b color='Red' bgcolor='Gold'>z</b><b "
         "size='3'>w</b>"
         "<b color='Purple'>v</b></xml>",
         "bold[x] fg=ff bold[y] bg=17d0fd bold[z] bold[w] bold[v] fg=0 "},
        {"<xml><a>no target</a><a href='1' color='Red' bgcolor='Gold' href='2' bgcolor='LtRed'>L</a></xml>",
         "link[no target]-> link[L]->2 bg=8080ff "},
        {"<xml><text id='1'>gone</text><formula>f</formula><formula a='1'>g</formula>"
         "<text a='1' b='2'>kept</text><i>italic</i><br/><p></p></xml>",
         "formula[f] text[kept] br para "},
        {"<xml><Text>a</Text><text>b<text>deep</text></text></xml>", "text[b] "},
        {"<xml><a href=\"u\">x</a></xml>", "link[]->u\">x</a></xml> "},
        {"<xml><text>unterminated", "text[unterminated] "},
        {"<xml><a href='never closed", "link[]->never closed "}};
    for (const auto& [markup, items] : cases) {
        EXPECT_EQ(Parse(markup), items) << markup.substr(0, 80);
        for (size_t n = 0; n < markup.size(); ++n) // every prefix read within it
            Parse(markup.substr(0, n));
    }
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
    EXPECT_EQ(job.second, "link[]-> ");
}
