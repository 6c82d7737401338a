#include "foundation/Utf8.h"

#include <cstring>

namespace {

constexpr unsigned kReplacement = 0xFFFD;

int TrailCount(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 3;
    return 0;
}

// Decodes one code point at s[i] and moves i past the bytes it used.
unsigned DecodeOne(const unsigned char* s, int len, int& i) {
    unsigned char lead = s[i++];
    if (lead < 0x80)
        return lead;
    int trail = TrailCount(lead);
    if (trail == 0)
        return kReplacement;
    if (len - i < trail) {
        i = len;
        return kReplacement;
    }
    unsigned cp = lead & (0x7Fu >> (trail + 1));
    for (int left = trail; left > 0; --left) {
        unsigned bits = s[i] ^ 0x80u;
        if (bits >= 0x40)
            return kReplacement; // not a continuation byte: it starts the next sequence
        cp = (cp << 6) | bits;
        if (left == 2 && cp >= (0x110000u >> 6))
            return kReplacement; // above U+10FFFF: this byte is not used
        ++i;
        if (left == 3 && cp < 0x10)
            return kReplacement; // overlong four-byte form
        if (left == 2 && (cp < 0x20 || (cp >= (0xD800u >> 6) && cp <= (0xDFFFu >> 6))))
            return kReplacement; // overlong three-byte form or a surrogate
    }
    return cp < 0x80 ? kReplacement : cp;
}

} // namespace

int DecodeUtf8ToUtf16(const char* src, int srcLen, wchar_t* dst, int dstCap) {
    if (!src || srcLen == 0 || srcLen < -1 || dstCap < 0)
        return 0;
    if (srcLen == -1)
        srcLen = int(std::strlen(src)) + 1;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    int units = 0;
    for (int i = 0; i < srcLen;) {
        unsigned cp = DecodeOne(s, srcLen, i);
        int need = cp > 0xFFFF ? 2 : 1;
        if (dstCap > 0) {
            if (units + need > dstCap)
                return 0;
            if (need == 2) {
                dst[units] = wchar_t(0xD800 + ((cp - 0x10000) >> 10));
                dst[units + 1] = wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                dst[units] = wchar_t(cp);
            }
        }
        units += need;
    }
    return units;
}
