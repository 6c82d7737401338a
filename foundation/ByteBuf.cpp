#include "foundation/ByteBuf.h"

#include <cstdlib>
#include <cstring>
#include <functional>

namespace bufmem {
ReallocFn g_realloc = [](void* block, size_t size) { return std::realloc(block, size); };
} // namespace bufmem

namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;

bool g_byteBufReady = false;
bool g_elemBufReady = false;

uint8_t* InlineStoreOf(ByteBuf* buf) {
    return reinterpret_cast<uint8_t*>(buf) + offsetof(ByteBuf, inlineStore);
}

// Inline storage is recognised by its capacity: a heap block is always larger.
bool IsInline(const ByteBuf* buf) {
    return !buf->attached && buf->capacity == buf->inlineCapacity + 1;
}

bool OwnsHeapBlock(const ByteBuf* buf) {
    return !buf->attached && !IsInline(buf);
}

void BackToInlineStore(ByteBuf* buf) {
    buf->data = InlineStoreOf(buf);
    buf->length = 0;
    buf->capacity = buf->inlineCapacity + 1;
    buf->data[0] = 0;
}

uint32_t GrownCapacity(uint32_t capacity, uint64_t needed) {
    uint64_t grown = capacity >= 2 ? 2 * static_cast<uint64_t>(capacity) : 10;
    if (grown > kMax32) {
        grown = kMax32;
    }
    return static_cast<uint32_t>(grown < needed ? needed : grown);
}

bool Overlaps(const uint8_t* storage, size_t storageBytes, const void* source) {
    if (!storage) {
        return false;
    }
    std::less_equal<const void*> le;
    std::less<const void*> lt;
    return le(storage, source) && lt(source, storage + storageBytes);
}

// A source inside the buffer's own storage would move or vanish while the buffer changes;
// such a source is inserted from a private copy, released when the insert ends.
class SourceCopy {
public:
    SourceCopy() = default;
    SourceCopy(const SourceCopy&) = delete;
    SourceCopy& operator=(const SourceCopy&) = delete;
    ~SourceCopy() { std::free(m_copy); }

    // Returns false when a needed copy cannot be made.
    bool Protect(const uint8_t* storage, size_t storageBytes, const void*& source, size_t bytes) {
        if (!Overlaps(storage, storageBytes, source)) {
            return true;
        }
        m_copy = bufmem::g_realloc(nullptr, bytes);
        if (!m_copy) {
            return false;
        }
        std::memcpy(m_copy, source, bytes);
        source = m_copy;
        return true;
    }

private:
    void* m_copy = nullptr;
};

// Moves the storage to a heap block of exactly newCapacity bytes. On failure the buffer is
// back on its inline store, empty, with code 13.
bool GrowByteBuf(ByteBuf* buf, uint32_t newCapacity) {
    const bool fromInline = IsInline(buf);
    void* block = bufmem::g_realloc(fromInline ? nullptr : buf->data, newCapacity);
    if (!block) {
        if (!fromInline) {
            std::free(buf->data);
        }
        BackToInlineStore(buf);
        buf->result = RC_OUT_OF_MEMORY;
        return false;
    }
    if (fromInline) {
        std::memcpy(block, buf->data, static_cast<size_t>(buf->length) + 1);
    }
    buf->data = static_cast<uint8_t*>(block);
    buf->capacity = newCapacity;
    return true;
}

// Resizes the element storage to newCapacity elements. On failure the buffer has no storage.
bool ResizeElemBuf(ElemBuf* buf, uint32_t newCapacity) {
    const uint64_t bytes = static_cast<uint64_t>(newCapacity) * buf->elemSize;
    void* block = nullptr;
    if (bytes <= SIZE_MAX) {
        block = bufmem::g_realloc(buf->capacity == 0 ? nullptr : buf->data, static_cast<size_t>(bytes));
    }
    if (!block) {
        std::free(buf->data);
        buf->data = nullptr;
        buf->count = 0;
        buf->capacity = 0;
        buf->result = RC_OUT_OF_MEMORY;
        return false;
    }
    buf->data = static_cast<uint8_t*>(block);
    buf->capacity = newCapacity;
    return true;
}

bool CannotGrow(uint32_t offset, uint8_t attached) {
    return offset > 0 || attached;
}

} // namespace

