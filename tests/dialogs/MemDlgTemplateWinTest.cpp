// Hands written templates to the real dialog manager and checks what it built from them.

#include "dialogs/MemDlgTemplate.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint32_t kDialogStyle = 0x10C00880;
constexpr uint32_t kButtonStyle = 0x00010001;

void WriteGenericDialog(CMemDlgTemplate& t, bool extended, const char* caption) {
    ASSERT_TRUE(t.Create(extended, caption, 100, 100, 300, 200, kDialogStyle, 0, "Arial", 10));
    const struct {
        uint16_t id;
        const char* text;
    } buttons[] = {{1, "OK"}, {8, "Close"}, {2, "Cancel"}, {9, "Help"}};
    for (const auto& b : buttons) {
        ASSERT_TRUE(t.AddControl(0x0080u, b.id, 100, 100, 100, 20, kButtonStyle, 0, b.text));
    }
}

INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

struct Window {
    HWND hwnd;
    ~Window() {
        if (hwnd) {
            DestroyWindow(hwnd);
        }
    }
};

std::string TextOf(HWND hwnd) {
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

void CheckGenericDialog(HWND dialog) {
    EXPECT_EQ(TextOf(dialog), "Generic");
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU);

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "DS_SETFONT gives the dialog its font";
    LOGFONTA logFont{};
    ASSERT_NE(GetObjectA(font, sizeof logFont, &logFont), 0);
    EXPECT_STREQ(logFont.lfFaceName, "Arial");

    // The dialog manager maps position and size separately.
    RECT expected = {100, 100, 100, 20};
    MapDialogRect(dialog, &expected);
    expected.right += expected.left;
    expected.bottom += expected.top;
    const struct {
        int id;
        const char* text;
    } buttons[] = {{1, "OK"}, {8, "Close"}, {2, "Cancel"}, {9, "Help"}};
    HWND previous = nullptr;
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.text);
        HWND button = GetDlgItem(dialog, b.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(ClassOf(button), "Button");
        EXPECT_EQ(TextOf(button), b.text);
        const LONG buttonStyle = GetWindowLongA(button, GWL_STYLE);
        EXPECT_EQ(buttonStyle & (WS_CHILD | WS_VISIBLE | WS_TABSTOP), WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        // The dialog manager keeps one default push button and makes the others plain ones.
        EXPECT_LE(buttonStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        RECT r;
        GetWindowRect(button, &r);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, expected.left);
        EXPECT_EQ(r.top, expected.top);
        EXPECT_EQ(r.right, expected.right);
        EXPECT_EQ(r.bottom, expected.bottom);
        // Controls are created in template order.
        EXPECT_EQ(GetWindow(button, GW_HWNDPREV), previous);
        previous = button;
    }
    EXPECT_EQ(GetWindow(previous, GW_HWNDNEXT), nullptr);
}

} // namespace

TEST(TemplateOnWindows, StandardTemplateMakesTheGenericDialog) {
    CMemDlgTemplate t;
    WriteGenericDialog(t, false, "Generic");
    ASSERT_EQ(t.Error(), 0u);
    Window dialog{CreateDialogIndirectParamA(
        GetModuleHandleA(nullptr), static_cast<LPCDLGTEMPLATEA>(t.GetTemplatePtr()), nullptr, QuietProc, 0)};
    ASSERT_NE(dialog.hwnd, nullptr) << GetLastError();
    CheckGenericDialog(dialog.hwnd);
}

TEST(TemplateOnWindows, ExtendedTemplateMakesTheSameDialog) {
    CMemDlgTemplate t;
    WriteGenericDialog(t, true, "Generic");
    Window dialog{CreateDialogIndirectParamA(
        GetModuleHandleA(nullptr), static_cast<LPCDLGTEMPLATEA>(t.GetTemplatePtr()), nullptr, QuietProc, 0)};
    ASSERT_NE(dialog.hwnd, nullptr) << GetLastError();
    CheckGenericDialog(dialog.hwnd);
}

TEST(TemplateOnWindows, AnsiCaptionReachesTheWindowAsItsCodePageText) {
    const char caption[] = "Caf\xE9 \x80";
    CMemDlgTemplate t;
    ASSERT_TRUE(t.Create(false, caption, 0, 0, 100, 50, kDialogStyle));
    Window dialog{CreateDialogIndirectParamA(
        GetModuleHandleA(nullptr), static_cast<LPCDLGTEMPLATEA>(t.GetTemplatePtr()), nullptr, QuietProc, 0)};
    ASSERT_NE(dialog.hwnd, nullptr);
    wchar_t expected[32] = {};
    MultiByteToWideChar(CP_THREAD_ACP, 0, caption, -1, expected, 32);
    wchar_t shown[32] = {};
    GetWindowTextW(dialog.hwnd, shown, 32);
    EXPECT_EQ(std::wstring(shown), std::wstring(expected));
}

namespace {
INT_PTR CALLBACK CountAndEnd(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) {
        return FALSE;
    }
    int children = 0;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        ++children;
    }
    EndDialog(dialog, 100 + children);
    return TRUE;
}
} // namespace

TEST(TemplateOnWindows, ModalRunFromTheBlock) {
    CMemDlgTemplate t;
    WriteGenericDialog(t, false, "Generic");
    // A block that grew past its first 1024 bytes is still one valid template.
    for (uint16_t id = 100; id < 140; ++id) {
        ASSERT_TRUE(t.AddControl(0x0082u, id, 0, 0, 10, 10, 0, 0, "a static text of some length"));
    }
    EXPECT_GT(t.GetAllocated(), 1024u);
    const INT_PTR result = DialogBoxIndirectParamA(
        GetModuleHandleA(nullptr), static_cast<LPCDLGTEMPLATEA>(t.GetTemplatePtr()), nullptr, CountAndEnd, 0);
    EXPECT_EQ(result, 144);
}
