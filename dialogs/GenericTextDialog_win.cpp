#include "dialogs/GenericTextDialog_win.h"

#include <shellapi.h>

namespace {

constexpr uint32_t kDialogStyle = WS_VISIBLE | WS_CAPTION | DS_CENTER | DS_MODALFRAME; // no close box
constexpr uint32_t kButtonStyle = BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr unsigned kButtonClass = 0x0080;
constexpr int kMargin = 10;

// The placeholder buttons of the template, in template order; every one is hidden at first and
// the mode's row is relabelled, placed and shown.
struct PlaceholderButton {
    uint16_t id;
    const char* text;
};
constexpr PlaceholderButton kPlaceholders[] = {{IDOK, "OK"},
                                               {GenericTextDialog::kCloseId, "Close"},
                                               {IDCANCEL, "Cancel"},
                                               {GenericTextDialog::kHelpId, "Help"}};

// A button of a mode's row, left to right; OK keeps its template label.
struct RowButton {
    int id;
    const char* label;
};
constexpr RowButton kOk = {IDOK, nullptr};
constexpr RowButton kCancel = {IDCANCEL, "&Cancel"};
constexpr RowButton kClose = {GenericTextDialog::kCloseId, "&Close"};
constexpr RowButton kHelp = {GenericTextDialog::kHelpId, "&Help"};

struct ButtonRow {
    int count;
    RowButton buttons[3];
};

// The leftmost button of a row also gets the focus.
ButtonRow RowOfMode(uint32_t mode) {
    switch (mode) {
    case 0:
        return {2, {kOk, kCancel}};
    case 1:
        return {3, {kOk, kCancel, kHelp}};
    case 2:
        return {2, {kClose, kHelp}};
    case 3:
        return {1, {kClose}};
    default:
        return {0, {}};
    }
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

uint32_t LastErrorOf(uint32_t hresult) {
    if (hresult == memdlg::kE_OUTOFMEMORY)
        return ERROR_OUTOFMEMORY;
    if (hresult == memdlg::kE_INVALIDARG)
        return ERROR_INVALID_PARAMETER;
    return ERROR_GEN_FAILURE;
}

} // namespace

GenericTextDialog::GenericTextDialog(const ZuvAnsi& title, const CMyASCIIString& text,
                                     const ZuvAnsi& helpLink, uint32_t mode)
    : m_mode(mode) {
    if (title.Length())
        m_title.AppendText(title.Text());
    if (helpLink.Length())
        m_helpLink.AppendText(helpLink.Text());
    if (!text.IsEmpty())
        m_text.Assign(text);
}

GenericTextDialog::~GenericTextDialog() {
    m_template.Release();
}

bool GenericTextDialog::BuildTemplate() {
    m_template.Create(false, m_title.Text(), 100, 100, m_dialogWidth, m_dialogHeight, kDialogStyle, 0,
                      "Arial", 10);
    for (const PlaceholderButton& button : kPlaceholders)
        m_template.AddControl(kButtonClass, button.id, 100, 100, 100, 20, kButtonStyle, 0, button.text);
    return m_template.Error() == memdlg::kS_OK;
}

INT_PTR GenericTextDialog::DoModal(HWND owner, LPARAM initParam) {
    if (!m_template.IsValid() && !BuildTemplate()) {
        // A template that could not be written whole is never shown; the next run writes it afresh.
        uint32_t error = m_template.Error();
        m_template.Release();
        ::SetLastError(LastErrorOf(error));
        return -1;
    }
    return DoModalIndirect(static_cast<const DLGTEMPLATE*>(m_template.GetTemplatePtr()), owner, initParam);
}

// The dialog manager sends the template's font before WM_INITDIALOG, so the renderer has its
// fonts before the text is laid out.
LRESULT GenericTextDialog::OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL&) {
    m_markupWindow.GetRenderer().SetFont(reinterpret_cast<FontHandle>(wParam));
    return 0;
}

