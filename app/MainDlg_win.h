// The main window: the ordered list of input files, the output file name and the command buttons.
#pragma once

#include "wingui/Window_win.h"
#include "resources/resource.h"

#include <ole2.h>

#include <map>

class GenericTextDialog;
template <class T> class ZuvVector;
class ZuvAnsi;
class ZuvAnsi2;

class MainDlg : public NSMyWTLWrapper::CDialogImpl<MainDlg>, public IDropTarget {
public:
    enum { IDD = IDD_MAINDLG };

    MainDlg() = default;
    ~MainDlg() override = default;
    MainDlg(const MainDlg&) = delete;
    MainDlg& operator=(const MainDlg&) = delete;

    // The id entries match whatever the notification code is; a selection change from any control
    // comes last.
    BEGIN_MSG_MAP(MainDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    COMMAND_ID_HANDLER(IDC_ADD, OnAdd)
    COMMAND_ID_HANDLER(IDC_REMOVE, OnRemove)
    COMMAND_ID_HANDLER(IDC_UP, OnUp)
    COMMAND_ID_HANDLER(IDC_DOWN, OnDown)
    COMMAND_ID_HANDLER(IDC_SELECT, OnSelect)
    COMMAND_ID_HANDLER(ID_APP_ABOUT, OnAbout)
    COMMAND_ID_HANDLER(IDOK, OnMerge)
    COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    COMMAND_CODE_HANDLER(LBN_SELCHANGE, OnSelChange)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);

    // Command handlers; each does nothing while its own button is disabled. Keyboard shortcuts call
    // them with code 0, id 0 and no control.
    LRESULT OnAdd(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnRemove(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnUp(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnDown(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnSelect(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnAbout(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnMerge(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnClose(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnSelChange(WORD code, WORD id, HWND control, BOOL& handled);

    LRESULT RemoveSelected();
    void UpdateButtons();
    void UpdateCaption();
    void UpdateHorizontalExtent();
    void SelectOutputFile();
    // Opens every candidate with the PDF library, appends the readable ones to the list in order and
    // reports the others in one box. The caller keeps ownership of the candidates.
    void AddValidatedFiles(ZuvVector<ZuvAnsi2*>& candidates);

    // The drop target on the list box (DropTarget_win.cpp). Reference counting never frees this
    // object: the entry function owns it.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* dataObject, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* dataObject, DWORD keyState, POINTL point,
                                   DWORD* effect) override;
    // Adds the files of a shell file list (CF_HDROP) through AddValidatedFiles.
    void AddDroppedFiles(HGLOBAL drop);
    // Ctrl+V: adds the files copied to the clipboard, unless the About box is open.
    void PasteFiles();

    // The keyboard shortcuts (Shortcuts_win.cpp): one procedure for the list box, the buttons and
    // the dialog, passing every message on to the window's previous procedure.
    static LRESULT CALLBACK ControlSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Delete and Ctrl+V, on every subclassed window.
    static void HandleSharedKeys(WPARAM virtualKey);

    HWND m_list = nullptr;
    HWND m_output = nullptr;
    HWND m_add = nullptr;
    HWND m_remove = nullptr;
    HWND m_up = nullptr;
    HWND m_down = nullptr;
    HWND m_merge = nullptr;
    HWND m_select = nullptr;
    HWND m_close = nullptr;
    HWND m_about = nullptr;
    GenericTextDialog* m_aboutDialog = nullptr;
    unsigned long m_refCount = 0;
    bool m_dropRegistered = false;
    std::map<HWND, WNDPROC> m_previousProcs;

private:
    void PrepareTables();
    void FetchControls();
    void SetIcons();
    // Keyboard shortcuts: subclassing of the list, the buttons and the dialog.
    void InstallKeyboardShortcuts();
    LRESULT CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Drag and drop onto the list; m_dropRegistered tells whether it was accepted.
    void RegisterDropTarget();
    void ReportTooLongNames(const ZuvAnsi2& names);
    // An "Error" box with an OK button, owned by this window.
    void ShowError(const char* message);
    // "Not enough memory" under `title`, or under "Error" when there is none.
    void ShowNotEnoughMemory(const ZuvAnsi* title);
    // Merges the listed files into the output named in the output box (`outputLength` characters),
    // under the wait cursor; false when memory ran out before the merge could start.
    bool MergeListedFiles(int outputLength, ZuvAnsi& title, ZuvAnsi& report);
    // Appends a copy of every list entry, in list order, to `paths`; false when memory ran out.
    bool CollectListItems(ZuvVector<ZuvAnsi2*>& paths);
    // Moves the one selected item by `step` (-1 up, +1 down) when it has a neighbour there.
    void MoveSelected(int step);
};

// The one main window and its list box's handle, for the shared window procedure of the shortcuts.
extern MainDlg* g_mainDlg;
extern HWND* g_listHandle;
