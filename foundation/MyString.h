// Strings on the array container: narrow strings hold UTF-8 markup, names and link targets; wide
// strings hold UTF-16 code units (one per element, also where wchar_t is 32 bits wide) for drawing.
//
// The ASCII flag tells the drawing code whether a text can go to the single-byte calls. Several
// operations change the count without writing a terminator; those that terminate say so.
#pragma once

#include "foundation/MyVector.h"

template <class C> class CMyASCIIString_EFT : public CMyVector_EF<C> {
    using Unsigned = std::make_unsigned_t<C>;

public:
    constexpr CMyASCIIString_EFT() : m_ascii(true) {}

    bool IsAscii() const { return m_ascii; }

    // Writes a zero at the count when there is room for it.
    bool Terminate() {
        if (this->m_count >= this->m_capacity)
            return false;
        this->m_data[this->m_count] = 0;
        return true;
    }

    // Copies other into this string (growing as needed) and terminates. An empty other leaves this
    // string empty and answers false.
    bool Assign(const CMyASCIIString_EFT& other) {
        if (this->m_count != 0) {
            this->m_count = 0;
            m_ascii = true;
            if (this->m_data)
                this->m_data[0] = 0;
        }
        if (other.m_count == 0)
            return false;
        if (!ReserveWithTerminator(other.m_count))
            return false;
        std::memcpy(this->m_data, other.m_data, sizeof(C) * other.m_count);
        this->m_count = other.m_count;
        m_ascii = other.m_ascii;
        return Terminate();
    }

    // Appends within the present capacity; never grows, writes no terminator.
    bool Append(const CMyASCIIString_EFT& other) {
        if (!other.m_ascii)
            m_ascii = false;
        if (other.m_count == 0 || !other.m_data)
            return true;
        return Append(other.m_data, other.m_count);
    }

    bool Append(const C* chars, uint32_t n) {
        if (!chars || n == 0)
            return true;
        if (uint64_t(this->m_count) + n > this->m_capacity)
            return false;
        std::memcpy(this->m_data + this->m_count, chars, sizeof(C) * n);
        this->m_count += n;
        return true;
    }

    // The wide form: drops owned storage of a non-empty string, then copies n characters and terminates.
    bool Assign(const C* chars, uint32_t n) {
        if (this->m_count != 0) {
            if (!this->m_external) {
                this->ReleaseOwned();
                this->m_capacity = 0;
            }
            this->m_count = 0;
        }
        if (!chars || chars[0] == 0 || n == 0)
            return true;
        if (!ReserveWithTerminator(n) || !Append(chars, n))
            return false;
        return Terminate();
    }

    // AppendCodes('a', 'b', 0): codes up to the first zero; a code outside 0..255 clears the ASCII flag
    // and only its low byte is stored. Stops and fails when full; terminates after the last code.
    template <class... Codes> bool AppendCodes(Codes... codes) {
        const long list[] = {long(codes)..., 0};
        for (long code : list) {
            if (code == 0)
                break;
            if (code < 0 || code > 255)
                m_ascii = false;
            if (this->m_count + 1 > this->m_capacity)
                return false;
            this->m_data[this->m_count++] = C(code & 0xFF);
        }
        return Terminate();
    }

    template <class... Codes> bool AssignCodes(uint32_t room, Codes... codes) {
        this->m_count = 0;
        if (room == 0)
            return true;
        if (!this->Reserve(room))
            return false;
        return AppendCodes(codes...);
    }

    // Removes the inclusive range first..last; no terminator.
    bool Erase(uint32_t first, uint32_t last) {
        if (first > last || last >= this->m_count)
            return false;
        if (last + 1 < this->m_count)
            std::memmove(this->m_data + first, this->m_data + last + 1,
                         sizeof(C) * (this->m_count - last - 1));
        this->m_count -= last - first + 1;
        return true;
    }

    // Copies length characters from `from` (0: up to the end) to the start of target; no terminator.
    bool Substring(CMyASCIIString_EFT& target, uint32_t from, uint32_t length) const {
        if (from >= this->m_count)
            return false;
        uint32_t end =
            (length == 0 || uint64_t(from) + length > this->m_count) ? this->m_count : from + length;
        length = end - from;
        if (!target.ReserveWithTerminator(length))
            return false;
        std::memmove(target.m_data, this->m_data + from, sizeof(C) * length);
        target.m_count = length;
        return true;
    }

    uint32_t FindChar(C c, uint32_t from) const {
        for (uint32_t i = from; i < this->m_count; ++i)
            if (this->m_data[i] == c)
                return i;
        return this->m_count;
    }

    uint32_t FindFirstOf(const CMyASCIIString_EFT& set, uint32_t from) const {
        for (uint32_t i = from; i < this->m_count; ++i)
            if (set.Contains(this->m_data[i]))
                return i;
        return this->m_count;
    }

    uint32_t FindFirstNotOf(const CMyASCIIString_EFT& set, uint32_t from) const {
        if (set.m_count == 0)
            return this->m_count;
        for (uint32_t i = from; i < this->m_count; ++i)
            if (!set.Contains(this->m_data[i]))
                return i;
        return this->m_count;
    }

    uint32_t FindLastNotOf(const CMyASCIIString_EFT& set, uint32_t from) const {
        if (this->m_count == 0)
            return 0;
        for (uint32_t i = from < this->m_count - 1 ? from : this->m_count - 1;; --i) {
            if (!set.Contains(this->m_data[i]))
                return i;
            if (i == 0)
                break;
        }
        return this->m_count;
    }

    uint32_t SkipWhitespace(uint32_t from) const;

    bool TrimRight(const CMyASCIIString_EFT& set) {
        if (this->m_count == 0 || set.m_count == 0)
            return true;
        uint32_t i = FindLastNotOf(set, this->m_count);
        if (i == this->m_count)
            this->m_count = 0;
        else if (i < this->m_count - 1)
            this->m_count = i + 1;
        return true;
    }

    bool TrimLeft(const CMyASCIIString_EFT& set) {
        if (this->m_count == 0 || set.m_count == 0)
            return true;
        uint32_t i = FindFirstNotOf(set, 0);
        if (i == this->m_count)
            this->m_count = 0;
        else if (i > 0)
            Erase(0, i - 1);
        return true;
    }

    // Removes space, tab, CR and LF at both ends, then terminates.
    bool Trim();

    // Copies the piece from position up to the next delimiter into the (empty) target and moves
    // position past that delimiter, or to the end when there is none.
    bool NextToken(CMyASCIIString_EFT& target, uint32_t& position,
                   const CMyASCIIString_EFT& delimiters) const {
        if (position >= this->m_count || delimiters.m_count == 0 || target.m_count != 0)
            return false;
        uint32_t at = FindFirstOf(delimiters, position);
        if (at > position)
            Substring(target, position, at - position);
        position = at < this->m_count ? at + 1 : this->m_count;
        return true;
    }

    bool EqualsChar(C c) const { return this->m_count == 1 && this->m_data[0] == c; }

    template <class... Codes> bool EqualsCodes(Codes... codes) const {
        const long list[] = {long(codes)..., 0};
        uint32_t i = 0;
        for (; list[i] != 0; ++i)
            if (i >= this->m_count || this->m_data[i] != C(list[i] & 0xFF))
                return false;
        return i == this->m_count;
    }

    bool EqualsTail(const CMyASCIIString_EFT& other, uint32_t offset) const {
        if (uint64_t(other.m_count) + offset != this->m_count)
            return false;
        return other.m_count == 0 ||
               std::memcmp(this->m_data + offset, other.m_data, sizeof(C) * other.m_count) == 0;
    }

    const C* CStr() const { return this->m_count ? this->m_data : nullptr; }

    // Clears the flag when a character is above 127; never sets it.
    void UpdateAsciiFlag() {
        for (uint32_t i = 0; i < this->m_count; ++i)
            if (Unsigned(this->m_data[i]) > 127) {
                m_ascii = false;
                return;
            }
    }

private:
    // Room for n characters and a terminator.
    bool ReserveWithTerminator(uint32_t n) { return n < UINT32_MAX && this->Reserve(n + 1); }
    bool Contains(C c) const { return FindChar(c, 0) < this->m_count; }

    bool m_ascii;
};

