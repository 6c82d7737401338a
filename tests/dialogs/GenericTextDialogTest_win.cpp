// The generic text dialog run modally under Wine. A thread timer fires inside the dialog's own modal
// loop; it finds the dialog, looks at it and ends it with a command.
#include "dialogs/GenericTextDialog_win.h"

#include "tests/app/WinTestUtil_win.h"
#include "tests/markup_win/WinUiTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

using namespace winui_test;

namespace {

constexpr int kButtonIds[] = {IDOK, GenericTextDialog::kCloseId, IDCANCEL, GenericTextDialog::kHelpId};

// What a script sees of the running dialog.
struct Facts {
    RECT window = {};
    RECT client = {};
    RECT text = {}; // markup window, in client coordinates
    std::vector<int> visibleIds;
    std::vector<RECT> visibleRects; // client coordinates, in the order of visibleIds sorted by x
    std::vector<std::string> labels;
    int focusId = 0;
    std::string caption;
};

HWND FindOwnDialog() {
    for (HWND w : ThreadWindows(::GetCurrentThreadId(), "#32770"))
        if (::IsWindowVisible(w))
            return w;
    return nullptr;
}

// Runs the dialog with `script` called once from inside its loop; the script must end it.
INT_PTR RunDialog(GenericTextDialog& dialog, std::function<void(HWND)> script, HWND owner = nullptr) {
    ActionInLoop act([&] {
        HWND window = FindOwnDialog();
        if (!window)
            return false;
        script(window);
        return true;
    });
    return dialog.DoModal(owner, 0);
}

void End(HWND dialog, int id, int code = BN_CLICKED) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), 0);
}

RECT ClientRectOf(HWND dialog, HWND child) {
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

Facts Observe(HWND dialog, const CHtmlWindow& markup) {
    Facts f;
    ::GetWindowRect(dialog, &f.window);
    ::GetClientRect(dialog, &f.client);
    f.text = ClientRectOf(dialog, markup.m_hWnd);
    std::vector<std::pair<LONG, int>> byX;
    for (int id : kButtonIds) {
        HWND button = ::GetDlgItem(dialog, id);
        if (::IsWindowVisible(button))
            byX.push_back({ClientRectOf(dialog, button).left, id});
    }
    std::sort(byX.begin(), byX.end());
    for (auto& [x, id] : byX) {
        f.visibleIds.push_back(id);
        f.visibleRects.push_back(ClientRectOf(dialog, ::GetDlgItem(dialog, id)));
        char label[32] = {};
        ::GetWindowTextA(::GetDlgItem(dialog, id), label, sizeof label);
        f.labels.push_back(label);
    }
    f.focusId = ::GetDlgCtrlID(::GetFocus());
    if (::GetFocus() && ::GetParent(::GetFocus()) != dialog)
        f.focusId = -1;
    char caption[64] = {};
    ::GetWindowTextA(dialog, caption, sizeof caption);
    f.caption = caption;
    return f;
}

class GenericTextDialogTest : public ::testing::Test {
protected:
    void SetUp() override { InitMarkupTables(); }

    // A dialog over `markup` with the given mode; the title is "Generic" unless given.
    std::unique_ptr<GenericTextDialog> Make(const std::string& markup, uint32_t mode,
                                            const char* title = "Generic", const char* help = "") {
        ZuvAnsi2 titleText(title);
        ZuvAnsi2 helpText(help);
        CMyASCIIString text;
        SetUtf8(text, markup);
        return std::make_unique<GenericTextDialog>(titleText, text, helpText, mode);
    }

    // Runs the dialog, records what it shows and ends it with Cancel.
    Facts Show(GenericTextDialog& dialog) {
        Facts facts;
        EXPECT_EQ(IDCANCEL, RunDialog(dialog, [&](HWND window) {
                      facts = Observe(window, dialog.MarkupWindow());
                      End(window, IDCANCEL);
                  }));
        return facts;
    }

    static int Width(const RECT& r) { return r.right - r.left; }
    static int Height(const RECT& r) { return r.bottom - r.top; }

    // Wider than the smallest window the platform allows, so the dialog gets the width it asks for.
    const std::string m_short = "<xml><text>A text of a few words on one line</text></xml>";
};

} // namespace

