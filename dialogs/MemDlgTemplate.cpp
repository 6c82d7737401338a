#include "dialogs/MemDlgTemplate.h"

#include <cstdlib>
#include <cstring>

using namespace memdlg;

namespace {

constexpr uint32_t kAllocFlags = kGMEM_MOVEABLE | kGMEM_ZEROINIT;
constexpr int kMaxStringUnits = 0x3FFFFFFF;
constexpr size_t kCountOffset = 8;    // number of controls in DLGTEMPLATE
constexpr size_t kCountOffsetEx = 16; // and in DLGTEMPLATEEX
constexpr uint16_t kExSignature = 0xFFFF;

void PutWord(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutDword(uint8_t* at, uint32_t value) {
    PutWord(at, static_cast<uint16_t>(value & 0xFFFF));
    PutWord(at + 2, static_cast<uint16_t>(value >> 16));
}

uint16_t GetWord(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

// Fills a record of little-endian fields, in order.
class FieldWriter {
public:
    explicit FieldWriter(uint8_t* at) : m_at(at) {}
    FieldWriter& Word(uint16_t value) {
        PutWord(m_at, value);
        m_at += 2;
        return *this;
    }
    FieldWriter& Short(int16_t value) { return Word(static_cast<uint16_t>(value)); }
    FieldWriter& Dword(uint32_t value) {
        PutDword(m_at, value);
        m_at += 4;
        return *this;
    }

private:
    uint8_t* m_at;
};

// (n / 1024 + 1) * 1024, or 0 when that does not fit the 32-bit size.
size_t GrowthStep(size_t bytes) {
    const size_t blocks = bytes / kAllocationStep + 1;
    if (blocks > 0xFFFFFFFFu / kAllocationStep) {
        return 0;
    }
    return blocks * kAllocationStep;
}

} // namespace

bool CMemDlgTemplateBase::Fail(uint32_t error) {
    if (m_error == kS_OK) {
        m_error = error;
    }
    return false;
}

// Makes room for `bytes` more at the write pointer: the first write allocates the block, a
// write past its end enlarges it. The block stays zero-filled beyond what was written.
bool CMemDlgTemplateBase::Grow(size_t bytes) {
    const size_t step = GrowthStep(bytes);
    if (!m_data) {
        if (step == 0) {
            return Fail(kE_OUTOFMEMORY);
        }
        GlobalHandle block = GlobalAllocBlock(kAllocFlags, step);
        uint8_t* data = block ? static_cast<uint8_t*>(GlobalLockBlock(block)) : nullptr;
        if (!data) {
            GlobalFreeBlock(block);
            return Fail(kE_OUTOFMEMORY);
        }
        m_handle = block;
        m_data = m_ptr = data;
        m_allocated = static_cast<uint32_t>(step);
        return true;
    }
    const size_t offset = GetSize();
    if (offset + bytes <= m_allocated) {
        return true;
    }
    if (step == 0 || step > 0xFFFFFFFFu - m_allocated) {
        return Fail(kE_OUTOFMEMORY);
    }
    const uint32_t allocated = m_allocated + static_cast<uint32_t>(step);
    GlobalUnlockBlock(m_handle);
    // A failed resize keeps the old block, which stays ours and is locked again.
    GlobalHandle block = GlobalReAllocBlock(m_handle, allocated, kAllocFlags);
    const bool grown = block != nullptr;
    if (grown) {
        m_handle = block;
    }
    m_data = static_cast<uint8_t*>(GlobalLockBlock(m_handle));
    if (!m_data) {
        GlobalFreeBlock(m_handle);
        m_handle = nullptr;
        m_ptr = nullptr;
        m_allocated = 0;
        return Fail(kE_OUTOFMEMORY);
    }
    m_ptr = m_data + offset;
    if (!grown) {
        return Fail(kE_OUTOFMEMORY);
    }
    m_allocated = allocated;
    return true;
}

bool CMemDlgTemplateBase::AddData(const void* data, size_t bytes) {
    if (m_error != kS_OK || !Grow(bytes)) {
        return false;
    }
    // The copy is bounded by what is left of the block.
    if (!data) {
        return Fail(kE_INVALIDARG);
    }
    if (bytes > m_allocated - GetSize()) {
        return Fail(kE_INVALIDARG);
    }
    std::memcpy(m_ptr, data, bytes);
    m_ptr += bytes;
    return true;
}

bool CMemDlgTemplateBase::AddWord(uint16_t value) {
    uint8_t bytes[2];
    PutWord(bytes, value);
    return AddData(bytes, sizeof bytes);
}

bool CMemDlgTemplateBase::AddDword(uint32_t value) {
    uint8_t bytes[4];
    PutDword(bytes, value);
    return AddData(bytes, sizeof bytes);
}

bool CMemDlgTemplateBase::AddOrdinal(uint16_t ordinal) {
    return AddWord(0xFFFF) && AddWord(ordinal);
}

bool CMemDlgTemplateBase::AddString(const char* text) {
    if (!text) {
        return AddWord(0);
    }
    const int units = AnsiToUtf16(text, nullptr, 0);
    if (units <= 0 || units > kMaxStringUnits) {
        return AddData(nullptr, 2); // a string that cannot be converted fails its copy
    }
    const size_t bytes = static_cast<size_t>(units) * 2;
    auto* wide = static_cast<uint16_t*>(std::malloc(bytes));
    if (!wide) {
        return Fail(kE_OUTOFMEMORY);
    }
    bool ok = AnsiToUtf16(text, wide, units) == units;
    if (ok) {
        // Little-endian in place: each unit is read before its own two bytes are written.
        auto* out = reinterpret_cast<uint8_t*>(wide);
        for (int i = 0; i < units; ++i) {
            uint16_t unit;
            std::memcpy(&unit, out + 2 * i, 2);
            PutWord(out + 2 * i, unit);
        }
        ok = AddData(wide, bytes);
    } else {
        ok = AddData(nullptr, 2);
    }
    std::free(wide);
    return ok;
}

// Menu and window class of the header: 0 is "none", a small value an ordinal, else a name.
bool CMemDlgTemplateBase::AddNameOrOrdinal(StringOrId value) {
    if (value.value == 0) {
        return AddWord(0);
    }
    if (value.IsOrdinal()) {
        return AddOrdinal(static_cast<uint16_t>(value.value));
    }
    return AddString(value.Text());
}

bool CMemDlgTemplateBase::IsExtended() const {
    return m_data && GetWord(m_data + 2) == kExSignature;
}

bool CMemDlgTemplateBase::CreateHeader(bool extended, const char* caption, int16_t x, int16_t y, int16_t cx,
                                       int16_t cy, uint32_t style, uint32_t exStyle, const char* typeface,
                                       uint16_t pointSize, uint16_t weight, uint8_t italic, uint8_t charset,
                                       uint32_t helpId, StringOrId windowClass, StringOrId menu) {
    Release(); // a second Create starts a new template rather than appending a second header
    if (typeface) {
        style |= kDS_SETFONT;
    } else {
        style &= ~kDS_SETFONT;
    }
    uint8_t header[26];
    size_t headerSize = 18;
    if (extended) {
        FieldWriter(header)
            .Word(1)
            .Word(kExSignature)
            .Dword(helpId)
            .Dword(exStyle)
            .Dword(style)
            .Word(0)
            .Short(x)
            .Short(y)
            .Short(cx)
            .Short(cy);
        headerSize = 26;
    } else {
        FieldWriter(header).Dword(style).Dword(exStyle).Word(0).Short(x).Short(y).Short(cx).Short(cy);
    }
    bool ok = AddData(header, headerSize) && AddNameOrOrdinal(menu) && AddNameOrOrdinal(windowClass) &&
              AddString(caption);
    if (ok && typeface) {
        ok = AddWord(pointSize);
        if (ok && extended) {
            const uint8_t font[4] = {static_cast<uint8_t>(weight & 0xFF), static_cast<uint8_t>(weight >> 8),
                                     italic, charset};
            ok = AddData(font, sizeof font);
        }
        ok = ok && AddString(typeface);
    }
    return ok;
}

bool CMemDlgTemplateBase::AddControlEntry(StringOrId controlClass, uint16_t id, int16_t x, int16_t y,
                                          int16_t cx, int16_t cy, uint32_t style, uint32_t exStyle,
                                          StringOrId text, const uint16_t* creationData,
                                          uint16_t creationCount, uint32_t helpId) {
    if (!m_data) {
        return Fail(kE_FAIL); // no header yet
    }
    if (m_error != kS_OK) {
        return false;
    }
    // Entries start at a multiple of 4; the skipped bytes are zero in the zero-filled block.
    const size_t aligned = (GetSize() + 3) & ~static_cast<size_t>(3);
    if (aligned > m_allocated) {
        return Fail(kE_INVALIDARG);
    }
    m_ptr = m_data + aligned;

    const bool extended = IsExtended();
    uint8_t* count = m_data + (extended ? kCountOffsetEx : kCountOffset);
    PutWord(count, static_cast<uint16_t>(GetWord(count) + 1));

    uint8_t item[24];
    size_t itemSize = 18;
    if (extended) {
        FieldWriter(item)
            .Dword(helpId)
            .Dword(exStyle)
            .Dword(style)
            .Short(x)
            .Short(y)
            .Short(cx)
            .Short(cy)
            .Dword(id);
        itemSize = 24;
    } else {
        FieldWriter(item).Dword(style).Dword(exStyle).Short(x).Short(y).Short(cx).Short(cy).Word(id);
    }
    if (!AddData(item, itemSize)) {
        return false;
    }
    // The class has no "none": an ordinal is an atom of a predefined class.
    bool ok = controlClass.IsOrdinal() ? AddOrdinal(static_cast<uint16_t>(controlClass.value))
                                       : AddString(controlClass.Text());
    ok = ok && AddNameOrOrdinal(text) && AddWord(creationCount);
    if (ok && creationCount != 0) {
        ok = AddData(creationData, static_cast<size_t>(creationCount) * 2);
    }
    return ok;
}

void CMemDlgTemplateBase::Release() {
    if (m_handle) {
        if (m_data) {
            GlobalUnlockBlock(m_handle);
        }
        GlobalFreeBlock(m_handle);
    }
    m_handle = nullptr;
    m_data = nullptr;
    m_ptr = nullptr;
    m_allocated = 0;
    m_error = kS_OK;
}
