#include "foundation/Utf8.h"

#include <windows.h>

int Utf8ToUtf16(const char* src, int srcLen, wchar_t* dst, int dstCap) {
    return MultiByteToWideChar(CP_UTF8, 0, src, srcLen, dst, dstCap);
}
