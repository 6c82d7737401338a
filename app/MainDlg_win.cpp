#include "app/MainDlg_win.h"

#include "app/OpenDialogNames.h"
#include "app/WaitCursor_win.h"
#include "foundation/MyString.h"
#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"
#include "markup/Colors.h"
#include "markup/Parser.h"
#include "merge/Intake.h"
#include "merge/MergeEngine.h"

#include <cderr.h>
#include <ole2.h>

#include <algorithm>
#include <new>
#include <string>

namespace {

// The list box is single-byte text; an item's length is asked for before the item is read, so an
// item of any length is read whole and no buffer is ever overrun.
bool ReadItem(HWND list, int index, std::string& text) {
    LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return false;
    text.assign(static_cast<size_t>(length) + 1, '\0');
    LRESULT read = ::SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    if (read == LB_ERR || read > length)
        return false;
    text.resize(static_cast<size_t>(read));
    return true;
}

// Measures `text` (bytes in the code page) in the device context's font. Measured as UTF-16, a
// name is as wide as its characters whatever character set the font has: the single-byte call
// would read the bytes in the font's own code page, and UTF-8 names in other scripts come out too
// wide.
bool MeasureText(HDC dc, const std::string& text, SIZE& size) {
    const int length = static_cast<int>(text.size());
    const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (length > 0 && wideLength <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], wideLength);
    return ::GetTextExtentPoint32W(dc, wide.c_str(), wideLength, &size) != FALSE;
}

int ItemCount(HWND list) {
    return static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
}

int SelectedCount(HWND list) {
    return static_cast<int>(::SendMessageA(list, LB_GETSELCOUNT, 0, 0));
}

// The index of the one selected item, or -1 unless exactly one item is selected.
int SingleSelection(HWND list) {
    if (SelectedCount(list) != 1)
        return -1;
    int index = -1;
    if (::SendMessageA(list, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&index)) != 1)
        return -1;
    return index;
}

#if defined(_WIN64)
const char kCaption[] = "Varnello (v.1.1), 64-bit";
#else
const char kCaption[] = "Varnello (v.1.1), 32-bit";
#endif

// The file-type filter of the open and save dialogs: one description and one pattern, each ended by a
// zero, and a second zero (the literal's own) that ends the list.
const char kPdfFilter[] = "PDF Files (*.pdf)\0*.pdf\0";
const char kPdfExtension[] = "*.pdf";

// The open dialog's file-name buffer: room for many names chosen at once.
const DWORD kOpenNamesSize = 9999;

// Texts of message boxes live on a fixed store of this size.
const uint32_t kTitleStore = 1000;

// A new, empty path list; null when memory is short. Released with DestroyOwning.
ZuvVector<ZuvAnsi2*>* NewPathList() {
    return new (std::nothrow) ZuvVector<ZuvAnsi2*>;
}

} // namespace

LRESULT MainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    PrepareTables();
    FetchControls();
    CenterWindow();
    SetIcons();
    UpdateButtons();
    InstallKeyboardShortcuts();
    UpdateCaption();
    RegisterDropTarget();
    return TRUE;
}

// The process-wide string tables; each does nothing when it has run before.
void MainDlg::PrepareTables() {
    InitStringConstants();
    InitByteStringConstants();
    InitMarkupNames();
    InitColorPalette();
}

void MainDlg::FetchControls() {
    m_list = GetDlgItem(IDC_LIST);
    m_output = GetDlgItem(IDC_OUTPUT);
    // Only the save dialog sets the output name; the user cannot type one.
    ::SendMessageA(m_output, EM_SETREADONLY, TRUE, 0);
    m_add = GetDlgItem(IDC_ADD);
    m_remove = GetDlgItem(IDC_REMOVE);
    m_up = GetDlgItem(IDC_UP);
    m_down = GetDlgItem(IDC_DOWN);
    m_merge = GetDlgItem(IDOK);
    m_select = GetDlgItem(IDC_SELECT);
    m_close = GetDlgItem(IDCANCEL);
    m_about = GetDlgItem(ID_APP_ABOUT);
}

void MainDlg::SetIcons() {
    HINSTANCE instance = g_module.GetResourceInstance();
    HANDLE big = ::LoadImageA(instance, MAKEINTRESOURCEA(IDI_VARNELLO), IMAGE_ICON,
                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR);
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    HANDLE small =
        ::LoadImageA(instance, MAKEINTRESOURCEA(IDI_VARNELLO), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                     ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

LRESULT MainDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_dropRegistered)
        ::RevokeDragDrop(m_list);
    return 1;
}

void MainDlg::UpdateCaption() {
    ::SetWindowTextA(m_hWnd, kCaption);
}

