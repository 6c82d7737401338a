// The window framework on real windows: binding and message maps of custom windows and dialogs,
// modal runs from a resource and from a template in memory, and the centring rule.
#include "wingui/Window_win.h"
#include "tests/app/WinTestUtil_win.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using NSMyWTLWrapper::CDialogImplBase;
using NSMyWTLWrapper::CWindowImpl;

namespace {

const UINT kPing = WM_APP + 1;

class Probe : public CWindowImpl<Probe> {
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
        return static_cast<LRESULT>(wParam * 10);
    }
    void OnFinalMessage(HWND window) override { finalWindow = window; }

    HWND createdWith = nullptr;
    HWND finalWindow = nullptr;
};

TEST(WindowFramework, CustomWindowIsBoundFromItsFirstMessageToItsLast) {
    Probe probe;
    RECT rect = {10, 20, 210, 120};
    HWND window = probe.Create(nullptr, rect, "probe", WS_POPUP);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(probe.m_hWnd, window);
    EXPECT_EQ(probe.createdWith, window);
    EXPECT_EQ(ClassName(window).rfind("ATL:", 0), 0u) << ClassName(window);
    EXPECT_EQ(::GetClassLongA(window, GCL_STYLE), static_cast<DWORD>(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));

    EXPECT_EQ(::SendMessageA(window, kPing, 4, 0), 40);
    EXPECT_EQ(::SendMessageA(window, kPing, 3, 0), 0);
    // Unhandled messages get the default processing.
    EXPECT_EQ(WindowText(window), "probe");

    probe.DestroyWindow();
    EXPECT_EQ(probe.m_hWnd, nullptr);
    EXPECT_EQ(probe.finalWindow, window);
}

TEST(WindowFramework, TwoObjectsOfOneClassShareTheClassAndKeepTheirOwnWindows) {
    Probe a, b;
    HWND wa = a.Create(nullptr, {0, 0, 50, 50}, "a", WS_POPUP);
    HWND wb = b.Create(nullptr, {0, 0, 50, 50}, "b", WS_POPUP);
    ASSERT_TRUE(wa && wb);
    EXPECT_EQ(ClassName(wa), ClassName(wb));
    EXPECT_EQ(a.createdWith, wa);
    EXPECT_EQ(b.createdWith, wb);
    a.DestroyWindow();
    EXPECT_EQ(b.m_hWnd, wb);
    EXPECT_EQ(::SendMessageA(wb, kPing, 2, 0), 20);
}

// A dialog template in memory: a caption, a font, one OK button.
std::vector<WORD> SmallTemplate(DWORD style) {
    std::vector<WORD> t;
    auto dword = [&](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto text = [&](const wchar_t* s) {
        do
            t.push_back(static_cast<WORD>(*s));
        while (*s++);
    };
    dword(style | DS_SETFONT);
    dword(0);
    t.insert(t.end(), {1, 0, 0, 120, 60, 0, 0}); // one item, position, size, no menu, default class
    text(L"In memory");
    t.push_back(9);
    text(L"Segoe UI");
    if (t.size() % 2)
        t.push_back(0); // items start on a DWORD boundary
    dword(WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON);
    dword(0);
    t.insert(t.end(), {10, 10, 50, 14, IDOK, 0xFFFF, 0x0080});
    text(L"OK");
    t.push_back(0);
    return t;
}

class SmallDialog : public CDialogImplBase {
public:
    BEGIN_MSG_MAP(SmallDialog)
    MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnOk)
    END_MSG_MAP()

    LRESULT OnSetFont(UINT, WPARAM font, LPARAM, BOOL&) {
        fontBeforeInit = !initialised && font != 0;
        return 0;
    }
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM param, BOOL&) {
        initialised = true;
        initParam = param;
        return TRUE;
    }
    LRESULT OnOk(WORD, WORD, HWND, BOOL&) {
        EndDialog(7);
        return 0;
    }

    bool fontBeforeInit = false;
    bool initialised = false;
    LPARAM initParam = 0;
};

TEST(WindowFramework, DialogFromATemplateInMemoryRunsModallyAndReturnsItsEndResult) {
    std::vector<WORD> dialogTemplate = SmallTemplate(WS_POPUP | WS_CAPTION);
    SmallDialog dialog;
    std::string caption;
    ActionInLoop press([&] {
        if (!dialog.m_hWnd)
            return false;
        caption = WindowText(dialog.m_hWnd);
        ::SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    });
    INT_PTR result =
        dialog.DoModalIndirect(reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), nullptr, 42);
    EXPECT_TRUE(press.Done());
    EXPECT_EQ(result, 7);
    EXPECT_EQ(caption, "In memory");
    EXPECT_TRUE(dialog.fontBeforeInit) << "WM_SETFONT comes first and must reach the object";
    EXPECT_EQ(dialog.initParam, 42);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(WindowFramework, MissingDialogResourceFailsWithoutAWindow) {
    SmallDialog dialog;
    EXPECT_EQ(dialog.DoModalFromResource(MAKEINTRESOURCEA(4242), nullptr, 0), -1);
    EXPECT_FALSE(dialog.initialised);
}

