#include "wingui/Window_win.h"

#include "wingui/CenterRule.h"

#include <cstdio>
#include <cstring>

NSMyWTLWrapper::CAppModule g_module;

namespace NSMyWTLWrapper {

namespace {

// The window property that binds a window handle to its object.
const char kObjectProperty[] = "Varnello.WindowObject";

// The object whose window is being created on this thread: the first message of the new window binds
// it, whatever that message is (a dialog's WM_SETFONT comes before WM_INITDIALOG).
thread_local CMessageMap* t_creating = nullptr;

CenterBox ToBox(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

template <class T> T* BoundObject(HWND window) {
    return static_cast<T*>(::GetPropA(window, kObjectProperty));
}

template <class T> T* BindCreating(HWND window) {
    T* object = static_cast<T*>(t_creating);
    t_creating = nullptr;
    if (object) {
        object->m_hWnd = window;
        ::SetPropA(window, kObjectProperty, static_cast<HANDLE>(object));
    }
    return object;
}

// Messages whose dialog-procedure result is the message's result itself rather than TRUE with the
// result stored in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

} // namespace

HRESULT CAppModule::Init(void*, HINSTANCE instance, const GUID*) {
    m_instance = instance;
    m_mainThreadId = ::GetCurrentThreadId();
    return S_OK;
}

void CAppModule::Term() {
    m_instance = nullptr;
    m_mainThreadId = 0;
}

HINSTANCE CAppModule::GetResourceInstance() const {
    return m_instance ? m_instance : ::GetModuleHandleA(nullptr);
}

BOOL CenterWindow(HWND window, HWND reference) {
    RECT area, centre;
    if (!(::GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
        if (!reference)
            reference = ::GetWindow(window, GW_OWNER);
        if (reference) {
            LONG referenceStyle = ::GetWindowLongA(reference, GWL_STYLE);
            if (!(referenceStyle & WS_VISIBLE) || (referenceStyle & WS_MINIMIZE))
                reference = nullptr;
        }
        HMONITOR monitor = ::MonitorFromWindow(reference ? reference : window, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info;
        std::memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        if (!monitor || !::GetMonitorInfoA(monitor, &info))
            return FALSE;
        area = info.rcWork;
        if (reference)
            ::GetWindowRect(reference, &centre);
        else
            centre = area;
    } else {
        HWND parent = ::GetParent(window);
        if (!reference)
            reference = parent;
        ::GetClientRect(parent, &area);
        ::GetClientRect(reference, &centre);
        ::MapWindowPoints(reference, parent, reinterpret_cast<POINT*>(&centre), 2);
    }
    RECT own;
    ::GetWindowRect(window, &own);
    CenterPoint at = CenterWithin(ToBox(centre), ToBox(area), own.right - own.left, own.bottom - own.top);
    return ::SetWindowPos(window, nullptr, at.x, at.y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Dialogs

CDialogImplBase::~CDialogImplBase() {
    if (m_hWnd)
        DestroyWindow();
}

INT_PTR CDialogImplBase::DoModalFromResource(LPCSTR templateName, HWND owner, LPARAM initParam) {
    t_creating = this;
    INT_PTR result =
        ::DialogBoxParamA(g_module.GetResourceInstance(), templateName, owner, StartDialogProc, initParam);
    t_creating = nullptr;
    return result;
}

INT_PTR CDialogImplBase::DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner, LPARAM initParam) {
    t_creating = this;
    INT_PTR result = ::DialogBoxIndirectParamA(g_module.GetResourceInstance(), dialogTemplate, owner,
                                               StartDialogProc, initParam);
    t_creating = nullptr;
    return result;
}

HWND CDialogImplBase::CreateFromResource(LPCSTR templateName, HWND parent, LPARAM initParam) {
    t_creating = this;
    HWND window = ::CreateDialogParamA(g_module.GetResourceInstance(), templateName, parent, StartDialogProc,
                                       initParam);
    t_creating = nullptr;
    return window;
}

BOOL CDialogImplBase::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

INT_PTR CALLBACK CDialogImplBase::StartDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogImplBase* dialog = BindCreating<CDialogImplBase>(window);
    if (!dialog)
        return FALSE;
    ::SetWindowLongPtrA(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(DialogProc));
    return DialogProc(window, message, wParam, lParam);
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogImplBase* dialog = BoundObject<CDialogImplBase>(window);
    if (!dialog)
        return FALSE;
    LRESULT result = 0;
    BOOL handled = dialog->ProcessWindowMessage(window, message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        ::RemovePropA(window, kObjectProperty);
        dialog->m_hWnd = nullptr;
        dialog->OnFinalMessage(window);
        return FALSE;
    }
    if (!handled)
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

// Custom windows

const RECT CWindowImplBase::rcDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

CWindowImplBase::~CWindowImplBase() {
    if (m_hWnd)
        DestroyWindow();
}

ATOM CWindowImplBase::RegisterDefaultClass(ATOM& atom) {
    if (atom)
        return atom;
    char name[40];
    std::snprintf(name, sizeof name, "ATL:%p", static_cast<void*>(&atom));
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = StartWindowProc;
    wc.hInstance = g_module.GetResourceInstance();
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    atom = ::RegisterClassExA(&wc);
    return atom;
}

HWND CWindowImplBase::Create(HWND parent, const RECT& rect, LPCSTR title, DWORD style, DWORD exStyle, UINT id,
                             void* createParam) {
    ATOM atom = GetWindowClass();
    if (!atom)
        return nullptr;
    if (style == 0)
        style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    t_creating = this;
    HWND window = ::CreateWindowExA(exStyle, MAKEINTATOM(atom), title, style, rect.left, rect.top,
                                    rect.right - rect.left, rect.bottom - rect.top, parent,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                    g_module.GetResourceInstance(), createParam);
    t_creating = nullptr;
    return window;
}

BOOL CWindowImplBase::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT CALLBACK CWindowImplBase::StartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!BindCreating<CWindowImplBase>(window))
        return ::DefWindowProcA(window, message, wParam, lParam);
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    return WindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindowImplBase* object = BoundObject<CWindowImplBase>(window);
    if (!object)
        return ::DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    if (!object->ProcessWindowMessage(window, message, wParam, lParam, result))
        result = ::DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::RemovePropA(window, kObjectProperty);
        object->m_hWnd = nullptr;
        object->OnFinalMessage(window);
    }
    return result;
}

// File dialogs

CFileDialog::CFileDialog(bool openDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags,
                         LPCSTR filter, HWND owner)
    : m_openDialog(openDialog) {
    std::memset(&m_ofn, 0, sizeof m_ofn);
    m_szFileName[0] = '\0';
    m_szFileTitle[0] = '\0';
    if (fileName)
        lstrcpynA(m_szFileName, fileName, MAX_PATH);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = owner;
    m_ofn.hInstance = g_module.GetResourceInstance();
    m_ofn.lpstrFilter = filter;
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = MAX_PATH;
    m_ofn.lpstrDefExt = defaultExtension;
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    m_ofn.lpfnHook = HookProc;
}

INT_PTR CFileDialog::DoModal(HWND owner) {
    if (!m_ofn.hwndOwner)
        m_ofn.hwndOwner = owner;
    BOOL chosen = m_openDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

bool CFileDialog::SetFileNameBuffer(char* buffer, DWORD size) {
    if (!buffer || size <= MAX_PATH)
        return false;
    lstrcpynA(buffer, m_ofn.lpstrFile, static_cast<int>(size));
    m_ofn.lpstrFile = buffer;
    m_ofn.nMaxFile = size;
    return true;
}

} // namespace NSMyWTLWrapper