void MainDlg::UpdateButtons() {
    int count = ItemCount(m_list);
    int selected = SelectedCount(m_list);
    ::EnableWindow(m_remove, selected >= 1);
    ::EnableWindow(m_merge, count >= 2);
    bool up = false;
    bool down = false;
    int index = SingleSelection(m_list);
    if (index >= 0) {
        up = count > 1 && index > 0;
        down = count > 1 && index < count - 1;
    }
    ::EnableWindow(m_up, up);
    ::EnableWindow(m_down, down);
}

LRESULT MainDlg::OnSelChange(WORD, WORD, HWND, BOOL&) {
    UpdateButtons();
    return 0;
}

LRESULT MainDlg::OnClose(WORD, WORD id, HWND, BOOL&) {
    if (::IsWindowEnabled(m_close))
        EndDialog(id);
    return 0;
}

// List editing

LRESULT MainDlg::OnRemove(WORD, WORD, HWND, BOOL&) {
    return RemoveSelected();
}

LRESULT MainDlg::RemoveSelected() {
    if (!::IsWindowEnabled(m_remove))
        return 0;
    int selected = SelectedCount(m_list);
    if (selected < 1) {
        ::EnableWindow(m_remove, FALSE);
        return 0;
    }
    int* indices = new (std::nothrow) int[selected];
    if (!indices)
        return 0;
    if (::SendMessageA(m_list, LB_GETSELITEMS, selected, reinterpret_cast<LPARAM>(indices)) != selected) {
        delete[] indices;
        return 0;
    }
    // From the highest index down, so that every index still names the item that was selected.
    std::sort(indices, indices + selected);
    for (int i = selected - 1; i >= 0; --i)
        ::SendMessageA(m_list, LB_DELETESTRING, indices[i], 0);
    delete[] indices;
    ::SendMessageA(m_list, LB_SETSEL, FALSE, -1);
    UpdateButtons();
    UpdateHorizontalExtent();
    ::SetFocus(m_list);
    return 0;
}

LRESULT MainDlg::OnUp(WORD, WORD, HWND, BOOL&) {
    if (::IsWindowEnabled(m_up))
        MoveSelected(-1);
    return 0;
}

LRESULT MainDlg::OnDown(WORD, WORD, HWND, BOOL&) {
    if (::IsWindowEnabled(m_down))
        MoveSelected(+1);
    return 0;
}

void MainDlg::MoveSelected(int step) {
    if (SelectedCount(m_list) > 1) {
        // A block of several items is never moved.
        ::EnableWindow(m_up, FALSE);
        ::EnableWindow(m_down, FALSE);
        return;
    }
    int index = SingleSelection(m_list);
    int target = index + step;
    std::string text;
    if (index >= 0 && target >= 0 && target < ItemCount(m_list) && ReadItem(m_list, index, text) &&
        ::SendMessageA(m_list, LB_DELETESTRING, index, 0) != LB_ERR &&
        ::SendMessageA(m_list, LB_INSERTSTRING, target, reinterpret_cast<LPARAM>(text.c_str())) >= 0)
        ::SendMessageA(m_list, LB_SETSEL, TRUE, target);
    UpdateButtons();
}

