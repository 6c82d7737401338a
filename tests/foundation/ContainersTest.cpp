// The array and string containers. The markup tests cover the searches and trims the parser uses,
// the conversion tests and the GDI drawer the wide strings.
#include "foundation/MyString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Str(const CMyASCIIString& s) {
    return std::string(s.Data() ? s.Data() : "", s.Count());
}

struct Counted {
    Counted(std::vector<int>& log, int id) : m_log(log), m_id(id) {}
    virtual ~Counted() { m_log.push_back(m_id); }
    std::vector<int>& m_log;
    int m_id;
};

} // namespace

TEST(Vector, GrowthReserveAndOwnership) {
    CMyVector_EF<int*> v;
    std::vector<uint32_t> capacities;
    for (int i = 0; i < 700; ++i)
        if (v.PushBack(nullptr) && (capacities.empty() || capacities.back() != v.Capacity()))
            capacities.push_back(v.Capacity());
    EXPECT_EQ(capacities, (std::vector<uint32_t>{10, 16, 25, 40, 64, 102, 163, 260, 416, 665, 1064}));
    EXPECT_TRUE(v.Reserve(2) && v.Reserve(1065)); // smaller: nothing; larger: exact
    EXPECT_EQ(v.Capacity(), 1065u);
    EXPECT_EQ(v.Count(), 700u);

    std::vector<int> log;
    {
        CPtrVector_EF<Counted> owned;
        for (int i = 0; i < 12; ++i)
            owned.PushBack(new Counted(log, i));
        owned.PushBack(nullptr);
        owned.DeleteAll();
        EXPECT_EQ(owned.Capacity(), 16u); // the storage stays
        owned.PushBack(new Counted(log, 12));
    }
    EXPECT_EQ(log, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

// Attached storage is never freed; growing past it moves the contents to the heap.
TEST(Vector, AttachedStorage) {
    char buffer[4] = "abc";
    CMyASCIIString s;
    s.Attach(buffer, 4);
    EXPECT_TRUE(s.AppendCodes('x', 'y', 'z', 0));
    EXPECT_FALSE(s.AppendCodes('!', 0)); // full
    s.Free();
    EXPECT_EQ(s.Data(), buffer);
    ASSERT_TRUE(s.AppendCodes('a', 'b', 'c', 0) && s.Reserve(100));
    EXPECT_NE(s.Data(), buffer);
    buffer[0] = 'z';
    EXPECT_EQ(Str(s), "abc");
}

TEST(String, AssignAppendTokensAndTheAsciiFlag) {
    CMyASCIIString src, s;
    ASSERT_TRUE(src.AssignCodes(6, 'd', -61, -87, 'j', 0)); // signed codes clear the flag
    EXPECT_FALSE(src.IsAscii());
    ASSERT_TRUE(s.Assign(src));
    EXPECT_EQ(Str(s), "d\xC3\xA9j");
    EXPECT_FALSE(s.IsAscii());
    EXPECT_EQ(s.Data()[s.Count()], '\0');
    EXPECT_FALSE(s.Assign(CMyASCIIString())); // an empty source empties and fails
    EXPECT_EQ(s.Count(), 0u);
    EXPECT_TRUE(s.IsAscii());

    char buffer[8];
    s.Attach(buffer, 8);
    EXPECT_TRUE(s.Append("a,,", 3) && s.Append("bc,", 3));
    EXPECT_FALSE(s.Append(src)); // never grows, but takes the flag
    EXPECT_FALSE(s.IsAscii());
    CMyASCIIString comma, piece;
    comma.AssignCodes(2, ',', 0);
    std::vector<std::string> pieces;
    for (uint32_t pos = 0; s.NextToken(piece, pos, comma); piece.Free())
        pieces.push_back(Str(piece));
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", "", "bc"}));
    uint32_t pos = 0;
    piece.AssignCodes(2, 'x', 0);
    EXPECT_FALSE(s.NextToken(piece, pos, comma)); // the target must be empty
}
