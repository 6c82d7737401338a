// The shipped exe as a process: its window, Add through the real open dialog, a drop from another
// program, exit code 0.
#include "resources/resource.h"
#include "tests/app/WinTestUtil_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(Exe, ShowsTheMainWindowWithItsCaptionControlsAndButtonStates) {
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(app.window, nullptr) << "no window from " << VARNELLO_EXE;
    EXPECT_EQ(WindowText(app.window),
              sizeof(void*) == 8 ? "Varnello (v.1.1), 64-bit" : "Varnello (v.1.1), 32-bit");
    std::string enabled;
    for (int id : {IDC_ADD, IDC_REMOVE, IDC_UP, IDC_DOWN, IDOK, IDC_SELECT, IDCANCEL, ID_APP_ABOUT})
        enabled += ::IsWindowEnabled(app.Control(id)) ? WindowText(app.Control(id)) : "-";
    EXPECT_EQ(enabled, "&Add----&Select&CloseA&bout");
    ::PostMessageA(app.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, EscEndsItWithExitCodeZero) {
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(app.window, nullptr);
    ::PostMessageA(app.Control(IDC_LIST), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, FilesAddedThroughTheOpenDialogAndDroppedFromAnotherProgramAreListed) {
    TempFolder folder;
    const std::string one = folder.Path("报告 📄.pdf"), broken = folder.Path("испорчен.pdf"),
                      two = folder.Path("Отчёт 2024.pdf");
    WritePdf(one, {"A"});
    WriteBytes(broken, "%PDF-1.4 and then nothing");
    WritePdf(two, {"C1", "C2"});
    RunningVarnello app(VARNELLO_EXE, folder.Dir().c_str());
    ASSERT_NE(app.window, nullptr);
    DialogWatcher watcher(app.process.dwThreadId, app.window,
                          "\"Отчёт 2024.pdf\" \"испорчен.pdf\" \"报告 📄.pdf\"");
    ::PostMessageA(app.Control(IDC_ADD), BM_CLICK, 0, 0);
    EXPECT_EQ(watcher.Take(2),
              (Items{"Open", "Error|Following files could not be added, probably because they are "
                             "not valid PDF files:\r\n" +
                                 broken + "\r\n"}));
    EXPECT_EQ(ListItems(app.Control(IDC_LIST)), (Items{two, one}));
    // A drop from another program, in front as a file manager would be, brings the window forward.
    RECT list = {};
    ::GetWindowRect(app.Control(IDC_LIST), &list);
    ::SetForegroundWindow(::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, list.right + 200,
                                            list.bottom + 200, 50, 50, nullptr, nullptr, nullptr, nullptr));
    ::OleInitialize(nullptr);
    EXPECT_EQ(DropOnto(app.Control(IDC_LIST), {one}), DRAGDROP_S_DROP);
    EXPECT_TRUE(WaitUntil([&] { return ListItems(app.Control(IDC_LIST)) == Items{two, one, one}; }));
    EXPECT_EQ(::GetForegroundWindow(), app.window);
    ::OleUninitialize();
    ::PostMessageA(app.Control(IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

} // namespace
