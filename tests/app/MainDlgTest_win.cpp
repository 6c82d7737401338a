// The main window in-process: its resources, button rules, output box, caption, centring and the ways
// it ends; and the entry's start-up with ready and with failing buffer modules.
#include "app/AppEntry_win.h"
#include "app/MainDlg_win.h"
#include "tests/app/WinTestUtil_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Resources

const BYTE* Resource(LPCSTR type, LPCSTR name, DWORD* size = nullptr) {
    HRSRC found = ::FindResourceA(nullptr, name, type);
    if (!found)
        return nullptr;
    if (size)
        *size = ::SizeofResource(nullptr, found);
    return static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, found)));
}

// Reads an extended dialog template (DLGTEMPLATEEX) field by field.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : m_p(data), m_start(data) {}
    WORD Word() {
        WORD v;
        std::memcpy(&v, m_p, 2);
        m_p += 2;
        return v;
    }
    DWORD Dword() {
        DWORD v;
        std::memcpy(&v, m_p, 4);
        m_p += 4;
        return v;
    }
    short Short() { return static_cast<short>(Word()); }
    // A string, or an ordinal written as "#n".
    std::string SzOrOrdinal() {
        WORD first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string s;
        for (WORD c = first; c; c = Word())
            s += static_cast<char>(c);
        return s;
    }
    void AlignDword() {
        while ((m_p - m_start) % 4)
            ++m_p;
    }

private:
    const BYTE* m_p;
    const BYTE* m_start;
};

struct ControlRow {
    DWORD id;
    const char* className; // ordinals of the predefined classes
    const char* text;
    DWORD style;
    short x, y, cx, cy;
};

const ControlRow kControls[] = {
    {1, "#128", "&Merge", 0x50010001, 79, 174, 50, 14},
    {2, "#128", "&Close", 0x50010000, 157, 174, 50, 14},
    {57664, "#128", "A&bout", 0x50010000, 235, 174, 50, 14},
    {1004, "#131", "", 0x50B10949, 14, 19, 305, 113},
    {1000, "#128", "&Add", 0x50010000, 327, 20, 36, 14},
    {1001, "#128", "R&emove", 0x50010000, 327, 36, 36, 14},
    {1002, "#128", "&Up", 0x50010000, 327, 61, 36, 14},
    {1003, "#128", "&Down", 0x50010000, 327, 79, 36, 14},
    {1005, "#128", "&Select", 0x50010000, 327, 151, 36, 14},
    {1006, "#129", "", 0x50800080, 14, 150, 305, 14},
    {0xFFFFFFFF, "#128", "Input PDF Files", 0x50000007, 7, 7, 361, 130},
    {0xFFFFFFFF, "#128", "Output PDF File", 0x50000007, 7, 140, 361, 31},
};

TEST(Resources, MainDialogTemplateIsExtendedWithEveryControlInTabOrder) {
    const BYTE* data = Resource(MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(129)); // RT_DIALOG
    ASSERT_NE(data, nullptr);
    TemplateReader t(data);
    EXPECT_EQ(t.Word(), 1);      // version
    EXPECT_EQ(t.Word(), 0xFFFF); // extended template signature
    t.Dword();                   // help id
    EXPECT_EQ(t.Dword(), 0u);    // extended style
    EXPECT_EQ(t.Dword(), 0x00C80040u);
    WORD count = t.Word();
    EXPECT_EQ(count, 12);
    EXPECT_EQ(t.Short(), 0);
    EXPECT_EQ(t.Short(), 0);
    EXPECT_EQ(t.Short(), 375);
    EXPECT_EQ(t.Short(), 195);
    EXPECT_EQ(t.SzOrOrdinal(), ""); // no menu
    EXPECT_EQ(t.SzOrOrdinal(), ""); // the standard dialog class
    EXPECT_EQ(t.SzOrOrdinal(), "Varnello");
    EXPECT_EQ(t.Word(), 9); // points
    EXPECT_EQ(t.Word(), 0); // weight
    EXPECT_EQ(t.Word(), 0); // italic 0, character set 0
    EXPECT_EQ(t.SzOrOrdinal(), "Segoe UI");
    for (WORD i = 0; i < count && i < 12; ++i) {
        const ControlRow& want = kControls[i];
        SCOPED_TRACE(want.text[0] ? want.text : std::to_string(want.id).c_str());
        t.AlignDword();
        t.Dword(); // help id
        EXPECT_EQ(t.Dword(), 0u);
        EXPECT_EQ(t.Dword(), want.style);
        EXPECT_EQ(t.Short(), want.x);
        EXPECT_EQ(t.Short(), want.y);
        EXPECT_EQ(t.Short(), want.cx);
        EXPECT_EQ(t.Short(), want.cy);
        EXPECT_EQ(t.Dword(), want.id);
        EXPECT_EQ(t.SzOrOrdinal(), want.className);
        EXPECT_EQ(t.SzOrOrdinal(), want.text);
        WORD extra = t.Word();
        for (WORD b = 0; b < extra; b += 2)
            t.Word();
    }
}