ByteBuf* ByteBufCreate(uint32_t initialCapacity) {
    if (initialCapacity >= kMax32) {
        return nullptr; // its capacity, one more, would not fit the record
    }
    uint64_t size = offsetof(ByteBuf, inlineStore) + static_cast<uint64_t>(initialCapacity) + 1;
    if (size < sizeof(ByteBuf)) {
        size = sizeof(ByteBuf);
    }
    if (size > SIZE_MAX) {
        return nullptr;
    }
    auto* buf = static_cast<ByteBuf*>(bufmem::g_realloc(nullptr, static_cast<size_t>(size)));
    if (!buf) {
        return nullptr;
    }
    buf->result = RC_DONE;
    buf->offset = 0;
    buf->inlineCapacity = initialCapacity;
    buf->notOwned = 0;
    buf->attached = 0;
    BackToInlineStore(buf);
    return buf;
}

void ByteBufFree(ByteBuf** handle) {
    if (!handle || !*handle) {
        return;
    }
    ByteBuf* buf = *handle;
    if (OwnsHeapBlock(buf)) {
        std::free(buf->data);
    }
    if (!buf->notOwned) {
        std::free(buf);
    }
    *handle = nullptr;
}

void ByteBufClear(ByteBuf* buf) {
    if (!buf) {
        return;
    }
    buf->length = 0;
    buf->data[0] = 0;
}

bool ByteBufAttach(ByteBuf* buf, void* memory, uint32_t start, uint32_t end, uint32_t /*mode*/) {
    if (!buf) {
        return false;
    }
    buf->result = RC_DONE;
    if (!memory) {
        buf->result = RC_NULL_MEMORY;
        return false;
    }
    if (end <= start) {
        buf->result = RC_EMPTY_RANGE;
        return false;
    }
    uint8_t* storage = static_cast<uint8_t*>(memory) + start;
    if (storage[0] != 0) {
        buf->result = RC_NOT_EMPTY_TEXT;
        return false;
    }
    if (OwnsHeapBlock(buf)) {
        std::free(buf->data);
    }
    buf->data = storage;
    buf->capacity = end - start;
    buf->offset = start;
    buf->attached = 1;
    buf->length = 0;
    return true;
}

bool ByteBufReserve(ByteBuf* buf, uint32_t capacity) {
    if (!buf) {
        return false;
    }
    buf->result = RC_DONE;
    if (capacity <= buf->capacity) {
        buf->result = RC_NO_ROOM;
        return true;
    }
    if (CannotGrow(buf->offset, buf->attached)) {
        buf->result = RC_CANNOT_GROW;
        return false;
    }
    return GrowByteBuf(buf, capacity);
}

uint32_t ByteBufLength(const ByteBuf* buf) {
    return buf ? buf->length : 0xFFFFFFFFu;
}

uint32_t ByteBufLength(const ElemBuf* buf) {
    return buf ? buf->count : 0xFFFFFFFFu;
}

bool ByteBufSetLength(ByteBuf* buf, uint32_t length) {
    if (!buf) {
        return false;
    }
    buf->result = RC_DONE;
    if (length >= buf->capacity) {
        buf->result = RC_NO_ROOM;
        return false;
    }
    // Bytes that become content past the old terminator are zero, never leftovers.
    if (length > buf->length) {
        std::memset(buf->data + buf->length, 0, length - buf->length);
    }
    buf->length = length;
    buf->data[length] = 0;
    return true;
}

bool ByteBufInsert(ByteBuf* buf, uint32_t position, const void* source, uint32_t count, bool grow) {
    if (!buf) {
        return false;
    }
    buf->result = RC_DONE;
    if (position == kBufEnd) {
        position = buf->length;
    }
    if (position > buf->length) {
        buf->result = RC_BAD_POSITION;
        return true;
    }
    if (!source) {
        buf->result = RC_NULL_SOURCE;
        return true;
    }
    if (count == 0) {
        const size_t textLength = std::strlen(static_cast<const char*>(source));
        if (textLength == 0) {
            buf->result = RC_NOTHING_TO_INSERT;
            return true;
        }
        if (textLength >= kMax32) {
            buf->result = RC_SIZE_OVERFLOW;
            return true;
        }
        count = static_cast<uint32_t>(textLength);
    }
    const uint64_t needed = static_cast<uint64_t>(buf->length) + count + 1;
    const bool mustGrow = needed > buf->capacity;
    if (mustGrow) {
        if (!grow) {
            buf->result = RC_NO_ROOM;
            return false;
        }
        if (CannotGrow(buf->offset, buf->attached)) {
            buf->result = RC_CANNOT_GROW;
            return false;
        }
        if (needed > kMax32) {
            buf->result = RC_SIZE_OVERFLOW;
            return true;
        }
    }
    SourceCopy copy;
    if (!copy.Protect(buf->data, buf->capacity, source, count)) {
        buf->result = RC_OUT_OF_MEMORY;
        return false;
    }
    if (mustGrow && !GrowByteBuf(buf, GrownCapacity(buf->capacity, needed))) {
        return false;
    }
    std::memmove(buf->data + position + count, buf->data + position, buf->length - position);
    std::memcpy(buf->data + position, source, count);
    buf->length += count;
    buf->data[buf->length] = 0;
    return true;
}

