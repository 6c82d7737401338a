// Files reaching the list by drag and drop and by Ctrl+V: a real main window, real PDF files, OLE's
// own drag loop onto the registered target, and the real clipboard.

#include "app/MainDlg_win.h"
#include "tests/app/IntakeTestSupport_win.h"
#include "tests/app/WinTestUtil_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <memory>

using namespace intake_test;

namespace {

const char kRefusedHeading[] =
    "Following files could not be added, probably because they are not valid PDF files:";

class IntakeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { OleInitialize(nullptr); }
    static void TearDownTestSuite() { OleUninitialize(); }

    void SetUp() override {
        m_window = m_dlg.Create(nullptr);
        ASSERT_NE(nullptr, m_window);
        ShowWindow(m_window, SW_SHOW);
        FocusWindow(m_dlg.m_list);
        m_watcher = std::make_unique<DialogWatcher>(GetCurrentThreadId(), m_window);
        // Names in other scripts than the system code page's reach the list whole.
        for (const char* name : {"first.pdf", "Отчёт.pdf", "报告 📄.pdf"}) {
            m_pdfs.push_back(m_dir.Path(name));
            WritePdf(m_pdfs.back(), {"page"});
        }
        m_folder = m_dir.Path("a folder");
        CreateDirectoryA(m_folder.c_str(), nullptr);
        m_text = m_dir.Path("заметки.txt");
        WriteBytes(m_text, "not a PDF\r\n");
    }

    void TearDown() override {
        m_watcher.reset();
        m_dlg.DestroyWindow();
        PumpMessages(nullptr, 50);
    }

    IDropTarget* Target() { return static_cast<IDropTarget*>(&m_dlg); }
    std::vector<std::string> Items() { return ListItems(m_dlg.m_list); }

    // A window of our own in front, so that a drop has to bring the main window back.
    HWND ActivateOtherWindow() {
        HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 900, 700, 100, 100, nullptr,
                                     nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        SetFocus(other);
        PumpMessages(nullptr, 50);
        return other;
    }

    MainDlg m_dlg;
    HWND m_window = nullptr;
    std::unique_ptr<DialogWatcher> m_watcher;
    TempFolder m_dir;
    std::vector<std::string> m_pdfs;
    std::string m_folder;
    std::string m_text;
};

TEST_F(IntakeTest, DropAppendsPdfsInTheShellListsOrderAndReportsTheRest) {
    SendMessageA(m_dlg.m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("already there"));
    HWND other = ActivateOtherWindow();
    ASSERT_EQ(other, GetForegroundWindow());

    FileListData data({m_pdfs[2], m_folder, m_pdfs[0], m_text, m_pdfs[1]});
    EXPECT_EQ(DRAGDROP_S_DROP, DropOnto(m_dlg.m_list, &data));
    PumpMessages(m_window);

    EXPECT_EQ((std::vector<std::string>{"already there", m_pdfs[2], m_pdfs[0], m_pdfs[1]}), Items());
    const std::vector<SeenDialog> seen = m_watcher->Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Error", seen[0].caption);
    EXPECT_NE(std::string::npos, seen[0].text.find(kRefusedHeading));
    EXPECT_NE(std::string::npos, seen[0].text.find(m_folder));
    EXPECT_NE(std::string::npos, seen[0].text.find(m_text));
    EXPECT_EQ(std::string::npos, seen[0].text.find(m_pdfs[0]));
    EXPECT_EQ(m_window, GetForegroundWindow());
    EXPECT_EQ(m_dlg.m_list, GetFocus());
    // The new files are in the merge job: Merge follows the list.
    EXPECT_TRUE(IsWindowEnabled(m_dlg.m_merge));
    DestroyWindow(other);
}

