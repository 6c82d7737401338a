#include "merge/CatalogSteps.h"

#include <algorithm>

using namespace PoDoFo;

PdfDictionary* DictionaryAt(PdfDictionary* dictionary, const char* key, PdfVecObjects& objects) {
    return dictionary ? DictionaryOf(dictionary->GetKey(key), objects) : nullptr;
}

PdfArray* ArrayAt(PdfDictionary* dictionary, const char* key, PdfVecObjects& objects) {
    return dictionary ? ArrayOf(dictionary->GetKey(key), objects) : nullptr;
}

PdfDictionary& MadeDictionary(PdfDictionary& dictionary, const char* key, PdfVecObjects& objects) {
    if (PdfDictionary* existing = DictionaryAt(&dictionary, key, objects)) {
        return *existing;
    }
    dictionary.AddKey(key, PdfDictionary());
    return dictionary.GetKey(key)->GetDictionary();
}

PdfArray& MadeArray(PdfDictionary& dictionary, const char* key, PdfVecObjects& objects) {
    if (PdfArray* existing = ArrayAt(&dictionary, key, objects)) {
        return *existing;
    }
    dictionary.AddKey(key, PdfArray());
    return dictionary.GetKey(key)->GetArray();
}

PdfDictionary* CatalogOf(PdfMemDocument& document) {
    PdfObject* catalog = document.GetCatalog();
    return catalog && catalog->IsDictionary() ? &catalog->GetDictionary() : nullptr;
}

PdfDictionary* PartCatalog(PdfMemDocument& merged, const AppendedPart& part) {
    PdfObject* catalog = part.part.GetCatalog();
    if (!catalog || !catalog->Reference().IsIndirect()) {
        return nullptr;
    }
    PdfObject* moved = merged.GetObjects().GetObject(part.Moved(catalog->Reference()));
    return moved && moved->IsDictionary() ? &moved->GetDictionary() : nullptr;
}

PdfObject* NameTreeOf(PdfDictionary* catalog, const char* kind, PdfVecObjects& objects) {
    PdfDictionary* names = DictionaryAt(catalog, "Names", objects);
    return names ? names->GetKey(kind) : nullptr;
}

namespace {

template <typename Entry> void KeepFirst(std::vector<Entry>& entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const Entry& a, const Entry& b) { return a.key == b.key; }),
                  entries.end());
}

} // namespace

void KeepFirstOfEachKey(std::vector<NameEntry>& entries) {
    KeepFirst(entries);
}

void KeepFirstOfEachKey(std::vector<NumberEntry>& entries) {
    KeepFirst(entries);
}

void NameRegister::Plan(const std::set<std::string>& keys, int ordinal) {
    m_renames.clear();
    m_planned = m_taken;
    m_planned.insert(keys.begin(), keys.end());
    for (const std::string& key : keys) {
        if (m_taken.count(key)) {
            m_renames[key] = UniqueKey(key, ordinal, m_planned);
        }
    }
}

std::string NameRegister::Renamed(const std::string& key) const {
    const auto renamed = m_renames.find(key);
    return renamed == m_renames.end() ? key : renamed->second;
}

void NameRegister::Commit() {
    m_taken.insert(m_planned.begin(), m_planned.end());
    m_planned.clear();
    m_renames.clear();
}
