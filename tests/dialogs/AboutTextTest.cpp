// The About text as parsed, built within the About command's fixed storage.
#include "dialogs/AboutText.h"
#include "tests/markup/MarkupTestUtil.h"

#include <gtest/gtest.h>

TEST(AboutText, ParsesToProductLineBreakLinkAndNotice) {
    char storage[2000], small[40];
    std::memset(small, 'x', sizeof small);
    CMyASCIIString text, tooSmall;
    text.Attach(storage, sizeof storage);
    tooSmall.Attach(small, 32);
    ASSERT_TRUE(BuildAboutText(text) && BuildAboutText(text)); // the second from empty again
    EXPECT_TRUE(text.IsExternal() && storage[text.Count()] == 0) << "built in the caller's storage";
    CItemList items;
    ParseMarkup(text, items);
    EXPECT_EQ(Describe(items), "text[Varnello Application (v.1.1)] para link[Varnello Software]->" +
                                   std::string(kAboutLinkAddress) +
                                   " text[Free to use; provided as is, without warranty.] ");
    EXPECT_FALSE(BuildAboutText(tooSmall));
    EXPECT_EQ(std::string(small + 32, 8), "xxxxxxxx") << "not overrun";
}
