// The About box: in-process through MainDlg's command, and on the running exe through its button.
#include "app/MainDlg_win.h"
#include "dialogs/GenericTextDialog_win.h"
#include "tests/app/IntakeTestSupport_win.h"
#include "tests/app/RunningVarnello_win.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#ifndef VARNELLO_EXE
#error "VARNELLO_EXE names the exe under test"
#endif

namespace {

constexpr int kCloseId = GenericTextDialog::kCloseId;
const char kAboutTitle[] = "About Varnello";

std::vector<int> VisibleButtonIds(HWND dialog) {
    std::vector<int> ids;
    for (int id : {IDOK, kCloseId, IDCANCEL, int(GenericTextDialog::kHelpId)})
        if (::IsWindowVisible(::GetDlgItem(dialog, id)))
            ids.push_back(id);
    return ids;
}

// The markup window: the About box's child that is not a button.
HWND MarkupChild(HWND dialog) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (ClassName(child) != "Button")
            return child;
    return nullptr;
}

// Copies the window's pixels from the screen. Answers them as 0x00RRGGBB, top row first.
std::vector<uint32_t> Screenshot(HWND window, int& width, int& height) {
    RECT r;
    ::GetWindowRect(window, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + width * height);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// Writes the pixels as a 32-bit bitmap file, opaque.
void SaveBitmap(const std::string& path, std::vector<uint32_t> pixels, int width, int height) {
    for (uint32_t& p : pixels)
        p |= 0xFF000000;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = DWORD(file.bfOffBits + pixels.size() * 4);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&header, sizeof header, 1, f);
        std::fwrite(pixels.data(), 4, pixels.size(), f);
        std::fclose(f);
    }
}

std::string TestFolder() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// MainDlg shown modeless in this process, so that its command can be called directly.
class AboutCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_main.Create(nullptr)); }
    void TearDown() override { m_main.DestroyWindow(); }

    // Runs the About command; `inside` sees the box from inside its loop and must close it.
    void RunAbout(std::function<void(HWND)> inside) {
        bool seen = false;
        ActionInLoop act([&] {
            HWND box = nullptr;
            for (HWND w : ThreadWindows(::GetCurrentThreadId(), "#32770"))
                if (::IsWindowVisible(w) && WindowText(w) == kAboutTitle)
                    box = w;
            if (!box)
                return false;
            seen = true;
            inside(box);
            return true;
        });
        BOOL handled = TRUE;
        EXPECT_EQ(0, m_main.OnAbout(0, 0, nullptr, handled));
        EXPECT_TRUE(seen) << "the About box was shown";
    }

    MainDlg m_main;
};

} // namespace

TEST_F(AboutCommandTest, BoxIsRecordedExactlyWhileItExistsAndDisablesTheMainWindow) {
    EXPECT_EQ(nullptr, m_main.m_aboutDialog);
    GenericTextDialog* recorded = nullptr;
    bool mainEnabled = true;
    RunAbout([&](HWND box) {
        recorded = m_main.m_aboutDialog;
        mainEnabled = ::IsWindowEnabled(m_main.m_hWnd);
        EXPECT_EQ(box, recorded ? recorded->m_hWnd : nullptr);
        ::PostMessageA(::GetDlgItem(box, kCloseId), BM_CLICK, 0, 0);
    });
    EXPECT_NE(nullptr, recorded);
    EXPECT_FALSE(mainEnabled);
    EXPECT_EQ(nullptr, m_main.m_aboutDialog);
    EXPECT_TRUE(::IsWindowEnabled(m_main.m_hWnd));
}

TEST_F(AboutCommandTest, BoxHoldsTheAboutTextAndOneCentredCloseButtonWithTheFocus) {
    RunAbout([&](HWND box) {
        EXPECT_EQ(std::vector<int>{kCloseId}, VisibleButtonIds(box));
        HWND close = ::GetDlgItem(box, kCloseId);
        EXPECT_EQ("&Close", WindowText(close));
        EXPECT_EQ(close, ::GetFocus());
        RECT window, button;
        ::GetWindowRect(box, &window);
        ::GetWindowRect(close, &button);
        ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&button), 2);
        EXPECT_EQ((window.right - window.left) / 2 - 37, button.left);

        const CTextRenderer& renderer = m_main.m_aboutDialog->MarkupWindow().GetRenderer();
        const CItemList& items = renderer.Items();
        ASSERT_EQ(4u, items.Count());
        auto* product = static_cast<const nsHTMLItem::CTextItem*>(items[0]);
        std::string line(product->m_text.Data(), product->m_text.Count());
        EXPECT_EQ("Varnello Application (v.1.1)", line);
        EXPECT_EQ(nsHTMLItem::Link, items[2]->m_type);
        // As wide as its widest line plus the margins.
        uint32_t neededWidth, neededHeight;
        renderer.GetNeededSize(neededWidth, neededHeight);
        RECT client;
        ::GetClientRect(box, &client);
        EXPECT_EQ(LONG(neededWidth) + 20, client.right);
        ::PostMessageA(close, BM_CLICK, 0, 0);
    });
}

