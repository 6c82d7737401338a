#include "foundation/ByteBuf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Frees the buffer at the end of a test, whatever happened.
struct ByteBufHolder {
    ByteBuf* buf;
    explicit ByteBufHolder(uint32_t capacity) : buf(ByteBufCreate(capacity)) {}
    ~ByteBufHolder() { ByteBufFree(&buf); }
    std::string Text() const { return std::string(reinterpret_cast<const char*>(buf->data), buf->length); }
};

struct ElemBufHolder {
    ElemBuf* buf;
    explicit ElemBufHolder(uint32_t size) : buf(ElemBufCreate(size)) {}
    ~ElemBufHolder() { ElemBufFree(&buf); }
};

bool Insert(ByteBuf* buf, uint32_t position, const char* text, bool grow = true) {
    return ByteBufInsert(buf, position, text, 0, grow);
}

// Makes the n-th allocation from now on (and every later one) fail.
int g_allocationsLeft = -1;
void* FailingRealloc(void* block, size_t size) {
    if (g_allocationsLeft == 0) {
        return nullptr;
    }
    if (g_allocationsLeft > 0) {
        --g_allocationsLeft;
    }
    return std::realloc(block, size);
}
struct AllocationFailure {
    bufmem::ReallocFn saved = bufmem::g_realloc;
    explicit AllocationFailure(int allowed) {
        g_allocationsLeft = allowed;
        bufmem::g_realloc = FailingRealloc;
    }
    ~AllocationFailure() {
        bufmem::g_realloc = saved;
        g_allocationsLeft = -1;
    }
};

} // namespace

TEST(ByteBufGrowth, CreateZeroIsEmptyAndFirstGrowthGivesTen) {
    ByteBufHolder h(0);
    ASSERT_NE(h.buf, nullptr);
    EXPECT_EQ(h.buf->capacity, 1u);
    EXPECT_EQ(h.buf->length, 0u);
    EXPECT_EQ(h.buf->data[0], 0);
    EXPECT_EQ(h.buf->data, h.buf->inlineStore);
    EXPECT_TRUE(Insert(h.buf, kBufEnd, "a"));
    EXPECT_EQ(h.buf->capacity, 10u);
    EXPECT_NE(h.buf->data, h.buf->inlineStore);
    EXPECT_EQ(h.Text(), "a");
}

TEST(ByteBufGrowth, InlineContentSurvivesMoveToHeapAndCapacityDoubles) {
    ByteBufHolder h(5);
    EXPECT_TRUE(ByteBufInsert(h.buf, kBufEnd, "abcde", 5, false));
    EXPECT_EQ(h.buf->data, h.buf->inlineStore);
    EXPECT_EQ(h.buf->capacity, 6u);
    EXPECT_TRUE(Insert(h.buf, kBufEnd, "f"));
    EXPECT_EQ(h.buf->capacity, 12u);
    EXPECT_EQ(h.Text(), "abcdef");
    // Doubling, and raised to the size needed when doubling is not enough.
    EXPECT_TRUE(Insert(h.buf, kBufEnd, "ghijkl"));
    EXPECT_EQ(h.buf->capacity, 24u);
    EXPECT_TRUE(Insert(h.buf, kBufEnd, std::string(60, 'x').c_str()));
    EXPECT_EQ(h.buf->capacity, 73u);
    EXPECT_EQ(h.buf->length, 72u);
    EXPECT_EQ(h.buf->data[72], 0);
}

TEST(ByteBufGrowth, CharacterByCharacterKeepsEveryByte) {
    ByteBufHolder h(3);
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const char c = static_cast<char>('a' + i % 26);
        expected += c;
        ASSERT_TRUE(ByteBufInsert(h.buf, kBufEnd, &c, 1, true));
    }
    EXPECT_EQ(h.Text(), expected);
    EXPECT_LT(h.buf->length, h.buf->capacity);
}