LRESULT GenericTextDialog::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    for (const PlaceholderButton& button : kPlaceholders)
        ::ShowWindow(GetDlgItem(button.id), SW_HIDE);
    SIZE text = FitToText();
    LayOutButtons(text.cy);
    NSMyWTLWrapper::CenterWindow(m_hWnd);
    ButtonRow row = RowOfMode(m_mode);
    if (row.count) {
        // Every placeholder is a default push button, and the dialog manager keeps the last one
        // created (Help) as its default: Enter must press the button that has the focus instead.
        ::SendMessageA(m_hWnd, DM_SETDEFID, row.buttons[0].id, 0);
        ::SetFocus(GetDlgItem(row.buttons[0].id));
    }
    // No focus of the dialog manager's own.
    return 0;
}

SIZE GenericTextDialog::FitToText() {
    // The platform made the client area the template's size; the rest of the window is its frame.
    RECT mapped = {0, 0, m_dialogWidth, m_dialogHeight};
    ::MapDialogRect(m_hWnd, &mapped);
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    const int frameWidth = Width(window) - Width(mapped);
    const int frameHeight = Height(window) - Height(mapped);

    RECT none = {0, 0, 0, 0};
    m_markupWindow.Create(m_hWnd, none, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, nullptr);
    m_markupWindow.GetRenderer().SetMaxWidth(2u * unsigned(::GetSystemMetrics(SM_CXSCREEN)) / 3u);
    m_markupWindow.SetText(m_text, true);
    RECT markup;
    ::GetWindowRect(m_markupWindow.m_hWnd, &markup);
    const SIZE text = {Width(markup), Height(markup)};

    ::MoveWindow(m_hWnd, 0, 0, text.cx + frameWidth + 2 * kMargin,
                 text.cy + m_buttonHeight + frameHeight + 3 * kMargin, FALSE);
    // The platform may have kept the window wider than asked; the text is then centred.
    ::GetWindowRect(m_hWnd, &window);
    const int x = (Width(window) - text.cx) / 2 - frameWidth / 2;
    ::MoveWindow(m_markupWindow.m_hWnd, x, kMargin, text.cx, text.cy, TRUE);
    return text;
}

// The row sits below the text, centred on half the outer window width.
void GenericTextDialog::LayOutButtons(int textHeight) {
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    const int c = Width(window) / 2;
    const int bw = m_buttonWidth;
    const int y = textHeight + 2 * kMargin;
    ButtonRow row = RowOfMode(m_mode);
    int x[3] = {};
    if (row.count == 1) {
        x[0] = c - bw / 2;
    } else if (row.count == 2) {
        x[0] = c - bw / 4 - bw;
        x[1] = x[0] + bw / 4 + bw;
    } else if (row.count == 3) {
        x[0] = c - 2 * bw;
        x[1] = x[0] + (3 * bw) / 2;
        x[2] = x[1] + (3 * bw) / 2;
    }
    for (int i = 0; i < row.count; ++i)
        ::MoveWindow(GetDlgItem(row.buttons[i].id), x[i], y, bw, m_buttonHeight, TRUE);
    for (int i = 0; i < row.count; ++i) {
        HWND button = GetDlgItem(row.buttons[i].id);
        if (row.buttons[i].label)
            ::SetWindowTextA(button, row.buttons[i].label);
        ::ShowWindow(button, i == 0 ? SW_SHOWDEFAULT : SW_SHOW);
    }
}

LRESULT GenericTextDialog::OnEnd(WORD, WORD id, HWND, BOOL&) {
    EndDialog(id);
    return 0;
}

LRESULT GenericTextDialog::OnHelp(WORD, WORD, HWND, BOOL&) {
    ::ShellExecuteA(nullptr, "open", m_helpLink.Text(), nullptr, nullptr, SW_SHOWNORMAL);
    return 0;
}
