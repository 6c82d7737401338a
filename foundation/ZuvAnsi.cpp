#include "foundation/ZuvAnsi.h"

#include <cstring>

ZuvAnsi2* g_ansiWhitespace = nullptr;
ZuvAnsi2* g_ansiTrue = nullptr;
ZuvAnsi2* g_ansiFalse = nullptr;
ZuvAnsi2* g_ansiEmpty = nullptr;

ZuvAnsi::ZuvAnsi(uint32_t capacity) : m_buf(ByteBufCreate(capacity)) {}

ZuvAnsi::ZuvAnsi(const char* text, uint32_t capacity) : m_buf(nullptr) {
    if (capacity == 0 && text) {
        const size_t length = std::strlen(text);
        capacity = length < 0xFFFFFFFFu ? static_cast<uint32_t>(length) : 0;
    }
    m_buf = ByteBufCreate(capacity);
    ByteBufInsert(m_buf, kBufEnd, text, 0, false);
}

ZuvAnsi::~ZuvAnsi() {
    if (m_buf) {
        ByteBufFree(&m_buf);
    }
}

const char* ZuvAnsi::Text() const {
    return m_buf ? reinterpret_cast<const char*>(m_buf->data) : "";
}

uint32_t ZuvAnsi::Length() const {
    return m_buf ? ByteBufLength(m_buf) : 0;
}

bool ZuvAnsi::Attach(void* memory, uint32_t size) {
    return ByteBufAttach(m_buf, memory, 0, size, 0);
}

bool ZuvAnsi::Reserve(uint32_t capacity) {
    return ByteBufReserve(m_buf, capacity);
}

bool ZuvAnsi::AppendText(const char* text) {
    return ByteBufInsert(m_buf, kBufEnd, text, 0, true);
}

bool ZuvAnsi::AppendString(const ZuvAnsi& other) {
    if (!other.m_buf) {
        return ByteBufInsert(m_buf, kBufEnd, nullptr, 0, false);
    }
    return ByteBufInsert(m_buf, kBufEnd, other.m_buf->data, other.Length(), false);
}

namespace {

// Reserves room for `room` more bytes and the terminator, as both appending forms do first.
bool ReserveRoom(ByteBuf* buf, uint32_t room) {
    const uint64_t wanted = static_cast<uint64_t>(buf->length) + room + 1;
    return wanted <= 0xFFFFFFFFu && ByteBufReserve(buf, static_cast<uint32_t>(wanted));
}

// Appends the low byte of each code up to the first 0, one at a time as the storage allows.
template <typename Code> bool AppendCodes(ByteBuf* buf, uint32_t room, const Code* codes, uint32_t count) {
    if (!buf || !ReserveRoom(buf, room)) {
        return false;
    }
    for (uint32_t i = 0; i < count && codes[i] != 0; ++i) {
        const uint8_t byte = static_cast<uint8_t>(codes[i] & 0xFF);
        if (!ByteBufInsert(buf, kBufEnd, &byte, 1, false)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool ZuvAnsi::AppendCharList(uint32_t room, const int* codes, uint32_t count) {
    return AppendCodes(m_buf, room, codes, count);
}

bool ZuvAnsi::AppendCharBytes(uint32_t room, const char* bytes, uint32_t count) {
    return AppendCodes(m_buf, room, bytes, count);
}

ZuvAnsi2::ZuvAnsi2(uint32_t capacity) : ZuvAnsi(capacity) {}

ZuvAnsi2::ZuvAnsi2(const char* text) : ZuvAnsi(0u) {
    AppendText(text);
}

void InitByteStringConstants() {
    if (g_ansiWhitespace) {
        return;
    }
    g_ansiWhitespace = new ZuvAnsi2(" \t\r\n");
    g_ansiTrue = new ZuvAnsi2("True");
    g_ansiFalse = new ZuvAnsi2("False");
    g_ansiEmpty = new ZuvAnsi2(0u);
}
