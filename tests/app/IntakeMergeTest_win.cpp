// The main window over the merge engine, in-process, on real PDF files: intake into the list, output
// selection through the real save dialog, and the merge with its report box.
#include "app/MainDlg_win.h"
#include "app/WaitCursor_win.h"
#include "tests/app/WinTestUtil_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A box or dialog that came up while a command ran: its caption and, for a message box, its text.
struct Seen {
    std::string title;
    std::string text;
    bool operator==(const Seen& o) const { return title == o.title && text == o.text; }
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << "{" << s.title << " | " << s.text << "}";
}

// Runs `command` while answering every other dialog that comes up on this thread with `answer`,
// and returns what came up, in order.
std::vector<Seen> RunAnswering(HWND mainWindow, const std::function<void()>& command,
                               const std::function<void(HWND, const Seen&)>& answer) {
    std::vector<Seen> seen;
    std::set<HWND> answered;
    ActionInLoop watcher([&] {
        for (HWND w : ThreadWindows(::GetCurrentThreadId(), "#32770")) {
            if (w == mainWindow || !::IsWindowVisible(w) || answered.count(w))
                continue;
            answered.insert(w);
            // A file dialog has a file-name box; a message box has its text.
            seen.push_back({WindowText(w), ::GetDlgItem(w, 0x47C) ? "" : MessageBoxText(w)});
            answer(w, seen.back());
        }
        return false; // keep watching until the command returns
    });
    command();
    return seen;
}

void PressOk(HWND box, const Seen&) {
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// Answers the save dialog with `path` and every message box with OK.
std::function<void(HWND, const Seen&)> SaveAs(const std::string& path) {
    return [path](HWND box, const Seen&) {
        if (::GetDlgItem(box, 0x47C))
            ::SetDlgItemTextA(box, 0x47C, path.c_str());
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    };
}

void CancelEverything(HWND box, const Seen&) {
    ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
}

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

// A PDF whose pages are told apart by their widths (in points): one page per width.
void WriteSizedPdf(const std::string& path, const std::vector<int>& widths) {
    PoDoFo::PdfMemDocument document;
    for (int width : widths)
        document.CreatePage(PoDoFo::PdfRect(0, 0, width, 300));
    document.Write(path.c_str());
}

std::vector<int> PageWidths(const std::string& path) {
    PoDoFo::PdfMemDocument document(path.c_str());
    std::vector<int> widths;
    for (int i = 0; i < document.GetPageCount(); ++i)
        widths.push_back(static_cast<int>(document.GetPage(i)->GetMediaBox().GetWidth()));
    return widths;
}

// Watches, from a thread of its own, the cursor that the user sees, for whether it is ever the wait
// cursor. (The Windows build uses the win32 thread model, without std::thread.)
class CursorWatch {
public:
    // Returns once the watch has looked for the first time.
    CursorWatch() {
        m_started = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = ::CreateThread(nullptr, 0, &CursorWatch::Run, this, 0, nullptr);
        ::WaitForSingleObject(m_started, INFINITE);
        ::CloseHandle(m_started);
    }
    ~CursorWatch() { Stop(); }
    CursorWatch(const CursorWatch&) = delete;
    CursorWatch& operator=(const CursorWatch&) = delete;
    bool SawWaitCursor() {
        Stop();
        return m_sawWait != 0;
    }

private:
    void Stop() {
        if (!m_thread)
            return;
        ::InterlockedExchange(&m_stop, 1);
        ::WaitForSingleObject(m_thread, INFINITE);
        ::CloseHandle(m_thread);
        m_thread = nullptr;
    }
    static DWORD WINAPI Run(void* self) {
        auto* watch = static_cast<CursorWatch*>(self);
        const HCURSOR wait = ::LoadCursorA(nullptr, IDC_WAIT);
        while (::InterlockedCompareExchange(&watch->m_stop, 0, 0) == 0) {
            CURSORINFO info = {};
            info.cbSize = sizeof info;
            if (::GetCursorInfo(&info) && info.hCursor == wait)
                ::InterlockedExchange(&watch->m_sawWait, 1);
            ::SetEvent(watch->m_started);
            ::Sleep(1);
        }
        return 0;
    }
    HANDLE m_started = nullptr;
    HANDLE m_thread = nullptr;
    volatile LONG m_stop = 0;
    volatile LONG m_sawWait = 0;
};

class IntakeMergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(dialog.Create(nullptr), nullptr);
        ::ShowWindow(dialog.m_hWnd, SW_SHOW);
    }
    void TearDown() override { dialog.DestroyWindow(); }

    std::string Pdf(const std::string& name, const std::vector<int>& pageWidths) {
        std::string path = folder.Path(name);
        WriteSizedPdf(path, pageWidths);
        return path;
    }
    void List(const std::vector<std::string>& paths) {
        for (const std::string& path : paths)
            ::SendMessageA(dialog.m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
        dialog.UpdateButtons();
    }
    std::vector<Seen> Press(int id, const std::function<void(HWND, const Seen&)>& answer) {
        return RunAnswering(
            dialog.m_hWnd,
            [&] {
                ::SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(dialog.m_hWnd, id)));
            },
            answer);
    }

    TempFolder folder;
    MainDlg dialog;
};

