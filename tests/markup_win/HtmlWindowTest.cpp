// The markup window as a real child window under Wine.
#include "markup/HtmlWindow_win.h"

#include "tests/markup_win/WinUiTestUtil.h"

#include <gtest/gtest.h>

using nsHTMLItem::CTextItem;

// Only a change of hovered link repaints; the hand over links; a leave clears it all, also with the
// real pointer (through tracking). A press released off the link does nothing, a click opens it
// once. In a border, the window takes the needed size.
TEST(HtmlWindowTest, HoverClickAndLeave) {
    InitMarkupForTests();
    HFONT font = PlainFont(16);
    HWND host = ::CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 50, 50, 600, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    CHtmlWindow window;
    ASSERT_TRUE(window.Create(host, {0, 0, 10, 10}, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER));
    window.GetRenderer().SetFont(font);
    window.SetText(
        TestText("<xml><a href='" + ProgramFolder() + "link_opened_marker.exe'>First link</a>" +
                 "<text>between</text><a href='second'>Second link</a><br/><text>last</text></xml>"),
        true);
    const CTextItem* item[3]; // first link, text between, second link
    for (int i = 0; i < 3; ++i)
        item[i] = static_cast<const CTextItem*>(window.GetRenderer().Items()[i]);
    auto hovered = [&] { return static_cast<const CTextItem*>(window.GetRenderer().HoveredLink()); };
    auto centre = [&](int i) {
        return POINT{LONG(item[i]->m_left + item[i]->m_width / 2), LONG(item[i]->m_top + 8)};
    };
    auto send = [&](UINT message, POINT at) {
        ::SendMessageA(window.m_hWnd, message, 0, MAKELPARAM(at.x, at.y));
    };
    auto takeInvalidation = [&] { // whether something asked for a repaint since the last call
        const bool invalid = ::GetUpdateRect(window.m_hWnd, nullptr, FALSE);
        return ::ValidateRect(window.m_hWnd, nullptr), invalid;
    };
    ::UpdateWindow(window.m_hWnd);
    takeInvalidation();
    const struct {
        POINT at;
        int hovered;
        bool repaint;
    } moves[] = {{centre(0), 0, true},  {{LONG(item[0]->m_left), 1}, 0, false},        {centre(2), 2, true},
                 {centre(1), -1, true}, {{1, LONG(item[1]->m_bottom + 3)}, -1, false}, {centre(0), 0, true}};
    for (const auto& m : moves) {
        send(WM_MOUSEMOVE, m.at);
        EXPECT_EQ(m.hovered < 0 ? nullptr : item[m.hovered], hovered()) << m.at.x;
        EXPECT_EQ(m.repaint, takeInvalidation()) << m.at.x;
        EXPECT_EQ(::LoadCursorA(nullptr, m.hovered < 0 ? IDC_ARROW : IDC_HAND), ::GetCursor()) << m.at.x;
    }
    ::SendMessageA(window.m_hWnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(!hovered() && takeInvalidation() && ::LoadCursorA(nullptr, IDC_ARROW) == ::GetCursor());

    ::DeleteFileA((ProgramFolder() + "link-opened.txt").c_str());
    for (int releasedOn : {1, 0}) {
        send(WM_MOUSEMOVE, centre(0));
        send(WM_LBUTTONDOWN, centre(0));
        send(WM_MOUSEMOVE, centre(releasedOn));
        send(WM_LBUTTONUP, centre(releasedOn));
    }
    EXPECT_EQ(1, OpenedLinks());

    POINT onLink = centre(2);
    ::ClientToScreen(window.m_hWnd, &onLink);
    ::SetCursorPos(onLink.x, onLink.y);
    ASSERT_TRUE(WaitUntil([&] { return hovered() == item[2]; }));
    ::SetCursorPos(5, 900);
    EXPECT_TRUE(WaitUntil([&] { return hovered() == nullptr; }));

    uint32_t width, height; // the needed size inside, a border of 1 around
    window.GetRenderer().GetNeededSize(width, height);
    RECT r, client;
    ::GetWindowRect(window.m_hWnd, &r);
    ::GetClientRect(window.m_hWnd, &client);
    ::MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ((std::vector<LONG>{0, 0, LONG(width) + 2, LONG(height) + 2, LONG(width), LONG(height)}),
              (std::vector<LONG>{r.left, r.top, r.right, r.bottom, client.right, client.bottom}));
    EXPECT_TRUE(window.GetRenderer().Detach(&window)); // observed from creation to destruction
    window.GetRenderer().Attach(&window);
    window.DestroyWindow();
    EXPECT_FALSE(window.GetRenderer().Detach(&window));
    ::DestroyWindow(host);
    ::DeleteObject(font);
}
