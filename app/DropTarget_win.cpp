// MainDlg's intake of shell file lists: the OLE drop target on the list box and the paste of
// files from the clipboard. Both end in AddValidatedFiles, the one place that adds to the list.

#include "app/MainDlg_win.h"

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <shellapi.h>

#include <new>

namespace {

// Every query asks for a shell file list, in global memory or as a file.
FORMATETC FileListFormat() {
    FORMATETC format = {};
    format.cfFormat = CF_HDROP;
    format.ptd = nullptr;
    format.dwAspect = DVASPECT_CONTENT;
    format.lindex = -1;
    format.tymed = TYMED_HGLOBAL | TYMED_FILE;
    return format;
}

// Room for one dropped name and its terminator.
constexpr UINT kDroppedNameSize = 260;

// Appends name `index` of a file list, `length` characters long, and a line break to `names`.
bool AppendLongName(HDROP drop, UINT index, UINT length, ZuvAnsi2& names) {
    char* buffer = new (std::nothrow) char[length + 1];
    if (buffer == nullptr)
        return false;
    const bool read = DragQueryFileA(drop, index, buffer, length + 1) != 0;
    const bool appended = read && names.AppendText(buffer) && names.AppendLiteral(10, "\r\n");
    delete[] buffer;
    return appended;
}

// Collects the names of a file list in order: those that fit the buffer into `paths`, the longer
// ones, one per line, into `tooLong`. False when memory ran out for a name.
bool CollectDroppedNames(HDROP drop, ZuvVector<ZuvAnsi2*>& paths, ZuvAnsi2& tooLong) {
    bool complete = true;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Ask for the length first: a name cut to the buffer would name another file.
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        if (length == 0)
            continue;
        if (length >= kDroppedNameSize) {
            complete = AppendLongName(drop, i, length, tooLong) && complete;
            continue;
        }
        char name[kDroppedNameSize] = {};
        if (DragQueryFileA(drop, i, name, kDroppedNameSize) == 0)
            continue;
        ZuvAnsi2* path = new (std::nothrow) ZuvAnsi2(name);
        if (path == nullptr || path->Length() != length || !paths.Append(path)) {
            delete path;
            complete = false;
        }
    }
    return complete;
}

} // namespace

HRESULT STDMETHODCALLTYPE MainDlg::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *ppv = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE MainDlg::AddRef() {
    return ++m_refCount;
}

// The entry function owns this object: counting down must never free it.
ULONG STDMETHODCALLTYPE MainDlg::Release() {
    return 0;
}

HRESULT STDMETHODCALLTYPE MainDlg::DragEnter(IDataObject* dataObject, DWORD, POINTL, DWORD* effect) {
    HRESULT answer = S_OK;
    if (dataObject != nullptr) {
        FORMATETC format = FileListFormat();
        answer = dataObject->QueryGetData(&format);
    }
    if (effect != nullptr)
        *effect = DROPEFFECT_COPY;
    return answer;
}

// The effect stays as the drag source proposed it.
HRESULT STDMETHODCALLTYPE MainDlg::DragOver(DWORD, POINTL, DWORD*) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MainDlg::DragLeave() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MainDlg::Drop(IDataObject* dataObject, DWORD, POINTL, DWORD*) {
    if (SendMessageA(m_list, LB_GETCOUNT, 0, 0) == LB_ERR)
        return S_OK;
    FORMATETC format = FileListFormat();
    if (dataObject != nullptr && SUCCEEDED(dataObject->QueryGetData(&format))) {
        STGMEDIUM medium = {};
        if (SUCCEEDED(dataObject->GetData(&format, &medium))) {
            if (medium.tymed == TYMED_HGLOBAL)
                AddDroppedFiles(medium.hGlobal);
            ReleaseStgMedium(&medium);
        }
    }
    // Whether or not files came in, the user dropped onto this window and expects it in front.
    SetForegroundWindow(m_hWnd);
    SetActiveWindow(m_list);
    SetFocus(m_list);
    return S_OK;
}

void MainDlg::AddDroppedFiles(HGLOBAL drop) {
    if (SendMessageA(m_list, LB_GETCOUNT, 0, 0) == LB_ERR || drop == nullptr)
        return;
    ZuvVector<ZuvAnsi2*>* paths = new (std::nothrow) ZuvVector<ZuvAnsi2*>();
    if (paths == nullptr) {
        ShowNotEnoughMemory(nullptr);
        return;
    }
    paths->Reserve(4);
    ZuvAnsi2 tooLong;
    GlobalLock(drop);
    const bool complete = CollectDroppedNames(static_cast<HDROP>(drop), *paths, tooLong);
    GlobalUnlock(drop);
    AddValidatedFiles(*paths);
    paths->DestroyOwning();
    if (tooLong.Length() != 0)
        ReportTooLongNames(tooLong);
    if (!complete)
        ShowNotEnoughMemory(nullptr);
}

// Names longer than the dropped-name buffer are refused as a whole, never cut to fit.
void MainDlg::ReportTooLongNames(const ZuvAnsi2& names) {
    ZuvAnsi2 report;
    if (!report.AppendText("Following files could not be added because their names are too long:\r\n") ||
        !report.AppendText(names.Text())) {
        ShowNotEnoughMemory(nullptr);
        return;
    }
    ShowError(report.Text());
}

void MainDlg::PasteFiles() {
    if (m_aboutDialog != nullptr)
        return;
    if (SendMessageA(m_list, LB_GETCOUNT, 0, 0) == LB_ERR)
        return;
    // Only a shell file list is pasted; text on the clipboard is not a file name.
    if (!IsClipboardFormatAvailable(CF_HDROP) || !OpenClipboard(m_hWnd))
        return;
    if (IsClipboardFormatAvailable(CF_HDROP))
        AddDroppedFiles(GetClipboardData(CF_HDROP));
    CloseClipboard();
}

void MainDlg::RegisterDropTarget() {
    m_dropRegistered = SUCCEEDED(RegisterDragDrop(m_list, static_cast<IDropTarget*>(this)));
}
