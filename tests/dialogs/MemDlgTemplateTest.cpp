#include "dialogs/MemDlgTemplate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kDialogStyle = 0x10C00880; // WS_VISIBLE | WS_CAPTION | DS_CENTER | DS_MODALFRAME
constexpr uint32_t kButtonStyle = 0x00010001; // BS_DEFPUSHBUTTON | WS_TABSTOP
constexpr unsigned kButtonClass = 0x0080;

Bytes Written(const CMemDlgTemplateBase& t) {
    const auto* p = static_cast<const uint8_t*>(t.GetTemplatePtr());
    return Bytes(p, p + t.GetSize());
}

uint16_t Word(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

uint32_t Dword(const Bytes& b, size_t at) {
    return Word(b, at) | (static_cast<uint32_t>(Word(b, at + 2)) << 16);
}

// Reads a zero-terminated UTF-16 text (ASCII only) and moves past it.
std::string Utf16At(const Bytes& b, size_t& at) {
    std::string text;
    for (uint16_t unit; (unit = Word(b, at)) != 0; at += 2) {
        text += static_cast<char>(unit);
    }
    at += 2;
    return text;
}

// The generic text dialog's template: header, then OK, Close, Cancel, Help.
void WriteGenericDialog(CMemDlgTemplate& t, const char* caption) {
    ASSERT_TRUE(t.Create(false, caption, 100, 100, 300, 200, kDialogStyle, 0, "Arial", 10));
    const struct {
        uint16_t id;
        const char* text;
    } buttons[] = {{1, "OK"}, {8, "Close"}, {2, "Cancel"}, {9, "Help"}};
    for (const auto& b : buttons) {
        ASSERT_TRUE(t.AddControl(kButtonClass, b.id, 100, 100, 100, 20, kButtonStyle, 0, b.text));
    }
}

struct Entry {
    size_t offset;
    uint32_t style, exStyle;
    int16_t x, y, cx, cy;
    uint16_t id;
    uint16_t classAtom;
    std::string text;
    uint16_t creationCount;
};

// Walks the control entries of a standard template that follow its header at `at`.
std::vector<Entry> ReadEntries(const Bytes& b, size_t at, size_t count) {
    std::vector<Entry> entries;
    for (size_t i = 0; i < count; ++i) {
        const size_t aligned = (at + 3) & ~size_t(3);
        for (size_t pad = at; pad < aligned; ++pad) {
            EXPECT_EQ(b.at(pad), 0) << "padding before entry " << i;
        }
        Entry e{};
        e.offset = aligned;
        e.style = Dword(b, aligned);
        e.exStyle = Dword(b, aligned + 4);
        e.x = static_cast<int16_t>(Word(b, aligned + 8));
        e.y = static_cast<int16_t>(Word(b, aligned + 10));
        e.cx = static_cast<int16_t>(Word(b, aligned + 12));
        e.cy = static_cast<int16_t>(Word(b, aligned + 14));
        e.id = Word(b, aligned + 16);
        EXPECT_EQ(Word(b, aligned + 18), 0xFFFF);
        e.classAtom = Word(b, aligned + 20);
        at = aligned + 22;
        e.text = Utf16At(b, at);
        e.creationCount = Word(b, at);
        at += 2;
        entries.push_back(e);
    }
    return entries;
}

} // namespace

TEST(Template, GenericDialogHeaderBytes) {
    CMemDlgTemplate t;
    WriteGenericDialog(t, "Hi");
    const Bytes b = Written(t);
    const Bytes header = {
        0xC0, 0x08, 0xC0, 0x10,          // style with DS_SETFONT
        0x00, 0x00, 0x00, 0x00,          // extended style
        0x04, 0x00,                      // four controls
        0x64, 0x00, 0x64, 0x00,          // x, y = 100
        0x2C, 0x01, 0xC8, 0x00,          // 300 x 200
        0x00, 0x00, 0x00, 0x00,          // no menu, the dialog class
        'H',  0,    'i',  0,    0,    0, // caption
        0x0A, 0x00,                      // 10 points
        'A',  0,    'r',  0,    'i',  0,    'a',  0,
        'l',  0,    0,    0,    0x00, 0x00, // padding to the first entry
        0x01, 0x00, 0x01, 0x50,             // OK: style | WS_CHILD | WS_VISIBLE
        0x00, 0x00, 0x00, 0x00, 0x64, 0x00, 0x64, 0x00,
        0x64, 0x00, 0x14, 0x00, 0x01, 0x00,             // id 1
        0xFF, 0xFF, 0x80, 0x00,                         // button class
        'O',  0,    'K',  0,    0,    0,    0x00, 0x00, // no creation data
    };
    ASSERT_GE(b.size(), header.size());
    EXPECT_EQ(Bytes(b.begin(), b.begin() + header.size()), header);
    EXPECT_EQ(t.Error(), memdlg::kS_OK);
}

