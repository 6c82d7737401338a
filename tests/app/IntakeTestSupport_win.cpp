#include "tests/app/IntakeTestSupport_win.h"

#include "tests/app/WinTestUtil_win.h"

#include <shlobj.h>

#include <cstring>
#include <set>

namespace intake_test {

HGLOBAL MakeFileList(const std::vector<std::string>& names) {
    // UTF-16, as the shell makes its lists: the window reads them in its own code page.
    std::vector<std::wstring> wide;
    size_t size = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const std::string& name : names) {
        std::wstring text(name.size() + 1, L'\0');
        text.resize(
            static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()),
                                                    &text[0], static_cast<int>(text.size()))));
        wide.push_back(text);
        size += (text.size() + 1) * sizeof(wchar_t);
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* next = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES));
    for (const std::wstring& name : wide) {
        std::memcpy(next, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
        next += name.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

HRESULT FileListData::QueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT FileListData::QueryGetData(FORMATETC* format) {
    if (format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) != 0)
        return FileListAnswer();
    if (format->cfFormat == CF_TEXT && (format->tymed & TYMED_HGLOBAL) != 0)
        return S_OK;
    return DV_E_FORMATETC;
}

HRESULT FileListData::GetData(FORMATETC* format, STGMEDIUM* medium) {
    ++m_getDataCalls;
    if (QueryGetData(format) != S_OK)
        return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->pUnkForRelease = nullptr;
    if (format->cfFormat == CF_HDROP) {
        medium->hGlobal = MakeFileList(m_files);
    } else {
        medium->hGlobal = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 6);
        std::memcpy(GlobalLock(medium->hGlobal), "hello", 6);
        GlobalUnlock(medium->hGlobal);
    }
    return S_OK;
}

HRESULT FileListData::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out != nullptr)
        out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT FileListData::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return OLE_E_ADVISENOTSUPPORTED;
}

namespace {

// Lets OLE's drag loop settle on the window under the mouse for a few rounds, then drops.
class DropAfterAFewRounds : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
            *ppv = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override {
        return ++m_rounds >= 3 ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    int m_rounds = 0;
};

} // namespace

HRESULT DropOnto(HWND target, IDataObject* data) {
    RECT rect = {};
    GetWindowRect(target, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PumpMessages(nullptr, 50);
    DropAfterAFewRounds source;
    DWORD effect = DROPEFFECT_NONE;
    return DoDragDrop(data, &source, DROPEFFECT_COPY, &effect);
}

namespace {

bool SetClipboard(UINT format, HGLOBAL memory) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            const bool set = SetClipboardData(format, memory) != nullptr;
            CloseClipboard();
            if (!set)
                GlobalFree(memory);
            return set;
        }
        Sleep(50);
    }
    GlobalFree(memory);
    return false;
}

} // namespace

bool PutFilesOnClipboard(const std::vector<std::string>& names) {
    return SetClipboard(CF_HDROP, MakeFileList(names));
}

bool PutTextOnClipboard(const std::string& text) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    return SetClipboard(CF_TEXT, memory);
}

void FocusWindow(HWND window) {
    SetForegroundWindow(GetAncestor(window, GA_ROOT));
    SetFocus(window);
    PumpMessages(nullptr, 50);
}

void PumpMessages(HWND dialog, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageA(dialog, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

void PressKey(WORD key, bool withCtrl, HWND dialog) {
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD vk, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    const DWORD extended = key == VK_DELETE ? KEYEVENTF_EXTENDEDKEY : 0;
    if (withCtrl)
        add(VK_CONTROL, 0);
    add(key, extended);
    add(key, extended | KEYEVENTF_KEYUP);
    if (withCtrl)
        add(VK_CONTROL, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    PumpMessages(dialog);
}

// Read as UTF-16: Wine hands another process's list item to LB_GETTEXT's narrow form unconverted.
std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring wide(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        const LRESULT length = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&wide[0]));
        wide.resize(length < 0 ? 0 : static_cast<size_t>(length));
        std::string text(wide.size() * 2 + 1, '\0');
        const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()),
                                              &text[0], static_cast<int>(text.size()), nullptr, nullptr);
        text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
        items.push_back(text);
    }
    return items;
}

DialogWatcher::DialogWatcher(DWORD uiThread, HWND mainWindow)
    : m_uiThread(uiThread), m_mainWindow(mainWindow) {
    InitializeCriticalSection(&m_lock);
    m_thread = CreateThread(nullptr, 0, &DialogWatcher::ThreadMain, this, 0, nullptr);
}

DialogWatcher::~DialogWatcher() {
    InterlockedExchange(&m_stop, 1);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    DeleteCriticalSection(&m_lock);
}

DWORD WINAPI DialogWatcher::ThreadMain(void* self) {
    static_cast<DialogWatcher*>(self)->Run();
    return 0;
}

std::vector<SeenDialog> DialogWatcher::Seen() {
    EnterCriticalSection(&m_lock);
    std::vector<SeenDialog> seen = m_seen;
    LeaveCriticalSection(&m_lock);
    return seen;
}

void DialogWatcher::Clear() {
    EnterCriticalSection(&m_lock);
    m_seen.clear();
    LeaveCriticalSection(&m_lock);
}

void DialogWatcher::Run() {
    std::set<HWND> answered;
    while (InterlockedCompareExchange(&m_stop, 0, 0) == 0) {
        for (HWND window : ThreadWindows(m_uiThread, "#32770")) {
            if (window == m_mainWindow || !IsWindowVisible(window) || answered.count(window) != 0)
                continue;
            SeenDialog seen;
            seen.caption = WindowText(window);
            for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                std::string text = ClassName(child) == "Static" ? WindowText(child) : std::string();
                if (text.size() > seen.text.size())
                    seen.text = text;
            }
            EnterCriticalSection(&m_lock);
            m_seen.push_back(seen);
            LeaveCriticalSection(&m_lock);
            answered.insert(window);
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        }
        for (auto it = answered.begin(); it != answered.end();)
            it = IsWindow(*it) ? std::next(it) : answered.erase(it);
        Sleep(30);
    }
}

} // namespace intake_test
