#include "markup/HtmlWindow_win.h"

#include "markup/WinDrawer_win.h"

#include <shellapi.h>

namespace {

// The mouse position of a mouse message, in client pixels.
int32_t MouseX(LPARAM lParam) {
    return LOWORD(lParam);
}
int32_t MouseY(LPARAM lParam) {
    return HIWORD(lParam);
}

void SetSystemCursor(LPCSTR id) {
    ::SetCursor(::LoadCursorA(nullptr, id));
}

} // namespace

CHtmlWindow::CHtmlWindow() : m_renderer(NSMyWTLWrapper::GdiWindowServices()) {}

CHtmlWindow::~CHtmlWindow() {
    // Destroyed here, while the message map and the renderer still exist.
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

HWND CHtmlWindow::Create(HWND parent, const RECT& rect, LPCSTR title, DWORD style, DWORD exStyle, UINT id,
                         void* createParam) {
    m_hasBorder = (style & WS_BORDER) != 0;
    return CWindowImpl::Create(parent, rect, title, style, exStyle, id, createParam);
}

void CHtmlWindow::SetText(const CMyASCIIString& markup, bool resize) {
    m_renderer.SetText(markup);
    if (!resize)
        return;
    uint32_t width, height;
    m_renderer.GetNeededSize(width, height);
    if (m_hasBorder) {
        width += 2;
        height += 2;
    }
    ::MoveWindow(m_hWnd, 0, 0, int(width), int(height), FALSE);
}

void CHtmlWindow::Update(CSubject* subject, uint32_t code, uint32_t, uint32_t) {
    if (subject != &m_renderer || code != 0)
        return;
    const nsHTMLItem::CTagAItem* link = m_renderer.HoveredLink();
    if (!link)
        return;
    // The target as a zero-terminated copy; an empty target is opened as the empty name.
    CMyASCIIString target;
    const char* file = target.Assign(link->m_target) ? target.Data() : "";
    ::ShellExecuteA(nullptr, "open", file, nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT CHtmlWindow::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    m_renderer.SetWindow(m_hWnd);
    m_renderer.Attach(this);
    return 0;
}

LRESULT CHtmlWindow::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    m_renderer.Detach(this);
    return 0;
}

LRESULT CHtmlWindow::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    m_renderer.Paint(dc);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CHtmlWindow::OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&) {
    m_renderer.UpdateHover(MouseX(lParam), MouseY(lParam));
    if (!m_renderer.HoveredLink()) {
        SetSystemCursor(IDC_ARROW);
        return 0;
    }
    // Leaving the window over a link must clear the hover.
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, HOVER_DEFAULT};
    ::TrackMouseEvent(&track);
    SetSystemCursor(IDC_HAND);
    return 0;
}

LRESULT CHtmlWindow::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL&) {
    m_renderer.ClearHover();
    SetSystemCursor(IDC_ARROW);
    return 0;
}

LRESULT CHtmlWindow::OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&) {
    m_renderer.PressAt(MouseX(lParam), MouseY(lParam));
    return 0;
}

LRESULT CHtmlWindow::OnLButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&) {
    m_renderer.ReleaseAt(MouseX(lParam), MouseY(lParam));
    return 0;
}