TEST(Template, GenericDialogEntriesAlignedWithZeroPadding) {
    CMemDlgTemplate t;
    WriteGenericDialog(t, "About Varnello");
    const Bytes b = Written(t);
    EXPECT_EQ(Word(b, 8), 4);
    size_t at = 22;
    EXPECT_EQ(Utf16At(b, at), "About Varnello");
    EXPECT_EQ(Word(b, at), 10);
    at += 2;
    EXPECT_EQ(Utf16At(b, at), "Arial");

    const auto entries = ReadEntries(b, at, 4);
    const uint16_t ids[] = {1, 8, 2, 9};
    const char* texts[] = {"OK", "Close", "Cancel", "Help"};
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        SCOPED_TRACE(texts[i]);
        EXPECT_EQ(e.offset % 4, 0u);
        EXPECT_EQ(e.style, 0x50010001u);
        EXPECT_EQ(e.exStyle, 0u);
        EXPECT_EQ(e.x, 100);
        EXPECT_EQ(e.y, 100);
        EXPECT_EQ(e.cx, 100);
        EXPECT_EQ(e.cy, 20);
        EXPECT_EQ(e.id, ids[i]);
        EXPECT_EQ(e.classAtom, 0x0080);
        EXPECT_EQ(e.text, texts[i]);
        EXPECT_EQ(e.creationCount, 0);
    }
    // Nothing but zeros after the last entry.
    const auto* block = static_cast<const uint8_t*>(t.GetTemplatePtr());
    for (size_t i = b.size(); i < t.GetAllocated(); ++i) {
        ASSERT_EQ(block[i], 0) << i;
    }
}

TEST(Template, NullCaptionAndNoTypeface) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, nullptr, -5, 7, 30, 40, kDialogStyle | memdlg::kDS_SETFONT));
    const Bytes b = Written(t);
    ASSERT_EQ(b.size(), 24u);             // header, menu, class and a caption of one zero unit
    EXPECT_EQ(Dword(b, 0), kDialogStyle); // DS_SETFONT cleared without a typeface
    EXPECT_EQ(static_cast<int16_t>(Word(b, 10)), -5);
    EXPECT_EQ(Word(b, 22), 0);

    CMemDlgTemplate withFont;
    ASSERT_TRUE(withFont.Create(false, nullptr, 0, 0, 1, 1, 0, 0, "Arial", 10));
    const Bytes f = Written(withFont);
    EXPECT_EQ(Dword(f, 0), memdlg::kDS_SETFONT);
    EXPECT_EQ(Word(f, 22), 0);
    EXPECT_EQ(Word(f, 24), 10);
}

TEST(Template, NamesOrdinalsAndCreationData) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, "", 0, 0, 10, 10, 0, 0x8, nullptr, 0, 0, 0, 0, 0, "Cls", 5u));
    const uint16_t data[] = {0x1234, 0xABCD};
    ASSERT_TRUE(t.AddControl(0u, 3, 1, 2, 3, 4, 0, 0x200, 0u));
    ASSERT_TRUE(t.AddControl("Edit", 4, 1, 2, 3, 4, 0x80, 0, 77u, data, 2));
    const Bytes b = Written(t);
    EXPECT_EQ(Dword(b, 4), 0x8u);
    EXPECT_EQ(Word(b, 18), 0xFFFF); // menu ordinal 5
    EXPECT_EQ(Word(b, 20), 5);
    size_t at = 22;
    EXPECT_EQ(Utf16At(b, at), "Cls");
    EXPECT_EQ(Utf16At(b, at), ""); // empty caption

    at = (at + 3) & ~size_t(3);
    EXPECT_EQ(Dword(b, at), 0x50000000u);
    EXPECT_EQ(Dword(b, at + 4), 0x200u);
    EXPECT_EQ(Word(b, at + 18), 0xFFFF); // class 0 is still an ordinal
    EXPECT_EQ(Word(b, at + 20), 0);
    EXPECT_EQ(Word(b, at + 22), 0); // text 0: none
    EXPECT_EQ(Word(b, at + 24), 0); // no creation data
    at = (at + 26 + 3) & ~size_t(3);
    EXPECT_EQ(Dword(b, at), 0x50000080u);
    at += 18;
    EXPECT_EQ(Utf16At(b, at), "Edit");
    EXPECT_EQ(Word(b, at), 0xFFFF); // text ordinal 77
    EXPECT_EQ(Word(b, at + 2), 77);
    EXPECT_EQ(Word(b, at + 4), 2);
    EXPECT_EQ(Word(b, at + 6), 0x1234);
    EXPECT_EQ(Word(b, at + 8), 0xABCD);
    EXPECT_EQ(b.size(), at + 10);
    EXPECT_EQ(Word(b, 8), 2);
}

TEST(Template, ExtendedForm) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(true, "X", 1, 2, 3, 4, 0x10C00080, 0x10, "Arial", 9, 700, 1, 0xEE, 0x4242));
    ASSERT_TRUE(t.AddControl(kButtonClass, 0x1234, 5, 6, 7, 8, 1, 0, "B", nullptr, 0, 99));
    const Bytes b = Written(t);
    EXPECT_EQ(Word(b, 0), 1);
    EXPECT_EQ(Word(b, 2), 0xFFFF);
    EXPECT_EQ(Dword(b, 4), 0x4242u);
    EXPECT_EQ(Dword(b, 8), 0x10u);
    EXPECT_EQ(Dword(b, 12), 0x10C000C0u);
    EXPECT_EQ(Word(b, 16), 1);
    size_t at = 26;
    EXPECT_EQ(Word(b, at), 0);
    EXPECT_EQ(Word(b, at + 2), 0);
    at += 4;
    EXPECT_EQ(Utf16At(b, at), "X");
    EXPECT_EQ(Word(b, at), 9);
    EXPECT_EQ(Word(b, at + 2), 700);
    EXPECT_EQ(b.at(at + 4), 1);
    EXPECT_EQ(b.at(at + 5), 0xEE);
    at += 6;
    EXPECT_EQ(Utf16At(b, at), "Arial");
    at = (at + 3) & ~size_t(3);
    EXPECT_EQ(Dword(b, at), 99u);
    EXPECT_EQ(Dword(b, at + 8), 0x50000001u);
    EXPECT_EQ(Dword(b, at + 20), 0x1234u);
    EXPECT_EQ(Word(b, at + 24), 0xFFFF);
    EXPECT_EQ(Word(b, at + 26), 0x0080);
}

TEST(Template, GrowthExactlyAtTheBlockEnd) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, "Grow", 0, 0, 1, 1));
    EXPECT_EQ(t.GetAllocated(), 1024u);
    const memdlg::GlobalHandle handle = t.GetHandle();
    const Bytes before = Written(t);

    const Bytes fill(1024 - t.GetSize(), 0x5A);
    ASSERT_TRUE(t.AddData(fill.data(), fill.size()));
    EXPECT_EQ(t.GetSize(), 1024u);
    EXPECT_EQ(t.GetAllocated(), 1024u);
    EXPECT_EQ(t.GetHandle(), handle);

    const uint8_t one = 0xA5;
    ASSERT_TRUE(t.AddData(&one, 1));
    EXPECT_EQ(t.GetAllocated(), 2048u);
    EXPECT_EQ(memdlg::GlobalBlockSize(t.GetHandle()), 2048u);
    const Bytes after = Written(t);
    ASSERT_EQ(after.size(), 1025u);
    EXPECT_EQ(Bytes(after.begin(), after.begin() + before.size()), before);
    EXPECT_EQ(after[1023], 0x5A);
    EXPECT_EQ(after[1024], 0xA5);
    const auto* block = static_cast<const uint8_t*>(t.GetTemplatePtr());
    for (size_t i = 1025; i < 2048; ++i) {
        ASSERT_EQ(block[i], 0) << i;
    }

    // A large write grows by its own step: 1024 bytes ask for 2048 more.
    const Bytes big(1024, 1);
    ASSERT_TRUE(t.AddData(big.data(), big.size()));
    EXPECT_EQ(t.GetAllocated(), 4096u);
}