TEST(Resources, IconGroupStringVersionAndManifest) {
    // Icon group 128: 32 x 32 and 16 x 16, each in 32-bit and 8-bit colour.
    const BYTE* group = Resource(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(128)); // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    WORD images;
    std::memcpy(&images, group + 4, 2);
    std::vector<std::pair<int, int>> sizesAndBits;
    for (WORD i = 0; i < images; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        WORD bits;
        std::memcpy(&bits, entry + 6, 2);
        sizesAndBits.push_back({entry[0], bits});
    }
    std::vector<std::pair<int, int>> want = {{32, 32}, {32, 8}, {16, 32}, {16, 8}};
    EXPECT_EQ(sizesAndBits, want);
    EXPECT_NE(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128), IMAGE_ICON, 16, 16, 0),
              nullptr);

    char text[64] = "";
    EXPECT_EQ(::LoadStringA(::GetModuleHandleA(nullptr), 128, text, sizeof text), 8);
    EXPECT_STREQ(text, "Varnello");

    DWORD size = 0;
    const BYTE* version = Resource(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), &size); // RT_VERSION
    ASSERT_NE(version, nullptr);
    const DWORD signature = 0xFEEF04BD;
    const BYTE* fixed = nullptr;
    for (DWORD i = 0; i + sizeof(VS_FIXEDFILEINFO) <= size && !fixed; i += 4)
        if (std::memcmp(version + i, &signature, 4) == 0)
            fixed = version + i;
    ASSERT_NE(fixed, nullptr);
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed, sizeof info);
    EXPECT_EQ(info.dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(info.dwFileVersionLS, 0u);
    EXPECT_EQ(info.dwProductVersionMS, 0x00010001u);

    const BYTE* manifest = Resource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), &size); // RT_MANIFEST
    ASSERT_NE(manifest, nullptr);
    std::string xml(reinterpret_cast<const char*>(manifest), size);
    EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(xml.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_EQ(xml.find("<dependency"), std::string::npos);
}

// The window, run modelessly so that the test can look at it between messages.

class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(dialog.Create(nullptr), nullptr); }
    void TearDown() override { dialog.DestroyWindow(); }

    void AddItems(std::initializer_list<const char*> items) {
        for (const char* item : items)
            ::SendMessageA(dialog.m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    // Selects the given items as a user would, with the list's notification to the dialog.
    void Select(std::initializer_list<int> indices) {
        ::SendMessageA(dialog.m_list, LB_SETSEL, FALSE, -1);
        for (int i : indices)
            ::SendMessageA(dialog.m_list, LB_SETSEL, TRUE, i);
        ::SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_LIST, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(dialog.m_list));
    }
    // "ARUDMSCB": which of Add, Remove, Up, Down, Merge, Select, Close, About are enabled.
    std::string Enabled() {
        std::string s;
        HWND buttons[] = {dialog.m_add,   dialog.m_remove, dialog.m_up,    dialog.m_down,
                          dialog.m_merge, dialog.m_select, dialog.m_close, dialog.m_about};
        const char letters[] = "ARUDMSCB";
        for (int i = 0; i < 8; ++i)
            s += ::IsWindowEnabled(buttons[i]) ? letters[i] : '-';
        return s;
    }

    MainDlg dialog;
};

