#include "dialogs/MemDlgTemplate.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kDialogStyle = 0x10C00880; // WS_VISIBLE | WS_CAPTION | DS_CENTER | DS_MODALFRAME
constexpr uint32_t kButtonStyle = 0x00010001; // BS_DEFPUSHBUTTON | WS_TABSTOP

Bytes Written(const CMemDlgTemplateBase& t) {
    const auto* p = static_cast<const uint8_t*>(t.GetTemplatePtr());
    return Bytes(p, p + t.GetSize());
}

// The bytes a template must hold, field by field, little-endian, texts as UTF-16.
struct Expected {
    Bytes b;
    Expected& B(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Expected& W(uint16_t v) { return B(v & 0xFF).B(v >> 8); }
    Expected& D(uint32_t v) { return W(v & 0xFFFF).W(v >> 16); }
    Expected& S(const char* text) {
        for (; *text; ++text)
            W(uint8_t(*text));
        return W(0);
    }
    Expected& Align() {
        while (b.size() % 4)
            B(0);
        return *this;
    }
};

const struct {
    uint16_t id;
    const char* text;
} kButtons[] = {{1, "OK"}, {8, "Close"}, {2, "Cancel"}, {9, "Help"}};

} // namespace

// The generic text dialog's template: the header with the font, then four buttons, each on a
// multiple of 4 after zero padding; the rest of the block stays zero.
TEST(Template, GenericDialogBytes) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, "About", 100, 100, 300, 200, kDialogStyle, 0, "Arial", 10));
    Expected e;
    e.D(kDialogStyle | memdlg::kDS_SETFONT).D(0).W(4).W(100).W(100).W(300).W(200).W(0).W(0).S("About").W(10);
    e.S("Arial");
    for (const auto& button : kButtons) {
        ASSERT_TRUE(t.AddControl(0x0080u, button.id, 100, 100, 100, 20, kButtonStyle, 0, button.text));
        e.Align().D(0x50000000 | kButtonStyle).D(0).W(100).W(100).W(100).W(20).W(button.id);
        e.W(0xFFFF).W(0x0080).S(button.text).W(0);
    }
    EXPECT_EQ(Written(t), e.b);
    EXPECT_EQ(t.Error(), memdlg::kS_OK);
    const auto* block = static_cast<const uint8_t*>(t.GetTemplatePtr());
    EXPECT_EQ(Bytes(block + e.b.size(), block + t.GetAllocated()), Bytes(t.GetAllocated() - e.b.size(), 0));
}

TEST(Template, NamesOrdinalsAndTheExtendedForm) {
    CMemDlgTemplate plain, named, extended;
    ASSERT_TRUE(plain.Create(false, nullptr, -5, 7, 30, 40, kDialogStyle | memdlg::kDS_SETFONT));
    // No typeface: DS_SETFONT cleared, no font fields.
    EXPECT_EQ(Written(plain), Expected().D(kDialogStyle).D(0).W(0).W(-5).W(7).W(30).W(40).W(0).W(0).W(0).b);

    ASSERT_TRUE(named.Create(false, "", 0, 0, 10, 10, 0, 0x8, nullptr, 0, 0, 0, 0, 0, "Cls", 5u));
    const uint16_t data[] = {0x1234, 0xABCD};
    ASSERT_TRUE(named.AddControl(0u, 3, 1, 2, 3, 4, 0, 0x200, 0u));
    ASSERT_TRUE(named.AddControl("Edit", 4, 1, 2, 3, 4, 0x80, 0, 77u, data, 2));
    Expected e;
    e.D(0).D(8).W(2).W(0).W(0).W(10).W(10).W(0xFFFF).W(5).S("Cls").S("");
    e.Align().D(0x50000000).D(0x200).W(1).W(2).W(3).W(4).W(3).W(0xFFFF).W(0).W(0).W(0);
    e.Align().D(0x50000080).D(0).W(1).W(2).W(3).W(4).W(4).S("Edit").W(0xFFFF).W(77).W(2).W(0x1234).W(0xABCD);
    EXPECT_EQ(Written(named), e.b);

    ASSERT_TRUE(extended.Create(true, "X", 1, 2, 3, 4, 0x10C00080, 0x10, "Arial", 9, 700, 1, 0xEE, 0x4242));
    ASSERT_TRUE(extended.AddControl(0x0080u, 0x1234, 5, 6, 7, 8, 1, 0, "B", nullptr, 0, 99));
    Expected x;
    x.W(1).W(0xFFFF).D(0x4242).D(0x10).D(0x10C000C0).W(1).W(1).W(2).W(3).W(4).W(0).W(0).S("X");
    x.W(9).W(700).B(1).B(0xEE).S("Arial");
    x.Align().D(99).D(0).D(0x50000001).W(5).W(6).W(7).W(8).D(0x1234).W(0xFFFF).W(0x0080).S("B").W(0);
    EXPECT_EQ(Written(extended), x.b);
}

