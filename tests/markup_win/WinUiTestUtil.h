// Helpers shared by the Windows tests of the markup window, the generic text dialog and the About box.
#pragma once

#include "foundation/MyString.h"
#include "markup/Colors.h"
#include "markup/Parser.h"

#include <windows.h>

#include <string>

namespace winui_test {

// Process-wide tables the markup needs, as the main window sets them up.
inline void InitMarkupTables() {
    InitStringConstants();
    InitMarkupNames();
    InitColorPalette();
}

// A markup text from UTF-8 bytes, with its ASCII flag set from them.
inline void SetUtf8(CMyASCIIString& s, const std::string& bytes) {
    s.Reserve(uint32_t(bytes.size() + 1));
    for (char c : bytes)
        s.AppendCodes(int(static_cast<unsigned char>(c)));
    s.UpdateAsciiFlag();
}

// Handles whatever is queued for this thread, for at least `ms` milliseconds.
inline void Pump(DWORD ms = 0) {
    DWORD until = ::GetTickCount() + ms;
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (ms)
            ::Sleep(10);
    } while (int(::GetTickCount() - until) < 0);
}

// Pumps messages until `done` holds or the time runs out; answers `done()`.
template <class F> bool PumpUntil(F done, DWORD ms = 10000) {
    DWORD until = ::GetTickCount() + ms;
    while (!done() && int(::GetTickCount() - until) < 0)
        Pump(20);
    return done();
}

inline HFONT PlainFont(int height) {
    return ::CreateFontA(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                         0, "Arial");
}

// The folder of the running test program, ending in a backslash.
inline std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// A top-level window to host child windows in tests.
inline HWND CreateHostWindow(int width, int height) {
    return ::CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 50, 50, width, height, nullptr,
                             nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

// How many pixels of `colour` the window shows inside the client rectangle `r` (inclusive).
inline int CountPixels(HWND window, const RECT& r, COLORREF colour) {
    HDC dc = ::GetDC(window);
    int n = 0;
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x)
            n += ::GetPixel(dc, x, y) == colour;
    ::ReleaseDC(window, dc);
    return n;
}

} // namespace winui_test
