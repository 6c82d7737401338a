// The generic text dialog run modally under Wine, looked at and ended from inside its loop.
#include "dialogs/GenericTextDialog_win.h"

#include "tests/app/WinTestUtil_win.h"
#include "tests/markup_win/WinUiTestUtil.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int kClose = GenericTextDialog::kCloseId, kHelp = GenericTextDialog::kHelpId;
// Wider than the smallest window the platform allows.
const char* const kShort = "<xml><text>A text of a few words on one line</text></xml>";

RECT RectIn(HWND dialog, HWND child) {
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Runs a dialog over the markup; `script`, called once from inside its loop, must end it.
INT_PTR RunDialog(const std::string& markup, uint32_t mode,
                  std::function<void(HWND, GenericTextDialog&)> script, const char* title = "Generic",
                  const std::string& help = "") {
    InitMarkupForTests();
    GenericTextDialog dialog(ZuvAnsi2(title), TestText(markup), ZuvAnsi2(help.c_str()), mode);
    ActionInLoop act(
        [&] {
            for (HWND w : ThreadWindows(::GetCurrentThreadId(), "#32770"))
                if (::IsWindowVisible(w))
                    return script(w, dialog), true;
            return false;
        },
        15000); // and ends a dialog that hangs, failing the test
    return dialog.DoModal(nullptr, 0);
}

void End(HWND dialog, int id, int code = BN_CLICKED) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), 0);
}

// What the dialog shows, ended with Cancel: the caption, the visible buttons left to right (x from
// half the outer width, y from the text's bottom), the focus; the text's and client's rects.
struct Facts {
    std::string row;
    RECT text, client;
};

Facts Show(const std::string& markup, uint32_t mode, const char* title = "Generic") {
    Facts f;
    auto observe = [&](HWND dialog, GenericTextDialog& generic) {
        RECT window;
        ::GetWindowRect(dialog, &window);
        ::GetClientRect(dialog, &f.client);
        f.text = RectIn(dialog, generic.MarkupWindow().m_hWnd);
        f.row = "'" + WindowText(dialog) + "'";
        std::map<LONG, HWND> row;
        for (int id : {int(IDOK), kClose, int(IDCANCEL), kHelp})
            if (::IsWindowVisible(::GetDlgItem(dialog, id)))
                row[RectIn(dialog, ::GetDlgItem(dialog, id)).left] = ::GetDlgItem(dialog, id);
        for (const auto& [x, button] : row) {
            const RECT r = RectIn(dialog, button);
            f.row += " " + WindowText(button) + " " + std::to_string(x - (window.right - window.left) / 2) +
                     "," + std::to_string(r.top - f.text.bottom) + " " + std::to_string(r.right - x) + "x" +
                     std::to_string(r.bottom - r.top);
        }
        f.row += " focus " + std::to_string(::GetDlgCtrlID(::GetFocus()));
        End(dialog, IDCANCEL);
    };
    EXPECT_EQ(IDCANCEL, RunDialog(markup, mode, observe, title));
    return f;
}

} // namespace

// A command's low word ends it; Esc cancels, Enter presses the focus; Help opens its link.
TEST(GenericTextDialogTest, CommandsAndKeysEndItWithTheirId) {
    const std::pair<WPARAM, int> cases[] = {
        {0, IDOK}, {0, IDCANCEL}, {0, kClose}, {VK_ESCAPE, IDCANCEL}, {VK_RETURN, 0}};
    for (uint32_t mode : {0u, 3u, 7u})
        for (const auto& [key, command] : cases)
            if (mode != 7 || !key) {
                const int id = command ? command : mode ? kClose : IDOK; // Enter presses the focus
                auto act = [key = key, id](HWND window, GenericTextDialog&) {
                    key ? void(::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 0)) : End(window, id, 0x1234);
                };
                EXPECT_EQ(id, RunDialog(kShort, mode, act)) << mode << " " << key;
            }
    ::DeleteFileA((ProgramFolder() + "link-opened.txt").c_str());
    bool stillOpen = false;
    auto help = [&](HWND window, GenericTextDialog&) {
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(kHelp, BN_CLICKED), 0);
        stillOpen = ::IsWindowVisible(window);
        End(window, IDOK);
    };
    EXPECT_EQ(IDOK, RunDialog(kShort, 1, help, "Generic", ProgramFolder() + "help_opened_marker.exe"));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(1, OpenedLinks());
}

// Each mode's row of 75 x 23 buttons, centred, the first focused; the text at (10, 10); the client
// 20 wider than the text. A long text wraps at two thirds of the screen width.
TEST(GenericTextDialogTest, EachModeShowsItsRowAtItsPlaces) {
    const std::pair<uint32_t, std::string> rows[] = {
        {0, "'Generic' OK -93,10 75x23 &Cancel 0,10 75x23 focus 1"},
        {1, "'Generic' OK -150,10 75x23 &Cancel -38,10 75x23 &Help 74,10 75x23 focus 1"},
        {2, "'Generic' &Close -93,10 75x23 &Help 0,10 75x23 focus 8"},
        {3, "'' &Close -37,10 75x23 focus 8"},
        {7, "'Generic' focus 0"}};
    for (const auto& [mode, row] : rows) {
        const Facts f = Show(kShort, mode, mode == 3 ? "" : "Generic");
        EXPECT_EQ(f.row, row);
        EXPECT_EQ((std::vector<LONG>{10, 10, f.text.right + 10, f.text.bottom + 43}),
                  (std::vector<LONG>{f.text.left, f.text.top, f.client.right, f.client.bottom}));
    }
    std::string words = "<xml>";
    for (int i = 0; i < 120; ++i)
        words += "<text>word" + std::to_string(i) + "</text>";
    const Facts f = Show(words + "</xml>", 3);
    const int width = f.text.right - f.text.left, wrapWidth = 2 * ::GetSystemMetrics(SM_CXSCREEN) / 3;
    EXPECT_TRUE(width + 20 == f.client.right && width > wrapWidth * 3 / 4 && width <= wrapWidth + 6) << width;
}
