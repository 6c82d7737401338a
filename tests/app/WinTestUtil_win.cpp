#include "tests/app/WinTestUtil_win.h"

#include <cstdlib>

#include <map>

std::string WindowText(HWND window) {
    char text[2048] = "";
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassName(HWND window) {
    char name[256] = "";
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

namespace {

struct Collect {
    DWORD processId;
    std::string className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    Collect* c = reinterpret_cast<Collect*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if ((c->processId == 0 || pid == c->processId) &&
        (c->className.empty() || ClassName(window) == c->className))
        c->found.push_back(window);
    return TRUE;
}

std::map<UINT_PTR, ActionInLoop*>& Timers() {
    static std::map<UINT_PTR, ActionInLoop*> timers;
    return timers;
}

} // namespace

std::vector<HWND> ThreadWindows(DWORD threadId, const std::string& className) {
    Collect c{0, className, {}};
    ::EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&c));
    return c.found;
}

std::vector<HWND> ProcessWindows(DWORD processId, const std::string& className) {
    Collect c{processId, className, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&c));
    return c.found;
}

DWORD Patience(DWORD milliseconds) {
    char factor[16] = "";
    const DWORD length = ::GetEnvironmentVariableA("VARNELLO_TEST_PATIENCE", factor, sizeof factor);
    const int times = length > 0 && length < sizeof factor ? atoi(factor) : 1;
    return milliseconds * static_cast<DWORD>(times > 1 ? times : 1);
}

HWND WaitForWindow(const std::function<HWND()>& found, DWORD timeoutMs) {
    DWORD deadline = ::GetTickCount() + Patience(timeoutMs);
    for (;;) {
        if (HWND window = found())
            return window;
        if (static_cast<LONG>(::GetTickCount() - deadline) > 0)
            return nullptr;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(50);
    }
}

ActionInLoop::ActionInLoop(std::function<bool()> action, UINT delayMs, DWORD timeoutMs)
    : m_action(std::move(action)), m_deadline(::GetTickCount() + timeoutMs) {
    m_timer = ::SetTimer(nullptr, 0, delayMs, Tick);
    Timers()[m_timer] = this;
}

ActionInLoop::~ActionInLoop() {
    if (m_timer) {
        ::KillTimer(nullptr, m_timer);
        Timers().erase(m_timer);
    }
}

void CALLBACK ActionInLoop::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Timers().find(id);
    if (it == Timers().end())
        return;
    ActionInLoop* self = it->second;
    bool timedOut = static_cast<LONG>(::GetTickCount() - self->m_deadline) > 0;
    // Stop the timer first: the action may itself run a modal loop.
    ::KillTimer(nullptr, id);
    Timers().erase(id);
    self->m_timer = 0;
    if (timedOut) {
        // Whatever modal window the action was waiting for, end it so that the test can fail
        // instead of hanging.
        for (HWND dialog : ThreadWindows(::GetCurrentThreadId(), "#32770"))
            ::EndDialog(dialog, kTimedOutResult);
        return;
    }
    self->m_done = self->m_action();
    if (!self->m_done) {
        self->m_timer = ::SetTimer(nullptr, 0, 50, Tick);
        Timers()[self->m_timer] = self;
    }
}

std::string MessageBoxText(HWND box) {
    return WindowText(::GetDlgItem(box, 0xFFFF));
}
