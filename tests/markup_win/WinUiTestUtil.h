// Helpers shared by the Windows tests of the markup window and the generic text dialog.
#pragma once

#include "tests/markup/MarkupTestUtil.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace winui_test {

// Handles whatever is queued for this thread until `done` holds or the time runs out.
template <class F> bool PumpUntil(F done, DWORD ms = 10000) {
    const DWORD until = ::GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done() || int(::GetTickCount() - until) >= 0)
            return done();
        ::Sleep(20);
    }
}
inline void Pump(DWORD ms = 0) {
    PumpUntil([] { return false; }, ms);
}

inline HFONT PlainFont(int height) {
    return ::CreateFontA(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                         0, "Arial");
}

// The folder of the running test program, ending in a backslash.
inline std::string ProgramFolder() {
    char path[MAX_PATH];
    std::string folder(path, ::GetModuleFileNameA(nullptr, path, MAX_PATH));
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// A top-level window to host child windows in tests.
inline HWND CreateHostWindow(int width, int height) {
    return ::CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 50, 50, width, height, nullptr,
                             nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

// Waits until the link marker program has written "link-opened.txt" beside this program, and
// answers how many times it was started.
inline int OpenedLinks(DWORD ms = 20000) {
    const std::string marker = ProgramFolder() + "link-opened.txt";
    if (!PumpUntil([&] { return ::GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, ms))
        return 0;
    Pump(300);
    int opened = 0;
    char line[32];
    if (FILE* f = std::fopen(marker.c_str(), "r")) {
        while (std::fgets(line, sizeof line, f))
            opened += std::string(line) == "opened\n";
        std::fclose(f);
    }
    return opened;
}

} // namespace winui_test
