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

namespace {

const std::string kRefused =
    "Error|Following files could not be added, probably because they are not valid PDF files:\r\n";

// A PDF whose pages are told apart by their widths in points.
void WriteSizedPdf(const std::string& path, const std::vector<int>& widths) {
    PoDoFo::PdfMemDocument document;
    for (int width : widths)
        document.CreatePage(PoDoFo::PdfRect(0, 0, width, 300));
    document.Write(path.c_str());
}

// Every test folder on drive Z:, which is the Linux machine's root, so that poppler reads the files.
bool g_foldersOnLinux = ::SetEnvironmentVariableA("TMP", "Z:\\tmp");

// The widths as poppler's pdfinfo reads them. Wine starts a Linux program that it is given but does
// not wait for it: the shell moves the output into place once it is complete.
std::vector<int> PageWidths(const std::string& path) {
    const std::string output = path + ".pages.txt";
    std::string line = "sh -c \"pdfinfo -f 1 -l 99999 '" + path.substr(2) +
                       "' | awk '/^Page.*size:/ {print $4}' > '" + output.substr(2) + ".part'; mv '" +
                       output.substr(2) + ".part' '" + output.substr(2) + "'\"";
    std::replace(line.begin(), line.end(), '\\', '/');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (::CreateProcessA("Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process)) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    WaitUntil([&] { return ::GetFileAttributesA(output.c_str()) != INVALID_FILE_ATTRIBUTES; });
    std::istringstream lines(ReadBytes(output));
    ::DeleteFileA(output.c_str());
    std::vector<int> widths;
    for (double width = 0; lines >> width;)
        widths.push_back(int(width + 0.5));
    return widths;
}

// The window runs modelessly, so that a test looks at it between messages.
class MainDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ::OleInitialize(nullptr); }
    static void TearDownTestSuite() { ::OleUninitialize(); }
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
        watcher = std::make_unique<DialogWatcher>(::GetCurrentThreadId(), dlg.m_hWnd, fileName);
    }
    Items Seen() { return watcher->Take(); }
    Items List() { return ListItems(dlg.m_list); }
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
    LRESULT Extent() { return ::SendMessageA(dlg.m_list, LB_GETHORIZONTALEXTENT, 0, 0); }
    // What `item` (UTF-8) measures here in its characters, plus one average character.
    LONG Width(const std::string& item) {
        HDC dc = ::GetDC(dlg.m_list);
        HGDIOBJ old = ::SelectObject(dc, HGDIOBJ(::SendMessageA(dlg.m_list, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics;
        ::GetTextMetricsA(dc, &metrics);
        std::wstring wide(item.size(), L'\0');
        wide.resize(size_t(
            ::MultiByteToWideChar(CP_UTF8, 0, item.data(), int(item.size()), &wide[0], int(wide.size()))));
        SIZE size;
        ::GetTextExtentPoint32W(dc, wide.c_str(), int(wide.size()), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(dlg.m_list, dc);
        return size.cx + metrics.tmAveCharWidth;
    }

    MainDlg dlg;
    TempFolder dir;
    Items pdfs; // names in other scripts than the system's reach the list whole
    std::unique_ptr<DialogWatcher> watcher;
};

// Remove, Up and Down edit the list in place; Up at the top, Down at the bottom and blocks never move.
TEST_F(MainDlgTest, ButtonRulesAndListEditing) {
    const Items five = {"0", "1", "2", "3", "4"};
    const struct {
        size_t count;
        std::vector<int> selected;
        const char* enabled;
        int button;
        Items after;
        const char* enabledAfter; // also tells where the one selected item is
    } cases[] = {
        {0, {}, "A----SCB", 0, {}, ""},
        {1, {0}, "AR---SCB", 0, {}, ""},
        {2, {}, "A---MSCB", 0, {}, ""},
        {5, {1, 3}, "AR--MSCB", IDC_REMOVE, {"0", "2", "4"}, "A---MSCB"},
        {5, {0, 1, 2, 3, 4}, "AR--MSCB", IDC_REMOVE, {}, "A----SCB"},
        {5, {2}, "ARUDMSCB", IDC_UP, {"0", "2", "1", "3", "4"}, "ARUDMSCB"},
        {5, {1}, "ARUDMSCB", IDC_UP, {"1", "0", "2", "3", "4"}, "AR-DMSCB"},
        {5, {0}, "AR-DMSCB", IDC_UP, five, "AR-DMSCB"},
        {5, {3}, "ARUDMSCB", IDC_DOWN, {"0", "1", "2", "4", "3"}, "ARU-MSCB"},
        {5, {4}, "ARU-MSCB", IDC_DOWN, five, "ARU-MSCB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Fill(Items(five.begin(), five.begin() + c.count), c.selected);
        EXPECT_EQ(Enabled(), c.enabled);
        if (c.button) {
            Press(c.button);
            EXPECT_EQ(List(), c.after);
            EXPECT_EQ(Enabled(), c.enabledAfter);
        }
    }
    ::SetFocus(dlg.m_add);
    Press(IDC_REMOVE);
    EXPECT_EQ(::GetFocus(), dlg.m_list);
    // At start the window was centred on the work area, given its icons and a read-only output box.
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ::GetMonitorInfoA(::MonitorFromWindow(dlg.m_hWnd, MONITOR_DEFAULTTONEAREST), &info);
    RECT r;
    ::GetWindowRect(dlg.m_hWnd, &r);
    EXPECT_LE(std::abs((r.left - info.rcWork.left) - (info.rcWork.right - r.right)), 1);
    EXPECT_LE(std::abs((r.top - info.rcWork.top) - (info.rcWork.bottom - r.bottom)), 1);
    EXPECT_TRUE(::SendMessageA(dlg.m_hWnd, WM_GETICON, ICON_BIG, 0) &&
                ::SendMessageA(dlg.m_hWnd, WM_GETICON, ICON_SMALL, 0));
    ::SendMessageA(dlg.m_output, WM_CHAR, 'x', 0);
    EXPECT_EQ(WindowText(dlg.m_output), "");
}

// An item in another script (more bytes than characters) and one longer than any fixed buffer.
TEST_F(MainDlgTest, ScrollWidthIsTheWidestItemPlusOneAverageCharacter) {
    for (const std::string& item : {std::string("C:\\Документы\\Годовой отчёт за 2024 год.pdf"),
                                    "C:\\" + std::string(3000, 'x') + ".pdf"}) {
        Fill({"C:\\short.pdf", item, "C:\\mid\\file.pdf"}, {1});
        dlg.UpdateHorizontalExtent();
        EXPECT_EQ(Extent(), Width(item));
        Press(IDC_UP);
        // Read in the list's own code page: Wine's UTF-16 copy of a long item is short.
        std::string first(item.size() + 1, '\0');
        first.resize(size_t(::SendMessageA(dlg.m_list, LB_GETTEXT, 0, LPARAM(&first[0]))));
        EXPECT_EQ(first, item);
        Press(IDC_REMOVE);
        EXPECT_EQ(Extent(), Width("C:\\mid\\file.pdf"));
    }
    Fill({"a"}, {0});
    Press(IDC_REMOVE);
    EXPECT_EQ(Extent(), 0);
}

// Appended in the shell list's order after what is listed (a listed file again), unselected; a
// folder and a text file reported in one box, a name longer than the buffer's 259 bytes in another,
// never cut into the real file whose name it starts with; the list gets the focus.
TEST_F(MainDlgTest, DropAppendsThePdfsInOrderAndReportsTheRest) {
    const std::string folder = dir.Path("a folder"), text = dir.Path("заметки.txt");
    std::string fits = dir.Dir() + "\\"; // 259 bytes in UTF-8, fewer characters
    while (fits.size() + 6 <= 259)
        fits += "ж";
    fits += std::string(259 - 4 - fits.size(), 'n') + ".pdf";
    WritePdf(fits, {"page"});
    ::CreateDirectoryA(folder.c_str(), nullptr);
    WriteBytes(text, "not a PDF\r\n");
    Fill({pdfs[1]});
    EXPECT_EQ(DropOnto(dlg.m_list, {pdfs[2], folder, pdfs[0], fits + ".old.pdf", text, pdfs[1], fits}),
              DRAGDROP_S_DROP);
    EXPECT_EQ(List(), (Items{pdfs[1], pdfs[2], pdfs[0], pdfs[1], fits}));
    EXPECT_EQ(Seen(),
              (Items{kRefused + folder + "\r\n" + text + "\r\n",
                     "Error|Following files could not be added because their names are too long:\r\n" + fits +
                         ".old.pdf\r\n"}));
    EXPECT_EQ(Enabled(), "A---MSCB");
    EXPECT_EQ(::GetFocus(), dlg.m_list);

    // Without a file list: refused at DragEnter with the data's answer; the drop only focuses the list.
    IDataObject* textOnly = nullptr;
    ASSERT_TRUE(PutOnClipboard({}, "C:\\a.pdf") && SUCCEEDED(::OleGetClipboard(&textOnly)));
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_FILE};
    DWORD effect = DROPEFFECT_MOVE;
    EXPECT_EQ(dlg.DragEnter(textOnly, 0, {0, 0}, &effect), textOnly->QueryGetData(&format)); // an error
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    ::SetFocus(dlg.m_add);
    EXPECT_EQ(dlg.Drop(textOnly, 0, {0, 0}, &effect), S_OK);
    textOnly->Release();
    EXPECT_EQ(List().size(), 5u);
    EXPECT_EQ(::GetFocus(), dlg.m_list);
}

// Letters on the list run their gated commands whatever the modifiers; Delete and Ctrl+V act anywhere.
TEST_F(MainDlgTest, ShortcutKeysRunTheirCommands) {
    const Items three = {"0", "1", "2"}, pasted = {"0", "1", "2", pdfs[0], pdfs[2]};
    const Items refused = {kRefused + pdfs[0] + ".txt\r\n"};
    const struct {
        WORD key;
        bool ctrl;
        int on;
        std::vector<int> selected;
        Items after, seen;
    } cases[] = {
        {'U', false, IDC_LIST, {1}, {"1", "0", "2"}, {}},
        {'D', false, IDC_LIST, {1}, {"0", "2", "1"}, {}},
        {'E', false, IDC_LIST, {1}, {"0", "2"}, {}},
        {VK_DELETE, false, IDC_LIST, {0, 2}, {"1"}, {}},
        {VK_DELETE, true, IDC_ADD, {0}, {"1", "2"}, {}},
        {'M', false, IDC_LIST, {}, three, {"Save As"}},
        {'A', true, IDC_LIST, {}, three, {"Open"}},
        {'S', false, IDC_LIST, {}, three, {"Save As"}},
        {'B', true, IDC_LIST, {}, three, {"About Varnello"}},
        {'F', false, IDC_LIST, {1}, three, {}},
        {'V', false, IDC_LIST, {}, three, {}},
        {'V', true, IDC_LIST, {}, pasted, refused},
        {'V', true, IDCANCEL, {}, pasted, refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ctrl ? "Ctrl+" : "") + char(c.key) + " on " + std::to_string(c.on));
        Fill(three, c.selected);
        ASSERT_TRUE(PutOnClipboard({pdfs[0], pdfs[0] + ".txt", pdfs[2]}));
        PressKey(dlg.GetDlgItem(c.on), c.key, c.ctrl);
        EXPECT_EQ(List(), c.after);
        EXPECT_EQ(Seen(), c.seen);
    }
    // Other keys reach the list box; text is not pasted; M with one file listed does nothing.
    Fill(three, {0});
    PressKey(dlg.m_list, VK_END);
    EXPECT_EQ(Enabled(), "ARU-MSCB");
    ASSERT_TRUE(PutOnClipboard({}, pdfs[0].c_str()));
    Fill({"0"});
    PressKey(dlg.m_list, 'V', true);
    PressKey(dlg.m_list, 'M');
    EXPECT_EQ(List(), Items{"0"});
    EXPECT_TRUE(Seen().empty());
}

// In list order; the save dialog names a missing output; the output may be the first input.
TEST_F(MainDlgTest, MergeWritesTheListInOrderAndReports) {
    const std::string a = dir.Path("a.pdf"), b = dir.Path("b.pdf"), c = dir.Path("c.pdf");
    WriteSizedPdf(a, {101}), WriteSizedPdf(b, {201, 202}), WriteSizedPdf(c, {301});
    const std::string out = dir.Path("Σύνοψη.pdf"), gone = dir.Path("gone.pdf");
    const struct {
        Items inputs;
        std::string output, typed;
        Items seen;
        std::vector<int> widths;
    } cases[] = {
        {{b, a, c}, "", out, {"Save As", "Varnello|File is successfully saved."}, {201, 202, 101, 301}},
        {{a, b}, "", "", {"Save As"}, {}},
        {{c, gone, a},
         out,
         "",
         {"Error|Following files could not be merged, probably because they are not valid PDF files:\r\n" +
          gone + "\r\n\r\nFile is saved but there are some errors."},
         {301, 101}},
        {{a, b}, a, "", {"Varnello|File is successfully saved."}, {101, 201, 202}},
    };
    for (const auto& run : cases) {
        const Items before = dir.Entries();
        Fill(run.inputs);
        ::SetWindowTextA(dlg.m_output, run.output.c_str());
        Watch(run.typed);
        Press(IDOK);
        EXPECT_EQ(Seen(), run.seen);
        const std::string output = WindowText(dlg.m_output);
        EXPECT_EQ(output, run.typed.empty() ? run.output : run.typed);
        if (run.widths.empty())
            EXPECT_EQ(dir.Entries(), before);
        else
            EXPECT_EQ(PageWidths(output), run.widths);
    }
    EXPECT_EQ(dir.Entries().size(), 7u) << "no temporary file is left";
}

// The window does not repaint while it validates or merges, so the pointer says it works.
TEST_F(MainDlgTest, TheWaitCursorShowsWhileItWorks) {
    const std::string big = dir.Path("big.pdf");
    WriteSizedPdf(big, std::vector<int>(300, 100));
    ::SetWindowTextA(dlg.m_output, dir.Path("out.pdf").c_str());
    const HCURSOR cross = ::LoadCursorA(nullptr, IDC_CROSS);
    for (bool merge : {false, true}) {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1,
                       ::GetSystemMetrics(SM_CYSCREEN) - 1); // off windows
        ::SetCursor(cross);
        Watch();
        PathList paths(Items(10, big));
        merge ? (Fill({big, dir.Path("gone.pdf"), big}), Press(IDOK)) : dlg.AddValidatedFiles(paths.Get());
        EXPECT_TRUE(watcher->sawWaitCursor) << merge;
        EXPECT_EQ(::GetCursor(), cross) << merge;
    }
}

// Seen from inside its loop: recorded while open, main window disabled, paste blocked meanwhile.
TEST_F(MainDlgTest, AboutShowsTheAboutTextWhilePastingIsBlocked) {
    ASSERT_TRUE(PutOnClipboard({pdfs[0]}));
    watcher.reset();
    bool seen = false;
    ActionInLoop inside([&] {
        GenericTextDialog* about = dlg.m_aboutDialog;
        if (!about || !::IsWindowVisible(about->m_hWnd))
            return false;
        seen = true;
        EXPECT_EQ(WindowText(about->m_hWnd), "About Varnello");
        EXPECT_FALSE(::IsWindowEnabled(dlg.m_hWnd));
        EXPECT_TRUE(::IsWindowVisible(about->GetDlgItem(GenericTextDialog::kCloseId)));
        auto* product =
            static_cast<const nsHTMLItem::CTextItem*>(about->MarkupWindow().GetRenderer().Items()[0]);
        EXPECT_EQ(std::string(product->m_text.Data(), product->m_text.Count()),
                  "Varnello Application (v.1.1)");
        dlg.PasteFiles();
        EXPECT_TRUE(List().empty());
        ::EndDialog(about->m_hWnd, IDCANCEL);
        return true;
    });
    Press(ID_APP_ABOUT);
    EXPECT_TRUE(seen);
    EXPECT_EQ(dlg.m_aboutDialog, nullptr);
    dlg.PasteFiles();
    EXPECT_EQ(List(), Items{pdfs[0]});
    Watch();
    ::EnableWindow(dlg.m_about, FALSE);
    PressKey(dlg.m_list, 'B');
    EXPECT_TRUE(Seen().empty());
}

TEST(MainDlgModal, EndsWithTheCommandsIdThroughEveryWayOfClosing) {
    const std::pair<void (*)(MainDlg&), INT_PTR> ways[] = {
        {[](MainDlg& d) { ::SendMessageA(d.m_close, BM_CLICK, 0, 0); }, IDCANCEL},
        {[](MainDlg& d) { ::PostMessageA(d.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
        {[](MainDlg& d) { PressKey(d.m_list, VK_ESCAPE); }, IDCANCEL},
        {[](MainDlg& d) { PressKey(d.m_list, 'C'); }, 0},
        {[](MainDlg& d) { PressKey(d.m_add, 'C'); }, IDCANCEL}, // the dialog manager's mnemonic
        {[](MainDlg& d) { PressKey(d.m_list, 'F'); }, kTimedOutResult},
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
    const ReadinessCheck cases[][2] = {{failing, ready}, {ready, failing}, {failing, failing}};
    for (const auto& c : cases) {
        checks = 0;
        DialogWatcher watcher(::GetCurrentThreadId(), nullptr);
        ActionInLoop guard([] { return false; }, 5000); // ends a main window that should not be there
        EXPECT_EQ(RunVarnello(::GetModuleHandleA(nullptr), c[0], c[1]), 0);
        EXPECT_EQ(watcher.Take(), Items{"Varnello Error|Cannot initialize ansi library"});
        EXPECT_EQ(checks, 2);
    }
}

} // namespace
