#include "foundation/ByteBuf.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Frees the buffer at the end of a test, whatever happened.
struct Bytes {
    ByteBuf* buf;
    explicit Bytes(uint32_t capacity, const char* text = "") : buf(ByteBufCreate(capacity)) {
        ByteBufInsert(buf, kBufEnd, text, 0, true);
    }
    ~Bytes() { ByteBufFree(&buf); }
    // "text/capacity/result code"
    std::string State() const {
        return std::string(reinterpret_cast<const char*>(buf->data), buf->length) + "/" +
               std::to_string(buf->capacity) + "/" + std::to_string(buf->result);
    }
};

struct Elems {
    ElemBuf* buf;
    explicit Elems(uint32_t size) : buf(ElemBufCreate(size)) {}
    ~Elems() { ElemBufFree(&buf); }
    std::vector<uint32_t> Values() const {
        const auto* p = reinterpret_cast<const uint32_t*>(buf->data);
        return std::vector<uint32_t>(p, p + buf->count);
    }
};

} // namespace

// 10 at the first growth, then doubling, or the size needed when that is more; every byte kept.
TEST(ByteBuf, Growth) {
    Bytes h(0), fixed(5, "abcde");
    const std::string sixty(60, 'x');
    std::string expected;
    for (const auto& [text, capacity] :
         {std::pair<std::string, int>{"a", 10}, {"bcdefghij", 20}, {"k", 20}, {sixty, 72}}) {
        ByteBufInsert(h.buf, kBufEnd, text.c_str(), 0, true);
        EXPECT_EQ(h.State(), (expected += text) + "/" + std::to_string(capacity) + "/0");
    }
    EXPECT_EQ(fixed.buf->data, fixed.buf->inlineStore); // the inline store holds its capacity
    EXPECT_TRUE(ByteBufInsert(fixed.buf, kBufEnd, "f", 0, true) && fixed.State() == "abcdef/12/0");
    EXPECT_EQ(ByteBufCreate(0xFFFFFFFFu), nullptr);
}

TEST(ByteBuf, InsertPositionsAndResultCodes) {
    const struct {
        uint32_t capacity, position;
        const char* source;
        uint32_t count;
        bool grow, returns;
        std::string state;
    } cases[] = {// clang-format off
        {0, 1, "XY", 2, true, true, "aXYbc/10/0"},   {0, 0, ">", 0, true, true, ">abc/10/0"},
        {0, 3, "<", 0, true, true, "abc</10/0"},     {4, 1, "d", 0, false, true, "adbc/5/0"},
        {0, 4, "Q", 0, true, true, "abc/10/6"},      {0, kBufEnd, nullptr, 3, true, true, "abc/10/8"},
        {0, kBufEnd, "", 0, true, true, "abc/10/4"}, {3, kBufEnd, "d", 0, false, false, "abc/4/2"},
        {0, kBufEnd, "d\0e", 3, true, true, std::string("abcd\0e/10/0", 11)}};
    // clang-format on
    for (const auto& c : cases) {
        Bytes h(c.capacity, "abc");
        EXPECT_EQ(ByteBufInsert(h.buf, c.position, c.source, c.count, c.grow), c.returns) << c.state;
        EXPECT_EQ(h.State(), c.state);
        EXPECT_EQ(h.buf->data[h.buf->length], 0);
    }
    EXPECT_EQ(ByteBufLength(static_cast<ByteBuf*>(nullptr)), 0xFFFFFFFFu); // a null handle is refused
    EXPECT_FALSE(ByteBufInsert(nullptr, 0, "a", 1, true) || ByteBufReserve(nullptr, 9) ||
                 ByteBufSetLength(nullptr, 0) || ElemBufInsert(nullptr, 0, "a", 1, true));
}

TEST(ByteBuf, ReserveSetLengthAndAttach) {
    Bytes h(4, "abc");
    EXPECT_TRUE(ByteBufReserve(h.buf, 5) && h.State() == "abc/5/2"); // large enough already
    EXPECT_TRUE(ByteBufReserve(h.buf, 7) && ByteBufSetLength(h.buf, 1));
    EXPECT_TRUE(ByteBufSetLength(h.buf, 4)); // longer again: zeros, not the old bytes
    EXPECT_EQ(h.State(), std::string("a\0\0\0/7/0", 8));
    EXPECT_FALSE(ByteBufSetLength(h.buf, 7) || h.buf->result != RC_NO_ROOM);

    char store[10] = {'x', 'y', 0, 0, 0, 0, 0, 0, 0, 'z'};
    auto refusal = [&](void* memory, uint32_t start, uint32_t end) {
        return ByteBufAttach(h.buf, memory, start, end, 0) ? RC_DONE : h.buf->result;
    };
    EXPECT_EQ(refusal(store, 0, 9), RC_NOT_EMPTY_TEXT);
    EXPECT_EQ(refusal(store, 2, 9), RC_DONE); // the heap block is freed: ASan reports a leak otherwise
    EXPECT_TRUE(ByteBufInsert(h.buf, kBufEnd, "abcdef", 0, true));
    EXPECT_FALSE(ByteBufInsert(h.buf, kBufEnd, "g", 0, true) || ByteBufReserve(h.buf, 8));
    EXPECT_EQ(h.State(), "abcdef/7/12"); // attached storage never grows
    ByteBufClear(h.buf);
    EXPECT_EQ(std::string(store, 10), std::string("xy\0bcdef\0z", 10));
}

// A source inside the buffer itself must survive the growth that frees the old block.
TEST(ByteBuf, OwnContentAsSource) {
    Bytes h(2, "ab");
    EXPECT_TRUE(ByteBufInsert(h.buf, kBufEnd, h.buf->data, h.buf->length, true));
    ByteBufReserve(h.buf, 100);
    EXPECT_TRUE(ByteBufInsert(h.buf, 1, h.buf->data, 3, false));
    EXPECT_EQ(h.State(), "aababab/100/0");
    Elems e(4);
    const uint32_t value = 42;
    ElemBufInsert(e.buf, kBufEnd, &value, 1, true);
    for (int i = 0; i < 40; ++i)
        ElemBufInsert(e.buf, 0, e.buf->data, 1, true);
    EXPECT_EQ(e.Values(), std::vector<uint32_t>(41, value));
}

// Elements of a multiple of 4 bytes; growth 10, then doubling; a null source inserts zeros.
TEST(ElemBuf, SizesInsertsAndGrowth) {
    EXPECT_EQ(ElemBufCreate(3), nullptr);
    Elems e(4);
    const uint32_t a[] = {1, 2, 3}, b[] = {7, 8}, many[12] = {};
    ElemBufInsert(e.buf, kBufEnd, a, 3, true);
    ElemBufInsert(e.buf, 1, b, 2, true);
    ElemBufInsert(e.buf, kBufEnd, nullptr, 1, true);
    EXPECT_TRUE(ElemBufInsert(e.buf, 7, a, 1, true) && e.buf->result == RC_BAD_POSITION &&
                e.buf->capacity == 10);
    EXPECT_EQ(e.Values(), (std::vector<uint32_t>{1, 7, 8, 2, 3, 0}));
    ElemBufInsert(e.buf, kBufEnd, many, 12, true);
    EXPECT_FALSE(ElemBufInsert(e.buf, kBufEnd, many, 3, false));
    EXPECT_TRUE(e.buf->result == RC_NO_ROOM && e.buf->capacity == 20);
    EXPECT_TRUE(ElemBufReserve(e.buf, 21) && e.buf->capacity == 21);
}
