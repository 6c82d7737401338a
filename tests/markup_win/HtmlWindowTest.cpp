// The markup window as a real child window under Wine.
#include "markup/HtmlWindow_win.h"

#include "tests/markup_win/WinUiTestUtil.h"

#include <gtest/gtest.h>

using namespace winui_test;
using nsHTMLItem::CTextItem;

namespace {

class HtmlWindowTest : public ::testing::Test {
protected:
    ~HtmlWindowTest() override {
        ::DestroyWindow(m_host);
        ::DeleteObject(m_font);
    }

    // A first link that opens the marker program built beside this test, a text, a second link and,
    // on the next line, a last text; in a border.
    void ShowLinks() {
        InitMarkupForTests();
        ASSERT_TRUE(m_window.Create(m_host, {0, 0, 10, 10}, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER));
        m_window.GetRenderer().SetFont(m_font);
        m_window.SetText(
            TestText("<xml><a href='" + ProgramFolder() + "link_opened_marker.exe'>First link</a>" +
                     "<text>between</text><a href='second'>Second link</a><br/><text>last</text></xml>"),
            true);
        for (int i = 0; i < 3; ++i)
            m_item[i] = static_cast<const CTextItem*>(m_window.GetRenderer().Items()[i]);
        ::UpdateWindow(m_window.m_hWnd);
    }
    POINT Centre(int item) const {
        return {LONG(m_item[item]->m_left + m_item[item]->m_width / 2), LONG(m_item[item]->m_top + 8)};
    }
    void Send(UINT message, POINT at) { ::SendMessageA(m_window.m_hWnd, message, 0, MAKELPARAM(at.x, at.y)); }
    // Whether something asked for a repaint since the last call.
    bool TakeInvalidation() {
        const bool invalid = ::GetUpdateRect(m_window.m_hWnd, nullptr, FALSE);
        ::ValidateRect(m_window.m_hWnd, nullptr);
        return invalid;
    }
    // How many pixels of the item the window shows in the colour.
    int Pixels(int item, COLORREF colour) {
        HDC dc = ::GetDC(m_window.m_hWnd);
        int n = 0;
        for (uint32_t y = m_item[item]->m_top; y <= m_item[item]->m_bottom; ++y)
            for (uint32_t x = m_item[item]->m_left; x <= m_item[item]->m_right; ++x)
                n += ::GetPixel(dc, int(x), int(y)) == colour;
        ::ReleaseDC(m_window.m_hWnd, dc);
        return n;
    }
    const CTextItem* Hovered() { return static_cast<const CTextItem*>(m_window.GetRenderer().HoveredLink()); }

    HFONT m_font = PlainFont(16);
    HWND m_host = ::CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 50, 50, 600, 300, nullptr,
                                    nullptr, nullptr, nullptr);
    CHtmlWindow m_window;
    const CTextItem* m_item[3] = {}; // first link, text between, second link
};

} // namespace

// A move repaints when the hovered link changes and only then; the hand over links, the arrow
// elsewhere; the hovered link is repainted light red; a leave message clears it all. Pressed on the
// link and released off it: nothing; a click opens its target once. Leaving with the real pointer
// clears the hover, through the tracking the window asked for. The window takes the needed size.
TEST_F(HtmlWindowTest, HoverClickAndLeave) {
    ShowLinks();
    const COLORREF blue = RGB(0, 0, 255), ltRed = RGB(255, 128, 128);
    EXPECT_EQ(0, Pixels(1, blue));
    TakeInvalidation();
    const struct {
        POINT at;
        int hovered;
        bool repaint;
    } moves[] = {
        {Centre(0), 0, true},  {{LONG(m_item[0]->m_left), 1}, 0, false},        {Centre(2), 2, true},
        {Centre(1), -1, true}, {{1, LONG(m_item[1]->m_bottom + 3)}, -1, false}, {Centre(0), 0, true}};
    for (const auto& m : moves) {
        Send(WM_MOUSEMOVE, m.at);
        EXPECT_EQ(m.hovered < 0 ? nullptr : m_item[m.hovered], Hovered()) << m.at.x;
        EXPECT_EQ(m.repaint, TakeInvalidation()) << m.at.x;
        EXPECT_EQ(::LoadCursorA(nullptr, m.hovered < 0 ? IDC_ARROW : IDC_HAND), ::GetCursor()) << m.at.x;
    }
    ::InvalidateRect(m_window.m_hWnd, nullptr, FALSE);
    ::UpdateWindow(m_window.m_hWnd);
    EXPECT_EQ(std::make_pair(true, 0), std::make_pair(Pixels(0, ltRed) > 0, Pixels(0, blue)));
    EXPECT_GT(Pixels(2, blue), 0);
    ::SendMessageA(m_window.m_hWnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(!Hovered() && TakeInvalidation() && ::LoadCursorA(nullptr, IDC_ARROW) == ::GetCursor());

    ::DeleteFileA((ProgramFolder() + "link-opened.txt").c_str());
    for (int releasedOn : {1, 0}) {
        Send(WM_MOUSEMOVE, Centre(0));
        Send(WM_LBUTTONDOWN, Centre(0));
        Send(WM_MOUSEMOVE, Centre(releasedOn));
        Send(WM_LBUTTONUP, Centre(releasedOn));
    }
    EXPECT_EQ(1, OpenedLinks());

    POINT onLink = Centre(2);
    ::ClientToScreen(m_window.m_hWnd, &onLink);
    ::SetCursorPos(onLink.x, onLink.y);
    ASSERT_TRUE(PumpUntil([&] { return Hovered() == m_item[2]; }));
    ::SetCursorPos(5, 900);
    EXPECT_TRUE(PumpUntil([&] { return Hovered() == nullptr; }));

    uint32_t width, height; // the needed size inside, a border of 1 around
    m_window.GetRenderer().GetNeededSize(width, height);
    RECT r, client;
    ::GetWindowRect(m_window.m_hWnd, &r);
    ::GetClientRect(m_window.m_hWnd, &client);
    ::MapWindowPoints(nullptr, m_host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ((std::vector<LONG>{0, 0, LONG(width) + 2, LONG(height) + 2, LONG(width), LONG(height)}),
              (std::vector<LONG>{r.left, r.top, r.right, r.bottom, client.right, client.bottom}));
    EXPECT_TRUE(m_window.GetRenderer().Detach(&m_window)); // observed from creation to destruction
    m_window.GetRenderer().Attach(&m_window);
    m_window.DestroyWindow();
    EXPECT_FALSE(m_window.GetRenderer().Detach(&m_window));
}