TEST(ByteBufGrowth, ReserveIsExactAndReportsAlreadyLargeEnough) {
    ByteBufHolder h(4);
    Insert(h.buf, kBufEnd, "abc");
    EXPECT_TRUE(ByteBufReserve(h.buf, 5));
    EXPECT_EQ(h.buf->result, RC_NO_ROOM);
    EXPECT_EQ(h.buf->capacity, 5u);
    EXPECT_TRUE(ByteBufReserve(h.buf, 6));
    EXPECT_EQ(h.buf->result, RC_DONE);
    EXPECT_EQ(h.buf->capacity, 6u);
    EXPECT_TRUE(ByteBufReserve(h.buf, 7));
    EXPECT_EQ(h.buf->capacity, 7u); // never doubled
    EXPECT_EQ(h.Text(), "abc");
    EXPECT_EQ(h.buf->data[3], 0);
}

TEST(ByteBufInsert, Positions) {
    ByteBufHolder h(0);
    Insert(h.buf, kBufEnd, "abc");
    EXPECT_TRUE(ByteBufInsert(h.buf, 1, "XY", 2, true));
    EXPECT_EQ(h.Text(), "aXYbc");
    EXPECT_TRUE(Insert(h.buf, 0, ">"));
    EXPECT_TRUE(Insert(h.buf, 6, "<"));
    EXPECT_EQ(h.Text(), ">aXYbc<");

    EXPECT_TRUE(Insert(h.buf, 8, "Q"));
    EXPECT_EQ(h.buf->result, RC_BAD_POSITION);
    EXPECT_EQ(h.Text(), ">aXYbc<");
}

TEST(ByteBufInsert, EmptyAndNullSourcesAreNoOps) {
    ByteBufHolder h(0);
    Insert(h.buf, kBufEnd, "abc");
    EXPECT_TRUE(ByteBufInsert(h.buf, kBufEnd, nullptr, 3, true));
    EXPECT_EQ(h.buf->result, RC_NULL_SOURCE);
    EXPECT_TRUE(Insert(h.buf, kBufEnd, ""));
    EXPECT_EQ(h.buf->result, RC_NOTHING_TO_INSERT);
    EXPECT_EQ(h.Text(), "abc");
    // A count given explicitly may include zero bytes.
    EXPECT_TRUE(ByteBufInsert(h.buf, kBufEnd, "d\0e", 3, true));
    EXPECT_EQ(h.Text(), std::string("abcd\0e", 6));
}

TEST(ByteBufInsert, FullBufferWithoutGrowthIsUnchanged) {
    ByteBufHolder h(3);
    Insert(h.buf, kBufEnd, "abc", false);
    EXPECT_FALSE(Insert(h.buf, kBufEnd, "d", false));
    EXPECT_EQ(h.buf->result, RC_NO_ROOM);
    EXPECT_EQ(h.Text(), "abc");
    EXPECT_EQ(h.buf->capacity, 4u);
}

TEST(ByteBufInsert, OwnTextAsSourceSurvivesGrowthAndShift) {
    ByteBufHolder h(2);
    Insert(h.buf, kBufEnd, "ab");
    EXPECT_TRUE(ByteBufInsert(h.buf, kBufEnd, h.buf->data, h.buf->length, true));
    EXPECT_EQ(h.Text(), "abab");
    ByteBufReserve(h.buf, 100);
    EXPECT_TRUE(ByteBufInsert(h.buf, 1, h.buf->data, 3, false));
    EXPECT_EQ(h.Text(), "aababab");
}

TEST(ByteBufInsert, ResultCodesReset) {
    ByteBufHolder h(0);
    Insert(h.buf, 5, "x");
    EXPECT_EQ(h.buf->result, RC_BAD_POSITION);
    Insert(h.buf, kBufEnd, "x");
    EXPECT_EQ(h.buf->result, RC_DONE);
}

