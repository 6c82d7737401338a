// The shipped exe as a process: its window, its button states, exit code 0.
#include "resources/resource.h"
#include "tests/app/WinTestUtil_win.h"

#include <gtest/gtest.h>

namespace {

// Starts the exe with a command line it must ignore; its window once shown.
HWND Start(PROCESS_INFORMATION& process) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    char commandLine[] = "varnello.exe ignored arguments";
    HWND window = nullptr;
    if (::CreateProcessA(VARNELLO_EXE, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process))
        WaitUntil([&] {
            for (HWND w : ThreadWindows(process.dwThreadId))
                window = ::IsWindowVisible(w) ? w : window;
            return window != nullptr;
        });
    return window;
}

// STILL_ACTIVE when it still runs after 20 s (it is ended then).
DWORD ExitCode(const PROCESS_INFORMATION& process) {
    DWORD code = 0;
    WaitUntil([&] { return ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
    ::GetExitCodeProcess(process.hProcess, &code);
    ::TerminateProcess(process.hProcess, 99);
    ::CloseHandle(process.hThread), ::CloseHandle(process.hProcess);
    return code;
}

TEST(Exe, ShowsTheMainWindowWithItsCaptionControlsAndButtonStates) {
    PROCESS_INFORMATION app = {};
    HWND window = Start(app);
    EXPECT_EQ(WindowText(window),
              sizeof(void*) == 8 ? "Varnello (v.1.1), 64-bit" : "Varnello (v.1.1), 32-bit");
    std::string enabled;
    for (int id : {IDC_ADD, IDC_REMOVE, IDC_UP, IDC_DOWN, IDOK, IDC_SELECT, IDCANCEL, ID_APP_ABOUT})
        enabled += ::IsWindowEnabled(::GetDlgItem(window, id)) ? WindowText(::GetDlgItem(window, id)) : "-";
    EXPECT_EQ(enabled, "&Add----&Select&CloseA&bout");
    ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ExitCode(app), 0u);
}

TEST(Exe, EscEndsItWithExitCodeZero) {
    PROCESS_INFORMATION app = {};
    ::PostMessageA(::GetDlgItem(Start(app), IDC_LIST), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_EQ(ExitCode(app), 0u);
}

} // namespace
