#include "foundation/MyString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A terminated string with its ASCII flag set from its bytes.
struct Text : CMyASCIIString {
    explicit Text(const char* text) {
        uint32_t n = uint32_t(std::strlen(text));
        Reserve(n + 1);
        Append(text, n);
        Terminate();
        UpdateAsciiFlag();
    }
};

std::string Str(const CMyASCIIString& s) {
    return std::string(s.Data() ? s.Data() : "", s.Count());
}

struct Counted {
    explicit Counted(std::vector<int>& log, int id) : m_log(log), m_id(id) {}
    virtual ~Counted() { m_log.push_back(m_id); }
    std::vector<int>& m_log;
    int m_id;
};

} // namespace

TEST(Vector, PushBackGrowsTo10Then16Then25) {
    CMyVector_EF<int*> v;
    int x = 0;
    std::vector<uint32_t> capacities;
    for (int i = 0; i < 700; ++i) {
        ASSERT_TRUE(v.PushBack(&x));
        if (capacities.empty() || capacities.back() != v.Capacity())
            capacities.push_back(v.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<uint32_t>{10, 16, 25, 40, 64, 102, 163, 260, 416, 665, 1064}));
    EXPECT_EQ(v.Count(), 700u);
}

TEST(Vector, ReserveIsExactAndKeepsContents) {
    CMyVector_EF<unsigned long> v;
    EXPECT_TRUE(v.Reserve(3));
    EXPECT_EQ(v.Capacity(), 3u);
    v.PushBack(7);
    v.PushBack(8);
    EXPECT_TRUE(v.Reserve(2)); // smaller: nothing changes
    EXPECT_EQ(v.Capacity(), 3u);
    EXPECT_TRUE(v.Reserve(67));
    EXPECT_EQ(v.Capacity(), 67u);
    EXPECT_EQ(v[0], 7u);
    EXPECT_EQ(v[1], 8u);
}

TEST(Vector, FreeOnAttachedStorageKeepsIt) {
    char buffer[8] = "abcdefg";
    CMyASCIIString s;
    s.Attach(buffer, 8);
    EXPECT_TRUE(s.IsExternal());
    EXPECT_EQ(s.Count(), 0u);
    EXPECT_EQ(buffer[0], 'a'); // attaching does not clear
    s.AppendCodes('x', 'y', 0);
    s.Free();
    EXPECT_EQ(s.Data(), buffer);
    EXPECT_EQ(s.Capacity(), 8u);
    EXPECT_EQ(s.Count(), 0u);
}

TEST(Vector, GrowingAttachedStorageMovesToTheHeap) {
    char buffer[4];
    {
        CMyASCIIString s;
        s.Attach(buffer, 4);
        ASSERT_TRUE(s.AppendCodes('a', 'b', 'c', 0));
        ASSERT_TRUE(s.Reserve(100));
        EXPECT_NE(s.Data(), buffer);
        EXPECT_FALSE(s.IsExternal());
        EXPECT_EQ(Str(s), "abc");
        buffer[0] = 'z'; // the caller's buffer is no longer used
        EXPECT_EQ(s[0], 'a');
    } // ASan reports a leak or a bad free if the heap block is mishandled
}

TEST(Vector, PtrVectorDeletesEachElementOnce) {
    std::vector<int> log;
    {
        CPtrVector_EF<Counted> v;
        for (int i = 0; i < 12; ++i)
            v.PushBack(new Counted(log, i));
        v.PushBack(nullptr);
    }
    EXPECT_EQ(log, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));

    log.clear();
    CPtrVector_EF<Counted> v;
    v.PushBack(new Counted(log, 1));
    v.DeleteAll();
    EXPECT_EQ(v.Count(), 0u);
    EXPECT_EQ(v.Capacity(), 10u); // storage stays
    EXPECT_EQ(log.size(), 1u);
}

TEST(String, AssignFromEmptyEmptiesAndFails) {
    Text s("h\xC3\xA9llo");
    EXPECT_FALSE(s.IsAscii());
    CMyASCIIString empty;
    EXPECT_FALSE(s.Assign(empty));
    EXPECT_EQ(s.Count(), 0u);
    EXPECT_TRUE(s.IsAscii());
    EXPECT_EQ(s.Data()[0], '\0');
}

