// UTF-8 to UTF-16 with the contract of MultiByteToWideChar(CP_UTF8, 0, ...): srcLen -1 means up to
// and including the terminating zero; dstCap 0 asks for the size needed; otherwise the number of
// units written, or 0 when they do not fit or the input is empty. Invalid sequences become U+FFFD,
// one for each maximal subpart of an ill-formed sequence. UTF-16 units are stored one per wchar_t,
// also where wchar_t is 32 bits wide, so counts agree with Windows.
#pragma once

int Utf8ToUtf16(const char* src, int srcLen, wchar_t* dst, int dstCap);
