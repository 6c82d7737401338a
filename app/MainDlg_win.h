// The main window: the ordered list of input files, the output file name and the command buttons.
#pragma once

#include "app/Window_win.h"
#include "resources/resource.h"

#include <map>

class GenericTextDialog;
template <class T> class ZuvVector;
class ZuvAnsi2;

class MainDlg : public NSMyWTLWrapper::CDialogImpl<MainDlg> {
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
    // Keyboard shortcuts: subclassing of the list, the buttons and the dialog. Not installed yet.
    void InstallKeyboardShortcuts() {}
    // Drag and drop onto the list. Not registered yet; m_dropRegistered stays false.
    void RegisterDropTarget() {}
    // Moves the one selected item by `step` (-1 up, +1 down) when it has a neighbour there.
    void MoveSelected(int step);
};