using CMyASCIIString = CMyASCIIString_EFT<char>;
using CMyWideString = CMyASCIIString_EFT<wchar_t>;

class CStringVector_EF : public CPtrVector_EF<CMyASCIIString> {};

// The whitespace set (space, tab, CR, LF) and a shared empty string of length 0 that stands in for an
// empty text where a pointer to characters is needed. Set up once; later calls do nothing.
void InitStringConstants();
extern CMyASCIIString g_whitespace;
extern CMyASCIIString g_emptyString;

template <class C> uint32_t CMyASCIIString_EFT<C>::SkipWhitespace(uint32_t from) const {
    static_assert(std::is_same<C, char>::value, "SkipWhitespace is a narrow-string operation");
    InitStringConstants();
    return FindFirstNotOf(g_whitespace, from);
}

template <class C> bool CMyASCIIString_EFT<C>::Trim() {
    InitStringConstants();
    static_assert(std::is_same<C, char>::value, "Trim is a narrow-string operation");
    if (this->m_count)
        TrimRight(g_whitespace);
    if (this->m_count)
        TrimLeft(g_whitespace);
    return Terminate();
}

// UTF-8 to UTF-16, as code page 65001 converts it; false when the narrow string is empty or the
// conversion yields nothing or more than 49999 units.
bool ToWide(CMyWideString& wide, const CMyASCIIString& narrow);
