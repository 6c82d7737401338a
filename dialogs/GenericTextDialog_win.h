// A modal dialog that shows a markup text above one row of push buttons and sizes itself to the
// text. It has no resource: its template is written in memory the first time it runs. The mode
// chooses the buttons:
//   0: OK, Cancel   1: OK, Cancel, Help   2: Close, Help   3: Close   other: none.
// Commands 1 (OK), 2 (Cancel, also Esc) and 8 (Close) end it with their id in every mode; 9 (Help)
// opens the help link with the shell and leaves it open.
#pragma once

#include "wingui/Window_win.h"
#include "dialogs/MemDlgTemplate.h"
#include "foundation/ZuvAnsi.h"
#include "markup/HtmlWindow_win.h"

class GenericTextDialog : public NSMyWTLWrapper::CDialogImplBase {
public:
    enum { kCloseId = 8, kHelpId = 9 };

    // The texts are copied; an empty one leaves its member empty.
    GenericTextDialog(const ZuvAnsi& title, const CMyASCIIString& text, const ZuvAnsi& helpLink,
                      uint32_t mode);
    ~GenericTextDialog() override;
    GenericTextDialog(const GenericTextDialog&) = delete;
    GenericTextDialog& operator=(const GenericTextDialog&) = delete;

    // Runs the dialog modally and answers the id of the command that ended it, or -1 when it could not
    // be run (the thread's last error then says why).
    INT_PTR DoModal(HWND owner = ::GetActiveWindow(), LPARAM initParam = 0);

    CHtmlWindow& MarkupWindow() { return m_markupWindow; }

    BEGIN_MSG_MAP(GenericTextDialog)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
    COMMAND_ID_HANDLER(IDOK, OnEnd)
    COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    COMMAND_ID_HANDLER(kCloseId, OnEnd)
    COMMAND_ID_HANDLER(kHelpId, OnHelp)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnSetFont(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnEnd(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnHelp(WORD code, WORD id, HWND control, BOOL& handled);

    bool BuildTemplate();
    // Creates the markup window, fits the dialog around its text and answers the text size in pixels.
    SIZE FitToText();
    void LayOutButtons(int textHeight);

    CMemDlgTemplate m_template;
    ZuvAnsi2 m_title;
    ZuvAnsi2 m_helpLink;
    CMyASCIIString m_text;
    int16_t m_dialogWidth = 300; // dialog units
    int16_t m_dialogHeight = 200;
    int16_t m_buttonWidth = 75; // pixels
    int16_t m_buttonHeight = 23;
    uint32_t m_mode;
    CHtmlWindow m_markupWindow;
};