TEST_F(GenericTextDialogTest, CommandsOkCancelAndCloseEndItWithTheirIdInEveryMode) {
    for (uint32_t mode : {0u, 1u, 2u, 3u, 7u})
        for (int id : {IDOK, IDCANCEL, int(GenericTextDialog::kCloseId)}) {
            auto dialog = Make(m_short, mode);
            // Only the low word of the command counts.
            EXPECT_EQ(id, RunDialog(*dialog, [id](HWND window) { End(window, id, 0x1234); }))
                << "mode " << mode << ", command " << id;
        }
}

TEST_F(GenericTextDialogTest, EscapeEndsItAsCancelAndEnterPressesTheFocusedButton) {
    for (uint32_t mode : {0u, 2u, 3u}) {
        auto dialog = Make(m_short, mode);
        EXPECT_EQ(IDCANCEL,
                  RunDialog(*dialog, [](HWND) { ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }))
            << "mode " << mode;
        // A second run of the same object reuses its template.
        int focused = 0;
        EXPECT_EQ(mode == 0 ? IDOK : GenericTextDialog::kCloseId,
                  RunDialog(*dialog,
                            [&](HWND) {
                                focused = ::GetDlgCtrlID(::GetFocus());
                                ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
                            }))
            << "mode " << mode;
        EXPECT_EQ(mode == 0 ? IDOK : GenericTextDialog::kCloseId, focused);
    }
}

TEST_F(GenericTextDialogTest, ModeThreeShowsOneCentredCloseButtonWithTheFocus) {
    auto dialog = Make(m_short, 3);
    Facts f = Show(*dialog);
    ASSERT_EQ(std::vector<int>{GenericTextDialog::kCloseId}, f.visibleIds);
    EXPECT_EQ("&Close", f.labels[0]);
    EXPECT_EQ(GenericTextDialog::kCloseId, f.focusId);
    const RECT& button = f.visibleRects[0];
    EXPECT_EQ(Width(f.window) / 2 - 37, button.left) << "centred on half the outer width";
    EXPECT_EQ(75, Width(button));
    EXPECT_EQ(23, Height(button));
    EXPECT_EQ(Height(f.text) + 20, button.top);
    EXPECT_EQ("Generic", f.caption);
}

TEST_F(GenericTextDialogTest, EachModeShowsItsRowAtItsPlaces) {
    struct Expected {
        uint32_t mode;
        std::vector<int> ids;
        std::vector<std::string> labels;
        std::vector<int> offsets; // from half the outer width
        int focus;
    };
    const Expected table[] = {
        {0, {IDOK, IDCANCEL}, {"OK", "&Cancel"}, {-93, 0}, IDOK},
        {1, {IDOK, IDCANCEL, GenericTextDialog::kHelpId}, {"OK", "&Cancel", "&Help"}, {-150, -38, 74}, IDOK},
        {2,
         {GenericTextDialog::kCloseId, GenericTextDialog::kHelpId},
         {"&Close", "&Help"},
         {-93, 0},
         GenericTextDialog::kCloseId},
        {7, {}, {}, {}, 0},
    };
    for (const Expected& e : table) {
        auto dialog = Make(m_short, e.mode);
        Facts f = Show(*dialog);
        EXPECT_EQ(e.ids, f.visibleIds) << "mode " << e.mode;
        EXPECT_EQ(e.labels, f.labels) << "mode " << e.mode;
        EXPECT_EQ(e.focus, f.focusId) << "mode " << e.mode;
        for (size_t i = 0; i < e.offsets.size() && i < f.visibleRects.size(); ++i)
            EXPECT_EQ(Width(f.window) / 2 + e.offsets[i], f.visibleRects[i].left) << "mode " << e.mode;
    }
}

TEST_F(GenericTextDialogTest, DialogTakesTheTextSizePlusMarginsAndTheButtonRow) {
    auto dialog = Make(m_short, 3);
    Facts f = Show(*dialog);
    EXPECT_EQ(10, f.text.left);
    EXPECT_EQ(10, f.text.top);
    EXPECT_EQ(Width(f.text) + 20, Width(f.client));
    EXPECT_EQ(Height(f.text) + 53, Height(f.client));
}

