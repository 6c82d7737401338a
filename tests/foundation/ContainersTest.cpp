// The array and string containers (searches and trims: through the markup parser).
#include "foundation/MyString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Growth by 1.6 from 10; Reserve exact, never shrinking.
TEST(Vector, GrowthAndReserve) {
    CMyVector_EF<int*> v;
    std::vector<uint32_t> capacities;
    for (int i = 0; i < 700; ++i)
        if (v.PushBack(nullptr) && (capacities.empty() || capacities.back() != v.Capacity()))
            capacities.push_back(v.Capacity());
    EXPECT_EQ(capacities, (std::vector<uint32_t>{10, 16, 25, 40, 64, 102, 163, 260, 416, 665, 1064}));
    EXPECT_TRUE(v.Reserve(2) && v.Reserve(1065) && v.Capacity() == 1065 && v.Count() == 700);
}

// Attached storage is neither freed nor grown by appending a string; growing moves it to the heap.
// Signed codes clear the ASCII flag, appends carry it; an empty source empties and fails.
TEST(String, AttachedStorageAssignAndAppend) {
    char buffer[4] = "abc", eight[8];
    CMyASCIIString s, src;
    s.Attach(buffer, 4);
    EXPECT_TRUE(s.AppendCodes('x', 'y', 'z', 0) && !s.AppendCodes('!', 0));
    s.Free();
    EXPECT_EQ(s.Data(), buffer);
    ASSERT_TRUE(s.AppendCodes('a', 'b', 'c', 0) && s.Reserve(100));
    buffer[0] = 'z';
    EXPECT_EQ(std::string(s.Data(), s.Count()), "abc");

    ASSERT_TRUE(src.AssignCodes(6, 'd', -61, -87, 'j', 0) && s.Assign(src));
    EXPECT_EQ(std::string(s.Data(), s.Count()) + char('0' + s.IsAscii()) + s.Data()[s.Count()],
              std::string("d\xC3\xA9j0\0", 6));
    EXPECT_FALSE(s.Assign(CMyASCIIString()));
    EXPECT_TRUE(s.Count() == 0 && s.IsAscii());
    s.Attach(eight, 8);
    EXPECT_TRUE(s.Append("a,,", 3) && s.Append("bc,", 3) && !s.Append(src) && !s.IsAscii());
}
