// A small window framework: application module, window wrapper, dialogs and custom windows with
// message maps, common file dialogs. It binds each window handle to its C++ object and routes the
// window's messages to the object's ProcessWindowMessage, which the message-map macros below write.
#pragma once

#include <windows.h>
#include <commdlg.h>

namespace NSMyWTLWrapper {

// The process-wide module: the instance handle that dialogs and icons are loaded from.
class CAppModule {
public:
    HRESULT Init(void* objectMap, HINSTANCE instance, const GUID* libId = nullptr);
    void Term();
    // Before Init (as in test programs) this is the handle of the running program.
    HINSTANCE GetResourceInstance() const;
    DWORD GetMainThreadId() const { return m_mainThreadId; }

private:
    HINSTANCE m_instance = nullptr;
    DWORD m_mainThreadId = 0;
};

// Places a top-level window centred over `reference` (default: its owner) inside the work area of the
// nearest monitor, or a child window over `reference` (default: its parent) inside the parent's client
// area. The size is kept. False when no work area could be found or the window could not be moved.
BOOL CenterWindow(HWND window, HWND reference = nullptr);

// A window handle and the few operations on it that the system's windows share.
class CWindow {
public:
    HWND m_hWnd = nullptr;

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    BOOL CenterWindow(HWND reference = nullptr) { return NSMyWTLWrapper::CenterWindow(m_hWnd, reference); }
    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
};

// What a message map is: the first entry that matches handles the message and sets its result.
class CMessageMap {
public:
    virtual ~CMessageMap() = default;
    virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;
};

// A dialog bound to this object, from a resource or from a template in memory. Unhandled messages
// get the dialog manager's default handling.
class CDialogImplBase : public CWindow, public CMessageMap {
public:
    ~CDialogImplBase() override;

    // Modal runs: return what EndDialog was given, or -1 when the dialog could not be created.
    INT_PTR DoModalFromResource(LPCSTR templateName, HWND owner, LPARAM initParam);
    INT_PTR DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner, LPARAM initParam);
    // A modeless run of the same dialog (tests and hosts that run their own loop); end it with
    // DestroyWindow.
    HWND CreateFromResource(LPCSTR templateName, HWND parent, LPARAM initParam);

    BOOL EndDialog(INT_PTR result) { return ::EndDialog(m_hWnd, result); }
    BOOL DestroyWindow();

protected:
    // Called after the window's last message, when the object is no longer bound to it.
    virtual void OnFinalMessage(HWND) {}

private:
    static INT_PTR CALLBACK StartDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// A dialog whose template is the resource T::IDD.
template <class T> class CDialogImpl : public CDialogImplBase {
public:
    INT_PTR DoModal(HWND owner = ::GetActiveWindow(), LPARAM initParam = 0) {
        return DoModalFromResource(MAKEINTRESOURCEA(T::IDD), owner, initParam);
    }
    HWND Create(HWND parent, LPARAM initParam = 0) {
        return CreateFromResource(MAKEINTRESOURCEA(T::IDD), parent, initParam);
    }
};

// A window of a class of its own, registered on first use. Unhandled messages go to DefWindowProc.
class CWindowImplBase : public CWindow, public CMessageMap {
public:
    ~CWindowImplBase() override;

    // A style of 0 means WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
    HWND Create(HWND parent, const RECT& rect, LPCSTR title = nullptr, DWORD style = 0, DWORD exStyle = 0,
                UINT id = 0, void* createParam = nullptr);
    BOOL DestroyWindow();

    // The default rectangle (CW_USEDEFAULT) for Create.
    static const RECT rcDefault;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
    }
    virtual void OnFinalMessage(HWND) {}
    // The class atom, registered on the first call. Every derived class has a class of its own.
    virtual ATOM GetWindowClass() = 0;
    // Registers the default class description under the name "ATL:" followed by the address of
    // `atom`: CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, the arrow cursor, the window colour as background.
    static ATOM RegisterDefaultClass(ATOM& atom);

private:
    static LRESULT CALLBACK StartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

template <class T> class CWindowImpl : public CWindowImplBase {
protected:
    ATOM GetWindowClass() override {
        static ATOM atom = 0;
        return RegisterDefaultClass(atom);
    }
};

// The platform's open or save dialog. The flags always include OFN_EXPLORER, OFN_ENABLEHOOK and
// OFN_ENABLESIZING. The file-name buffer is the built-in one of 260 characters unless
// SetFileNameBuffer gives a larger one.
class CFileDialog {
public:
    CFileDialog(bool openDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags, LPCSTR filter,
                HWND owner);

    // IDOK or IDCANCEL; on IDCANCEL CommDlgExtendedError tells a failure from a cancel.
    INT_PTR DoModal(HWND owner = ::GetActiveWindow());
    // Uses `buffer` of `size` characters (at least 261) for the file names, keeping the current content.
    // The caller owns the buffer and keeps it alive while the dialog runs.
    bool SetFileNameBuffer(char* buffer, DWORD size);

    OPENFILENAMEA m_ofn;
    char m_szFileName[MAX_PATH];
    char m_szFileTitle[MAX_PATH];

private:
    static UINT_PTR CALLBACK HookProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
    bool m_openDialog;
};

} // namespace NSMyWTLWrapper

extern NSMyWTLWrapper::CAppModule g_module;

// Message-map macros. A map is a chain of tests inside ProcessWindowMessage; the first entry whose
// handler leaves `handled` true ends the search. Handlers have the framework's usual signatures:
//   LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled)
//   LRESULT OnCommand(WORD code, WORD id, HWND control, BOOL& handled)
#define BEGIN_MSG_MAP(theClass)                                                                              \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)          \
        override {                                                                                           \
        (void)hWnd;                                                                                          \
        BOOL bHandled = TRUE;                                                                                \
        (void)bHandled;

#define MESSAGE_HANDLER(msg, func)                                                                           \
    if (uMsg == (msg)) {                                                                                     \
        bHandled = TRUE;                                                                                     \
        lResult = func(uMsg, wParam, lParam, bHandled);                                                      \
        if (bHandled)                                                                                        \
            return TRUE;                                                                                     \
    }

#define COMMAND_ID_HANDLER(id, func)                                                                         \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (WORD)(id)) {                                                \
        bHandled = TRUE;                                                                                     \
        lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);                              \
        if (bHandled)                                                                                        \
            return TRUE;                                                                                     \
    }

#define COMMAND_CODE_HANDLER(code, func)                                                                     \
    if (uMsg == WM_COMMAND && HIWORD(wParam) == (WORD)(code)) {                                              \
        bHandled = TRUE;                                                                                     \
        lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);                              \
        if (bHandled)                                                                                        \
            return TRUE;                                                                                     \
    }

#define END_MSG_MAP()                                                                                        \
    return FALSE;                                                                                            \
    }
