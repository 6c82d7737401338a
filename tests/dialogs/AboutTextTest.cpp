// The About text: what the markup parser makes of it, and that it stays within the About command's
// fixed storage.
#include "dialogs/AboutText.h"
#include "markup/Parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace nsHTMLItem;

TEST(AboutText, ParsesToProductLineBreakLinkAndNotice) {
    char storage[2000];
    std::memset(storage, 'x', sizeof storage);
    CMyASCIIString text;
    text.Attach(storage, sizeof storage);
    ASSERT_TRUE(BuildAboutText(text));
    ASSERT_TRUE(BuildAboutText(text)); // rebuilt from empty
    EXPECT_TRUE(text.IsExternal()) << "built in the caller's storage, never grown";
    EXPECT_EQ(0, storage[text.Count()]);

    CItemList items;
    ParseMarkup(text, items);
    ASSERT_EQ(4u, items.Count());
    const ItemType kinds[] = {Text, ParagraphBreak, Link, Text};
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(kinds[i], items[i]->m_type) << i;
    auto str = [](const CMyASCIIString& s) { return std::string(s.Data(), s.Count()); };
    EXPECT_EQ("Varnello Application (v.1.1)", str(static_cast<CTextItem*>(items[0])->m_text));
    EXPECT_EQ(kAboutLinkAddress, str(static_cast<CTagAItem*>(items[2])->m_target));
    EXPECT_FALSE(static_cast<CTagAItem*>(items[2])->m_text.IsEmpty()); // the maker's name
    EXPECT_FALSE(static_cast<CTextItem*>(items[3])->m_text.IsEmpty()); // and the notice

    char small[40];
    std::memset(small, 'x', sizeof small);
    CMyASCIIString tooSmall;
    tooSmall.Attach(small, 32);
    EXPECT_FALSE(BuildAboutText(tooSmall));
    EXPECT_EQ(std::string(small + 32, 8), "xxxxxxxx") << "not overrun";
}
