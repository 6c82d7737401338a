// Hands written templates to the real dialog manager and checks what it built from them.
#include "dialogs/MemDlgTemplate.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

INT_PTR CALLBACK CountChildrenAndEnd(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG)
        return FALSE;
    int children = 0;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        ++children;
    EndDialog(dialog, 100 + children);
    return TRUE;
}

std::string TextOf(HWND hwnd, bool className = false) {
    char text[256] = {};
    className ? GetClassNameA(hwnd, text, sizeof text) : GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

const struct {
    int id;
    const char* text;
} kButtons[] = {{1, "OK"}, {8, "Close"}, {2, "Cancel"}, {9, "Help"}};

// The generic text dialog's template: caption, font, and four buttons in template order.
void WriteGenericDialog(CMemDlgTemplate& t, bool extended) {
    ASSERT_TRUE(t.Create(extended, "Generic", 100, 100, 300, 200, 0x10C00880, 0, "Arial", 10));
    for (const auto& b : kButtons)
        ASSERT_TRUE(t.AddControl(0x0080u, uint16_t(b.id), 100, 100, 100, 20, 0x00010001, 0, b.text));
}

} // namespace

TEST(TemplateOnWindows, StandardAndExtendedTemplatesMakeTheGenericDialog) {
    for (bool extended : {false, true}) {
        SCOPED_TRACE(extended ? "extended" : "standard");
        CMemDlgTemplate t;
        WriteGenericDialog(t, extended);
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                 static_cast<LPCDLGTEMPLATEA>(t.GetTemplatePtr()), nullptr,
                                                 QuietProc, 0);
        ASSERT_NE(dialog, nullptr) << GetLastError();
        EXPECT_EQ(TextOf(dialog), "Generic");
        EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION);
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, "Arial");
        RECT expected = {100, 100, 100, 20}; // position and size are mapped separately
        MapDialogRect(dialog, &expected);
        HWND previous = nullptr;
        for (const auto& b : kButtons) {
            HWND button = GetDlgItem(dialog, b.id);
            ASSERT_NE(button, nullptr) << b.text;
            EXPECT_EQ(TextOf(button, true), "Button");
            EXPECT_EQ(TextOf(button), b.text);
            EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_TABSTOP),
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP);
            RECT r;
            GetWindowRect(button, &r);
            MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(r.left, expected.left);
            EXPECT_EQ(r.top, expected.top);
            EXPECT_EQ(r.right - r.left, expected.right);
            EXPECT_EQ(r.bottom - r.top, expected.bottom);
            EXPECT_EQ(GetWindow(button, GW_HWNDPREV), previous) << "created in template order";
            previous = button;
        }
        DestroyWindow(dialog);
    }
}

// A block that grew past its first 1024 bytes is still one template that runs modally.
TEST(TemplateOnWindows, ModalRunFromAGrownBlock) {
    CMemDlgTemplate grown;
    WriteGenericDialog(grown, false);
    for (uint16_t id = 100; id < 140; ++id)
        ASSERT_TRUE(grown.AddControl(0x0082u, id, 0, 0, 10, 10, 0, 0, "a static text of some length"));
    EXPECT_GT(grown.GetAllocated(), 1024u);
    EXPECT_EQ(144, DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                           static_cast<LPCDLGTEMPLATEA>(grown.GetTemplatePtr()), nullptr,
                                           CountChildrenAndEnd, 0));
}
