// The main window in-process, with real PDF files, clipboard, drag loop, keys and save dialog.
#include "app/AppEntry_win.h"
#include "app/MainDlg_win.h"
#include "dialogs/GenericTextDialog_win.h"
#include "tests/app/WinTestUtil_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <tuple>

namespace {

const std::string kRefused =
    "Error|Following files could not be added, probably because they are not valid PDF files:\r\n";

// The page texts as poppler reads them. Wine does not wait for a Linux program: mv tells it is done.
Lines PageTexts(const std::string& path) {
    const std::string out = path.substr(2) + ".txt";
    std::string line = "sh -c \"pdftotext '" + path.substr(2) + "' '" + out + ".part'; mv '" + out +
                       ".part' '" + out + "'\"";
    std::replace(line.begin(), line.end(), '\\', '/');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (::CreateProcessA("Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process))
        ::CloseHandle(process.hThread), ::CloseHandle(process.hProcess);
    WaitUntil([&] { return ::GetFileAttributesA((path + ".txt").c_str()) != INVALID_FILE_ATTRIBUTES; });
    std::istringstream words(ReadBytes(path + ".txt"));
    ::DeleteFileA((path + ".txt").c_str());
    Lines texts;
    for (std::string word; words >> word;)
        texts.push_back(word);
    return texts;
}

class MainDlgTest : public ::testing::Test {
protected:
    // Modeless, so that a test looks at it between messages; folders on the Linux root, for poppler.
    static void SetUpTestSuite() { ::OleInitialize(nullptr), ::SetEnvironmentVariableA("TMP", "Z:\\tmp"); }
    void SetUp() override {
        ASSERT_NE(dlg.Create(nullptr), nullptr);
        ::ShowWindow(dlg.m_hWnd, SW_SHOW);
        Watch();
        for (const char* name : {"first.pdf", "Отчёт.pdf", "报告 📄.pdf"}) {
            pdfs.push_back(dir.Path(name));
            WritePdf(pdfs.back(), {"page"});
        }
    }
    void Watch(const std::string& fileName = "") {
        watcher.reset(); // one at a time
        watcher = std::make_unique<DialogWatcher>(dlg.m_hWnd, fileName);
    }
    // Read in the list's own code page: Wine's UTF-16 copy of a long item is short.
    Items List() {
        Items items;
        for (LRESULT i = 0; i < ::SendMessageA(dlg.m_list, LB_GETCOUNT, 0, 0); ++i) {
            std::string text(size_t(::SendMessageA(dlg.m_list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
            items.push_back(
                text.substr(0, size_t(::SendMessageA(dlg.m_list, LB_GETTEXT, i, LPARAM(&text[0])))));
        }
        return items;
    }
    void Fill(const Items& items, const std::vector<int>& selected = {}) {
        ::SendMessageA(dlg.m_list, LB_RESETCONTENT, 0, 0);
        for (const std::string& item : items)
            ::SendMessageA(dlg.m_list, LB_ADDSTRING, 0, LPARAM(item.c_str()));
        for (int i : selected)
            ::SendMessageA(dlg.m_list, LB_SETSEL, TRUE, i);
        ::SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_LIST, LBN_SELCHANGE), LPARAM(dlg.m_list));
    }
    void Press(int id) {
        ::SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(dlg.GetDlgItem(id)));
    }
    // "ARUDMSCB": which of Add, Remove, Up, Down, Merge, Select, Close and About are enabled.
    std::string Enabled() {
        std::string s;
        const int ids[] = {IDC_ADD, IDC_REMOVE, IDC_UP, IDC_DOWN, IDOK, IDC_SELECT, IDCANCEL, ID_APP_ABOUT};
        for (int i = 0; i < 8; ++i)
            s += ::IsWindowEnabled(dlg.GetDlgItem(ids[i])) ? "ARUDMSCB"[i] : '-';
        return s;
    }

    MainDlg dlg;
    TempFolder dir;
    Items pdfs; // names in other scripts than the system's reach the list whole
    std::unique_ptr<DialogWatcher> watcher;
};

// Up at the top, Down at the bottom and blocks never move; Remove focuses the list. "Enabled after"
// also tells where the selected item is.
TEST_F(MainDlgTest, ButtonRulesAndListEditing) {
    const Items five = {"0", "1", "2", "3", "4"};
    using Case = std::tuple<size_t, std::vector<int>, const char*, int, Items, const char*>;
    for (const auto& [count, selected, enabled, button, after, enabledAfter] : {
             Case{0, {}, "A----SCB", 0, {}, ""},
             Case{1, {0}, "AR---SCB", 0, {}, ""},
             Case{5, {1, 3}, "AR--MSCB", IDC_REMOVE, {"0", "2", "4"}, "A---MSCB"},
             Case{5, {1}, "ARUDMSCB", IDC_UP, {"1", "0", "2", "3", "4"}, "AR-DMSCB"},
             Case{5, {0}, "AR-DMSCB", IDC_UP, five, "AR-DMSCB"},
             Case{5, {3}, "ARUDMSCB", IDC_DOWN, {"0", "1", "2", "4", "3"}, "ARU-MSCB"},
             Case{5, {4}, "ARU-MSCB", IDC_DOWN, five, "ARU-MSCB"},
         }) {
        Fill(Items(five.begin(), five.begin() + count), selected);
        EXPECT_EQ(Enabled(), enabled) << count << enabledAfter;
        ::SetFocus(dlg.m_add);
        if (button) {
            Press(button);
            EXPECT_EQ(List(), after);
            EXPECT_EQ(Enabled(), enabledAfter);
            EXPECT_TRUE(button != IDC_REMOVE || ::GetFocus() == dlg.m_list);
        }
    }
    // At start the window was centred on the work area and given a read-only output box.
    RECT r, area;
    ::GetWindowRect(dlg.m_hWnd, &r);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_LE(std::abs(r.left + r.right - area.left - area.right) +
                  std::abs(r.top + r.bottom - area.top - area.bottom),
              2);
    ::SendMessageA(dlg.m_output, WM_CHAR, 'x', 0);
    EXPECT_EQ(WindowText(dlg.m_output), "");
}

// An item in another script (more bytes than characters) and one longer than any fixed buffer.
TEST_F(MainDlgTest, ScrollWidthIsTheWidestItemPlusOneAverageCharacter) {
    HDC dc = ::GetDC(dlg.m_list);
    ::SelectObject(dc, HGDIOBJ(::SendMessageA(dlg.m_list, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    ::GetTextMetricsA(dc, &metrics);
    const auto width = [&](const std::string& item) {
        SIZE size;
        ::GetTextExtentPoint32W(dc, Wide(item).c_str(), int(Wide(item).size()), &size);
        return LRESULT(size.cx + metrics.tmAveCharWidth);
    };
    for (const std::string& item : {std::string("C:\\Документы\\Годовой отчёт за 2024 год.pdf"),
                                    "C:\\" + std::string(3000, 'x') + ".pdf"}) {
        Fill({"C:\\short.pdf", item, "C:\\mid\\file.pdf"}, {1});
        dlg.UpdateHorizontalExtent();
        EXPECT_EQ(::SendMessageA(dlg.m_list, LB_GETHORIZONTALEXTENT, 0, 0), width(item));
        Press(IDC_UP);
        EXPECT_EQ(List()[0], item);
    }
    ::ReleaseDC(dlg.m_list, dc);
}

// Appended in the shell list's order (a listed file again), unselected; a folder and a text file in one
// box, a name over the buffer's 259 bytes in another, never cut into the real file it starts with.
TEST_F(MainDlgTest, DropAppendsThePdfsInOrderAndReportsTheRest) {
    const std::string folder = dir.Path("a folder"), text = dir.Path("заметки.txt");
    std::string fits = dir.Dir() + "\\"; // 259 bytes in UTF-8, fewer characters
    while (fits.size() + 6 <= 259)
        fits += "ж";
    fits += std::string(259 - 4 - fits.size(), 'n') + ".pdf";
    WritePdf(fits, {"page"});
    ::CreateDirectoryA(folder.c_str(), nullptr);
    WriteBytes(text, "not a PDF\r\n");
    WriteBytes(dir.Path("испорчен.pdf"), "%PDF-1.4 and then nothing");
    ::SetCurrentDirectoryA(dir.Dir().c_str()); // the real open dialog opens here if it remembers no folder
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32");
    Watch("\"Отчёт.pdf\" \"испорчен.pdf\" \"报告 📄.pdf\"");
    Press(IDC_ADD);
    EXPECT_EQ(watcher->Take(), (Items{"Open", kRefused + dir.Path("испорчен.pdf") + "\r\n"}));
    ::SetFocus(dlg.m_add);
    EXPECT_EQ(DropOnto(dlg.m_list, {pdfs[2], folder, pdfs[0], fits + ".old.pdf", text, pdfs[1], fits}),
              DRAGDROP_S_DROP);
    EXPECT_EQ(::GetFocus(), dlg.m_list);
    EXPECT_EQ(List(), (Items{pdfs[1], pdfs[2], pdfs[2], pdfs[0], pdfs[1], fits}));
    EXPECT_EQ(watcher->Take(),
              (Items{kRefused + folder + "\r\n" + text + "\r\n",
                     "Error|Following files could not be added because their names are too long:\r\n" + fits +
                         ".old.pdf\r\n"}));
    EXPECT_EQ(Enabled(), "A---MSCB");
}

// Letters on the list run their gated commands whatever the modifiers; Delete and Ctrl+V act anywhere.
TEST_F(MainDlgTest, ShortcutKeysRunTheirCommands) {
    const Items three = {"0", "1", "2"}, pasted = {"0", "1", "2", pdfs[0], pdfs[2]};
    using Case = std::tuple<WORD, bool, int, std::vector<int>, Items, Items>;
    for (const auto& [key, ctrl, on, selected, after, seen] : {
             Case{'U', false, IDC_LIST, {1}, {"1", "0", "2"}, {}},
             Case{'D', false, IDC_LIST, {1}, {"0", "2", "1"}, {}},
             Case{VK_DELETE, false, IDC_LIST, {0, 2}, {"1"}, {}},
             Case{VK_DELETE, true, IDC_ADD, {0}, {"1", "2"}, {}},
             Case{'M', false, IDC_LIST, {}, three, {"Save As"}},
             Case{'S', true, IDC_LIST, {}, three, {"Save As"}},
             Case{'B', true, IDC_LIST, {}, three, {"About Varnello"}},
             Case{'F', false, IDC_LIST, {1}, three, {}},
             Case{'V', false, IDC_LIST, {}, three, {}},
             Case{'V', true, IDCANCEL, {}, pasted, {kRefused + pdfs[0] + ".txt\r\n"}},
         }) {
        Fill(three, selected);
        ASSERT_TRUE(PutOnClipboard({pdfs[0], pdfs[0] + ".txt", pdfs[2]}));
        PressKey(dlg.GetDlgItem(on), key, ctrl);
        EXPECT_EQ(List(), after) << char(key) << ctrl;
        EXPECT_EQ(watcher->Take(), seen) << char(key) << ctrl;
    }
}

// In list order; the save dialog names a missing output; the output may be the first input.
TEST_F(MainDlgTest, MergeWritesTheListInOrderAndReports) {
    const std::string a = dir.Path("a.pdf"), b = dir.Path("b.pdf"), c = dir.Path("c.pdf");
    WritePdf(a, {"a1"}), WritePdf(b, {"b1", "b2"}), WritePdf(c, {"c1"});
    const std::string gone = dir.Path("gone.pdf"), saved = "Varnello|File is successfully saved.",
                      out = dir.Path("Σύνοψη.pdf");
    const std::string failed =
        "Error|Following files could not be merged, probably because they are not valid PDF files:\r\n" +
        gone + "\r\n\r\nFile is saved but there are some errors.";
    using Case = std::tuple<Items, std::string, std::string, Items, Lines>; // ... output, typed, seen, pages
    for (const auto& [inputs, output, typed, seen, pages] : {
             Case{{b, a, c}, "", out, {"Save As", saved}, {"b1", "b2", "a1", "c1"}},
             Case{{a, b}, "", "", {"Save As"}, {}},
             Case{{c, gone, a}, out, "", {failed}, {"c1", "a1"}},
             Case{{a, b}, a, "", {saved}, {"a1", "b1", "b2"}},
         }) {
        const Items before = dir.Entries();
        Fill(inputs);
        ::SetWindowTextA(dlg.m_output, output.c_str());
        Watch(typed);
        Press(IDOK);
        EXPECT_EQ(watcher->Take(), seen);
        EXPECT_EQ(WindowText(dlg.m_output), typed.empty() ? output : typed);
        EXPECT_EQ(pages.empty() ? dir.Entries() : PageTexts(WindowText(dlg.m_output)),
                  pages.empty() ? before : pages);
    }
    EXPECT_EQ(dir.Entries().size(), 7u) << "no temporary file is left";
}

// The window does not repaint while it validates or merges, so the pointer (off windows) says it works.
volatile bool g_sawWait = false, g_watching = false;
DWORD WINAPI WatchCursor(void*) {
    for (CURSORINFO info = {sizeof info, 0, nullptr, {}}; g_watching; ::Sleep(1))
        if (::GetCursorInfo(&info) && info.hCursor == ::LoadCursorA(nullptr, IDC_WAIT))
            g_sawWait = true;
    return 0;
}

TEST_F(MainDlgTest, TheWaitCursorShowsWhileItWorks) {
    const std::string big = dir.Path("big.pdf");
    WritePdf(big, Lines(300, "p"));
    ::SetWindowTextA(dlg.m_output, dir.Path("out.pdf").c_str());
    PathList paths(Items(10, big));
    const HCURSOR cross = ::LoadCursorA(nullptr, IDC_CROSS);
    for (bool merge : {false, true}) {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        ::SetCursor(cross);
        g_sawWait = false, g_watching = true;
        HANDLE thread = ::CreateThread(nullptr, 0, WatchCursor, nullptr, 0, nullptr);
        merge ? (Fill({big, dir.Path("gone.pdf"), big}), Press(IDOK)) : dlg.AddValidatedFiles(paths.Get());
        g_watching = false;
        ::WaitForSingleObject(thread, INFINITE), ::CloseHandle(thread);
        EXPECT_TRUE(g_sawWait) << merge;
        EXPECT_EQ(::GetCursor(), cross) << merge;
    }
}

// Seen from inside its loop: centred over the main window, which is disabled; pasting is blocked.
TEST_F(MainDlgTest, AboutShowsTheAboutTextWhilePastingIsBlocked) {
    ASSERT_TRUE(PutOnClipboard({pdfs[0]}));
    watcher.reset();
    bool seen = false;
    ActionInLoop inside([&] {
        GenericTextDialog* about = dlg.m_aboutDialog;
        if (!about || !::IsWindowVisible(about->m_hWnd))
            return false;
        EXPECT_FALSE(::IsWindowEnabled(dlg.m_hWnd));
        RECT box, main;
        ::GetWindowRect(about->m_hWnd, &box), ::GetWindowRect(dlg.m_hWnd, &main);
        EXPECT_LE(std::abs(box.left + box.right - main.left - main.right) +
                      std::abs(box.top + box.bottom - main.top - main.bottom),
                  2);
        dlg.PasteFiles();
        EXPECT_TRUE(List().empty());
        ::EndDialog(about->m_hWnd, IDCANCEL);
        return seen = true;
    });
    Press(ID_APP_ABOUT);
    EXPECT_TRUE(seen);
    dlg.PasteFiles();
    EXPECT_EQ(List(), Items{pdfs[0]});
}

TEST(MainDlgModal, EndsWithTheCommandsIdThroughEveryWayOfClosing) {
    const std::pair<void (*)(MainDlg&), INT_PTR> ways[] = {
        {[](MainDlg& d) { ::SendMessageA(d.m_close, BM_CLICK, 0, 0); }, IDCANCEL},
        {[](MainDlg& d) { PressKey(d.m_list, 'C'); }, 0},
        {[](MainDlg& d) { ::EnableWindow(d.m_close, FALSE), PressKey(d.m_list, 'C'); }, kTimedOutResult},
    };
    for (const auto& way : ways) {
        MainDlg dialog;
        ActionInLoop act(
            [&] { return dialog.m_hWnd && ::IsWindowVisible(dialog.m_hWnd) && (way.first(dialog), true); },
            4000);
        EXPECT_EQ(dialog.DoModal(nullptr), way.second) << &way - ways;
    }
}

TEST(Entry, AFailingBufferModuleShowsOneBoxAndNoWindowAndBothChecksRun) {
    static int checks;
    const ReadinessCheck ready = [] { return ++checks, true; }, failing = [] { return ++checks, false; };
    for (const auto& c : {std::make_pair(failing, ready), {ready, failing}, {failing, failing}}) {
        checks = 0;
        DialogWatcher watcher(nullptr);
        ActionInLoop guard([] { return false; }, 5000); // ends a main window that should not be there
        EXPECT_EQ(RunVarnello(::GetModuleHandleA(nullptr), c.first, c.second), 0);
        EXPECT_EQ(watcher.Take(), Items{"Varnello Error|Cannot initialize ansi library"});
        EXPECT_EQ(checks, 2);
    }
}

} // namespace
