#include "markup/Subject.h"

void CSubject::Attach(CObserver* observer) {
    if (observer)
        m_observers.Append(observer);
}

bool CSubject::Detach(CObserver* observer) {
    return m_observers.Remove(observer);
}

void CSubject::Notify(uint32_t code, uint32_t value2, uint32_t value3) {
    for (auto* cell = m_observers.Head(); cell; cell = cell->next)
        cell->payload->Update(this, code, value2, value3);
}
