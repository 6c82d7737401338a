#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <gtest/gtest.h>

#include <string>

TEST(ZuvAnsi, ConstructorsPlaceTheText) {
    ZuvAnsi fixed("abcde", 0);
    EXPECT_STREQ(fixed.Text(), "abcde");
    EXPECT_EQ(fixed.Buf()->capacity, 6u);
    EXPECT_EQ(fixed.Buf()->data, fixed.Buf()->inlineStore);

    ZuvAnsi tooSmall("abcdef", 3);
    EXPECT_STREQ(tooSmall.Text(), "");

    ZuvAnsi2 grown("a text longer than nothing");
    EXPECT_STREQ(grown.Text(), "a text longer than nothing");
    EXPECT_FALSE(grown.m_flag);

    ZuvAnsi2 empty;
    EXPECT_EQ(empty.Length(), 0u);
    EXPECT_EQ(empty.Buf()->capacity, 1u);
    ZuvAnsi nullText(nullptr, 0);
    EXPECT_STREQ(nullText.Text(), "");
}

TEST(ZuvAnsi, AppendTextAndString) {
    ZuvAnsi2 s;
    EXPECT_TRUE(s.AppendText("abc"));
    EXPECT_TRUE(s.AppendText(""));
    EXPECT_EQ(s.Buf()->result, RC_NOTHING_TO_INSERT);
    EXPECT_STREQ(s.Text(), "abc");

    ZuvAnsi2 t(3);
    EXPECT_TRUE(t.AppendString(s));
    EXPECT_STREQ(t.Text(), "abc");
    EXPECT_FALSE(t.AppendString(s)); // no growth
    EXPECT_STREQ(t.Text(), "abc");
    ZuvAnsi2 none;
    EXPECT_TRUE(t.AppendString(none));

    s.Reserve(20);
    EXPECT_TRUE(s.AppendString(s));
    EXPECT_STREQ(s.Text(), "abcabc");
}

