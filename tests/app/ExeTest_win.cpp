// The shipped exe as a process of its own: its window, its controls, and every way of ending it.
#include "tests/app/WinTestUtil_win.h"

#include <gtest/gtest.h>

#include <string>

#ifndef VARNELLO_EXE
#error "VARNELLO_EXE names the exe under test"
#endif

namespace {

class RunningVarnello {
public:
    RunningVarnello() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        char commandLine[] = "varnello.exe ignored arguments";
        m_started = ::CreateProcessA(VARNELLO_EXE, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &m_process);
        if (!m_started)
            return;
        m_window = WaitForWindow([&]() -> HWND {
            for (HWND w : ProcessWindows(m_process.dwProcessId, "#32770"))
                if (::IsWindowVisible(w))
                    return w;
            return nullptr;
        });
    }
    ~RunningVarnello() {
        if (!m_started)
            return;
        if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_process.hProcess, 99);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }

    HWND Window() const { return m_window; }
    HWND Control(int id) const { return ::GetDlgItem(m_window, id); }
    // The exit code, or -1 when the process is still running after `timeoutMs`.
    long ExitCode(DWORD timeoutMs = 20000) const {
        if (::WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<long>(code);
    }
    // The control that has the keyboard focus in the exe's window.
    HWND Focus() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(m_process.dwThreadId, &info);
        return info.hwndFocus ? info.hwndFocus : m_window;
    }

private:
    PROCESS_INFORMATION m_process = {};
    BOOL m_started = FALSE;
    HWND m_window = nullptr;
};

struct ControlSeen {
    int id;
    const char* className;
    const char* text;
    bool enabled;
};

TEST(Exe, ShowsTheMainWindowWithItsCaptionControlsAndButtonStates) {
    RunningVarnello app;
    ASSERT_NE(app.Window(), nullptr) << "no window from " << VARNELLO_EXE;
    EXPECT_EQ(WindowText(app.Window()), "Varnello (v.1.1), 64-bit");

    const ControlSeen controls[] = {
        {1, "Button", "&Merge", false}, {2, "Button", "&Close", true},    {57664, "Button", "A&bout", true},
        {1004, "ListBox", "", true},    {1000, "Button", "&Add", true},   {1001, "Button", "R&emove", false},
        {1002, "Button", "&Up", false}, {1003, "Button", "&Down", false}, {1005, "Button", "&Select", true},
        {1006, "Edit", "", true},
    };
    for (const ControlSeen& c : controls) {
        SCOPED_TRACE(c.id);
        HWND control = app.Control(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_STRCASEEQ(ClassName(control).c_str(), c.className);
        EXPECT_EQ(WindowText(control), c.text);
        EXPECT_EQ(::IsWindowEnabled(control) != FALSE, c.enabled);
    }
    EXPECT_TRUE(::GetWindowLongA(app.Control(1006), GWL_STYLE) & ES_READONLY);
    ::PostMessageA(app.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, EscEndsItWithExitCodeZero) {
    RunningVarnello app;
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Focus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, CloseBoxEndsItWithExitCodeZero) {
    RunningVarnello app;
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, CloseButtonEndsItWithExitCodeZero) {
    RunningVarnello app;
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Control(IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

} // namespace
