#pragma once
// Writes a dialog template (the platform's DLGTEMPLATE byte layout, or DLGTEMPLATEEX) into a
// block of movable global memory, for DialogBoxIndirectParamA and CreateDialogIndirectParamA.
// Integers are little-endian, strings UTF-16 converted from the thread's ANSI code page.
//
// The writer never throws: a failed write records an HRESULT (Error()) and the template must
// not be handed to the platform; every later write is skipped.

#include <cstddef>
#include <cstdint>

// Styles that every control of a template receives in addition to its own.
template <uint32_t t_style, uint32_t t_exStyle> struct CWinTraits {
    static constexpr uint32_t kStyle = t_style;
    static constexpr uint32_t kExStyle = t_exStyle;
};

// A name or an ordinal, as a resource-style pointer value: values below 0x10000 are ordinals.
struct StringOrId {
    uintptr_t value;
    StringOrId(const char* text) : value(reinterpret_cast<uintptr_t>(text)) {}
    StringOrId(unsigned id) : value(id) {}
    StringOrId(int id) : value(static_cast<unsigned>(id)) {}
    bool IsOrdinal() const { return value < 0x10000; }
    const char* Text() const { return reinterpret_cast<const char*>(value); }
};

namespace memdlg {
constexpr uint32_t kS_OK = 0;
constexpr uint32_t kE_OUTOFMEMORY = 0x8007000Eu;
constexpr uint32_t kE_INVALIDARG = 0x80070057u;
constexpr uint32_t kE_FAIL = 0x80004005u;
constexpr uint32_t kDS_SETFONT = 0x40;
constexpr size_t kAllocationStep = 1024;

// Global memory, as GlobalAlloc and friends: Windows calls the real functions, the native
// build keeps blocks of its own that behave alike (zero-filled on allocation and growth).
using GlobalHandle = void*;
constexpr uint32_t kGMEM_MOVEABLE = 0x2;
constexpr uint32_t kGMEM_ZEROINIT = 0x40;
GlobalHandle GlobalAllocBlock(uint32_t flags, size_t bytes);
GlobalHandle GlobalReAllocBlock(GlobalHandle block, size_t bytes, uint32_t flags);
void* GlobalLockBlock(GlobalHandle block);
void GlobalUnlockBlock(GlobalHandle block);
void GlobalFreeBlock(GlobalHandle block);
size_t GlobalBlockSize(GlobalHandle block);

// ANSI (the thread's code page) to UTF-16, with the contract of MultiByteToWideChar(CP_THREAD_ACP,
// 0, src, -1, dst, dstCap): the count includes the terminator; dstCap 0 asks for the count; 0 on
// failure.
int AnsiToUtf16(const char* src, uint16_t* dst, int dstCap);

#ifndef _WIN32
// Native only: lets the next `allowed` allocations succeed and fails the ones after, until
// called with -1.
void FailGlobalAllocationsAfter(int allowed);
#endif
} // namespace memdlg

class CMemDlgTemplateBase {
public:
    CMemDlgTemplateBase() = default;
    ~CMemDlgTemplateBase() { Release(); }
    CMemDlgTemplateBase(const CMemDlgTemplateBase&) = delete;
    CMemDlgTemplateBase& operator=(const CMemDlgTemplateBase&) = delete;

    // The template exists once something has been written.
    bool IsValid() const { return m_data != nullptr; }
    const void* GetTemplatePtr() const { return m_data; }
    memdlg::GlobalHandle GetHandle() const { return m_handle; }
    uint32_t GetAllocated() const { return m_allocated; }
    size_t GetSize() const { return static_cast<size_t>(m_ptr - m_data); }
    // The HRESULT of the first failed write; 0 while every write succeeded.
    uint32_t Error() const { return m_error; }

    bool AddData(const void* data, size_t bytes);
    bool AddString(const char* text);
    void Release();

protected:
    bool CreateHeader(bool extended, const char* caption, int16_t x, int16_t y, int16_t cx, int16_t cy,
                      uint32_t style, uint32_t exStyle, const char* typeface, uint16_t pointSize,
                      uint16_t weight, uint8_t italic, uint8_t charset, uint32_t helpId,
                      StringOrId windowClass, StringOrId menu);
    bool AddControlEntry(StringOrId controlClass, uint16_t id, int16_t x, int16_t y, int16_t cx, int16_t cy,
                         uint32_t style, uint32_t exStyle, StringOrId text, const uint16_t* creationData,
                         uint16_t creationCount, uint32_t helpId);

private:
    bool Fail(uint32_t error);
    bool Grow(size_t bytes);
    bool AddWord(uint16_t value);
    bool AddDword(uint32_t value);
    bool AddNameOrOrdinal(StringOrId value);
    bool AddOrdinal(uint16_t ordinal);
    bool IsExtended() const;

    memdlg::GlobalHandle m_handle = nullptr;
    uint8_t* m_data = nullptr;
    uint8_t* m_ptr = nullptr;
    uint32_t m_allocated = 0;
    uint32_t m_error = memdlg::kS_OK;
};

template <class TWinTraits> class CMemDlgTemplateT : public CMemDlgTemplateBase {
public:
    // Starts the template with its header. In the standard form weight, italic, charset and help
    // id are not written. DS_SETFONT is set exactly when a typeface is given.
    bool Create(bool extended, const char* caption, int16_t x, int16_t y, int16_t cx, int16_t cy,
                uint32_t style = 0, uint32_t exStyle = 0, const char* typeface = nullptr,
                uint16_t pointSize = 0, uint16_t weight = 0, uint8_t italic = 0, uint8_t charset = 0,
                uint32_t helpId = 0, StringOrId windowClass = 0, StringOrId menu = 0) {
        return CreateHeader(extended, caption, x, y, cx, cy, style, exStyle, typeface, pointSize, weight,
                            italic, charset, helpId, windowClass, menu);
    }

    // Appends one control, with the traits' styles added to its own. Only after Create.
    bool AddControl(StringOrId controlClass, uint16_t id, int16_t x, int16_t y, int16_t cx, int16_t cy,
                    uint32_t style, uint32_t exStyle, StringOrId text, const uint16_t* creationData = nullptr,
                    uint16_t creationCount = 0, uint32_t helpId = 0) {
        return AddControlEntry(controlClass, id, x, y, cx, cy, style | TWinTraits::kStyle,
                               exStyle | TWinTraits::kExStyle, text, creationData, creationCount, helpId);
    }
};

// The instantiation the dialogs use: every control is WS_CHILD | WS_VISIBLE.
using CMemDlgTemplate = CMemDlgTemplateT<CWinTraits<0x50000000, 0>>;