void MainDlg::UpdateHorizontalExtent() {
    int count = ItemCount(m_list);
    if (count <= 0) {
        ::SendMessageA(m_list, LB_SETHORIZONTALEXTENT, 0, 0);
        return;
    }
    HDC dc = ::GetDC(m_list);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageA(m_list, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? ::SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics;
    ::GetTextMetricsA(dc, &metrics);
    LONG widest = 0;
    std::string text;
    for (int i = 0; i < count; ++i) {
        SIZE size;
        if (ReadItem(m_list, i, text) && MeasureText(dc, text, size))
            widest = std::max(widest, size.cx + metrics.tmAveCharWidth);
    }
    if (previous)
        ::SelectObject(dc, previous);
    ::ReleaseDC(m_list, dc);
    ::SendMessageA(m_list, LB_SETHORIZONTALEXTENT, widest, 0);
}

// Output selection

LRESULT MainDlg::OnSelect(WORD, WORD, HWND, BOOL&) {
    if (::IsWindowEnabled(m_select))
        SelectOutputFile();
    return 0;
}

void MainDlg::SelectOutputFile() {
    NSMyWTLWrapper::CFileDialog dialog(false, kPdfExtension, nullptr, OFN_OVERWRITEPROMPT, kPdfFilter,
                                       m_hWnd);
    if (dialog.DoModal(m_hWnd) != IDOK)
        return;
    ::SetWindowTextA(m_output, dialog.m_szFileName);
    UpdateButtons();
}

// Adding files

LRESULT MainDlg::OnAdd(WORD, WORD, HWND, BOOL&) {
    if (!::IsWindowEnabled(m_add))
        return 0;
    NSMyWTLWrapper::CFileDialog dialog(true, kPdfExtension, nullptr, OFN_ALLOWMULTISELECT, kPdfFilter,
                                       m_hWnd);
    char* names = new (std::nothrow) char[kOpenNamesSize];
    if (!names || !dialog.SetFileNameBuffer(names, kOpenNamesSize)) {
        delete[] names;
        ShowError("Could not allocate memory for dialog box");
        return 0;
    }
    if (dialog.DoModal(m_hWnd) != IDOK) {
        DWORD error = ::CommDlgExtendedError();
        if (error == FNERR_BUFFERTOOSMALL)
            ShowError("Buffer is too short for all filenames");
        else if (error != 0)
            ShowError("Could not get files from dialog");
        delete[] names;
        return 0;
    }
    ZuvVector<ZuvAnsi2*>* paths = NewPathList();
    if (!paths) {
        delete[] names;
        ShowNotEnoughMemory(nullptr);
        return 0;
    }
    bool complete = SplitOpenDialogNames(names, kOpenNamesSize, dialog.m_ofn.nFileOffset, *paths);
    delete[] names;
    AddValidatedFiles(*paths);
    paths->DestroyOwning();
    if (!complete)
        ShowNotEnoughMemory(nullptr);
    return 0;
}

void MainDlg::AddValidatedFiles(ZuvVector<ZuvAnsi2*>& candidates) {
    char titleStore[kTitleStore] = "";
    ZuvAnsi2 title;
    title.Attach(titleStore, sizeof titleStore);
    ZuvAnsi2 report;
    // Borrows the candidates' strings: released without deleting them.
    ZuvVector<ZuvAnsi2*> accepted;
    IntakeResult result = IntakeEmpty;
    {
        WaitCursor waiting;
        result = ValidateFiles(candidates, accepted, title, report);
        for (uint32_t i = 0; i < accepted.Count(); ++i)
            ::SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(accepted[i]->Text()));
    }
    if (result == IntakeEmpty)
        return;
    if (result == IntakeNoMemory)
        ShowNotEnoughMemory(&title);
    else if (report.Length() > 0)
        ::MessageBoxA(m_hWnd, report.Text(), title.Text(), MB_OK);
    UpdateButtons();
    UpdateHorizontalExtent();
    ::SetFocus(m_list);
}

void MainDlg::ShowError(const char* message) {
    ::MessageBoxA(m_hWnd, message, "Error", MB_OK);
}

void MainDlg::ShowNotEnoughMemory(const ZuvAnsi* title) {
    char store[kTitleStore] = "";
    ZuvAnsi2 text;
    text.Attach(store, sizeof store);
    text.AppendLiteral(20, "Not enough memory");
    ::MessageBoxA(m_hWnd, text.Text(), title && title->Length() ? title->Text() : "Error", MB_OK);
}

// Merging

LRESULT MainDlg::OnMerge(WORD, WORD, HWND, BOOL&) {
    if (!::IsWindowEnabled(m_merge))
        return 0;
    int count = ItemCount(m_list);
    int outputLength = ::GetWindowTextLengthA(m_output);
    if (outputLength == 0) {
        SelectOutputFile();
        outputLength = ::GetWindowTextLengthA(m_output);
    }
    if (count <= 0 || outputLength <= 0)
        return 0;
    char titleStore[kTitleStore] = "";
    ZuvAnsi2 title;
    title.Attach(titleStore, sizeof titleStore);
    ZuvAnsi2 report;
    if (!MergeListedFiles(outputLength, title, report)) {
        ShowNotEnoughMemory(nullptr);
        return 0;
    }
    if (report.Length() > 0)
        ::MessageBoxA(m_hWnd, report.Text(), title.Text(), MB_OK);
    return 0;
}

bool MainDlg::MergeListedFiles(int outputLength, ZuvAnsi& title, ZuvAnsi& report) {
    WaitCursor waiting;
    std::string output(static_cast<size_t>(outputLength) + 1, '\0');
    output.resize(static_cast<size_t>(::GetWindowTextA(m_output, &output[0], outputLength + 1)));
    ZuvVector<ZuvAnsi2*>* inputs = NewPathList();
    if (!inputs || !CollectListItems(*inputs)) {
        if (inputs)
            inputs->DestroyOwning();
        return false;
    }
    MergeFiles(*inputs, output.c_str(), title, report);
    inputs->DestroyOwning();
    return true;
}

bool MainDlg::CollectListItems(ZuvVector<ZuvAnsi2*>& paths) {
    int count = ItemCount(m_list);
    std::string text;
    for (int i = 0; i < count; ++i) {
        // An entry that the list cannot return is skipped.
        if (!ReadItem(m_list, i, text))
            continue;
        ZuvAnsi2* path = new (std::nothrow) ZuvAnsi2(text.c_str());
        if (!path || path->Length() != text.size() || !paths.Append(path)) {
            delete path;
            return false;
        }
    }
    return true;
}
