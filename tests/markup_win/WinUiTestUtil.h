// Helpers shared by the Windows tests of the drawer, the markup window and the generic text dialog.
#pragma once

#include "tests/app/WinTestUtil_win.h"
#include "tests/markup/MarkupTestUtil.h"

#include <algorithm>
#include <fstream>
#include <iterator>

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
    WaitUntil([&] { return ::GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; });
    PumpMessages(nullptr, 300);
    std::ifstream in(marker);
    return int(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}
