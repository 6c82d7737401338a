#include "tests/app/WinTestUtil_win.h"

#include <shlobj.h>

#include <cstring>
#include <set>

namespace {

// Lets OLE's drag loop settle on the window under the mouse for a few rounds, then drops.
struct DropAfterAFewRounds : IDropSource {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { return *ppv = this, S_OK; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override {
        return ++rounds > 2 ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
    int rounds = 0;
};

} // namespace

bool PutOnClipboard(const Items& names, const char* text) {
    std::wstring wide;
    for (const std::string& name : names)
        wide += Wide(name) + L'\0';
    const DROPFILES header = {sizeof header, {}, FALSE, TRUE};
    const size_t size = text ? std::strlen(text) + 1 : sizeof header + (wide.size() + 1) * 2;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* bytes = static_cast<char*>(::GlobalLock(memory));
    std::memcpy(bytes, text ? static_cast<const void*>(text) : &header, text ? size : sizeof header);
    if (!text)
        std::memcpy(bytes + sizeof header, wide.data(), wide.size() * 2);
    ::GlobalUnlock(memory);
    for (int attempt = 0; attempt < 20 && !::OpenClipboard(nullptr); ++attempt)
        ::Sleep(50);
    ::EmptyClipboard();
    const bool set = ::SetClipboardData(text ? CF_TEXT : CF_HDROP, memory) != nullptr;
    ::CloseClipboard();
    return set;
}

HRESULT DropOnto(HWND target, const Items& names) {
    IDataObject* data = nullptr;
    if (!PutOnClipboard(names) || FAILED(::OleGetClipboard(&data)))
        return E_FAIL;
    RECT rect = {};
    ::GetWindowRect(target, &rect);
    ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PumpMessages(nullptr, 50);
    DropAfterAFewRounds source;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = ::DoDragDrop(data, &source, DROPEFFECT_COPY, &effect);
    data->Release();
    PumpMessages(::GetAncestor(target, GA_ROOT));
    return result;
}

DialogWatcher::DialogWatcher(DWORD uiThread, HWND mainWindow, std::string fileName)
    : m_uiThread(uiThread), m_mainWindow(mainWindow), m_fileName(std::move(fileName)) {
    m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogWatcher::~DialogWatcher() {
    ::InterlockedExchange(&m_stop, 1);
    ::WaitForSingleObject(m_thread, INFINITE);
    ::CloseHandle(m_thread);
}

Items DialogWatcher::Take(size_t atLeast) {
    for (DWORD waited = 0;; waited += 30, ::Sleep(30)) {
        Items seen;
        ::AcquireSRWLockExclusive(&m_lock);
        if (m_seen.size() >= atLeast || waited >= Patience(20000))
            seen.swap(m_seen);
        ::ReleaseSRWLockExclusive(&m_lock);
        if (!seen.empty() || waited >= Patience(20000) || !atLeast)
            return seen;
    }
}

DWORD WINAPI DialogWatcher::Run(void* param) {
    auto* self = static_cast<DialogWatcher*>(param);
    std::set<HWND> answered;
    for (unsigned round = 0; !::InterlockedCompareExchange(&self->m_stop, 0, 0); ::Sleep(1), ++round) {
        CURSORINFO cursor = {};
        cursor.cbSize = sizeof cursor;
        if (::GetCursorInfo(&cursor) && cursor.hCursor == ::LoadCursorA(nullptr, IDC_WAIT))
            self->sawWaitCursor = true;
        for (HWND box : round % 20 ? std::vector<HWND>() : ThreadWindows(self->m_uiThread)) {
            if (box == self->m_mainWindow || !::IsWindowVisible(box) || !answered.insert(box).second)
                continue;
            // A file dialog has a name box (0x47C); a message box has its text in static 0xFFFF.
            HWND nameBox = ::GetDlgItem(box, 0x47C), text = ::GetDlgItem(box, 0xFFFF);
            const bool typed = nameBox && !self->m_fileName.empty();
            ::AcquireSRWLockExclusive(&self->m_lock);
            self->m_seen.push_back(WindowText(box) + (!nameBox && text ? "|" + WindowText(text) : ""));
            ::ReleaseSRWLockExclusive(&self->m_lock);
            if (typed)
                ::SendMessageA(nameBox, WM_SETTEXT, 0, LPARAM(self->m_fileName.c_str()));
            ::PostMessageA(box, WM_COMMAND, typed ? IDOK : IDCANCEL, 0);
        }
    }
    return 0;
}