TEST_F(GenericTextDialogTest, TextIsLaidOutInTheTemplateFontBeforeInitialisation) {
    // The font the dialog manager makes from the template: Arial at 10 points.
    HDC screen = ::GetDC(nullptr);
    HFONT arial = ::CreateFontA(-::MulDiv(10, ::GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0,
                                0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = ::SelectObject(screen, arial);
    SIZE sample;
    ::GetTextExtentPoint32A(screen, "gh9", 3, &sample);
    ::SelectObject(screen, old);
    ::DeleteObject(arial);
    ::ReleaseDC(nullptr, screen);

    auto dialog = Make(m_short, 3);
    Facts f = Show(*dialog);
    const int margin = sample.cy / 6;
    EXPECT_EQ(sample.cy + 2 * margin, Height(f.text));
}

TEST_F(GenericTextDialogTest, LongTextWrapsAtTwoThirdsOfTheScreenWidth) {
    std::string markup = "<xml>";
    for (int i = 0; i < 120; ++i)
        markup += "<text>word" + std::to_string(i) + "</text>";
    markup += "</xml>";
    auto dialog = Make(markup, 3);
    Facts f = Show(*dialog);

    const int wrapWidth = 2 * ::GetSystemMetrics(SM_CXSCREEN) / 3;
    const CItemList& items = dialog->MarkupWindow().GetRenderer().Items();
    std::set<uint32_t> lineTops;
    uint32_t widest = 0;
    for (uint32_t i = 0; i < items.Count(); ++i) {
        auto* item = static_cast<const nsHTMLItem::CTextItem*>(items[i]);
        lineTops.insert(item->m_top);
        widest = std::max(widest, item->m_right + 1);
        EXPECT_LE(int(item->m_right), wrapWidth) << "item " << i;
    }
    EXPECT_GT(lineTops.size(), 1u) << "wrapped onto several lines";
    EXPECT_GT(int(widest), wrapWidth * 3 / 4) << "lines are filled up to the wrap width";
    EXPECT_EQ(Width(f.text) + 20, Width(f.client));
    EXPECT_LE(Width(f.text), wrapWidth + 2 * int(dialog->MarkupWindow().GetRenderer().Margin()));
}

TEST_F(GenericTextDialogTest, ItemWiderThanTheWrapWidthKeepsItsWidthAndSoDoesTheDialog) {
    auto dialog = Make("<xml><text>" + std::string(80, 'W') + "</text></xml>", 3);
    Facts f = Show(*dialog);
    const int wrapWidth = 2 * ::GetSystemMetrics(SM_CXSCREEN) / 3;
    EXPECT_GT(Width(f.text), wrapWidth);
    EXPECT_EQ(Width(f.text) + 20, Width(f.client));
}

TEST_F(GenericTextDialogTest, HelpOpensTheHelpLinkAndLeavesTheDialogOpen) {
    std::string marker = ProgramFolder() + "link-opened.txt";
    ::DeleteFileA(marker.c_str());
    std::string helper = ProgramFolder() + "help_opened_marker.exe";
    auto dialog = Make(m_short, 1, "Generic", helper.c_str());
    bool stillOpen = false;
    EXPECT_EQ(IDOK, RunDialog(*dialog, [&](HWND window) {
                  ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(GenericTextDialog::kHelpId, BN_CLICKED), 0);
                  stillOpen = ::IsWindowVisible(window);
                  End(window, IDOK);
              }));
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(
        PumpUntil([&] { return ::GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000));
}

TEST_F(GenericTextDialogTest, EmptyTitleGivesAnEmptyCaption) {
    auto dialog = Make(m_short, 3, "");
    Facts f = Show(*dialog);
    EXPECT_EQ("", f.caption);
    ASSERT_EQ(1u, f.visibleIds.size());
}

TEST_F(GenericTextDialogTest, OwnerIsDisabledWhileTheDialogRuns) {
    HWND owner = CreateHostWindow(200, 100);
    auto dialog = Make(m_short, 3);
    bool ownerEnabled = true;
    EXPECT_EQ(GenericTextDialog::kCloseId, RunDialog(
                                               *dialog,
                                               [&](HWND window) {
                                                   ownerEnabled = ::IsWindowEnabled(owner);
                                                   End(window, GenericTextDialog::kCloseId);
                                               },
                                               owner));
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    ::DestroyWindow(owner);
}