TEST(String, AssignCopiesFlagAndTerminates) {
    Text src("d\xC3\xA9j\xC3\xA0");
    CMyASCIIString s;
    ASSERT_TRUE(s.Assign(src));
    EXPECT_EQ(Str(s), Str(src));
    EXPECT_FALSE(s.IsAscii());
    EXPECT_EQ(s.Capacity(), src.Count() + 1);
    EXPECT_EQ(s.Data()[s.Count()], '\0');
}

TEST(String, AppendNeverGrows) {
    char buffer[6];
    CMyASCIIString s;
    s.Attach(buffer, 6);
    Text abc("abc"), wide("\xC3\xA9");
    EXPECT_TRUE(s.Append(abc));
    EXPECT_TRUE(s.Append(abc));
    EXPECT_FALSE(s.Append(abc));
    EXPECT_EQ(Str(s), "abcabc");
    EXPECT_FALSE(s.Append(wide)); // does not fit, but the flag follows the other string anyway
    EXPECT_FALSE(s.IsAscii());
    EXPECT_TRUE(s.Append(CMyASCIIString()));
}

TEST(String, AppendCodesFillingTheCapacityExactly) {
    char buffer[5];
    CMyASCIIString s;
    s.Attach(buffer, 5);
    EXPECT_FALSE(s.AppendCodes('a', 'b', 'c', 'd', 'e', 0)); // no room for the terminator
    EXPECT_EQ(Str(s), "abcde");

    s.Free();
    EXPECT_TRUE(s.AppendCodes('a', 'b', 'c', 'd', 0));
    EXPECT_EQ(std::string(buffer, 5), std::string("abcd\0", 5));

    s.Free();
    EXPECT_FALSE(s.AppendCodes('1', '2', '3', '4', '5', '6', '7', 0)); // keeps what fitted
    EXPECT_EQ(Str(s), "12345");
}

TEST(String, SignedCodesClearTheAsciiFlag) {
    CMyASCIIString s;
    ASSERT_TRUE(s.AssignCodes(4, 'a', 0));
    EXPECT_TRUE(s.IsAscii());
    ASSERT_TRUE(s.AppendCodes(-61, 0));
    EXPECT_FALSE(s.IsAscii());
    EXPECT_EQ((unsigned char)s[1], 0xC3);
    CMyASCIIString t;
    ASSERT_TRUE(t.AssignCodes(4, 0x1E9, 0));
    EXPECT_FALSE(t.IsAscii());
    EXPECT_EQ((unsigned char)t[0], 0xE9);
    CMyASCIIString u;
    EXPECT_TRUE(u.AssignCodes(0, 'x', 0));
    EXPECT_EQ(u.Count(), 0u);
}

TEST(String, TrimsOfWhitespaceOnlyLeaveNothing) {
    InitStringConstants();
    Text a(" \t\r\n "), b("\r\n\t"), c("   ");
    a.TrimLeft(g_whitespace);
    b.TrimRight(g_whitespace);
    c.Trim();
    EXPECT_EQ(a.Count(), 0u);
    EXPECT_EQ(b.Count(), 0u);
    EXPECT_EQ(c.Count(), 0u);
    EXPECT_EQ(c.Data()[0], '\0');
}

TEST(String, TrimKeepsInnerSpaces) {
    Text s("\r\n  two  words \t");
    EXPECT_TRUE(s.Trim());
    EXPECT_EQ(Str(s), "two  words");
    EXPECT_EQ(s.Data()[s.Count()], '\0');
    Text t("x");
    EXPECT_TRUE(t.Trim());
    EXPECT_EQ(Str(t), "x");
}

TEST(String, Searches) {
    InitStringConstants();
    Text s("ab, cd;ef");
    Text set(",;");
    CMyASCIIString empty;
    EXPECT_EQ(s.FindChar('c', 0), 4u);
    EXPECT_EQ(s.FindChar('a', 1), s.Count());
    EXPECT_EQ(s.FindChar('a', 100), s.Count());
    EXPECT_EQ(s.FindFirstOf(set, 0), 2u);
    EXPECT_EQ(s.FindFirstOf(set, 3), 6u);
    EXPECT_EQ(s.FindFirstOf(set, 7), s.Count());
    EXPECT_EQ(s.FindFirstNotOf(Text("abc"), 0), 2u);
    EXPECT_EQ(s.FindFirstNotOf(empty, 0), s.Count());
    EXPECT_EQ(s.FindLastNotOf(Text("f"), 100), 7u);
    EXPECT_EQ(s.FindLastNotOf(Text("abcdef,; "), 100), s.Count());
    EXPECT_EQ(s.FindLastNotOf(Text("b"), 1), 0u);
    EXPECT_EQ(empty.FindLastNotOf(set, 5), 0u);
    EXPECT_EQ(Text("  \tx").SkipWhitespace(0), 3u);
}

TEST(String, EraseAndSubstringRefuseBadRanges) {
    Text s("abcdef");
    EXPECT_FALSE(s.Erase(3, 2));
    EXPECT_FALSE(s.Erase(2, 6));
    EXPECT_TRUE(s.Erase(1, 2));
    EXPECT_EQ(Str(s), "adef");
    EXPECT_TRUE(s.Erase(2, 3));
    EXPECT_EQ(Str(s), "ad");

    Text src("hello world");
    CMyASCIIString t;
    EXPECT_FALSE(src.Substring(t, 11, 0));
    EXPECT_TRUE(src.Substring(t, 6, 0));
    EXPECT_EQ(Str(t), "world");
    EXPECT_TRUE(src.Substring(t, 4, 100));
    EXPECT_EQ(Str(t), "o world");
    EXPECT_TRUE(src.Substring(t, 0, 5));
    EXPECT_EQ(Str(t), "hello");
}

TEST(String, NextTokenWalksThePieces) {
    Text s("a,,bc,"), comma(",");
    std::vector<std::string> pieces;
    uint32_t pos = 0;
    for (;;) {
        CMyASCIIString piece;
        if (!s.NextToken(piece, pos, comma))
            break;
        pieces.push_back(Str(piece));
    }
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", "", "bc"}));
    EXPECT_EQ(pos, s.Count());

    Text busy("x"), tail("tail");
    pos = 0;
    EXPECT_FALSE(s.NextToken(busy, pos, comma)); // the target must be empty
    EXPECT_FALSE(s.NextToken(tail, pos, CMyASCIIString()));
    CMyASCIIString last;
    pos = 0;
    EXPECT_TRUE(tail.NextToken(last, pos, comma));
    EXPECT_EQ(Str(last), "tail");
    EXPECT_EQ(pos, 4u);
}

TEST(String, Comparisons) {
    Text s("br/");
    EXPECT_TRUE(s.EqualsCodes('b', 'r', '/', 0));
    EXPECT_FALSE(s.EqualsCodes('b', 'r', 0));
    EXPECT_FALSE(s.EqualsCodes('b', 'r', '/', '/', 0));
    EXPECT_TRUE(Text("a").EqualsChar('a'));
    EXPECT_FALSE(Text("ab").EqualsChar('a'));
    EXPECT_TRUE(Text("xxbr/").EqualsTail(s, 2));
    EXPECT_FALSE(Text("xxbr/").EqualsTail(s, 1));
    EXPECT_EQ(CMyASCIIString().CStr(), nullptr);
    EXPECT_STREQ(s.CStr(), "br/");
}

TEST(String, StringConstants) {
    InitStringConstants();
    InitStringConstants();
    EXPECT_EQ(Str(g_whitespace), " \t\r\n");
    EXPECT_EQ(g_emptyString.Count(), 0u);
    ASSERT_NE(g_emptyString.Data(), nullptr);
    EXPECT_EQ(g_emptyString.Data()[0], '\0');
}

TEST(WideString, AssignAppendAndAttachedGrowth) {
    wchar_t buffer[4];
    CMyWideString w;
    w.Attach(buffer, 4);
    const wchar_t text[] = {'a', 'b', 'c', 'd', 'e', 'f'};
    EXPECT_TRUE(w.Assign(text, 3));
    EXPECT_EQ(w.Data(), buffer);
    EXPECT_EQ(buffer[3], 0);
    EXPECT_FALSE(w.Append(text, 2)); // never grows
    EXPECT_TRUE(w.Assign(text, 6));  // beyond the attached room: moves to the heap
    EXPECT_NE(w.Data(), buffer);
    EXPECT_EQ(w.Count(), 6u);
    EXPECT_EQ(w[5], L'f');
    EXPECT_EQ(w[6], 0);
    EXPECT_TRUE(w.Assign(nullptr, 3));
    EXPECT_EQ(w.Count(), 0u);
}
