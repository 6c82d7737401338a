#include "foundation/Utf8.h"

int Utf8ToUtf16(const char* src, int srcLen, wchar_t* dst, int dstCap) {
    return DecodeUtf8ToUtf16(src, srcLen, dst, dstCap);
}
