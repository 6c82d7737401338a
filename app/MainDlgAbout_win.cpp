// The About command: a generic text dialog with the About text and one Close button.
#include "app/MainDlg_win.h"

#include "dialogs/AboutText.h"
#include "dialogs/GenericTextDialog_win.h"

#include <new>

namespace {

constexpr uint32_t kCloseOnly = 3;
constexpr uint32_t kAboutTextRoom = 2000;

} // namespace

LRESULT MainDlg::OnAbout(WORD, WORD, HWND, BOOL&) {
    if (!::IsWindowEnabled(m_about))
        return 0;
    ZuvAnsi2 title;
    title.AppendLiteral(14, "About Varnello");
    char storage[kAboutTextRoom];
    storage[0] = 0;
    CMyASCIIString text;
    text.Attach(storage, kAboutTextRoom);
    BuildAboutText(text);

    InitByteStringConstants();
    GenericTextDialog* dialog = new (std::nothrow) GenericTextDialog(title, text, *g_ansiEmpty, kCloseOnly);
    if (!dialog)
        return 0;
    // While it is set, pasting into the main window does nothing.
    m_aboutDialog = dialog;
    dialog->DoModal(m_hWnd, 0);
    delete dialog;
    m_aboutDialog = nullptr;
    return 0;
}