TEST(Template, FirstBlockFollowsTheFirstWrite) {
    CMemDlgTemplate t;
    const Bytes big(1024, 7);
    ASSERT_TRUE(t.AddData(big.data(), big.size()));
    EXPECT_EQ(t.GetAllocated(), 2048u);
    t.Release();
    EXPECT_FALSE(t.IsValid());
    EXPECT_EQ(t.GetHandle(), nullptr);
    EXPECT_EQ(t.GetAllocated(), 0u);
}

TEST(TemplateFailure, FailedCopyIsAnErrorAndStopsTheTemplate) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, "T", 0, 0, 1, 1));
    const size_t size = t.GetSize();
    EXPECT_FALSE(t.AddData(nullptr, 4));
    EXPECT_EQ(t.Error(), memdlg::kE_INVALIDARG);
    EXPECT_EQ(t.GetSize(), size);
    EXPECT_FALSE(t.AddControl(kButtonClass, 1, 0, 0, 1, 1, 0, 0, "OK"));
    EXPECT_EQ(Word(Written(t), 8), 0) << "nothing is added after a failure";
    EXPECT_EQ(t.Error(), memdlg::kE_INVALIDARG);
    t.Release();
    EXPECT_EQ(t.Error(), memdlg::kS_OK);
}

TEST(TemplateFailure, ControlBeforeCreate) {
    CMemDlgTemplate t;
    EXPECT_FALSE(t.AddControl(kButtonClass, 1, 0, 0, 1, 1, 0, 0, "OK"));
    EXPECT_NE(t.Error(), memdlg::kS_OK);
    EXPECT_FALSE(t.IsValid());
}

// The native stand-ins for the platform: allocation failures on demand, and code page 1252.
#ifndef _WIN32
TEST(TemplateFailure, OutOfMemory) {
    struct Restore {
        ~Restore() { memdlg::FailGlobalAllocationsAfter(-1); }
    } restore;
    CMemDlgTemplate t;
    memdlg::FailGlobalAllocationsAfter(0);
    EXPECT_FALSE(t.Create(false, "T", 0, 0, 1, 1));
    EXPECT_EQ(t.Error(), memdlg::kE_OUTOFMEMORY);
    EXPECT_FALSE(t.IsValid());

    memdlg::FailGlobalAllocationsAfter(-1);
    ASSERT_TRUE(t.Create(false, "T", 0, 0, 1, 1));
    const Bytes before = Written(t);
    memdlg::FailGlobalAllocationsAfter(0);
    const Bytes big(2000, 3);
    EXPECT_FALSE(t.AddData(big.data(), big.size()));
    EXPECT_EQ(t.Error(), memdlg::kE_OUTOFMEMORY);
    // The block written so far is intact and still released cleanly.
    EXPECT_EQ(Written(t), before);
    EXPECT_EQ(t.GetAllocated(), 1024u);
}

TEST(TemplateAnsi, CodePageTextBecomesUtf16) {
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, "Caf\xE9 \x80", 0, 0, 1, 1));
    const Bytes b = Written(t);
    EXPECT_EQ(Word(b, 22), 'C');
    EXPECT_EQ(Word(b, 28), 0x00E9);
    EXPECT_EQ(Word(b, 30), ' ');
    EXPECT_EQ(Word(b, 32), 0x20AC);
    EXPECT_EQ(Word(b, 34), 0);
}
#endif