TEST_F(IntakeTest, DragEnterPassesTheDataObjectsAnswerBack) {
    FileListData files({m_pdfs[0]});
    FileListData textOnly({});
    POINTL point = {0, 0};

    DWORD effect = DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, Target()->DragEnter(&files, 0, point, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);

    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(DV_E_FORMATETC, Target()->DragEnter(&textOnly, 0, point, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);

    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, Target()->DragEnter(nullptr, 0, point, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);

    // The source's proposal stands while the mouse moves.
    effect = DROPEFFECT_LINK;
    EXPECT_EQ(S_OK, Target()->DragOver(0, point, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_LINK), effect);
    EXPECT_EQ(S_OK, Target()->DragLeave());
}

TEST_F(IntakeTest, DropWithoutAFileListAddsNothingButActivatesTheWindow) {
    HWND other = ActivateOtherWindow();
    FileListData textOnly({});
    POINTL point = {0, 0};
    DWORD effect = DROPEFFECT_COPY;

    EXPECT_EQ(S_OK, Target()->Drop(&textOnly, 0, point, &effect));
    PumpMessages(m_window);

    EXPECT_EQ(0, textOnly.GetDataCalls());
    EXPECT_TRUE(Items().empty());
    EXPECT_TRUE(m_watcher->Seen().empty());
    EXPECT_EQ(m_window, GetForegroundWindow());
    EXPECT_EQ(m_dlg.m_list, GetFocus());

    // Through OLE's drag loop the target refuses such data at DragEnter already.
    FileListData again({});
    DropOnto(m_dlg.m_list, &again);
    PumpMessages(m_window);
    EXPECT_TRUE(Items().empty());
    DestroyWindow(other);
}

TEST_F(IntakeTest, TheListBoxIsTheRegisteredTargetAndAnswersOnlyForDropTargets) {
    // A second registration is refused: the list box already has its target.
    EXPECT_EQ(DRAGDROP_E_ALREADYREGISTERED, RegisterDragDrop(m_dlg.m_list, Target()));

    void* face = reinterpret_cast<void*>(1);
    EXPECT_EQ(S_OK, Target()->QueryInterface(IID_IDropTarget, &face));
    EXPECT_EQ(static_cast<void*>(Target()), face);
    EXPECT_EQ(S_OK, Target()->QueryInterface(IID_IUnknown, &face));
    EXPECT_EQ(static_cast<void*>(Target()), face);
    EXPECT_EQ(E_NOINTERFACE, Target()->QueryInterface(IID_IDataObject, &face));
    EXPECT_EQ(nullptr, face);
    EXPECT_EQ(E_POINTER, Target()->QueryInterface(IID_IDropTarget, nullptr));
}

TEST_F(IntakeTest, ANameLongerThanTheBufferIsRefusedNotCutIntoAnotherName) {
    // The buffer holds 259 bytes of the code page: in UTF-8, fewer characters of other scripts.
    for (const std::string fill : {"n", "ж"}) {
        SCOPED_TRACE(fill);
        SendMessageA(m_dlg.m_list, LB_RESETCONTENT, 0, 0);
        m_watcher->Clear();
        // A real PDF whose path fills the 259 bytes exactly, and a longer name that starts with it:
        // cut to the buffer, the long name would turn into the short one.
        std::string fits = m_dir.Dir() + "\\";
        while (fits.size() + fill.size() + 4 <= 259)
            fits += fill;
        fits += std::string(259 - 4 - fits.size(), 'n') + ".pdf";
        ASSERT_EQ(259u, fits.size());
        WritePdf(fits, {"page"});
        const std::string tooLong = fits + ".old.pdf";

        FileListData data({m_pdfs[0], tooLong, m_pdfs[1]});
        EXPECT_EQ(DRAGDROP_S_DROP, DropOnto(m_dlg.m_list, &data));
        PumpMessages(m_window);

        EXPECT_EQ((std::vector<std::string>{m_pdfs[0], m_pdfs[1]}), Items());
        const std::vector<SeenDialog> seen = m_watcher->Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ("Error", seen[0].caption);
        EXPECT_NE(std::string::npos, seen[0].text.find(tooLong));

        // A name of exactly 259 bytes still fits.
        m_watcher->Clear();
        FileListData exact({fits});
        DropOnto(m_dlg.m_list, &exact);
        PumpMessages(m_window);
        EXPECT_EQ((std::vector<std::string>{m_pdfs[0], m_pdfs[1], fits}), Items());
        EXPECT_TRUE(m_watcher->Seen().empty());
    }
}

TEST_F(IntakeTest, CtrlVPastesCopiedFilesWithTheFocusOnTheListOrOnAButton) {
    ASSERT_TRUE(PutFilesOnClipboard({m_pdfs[0], m_pdfs[1]}));
    FocusWindow(m_dlg.m_list);
    PressKey('V', true, m_window);
    EXPECT_EQ((std::vector<std::string>{m_pdfs[0], m_pdfs[1]}), Items());

    ASSERT_TRUE(PutFilesOnClipboard({m_pdfs[2], m_text}));
    FocusWindow(m_dlg.m_close);
    PressKey('V', true, m_window);
    EXPECT_EQ((std::vector<std::string>{m_pdfs[0], m_pdfs[1], m_pdfs[2]}), Items());
    const std::vector<SeenDialog> seen = m_watcher->Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_NE(std::string::npos, seen[0].text.find(m_text));
    // As after every batch, the list has the focus; the clipboard was given back.
    EXPECT_EQ(m_dlg.m_list, GetFocus());
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
}

TEST_F(IntakeTest, NothingIsPastedWithoutCtrlOrWithoutAFileList) {
    ASSERT_TRUE(PutFilesOnClipboard({m_pdfs[0]}));
    FocusWindow(m_dlg.m_list);
    PressKey('V', false, m_window);
    FocusWindow(m_dlg.m_add);
    PressKey('V', false, m_window);
    EXPECT_TRUE(Items().empty());

    ASSERT_TRUE(PutTextOnClipboard(m_pdfs[0]));
    FocusWindow(m_dlg.m_list);
    PressKey('V', true, m_window);
    EXPECT_TRUE(Items().empty());
    EXPECT_TRUE(m_watcher->Seen().empty());
}

TEST_F(IntakeTest, NothingIsPastedWhileTheAboutBoxIsOpen) {
    ASSERT_TRUE(PutFilesOnClipboard({m_pdfs[0]}));
    m_watcher.reset(); // the About box is closed below, from inside its own loop
    bool aboutSeen = false;
    size_t itemsDuringAbout = 99;
    ActionInLoop inside([&] {
        for (HWND box : ThreadWindows(GetCurrentThreadId(), "#32770")) {
            if (box == m_window || !IsWindowVisible(box))
                continue;
            aboutSeen = m_dlg.m_aboutDialog != nullptr;
            // The main window is disabled, so only a direct call could paste now.
            m_dlg.PasteFiles();
            itemsDuringAbout = Items().size();
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            return true;
        }
        return false;
    });
    // B on the list box opens the About box.
    FocusWindow(m_dlg.m_list);
    PressKey('B', false, m_window);
    EXPECT_TRUE(aboutSeen);
    EXPECT_EQ(0u, itemsDuringAbout);

    FocusWindow(m_dlg.m_list);
    PressKey('V', true, m_window);
    EXPECT_EQ((std::vector<std::string>{m_pdfs[0]}), Items());
}

} // namespace
