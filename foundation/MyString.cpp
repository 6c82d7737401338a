#include "foundation/MyString.h"

#include "foundation/Utf8.h"

#include <climits>

CMyASCIIString g_whitespace;
CMyASCIIString g_emptyString;

void InitStringConstants() {
    static bool done = false;
    if (done)
        return;
    // The empty string keeps one zero byte so that its data can stand in for "" with length 0.
    done = g_whitespace.AssignCodes(5, ' ', '\t', '\r', '\n', 0) && g_emptyString.AssignCodes(1, 0);
}

bool ToWide(CMyWideString& wide, const CMyASCIIString& narrow) {
    if (narrow.IsEmpty() || narrow.Count() > INT_MAX)
        return false;
    constexpr int kMaxWide = 49999;
    wchar_t buffer[kMaxWide];
    int units = Utf8ToUtf16(narrow.Data(), int(narrow.Count()), buffer, kMaxWide);
    if (units <= 0)
        return false;
    return wide.Assign(buffer, uint32_t(units));
}
