// End to end on the running varnello.exe: files copied to the clipboard and pasted with Ctrl+V, or
// dragged over from this process and dropped, appear in its list; the program still ends with
// exit code 0.

#include "tests/app/IntakeTestSupport_win.h"
#include "tests/app/WinTestUtil_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#ifndef VARNELLO_EXE
#error "VARNELLO_EXE names the exe under test"
#endif

using namespace intake_test;

namespace {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000) {
    return WaitForWindow([&]() -> HWND { return condition() ? GetDesktopWindow() : nullptr; }, timeoutMs) !=
           nullptr;
}

class RunningExe {
public:
    RunningExe() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        char commandLine[] = "varnello.exe";
        if (!CreateProcessA(VARNELLO_EXE, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process))
            return;
        m_window = WaitForWindow([&]() -> HWND {
            for (HWND w : ProcessWindows(m_process.dwProcessId, "#32770"))
                if (IsWindowVisible(w))
                    return w;
            return nullptr;
        });
    }
    ~RunningExe() {
        if (m_process.hProcess == nullptr)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 99);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    HWND Window() const { return m_window; }
    HWND List() const { return GetDlgItem(m_window, 1004); }
    // Closes the window; the exit code, or -1 when the process does not end.
    long Close() {
        PostMessageA(m_window, WM_COMMAND, IDCANCEL, 0);
        if (WaitForSingleObject(m_process.hProcess, 20000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION m_process = {};
    HWND m_window = nullptr;
};

TEST(PasteIntoExe, CopiedFilesPastedWithCtrlVAppearInTheList) {
    TempFolder dir;
    const std::vector<std::string> files = {dir.Path("one.pdf"), dir.Path("two.pdf")};
    for (const std::string& file : files)
        WritePdf(file, {"one", "two"});
    RunningExe app;
    ASSERT_NE(nullptr, app.Window()) << VARNELLO_EXE;

    ASSERT_TRUE(PutFilesOnClipboard(files));
    SetForegroundWindow(app.Window());
    // The window starts with the focus on a button; Ctrl+V works there as on the list.
    PressKey('V', true, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(app.List(), LB_GETCOUNT, 0, 0) == 2; }));
    EXPECT_EQ(files, ListItems(app.List()));
    EXPECT_EQ(0, app.Close());
}

TEST(PasteIntoExe, FilesDroppedFromAnotherProgramAppearAndBringTheWindowForward) {
    TempFolder dir;
    const std::vector<std::string> files = {dir.Path("b.pdf"), dir.Path("a.pdf")};
    for (const std::string& file : files)
        WritePdf(file, {"page"});
    RunningExe app;
    ASSERT_NE(nullptr, app.Window()) << VARNELLO_EXE;

    // This program is in front, as a file manager would be, clear of the list box.
    RECT list = {};
    GetWindowRect(app.List(), &list);
    HWND ours = CreateWindowExA(0, "STATIC", "drag source", WS_POPUP | WS_VISIBLE, list.right + 200,
                                list.bottom + 200, 50, 50, nullptr, nullptr, nullptr, nullptr);
    FocusWindow(ours);
    ASSERT_EQ(ours, GetForegroundWindow());

    OleInitialize(nullptr);
    FileListData data(files);
    EXPECT_EQ(DRAGDROP_S_DROP, DropOnto(app.List(), &data));
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(app.List(), LB_GETCOUNT, 0, 0) == 2; }));
    EXPECT_EQ(files, ListItems(app.List()));
    EXPECT_EQ(app.Window(), GetForegroundWindow());
    DestroyWindow(ours);
    OleUninitialize();
    EXPECT_EQ(0, app.Close());
}

} // namespace
