// Array containers over one contiguous block from the C heap, or over storage the caller attaches.
// Nothing here throws: operations answer a bool, searches answer the count for "not found".
// Element access by index does no bounds test. Elements must be trivially copyable.
#pragma once

#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>

template <class T> class CUnsafeVector {
public:
    constexpr CUnsafeVector() : m_data(nullptr) {}
    virtual ~CUnsafeVector() {
        if (m_data)
            std::free(m_data);
    }
    CUnsafeVector(const CUnsafeVector&) = delete;
    CUnsafeVector& operator=(const CUnsafeVector&) = delete;

protected:
    T* m_data;
};

template <class T> class CMyVector_EF : public CUnsafeVector<T> {
    static_assert(std::is_trivially_copyable<T>::value, "the block is moved with realloc");

public:
    constexpr CMyVector_EF() : m_count(0), m_capacity(0), m_external(false) {}
    ~CMyVector_EF() override {
        CMyVector_EF::Free();
        this->m_data = nullptr;
    }

    // Owned storage is released; attached storage stays with its capacity. Count becomes 0 either way.
    virtual void Free() {
        if (!m_external && this->m_data) {
            std::free(this->m_data);
            this->m_data = nullptr;
            m_capacity = 0;
        }
        m_count = 0;
    }

    // Uses the caller's buffer as storage; the container never frees it. The bytes are not cleared.
    void Attach(T* buffer, uint32_t capacity) {
        if (!buffer)
            return;
        ReleaseOwned();
        this->m_data = buffer;
        m_count = 0;
        m_capacity = capacity;
        m_external = true;
    }

    // Makes room for exactly n elements, keeping the contents. Attached storage that is too small is
    // left to its owner: the contents move to a heap block of our own.
    bool Reserve(uint32_t n) {
        if (n <= m_capacity)
            return true;
        if (size_t(n) > SIZE_MAX / sizeof(T))
            return FailReserve();
        T* block;
        if (m_external) {
            block = static_cast<T*>(std::malloc(sizeof(T) * size_t(n)));
            if (block && m_count)
                std::memcpy(block, this->m_data, sizeof(T) * size_t(m_count));
        } else {
            block = static_cast<T*>(std::realloc(this->m_data, sizeof(T) * size_t(n)));
        }
        if (!block)
            return FailReserve();
        this->m_data = block;
        m_capacity = n;
        m_external = false;
        return true;
    }

    // Grows to 10, then by a factor 1.6 (truncated): 10, 16, 25, 40, 64, ...
    bool PushBack(T value) {
        if (m_count >= m_capacity) {
            uint32_t next = m_capacity < 10 ? 10 : uint32_t(double(m_capacity) * 1.6);
            if (!Reserve(next))
                return false;
        }
        this->m_data[m_count++] = value;
        return true;
    }

    // Drops the last element; false when there is none.
    bool PopBack() {
        if (m_count == 0)
            return false;
        --m_count;
        return true;
    }

    // Pointer arrays only: deletes every non-null element in index order; the storage stays.
    void DeleteAll() {
        static_assert(std::is_pointer<T>::value, "DeleteAll is for arrays of owned pointers");
        for (uint32_t i = 0; i < m_count; ++i)
            delete this->m_data[i];
        m_count = 0;
    }

    T& operator[](uint32_t i) { return this->m_data[i]; }
    const T& operator[](uint32_t i) const { return this->m_data[i]; }
    T* Data() { return this->m_data; }
    const T* Data() const { return this->m_data; }
    uint32_t Count() const { return m_count; }
    uint32_t Capacity() const { return m_capacity; }
    bool IsExternal() const { return m_external; }
    bool IsEmpty() const { return m_count == 0; }

protected:
    // A failed allocation leaves the container empty and without storage.
    bool FailReserve() {
        ReleaseOwned();
        m_count = 0;
        m_capacity = 0;
        m_external = false;
        return false;
    }

    void ReleaseOwned() {
        if (!m_external && this->m_data)
            std::free(this->m_data);
        this->m_data = nullptr;
    }

    uint32_t m_count;
    uint32_t m_capacity;
    bool m_external;
};

// Owns its elements: destruction deletes each one through its virtual destructor.
template <class T> class CPtrVector_EF : public CMyVector_EF<T*> {
public:
    constexpr CPtrVector_EF() = default;
    ~CPtrVector_EF() override {
        this->DeleteAll();
        this->Free();
    }
};
