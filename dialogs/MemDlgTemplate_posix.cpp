// Native stand-ins for the global-memory calls and the ANSI conversion that the template writer
// uses on Windows. A block moves on every resize, as a movable block may, so a stale pointer
// into the old storage shows up under the sanitizers.

#include "dialogs/MemDlgTemplate.h"

#include <cstdlib>
#include <cstring>

namespace memdlg {
namespace {

struct Block {
    uint8_t* bytes;
    size_t size;
    int locks;
};

int g_allocationsLeft = -1;

void* Allocate(size_t bytes) {
    if (g_allocationsLeft == 0) {
        return nullptr;
    }
    if (g_allocationsLeft > 0) {
        --g_allocationsLeft;
    }
    return std::malloc(bytes == 0 ? 1 : bytes);
}

// Windows-1252, the ANSI code page of western Windows set-ups, for 0x80 to 0x9F; the other
// bytes are their own code points. Unassigned bytes map to the control code of the same value.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

void FailGlobalAllocationsAfter(int allowed) {
    g_allocationsLeft = allowed;
}

GlobalHandle GlobalAllocBlock(uint32_t flags, size_t bytes) {
    auto* block = static_cast<Block*>(Allocate(sizeof(Block)));
    if (!block) {
        return nullptr;
    }
    block->bytes = static_cast<uint8_t*>(Allocate(bytes));
    if (!block->bytes) {
        std::free(block);
        return nullptr;
    }
    if (flags & kGMEM_ZEROINIT) {
        std::memset(block->bytes, 0, bytes);
    }
    block->size = bytes;
    block->locks = 0;
    return block;
}

GlobalHandle GlobalReAllocBlock(GlobalHandle handle, size_t bytes, uint32_t flags) {
    auto* block = static_cast<Block*>(handle);
    if (!block || block->locks != 0) {
        return nullptr; // a locked block cannot move
    }
    auto* bytesNew = static_cast<uint8_t*>(Allocate(bytes));
    if (!bytesNew) {
        return nullptr;
    }
    const size_t kept = bytes < block->size ? bytes : block->size;
    std::memcpy(bytesNew, block->bytes, kept);
    if ((flags & kGMEM_ZEROINIT) && bytes > kept) {
        std::memset(bytesNew + kept, 0, bytes - kept);
    }
    std::free(block->bytes);
    block->bytes = bytesNew;
    block->size = bytes;
    return block;
}

void* GlobalLockBlock(GlobalHandle handle) {
    auto* block = static_cast<Block*>(handle);
    if (!block) {
        return nullptr;
    }
    ++block->locks;
    return block->bytes;
}

void GlobalUnlockBlock(GlobalHandle handle) {
    auto* block = static_cast<Block*>(handle);
    if (block && block->locks > 0) {
        --block->locks;
    }
}

void GlobalFreeBlock(GlobalHandle handle) {
    auto* block = static_cast<Block*>(handle);
    if (block) {
        std::free(block->bytes);
        std::free(block);
    }
}

size_t GlobalBlockSize(GlobalHandle handle) {
    return handle ? static_cast<Block*>(handle)->size : 0;
}

int AnsiToUtf16(const char* src, uint16_t* dst, int dstCap) {
    if (!src || dstCap < 0) {
        return 0;
    }
    const size_t length = std::strlen(src) + 1;
    if (length > 0x7FFFFFFF) {
        return 0;
    }
    const int units = static_cast<int>(length);
    if (dstCap == 0) {
        return units;
    }
    if (units > dstCap) {
        return 0;
    }
    for (int i = 0; i < units; ++i) {
        const auto byte = static_cast<unsigned char>(src[i]);
        dst[i] = (byte >= 0x80 && byte <= 0x9F) ? kCp1252High[byte - 0x80] : byte;
    }
    return units;
}

} // namespace memdlg
