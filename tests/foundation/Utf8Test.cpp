#include "foundation/MyString.h"
#include "foundation/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using U = std::vector<unsigned>;
constexpr unsigned R = 0xFFFD, kFailed = 0xDEAD;

// The UTF-16 units of a conversion, as numbers, whatever the width of wchar_t.
U Convert(const std::string& utf8) {
    CMyASCIIString narrow;
    narrow.Reserve(uint32_t(utf8.size()) + 1);
    narrow.Append(utf8.data(), uint32_t(utf8.size()));
    CMyWideString wide;
    if (!ToWide(wide, narrow))
        return {kFailed};
    EXPECT_EQ(wide.Data()[wide.Count()], 0);
    return U(wide.Data(), wide.Data() + wide.Count());
}

} // namespace

// MultiByteToWideChar's rules: one U+FFFD for the bytes read until a sequence can no longer be
// valid (overlong, surrogate, above U+10FFFF); a sequence cut off by the end takes the rest.
TEST(ToWide, ValidAndInvalidSequences) {
    const std::pair<std::string, U> cases[] = {// clang-format off
        {"caf\xC3\xA9", {'c', 'a', 'f', 0xE9}},   {"\xE6\x97\xA5\xEF\xBB\xBF", {0x65E5, 0xFEFF}},
        {"\xF0\x9F\x98\x80!", {0xD83D, 0xDE00, '!'}}, {"\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}},
        {std::string("a\0b", 3), {'a', 0, 'b'}},  {"\x80\xFF", {R, R}},      {"\xC3x", {R, 'x'}},
        {"\xE6\x97x", {R, 'x'}},       {"\xC0\xAF", {R, R}},          {"\xE0\x9F\xBF", {R, R}},
        {"\xE0\xA0\x80", {0x800}},    {"\xF0\x8F\xBF\xBF", {R, R, R}}, {"\xF0\x90\x80\x80", {0xD800, 0xDC00}},
        {"\xED\xA0\x80", {R, R}},     {"\xED\x9F\xBF", {0xD7FF}},     {"\xF4\x90\x80\x80", {R, R, R}},
        {"a\xF0\x9F\x98", {'a', R}},  {"\xE2\x41", {R}},               {"", {kFailed}},
        {std::string(50000, 'x'), {kFailed}}};
    // clang-format on
    for (const auto& [bytes, units] : cases)
        EXPECT_EQ(Convert(bytes), units) << testing::PrintToString(bytes.substr(0, 8));
    EXPECT_EQ(Convert(std::string(49999, 'x')).size(), 49999u); // the working buffer's size
}