// The block grows by (n / 1024 + 1) * 1024 exactly when a write passes its end, keeping what was
// written and zeros beyond.
TEST(Template, GrowthAtTheBlockEnd) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, "Grow", 0, 0, 1, 1));
    EXPECT_EQ(t.GetAllocated(), 1024u);
    const Bytes before = Written(t), fill(1024 - before.size(), 0x5A), big(1024, 1);
    ASSERT_TRUE(t.AddData(fill.data(), fill.size()));
    EXPECT_EQ(t.GetAllocated(), 1024u);
    ASSERT_TRUE(t.AddData("\xA5", 1));
    EXPECT_EQ(t.GetAllocated(), 2048u);
    EXPECT_EQ(memdlg::GlobalBlockSize(t.GetHandle()), 2048u);
    const auto* block = static_cast<const uint8_t*>(t.GetTemplatePtr());
    EXPECT_EQ(Bytes(block, block + before.size()), before);
    Bytes tail(1025, 0);
    tail[0] = 0x5A, tail[1] = 0xA5;
    EXPECT_EQ(Bytes(block + 1023, block + 2048), tail);
    ASSERT_TRUE(t.AddData(big.data(), big.size()));
    EXPECT_EQ(t.GetAllocated(), 4096u);
}

// A failed write stops the template: nothing is added after it, and the error stays until Release.
TEST(Template, FailuresStopTheTemplate) {
    CMemDlgTemplate t;
    EXPECT_FALSE(t.AddControl(0x0080u, 1, 0, 0, 1, 1, 0, 0, "OK")); // before Create
    EXPECT_NE(t.Error(), memdlg::kS_OK);
    ASSERT_TRUE(t.Create(false, "T", 0, 0, 1, 1));
    const Bytes header = Written(t);
    EXPECT_FALSE(t.AddData(nullptr, 4));
    EXPECT_EQ(t.Error(), memdlg::kE_INVALIDARG);
    EXPECT_FALSE(t.AddControl(0x0080u, 1, 0, 0, 1, 1, 0, 0, "OK"));
    EXPECT_EQ(Written(t), header);
    ASSERT_TRUE(t.Create(false, "T", 0, 0, 1, 1)); // a second Create starts afresh
    EXPECT_EQ(Written(t), header);
    EXPECT_EQ(t.Error(), memdlg::kS_OK);
#ifndef _WIN32
    struct Restore {
        ~Restore() { memdlg::FailGlobalAllocationsAfter(-1); }
    } restore;
    memdlg::FailGlobalAllocationsAfter(0);
    const Bytes big(2000, 3);
    EXPECT_FALSE(t.AddData(big.data(), big.size())); // the block written so far is kept
    EXPECT_EQ(t.Error(), memdlg::kE_OUTOFMEMORY);
    EXPECT_EQ(Written(t), header);
    CMemDlgTemplate none;
    EXPECT_FALSE(none.Create(false, "T", 0, 0, 1, 1));
    EXPECT_FALSE(none.IsValid());
    memdlg::FailGlobalAllocationsAfter(-1);

    CMemDlgTemplate ansi; // code page 1252 natively
    ASSERT_TRUE(ansi.Create(false, "Caf\xE9 \x80", 0, 0, 1, 1));
    const Bytes caption = Written(ansi);
    EXPECT_EQ(Bytes(caption.begin() + 22, caption.end()),
              Expected().W('C').W('a').W('f').W(0xE9).W(' ').W(0x20AC).W(0).b);
#endif
}
