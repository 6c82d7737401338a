// The template writer's platform calls on Windows.

#include "dialogs/MemDlgTemplate.h"

#include <windows.h>

namespace memdlg {

static_assert(kGMEM_MOVEABLE == GMEM_MOVEABLE && kGMEM_ZEROINIT == GMEM_ZEROINIT, "GlobalAlloc flags");
static_assert(sizeof(wchar_t) == sizeof(uint16_t), "UTF-16 units");

GlobalHandle GlobalAllocBlock(uint32_t flags, size_t bytes) {
    return GlobalAlloc(flags, bytes);
}

GlobalHandle GlobalReAllocBlock(GlobalHandle block, size_t bytes, uint32_t flags) {
    return GlobalReAlloc(static_cast<HGLOBAL>(block), bytes, flags);
}

void* GlobalLockBlock(GlobalHandle block) {
    return block ? GlobalLock(static_cast<HGLOBAL>(block)) : nullptr;
}

void GlobalUnlockBlock(GlobalHandle block) {
    if (block) {
        GlobalUnlock(static_cast<HGLOBAL>(block));
    }
}

void GlobalFreeBlock(GlobalHandle block) {
    if (block) {
        GlobalFree(static_cast<HGLOBAL>(block));
    }
}

size_t GlobalBlockSize(GlobalHandle block) {
    return block ? GlobalSize(static_cast<HGLOBAL>(block)) : 0;
}

int AnsiToUtf16(const char* src, uint16_t* dst, int dstCap) {
    return MultiByteToWideChar(CP_THREAD_ACP, 0, src, -1, reinterpret_cast<wchar_t*>(dst), dstCap);
}

} // namespace memdlg