TEST_F(MainDlgTest, ControlsAreFetchedFromTheTemplate) {
    EXPECT_EQ(::GetDlgCtrlID(dialog.m_list), IDC_LIST);
    EXPECT_EQ(::GetDlgCtrlID(dialog.m_output), IDC_OUTPUT);
    EXPECT_EQ(WindowText(dialog.m_add), "&Add");
    EXPECT_EQ(WindowText(dialog.m_remove), "R&emove");
    EXPECT_EQ(WindowText(dialog.m_up), "&Up");
    EXPECT_EQ(WindowText(dialog.m_down), "&Down");
    EXPECT_EQ(WindowText(dialog.m_merge), "&Merge");
    EXPECT_EQ(WindowText(dialog.m_select), "&Select");
    EXPECT_EQ(WindowText(dialog.m_close), "&Close");
    EXPECT_EQ(WindowText(dialog.m_about), "A&bout");
    EXPECT_NE(::SendMessageA(dialog.m_hWnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageA(dialog.m_hWnd, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(MainDlgTest, ButtonStatesFollowTheListsCountAndSelection) {
    EXPECT_EQ(Enabled(), "A----SCB") << "empty list";
    AddItems({"C:\\a.pdf"});
    Select({0});
    EXPECT_EQ(Enabled(), "AR---SCB") << "one item, selected";
    AddItems({"C:\\b.pdf"});
    Select({});
    EXPECT_EQ(Enabled(), "A---MSCB") << "two items, none selected; the output box is empty";
    Select({0});
    EXPECT_EQ(Enabled(), "AR-DMSCB") << "two items, the first selected";
    Select({1});
    EXPECT_EQ(Enabled(), "ARU-MSCB") << "two items, the second selected";
    Select({0, 1});
    EXPECT_EQ(Enabled(), "AR--MSCB") << "two items, both selected";
    AddItems({"C:\\c.pdf"});
    Select({1});
    EXPECT_EQ(Enabled(), "ARUDMSCB") << "three items, the middle one selected";
}

TEST_F(MainDlgTest, OutputBoxIsReadOnly) {
    EXPECT_TRUE(::GetWindowLongA(dialog.m_output, GWL_STYLE) & ES_READONLY);
    ::SendMessageA(dialog.m_output, WM_CHAR, 'x', 0);
    ::SendMessageA(dialog.m_output, WM_PASTE, 0, 0);
    EXPECT_EQ(WindowText(dialog.m_output), "");
    // Not a tab stop: the user never lands in it.
    EXPECT_FALSE(::GetWindowLongA(dialog.m_output, GWL_STYLE) & WS_TABSTOP);
}

TEST_F(MainDlgTest, CaptionNamesVersionAndBitWidth) {
    EXPECT_EQ(WindowText(dialog.m_hWnd),
              sizeof(void*) == 8 ? "Varnello (v.1.1), 64-bit" : "Varnello (v.1.1), 32-bit");
}

TEST_F(MainDlgTest, CentredInTheWorkAreaOfItsMonitor) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ::GetMonitorInfoA(::MonitorFromWindow(dialog.m_hWnd, MONITOR_DEFAULTTONEAREST), &info);
    RECT r;
    ::GetWindowRect(dialog.m_hWnd, &r);
    EXPECT_LE(std::abs((r.left - info.rcWork.left) - (info.rcWork.right - r.right)), 1);
    EXPECT_LE(std::abs((r.top - info.rcWork.top) - (info.rcWork.bottom - r.bottom)), 1);
    EXPECT_GE(r.left, info.rcWork.left);
    EXPECT_GE(r.top, info.rcWork.top);
}

// List editing

std::vector<std::string> Items(HWND list) {
    std::vector<std::string> items;
    int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string text(::SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1, '\0');
        text.resize(::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0])));
        items.push_back(text);
    }
    return items;
}

std::vector<int> SelectedIndices(HWND list) {
    std::vector<int> indices(64);
    indices.resize(::SendMessageA(list, LB_GETSELITEMS, 64, reinterpret_cast<LPARAM>(indices.data())));
    return indices;
}

