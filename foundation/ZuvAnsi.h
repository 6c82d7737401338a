#pragma once
// Byte strings in the ANSI code page, each owning one ByteBuf. Lengths and positions count
// bytes. Strings are never copied or shared.

#include "foundation/ByteBuf.h"

#include <cstdint>
#include <type_traits>

class ZuvAnsi {
public:
    // A string holding text in its inline store: the capacity is the given one, or the text's
    // length when it is 0. The text is inserted without growth.
    ZuvAnsi(const char* text, uint32_t capacity);
    virtual ~ZuvAnsi();

    ZuvAnsi(const ZuvAnsi&) = delete;
    ZuvAnsi& operator=(const ZuvAnsi&) = delete;

    // The zero-terminated text; "" when the buffer could not be created.
    const char* Text() const;
    // The length in bytes; 0 when the buffer could not be created.
    uint32_t Length() const;
    ByteBuf* Buf() const { return m_buf; }

    // Uses size bytes of caller-owned memory, which must start with a zero byte, as fixed
    // storage: the string never holds more than size - 1 bytes.
    bool Attach(void* memory, uint32_t size);
    bool Reserve(uint32_t capacity);
    // Appends a zero-terminated text, growing the storage; an empty text changes nothing.
    bool AppendText(const char* text);
    // Appends the other string's bytes without growth; false when they do not fit.
    bool AppendString(const ZuvAnsi& other);

    // Appends one character per code after reserving room for `room` more; the list ends at
    // the code 0 (or at its last code). Each code contributes its low byte:
    //     s.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0);
    // Appends exactly `room` characters when the reservation had to grow the storage, possibly
    // more when it was already larger, and nothing on fixed storage that cannot take the room.
    template <typename... Codes> bool AppendChars(uint32_t room, Codes... codes) {
        static_assert(sizeof...(Codes) > 0, "AppendChars needs at least the closing code 0");
        static_assert((std::is_integral_v<Codes> && ...), "AppendChars takes character codes");
        const int list[] = {static_cast<int>(codes)...};
        return AppendCharList(room, list, sizeof...(Codes));
    }
    bool AppendCharList(uint32_t room, const int* codes, uint32_t count);
    // The same as AppendChars with the literal's characters as the codes, for fixed texts that
    // should read as text: s.AppendLiteral(10, "Error") appends what the example above does.
    template <uint32_t Size> bool AppendLiteral(uint32_t room, const char (&text)[Size]) {
        return AppendCharBytes(room, text, Size);
    }
    bool AppendCharBytes(uint32_t room, const char* bytes, uint32_t count);

protected:
    explicit ZuvAnsi(uint32_t capacity);

    ByteBuf* m_buf;
};

class ZuvAnsi2 : public ZuvAnsi {
public:
    explicit ZuvAnsi2(uint32_t capacity = 0);
    // The text is inserted with growth.
    explicit ZuvAnsi2(const char* text);

    bool m_flag = false;
};

// The process-wide byte strings: the whitespace set " \t\r\n", "True", "False" and the shared
// empty string. Null until InitByteStringConstants has run; they live until the process ends.
extern ZuvAnsi2* g_ansiWhitespace;
extern ZuvAnsi2* g_ansiTrue;
extern ZuvAnsi2* g_ansiFalse;
extern ZuvAnsi2* g_ansiEmpty;

// Creates the four strings above; does nothing when they exist already.
void InitByteStringConstants();