TEST(ByteBufAttach, RejectsBadMemory) {
    ByteBufHolder h(0);
    char store[20] = "not empty";
    EXPECT_FALSE(ByteBufAttach(h.buf, nullptr, 0, 20, 0));
    EXPECT_EQ(h.buf->result, RC_NULL_MEMORY);
    EXPECT_FALSE(ByteBufAttach(h.buf, store, 5, 5, 0));
    EXPECT_EQ(h.buf->result, RC_EMPTY_RANGE);
    EXPECT_FALSE(ByteBufAttach(h.buf, store, 0, 20, 0));
    EXPECT_EQ(h.buf->result, RC_NOT_EMPTY_TEXT);
    EXPECT_FALSE(h.buf->attached);
    EXPECT_EQ(h.buf->data, h.buf->inlineStore);
}

TEST(ByteBufAttach, FixedStorageNeverGrows) {
    ByteBufHolder h(0);
    Insert(h.buf, kBufEnd, "on the heap first");
    char store[8] = {};
    ASSERT_TRUE(ByteBufAttach(h.buf, store, 0, sizeof store, 0));
    EXPECT_EQ(h.buf->data, reinterpret_cast<uint8_t*>(store));
    EXPECT_EQ(h.buf->length, 0u);
    EXPECT_EQ(h.buf->capacity, 8u);
    EXPECT_TRUE(Insert(h.buf, kBufEnd, "1234567"));
    EXPECT_STREQ(store, "1234567");
    EXPECT_FALSE(Insert(h.buf, kBufEnd, "8"));
    EXPECT_EQ(h.buf->result, RC_CANNOT_GROW);
    EXPECT_FALSE(ByteBufReserve(h.buf, 9));
    EXPECT_EQ(h.buf->result, RC_CANNOT_GROW);
    EXPECT_STREQ(store, "1234567");
}

TEST(ByteBufAttach, StartOffsetUsesTheRangeOnly) {
    ByteBufHolder h(0);
    char store[10] = {'x', 'x', 'x', 0, 0, 0, 0, 0, 0, 'y'};
    ASSERT_TRUE(ByteBufAttach(h.buf, store, 3, 9, 0));
    EXPECT_EQ(h.buf->offset, 3u);
    EXPECT_EQ(h.buf->capacity, 6u);
    EXPECT_TRUE(Insert(h.buf, kBufEnd, "abcde", false));
    EXPECT_FALSE(Insert(h.buf, kBufEnd, "f", false));
    EXPECT_EQ(std::string(store, 10), std::string("xxxabcde\0y", 10));
}

TEST(ByteBufSetLength, LengthPlusOneKeepsTheTerminatorAsContent) {
    ByteBufHolder h(4);
    Insert(h.buf, kBufEnd, "ab");
    EXPECT_TRUE(ByteBufSetLength(h.buf, 3));
    EXPECT_EQ(h.Text(), std::string("ab\0", 3));
    Insert(h.buf, kBufEnd, "c");
    EXPECT_EQ(h.Text(), std::string("ab\0c", 4));
    EXPECT_FALSE(ByteBufSetLength(h.buf, 5));
    EXPECT_EQ(h.buf->result, RC_NO_ROOM);
    EXPECT_EQ(h.buf->length, 4u);
}

TEST(ByteBufSetLength, LongerLengthShowsZerosNotLeftovers) {
    ByteBufHolder h(0);
    Insert(h.buf, kBufEnd, "abcdefgh");
    ByteBufSetLength(h.buf, 2);
    EXPECT_TRUE(ByteBufSetLength(h.buf, 6));
    EXPECT_EQ(h.Text(), std::string("ab\0\0\0\0", 6));
}

TEST(ByteBufClearAndFree, ClearKeepsStorageFreeNullsHandle) {
    ByteBufHolder h(0);
    Insert(h.buf, kBufEnd, "some text");
    const uint32_t capacity = h.buf->capacity;
    ByteBufClear(h.buf);
    EXPECT_EQ(h.buf->length, 0u);
    EXPECT_EQ(h.buf->data[0], 0);
    EXPECT_EQ(h.buf->capacity, capacity);
    ByteBufFree(&h.buf);
    EXPECT_EQ(h.buf, nullptr);
    ByteBufFree(&h.buf);
    ByteBufFree(nullptr);
}

