// The shipped exe as a process of its own: its window, its controls, and every way of ending it.
#include "tests/app/IntakeTestSupport_win.h"
#include "tests/app/RunningVarnello_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <string>

#ifndef VARNELLO_EXE
#error "VARNELLO_EXE names the exe under test"
#endif

namespace {

// The text of another process's control: GetWindowText does not ask the control across processes.
std::string ControlText(HWND control) {
    char text[1024] = "";
    ::SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

struct ControlSeen {
    int id;
    const char* className;
    const char* text;
    bool enabled;
};

#if defined(_WIN64)
const char kCaption[] = "Varnello (v.1.1), 64-bit";
#else
const char kCaption[] = "Varnello (v.1.1), 32-bit";
#endif

TEST(Exe, ShowsTheMainWindowWithItsCaptionControlsAndButtonStates) {
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(app.Window(), nullptr) << "no window from " << VARNELLO_EXE;
    EXPECT_EQ(WindowText(app.Window()), kCaption);

    const ControlSeen controls[] = {
        {1, "Button", "&Merge", false}, {2, "Button", "&Close", true},    {57664, "Button", "A&bout", true},
        {1004, "ListBox", "", true},    {1000, "Button", "&Add", true},   {1001, "Button", "R&emove", false},
        {1002, "Button", "&Up", false}, {1003, "Button", "&Down", false}, {1005, "Button", "&Select", true},
        {1006, "Edit", "", true},
    };
    for (const ControlSeen& c : controls) {
        SCOPED_TRACE(c.id);
        HWND control = app.Control(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_STRCASEEQ(ClassName(control).c_str(), c.className);
        EXPECT_EQ(WindowText(control), c.text);
        EXPECT_EQ(::IsWindowEnabled(control) != FALSE, c.enabled);
    }
    EXPECT_TRUE(::GetWindowLongA(app.Control(1006), GWL_STYLE) & ES_READONLY);
    ::PostMessageA(app.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, EscEndsItWithExitCodeZero) {
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Focus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, CloseBoxEndsItWithExitCodeZero) {
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, CloseButtonEndsItWithExitCodeZero) {
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Control(IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

// File names as a user picks them, in the system's script and in others.
struct PickedNames {
    const char* twoPages;
    const char* broken;
    const char* onePage;
    const char* output;
};

const PickedNames kPickedNames[] = {
    {"c d.pdf", "b.pdf", "a.pdf", "merged.pdf"},
    {"Отчёт 2024.pdf", "испорчен.pdf", "报告 📄.pdf", "Σύνοψη.pdf"},
};

TEST(Exe, AddThroughTheOpenDialogReportsRefusedFilesThenMergeThroughTheSaveDialog) {
    for (const PickedNames& names : kPickedNames) {
        SCOPED_TRACE(names.twoPages);
        TempFolder folder;
        WritePdf(folder.Path(names.onePage), {"A"});
        WriteBytes(folder.Path(names.broken), "%PDF-1.4 and then nothing");
        WritePdf(folder.Path(names.twoPages), {"C1", "C2"});
        RunningVarnello app(VARNELLO_EXE, folder.Dir().c_str());
        ASSERT_NE(app.Window(), nullptr);

        ::PostMessageA(app.Control(1000), BM_CLICK, 0, 0);
        HWND open = app.WaitForDialog("Open");
        ASSERT_NE(open, nullptr);
        const std::string picked =
            std::string("\"") + names.twoPages + "\" \"" + names.broken + "\" \"" + names.onePage + "\"";
        ::SetDlgItemTextA(open, 0x47C, picked.c_str());
        ::PostMessageA(open, WM_COMMAND, IDOK, 0);
        HWND error = app.WaitForDialog("Error");
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(MessageBoxText(error),
                  "Following files could not be added, probably because they are not valid PDF files:\r\n" +
                      folder.Path(names.broken) + "\r\n");
        ::PostMessageA(error, WM_COMMAND, IDOK, 0);
        ASSERT_NE(WaitForWindow([&]() -> HWND {
                      return intake_test::ListItems(app.Control(1004)).size() == 2 ? app.Window() : nullptr;
                  }),
                  nullptr);
        EXPECT_EQ(intake_test::ListItems(app.Control(1004)),
                  (std::vector<std::string>{folder.Path(names.twoPages), folder.Path(names.onePage)}));
        EXPECT_TRUE(::IsWindowEnabled(app.Control(IDOK)));

        // Merge with no output name asks for one first.
        ::PostMessageA(app.Control(IDOK), BM_CLICK, 0, 0);
        HWND save = app.WaitForDialog("Save As");
        ASSERT_NE(save, nullptr);
        std::string out = folder.Path(names.output);
        ::SetDlgItemTextA(save, 0x47C, out.c_str());
        ::PostMessageA(save, WM_COMMAND, IDOK, 0);
        HWND report = app.WaitForDialog("Varnello");
        ASSERT_NE(report, nullptr);
        EXPECT_EQ(MessageBoxText(report), "File is successfully saved.");
        ::PostMessageA(report, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(ControlText(app.Control(1006)), out);

        ::PostMessageA(app.Control(IDCANCEL), BM_CLICK, 0, 0);
        EXPECT_EQ(app.ExitCode(), 0);
        EXPECT_EQ(PageCountByPoDoFo(out), 3);
    }
}

} // namespace