// Centring

RECT WorkAreaNear(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

RECT Rect(HWND window) {
    RECT r;
    ::GetWindowRect(window, &r);
    return r;
}

HWND Popup(int width, int height, HWND owner = nullptr, DWORD style = WS_POPUP) {
    return ::CreateWindowExA(0, "STATIC", "", style, 3, 5, width, height, owner, nullptr, nullptr, nullptr);
}

// Centred within one pixel: the halves are truncated.
void ExpectCentredOver(const RECT& window, const RECT& centre) {
    EXPECT_LE(std::abs((window.left - centre.left) - (centre.right - window.right)), 1);
    EXPECT_LE(std::abs((window.top - centre.top) - (centre.bottom - window.bottom)), 1);
}

TEST(CenterWindow, WithoutOwnerCentresOnTheWorkAreaAndKeepsTheSize) {
    HWND window = Popup(300, 200);
    ASSERT_TRUE(NSMyWTLWrapper::CenterWindow(window));
    RECT r = Rect(window);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
    ExpectCentredOver(r, WorkAreaNear(window));
    ::DestroyWindow(window);
}

TEST(CenterWindow, WindowWiderThanTheWorkAreaStartsAtItsLeftEdge) {
    HWND probe = Popup(10, 10);
    RECT area = WorkAreaNear(probe);
    ::DestroyWindow(probe);
    HWND window = Popup(area.right - area.left + 300, 100);
    ASSERT_TRUE(NSMyWTLWrapper::CenterWindow(window));
    RECT r = Rect(window);
    EXPECT_EQ(r.left, area.left);
    EXPECT_EQ(r.right - r.left, area.right - area.left + 300);
    ::DestroyWindow(window);
}

TEST(CenterWindow, OverAVisibleOwnerButInsideTheWorkArea) {
    HWND owner = Popup(400, 300, nullptr, WS_POPUP | WS_VISIBLE);
    ::SetWindowPos(owner, nullptr, 200, 150, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    HWND window = Popup(100, 60, owner);
    ASSERT_TRUE(NSMyWTLWrapper::CenterWindow(window));
    ExpectCentredOver(Rect(window), Rect(owner));

    // An owner at the top-left corner: the window is pulled inside the area.
    RECT area = WorkAreaNear(owner);
    ::SetWindowPos(owner, nullptr, area.left - 350, area.top - 250, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(NSMyWTLWrapper::CenterWindow(window));
    EXPECT_EQ(Rect(window).left, area.left);
    EXPECT_EQ(Rect(window).top, area.top);
    ::DestroyWindow(window);
    ::DestroyWindow(owner);
}

TEST(CenterWindow, HiddenOrMinimisedOwnerIsIgnored) {
    HWND owner = Popup(200, 100, nullptr, WS_OVERLAPPEDWINDOW);
    ::SetWindowPos(owner, nullptr, 0, 0, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    HWND window = Popup(100, 60, owner);
    ASSERT_TRUE(NSMyWTLWrapper::CenterWindow(window)); // hidden owner
    ExpectCentredOver(Rect(window), WorkAreaNear(window));

    ::ShowWindow(owner, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(::GetWindowLongA(owner, GWL_STYLE) & WS_MINIMIZE);
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(NSMyWTLWrapper::CenterWindow(window));
    ExpectCentredOver(Rect(window), WorkAreaNear(window));
    ::DestroyWindow(window);
    ::DestroyWindow(owner);
}

TEST(CenterWindow, ChildIsCentredInItsParentsClientArea) {
    HWND parent = Popup(400, 300, nullptr, WS_POPUP | WS_BORDER);
    HWND child =
        ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 50, parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(NSMyWTLWrapper::CenterWindow(child));
    RECT r = Rect(child);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    RECT client;
    ::GetClientRect(parent, &client);
    ExpectCentredOver(r, client);

    // A child larger than the client area sits at its top-left corner.
    ::SetWindowPos(child, nullptr, 7, 7, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(NSMyWTLWrapper::CenterWindow(child));
    r = Rect(child);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    ::DestroyWindow(parent);
}

} // namespace
