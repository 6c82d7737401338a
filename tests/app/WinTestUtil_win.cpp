#include "tests/app/WinTestUtil_win.h"

#include <cstdlib>

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

std::vector<HWND> ThreadWindows(DWORD threadId, const std::string& className) {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, className.c_str(), nullptr)) != nullptr;)
        if (::GetWindowThreadProcessId(w, nullptr) == threadId)
            found.push_back(w);
    return found;
}

Items ListItems(HWND list) {
    Items items;
    for (LRESULT i = 0; i < ::SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
        std::wstring wide(size_t(::SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        wide.resize(size_t(::SendMessageW(list, LB_GETTEXT, i, LPARAM(&wide[0]))));
        std::string text(wide.size() * 4, '\0');
        text.resize(size_t(::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), &text[0],
                                                 int(text.size()), nullptr, nullptr)));
        items.push_back(text);
    }
    return items;
}

DWORD Patience(DWORD milliseconds) {
    const char* factor = std::getenv("VARNELLO_TEST_PATIENCE");
    return milliseconds * DWORD(factor && std::atoi(factor) > 1 ? std::atoi(factor) : 1);
}

void PumpMessages(HWND dialog, DWORD milliseconds) {
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < milliseconds; ::Sleep(5)) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!dialog || !::IsWindow(dialog) || !::IsDialogMessageA(dialog, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
    }
}

bool WaitUntil(const std::function<bool()>& condition) {
    for (const DWORD start = ::GetTickCount(); !condition(); PumpMessages(nullptr, 30))
        if (::GetTickCount() - start > Patience(20000))
            return false;
    return true;
}

namespace {

std::function<bool()> g_action;
bool g_acting = false;
DWORD g_deadline = 0;
UINT_PTR g_timer = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (LONG(::GetTickCount() - g_deadline) > 0) {
        for (HWND dialog : ThreadWindows(::GetCurrentThreadId()))
            ::EndDialog(dialog, kTimedOutResult);
    } else if (!g_acting) {
        g_acting = true; // the action may run a modal loop, where this timer fires again
        g_acting = g_action();
    }
}

} // namespace

ActionInLoop::ActionInLoop(std::function<bool()> action, DWORD timeoutMs) {
    g_action = std::move(action);
    g_acting = false;
    g_deadline = ::GetTickCount() + Patience(timeoutMs);
    g_timer = ::SetTimer(nullptr, 0, 50, Tick);
}

ActionInLoop::~ActionInLoop() {
    ::KillTimer(nullptr, g_timer);
}

void PressKey(HWND window, WORD key, bool withCtrl) {
    if (window) {
        ::SetForegroundWindow(::GetAncestor(window, GA_ROOT));
        ::SetFocus(window);
        PumpMessages(nullptr, 50);
    }
    const WORD keys[] = {WORD(withCtrl ? VK_CONTROL : 0), key, key, WORD(withCtrl ? VK_CONTROL : 0)};
    std::vector<INPUT> inputs;
    for (int i = 0; i < 4; ++i) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = keys[i];
        input.ki.wScan = WORD(::MapVirtualKeyA(keys[i], MAPVK_VK_TO_VSC));
        input.ki.dwFlags = (keys[i] == VK_DELETE ? KEYEVENTF_EXTENDEDKEY : 0) | (i > 1 ? KEYEVENTF_KEYUP : 0);
        if (keys[i])
            inputs.push_back(input);
    }
    ::SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    PumpMessages(window ? ::GetAncestor(window, GA_ROOT) : nullptr);
}
