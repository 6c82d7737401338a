// The shipped exe as a process of its own: its window, its controls, and every way of ending it.
#include "tests/app/WinTestUtil_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <string>

#ifndef VARNELLO_EXE
#error "VARNELLO_EXE names the exe under test"
#endif

namespace {

class RunningVarnello {
public:
    // `folder` is the process's current folder, where the file dialogs start.
    explicit RunningVarnello(const char* folder = nullptr) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        char commandLine[] = "varnello.exe ignored arguments";
        m_started = ::CreateProcessA(VARNELLO_EXE, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder,
                                     &startup, &m_process);
        if (!m_started)
            return;
        m_window = WaitForWindow([&]() -> HWND {
            for (HWND w : ProcessWindows(m_process.dwProcessId, "#32770"))
                if (::IsWindowVisible(w))
                    return w;
            return nullptr;
        });
    }
    ~RunningVarnello() {
        if (!m_started)
            return;
        if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_process.hProcess, 99);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }

    HWND Window() const { return m_window; }
    HWND Control(int id) const { return ::GetDlgItem(m_window, id); }
    // The exit code, or -1 when the process is still running after `timeoutMs`.
    long ExitCode(DWORD timeoutMs = 20000) const {
        if (::WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<long>(code);
    }
    // A visible dialog of the exe, other than its main window, with the caption `title`.
    HWND WaitForDialog(const std::string& title) const {
        return WaitForWindow([&]() -> HWND {
            for (HWND w : ProcessWindows(m_process.dwProcessId, "#32770"))
                if (w != m_window && ::IsWindowVisible(w) && WindowText(w) == title)
                    return w;
            return nullptr;
        });
    }
    std::vector<std::string> ListItems() const {
        std::vector<std::string> items;
        HWND list = Control(1004);
        int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            // Across processes the wide form is the one that the system copies back whole.
            wchar_t wide[1024] = L"";
            ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
            char text[1024] = "";
            ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
            items.push_back(text);
        }
        return items;
    }
    // The control that has the keyboard focus in the exe's window.
    HWND Focus() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(m_process.dwThreadId, &info);
        return info.hwndFocus ? info.hwndFocus : m_window;
    }

private:
    PROCESS_INFORMATION m_process = {};
    BOOL m_started = FALSE;
    HWND m_window = nullptr;
};

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

TEST(Exe, ShowsTheMainWindowWithItsCaptionControlsAndButtonStates) {
    RunningVarnello app;
    ASSERT_NE(app.Window(), nullptr) << "no window from " << VARNELLO_EXE;
    EXPECT_EQ(WindowText(app.Window()), "Varnello (v.1.1), 64-bit");

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
    RunningVarnello app;
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Focus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, CloseBoxEndsItWithExitCodeZero) {
    RunningVarnello app;
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, CloseButtonEndsItWithExitCodeZero) {
    RunningVarnello app;
    ASSERT_NE(app.Window(), nullptr);
    ::PostMessageA(app.Control(IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(app.ExitCode(), 0);
}

TEST(Exe, AddThroughTheOpenDialogReportsRefusedFilesThenMergeThroughTheSaveDialog) {
    TempFolder folder;
    WritePdf(folder.Path("a.pdf"), {"A"});
    WriteBytes(folder.Path("b.pdf"), "%PDF-1.4 and then nothing");
    WritePdf(folder.Path("c d.pdf"), {"C1", "C2"});
    RunningVarnello app(folder.Dir().c_str());
    ASSERT_NE(app.Window(), nullptr);

    ::PostMessageA(app.Control(1000), BM_CLICK, 0, 0);
    HWND open = app.WaitForDialog("Open");
    ASSERT_NE(open, nullptr);
    ::SetDlgItemTextA(open, 0x47C, "\"c d.pdf\" \"b.pdf\" \"a.pdf\"");
    ::PostMessageA(open, WM_COMMAND, IDOK, 0);
    HWND error = app.WaitForDialog("Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(MessageBoxText(error),
              "Following files could not be added, probably because they are not valid PDF files:\r\n" +
                  folder.Path("b.pdf") + "\r\n");
    ::PostMessageA(error, WM_COMMAND, IDOK, 0);
    ASSERT_NE(WaitForWindow([&]() -> HWND { return app.ListItems().size() == 2 ? app.Window() : nullptr; }),
              nullptr);
    EXPECT_EQ(app.ListItems(), (std::vector<std::string>{folder.Path("c d.pdf"), folder.Path("a.pdf")}));
    EXPECT_TRUE(::IsWindowEnabled(app.Control(IDOK)));

    // Merge with no output name asks for one first.
    ::PostMessageA(app.Control(IDOK), BM_CLICK, 0, 0);
    HWND save = app.WaitForDialog("Save As");
    ASSERT_NE(save, nullptr);
    std::string out = folder.Path("merged.pdf");
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

} // namespace
