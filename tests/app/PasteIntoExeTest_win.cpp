// End to end on the running varnello.exe: files copied to the clipboard and pasted with Ctrl+V, or
// dragged over from this process and dropped, appear in its list; the program still ends with
// exit code 0.

#include "tests/app/IntakeTestSupport_win.h"
#include "tests/app/RunningVarnello_win.h"
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

// Closes the exe's window as the Close button would; the exit code, or -1 when it does not end.
long Close(const RunningVarnello& app) {
    PostMessageA(app.Window(), WM_COMMAND, IDCANCEL, 0);
    return app.ExitCode();
}

HWND List(const RunningVarnello& app) {
    return app.Control(1004);
}

TEST(PasteIntoExe, CopiedFilesPastedWithCtrlVAppearInTheList) {
    TempFolder dir;
    const std::vector<std::string> files = {dir.Path("one.pdf"), dir.Path("two.pdf")};
    for (const std::string& file : files)
        WritePdf(file, {"one", "two"});
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(nullptr, app.Window()) << VARNELLO_EXE;

    ASSERT_TRUE(PutFilesOnClipboard(files));
    SetForegroundWindow(app.Window());
    // The window starts with the focus on a button; Ctrl+V works there as on the list.
    PressKey('V', true, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(List(app), LB_GETCOUNT, 0, 0) == 2; }));
    EXPECT_EQ(files, ListItems(List(app)));
    EXPECT_EQ(0, Close(app));
}

TEST(PasteIntoExe, FilesDroppedFromAnotherProgramAppearAndBringTheWindowForward) {
    TempFolder dir;
    const std::vector<std::string> files = {dir.Path("b.pdf"), dir.Path("a.pdf")};
    for (const std::string& file : files)
        WritePdf(file, {"page"});
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(nullptr, app.Window()) << VARNELLO_EXE;

    // This program is in front, as a file manager would be, clear of the list box.
    RECT list = {};
    GetWindowRect(List(app), &list);
    HWND ours = CreateWindowExA(0, "STATIC", "drag source", WS_POPUP | WS_VISIBLE, list.right + 200,
                                list.bottom + 200, 50, 50, nullptr, nullptr, nullptr, nullptr);
    FocusWindow(ours);
    ASSERT_EQ(ours, GetForegroundWindow());

    OleInitialize(nullptr);
    FileListData data(files);
    EXPECT_EQ(DRAGDROP_S_DROP, DropOnto(List(app), &data));
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(List(app), LB_GETCOUNT, 0, 0) == 2; }));
    EXPECT_EQ(files, ListItems(List(app)));
    EXPECT_EQ(app.Window(), GetForegroundWindow());
    DestroyWindow(ours);
    OleUninitialize();
    EXPECT_EQ(0, Close(app));
}

} // namespace
