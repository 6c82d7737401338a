// Keyboard shortcuts of the main window. The list box, the command buttons and the dialog share
// one window procedure that looks at key-downs and passes every message on to the procedure
// the window had before. The buttons' mnemonic letters act in the list box only (on a button
// the dialog manager's mnemonics already apply); Delete and Ctrl+V act on every one of them.

#include "app/MainDlg_win.h"

MainDlg* g_mainDlg = nullptr;
HWND* g_listHandle = nullptr;

namespace {

// Runs the command of a mnemonic letter typed in the list box. Each command checks its own
// button, so a letter does nothing while its button is disabled. False for other keys.
bool RunListShortcut(MainDlg& dlg, WPARAM key) {
    BOOL handled = TRUE;
    switch (key) {
    case 'A':
        dlg.OnAdd(0, 0, nullptr, handled);
        return true;
    case 'B':
        dlg.OnAbout(0, 0, nullptr, handled);
        return true;
    case 'C':
        dlg.OnClose(0, 0, nullptr, handled);
        return true;
    case 'D':
        dlg.OnDown(0, 0, nullptr, handled);
        return true;
    case 'E':
        dlg.RemoveSelected();
        return true;
    case 'M':
        dlg.OnMerge(0, 0, nullptr, handled);
        return true;
    case 'S':
        if (IsWindowEnabled(dlg.m_select))
            dlg.SelectOutputFile();
        return true;
    case 'U':
        dlg.OnUp(0, 0, nullptr, handled);
        return true;
    default:
        return false;
    }
}

} // namespace

void MainDlg::HandleSharedKeys(WPARAM virtualKey) {
    if (virtualKey == VK_DELETE)
        g_mainDlg->RemoveSelected();
    else if ((GetKeyState(VK_CONTROL) & 0x8000) != 0 && virtualKey == 'V')
        g_mainDlg->PasteFiles();
}

LRESULT CALLBACK MainDlg::ControlSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainDlg* dlg = g_mainDlg;
    if (dlg == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_KEYDOWN) {
        if (window == *g_listHandle && RunListShortcut(*dlg, wParam))
            return 0;
        HandleSharedKeys(wParam);
    }
    return dlg->CallPreviousProc(window, message, wParam, lParam);
}

LRESULT MainDlg::CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = m_previousProcs.find(window);
    // A window that was never subclassed here cannot reach this procedure; should it
    // anyway, the default handling is safer than calling through a null procedure.
    if (previous == m_previousProcs.end() || previous->second == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previous->second, window, message, wParam, lParam);
}

void MainDlg::InstallKeyboardShortcuts() {
    g_mainDlg = this;
    g_listHandle = &m_list;
    const HWND windows[] = {m_list,  m_add,   m_remove, m_up,     m_down,
                            m_merge, m_close, m_about,  m_select, m_hWnd};
    for (HWND window : windows) {
        if (window == nullptr)
            continue;
        LONG_PTR previous = SetWindowLongPtrA(window, GWLP_WNDPROC,
                                              reinterpret_cast<LONG_PTR>(&MainDlg::ControlSubclassProc));
        m_previousProcs[window] = reinterpret_cast<WNDPROC>(previous);
    }
}
