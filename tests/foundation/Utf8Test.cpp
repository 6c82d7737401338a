#include "foundation/MyString.h"
#include "foundation/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The UTF-16 units of a conversion, as numbers, whatever the width of wchar_t.
std::vector<unsigned> Convert(const std::string& utf8) {
    CMyASCIIString narrow;
    narrow.Reserve(uint32_t(utf8.size()) + 1);
    narrow.Append(utf8.data(), uint32_t(utf8.size()));
    CMyWideString wide;
    if (!ToWide(wide, narrow))
        return {0xDEAD};
    std::vector<unsigned> units;
    for (uint32_t i = 0; i < wide.Count(); ++i)
        units.push_back(unsigned(wide[i]) & 0xFFFF);
    EXPECT_EQ(wide.Data()[wide.Count()], 0); // terminated
    return units;
}

using U = std::vector<unsigned>;
constexpr unsigned R = 0xFFFD;

} // namespace

TEST(ToWide, ValidText) {
    EXPECT_EQ(Convert("abc"), (U{'a', 'b', 'c'}));
    EXPECT_EQ(Convert("caf\xC3\xA9"), (U{'c', 'a', 'f', 0xE9}));
    EXPECT_EQ(Convert("\xE6\x97\xA5\xE6\x9C\xAC"), (U{0x65E5, 0x672C})); // CJK
    EXPECT_EQ(Convert("\xF0\x9F\x98\x80!"), (U{0xD83D, 0xDE00, '!'}));   // emoji: a surrogate pair
    EXPECT_EQ(Convert("\xF4\x8F\xBF\xBF"), (U{0xDBFF, 0xDFFF}));         // U+10FFFF
    EXPECT_EQ(Convert("\xEF\xBB\xBFx"), (U{0xFEFF, 'x'}));               // a BOM is kept
    EXPECT_EQ(Convert(std::string("a\0b", 3)), (U{'a', 0, 'b'}));        // zero bytes are characters
}

// The replacement rules of MultiByteToWideChar: one U+FFFD for the bytes read until a sequence can
// no longer be valid; a sequence cut off by the end takes the rest of the text.
TEST(ToWide, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(Convert("\x80"), (U{R}));        // lone continuation byte
    EXPECT_EQ(Convert("\xFF\xFE"), (U{R, R})); // never in UTF-8
    EXPECT_EQ(Convert("\xC3x"), (U{R, 'x'}));  // the non-continuation byte is kept
    EXPECT_EQ(Convert("\xE2"
                      "Abc"),
              (U{R, 'A', 'b', 'c'}));
    EXPECT_EQ(Convert("\xE6\x97x"), (U{R, 'x'}));         // a good start then a bad byte: one U+FFFD
    EXPECT_EQ(Convert("\xC0\xAF"), (U{R, R}));            // C0 and C1 never start a sequence
    EXPECT_EQ(Convert("\xE0\x80\xAF"), (U{R, R}));        // overlong: found at the second byte
    EXPECT_EQ(Convert("\xF0\x80\x80\x80"), (U{R, R, R})); // overlong four-byte form
    EXPECT_EQ(Convert("\xED\xA0\x80"), (U{R, R}));        // an encoded surrogate
    EXPECT_EQ(Convert("\xF4\x90\x80\x80"), (U{R, R, R})); // above U+10FFFF
    EXPECT_EQ(Convert("a\xC3"), (U{'a', R}));             // cut off by the end
    EXPECT_EQ(Convert("\xF0\x9F\x98"), (U{R}));
    EXPECT_EQ(Convert("\xE2"
                      "A"),
              (U{R})); // ... which takes the rest with it
}

TEST(ToWide, EmptyAndOversizedTextsFail) {
    CMyASCIIString empty;
    CMyWideString wide;
    EXPECT_FALSE(ToWide(wide, empty));

    // 50000 ASCII characters do not fit the 49999-unit working buffer.
    std::string big(50000, 'x');
    EXPECT_EQ(Convert(big), (U{0xDEAD}));
    EXPECT_EQ(Convert(big.substr(1)).size(), 49999u);
}

TEST(Utf8ToUtf16, SizeQueryAndTooSmallBuffer) {
    const char* text = "\xC3\xA9\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8ToUtf16(text, 6, nullptr, 0), 3);
    EXPECT_EQ(Utf8ToUtf16(text, -1, nullptr, 0), 4); // with the terminating zero
    wchar_t out[3];
    EXPECT_EQ(Utf8ToUtf16("abc", 3, out, 2), 0);
    EXPECT_EQ(Utf8ToUtf16(text, 6, out, 3), 3);
    EXPECT_EQ(Utf8ToUtf16(text, 0, out, 3), 0);
}
