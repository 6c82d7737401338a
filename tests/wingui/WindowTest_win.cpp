// The window framework on real windows: binding and message maps (dialogs are bound the same way; where
// CenterWindow puts a window is seen on the main window and the About box).
#include "wingui/Window_win.h"
#include "tests/app/WinTestUtil_win.h"

#include <gtest/gtest.h>

namespace {

const UINT kPing = WM_APP + 1;

class Probe : public NSMyWTLWrapper::CWindowImpl<Probe> {
public:
    BEGIN_MSG_MAP(Probe)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(kPing, OnPing)
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&) { return createdWith = m_hWnd, 0; }
    // Handles even numbers; odd ones are declined and reach the default procedure (result 0).
    LRESULT OnPing(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
        return handled = wParam % 2 == 0, wParam * 10;
    }
    void OnFinalMessage(HWND window) override { finalWindow = window; }

    HWND createdWith = nullptr, finalWindow = nullptr;
};

// Bound from WM_CREATE on, handled and declined messages told apart, unbound after the last message;
// two windows of a class each reach their own object.
TEST(WindowFramework, CustomWindowsAreBoundFromTheirFirstMessageToTheirLast) {
    Probe a, b;
    HWND wa = a.Create(nullptr, {10, 20, 210, 120}, "a", WS_POPUP), wb = b.Create(nullptr, {}, "b", WS_POPUP);
    ASSERT_TRUE(wa && wb);
    EXPECT_EQ(a.createdWith, wa);
    EXPECT_EQ(::SendMessageA(wa, kPing, 4, 0) + ::SendMessageA(wa, kPing, 3, 0), 40);
    EXPECT_EQ(WindowText(wa), "a") << "unhandled messages get the default processing";
    a.DestroyWindow();
    EXPECT_EQ(a.m_hWnd, nullptr);
    EXPECT_EQ(a.finalWindow, wa);
    EXPECT_EQ(::SendMessageA(wb, kPing, 2, 0), 20);
}

} // namespace
