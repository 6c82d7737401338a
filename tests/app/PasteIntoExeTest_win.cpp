// End to end: files copied to the clipboard and pasted with Ctrl+V into the running varnello.exe
// appear in its list, and the program still ends with exit code 0.

#include "tests/app/IntakeTestSupport_win.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace intake_test;

namespace {

// The exe's path as the build gave it: a Unix path, which Wine reaches through drive Z:.
std::string ExePath() {
    std::string path = VARNELLO_EXE_PATH;
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

struct Search {
    DWORD process;
    HWND found;
};

HWND FindMainWindow(DWORD process) {
    Search search = {process, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char name[32] = {};
            GetClassNameA(window, name, sizeof name);
            if (owner == s->process && IsWindowVisible(window) && std::string(name) == "#32770") {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

template <typename Condition> bool WaitFor(Condition condition, DWORD milliseconds = 20000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(50);
    }
    return true;
}

TEST(PasteIntoExeTest, CopiedFilesPastedWithCtrlVAppearInTheList) {
    ScratchDir dir;
    const std::vector<std::string> files = {dir.File("one.pdf"), dir.File("two.pdf")};
    for (const std::string& file : files)
        WritePdf(file, 2);

    std::string commandLine = "\"" + ExePath() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process))
        << ExePath();
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindMainWindow(process.dwProcessId)) != nullptr; }));
    HWND list = GetDlgItem(window, 1004);
    ASSERT_NE(nullptr, list);

    ASSERT_TRUE(PutFilesOnClipboard(files));
    SetForegroundWindow(window);
    Sleep(300);
    // Nothing has the focus on the list yet: the dialog starts with it on a button, where Ctrl+V
    // works as well.
    PressKey('V', true, nullptr);
    EXPECT_TRUE(WaitFor([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 2; }));
    EXPECT_EQ(files, ListItems(list));

    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 20000));
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(0u, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace
