// MainDlg's intake of shell file lists: the OLE drop target on the list box and the paste of
// files from the clipboard. Both end in AddValidatedFiles, the one place that adds to the list.

#include "app/MainDlg_win.h"

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <shellapi.h>

#include <vector>

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

// Reads name `index` of a file list whose length (without terminator) is `length`.
bool ReadLongName(HDROP drop, UINT index, UINT length, ZuvAnsi2& name) {
    std::vector<char> buffer(length + 1, '\0');
    if (DragQueryFileA(drop, index, buffer.data(), length + 1) == 0)
        return false;
    return name.AppendText(buffer.data());
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
    HDROP files = static_cast<HDROP>(drop);
    ZuvVector<ZuvAnsi2*>* paths = new ZuvVector<ZuvAnsi2*>();
    paths->Reserve(4);
    ZuvAnsi2 tooLong;
    GlobalLock(drop);
    const UINT count = DragQueryFileA(files, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Ask for the length first: a name cut to the buffer would name another file.
        const UINT length = DragQueryFileA(files, i, nullptr, 0);
        if (length == 0)
            continue;
        if (length >= kDroppedNameSize) {
            if (ReadLongName(files, i, length, tooLong))
                tooLong.AppendChars(10, '\r', '\n', 0);
            continue;
        }
        char name[kDroppedNameSize] = {};
        if (DragQueryFileA(files, i, name, kDroppedNameSize) == 0)
            continue;
        ZuvAnsi2* path = new ZuvAnsi2(name);
        if (!paths->Append(path))
            delete path;
    }
    GlobalUnlock(drop);
    AddValidatedFiles(*paths);
    paths->DestroyOwning();
    if (tooLong.Length() != 0)
        ReportTooLongNames(tooLong);
}

void MainDlg::ReportTooLongNames(const ZuvAnsi2& names) {
    ZuvAnsi2 report;
    report.AppendText("Following files could not be added because their names are too long:\r\n");
    report.AppendText(names.Text());
    MessageBoxA(m_hWnd, report.Text(), "Error", MB_OK);
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
