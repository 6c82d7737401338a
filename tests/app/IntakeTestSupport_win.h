// Helpers for the tests of file intake and keyboard shortcuts: shell file lists for drops and the
// clipboard, a drag source that drops through OLE, real key presses, and a watcher that answers the
// message boxes and dialogs the window opens. Real PDF files come from the merge tests' fixtures.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

namespace intake_test {

// A shell file list in movable global memory, its UTF-8 names in UTF-16 as the shell writes them.
HGLOBAL MakeFileList(const std::vector<std::string>& names);

// A data object that offers a shell file list, or only plain text when `files` is empty.
class FileListData : public IDataObject {
public:
    explicit FileListData(std::vector<std::string> files) : m_files(std::move(files)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    // The answer QueryGetData gives to a request for a file list.
    HRESULT FileListAnswer() const { return m_files.empty() ? DV_E_FORMATETC : S_OK; }
    int GetDataCalls() const { return m_getDataCalls; }

private:
    std::vector<std::string> m_files;
    ULONG m_refs = 1;
    int m_getDataCalls = 0;
};

// Drags `data` with the mouse resting over the centre of `target` and drops it there through
// OLE's own drag loop, so the drop reaches whatever target is registered for that window.
// Returns DoDragDrop's result.
HRESULT DropOnto(HWND target, IDataObject* data);

// Replaces the clipboard's content with a file list or with text.
bool PutFilesOnClipboard(const std::vector<std::string>& names);
bool PutTextOnClipboard(const std::string& text);

// Brings `window`'s top-level window to the front and gives `window` the focus.
void FocusWindow(HWND window);
// Presses and releases `key` as real keyboard input, holding Ctrl when asked, then lets the
// thread's windows handle what arrived (through IsDialogMessage for `dialog`).
void PressKey(WORD key, bool withCtrl, HWND dialog);
// Handles the thread's pending messages for a while, dialog keys going to `dialog`.
void PumpMessages(HWND dialog, DWORD milliseconds = 150);

// The texts of the list box's items, top to bottom.
std::vector<std::string> ListItems(HWND list);

// A dialog or message box seen by the watcher.
struct SeenDialog {
    std::string caption;
    std::string text; // the longest static text: a message box's message
};

// Watches, from a thread of its own, for dialogs of `uiThread` other than `mainWindow` and closes
// each one with Cancel after writing down its caption and message. (The Windows build uses the
// win32 thread model, without std::thread.)
class DialogWatcher {
public:
    DialogWatcher(DWORD uiThread, HWND mainWindow);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;
    std::vector<SeenDialog> Seen();
    void Clear();

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    DWORD m_uiThread;
    HWND m_mainWindow;
    volatile LONG m_stop = 0;
    CRITICAL_SECTION m_lock;
    std::vector<SeenDialog> m_seen;
    HANDLE m_thread = nullptr;
};

} // namespace intake_test