bool ByteBufInit(uint32_t, uint32_t, uint32_t, uint32_t) {
    g_byteBufReady = true;
    return true;
}

bool ByteBufReady() {
    return g_byteBufReady;
}

ElemBuf* ElemBufCreate(uint32_t elemSize) {
    if (elemSize != 1 && elemSize != 2 && elemSize != 4 && elemSize != 8) {
        return nullptr;
    }
    auto* buf = static_cast<ElemBuf*>(bufmem::g_realloc(nullptr, sizeof(ElemBuf)));
    if (!buf) {
        return nullptr;
    }
    buf->data = nullptr;
    buf->result = RC_DONE;
    buf->count = 0;
    buf->offset = 0;
    buf->capacity = 0;
    buf->elemSize = static_cast<uint8_t>(elemSize);
    buf->notOwned = 0;
    buf->attached = 0;
    return buf;
}

void ElemBufFree(ElemBuf** handle) {
    if (!handle || !*handle) {
        return;
    }
    ElemBuf* buf = *handle;
    if (!buf->attached) {
        std::free(buf->data);
    }
    if (!buf->notOwned) {
        std::free(buf);
    }
    *handle = nullptr;
}

void ElemBufClear(ElemBuf* buf) {
    if (buf) {
        buf->count = 0;
    }
}

bool ElemBufReserve(ElemBuf* buf, uint32_t count) {
    if (!buf) {
        return false;
    }
    buf->result = RC_DONE;
    if (CannotGrow(buf->offset, buf->attached)) {
        buf->result = RC_CANNOT_GROW;
        return false;
    }
    if (count <= buf->capacity) {
        buf->result = RC_NO_ROOM;
        return true;
    }
    return ResizeElemBuf(buf, count);
}

bool ElemBufInsert(ElemBuf* buf, uint32_t position, const void* source, uint32_t count, bool grow) {
    if (!buf) {
        return false;
    }
    buf->result = RC_DONE;
    if (count == 0) {
        buf->result = RC_NOTHING_TO_INSERT;
        return true;
    }
    if (position == kBufEnd) {
        position = buf->count;
    }
    if (position > buf->count) {
        buf->result = RC_BAD_POSITION;
        return true;
    }
    const size_t size = buf->elemSize;
    const bool mustGrow = count > buf->capacity - buf->count;
    const uint64_t needed = static_cast<uint64_t>(buf->count) + count;
    if (mustGrow) {
        if (!grow) {
            buf->result = RC_NO_ROOM;
            return false;
        }
        if (CannotGrow(buf->offset, buf->attached)) {
            buf->result = RC_CANNOT_GROW;
            return false;
        }
        if (needed > kMax32) {
            buf->result = RC_SIZE_OVERFLOW;
            return true;
        }
    }
    SourceCopy copy;
    if (source && !copy.Protect(buf->data, buf->capacity * size, source, count * size)) {
        buf->result = RC_OUT_OF_MEMORY;
        return false;
    }
    if (mustGrow && !ResizeElemBuf(buf, GrownCapacity(buf->capacity, needed))) {
        return false;
    }
    uint8_t* at = buf->data + position * size;
    const size_t tail = (buf->count - position) * size;
    if (tail > 0) {
        std::memmove(at + count * size, at, tail);
    }
    if (source) {
        std::memcpy(at, source, count * size);
    } else {
        std::memset(at, 0, count * size);
    }
    buf->count += count;
    return true;
}

bool ElemBufInit(uint32_t, uint32_t, uint32_t, uint32_t) {
    g_elemBufReady = true;
    return true;
}

bool ElemBufReady() {
    return g_elemBufReady;
}
