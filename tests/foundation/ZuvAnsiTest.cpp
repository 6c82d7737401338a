#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <gtest/gtest.h>

#include <string>

// AppendChars reserves length + room + 1: grown storage takes exactly `room` characters, larger
// storage more, fixed storage too small for the room nothing. Appending a string never grows.
TEST(ZuvAnsi, AppendCharsRoom) {
    ZuvAnsi fixed("abcde", 0), tooSmall("abcdef", 3);
    ZuvAnsi2 s, cut, large("abc"), t(3);
    EXPECT_EQ(std::string(fixed.Text()) + tooSmall.Text() + std::to_string(fixed.Buf()->capacity), "abcde6");
    EXPECT_TRUE(t.AppendString(large) && !t.AppendString(large) && large.AppendText(""));
    EXPECT_TRUE(s.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0));
    EXPECT_EQ(std::string(s.Text()) + std::to_string(s.Buf()->capacity), "Error11");
    EXPECT_FALSE(cut.AppendChars(3, 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_STREQ(cut.Text(), "abc");
    large.Reserve(50);
    EXPECT_TRUE(large.AppendString(large) && large.AppendChars(2, 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_TRUE(large.AppendChars(9, 0x1E9, '\r', '\n', 0, 'X')); // low bytes, up to the zero
    EXPECT_TRUE(large.AppendChars(9, 'z'));                       // or the end of the list
    EXPECT_EQ(std::string(large.Text()) + std::to_string(large.Buf()->capacity), "abcabcabcde\xE9\r\nz50");

    char store[1000] = {}, small[20] = {};
    ZuvAnsi2 full, title;
    ASSERT_TRUE(full.Attach(store, sizeof store) && title.Attach(small, sizeof small));
    full.AppendText(std::string(995, 'x').c_str());
    EXPECT_FALSE(full.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0) || full.Length() != 995);
    EXPECT_TRUE(title.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0));
    EXPECT_FALSE(
        title.AppendChars(10, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_STREQ(small, "Error0123456789abcd"); // more than the room, up to the store's end
}

// The literal form appends what the list form does, with the same room, on every kind of storage.
TEST(ZuvAnsi, AppendLiteralAppendsWhatTheListFormDoes) {
    const uint32_t cases[][3] = {
        {0, 0, 10}, {0, 0, 3}, {50, 0, 2}, {0, 20, 10}, {0, 9, 4}}; // reserve, attach, room
    for (const auto& [reserve, attach, room] : cases) {
        char stores[2][64] = {};
        ZuvAnsi2 list, literal;
        ASSERT_TRUE(!attach || (list.Attach(stores[0], attach) && literal.Attach(stores[1], attach)));
        ASSERT_TRUE(list.Reserve(reserve) && literal.Reserve(reserve) && list.AppendText("Go") &&
                    literal.AppendText("Go"));
        EXPECT_EQ(list.AppendChars(room, '\r', '\n', 'E', 'r', 'r', 'o', 'r', 0),
                  literal.AppendLiteral(room, "\r\nError"));
        EXPECT_EQ(list.AppendChars(room, 'a', 0, 'b', 0), literal.AppendLiteral(room, "a\0b"));
        EXPECT_EQ(std::string(list.Text()) + std::to_string(list.Buf()->capacity),
                  std::string(literal.Text()) + std::to_string(literal.Buf()->capacity))
            << room << " " << attach;
    }
}

// An own element appended while storage moves; an owning vector deletes all (ASan sees leaks).
TEST(ZuvVector, GrowthAndOwnership) {
    ZuvVector<uint32_t> v;
    for (uint32_t i = 0; i < 25; ++i)
        v.Append(i * 3);
    EXPECT_TRUE(v.Append(v[24]) && v.Buf()->capacity == 40 && v[7] == 21 && v[25] == 72);
    auto* paths = new ZuvVector<ZuvAnsi2*>;
    EXPECT_TRUE(paths->Append(new ZuvAnsi2("C:\\a.pdf")) && paths->Append(nullptr));
    paths->DeleteAll();
    EXPECT_TRUE(paths->Count() == 0 && paths->Append(new ZuvAnsi2("d")));
    paths->DestroyOwning();
}
