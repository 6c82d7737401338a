#pragma once
// The steps that merge what an input's catalog holds beside its pages (named destinations, form
// fields, attachments, layers, page labels), and what they share.
//
// They read an appended input through its catalog as Append copied it into the merged document,
// where every reference already names the merged document's objects. The merged document keeps
// the base input's catalog: what the later inputs bring is added to it.

#include "merge/DocumentMerge.h"
#include "merge/NameTrees.h"

#include <map>
#include <memory>
#include <set>
#include <string>

std::unique_ptr<MergeStep> MakeNamedDestinations();
std::unique_ptr<MergeStep> MakeFormFields();
std::unique_ptr<MergeStep> MakeEmbeddedFiles();
std::unique_ptr<MergeStep> MakeLayers();
std::unique_ptr<MergeStep> MakePageLabels();

// The entry `key` of `dictionary`, resolved, when it is a dictionary (an array); null otherwise.
PoDoFo::PdfDictionary* DictionaryAt(PoDoFo::PdfDictionary* dictionary, const char* key,
                                    PoDoFo::PdfVecObjects& objects);
PoDoFo::PdfArray* ArrayAt(PoDoFo::PdfDictionary* dictionary, const char* key, PoDoFo::PdfVecObjects& objects);

// The entry `key` of `dictionary` as a dictionary (an array) to add to: a direct empty one is put
// in place of a missing or malformed entry.
PoDoFo::PdfDictionary& MadeDictionary(PoDoFo::PdfDictionary& dictionary, const char* key,
                                      PoDoFo::PdfVecObjects& objects);
PoDoFo::PdfArray& MadeArray(PoDoFo::PdfDictionary& dictionary, const char* key,
                            PoDoFo::PdfVecObjects& objects);

// The catalog of a document; of an appended part, as copied into the merged document.
PoDoFo::PdfDictionary* CatalogOf(PoDoFo::PdfMemDocument& document);
PoDoFo::PdfDictionary* PartCatalog(PoDoFo::PdfMemDocument& merged, const AppendedPart& part);

// The entry /Names /<kind> of a catalog: a name tree's root.
PoDoFo::PdfObject* NameTreeOf(PoDoFo::PdfDictionary* catalog, const char* kind,
                              PoDoFo::PdfVecObjects& objects);

// Sorted by key, only the first of equal keys kept: an input's malformed tree may list a key
// twice, and a tree must not.
void KeepFirstOfEachKey(std::vector<NameEntry>& entries);
void KeepFirstOfEachKey(std::vector<NumberEntry>& entries);

// Keys that must stay unique across the inputs (names of destinations, attachments, fields):
// those the merged inputs hold, and for the input being appended, what its clashing keys become.
class NameRegister {
public:
    void Take(const std::string& key) { m_taken.insert(key); }
    bool Holds(const std::string& key) const { return m_taken.count(key) != 0; }
    // Plans the renames of a later input's keys: each key an earlier input holds gets a new name
    // that neither they nor this input use.
    void Plan(const std::set<std::string>& keys, int ordinal);
    bool HasRenames() const { return !m_renames.empty(); }
    // What `key` of the planned input becomes: itself unless it clashed.
    std::string Renamed(const std::string& key) const;
    // The planned input is merged: its keys, renamed, are taken.
    void Commit();

private:
    std::set<std::string> m_taken;
    std::set<std::string> m_planned;
    std::map<std::string, std::string> m_renames;
};
