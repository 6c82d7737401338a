// Our UTF-8 decoder against MultiByteToWideChar: every sequence of up to four edge bytes.
#include "foundation/Utf8.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

TEST(Utf8AgainstWindows, EveryShortSequenceDecodesAlike) {
    const std::string edges(
        "\x00\x41\x7F\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xDF\xE0\xE1\xEC\xED\xEE\xEF\xF0\xF1\xF3\xF4\xF5\xFF",
        25);
    auto decode = [](bool ours, const std::string& bytes) {
        wchar_t out[16];
        const int n = ours ? DecodeUtf8ToUtf16(bytes.data(), int(bytes.size()), out, 16)
                           : MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), out, 16);
        return std::wstring(out, n > 0 ? n : 0);
    };
    int mismatches = 0;
    for (size_t length = 1, total = edges.size(); length <= 4; ++length, total *= edges.size())
        for (size_t index = 0; index < total; ++index) {
            std::string bytes;
            for (size_t k = 0, rest = index; k < length; ++k, rest /= edges.size())
                bytes += edges[rest % edges.size()];
            if (decode(true, bytes) != decode(false, bytes) && ++mismatches <= 10)
                ADD_FAILURE() << "bytes " << testing::PrintToString(bytes);
        }
    EXPECT_EQ(mismatches, 0);
}
