// UTF-8 to UTF-16 with the contract of MultiByteToWideChar(CP_UTF8, 0, ...): srcLen -1 means up to
// and including the terminating zero; dstCap 0 asks for the size needed; otherwise the number of
// units written, or 0 when they do not fit or the input is empty. UTF-16 units are stored one per
// wchar_t, also where wchar_t is 32 bits wide, so counts agree with Windows.
#pragma once

// The platform's conversion: MultiByteToWideChar on Windows, DecodeUtf8ToUtf16 elsewhere.
int Utf8ToUtf16(const char* src, int srcLen, wchar_t* dst, int dstCap);

// Our own conversion, with the replacement rules of Windows for ill-formed input: a sequence cut
// off by the end of the text takes the rest of the text into one U+FFFD; otherwise the bytes read
// until the sequence can no longer be valid (overlong, surrogate, above U+10FFFF, a missing
// continuation byte) make one U+FFFD, and the next byte starts afresh.
int DecodeUtf8ToUtf16(const char* src, int srcLen, wchar_t* dst, int dstCap);
