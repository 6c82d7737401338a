// Helpers shared by the Windows tests of the markup window and the generic text dialog.
#pragma once

#include "tests/markup/MarkupTestUtil.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

namespace winui_test {

// Handles whatever is queued for this thread until `done` holds or the time runs out.
template <class F> bool PumpUntil(F done, DWORD ms = 10000) {
    for (const DWORD until = ::GetTickCount() + ms;; ::Sleep(20)) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done() || int(::GetTickCount() - until) >= 0)
            return done();
    }
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

// How many times the link marker program started, once it has written its file.
inline int OpenedLinks() {
    const std::string marker = ProgramFolder() + "link-opened.txt";
    PumpUntil([&] { return ::GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
    PumpUntil([] { return false; }, 300);
    std::ifstream in(marker);
    return int(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

} // namespace winui_test
