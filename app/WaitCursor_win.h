// The wait cursor for the lifetime of a scope: the window does not repaint while a merge or an
// intake validation runs, so the pointer tells the user that it is working. The cursor shown before
// comes back however the scope is left, an exception included.
#pragma once

#include <windows.h>

class WaitCursor {
public:
    WaitCursor() : m_previous(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
