// Helpers shared by the markup tests.
#pragma once

#include "markup/Parser.h"

#include <cstring>
#include <string>

// A terminated string holding the given bytes, with its ASCII flag set from them.
struct TestText : CMyASCIIString {
    explicit TestText(const std::string& text) {
        Reserve(uint32_t(text.size()) + 1);
        Append(text.data(), uint32_t(text.size()));
        Terminate();
        UpdateAsciiFlag();
    }
};

inline std::string Str(const CMyASCIIString& s) {
    return std::string(s.Data() ? s.Data() : "", s.Count());
}

// Sets up what the main window sets up at start.
inline void InitMarkupForTests() {
    InitStringConstants();
    InitMarkupNames();
    InitColorPalette();
}
