// The child window that shows a markup text: it paints through its renderer, shows the hand cursor
// over links, sizes itself to the text on request and, as the renderer's observer, opens a clicked
// link with the shell.
#pragma once

#include "wingui/Window_win.h"
#include "markup/TextRenderer.h"

class CHtmlWindow : public NSMyWTLWrapper::CWindowImpl<CHtmlWindow>, public CObserver {
public:
    CHtmlWindow();
    ~CHtmlWindow() override;
    CHtmlWindow(const CHtmlWindow&) = delete;
    CHtmlWindow& operator=(const CHtmlWindow&) = delete;

    // A style of 0 means WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN. A window created
    // with WS_BORDER keeps 2 pixels for its border when it fits itself to the text.
    HWND Create(HWND parent, const RECT& rect, LPCSTR title = nullptr, DWORD style = 0, DWORD exStyle = 0,
                UINT id = 0, void* createParam = nullptr);

    // Parses and lays out the text. With `resize`, the window moves to (0, 0) of its parent and takes
    // the size the text needs, without repainting: a host that changes the text of a shown window
    // invalidates it itself.
    void SetText(const CMyASCIIString& markup, bool resize);
    CTextRenderer& GetRenderer() { return m_renderer; }

    // A click on a link of our own renderer (code 0) opens the hovered link.
    void Update(CSubject* subject, uint32_t code, uint32_t value2, uint32_t value3) override;

    BEGIN_MSG_MAP(CHtmlWindow)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
    MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
    END_MSG_MAP()

private:
    LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnMouseLeave(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);

    CTextRenderer m_renderer;
    bool m_hasBorder = false;
};
