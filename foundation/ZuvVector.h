#pragma once
// A typed vector over an ElemBuf. It does not own what its elements point at: the owner of a
// vector of object pointers (a path list of ZuvAnsi2*) releases it with DestroyOwning.

#include "foundation/ByteBuf.h"

#include <cstdint>
#include <type_traits>

template <typename T> class ZuvVector {
    static_assert(sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8,
                  "ZuvVector elements are 1, 2, 4 or 8 bytes");
    static_assert(std::is_trivially_copyable_v<T>, "ZuvVector elements are copied as bytes");

public:
    ZuvVector() : m_buf(ElemBufCreate(sizeof(T))) {}
    virtual ~ZuvVector() {
        if (m_buf) {
            ElemBufFree(&m_buf);
        }
    }
    ZuvVector(const ZuvVector&) = delete;
    ZuvVector& operator=(const ZuvVector&) = delete;

    // 0 when the buffer could not be created.
    uint32_t Count() const { return m_buf ? m_buf->count : 0; }
    // Unchecked.
    T& operator[](uint32_t i) { return reinterpret_cast<T*>(m_buf->data)[i]; }
    const T& operator[](uint32_t i) const { return reinterpret_cast<const T*>(m_buf->data)[i]; }
    ElemBuf* Buf() const { return m_buf; }

    bool Reserve(uint32_t count) { return ElemBufReserve(m_buf, count); }
    // Taken by value: an element of this vector stays valid while the storage moves.
    bool Append(T element) { return ElemBufInsert(m_buf, kBufEnd, &element, 1, true); }

    // Deletes every non-null element through its virtual destructor, then empties the vector.
    void DeleteAll() {
        static_assert(std::is_pointer_v<T>, "DeleteAll is for vectors of object pointers");
        for (uint32_t i = 0; i < Count(); ++i) {
            delete (*this)[i];
        }
        ElemBufClear(m_buf);
    }
    // DeleteAll, then the vector itself, which must have been made with new.
    void DestroyOwning() {
        DeleteAll();
        delete this;
    }

private:
    ElemBuf* m_buf;
};
