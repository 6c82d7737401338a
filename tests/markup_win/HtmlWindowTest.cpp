// The markup window as a real child window under Wine: hover, cursors, leave, clicks that open a
// link through the shell, and sizing to the text.
#include "markup/HtmlWindow_win.h"

#include "tests/markup_win/WinUiTestUtil.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace winui_test;
using nsHTMLItem::CTagAItem;
using nsHTMLItem::CTextItem;

namespace {

// Counts the renderer's notifications beside the window's own handling of them.
class CountingObserver : public CObserver {
public:
    void Update(CSubject*, uint32_t code, uint32_t, uint32_t) override {
        if (code == 0)
            ++clicks;
    }
    int clicks = 0;
};

POINT CentreOf(const CTextItem& item) {
    return {LONG(item.m_left + item.m_width / 2), LONG(item.m_top + item.m_height / 2)};
}

RECT RectOf(const CTextItem& item) {
    return {LONG(item.m_left), LONG(item.m_top), LONG(item.m_right), LONG(item.m_bottom)};
}

class HtmlWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitMarkupTables();
        m_font = PlainFont(16);
        m_host = CreateHostWindow(600, 300);
        ASSERT_TRUE(m_host);
    }
    void TearDown() override {
        if (m_window.m_hWnd)
            m_window.DestroyWindow();
        ::DestroyWindow(m_host);
        ::DeleteObject(m_font);
        Pump();
    }

    // Two links with a text between them, a line break and a last text. The first link opens the
    // marker program built beside this test.
    void ShowLinks(DWORD style = WS_CHILD | WS_VISIBLE) {
        ASSERT_TRUE(m_window.Create(m_host, {0, 0, 10, 10}, nullptr, style));
        m_window.GetRenderer().SetFont(m_font);
        std::string markup = "<xml><a href='" + ProgramFolder() +
                             "link_opened_marker.exe'>First link</a><text>between</text>"
                             "<a href='second'>Second link</a><br/><text>last line</text></xml>";
        CMyASCIIString text;
        SetUtf8(text, markup);
        m_window.SetText(text, true);
        const CItemList& items = m_window.GetRenderer().Items();
        ASSERT_EQ(5u, items.Count());
        m_first = static_cast<const CTagAItem*>(items[0]);
        m_between = static_cast<const CTextItem*>(items[1]);
        m_second = static_cast<const CTagAItem*>(items[2]);
        ::UpdateWindow(m_window.m_hWnd);
    }

    void Send(UINT message, POINT at) { ::SendMessageA(m_window.m_hWnd, message, 0, MAKELPARAM(at.x, at.y)); }

    // True when something asked for a repaint since the last call.
    bool TakeInvalidation() {
        bool invalid = ::GetUpdateRect(m_window.m_hWnd, nullptr, FALSE);
        ::ValidateRect(m_window.m_hWnd, nullptr);
        return invalid;
    }

    static HCURSOR Cursor(LPCSTR id) { return ::LoadCursorA(nullptr, id); }

    HFONT m_font = nullptr;
    HWND m_host = nullptr;
    CHtmlWindow m_window;
    const CTagAItem* m_first = nullptr;
    const CTextItem* m_between = nullptr;
    const CTagAItem* m_second = nullptr;
};

} // namespace

TEST_F(HtmlWindowTest, HoverChangesInvalidateOncePerChangeAndSetTheCursor) {
    ShowLinks();
    TakeInvalidation();
    CTextRenderer& renderer = m_window.GetRenderer();

    Send(WM_MOUSEMOVE, CentreOf(*m_first));
    EXPECT_EQ(m_first, renderer.HoveredLink());
    EXPECT_TRUE(TakeInvalidation());
    EXPECT_EQ(Cursor(IDC_HAND), ::GetCursor());

    POINT elsewhereOnFirst = {LONG(m_first->m_left + 1), LONG(m_first->m_top + 1)};
    Send(WM_MOUSEMOVE, elsewhereOnFirst);
    EXPECT_FALSE(TakeInvalidation()) << "the same link again is no change";
    EXPECT_EQ(Cursor(IDC_HAND), ::GetCursor());

    Send(WM_MOUSEMOVE, CentreOf(*m_second));
    EXPECT_EQ(m_second, renderer.HoveredLink());
    EXPECT_TRUE(TakeInvalidation());
    EXPECT_EQ(Cursor(IDC_HAND), ::GetCursor());

    Send(WM_MOUSEMOVE, CentreOf(*m_between));
    EXPECT_EQ(nullptr, renderer.HoveredLink());
    EXPECT_TRUE(TakeInvalidation());
    EXPECT_EQ(Cursor(IDC_ARROW), ::GetCursor());

    Send(WM_MOUSEMOVE, {1, LONG(m_between->m_bottom + 3)});
    EXPECT_FALSE(TakeInvalidation());
    EXPECT_EQ(Cursor(IDC_ARROW), ::GetCursor());
}

TEST_F(HtmlWindowTest, HoveredLinkIsRepaintedInItsHoverColour) {
    ShowLinks();
    const COLORREF blue = RGB(0, 0, 255), ltRed = RGB(255, 128, 128);
    EXPECT_GT(CountPixels(m_window.m_hWnd, RectOf(*m_first), blue), 0);
    EXPECT_EQ(0, CountPixels(m_window.m_hWnd, RectOf(*m_between), blue));

    Send(WM_MOUSEMOVE, CentreOf(*m_first));
    ::UpdateWindow(m_window.m_hWnd);
    EXPECT_GT(CountPixels(m_window.m_hWnd, RectOf(*m_first), ltRed), 0);
    EXPECT_EQ(0, CountPixels(m_window.m_hWnd, RectOf(*m_first), blue));
    EXPECT_GT(CountPixels(m_window.m_hWnd, RectOf(*m_second), blue), 0);
}

