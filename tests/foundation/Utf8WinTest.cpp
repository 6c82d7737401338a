// Our own UTF-8 decoder, used where there is no MultiByteToWideChar, against the real one: every
// sequence of up to four bytes drawn from the bytes where the rules change.
#include "foundation/Utf8.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::vector<wchar_t> Decode(int (*convert)(const char*, int, wchar_t*, int), const std::string& bytes) {
    wchar_t out[16];
    int n = convert(bytes.data(), int(bytes.size()), out, 16);
    return std::vector<wchar_t>(out, out + (n > 0 ? n : 0));
}

int Platform(const char* src, int srcLen, wchar_t* dst, int dstCap) {
    return MultiByteToWideChar(CP_UTF8, 0, src, srcLen, dst, dstCap);
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char cell[4];
    for (unsigned char b : bytes) {
        snprintf(cell, sizeof cell, "%02X ", b);
        out += cell;
    }
    return out;
}

} // namespace

TEST(Utf8AgainstWindows, EveryShortSequenceDecodesAlike) {
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                   0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                   0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
    const size_t n = sizeof edges;
    int mismatches = 0, checked = 0;
    for (size_t length = 1; length <= 4; ++length) {
        size_t total = 1;
        for (size_t k = 0; k < length; ++k)
            total *= n;
        for (size_t index = 0; index < total; ++index) {
            std::string bytes;
            for (size_t k = 0, rest = index; k < length; ++k, rest /= n)
                bytes += char(edges[rest % n]);
            ++checked;
            if (Decode(DecodeUtf8ToUtf16, bytes) != Decode(Platform, bytes) && ++mismatches <= 10)
                ADD_FAILURE() << "bytes " << Hex(bytes);
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << checked;
}

TEST(Utf8AgainstWindows, SizeQueriesAgree) {
    const char* text = "a\xC3\xA9\xF0\x9F\x98\x80\xE2";
    EXPECT_EQ(DecodeUtf8ToUtf16(text, -1, nullptr, 0), Platform(text, -1, nullptr, 0));
    EXPECT_EQ(DecodeUtf8ToUtf16(text, 8, nullptr, 0), Platform(text, 8, nullptr, 0));
}