TEST_F(IntakeMergeTest, IntakeAppendsReadableFilesInOrderAndReportsTheOthersInOneBox) {
    std::string a = Pdf("a.pdf", {101});
    std::string bad = folder.Path("not really.pdf");
    WriteBytes(bad, "<html>not a PDF</html>");
    std::string c = Pdf("c.pdf", {301});
    List({c});
    PathList candidates({a, bad, c});
    std::vector<Seen> seen = RunAnswering(
        dialog.m_hWnd, [&] { dialog.AddValidatedFiles(candidates.Get()); }, PressOk);
    std::vector<Seen> want = {
        {"Error", "Following files could not be added, probably because they are not valid PDF files:\r\n" +
                      bad + "\r\n"}};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{c, a, c})) << "appended after what was there";
    EXPECT_TRUE(::IsWindowEnabled(dialog.m_merge));
    EXPECT_EQ(::GetFocus(), dialog.m_list);
    EXPECT_GT(::SendMessageA(dialog.m_list, LB_GETHORIZONTALEXTENT, 0, 0), 0);
    EXPECT_EQ(::SendMessageA(dialog.m_list, LB_GETSELCOUNT, 0, 0), 0) << "new items are not selected";
}

TEST_F(IntakeMergeTest, EmptyBatchDoesNothingAtAll) {
    ::SetFocus(dialog.m_add);
    PathList none;
    std::vector<Seen> seen = RunAnswering(
        dialog.m_hWnd, [&] { dialog.AddValidatedFiles(none.Get()); }, PressOk);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(::GetFocus(), dialog.m_add);
}

TEST_F(IntakeMergeTest, MergeAsksForTheOutputThroughTheSaveDialogAndWritesTheListInOrder) {
    std::string a = Pdf("a.pdf", {101});
    std::string b = Pdf("b.pdf", {201, 202});
    std::string c = Pdf("c.pdf", {301});
    List({b, a, c});
    std::string out = folder.Path("merged.pdf");
    std::vector<Seen> seen = Press(IDOK, SaveAs(out));
    EXPECT_EQ(seen, (std::vector<Seen>{{"Save As", ""}, {"Varnello", "File is successfully saved."}}));
    EXPECT_EQ(WindowText(dialog.m_output), out);
    EXPECT_EQ(PageWidths(out), (std::vector<int>{201, 202, 101, 301}));
    EXPECT_EQ(Items(dialog.m_list), (std::vector<std::string>{b, a, c})) << "the list is not changed";
}

TEST_F(IntakeMergeTest, MergeWithEmptyOutputAndCancelledSaveDialogDoesNothing) {
    List({Pdf("a.pdf", {101}), Pdf("b.pdf", {201})});
    std::vector<std::string> before = folder.Entries();
    std::vector<Seen> seen = Press(IDOK, CancelEverything);
    EXPECT_EQ(seen, (std::vector<Seen>{{"Save As", ""}})) << "only the save dialog, no message";
    EXPECT_EQ(WindowText(dialog.m_output), "");
    EXPECT_EQ(folder.Entries(), before);
}

