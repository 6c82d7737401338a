#include "foundation/Utf8.h"

#include <cstring>

namespace {

constexpr unsigned kReplacement = 0xFFFD;

struct LeadByte {
    int trail;               // continuation bytes that must follow
    unsigned char low, high; // allowed range of the first continuation byte
    unsigned bits;
};

// Ranges of well-formed UTF-8: they exclude overlong forms, surrogates and values above U+10FFFF
// already at the first continuation byte, which is what makes a maximal subpart end early.
bool Classify(unsigned char b, LeadByte& lead) {
    if (b >= 0xC2 && b <= 0xDF)
        lead = {1, 0x80, 0xBF, b & 0x1Fu};
    else if (b >= 0xE0 && b <= 0xEF)
        lead = {2, b == 0xE0 ? (unsigned char)0xA0 : (unsigned char)0x80,
                b == 0xED ? (unsigned char)0x9F : (unsigned char)0xBF, b & 0x0Fu};
    else if (b >= 0xF0 && b <= 0xF4)
        lead = {3, b == 0xF0 ? (unsigned char)0x90 : (unsigned char)0x80,
                b == 0xF4 ? (unsigned char)0x8F : (unsigned char)0xBF, b & 0x07u};
    else
        return false;
    return true;
}

// Decodes one code point at s[i]; returns it and moves i past what it consumed.
unsigned DecodeOne(const unsigned char* s, int len, int& i) {
    unsigned char b = s[i++];
    if (b < 0x80)
        return b;
    LeadByte lead;
    if (!Classify(b, lead))
        return kReplacement;
    unsigned cp = lead.bits;
    unsigned char low = lead.low, high = lead.high;
    for (int k = 0; k < lead.trail; ++k) {
        if (i >= len || s[i] < low || s[i] > high)
            return kReplacement; // the offending byte starts the next sequence
        cp = (cp << 6) | (s[i++] & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return cp;
}

} // namespace

int Utf8ToUtf16(const char* src, int srcLen, wchar_t* dst, int dstCap) {
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