// The widest item's text width plus one average character width, measured here in the list's font
// on the items' characters (the items are UTF-8).
LONG ExpectedExtent(HWND list) {
    HDC dc = ::GetDC(list);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(list, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    ::GetTextMetricsA(dc, &metrics);
    LONG widest = 0;
    for (const std::string& item : Items(list)) {
        std::wstring characters(item.size(), L'\0');
        characters.resize(::MultiByteToWideChar(CP_UTF8, 0, item.data(), static_cast<int>(item.size()),
                                                &characters[0], static_cast<int>(characters.size())));
        SIZE size;
        ::GetTextExtentPoint32W(dc, characters.c_str(), static_cast<int>(characters.size()), &size);
        widest = std::max(widest, size.cx + metrics.tmAveCharWidth);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(list, dc);
    return widest;
}

void Press(HWND dialog, int id) {
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

TEST_F(MainDlgTest, RemoveDeletesTheSelectedItemsAndLeavesTheRestInOrder) {
    AddItems({"0", "1", "2", "3", "4"});
    Select({1, 3});
    Press(dialog.m_hWnd, IDC_REMOVE);
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{"0", "2", "4"}));
    EXPECT_TRUE(SelectedIndices(dialog.m_list).empty());
    EXPECT_EQ(Enabled(), "A---MSCB");
    EXPECT_EQ(::GetFocus(), dialog.m_list);

    // Removing everything disables Merge and leaves no horizontal scroll room.
    Select({0, 1, 2});
    Press(dialog.m_hWnd, IDC_REMOVE);
    EXPECT_TRUE(Items(dialog.m_list).empty());
    EXPECT_EQ(Enabled(), "A----SCB");
    EXPECT_EQ(::SendMessageA(dialog.m_list, LB_GETHORIZONTALEXTENT, 0, 0), 0);
}

TEST_F(MainDlgTest, RemoveWithoutSelectionDoesNothing) {
    AddItems({"a", "b"});
    BOOL handled = TRUE;
    dialog.OnRemove(0, 0, nullptr, handled); // the button is disabled: the gate holds
    ::EnableWindow(dialog.m_remove, TRUE);
    dialog.RemoveSelected(); // nothing selected: it only disables the button again
    EXPECT_EQ(Items(dialog.m_list).size(), 2u);
    EXPECT_FALSE(::IsWindowEnabled(dialog.m_remove));
}

TEST_F(MainDlgTest, UpAndDownMoveTheOneSelectedItemWhichStaysSelected) {
    AddItems({"a", "b", "c", "d"});
    Select({2});
    Press(dialog.m_hWnd, IDC_UP);
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{"a", "c", "b", "d"}));
    EXPECT_EQ(SelectedIndices(dialog.m_list), std::vector<int>{1});
    EXPECT_EQ(Enabled(), "ARUDMSCB");
    Press(dialog.m_hWnd, IDC_UP);
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{"c", "a", "b", "d"}));
    EXPECT_EQ(Enabled(), "AR-DMSCB") << "at the top, Up is disabled";
    Press(dialog.m_hWnd, IDC_UP); // gated: nothing moves
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{"c", "a", "b", "d"}));

    Select({2});
    Press(dialog.m_hWnd, IDC_DOWN);
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{"c", "a", "d", "b"}));
    EXPECT_EQ(SelectedIndices(dialog.m_list), std::vector<int>{3});
    EXPECT_EQ(Enabled(), "ARU-MSCB") << "at the bottom, Down is disabled";
    Press(dialog.m_hWnd, IDC_DOWN);
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{"c", "a", "d", "b"}));
}

TEST_F(MainDlgTest, SeveralSelectedItemsAreNeverMoved) {
    AddItems({"a", "b", "c"});
    Select({1});
    // Both buttons enabled for one item; then a second item joins the selection without a notification.
    ::SendMessageA(dialog.m_list, LB_SETSEL, TRUE, 2);
    Press(dialog.m_hWnd, IDC_UP);
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(::IsWindowEnabled(dialog.m_up));
    EXPECT_FALSE(::IsWindowEnabled(dialog.m_down));
}

TEST_F(MainDlgTest, HorizontalExtentIsTheWidestItemPlusOneAverageCharacter) {
    // The widest item in letters of the system's script, then in others, whose UTF-8 bytes outnumber
    // their characters.
    const std::vector<const char*> widest = {"C:\\a\\much\\longer\\path\\to\\some\\file.pdf",
                                             "C:\\Документы\\Годовой отчёт за 2024 год.pdf"};
    for (const char* item : widest) {
        SCOPED_TRACE(item);
        ::SendMessageA(dialog.m_list, LB_RESETCONTENT, 0, 0);
        AddItems({"C:\\short.pdf", item, "C:\\mid\\file.pdf"});
        dialog.UpdateHorizontalExtent();
        LONG extent = static_cast<LONG>(::SendMessageA(dialog.m_list, LB_GETHORIZONTALEXTENT, 0, 0));
        EXPECT_EQ(extent, ExpectedExtent(dialog.m_list));
        EXPECT_GT(extent, 100);
        Select({1});
        Press(dialog.m_hWnd, IDC_REMOVE);
        LONG smaller = static_cast<LONG>(::SendMessageA(dialog.m_list, LB_GETHORIZONTALEXTENT, 0, 0));
        EXPECT_EQ(smaller, ExpectedExtent(dialog.m_list));
        EXPECT_LT(smaller, extent);
    }
}

TEST_F(MainDlgTest, ItemsLongerThanAnyFixedBufferAreMovedAndMeasuredWhole) {
    const std::string longItem = "C:\\" + std::string(3000, 'x') + ".pdf";
    AddItems({"a", longItem.c_str()});
    dialog.UpdateHorizontalExtent();
    EXPECT_EQ(::SendMessageA(dialog.m_list, LB_GETHORIZONTALEXTENT, 0, 0), ExpectedExtent(dialog.m_list));
    Select({1});
    Press(dialog.m_hWnd, IDC_UP);
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{longItem, "a"}));
}