TEST(ByteBufNullHandle, EveryOperationTolerates) {
    EXPECT_EQ(ByteBufLength(static_cast<ByteBuf*>(nullptr)), 0xFFFFFFFFu);
    EXPECT_EQ(ByteBufLength(static_cast<ElemBuf*>(nullptr)), 0xFFFFFFFFu);
    EXPECT_FALSE(ByteBufInsert(nullptr, 0, "a", 1, true));
    EXPECT_FALSE(ByteBufReserve(nullptr, 10));
    EXPECT_FALSE(ByteBufSetLength(nullptr, 0));
    char store[4] = {};
    EXPECT_FALSE(ByteBufAttach(nullptr, store, 0, 4, 0));
    ByteBufClear(nullptr);
    EXPECT_FALSE(ElemBufInsert(nullptr, 0, nullptr, 1, true));
    EXPECT_FALSE(ElemBufReserve(nullptr, 1));
    ElemBufClear(nullptr);
    ElemBufFree(nullptr);
}

TEST(ByteBufOutOfMemory, GrowthFailureLeavesAnEmptyUsableInlineBuffer) {
    ByteBufHolder h(4);
    Insert(h.buf, kBufEnd, "abcdefgh");
    {
        AllocationFailure fail(0);
        EXPECT_FALSE(Insert(h.buf, kBufEnd, "more than twice the room we have now"));
        EXPECT_EQ(h.buf->result, RC_OUT_OF_MEMORY);
    }
    EXPECT_EQ(h.buf->data, h.buf->inlineStore);
    EXPECT_EQ(h.buf->length, 0u);
    EXPECT_EQ(h.buf->capacity, 5u);
    EXPECT_EQ(h.buf->data[0], 0);
    EXPECT_TRUE(Insert(h.buf, kBufEnd, "again"));
    EXPECT_EQ(h.Text(), "again");
}

TEST(ByteBufOutOfMemory, ReserveAndCreateFailures) {
    ByteBufHolder h(2);
    Insert(h.buf, kBufEnd, "ab");
    {
        AllocationFailure fail(0);
        EXPECT_FALSE(ByteBufReserve(h.buf, 100));
        EXPECT_EQ(h.buf->result, RC_OUT_OF_MEMORY);
        EXPECT_EQ(ByteBufCreate(10), nullptr);
        EXPECT_EQ(ElemBufCreate(4), nullptr);
    }
    EXPECT_EQ(h.buf->length, 0u);
    EXPECT_EQ(h.buf->data, h.buf->inlineStore);
    EXPECT_EQ(ByteBufCreate(0xFFFFFFFFu), nullptr);
}

TEST(ByteBufInit, BothModulesReportReady) {
    EXPECT_TRUE(ByteBufInit(0, 0, 0, 0));
    EXPECT_TRUE(ByteBufReady());
    EXPECT_TRUE(ElemBufInit(0, 0, 0, 0));
    EXPECT_TRUE(ElemBufReady());
}

TEST(ElemBuf, CreateAcceptsOnlyPowerOfTwoSizes) {
    for (uint32_t size : {0u, 3u, 5u, 16u}) {
        EXPECT_EQ(ElemBufCreate(size), nullptr) << size;
    }
    for (uint32_t size : {1u, 2u, 4u, 8u}) {
        ElemBufHolder h(size);
        ASSERT_NE(h.buf, nullptr);
        EXPECT_EQ(h.buf->elemSize, size);
        EXPECT_EQ(h.buf->data, nullptr);
        EXPECT_EQ(h.buf->capacity, 0u);
    }
}