TEST_F(AboutCommandTest, DisabledAboutButtonShowsNothing) {
    ::EnableWindow(m_main.m_about, FALSE);
    BOOL handled = TRUE;
    EXPECT_EQ(0, m_main.OnAbout(0, 0, nullptr, handled));
    for (HWND w : ThreadWindows(::GetCurrentThreadId(), "#32770"))
        EXPECT_NE(kAboutTitle, WindowText(w));
    EXPECT_EQ(nullptr, m_main.m_aboutDialog);
}

TEST_F(AboutCommandTest, PasteDoesNothingWhileTheBoxIsOpen) {
    TempFolder folder;
    std::string pdf = folder.Path("one.pdf");
    WritePdf(pdf, {"one"});
    ASSERT_TRUE(intake_test::PutFilesOnClipboard({pdf}));
    LRESULT countInside = -1;
    RunAbout([&](HWND box) {
        m_main.PasteFiles();
        countInside = ::SendMessageA(m_main.m_list, LB_GETCOUNT, 0, 0);
        ::PostMessageA(::GetDlgItem(box, kCloseId), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(0, countInside);
    // The same paste once the box is gone.
    m_main.PasteFiles();
    EXPECT_EQ(1, ::SendMessageA(m_main.m_list, LB_GETCOUNT, 0, 0));
}

// The running exe

namespace {

// Opens the About box of the running exe with its button and waits for it.
HWND OpenAbout(const RunningVarnello& app) {
    HWND about = app.Control(ID_APP_ABOUT);
    ::PostMessageA(app.Window(), WM_COMMAND, MAKEWPARAM(ID_APP_ABOUT, BN_CLICKED), LPARAM(about));
    return WaitForWindow([&] { return app.VisibleDialog(kAboutTitle); });
}

bool ClosedAndMainEnabled(const RunningVarnello& app) {
    return WaitForWindow([&]() -> HWND {
               return !app.VisibleDialog(kAboutTitle) && ::IsWindowEnabled(app.Window()) ? app.Window()
                                                                                         : nullptr;
           }) != nullptr;
}

} // namespace

TEST(AboutBoxExe, OpensFromItsButtonAndFromBShowsTheLinkInBlueAndClosesEveryWay) {
    RunningVarnello app(VARNELLO_EXE);
    ASSERT_NE(nullptr, app.Window());

    HWND box = OpenAbout(app);
    ASSERT_NE(nullptr, box);
    EXPECT_FALSE(::IsWindowEnabled(app.Window()));
    EXPECT_EQ(std::vector<int>{kCloseId}, VisibleButtonIds(box));
    EXPECT_EQ(::GetDlgItem(box, kCloseId), app.Focus());

    // The screenshot is kept beside the test program.
    ::Sleep(500);
    int width = 0, height = 0;
    std::vector<uint32_t> pixels = Screenshot(box, width, height);
    SaveBitmap(TestFolder() + "about-box.bmp", pixels, width, height);
    HWND markup = MarkupChild(box);
    ASSERT_NE(nullptr, markup);
    RECT text;
    ::GetWindowRect(markup, &text);
    RECT outer;
    ::GetWindowRect(box, &outer);
    int blue = 0, dark = 0;
    for (int y = text.top - outer.top; y < text.bottom - outer.top; ++y)
        for (int x = text.left - outer.left; x < text.right - outer.left; ++x) {
            uint32_t p = pixels[size_t(y) * width + x];
            blue += p == 0x0000FF;
            dark += p == 0x000000;
        }
    EXPECT_GT(blue, 20) << "the link is drawn in blue";
    EXPECT_GT(dark, 20) << "the product line and the notice are drawn in black";

    ::PostMessageA(::GetDlgItem(box, kCloseId), BM_CLICK, 0, 0);
    EXPECT_TRUE(ClosedAndMainEnabled(app)) << "Close";

    ASSERT_NE(nullptr, OpenAbout(app));
    ::PostMessageA(app.Focus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(ClosedAndMainEnabled(app)) << "Esc";

    ASSERT_NE(nullptr, OpenAbout(app));
    ::PostMessageA(app.Focus(), WM_KEYDOWN, VK_RETURN, 0x00010001);
    EXPECT_TRUE(ClosedAndMainEnabled(app)) << "Enter";

    // B typed in the list.
    ::PostMessageA(app.Control(IDC_LIST), WM_KEYDOWN, 'B', 0x00300001);
    ASSERT_NE(nullptr, WaitForWindow([&] { return app.VisibleDialog(kAboutTitle); })) << "B on the list";
    ::PostMessageA(app.Focus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(ClosedAndMainEnabled(app));

    ::PostMessageA(app.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0, app.ExitCode());
}
