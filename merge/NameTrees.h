#pragma once
// Name trees and number trees (the catalog's /Names entries, /PageLabels, a parent tree), read
// whole into a list and written anew as a balanced tree. Reading never recurses and never loops:
// a node met twice, a missing kid and a malformed node are passed over, so what is sound is kept.

#include <podofo/podofo.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// A name tree's key as its bytes: a Unicode string as "\xFE\xFF" and its UTF-16BE bytes, any
// other string as it is. Byte order is the order the tree keeps.
std::string NameKey(const PoDoFo::PdfString& name);
PoDoFo::PdfString NameString(const std::string& key);

// `key` when `taken` does not hold it; otherwise `key` with "-<ordinal>" added (and "-2", "-3"...
// after that while the result is still taken), in the key's own encoding. The result is added to
// `taken`. Renaming a later input's name this way keeps it recognisable and tells whose it is.
std::string UniqueKey(const std::string& key, int ordinal, std::set<std::string>& taken);

struct NameEntry {
    std::string key;
    PoDoFo::PdfObject value; // as the tree holds it: usually a reference
};

struct NumberEntry {
    int64_t key;
    PoDoFo::PdfObject value;
};

// The object itself, or the object a reference names; null for a missing object or a null.
PoDoFo::PdfObject* Resolve(PoDoFo::PdfObject* object, PoDoFo::PdfVecObjects& objects);
// The dictionary or array that `object` is or names; null for anything else.
PoDoFo::PdfDictionary* DictionaryOf(PoDoFo::PdfObject* object, PoDoFo::PdfVecObjects& objects);
PoDoFo::PdfArray* ArrayOf(PoDoFo::PdfObject* object, PoDoFo::PdfVecObjects& objects);

// Every entry under `root` (a tree's root node, or a reference to it), in tree order.
std::vector<NameEntry> ReadNameTree(PoDoFo::PdfObject* root, PoDoFo::PdfVecObjects& objects);
std::vector<NumberEntry> ReadNumberTree(PoDoFo::PdfObject* root, PoDoFo::PdfVecObjects& objects);

// A new tree in `objects` holding the entries, sorted by key (stable: of equal keys, the
// first given stays first). Returns the root node, an indirect object.
PoDoFo::PdfObject* WriteNameTree(std::vector<NameEntry> entries, PoDoFo::PdfVecObjects& objects);
PoDoFo::PdfObject* WriteNumberTree(std::vector<NumberEntry> entries, PoDoFo::PdfVecObjects& objects);
