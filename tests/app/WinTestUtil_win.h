// Helpers for the Windows tests of the shell: finding windows, reading them, and acting on a modal
// window from inside its own loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string WindowText(HWND window);
std::string ClassName(HWND window);

// Top-level windows of a thread or of a process, of the given class ("" for any).
std::vector<HWND> ThreadWindows(DWORD threadId, const std::string& className = "");
std::vector<HWND> ProcessWindows(DWORD processId, const std::string& className = "");

// A waiting time as the machine allows: `milliseconds` times VARNELLO_TEST_PATIENCE (a whole
// number, 1 when unset), for machines that run the programs slowly (through qemu, say).
DWORD Patience(DWORD milliseconds);

// Polls `found` every 50 ms, pumping this thread's messages, until it returns a window or
// `timeoutMs` passes; null on time-out.
HWND WaitForWindow(const std::function<HWND()>& found, DWORD timeoutMs = 20000);

// Runs `action` once from inside whatever loop this thread runs next (a modal dialog's or a message
// box's), after `delayMs`: the way a test reaches a window that blocks its caller. Repeats every
// `delayMs` while `action` returns false, for at most `timeoutMs`.
// What a dialog that ActionInLoop had to end on time-out returns.
constexpr INT_PTR kTimedOutResult = 0x7E57;

class ActionInLoop {
public:
    ActionInLoop(std::function<bool()> action, UINT delayMs = 50, DWORD timeoutMs = 20000);
    ~ActionInLoop();
    bool Done() const { return m_done; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    std::function<bool()> m_action;
    UINT_PTR m_timer;
    DWORD m_deadline;
    bool m_done = false;
};

// The text of a message box's message (its static control 0xFFFF).
std::string MessageBoxText(HWND box);