// Modal runs: how the window ends, and with which result.

INT_PTR RunModalThen(MainDlg& dialog, std::function<void(MainDlg&)> act, bool* acted) {
    ActionInLoop action([&] {
        if (!dialog.m_hWnd || !::IsWindowVisible(dialog.m_hWnd))
            return false;
        act(dialog);
        return true;
    });
    INT_PTR result = dialog.DoModal(nullptr);
    *acted = action.Done();
    return result;
}

TEST(MainDlgModal, EndsWithTheCommandsIdThroughEveryWayOfClosing) {
    struct Way {
        const char* name;
        std::function<void(MainDlg&)> act;
        INT_PTR result;
    };
    const Way ways[] = {
        {"Close button", [](MainDlg& d) { ::SendMessageA(d.m_close, BM_CLICK, 0, 0); }, IDCANCEL},
        {"close box", [](MainDlg& d) { ::PostMessageA(d.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
        {"Esc key",
         [](MainDlg& d) { ::PostMessageA(::GetFocus() ? ::GetFocus() : d.m_list, WM_KEYDOWN, VK_ESCAPE, 0); },
         IDCANCEL},
        {"shortcut call",
         [](MainDlg& d) {
             BOOL handled = TRUE;
             d.OnClose(0, 0, nullptr, handled);
         },
         0},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        MainDlg dialog;
        bool acted = false;
        EXPECT_EQ(RunModalThen(dialog, way.act, &acted), way.result);
        EXPECT_TRUE(acted);
        EXPECT_EQ(dialog.m_hWnd, nullptr);
    }
}

TEST(MainDlgModal, CloseDoesNothingWhileItsButtonIsDisabled) {
    MainDlg dialog;
    bool acted = false;
    bool stillOpen = false;
    INT_PTR result = RunModalThen(
        dialog,
        [&](MainDlg& d) {
            ::EnableWindow(d.m_close, FALSE);
            ::SendMessageA(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            stillOpen = ::IsWindow(d.m_hWnd) != FALSE;
            ::EnableWindow(d.m_close, TRUE);
            ::SendMessageA(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        },
        &acted);
    EXPECT_TRUE(acted);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, IDCANCEL);
}

// The entry

int g_byteChecks = 0;
int g_elementChecks = 0;

TEST(Entry, FailingBufferModuleShowsOneBoxAndNoWindow) {
    struct Case {
        ReadinessCheck bytes, elements;
    };
    const Case cases[] = {
        {[] { return ++g_byteChecks, false; }, [] { return ++g_elementChecks, true; }},
        {[] { return ++g_byteChecks, true; }, [] { return ++g_elementChecks, false; }},
        {[] { return ++g_byteChecks, false; }, [] { return ++g_elementChecks, false; }},
    };
    for (const Case& c : cases) {
        g_byteChecks = g_elementChecks = 0;
        std::vector<std::string> seen; // caption, text of every window that came up
        ActionInLoop dismiss([&] {
            std::vector<HWND> windows = ThreadWindows(::GetCurrentThreadId(), "#32770");
            if (windows.empty())
                return false;
            for (HWND w : windows) {
                seen.push_back(WindowText(w) + "|" + MessageBoxText(w));
                ::PostMessageA(w, WM_COMMAND, IDOK, 0);
            }
            return true;
        });
        EXPECT_EQ(RunVarnello(::GetModuleHandleA(nullptr), c.bytes, c.elements), 0);
        EXPECT_TRUE(dismiss.Done());
        EXPECT_EQ(seen, std::vector<std::string>{"Varnello Error|Cannot initialize ansi library"});
        EXPECT_EQ(g_byteChecks, 1);
        EXPECT_EQ(g_elementChecks, 1) << "the element check runs even when the byte check failed";
    }
}

TEST(Entry, ReadyModulesRunTheMainWindowUntilItIsClosed) {
    std::string caption;
    ActionInLoop close([&] {
        std::vector<HWND> windows = ThreadWindows(::GetCurrentThreadId(), "#32770");
        if (windows.empty() || !::IsWindowVisible(windows[0]))
            return false;
        caption = WindowText(windows[0]);
        ::PostMessageA(windows[0], WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    });
    EXPECT_EQ(RunVarnello(
                  ::GetModuleHandleA(nullptr), [] { return true; }, [] { return true; }),
              0);
    EXPECT_TRUE(close.Done());
    EXPECT_EQ(caption.rfind("Varnello (v.1.1), ", 0), 0u) << caption;
}

} // namespace