TEST(ElemBuf, InsertGrowsAndPlacesElements) {
    ElemBufHolder h(4);
    const uint32_t a[] = {1, 2, 3};
    EXPECT_TRUE(ElemBufInsert(h.buf, kBufEnd, a, 3, true));
    EXPECT_EQ(h.buf->capacity, 10u);
    const uint32_t b[] = {7, 8};
    EXPECT_TRUE(ElemBufInsert(h.buf, 1, b, 2, true));
    EXPECT_TRUE(ElemBufInsert(h.buf, kBufEnd, nullptr, 2, true));
    EXPECT_EQ(ByteBufLength(h.buf), 7u);
    const uint32_t expected[] = {1, 7, 8, 2, 3, 0, 0};
    EXPECT_EQ(std::memcmp(h.buf->data, expected, sizeof expected), 0);

    EXPECT_TRUE(ElemBufInsert(h.buf, 8, a, 1, true));
    EXPECT_EQ(h.buf->result, RC_BAD_POSITION);
    EXPECT_TRUE(ElemBufInsert(h.buf, 0, a, 0, true));
    EXPECT_EQ(h.buf->result, RC_NOTHING_TO_INSERT);
    EXPECT_EQ(h.buf->count, 7u);

    const uint32_t many[12] = {};
    EXPECT_TRUE(ElemBufInsert(h.buf, kBufEnd, many, 12, true));
    EXPECT_EQ(h.buf->capacity, 20u);
    EXPECT_TRUE(ElemBufInsert(h.buf, kBufEnd, many, 2, true));
    EXPECT_EQ(h.buf->capacity, 40u);
}

TEST(ElemBuf, ReserveAndNoGrowth) {
    ElemBufHolder h(8);
    const uint64_t v = 0x1122334455667788ull;
    EXPECT_FALSE(ElemBufInsert(h.buf, kBufEnd, &v, 1, false));
    EXPECT_EQ(h.buf->result, RC_NO_ROOM);
    EXPECT_TRUE(ElemBufReserve(h.buf, 3));
    EXPECT_EQ(h.buf->capacity, 3u);
    EXPECT_TRUE(ElemBufReserve(h.buf, 2));
    EXPECT_EQ(h.buf->result, RC_NO_ROOM);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ElemBufInsert(h.buf, kBufEnd, &v, 1, false));
    }
    EXPECT_FALSE(ElemBufInsert(h.buf, kBufEnd, &v, 1, false));
    EXPECT_EQ(h.buf->count, 3u);
    ElemBufClear(h.buf);
    EXPECT_EQ(h.buf->count, 0u);
    EXPECT_EQ(h.buf->capacity, 3u);
}

TEST(ElemBuf, OwnElementAsSourceWhileGrowing) {
    ElemBufHolder h(4);
    const uint32_t first = 42;
    ElemBufInsert(h.buf, kBufEnd, &first, 1, true);
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(ElemBufInsert(h.buf, 0, h.buf->data, 1, true));
    }
    for (uint32_t i = 0; i < h.buf->count; ++i) {
        EXPECT_EQ(reinterpret_cast<uint32_t*>(h.buf->data)[i], 42u);
    }
}

TEST(ElemBuf, OutOfMemoryLeavesNoStorage) {
    ElemBufHolder h(2);
    const uint16_t v = 5;
    ElemBufInsert(h.buf, kBufEnd, &v, 1, true);
    {
        AllocationFailure fail(0);
        EXPECT_FALSE(ElemBufReserve(h.buf, 1000));
        EXPECT_EQ(h.buf->result, RC_OUT_OF_MEMORY);
    }
    EXPECT_EQ(h.buf->data, nullptr);
    EXPECT_EQ(h.buf->count, 0u);
    EXPECT_EQ(h.buf->capacity, 0u);
    EXPECT_TRUE(ElemBufInsert(h.buf, kBufEnd, &v, 1, true));
    EXPECT_EQ(h.buf->count, 1u);
}
