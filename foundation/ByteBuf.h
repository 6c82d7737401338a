#pragma once
// Handle-based buffers: ByteBuf, a zero-terminated byte buffer, and ElemBuf, an array of
// fixed-size elements. Every operation takes the handle first, records a ResultCode in the
// record (except clear, free and the start-up calls) and returns a bool or a number. A null
// handle is tolerated everywhere: the operation returns false and records nothing.

#include <cstddef>
#include <cstdint>

enum ResultCode : uint32_t {
    RC_DONE = 0,
    RC_NULL_MEMORY = 1, // attach: the memory is null
    RC_NO_ROOM = 2,     // insert/set-length: does not fit; reserve: already large enough
    RC_EMPTY_RANGE = 3, // attach: end not after start
    RC_NOTHING_TO_INSERT = 4,
    RC_SIZE_OVERFLOW = 5, // the new size would not fit in 32 bits
    RC_BAD_POSITION = 6,  // position beyond the content
    RC_NULL_SOURCE = 8,
    RC_CANNOT_GROW = 12, // attached storage, or storage at an offset
    RC_OUT_OF_MEMORY = 13,
    RC_NOT_EMPTY_TEXT = 21, // attach: the memory does not start with a zero byte
};

// Position argument meaning "at the end".
constexpr uint32_t kBufEnd = 0xFFFFFFFFu;

// One allocation: this record followed by its inline store of inlineCapacity + 1 bytes.
struct ByteBuf {
    uint8_t* data;           // inline store, heap block or attached memory
    uint32_t result;         // ResultCode of the last operation
    uint32_t length;         // bytes stored, terminator not counted
    uint32_t offset;         // start inside attached memory; 0 for owned storage
    uint32_t capacity;       // bytes available, terminator included
    uint32_t inlineCapacity; // capacity asked for at creation
    uint8_t notOwned;        // false: ByteBufFree releases the record too
    uint8_t attached;        // storage is caller-owned: never released or grown
    uint8_t inlineStore[1];  // really inlineCapacity + 1 bytes
};

struct ElemBuf {
    uint8_t* data;     // null until the first growth
    uint32_t result;   // ResultCode of the last operation
    uint32_t count;    // elements stored
    uint32_t offset;   // always 0 here
    uint32_t capacity; // elements the storage holds
    uint8_t elemSize;  // 1, 2, 4 or 8
    uint8_t notOwned;
    uint8_t attached;
};

// The start-up functions: each marks its module ready and returns true. The entry point
// passes zeros; the arguments are ignored.
using BufInitFn = bool (*)(uint32_t, uint32_t, uint32_t, uint32_t);

ByteBuf* ByteBufCreate(uint32_t initialCapacity);
void ByteBufFree(ByteBuf** handle);
void ByteBufClear(ByteBuf* buf);
bool ByteBufAttach(ByteBuf* buf, void* memory, uint32_t start, uint32_t end, uint32_t mode);
bool ByteBufReserve(ByteBuf* buf, uint32_t capacity);
uint32_t ByteBufLength(const ByteBuf* buf);
// The element buffer's count, as the shared leading fields make it the same query.
uint32_t ByteBufLength(const ElemBuf* buf);
bool ByteBufSetLength(ByteBuf* buf, uint32_t length);
bool ByteBufInsert(ByteBuf* buf, uint32_t position, const void* source, uint32_t count, bool grow);
bool ByteBufInit(uint32_t, uint32_t, uint32_t, uint32_t);

ElemBuf* ElemBufCreate(uint32_t elemSize);
void ElemBufFree(ElemBuf** handle);
void ElemBufClear(ElemBuf* buf);
bool ElemBufReserve(ElemBuf* buf, uint32_t count);
bool ElemBufInsert(ElemBuf* buf, uint32_t position, const void* source, uint32_t count, bool grow);
bool ElemBufInit(uint32_t, uint32_t, uint32_t, uint32_t);

// Whether ByteBufInit / ElemBufInit have run.
bool ByteBufReady();
bool ElemBufReady();

namespace bufmem {
// Every allocation of both modules goes through this one function, realloc-shaped (a null
// block allocates). Tests replace it to make allocations fail.
using ReallocFn = void* (*)(void* block, size_t size);
extern ReallocFn g_realloc;
} // namespace bufmem
