// The window framework on real windows: binding and message maps (dialogs are bound the same way
// and run by the main window's and the dialogs' tests), and where CenterWindow puts a real window.
#include "wingui/Window_win.h"
#include "tests/app/WinTestUtil_win.h"

#include <gtest/gtest.h>

#include <cstdlib>

using NSMyWTLWrapper::CenterWindow;

namespace {

const UINT kPing = WM_APP + 1;

class Probe : public NSMyWTLWrapper::CWindowImpl<Probe> {
public:
    BEGIN_MSG_MAP(Probe)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(kPing, OnPing)
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
        createdWith = m_hWnd;
        return 0;
    }
    // Handles even numbers; odd ones are declined and reach the default procedure (result 0).
    LRESULT OnPing(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
        handled = (wParam % 2) == 0;
        return LRESULT(wParam * 10);
    }
    void OnFinalMessage(HWND window) override { finalWindow = window; }

    HWND createdWith = nullptr, finalWindow = nullptr;
};

TEST(WindowFramework, CustomWindowsAreBoundFromTheirFirstMessageToTheirLast) {
    Probe a, b;
    HWND wa = a.Create(nullptr, {10, 20, 210, 120}, "a", WS_POPUP);
    HWND wb = b.Create(nullptr, {0, 0, 50, 50}, "b", WS_POPUP);
    ASSERT_TRUE(wa && wb);
    EXPECT_EQ(a.createdWith, wa);
    EXPECT_EQ(b.createdWith, wb);
    EXPECT_EQ(ClassName(wa), ClassName(wb));
    EXPECT_EQ(::SendMessageA(wa, kPing, 4, 0), 40);
    EXPECT_EQ(::SendMessageA(wa, kPing, 3, 0), 0);
    EXPECT_EQ(WindowText(wa), "a") << "unhandled messages get the default processing";
    a.DestroyWindow();
    EXPECT_EQ(a.m_hWnd, nullptr);
    EXPECT_EQ(a.finalWindow, wa);
    EXPECT_EQ(::SendMessageA(wb, kPing, 2, 0), 20);
}

RECT Centred(HWND window, int width, int height) {
    ::SetWindowPos(window, nullptr, 3, 5, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(CenterWindow(window));
    RECT r;
    ::GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, width);
    return r;
}

void ExpectCentredOver(const RECT& window, const RECT& centre) {
    EXPECT_LE(std::abs((window.left - centre.left) - (centre.right - window.right)), 1);
    EXPECT_LE(std::abs((window.top - centre.top) - (centre.bottom - window.bottom)), 1);
}

// Over a shown owner, else over the work area; the size is kept.
TEST(CenterWindow, CentresOverTheShownOwnerOrTheWorkAreaAndKeepsInside) {
    HWND owner = ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, 0, 0, 0);
    HWND window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, owner, 0, 0, 0);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    const RECT area = info.rcWork;
    ExpectCentredOver(Centred(window, 100, 60), area); // hidden owner
    ::ShowWindow(owner, SW_SHOWMINNOACTIVE);
    ExpectCentredOver(Centred(window, 100, 60), area);
    ::ShowWindow(owner, SW_SHOWNOACTIVATE);
    ::SetWindowPos(owner, nullptr, 200, 150, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT ownerRect;
    ::GetWindowRect(owner, &ownerRect);
    ExpectCentredOver(Centred(window, 100, 60), ownerRect);
    EXPECT_EQ(Centred(window, area.right - area.left + 300, 60).left, area.left);
    ::DestroyWindow(owner);
}

} // namespace
