// The shipped exe as a process of its own, for tests that drive it from outside: its main window,
// its controls, the focus inside it and its exit code. A process still running at the end is ended.
#pragma once

#include "tests/app/WinTestUtil_win.h"

class RunningVarnello {
public:
    // `folder` is the process's current folder, where the file dialogs start. The exe reads no
    // command line, so it is given one that it must ignore.
    explicit RunningVarnello(const char* exe, const char* folder = nullptr) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        char commandLine[] = "varnello.exe ignored arguments";
        m_started = ::CreateProcessA(exe, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                                     &m_process);
        if (m_started)
            m_window = WaitForWindow([&] { return VisibleDialog(""); });
    }
    ~RunningVarnello() {
        if (!m_started)
            return;
        if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_process.hProcess, 99);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    RunningVarnello(const RunningVarnello&) = delete;
    RunningVarnello& operator=(const RunningVarnello&) = delete;

    HWND Window() const { return m_window; }
    HWND Control(int id) const { return ::GetDlgItem(m_window, id); }

    // A visible dialog of the process with the given caption ("" for any); null when there is none.
    HWND VisibleDialog(const std::string& caption) const {
        for (HWND w : ProcessWindows(m_process.dwProcessId, "#32770"))
            if (::IsWindowVisible(w) && (caption.empty() || WindowText(w) == caption))
                return w;
        return nullptr;
    }
    // A visible dialog of the exe, other than its main window, with the caption `title`.
    HWND WaitForDialog(const std::string& title) const {
        return WaitForWindow([&]() -> HWND {
            for (HWND w : ProcessWindows(m_process.dwProcessId, "#32770"))
                if (w != m_window && ::IsWindowVisible(w) && WindowText(w) == title)
                    return w;
            return nullptr;
        });
    }
    // The control that has the keyboard focus in the process.
    HWND Focus() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(m_process.dwThreadId, &info);
        return info.hwndFocus;
    }
    // The exit code, or -1 when the process is still running after `timeoutMs`.
    long ExitCode(DWORD timeoutMs = 20000) const {
        if (::WaitForSingleObject(m_process.hProcess, Patience(timeoutMs)) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION m_process = {};
    BOOL m_started = FALSE;
    HWND m_window = nullptr;
};
