#include "tests/app/WinTestUtil_win.h"

#include <cstdlib>
#include <set>

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

std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(
        size_t(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &wide[0], int(wide.size()))));
    return wide;
}

std::vector<HWND> ThreadWindows(DWORD threadId, const std::string& className) {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, className.c_str(), nullptr)) != nullptr;)
        if (::GetWindowThreadProcessId(w, nullptr) == threadId)
            found.push_back(w);
    return found;
}

static DWORD Patience(DWORD milliseconds) {
    const char* factor = std::getenv("VARNELLO_TEST_PATIENCE");
    return milliseconds * DWORD(factor && std::atoi(factor) > 1 ? std::atoi(factor) : 1);
}

void PumpMessages(HWND dialog, DWORD milliseconds) {
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < milliseconds; ::Sleep(5)) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!dialog || !::IsWindow(dialog) || !::IsDialogMessageA(dialog, &msg))
                ::TranslateMessage(&msg), ::DispatchMessageA(&msg);
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

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (LONG(::GetTickCount() - g_deadline) > 0) {
        for (HWND dialog : ThreadWindows(::GetCurrentThreadId()))
            ::EndDialog(dialog, kTimedOutResult);
    } else if (!g_acting) {
        g_acting = true; // the action may run a modal loop, where this timer fires again
        g_acting = g_action();
    }
}

HWND g_mainWindow = nullptr;
std::string g_fileName;
std::set<HWND> g_answered;
Items g_seen;

void CALLBACK Answer(HWND, UINT, UINT_PTR, DWORD) {
    for (HWND box : ThreadWindows(::GetCurrentThreadId())) {
        if (box == g_mainWindow || !::IsWindowVisible(box) || !g_answered.insert(box).second)
            continue;
        // A file dialog has a name box (0x47C); a message box has its text in static 0xFFFF.
        HWND nameBox = ::GetDlgItem(box, 0x47C), text = ::GetDlgItem(box, 0xFFFF);
        g_seen.push_back(WindowText(box) + (!nameBox && text ? "|" + WindowText(text) : ""));
        const bool typed = nameBox && !g_fileName.empty();
        if (typed)
            ::SendMessageA(nameBox, WM_SETTEXT, 0, LPARAM(g_fileName.c_str()));
        ::PostMessageA(box, WM_COMMAND, typed ? IDOK : IDCANCEL, 0);
    }
}

} // namespace

ActionInLoop::ActionInLoop(std::function<bool()> action, DWORD timeoutMs) {
    g_action = std::move(action);
    g_acting = false;
    g_deadline = ::GetTickCount() + Patience(timeoutMs);
    m_timer = ::SetTimer(nullptr, 0, 50, Tick);
}

DialogWatcher::DialogWatcher(HWND mainWindow, std::string fileName) {
    g_mainWindow = mainWindow, g_fileName = std::move(fileName), g_seen.clear();
    m_timer = ::SetTimer(nullptr, 0, 50, Answer);
}

Items DialogWatcher::Take() {
    Items seen;
    seen.swap(g_seen);
    return seen;
}

void PressKey(HWND window, WORD key, bool withCtrl) {
    if (window) {
        ::SetForegroundWindow(::GetAncestor(window, GA_ROOT));
        ::SetFocus(window);
        PumpMessages(nullptr, 50);
    }
    const DWORD extended = key == VK_DELETE ? KEYEVENTF_EXTENDEDKEY : 0;
    const BYTE scan = BYTE(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    if (withCtrl)
        ::keybd_event(VK_CONTROL, 0x1D, 0, 0);
    ::keybd_event(BYTE(key), scan, extended, 0);
    ::keybd_event(BYTE(key), scan, extended | KEYEVENTF_KEYUP, 0);
    if (withCtrl)
        ::keybd_event(VK_CONTROL, 0x1D, KEYEVENTF_KEYUP, 0);
    PumpMessages(window ? ::GetAncestor(window, GA_ROOT) : nullptr);
}
