// Hands written templates to the real dialog manager and checks what it built from them.
#include "dialogs/MemDlgTemplate.h"

#include "tests/app/WinTestUtil_win.h"

#include <gtest/gtest.h>

namespace {

INT_PTR CALLBACK OpenDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// Ends the modal run with 100 + the number of the dialog's children.
INT_PTR CALLBACK CountChildren(HWND dialog, UINT message, WPARAM, LPARAM) {
    int children = 0;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        ++children;
    return message == WM_INITDIALOG && EndDialog(dialog, 100 + children);
}

} // namespace

// The generic dialog's template, standard and extended: caption, font, buttons in template order at
// their mapped places; grown past 1024 bytes, still one template that runs modally.
TEST(TemplateOnWindows, StandardAndExtendedTemplatesMakeTheGenericDialog) {
    const std::pair<int, std::string> buttons[] = {{1, "OK"}, {8, "Close"}, {2, "Cancel"}, {9, "Help"}};
    for (bool extended : {false, true}) {
        CMemDlgTemplate t;
        ASSERT_TRUE(t.Create(extended, "Generic", 100, 100, 300, 200, 0x10C00880, 0, "Arial", 10));
        for (const auto& [id, text] : buttons)
            ASSERT_TRUE(t.AddControl(0x0080u, uint16_t(id), 100, 100, 100, 20, 0x00010001, 0, text.c_str()));
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                 static_cast<LPCDLGTEMPLATEA>(t.GetTemplatePtr()), nullptr,
                                                 OpenDialog, 0);
        ASSERT_NE(dialog, nullptr) << GetLastError();
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(WindowText(dialog) + " " + font.lfFaceName, "Generic Arial") << extended;
        RECT expected = {100, 100, 100, 20}; // position and size are mapped separately
        MapDialogRect(dialog, &expected);
        HWND button = GetWindow(dialog, GW_CHILD);
        for (const auto& [id, text] : buttons) {
            RECT r;
            GetWindowRect(button, &r);
            MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(
                (std::vector<LONG>{GetDlgCtrlID(button), r.left, r.top, r.right - r.left, r.bottom - r.top}),
                (std::vector<LONG>{id, expected.left, expected.top, expected.right, expected.bottom}));
            EXPECT_EQ(ClassName(button) + " " + WindowText(button), "Button " + text);
            button = GetWindow(button, GW_HWNDNEXT);
        }
        DestroyWindow(dialog);
        for (uint16_t id = 100; id < 140; ++id)
            ASSERT_TRUE(t.AddControl(0x0082u, id, 0, 0, 10, 10, 0, 0, "a static text of some length"));
        EXPECT_GT(t.GetAllocated(), 1024u);
        EXPECT_EQ(144, DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                               static_cast<LPCDLGTEMPLATEA>(t.GetTemplatePtr()), nullptr,
                                               CountChildren, 0));
    }
}
