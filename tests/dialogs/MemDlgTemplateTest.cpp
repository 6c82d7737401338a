#include "dialogs/MemDlgTemplate.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Written(const CMemDlgTemplateBase& t, size_t size = 0) {
    const auto* p = static_cast<const uint8_t*>(t.GetTemplatePtr());
    return Bytes(p, p + (size ? size : t.GetSize()));
}

// The bytes a template must hold, little-endian, from fields separated by spaces: bHEX, wHEX and
// dHEX a byte, word or dword; sTEXT a UTF-16 text and its zero; "a" zeros up to a multiple of 4.
Bytes Expected(const std::string& fields) {
    Bytes b;
    std::istringstream in(fields);
    for (std::string f; in >> f;) {
        const int size = f[0] == 'b' ? 1 : f[0] == 'w' ? 2 : f[0] == 'd' ? 4 : 0;
        for (unsigned long i = 0, v = size ? std::stoul(f.substr(1), nullptr, 16) : 0; i < unsigned(size);
             ++i, v >>= 8)
            b.push_back(uint8_t(v));
        for (size_t i = 1; f[0] == 's' && i <= f.size(); ++i)
            b.insert(b.end(), {uint8_t(i < f.size() ? f[i] : 0), 0});
        while (f == "a" && b.size() % 4)
            b.push_back(0);
    }
    return b;
}

} // namespace

// The generic dialog's template: header and font, four buttons each on a multiple of 4, the rest of
// the block zero. Without a typeface no DS_SETFONT and no font fields; the extended form.
TEST(Template, Bytes) {
    CMemDlgTemplate t, plain, extended;
    ASSERT_TRUE(t.Create(false, "About", 100, 100, 300, 200, 0x10C00880, 0, "Arial", 10));
    std::string e = "d10C008C0 d0 w4 w64 w64 w12C wC8 w0 w0 sAbout wA sArial";
    for (const auto& [id, text] : {std::make_pair(1, "OK"), {8, "Close"}, {2, "Cancel"}, {9, "Help"}}) {
        ASSERT_TRUE(t.AddControl(0x0080u, uint16_t(id), 100, 100, 100, 20, 0x00010001, 0, text));
        e += " a d50010001 d0 w64 w64 w64 w14 w" + std::to_string(id) + " wFFFF w80 s" + text + " w0";
    }
    Bytes whole = Expected(e);
    EXPECT_EQ(t.GetSize(), whole.size());
    whole.resize(t.GetAllocated());
    EXPECT_EQ(Written(t, whole.size()), whole);
    EXPECT_EQ(t.Error(), memdlg::kS_OK);

    ASSERT_TRUE(plain.Create(false, nullptr, -5, 7, 30, 40, 0x10C008C0));
    EXPECT_EQ(Written(plain), Expected("d10C00880 d0 w0 wFFFB w7 w1E w28 w0 w0 w0"));
    ASSERT_TRUE(extended.Create(true, "X", 1, 2, 3, 4, 0x10C00080, 0x10, "Arial", 9, 700, 1, 0xEE, 0x4242));
    ASSERT_TRUE(extended.AddControl(0x0080u, 0x1234, 5, 6, 7, 8, 1, 0, "B", nullptr, 0, 99));
    EXPECT_EQ(Written(extended),
              Expected("w1 wFFFF d4242 d10 d10C000C0 w1 w1 w2 w3 w4 w0 w0 sX w9 w2BC b1 bEE "
                       "sArial a d63 d0 d50000001 w5 w6 w7 w8 d1234 wFFFF w80 sB w0"));
}

// Grows by (n / 1024 + 1) * 1024 when a write passes the end, keeping the bytes, zeros beyond.
TEST(Template, GrowthAtTheBlockEnd) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, "Grow", 0, 0, 1, 1));
    Bytes expected = Written(t);
    expected.resize(1024, 0x5A);
    expected.resize(2048, 0);
    expected[1024] = 0xA5;
    ASSERT_TRUE(t.AddData(&expected[t.GetSize()], 1024 - t.GetSize()) && t.GetAllocated() == 1024);
    ASSERT_TRUE(t.AddData("\xA5", 1));
    EXPECT_EQ(memdlg::GlobalBlockSize(t.GetHandle()), 2048u);
    EXPECT_EQ(Written(t, 2048), expected);
    ASSERT_TRUE(t.AddData(expected.data(), 1024));
    EXPECT_EQ(t.GetAllocated(), 4096u);
}

// A failed write stops the template until a new Create; a failed growth keeps the block.
TEST(Template, FailuresStopTheTemplate) {
    CMemDlgTemplate t, none;
    EXPECT_FALSE(t.AddControl(0x0080u, 1, 0, 0, 1, 1, 0, 0, "OK") || t.Error() == memdlg::kS_OK); // no Create
    ASSERT_TRUE(t.Create(false, "T", 0, 0, 1, 1));
    const Bytes header = Written(t);
    EXPECT_FALSE(t.AddData(nullptr, 4) || t.Error() != memdlg::kE_INVALIDARG);
    EXPECT_FALSE(t.AddControl(0x0080u, 1, 0, 0, 1, 1, 0, 0, "OK") || Written(t) != header);
    ASSERT_TRUE(t.Create(false, "T", 0, 0, 1, 1) && Written(t) == header && t.Error() == memdlg::kS_OK);
#ifndef _WIN32
    memdlg::FailGlobalAllocationsAfter(0);
    const Bytes big(2000, 3);
    EXPECT_FALSE(t.AddData(big.data(), big.size()) || t.Error() != memdlg::kE_OUTOFMEMORY ||
                 Written(t) != header);
    EXPECT_FALSE(none.Create(false, "T", 0, 0, 1, 1) || none.IsValid());
    memdlg::FailGlobalAllocationsAfter(-1);
#endif
}
