// The About text: what the markup parser makes of it, and that it stays within the About command's
// fixed storage.
#include "dialogs/AboutText.h"
#include "markup/Parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Str(const CMyASCIIString& s) {
    return std::string(s.Data() ? s.Data() : "", s.Count());
}

class AboutTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitStringConstants();
        InitMarkupNames();
        std::memset(m_storage, 'x', sizeof m_storage);
        m_text.Attach(m_storage, sizeof m_storage);
    }

    char m_storage[2000];
    CMyASCIIString m_text;
};

} // namespace

TEST_F(AboutTextTest, ParsesToProductLineBreakLinkAndNotice) {
    ASSERT_TRUE(BuildAboutText(m_text));
    EXPECT_TRUE(m_text.IsExternal()) << "built in the caller's storage, never grown";
    EXPECT_EQ(0, m_storage[m_text.Count()]) << "terminated";

    CItemList items;
    ParseMarkup(m_text, items);
    ASSERT_EQ(4u, items.Count());
    EXPECT_EQ(nsHTMLItem::Text, items[0]->m_type);
    EXPECT_EQ("Varnello Application (v.1.1)", Str(static_cast<nsHTMLItem::CTextItem*>(items[0])->m_text));
    EXPECT_EQ(nsHTMLItem::ParagraphBreak, items[1]->m_type);
    ASSERT_EQ(nsHTMLItem::Link, items[2]->m_type);
    auto* link = static_cast<nsHTMLItem::CTagAItem*>(items[2]);
    EXPECT_EQ(kAboutLinkAddress, Str(link->m_target));
    EXPECT_EQ("Varnello Software", Str(link->m_text));
    ASSERT_EQ(nsHTMLItem::Text, items[3]->m_type);
    EXPECT_FALSE(static_cast<nsHTMLItem::CTextItem*>(items[3])->m_text.IsEmpty());
}

TEST_F(AboutTextTest, RebuildingEmptiesTheTextFirst) {
    ASSERT_TRUE(BuildAboutText(m_text));
    uint32_t once = m_text.Count();
    ASSERT_TRUE(BuildAboutText(m_text));
    EXPECT_EQ(once, m_text.Count());
}

TEST_F(AboutTextTest, StorageTooSmallIsReportedNotOverrun) {
    char small[40];
    std::memset(small, 'x', sizeof small);
    CMyASCIIString text;
    text.Attach(small, 32);
    EXPECT_FALSE(BuildAboutText(text));
    EXPECT_LE(text.Count(), 32u);
    EXPECT_TRUE(text.IsExternal());
    for (int i = 32; i < 40; ++i)
        EXPECT_EQ('x', small[i]);
}