TEST_F(HtmlWindowTest, LeavingTheWindowOverALinkClearsTheHover) {
    ShowLinks();
    // The real pointer, so that the leave notification comes from the tracking the window asked for.
    POINT onLink = CentreOf(*m_first);
    ::ClientToScreen(m_window.m_hWnd, &onLink);
    ::SetCursorPos(onLink.x, onLink.y);
    ASSERT_TRUE(PumpUntil([&] { return m_window.GetRenderer().HoveredLink() == m_first; }));
    TRACKMOUSEEVENT query = {sizeof query, TME_QUERY, nullptr, 0};
    ::TrackMouseEvent(&query);
    EXPECT_TRUE(query.dwFlags & TME_LEAVE);
    EXPECT_EQ(m_window.m_hWnd, query.hwndTrack);

    ::SetCursorPos(5, 900);
    EXPECT_TRUE(PumpUntil([&] { return m_window.GetRenderer().HoveredLink() == nullptr; }));
    EXPECT_EQ(Cursor(IDC_ARROW), ::GetCursor());
}

TEST_F(HtmlWindowTest, LeaveMessageClearsTheHoverAndRestoresTheArrow) {
    ShowLinks();
    Send(WM_MOUSEMOVE, CentreOf(*m_second));
    TakeInvalidation();
    ::SendMessageA(m_window.m_hWnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(nullptr, m_window.GetRenderer().HoveredLink());
    EXPECT_TRUE(TakeInvalidation());
    EXPECT_EQ(Cursor(IDC_ARROW), ::GetCursor());
}

TEST_F(HtmlWindowTest, ClickOnALinkNotifiesOnceAndOpensItsTarget) {
    ShowLinks();
    std::string marker = ProgramFolder() + "link-opened.txt";
    ::DeleteFileA(marker.c_str());
    CountingObserver observer;
    m_window.GetRenderer().Attach(&observer);

    POINT at = CentreOf(*m_first);
    Send(WM_MOUSEMOVE, at);
    Send(WM_LBUTTONDOWN, at);
    Send(WM_LBUTTONUP, at);
    EXPECT_EQ(1, observer.clicks);

    // The shell starts the marker program; it writes one line.
    ASSERT_TRUE(
        PumpUntil([&] { return ::GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000));
    Pump(300);
    std::ifstream lines(marker);
    std::string line;
    int opened = 0;
    while (std::getline(lines, line))
        opened += line == "opened";
    EXPECT_EQ(1, opened);
    m_window.GetRenderer().Detach(&observer);
}

TEST_F(HtmlWindowTest, PressOnALinkAndReleaseOffItNotifiesNothing) {
    ShowLinks();
    CountingObserver observer;
    m_window.GetRenderer().Attach(&observer);

    Send(WM_MOUSEMOVE, CentreOf(*m_first));
    Send(WM_LBUTTONDOWN, CentreOf(*m_first));
    Send(WM_MOUSEMOVE, CentreOf(*m_between));
    Send(WM_LBUTTONUP, CentreOf(*m_between));
    EXPECT_EQ(0, observer.clicks);

    // Released over another link is not a click either.
    Send(WM_MOUSEMOVE, CentreOf(*m_first));
    Send(WM_LBUTTONDOWN, CentreOf(*m_first));
    Send(WM_MOUSEMOVE, CentreOf(*m_second));
    Send(WM_LBUTTONUP, CentreOf(*m_second));
    EXPECT_EQ(0, observer.clicks);

    // Pressed off every link, released over one.
    Send(WM_MOUSEMOVE, CentreOf(*m_between));
    Send(WM_LBUTTONDOWN, CentreOf(*m_between));
    Send(WM_MOUSEMOVE, CentreOf(*m_second));
    Send(WM_LBUTTONUP, CentreOf(*m_second));
    EXPECT_EQ(0, observer.clicks);
    m_window.GetRenderer().Detach(&observer);
}

TEST_F(HtmlWindowTest, WindowTakesTheNeededSizeAndTwoPixelsMoreWithABorder) {
    ShowLinks();
    uint32_t width, height;
    m_window.GetRenderer().GetNeededSize(width, height);
    RECT r;
    ::GetWindowRect(m_window.m_hWnd, &r);
    EXPECT_EQ(LONG(width), r.right - r.left);
    EXPECT_EQ(LONG(height), r.bottom - r.top);
    POINT origin = {r.left, r.top};
    ::ScreenToClient(m_host, &origin);
    EXPECT_EQ(0, origin.x);
    EXPECT_EQ(0, origin.y);

    m_window.DestroyWindow();
    ShowLinks(WS_CHILD | WS_VISIBLE | WS_BORDER);
    m_window.GetRenderer().GetNeededSize(width, height);
    ::GetWindowRect(m_window.m_hWnd, &r);
    EXPECT_EQ(LONG(width) + 2, r.right - r.left);
    EXPECT_EQ(LONG(height) + 2, r.bottom - r.top);
    RECT client;
    ::GetClientRect(m_window.m_hWnd, &client);
    EXPECT_EQ(LONG(width), client.right) << "the border takes exactly the two pixels";
}

TEST_F(HtmlWindowTest, DestroyingTheWindowDetachesItFromTheRenderer) {
    ShowLinks();
    CountingObserver observer;
    m_window.GetRenderer().Attach(&observer);
    EXPECT_TRUE(m_window.GetRenderer().Detach(&m_window)) << "attached when created";
    m_window.GetRenderer().Attach(&m_window);
    m_window.DestroyWindow();
    EXPECT_FALSE(m_window.GetRenderer().Detach(&m_window)) << "detached on WM_DESTROY";
    EXPECT_TRUE(m_window.GetRenderer().Detach(&observer));
}
