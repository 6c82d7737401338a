// The main window's keyboard shortcuts, pressed as real keys on a real main window: the letters on
// the list box with the gates of their buttons, Delete and Ctrl+V everywhere, and what still
// reaches the list box's own procedure.

#include "app/MainDlg_win.h"
#include "tests/app/IntakeTestSupport_win.h"
#include "tests/app/WinTestUtil_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

using namespace intake_test;

namespace {

// What the list box's own procedure received, recorded by a procedure put in its place inside the
// main window's table of previous procedures.
std::vector<std::pair<UINT, WPARAM>> g_listReceived;
WNDPROC g_listOriginal = nullptr;

LRESULT CALLBACK RecordingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_CHAR)
        g_listReceived.emplace_back(message, wParam);
    return CallWindowProcA(g_listOriginal, window, message, wParam, lParam);
}

bool Received(UINT message, WPARAM wParam) {
    for (const auto& entry : g_listReceived)
        if (entry.first == message && entry.second == wParam)
            return true;
    return false;
}

class ShortcutsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { OleInitialize(nullptr); }
    static void TearDownTestSuite() { OleUninitialize(); }

    void SetUp() override {
        m_window = m_dlg.Create(nullptr);
        ASSERT_NE(nullptr, m_window);
        ShowWindow(m_window, SW_SHOW);
        m_watcher = std::make_unique<DialogWatcher>(GetCurrentThreadId(), m_window);
        g_listReceived.clear();
        auto previous = m_dlg.m_previousProcs.find(m_dlg.m_list);
        ASSERT_NE(m_dlg.m_previousProcs.end(), previous);
        g_listOriginal = previous->second;
        previous->second = &RecordingListProc;
    }

    void TearDown() override {
        m_watcher.reset();
        m_dlg.DestroyWindow();
        PumpMessages(nullptr, 50);
    }

    // Real PDF files entered as a user would: pasted from the clipboard.
    void AddFiles(int count) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back(m_dir.Path("file" + std::to_string(m_files.size()) + ".pdf"));
            WritePdf(names.back(), {"page"});
            m_files.push_back(names.back());
        }
        std::vector<std::string> expected = Items();
        expected.insert(expected.end(), names.begin(), names.end());
        ASSERT_TRUE(PutFilesOnClipboard(names));
        FocusWindow(m_dlg.m_list);
        PressKey('V', true, m_window);
        ASSERT_EQ(expected, Items());
        g_listReceived.clear();
    }

    void Select(std::initializer_list<int> indices) {
        SendMessageA(m_dlg.m_list, LB_SETSEL, FALSE, -1);
        for (int i : indices)
            SendMessageA(m_dlg.m_list, LB_SETSEL, TRUE, i);
        m_dlg.UpdateButtons();
    }

    void PressOnList(WORD key, bool withCtrl = false) {
        FocusWindow(m_dlg.m_list);
        PressKey(key, withCtrl, m_window);
    }

    std::vector<std::string> Items() { return ListItems(m_dlg.m_list); }
    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (const SeenDialog& seen : m_watcher->Seen())
            captions.push_back(seen.caption);
        return captions;
    }

    MainDlg m_dlg;
    HWND m_window = nullptr;
    std::unique_ptr<DialogWatcher> m_watcher;
    TempFolder m_dir;
    std::vector<std::string> m_files;
};

TEST_F(ShortcutsTest, UpAndDownMoveOneSelectedItemAndNothingElse) {
    AddFiles(3);
    Select({1});
    PressOnList('U');
    EXPECT_EQ((std::vector<std::string>{m_files[1], m_files[0], m_files[2]}), Items());
    // The moved file stays selected but is at the top now: Up is disabled and U does nothing.
    PressOnList('U');
    EXPECT_EQ((std::vector<std::string>{m_files[1], m_files[0], m_files[2]}), Items());
    PressOnList('D');
    PressOnList('D');
    EXPECT_EQ((std::vector<std::string>{m_files[0], m_files[2], m_files[1]}), Items());

    Select({0, 1});
    PressOnList('U');
    PressOnList('D');
    EXPECT_EQ((std::vector<std::string>{m_files[0], m_files[2], m_files[1]}), Items());
    // A shortcut's key-down stays away from the list box; its character still arrives there.
    EXPECT_FALSE(Received(WM_KEYDOWN, 'U'));
    EXPECT_TRUE(Received(WM_CHAR, 'u'));
}

