#include "tests/app/WinTestUtil_win.h"

#include <shlobj.h>

#include <cstring>

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

bool PutOnClipboard(const Items& names) {
    std::wstring wide;
    for (const std::string& name : names)
        wide += Wide(name) + L'\0';
    const DROPFILES header = {sizeof header, {}, FALSE, TRUE};
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof header + (wide.size() + 1) * 2);
    auto* bytes = static_cast<char*>(::GlobalLock(memory));
    std::memcpy(bytes, &header, sizeof header);
    std::memcpy(bytes + sizeof header, wide.data(), wide.size() * 2);
    ::GlobalUnlock(memory);
    for (int attempt = 0; attempt < 20 && !::OpenClipboard(nullptr); ++attempt)
        ::Sleep(50);
    ::EmptyClipboard();
    const bool set = ::SetClipboardData(CF_HDROP, memory) != nullptr;
    ::CloseClipboard();
    return set;
}

HRESULT DropOnto(HWND target, const Items& names) {
    IDataObject* data = nullptr;
    ::OleInitialize(nullptr); // once per thread; later calls only count
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