TEST(ZuvAnsiAppendChars, EmptyStringGetsExactlyItsRoom) {
    ZuvAnsi2 s;
    EXPECT_TRUE(s.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0));
    EXPECT_STREQ(s.Text(), "Error");
    EXPECT_EQ(s.Buf()->capacity, 11u);

    // The reservation grew, so exactly the room is appended: the rest is dropped.
    ZuvAnsi2 t;
    EXPECT_FALSE(t.AppendChars(3, 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_STREQ(t.Text(), "abc");
}

TEST(ZuvAnsiAppendChars, LargerStorageTakesMoreThanTheRoom) {
    ZuvAnsi2 s;
    s.Reserve(50);
    EXPECT_TRUE(s.AppendChars(2, 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_STREQ(s.Text(), "abcde");
    EXPECT_EQ(s.Buf()->capacity, 50u);
}

TEST(ZuvAnsiAppendChars, CodesGiveTheirLowByteAndStopAtZero) {
    ZuvAnsi2 s;
    EXPECT_TRUE(s.AppendChars(10, 0x141, '\r', '\n', 0, 'X', 'Y'));
    EXPECT_STREQ(s.Text(), "A\r\n");
    // A list without the closing zero still stops at its end.
    EXPECT_TRUE(s.AppendChars(10, 'z'));
    EXPECT_STREQ(s.Text(), "A\r\nz");
}

TEST(ZuvAnsiAppendChars, AttachedStorage) {
    char store[1000] = {};
    ZuvAnsi2 s;
    ASSERT_TRUE(s.Attach(store, sizeof store));
    EXPECT_TRUE(s.AppendText(std::string(995, 'x').c_str()));
    EXPECT_FALSE(s.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0));
    EXPECT_EQ(s.Length(), 995u);

    char small[20] = {};
    ZuvAnsi2 title;
    ASSERT_TRUE(title.Attach(small, sizeof small));
    EXPECT_TRUE(title.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0));
    EXPECT_STREQ(small, "Error");
    // 5 + 10 + 1 fits in 20: more than the room may be appended, up to the store's end.
    EXPECT_FALSE(
        title.AppendChars(10, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 0));
    EXPECT_STREQ(small, "Error0123456789abcd");
}

// The literal form appends what the list form does, with the same room, on every kind of storage.
TEST(ZuvAnsiAppendChars, LiteralFormAppendsWhatTheListFormDoes) {
    struct Case {
        uint32_t reserve, attach, room;
    };
    for (const Case& c : {Case{0, 0, 10}, Case{0, 0, 3}, Case{50, 0, 2}, Case{0, 20, 10}, Case{0, 9, 4}}) {
        char listStore[64] = {}, literalStore[64] = {};
        ZuvAnsi2 list, literal;
        if (c.attach) {
            ASSERT_TRUE(list.Attach(listStore, c.attach) && literal.Attach(literalStore, c.attach));
        }
        list.Reserve(c.reserve);
        literal.Reserve(c.reserve);
        list.AppendText("Go");
        literal.AppendText("Go");
        EXPECT_EQ(list.AppendChars(c.room, '\r', '\n', 'E', 'r', 'r', 'o', 'r', 0),
                  literal.AppendLiteral(c.room, "\r\nError"));
        EXPECT_EQ(list.AppendChars(c.room, 'a', 0, 'b', 0), literal.AppendLiteral(c.room, "a\0b"));
        EXPECT_STREQ(list.Text(), literal.Text()) << c.room << " " << c.attach;
        EXPECT_EQ(list.Buf()->capacity, literal.Buf()->capacity);
    }
}

TEST(ZuvAnsi, ByteStringConstantsOnce) {
    InitByteStringConstants();
    ASSERT_NE(g_ansiWhitespace, nullptr);
    ZuvAnsi2* whitespace = g_ansiWhitespace;
    EXPECT_STREQ(g_ansiWhitespace->Text(), " \t\r\n");
    EXPECT_STREQ(g_ansiTrue->Text(), "True");
    EXPECT_STREQ(g_ansiFalse->Text(), "False");
    EXPECT_EQ(g_ansiEmpty->Length(), 0u);
    InitByteStringConstants();
    EXPECT_EQ(g_ansiWhitespace, whitespace);
}

namespace {
int g_destroyed = 0;
struct CountedString : ZuvAnsi2 {
    using ZuvAnsi2::ZuvAnsi2;
    ~CountedString() override { ++g_destroyed; }
};
} // namespace

TEST(ZuvVector, AppendIndexAndGrowth) {
    ZuvVector<uint32_t> v;
    for (uint32_t i = 0; i < 25; ++i) {
        EXPECT_TRUE(v.Append(i * 3));
    }
    EXPECT_EQ(v.Count(), 25u);
    EXPECT_EQ(v.Buf()->capacity, 40u);
    for (uint32_t i = 0; i < 25; ++i) {
        EXPECT_EQ(v[i], i * 3);
    }
    EXPECT_TRUE(v.Append(v[0]));
    EXPECT_EQ(v[25], 0u);
    ZuvVector<uint16_t> r;
    EXPECT_TRUE(r.Reserve(4));
    EXPECT_EQ(r.Buf()->capacity, 4u);
}

TEST(ZuvVector, DestroyOwningDeletesEachStringOnce) {
    g_destroyed = 0;
    auto* paths = new ZuvVector<ZuvAnsi2*>;
    paths->Reserve(4);
    for (const char* name : {"C:\\a.pdf", "C:\\b.pdf", "C:\\c.pdf", "C:\\d.pdf", "C:\\e.pdf"}) {
        paths->Append(new CountedString(name));
    }
    paths->Append(nullptr);
    EXPECT_STREQ((*paths)[4]->Text(), "C:\\e.pdf");
    paths->DestroyOwning();
    EXPECT_EQ(g_destroyed, 5);
}

TEST(ZuvVector, DeleteAllEmptiesAndPlainDestructionLeavesStrings) {
    g_destroyed = 0;
    CountedString kept("kept");
    {
        ZuvVector<ZuvAnsi2*> v;
        v.Append(new CountedString("x"));
        v.DeleteAll();
        EXPECT_EQ(v.Count(), 0u);
        EXPECT_EQ(g_destroyed, 1);
        v.Append(&kept);
    }
    EXPECT_EQ(g_destroyed, 1);
    EXPECT_STREQ(kept.Text(), "kept");
}
