// Helpers of the Windows tests of the shell, the window framework and the dialogs (those that use
// OLE, from PutOnClipboard on, are in ShellTestSupport_win.cpp).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

using Items = std::vector<std::string>;

std::string WindowText(HWND window);
std::string ClassName(HWND window);
// The top-level windows of a thread, of any process, of a class (dialogs and message boxes).
std::vector<HWND> ThreadWindows(DWORD threadId, const std::string& className = "#32770");
// A list box's items, read as UTF-16 so that another process's list reads right too.
Items ListItems(HWND list);

// `milliseconds` times VARNELLO_TEST_PATIENCE, for machines that run programs slowly.
DWORD Patience(DWORD milliseconds);
void PumpMessages(HWND dialog = nullptr, DWORD milliseconds = 150);
// Polls `condition` while pumping messages; false when it is still false after 20 s.
bool WaitUntil(const std::function<bool()>& condition);

constexpr INT_PTR kTimedOutResult = 0x7E57;
// Runs `action` inside the next loop this thread runs (a modal dialog's or a message box's) every
// 50 ms until it returns true; after `timeoutMs` it ends the thread's dialogs with kTimedOutResult,
// so that a test fails instead of hanging. One at a time.
struct ActionInLoop {
    explicit ActionInLoop(std::function<bool()> action, DWORD timeoutMs = 20000);
    ~ActionInLoop();
};

// Focuses `window` (unless null) and presses `key` as real input, with Ctrl when asked.
void PressKey(HWND window, WORD key, bool withCtrl = false);
// Puts a shell file list (CF_HDROP, UTF-16 names) on the clipboard, or `text` when it is set.
bool PutOnClipboard(const Items& names, const char* text = nullptr);
// Drops those names on `target` through OLE's drag loop, with OLE's own data object.
HRESULT DropOnto(HWND target, const Items& names);

// Watches from a thread of its own for the dialogs of `uiThread` but `mainWindow`, writes each down
// as its caption (and "|" and the text of a message box), and answers it: a file dialog with
// `fileName` and OK when that is set, anything else with Cancel. It also watches the pointer.
struct DialogWatcher {
    DialogWatcher(DWORD uiThread, HWND mainWindow, std::string fileName = "");
    ~DialogWatcher();
    // What was seen, once it is at least `atLeast` boxes (or after 20 s); forgets it.
    Items Take(size_t atLeast = 0);
    volatile bool sawWaitCursor = false;

    static DWORD WINAPI Run(void* self);
    DWORD m_uiThread;
    HWND m_mainWindow;
    std::string m_fileName;
    volatile LONG m_stop = 0, m_count = 0;
    CRITICAL_SECTION m_lock;
    Items m_seen;
    HANDLE m_thread;
};

// The exe started in `folder` with a command line it must ignore; ended with the test if it runs.
struct RunningVarnello {
    explicit RunningVarnello(const char* exe, const char* folder = nullptr);
    ~RunningVarnello();
    HWND Control(int id) const { return ::GetDlgItem(window, id); }
    long ExitCode() const; // -1 when it still runs after 20 s

    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
};
