// Helpers of the Windows tests of the shell, the window framework and the dialogs (OLE in ShellTestSupport).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using Items = std::vector<std::string>;

std::string WindowText(HWND window);
std::string ClassName(HWND window);
std::wstring Wide(const std::string& utf8);
// A thread's top-level windows of a class: dialogs and message boxes.
std::vector<HWND> ThreadWindows(DWORD threadId, const std::string& className = "#32770");

void PumpMessages(HWND dialog = nullptr, DWORD milliseconds = 150);
// Polls `condition` while pumping messages; false after 20 s (times VARNELLO_TEST_PATIENCE).
bool WaitUntil(const std::function<bool()>& condition);

constexpr INT_PTR kTimedOutResult = 0x7E57;
// Runs `action` every 50 ms in this thread's loops until it returns true; after `timeoutMs` ends
// its dialogs with kTimedOutResult.
struct ActionInLoop {
    explicit ActionInLoop(std::function<bool()> action, DWORD timeoutMs = 20000);
    ~ActionInLoop() { ::KillTimer(nullptr, m_timer); }
    UINT_PTR m_timer;
};

// Focuses `window` (unless null) and presses `key` as real input, with Ctrl when asked.
void PressKey(HWND window, WORD key, bool withCtrl = false);
// Puts a shell file list (CF_HDROP, UTF-16 names) on the clipboard.
bool PutOnClipboard(const Items& names);
// Drops those names on `target` through OLE's drag loop and data object.
HRESULT DropOnto(HWND target, const Items& names);

// Answers the dialogs this thread opens but `mainWindow`, from inside their loops, and writes each
// down as its caption (and "|" and a message box's text): a file dialog with `fileName` and OK when
// that is set, anything else with Cancel. One at a time.
struct DialogWatcher {
    explicit DialogWatcher(HWND mainWindow, std::string fileName = "");
    ~DialogWatcher() { ::KillTimer(nullptr, m_timer); }
    UINT_PTR m_timer;
    Items Take(); // what was seen; forgets it
};