TEST_F(ShortcutsTest, MergeRunsOnlyWithTwoFilesListed) {
    AddFiles(1);
    PressOnList('M');
    EXPECT_TRUE(m_watcher->Seen().empty());

    AddFiles(1);
    // With no output file named yet, Merge asks for one first; the watcher cancels it.
    PressOnList('M');
    EXPECT_EQ(1u, m_watcher->Seen().size());
    EXPECT_EQ(2u, Items().size());
}

TEST_F(ShortcutsTest, AddSelectAndAboutOpenTheirDialogsWhateverTheModifiers) {
    PressOnList('A');
    PressOnList('A', true);
    PressOnList('S');
    PressOnList('B', true);
    const std::vector<std::string> captions = Captions();
    ASSERT_EQ(4u, captions.size());
    // The open dialog twice, then the save dialog, then the About box.
    EXPECT_EQ(captions[0], captions[1]);
    EXPECT_NE(captions[0], captions[2]);
    EXPECT_EQ("About Varnello", captions[3]);
    EXPECT_TRUE(Items().empty());
}

TEST_F(ShortcutsTest, RemoveKeysDeleteTheSelectionFromTheListAndFromAButton) {
    AddFiles(4);
    Select({1});
    PressOnList('E');
    EXPECT_EQ((std::vector<std::string>{m_files[0], m_files[2], m_files[3]}), Items());

    Select({0, 2});
    PressOnList(VK_DELETE);
    EXPECT_EQ((std::vector<std::string>{m_files[2]}), Items());
    // Delete is handled and then passed on to the list box.
    EXPECT_TRUE(Received(WM_KEYDOWN, VK_DELETE));

    Select({0});
    FocusWindow(m_dlg.m_add);
    PressKey(VK_DELETE, false, m_window);
    EXPECT_TRUE(Items().empty());

    // Nothing selected: nothing happens.
    AddFiles(1);
    Select({});
    PressOnList(VK_DELETE);
    PressOnList('E');
    EXPECT_EQ(1u, Items().size());
}

TEST_F(ShortcutsTest, OtherKeysReachTheListBoxUnchanged) {
    PressOnList('F');
    PressOnList('V');
    EXPECT_TRUE(Received(WM_KEYDOWN, 'F'));
    EXPECT_TRUE(Received(WM_KEYDOWN, 'V'));
    EXPECT_TRUE(m_watcher->Seen().empty());
    EXPECT_TRUE(IsWindowVisible(m_window));
}

TEST_F(ShortcutsTest, LettersOnAButtonAreLeftToTheDialogManager) {
    AddFiles(4);
    Select({1});
    // On a button the letter is the mnemonic of its button: D clicks Down once, which moves the
    // item one place; the letter table would have moved it once more.
    FocusWindow(m_dlg.m_close);
    PressKey('D', false, m_window);
    EXPECT_EQ((std::vector<std::string>{m_files[0], m_files[2], m_files[1], m_files[3]}), Items());
    EXPECT_TRUE(g_listReceived.empty());
}

// Runs the main window modally and presses `key` (with Ctrl when asked) on its list box once the
// dialog loop runs. Returns what the dialog ended with; kTimedOutResult when it did not end.
INT_PTR RunAndPress(WORD key, bool withCtrl) {
    MainDlg dlg;
    ActionInLoop press(
        [&] {
            SetForegroundWindow(dlg.m_hWnd);
            SetFocus(dlg.m_list);
            std::vector<INPUT> inputs(4);
            for (INPUT& input : inputs)
                input.type = INPUT_KEYBOARD;
            inputs[0].ki.wVk = VK_CONTROL;
            inputs[1].ki.wVk = key;
            inputs[2].ki.wVk = key;
            inputs[2].ki.dwFlags = KEYEVENTF_KEYUP;
            inputs[3].ki.wVk = VK_CONTROL;
            inputs[3].ki.dwFlags = KEYEVENTF_KEYUP;
            if (withCtrl)
                SendInput(4, inputs.data(), sizeof(INPUT));
            else
                SendInput(2, inputs.data() + 1, sizeof(INPUT));
            return true;
        },
        300);
    // Should the key not end the dialog, this ends it after a while with its own result.
    ActionInLoop guard([] { return false; }, 50, 3000);
    return dlg.DoModal(nullptr);
}

TEST(ShortcutsModalTest, CAndCtrlCEndTheDialogWithResultZero) {
    OleInitialize(nullptr);
    EXPECT_EQ(0, RunAndPress('C', true));
    EXPECT_EQ(0, RunAndPress('C', false));
    // A key outside the table leaves the dialog running until the guard ends it.
    EXPECT_EQ(kTimedOutResult, RunAndPress('F', true));
    OleUninitialize();
}

} // namespace
