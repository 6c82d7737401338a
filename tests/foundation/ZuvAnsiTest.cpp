#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <gtest/gtest.h>

#include <string>

// A fixed string holds its text inline, without growth; appending another string never grows.
TEST(ZuvAnsi, ConstructorsAndAppends) {
    ZuvAnsi fixed("abcde", 0), tooSmall("abcdef", 3);
    ZuvAnsi2 s("abc"), t(3);
    EXPECT_EQ(std::string(fixed.Text()) + tooSmall.Text(), "abcde");
    EXPECT_EQ(fixed.Buf()->capacity, 6u);
    EXPECT_TRUE(t.AppendString(s) && !t.AppendString(s));
    s.Reserve(20);
    EXPECT_TRUE(s.AppendString(s) && s.AppendText(""));
    EXPECT_EQ(std::string(t.Text()) + "|" + s.Text(), "abc|abcabc");
}

// AppendChars reserves length + room + 1 first: a reservation that grew the storage leaves room for
// exactly `room` characters; larger storage takes more; fixed storage that cannot take the room
// takes nothing.
TEST(ZuvAnsi, AppendCharsRoom) {
    ZuvAnsi2 s, cut, large;
    EXPECT_TRUE(s.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0));
    EXPECT_STREQ(s.Text(), "Error");
    EXPECT_EQ(s.Buf()->capacity, 11u);
    EXPECT_FALSE(cut.AppendChars(3, 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_STREQ(cut.Text(), "abc");
    large.Reserve(50);
    EXPECT_TRUE(large.AppendChars(2, 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_TRUE(large.AppendChars(9, 0x1E9, '\r', '\n', 0, 'X')); // low bytes, up to the zero
    EXPECT_TRUE(large.AppendChars(9, 'z'));                       // or the end of the list
    EXPECT_STREQ(large.Text(), "abcde\xE9\r\nz");
    EXPECT_EQ(large.Buf()->capacity, 50u);

    char store[1000] = {}, small[20] = {};
    ZuvAnsi2 full, title;
    ASSERT_TRUE(full.Attach(store, sizeof store) && title.Attach(small, sizeof small));
    full.AppendText(std::string(995, 'x').c_str());
    EXPECT_FALSE(full.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0));
    EXPECT_EQ(full.Length(), 995u);
    EXPECT_TRUE(title.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0));
    EXPECT_FALSE(
        title.AppendChars(10, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_STREQ(small, "Error0123456789abcd"); // more than the room, up to the store's end
}

// The literal form appends what the list form does, with the same room, on every kind of storage.
TEST(ZuvAnsi, AppendLiteralAppendsWhatTheListFormDoes) {
    const uint32_t cases[][3] = {
        {0, 0, 10}, {0, 0, 3}, {50, 0, 2}, {0, 20, 10}, {0, 9, 4}}; // reserve, attach, room
    for (const auto& c : cases) {
        char listStore[64] = {}, literalStore[64] = {};
        ZuvAnsi2 list, literal;
        ASSERT_TRUE(!c[1] || (list.Attach(listStore, c[1]) && literal.Attach(literalStore, c[1])));
        list.Reserve(c[0]);
        literal.Reserve(c[0]);
        list.AppendText("Go");
        literal.AppendText("Go");
        EXPECT_EQ(list.AppendChars(c[2], '\r', '\n', 'E', 'r', 'r', 'o', 'r', 0),
                  literal.AppendLiteral(c[2], "\r\nError"));
        EXPECT_EQ(list.AppendChars(c[2], 'a', 0, 'b', 0), literal.AppendLiteral(c[2], "a\0b"));
        EXPECT_STREQ(list.Text(), literal.Text()) << c[2] << " " << c[1];
        EXPECT_EQ(list.Buf()->capacity, literal.Buf()->capacity);
    }
}

namespace {
int g_destroyed = 0;
struct CountedString : ZuvAnsi2 {
    using ZuvAnsi2::ZuvAnsi2;
    ~CountedString() override { ++g_destroyed; }
};
} // namespace

TEST(ZuvVector, GrowthAndOwnership) {
    ZuvVector<uint32_t> v;
    for (uint32_t i = 0; i < 25; ++i)
        v.Append(i * 3);
    EXPECT_TRUE(v.Append(v[24])); // an element of its own, while the storage moves
    EXPECT_EQ(v.Buf()->capacity, 40u);
    EXPECT_EQ(v[7], 21u);
    EXPECT_EQ(v[25], 72u);

    auto* paths = new ZuvVector<ZuvAnsi2*>;
    for (const char* name : {"C:\\a.pdf", "C:\\b.pdf", static_cast<const char*>(nullptr)})
        paths->Append(name ? new CountedString(name) : nullptr);
    EXPECT_STREQ((*paths)[1]->Text(), "C:\\b.pdf");
    paths->DeleteAll();
    EXPECT_EQ(paths->Count(), 0u);
    EXPECT_EQ(g_destroyed, 2);
    paths->Append(new CountedString("d"));
    paths->DestroyOwning(); // ASan reports the vector or a string left behind
    EXPECT_EQ(g_destroyed, 3);
}
