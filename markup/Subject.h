// The observer pattern by which a clicked link reaches the window that opens it, and the doubly
// linked list behind it (also the list of the XML tree while markup is parsed).
#pragma once

#include <cstdint>
#include <new>

// Cells are owned by the list; payloads are not.
template <class T> class CLinkedList {
public:
    struct Cell {
        Cell* next;
        Cell* previous;
        T* payload;
    };

    CLinkedList() = default;
    CLinkedList(const CLinkedList&) = delete;
    CLinkedList& operator=(const CLinkedList&) = delete;
    ~CLinkedList() { Clear(); }

    // False when the cell cannot be allocated.
    bool Append(T* payload) {
        Cell* cell = new (std::nothrow) Cell{nullptr, m_tail, payload};
        if (!cell)
            return false;
        (m_tail ? m_tail->next : m_head) = cell;
        m_tail = cell;
        ++m_count;
        return true;
    }

    // Unlinks and frees the first cell, from the head, that carries the payload.
    bool Remove(const T* payload) {
        for (Cell* cell = m_head; cell; cell = cell->next)
            if (cell->payload == payload) {
                Unlink(cell);
                return true;
            }
        return false;
    }

    // Takes the first payload off the list; null when empty.
    T* PopFront() {
        if (!m_head)
            return nullptr;
        T* payload = m_head->payload;
        Unlink(m_head);
        return payload;
    }

    // Moves all cells of other to the tail of this list.
    void Splice(CLinkedList& other) {
        if (!other.m_head)
            return;
        other.m_head->previous = m_tail;
        (m_tail ? m_tail->next : m_head) = other.m_head;
        m_tail = other.m_tail;
        m_count += other.m_count;
        other.m_head = other.m_tail = nullptr;
        other.m_count = 0;
    }

    void Clear() {
        while (m_head)
            Unlink(m_head);
    }

    Cell* Head() const { return m_head; }
    Cell* Tail() const { return m_tail; }
    uint32_t Count() const { return m_count; }

private:
    void Unlink(Cell* cell) {
        (cell->previous ? cell->previous->next : m_head) = cell->next;
        (cell->next ? cell->next->previous : m_tail) = cell->previous;
        --m_count;
        delete cell;
    }

    Cell* m_head = nullptr;
    Cell* m_tail = nullptr;
    uint32_t m_count = 0;
};

class CSubject;

class CObserver {
public:
    virtual ~CObserver() = default;
    virtual void Update(CSubject* subject, uint32_t code, uint32_t value2, uint32_t value3) = 0;
};

// Observers are called in the order they were attached; attaching twice gives two calls. The
// subject does not own its observers, and an observer that dies first must detach itself.
class CSubject {
public:
    CSubject() = default;
    CSubject(const CSubject&) = delete;
    CSubject& operator=(const CSubject&) = delete;
    virtual ~CSubject() = default;
    virtual void Attach(CObserver* observer);
    virtual bool Detach(CObserver* observer);
    virtual void Notify(uint32_t code, uint32_t value2, uint32_t value3);

private:
    CLinkedList<CObserver> m_observers;
};