TEST_F(IntakeMergeTest, InputThatFailsAtMergeTimeIsReportedAndTheRestIsSaved) {
    std::string a = Pdf("a.pdf", {101});
    std::string gone = folder.Path("gone.pdf");
    std::string c = Pdf("c.pdf", {301});
    List({a, gone, c});
    std::string out = folder.Path("out.pdf");
    ::SetWindowTextA(dialog.m_output, out.c_str());
    std::vector<Seen> seen = Press(IDOK, PressOk);
    std::vector<Seen> want = {
        {"Error", "Following files could not be merged, probably because they are not valid "
                  "PDF files:\r\n" +
                      gone + "\r\n\r\nFile is saved but there are some errors."}};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(PageWidths(out), (std::vector<int>{101, 301}));
}

TEST_F(IntakeMergeTest, OutputIsTheFirstInputItself) {
    std::string a = Pdf("a.pdf", {101});
    std::string b = Pdf("b.pdf", {201});
    List({a, b});
    ::SetWindowTextA(dialog.m_output, a.c_str());
    std::vector<Seen> seen = Press(IDOK, PressOk);
    EXPECT_EQ(seen, (std::vector<Seen>{{"Varnello", "File is successfully saved."}}));
    EXPECT_EQ(PageWidths(a), (std::vector<int>{101, 201}));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a.pdf", "b.pdf"})) << "no temporary file is left";
}

TEST_F(IntakeMergeTest, SelectReplacesTheOutputNameAndCancelKeepsIt) {
    std::string first = folder.Path("first.pdf");
    std::string second = folder.Path("second.pdf");
    Press(IDC_SELECT, SaveAs(first));
    EXPECT_EQ(WindowText(dialog.m_output), first);
    Press(IDC_SELECT, SaveAs(second));
    EXPECT_EQ(WindowText(dialog.m_output), second);
    Press(IDC_SELECT, CancelEverything);
    EXPECT_EQ(WindowText(dialog.m_output), second);
    EXPECT_TRUE(folder.Entries().empty()) << "selecting writes nothing";
}

// The window does not repaint while it validates or merges: meanwhile the pointer shows the wait
// cursor, and afterwards the cursor shown before comes back, whatever happened.
TEST_F(IntakeMergeTest, TheWaitCursorShowsWhileItWorksAndThePreviousCursorComesBack) {
    const std::vector<int> widths(300, 100); // enough pages for the work to take a while
    const std::string a = Pdf("a.pdf", widths);
    const std::string b = Pdf("b.pdf", widths);
    const std::string bad = folder.Path("bad.pdf");
    WriteBytes(bad, "<html>not a PDF</html>");
    ::SetWindowTextA(dialog.m_output, folder.Path("out.pdf").c_str());
    const auto intake = [&](const std::vector<std::string>& files) {
        PathList candidates(files);
        RunAnswering(
            dialog.m_hWnd, [&] { dialog.AddValidatedFiles(candidates.Get()); }, PressOk);
    };
    const auto merge = [&](const std::vector<std::string>& files) {
        ::SendMessageA(dialog.m_list, LB_RESETCONTENT, 0, 0);
        List(files);
        Press(IDOK, PressOk);
    };
    const std::pair<const char*, std::function<void()>> runs[] = {
        {"intake", [&] { intake(std::vector<std::string>(10, a)); }},
        {"intake with a refused file",
         [&] {
             intake({a, a, a, a, bad, b, b, b, b});
         }},
        {"merge",
         [&] {
             merge({a, b});
         }},
        {"merge with a failed input",
         [&] {
             merge({a, folder.Path("gone.pdf"), b});
         }},
        {"left by an exception",
         [] {
             try {
                 WaitCursor waiting;
                 ::Sleep(100);
                 throw std::runtime_error("out of the scope");
             } catch (const std::exception&) {
             }
         }},
    };
    const HCURSOR cross = ::LoadCursorA(nullptr, IDC_CROSS);
    ::SetForegroundWindow(dialog.m_hWnd);
    for (const auto& run : runs) {
        SCOPED_TRACE(run.first);
        // The pointer away from every window, so that no window sets a cursor of its own.
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        ::SetCursor(cross);
        CursorWatch watch;
        run.second();
        EXPECT_TRUE(watch.SawWaitCursor());
        EXPECT_EQ(::GetCursor(), cross);
    }
}

TEST_F(IntakeMergeTest, MergeIsGatedByItsButton) {
    std::string a = Pdf("a.pdf", {101});
    List({a});
    ::SetWindowTextA(dialog.m_output, folder.Path("out.pdf").c_str());
    std::vector<Seen> seen = Press(IDOK, PressOk); // one item: Merge is disabled
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.pdf"});
}

} // namespace
