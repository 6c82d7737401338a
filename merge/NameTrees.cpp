#include "merge/NameTrees.h"

#include <algorithm>
#include <set>

using namespace PoDoFo;

namespace {

// Entries per leaf and kids per inner node of a written tree.
const size_t kFanOut = 64;

// Visits every node of the tree under `root` in tree order and hands each node's key/value array
// (/Names or /Nums) to `leaf`.
template <typename Leaf>
void WalkTree(PdfObject* root, PdfVecObjects& objects, const char* arrayKey, Leaf leaf) {
    std::set<PdfReference> seen;
    std::vector<PdfObject*> stack{root};
    while (!stack.empty()) {
        PdfObject* node = stack.back();
        stack.pop_back();
        if (node && node->IsReference()) {
            node = objects.GetObject(node->GetReference());
        }
        if (!node || !node->IsDictionary()) {
            continue;
        }
        // Only an indirect node can be met twice; a direct one sits inside its parent.
        if (node->Reference().IsIndirect() && !seen.insert(node->Reference()).second) {
            continue;
        }
        PdfObject* array = Resolve(node->GetDictionary().GetKey(arrayKey), objects);
        if (array && array->IsArray()) {
            leaf(array->GetArray());
        }
        PdfObject* kids = Resolve(node->GetDictionary().GetKey("Kids"), objects);
        if (kids && kids->IsArray()) {
            PdfArray& list = kids->GetArray();
            for (size_t i = list.size(); i-- > 0;) {
                stack.push_back(&list[i]);
            }
        }
    }
}

PdfObject KeyObject(const std::string& key) {
    return PdfObject(NameString(key));
}

PdfObject KeyObject(int64_t key) {
    return PdfObject(static_cast<pdf_int64>(key));
}

// Writes the sorted entries as leaves of kFanOut and inner nodes of kFanOut kids above them.
template <typename Entry>
PdfObject* WriteTree(std::vector<Entry>& entries, PdfVecObjects& objects, const char* arrayKey) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    PdfObject* root = objects.CreateObject();
    if (entries.size() <= kFanOut) {
        PdfArray array;
        for (const Entry& entry : entries) {
            array.push_back(KeyObject(entry.key));
            array.push_back(entry.value);
        }
        root->GetDictionary().AddKey(arrayKey, array);
        return root;
    }
    struct Node {
        PdfObject* object;
        PdfObject first;
        PdfObject last;
    };
    std::vector<Node> level;
    for (size_t start = 0; start < entries.size(); start += kFanOut) {
        const size_t end = std::min(entries.size(), start + kFanOut);
        PdfArray array;
        for (size_t i = start; i < end; ++i) {
            array.push_back(KeyObject(entries[i].key));
            array.push_back(entries[i].value);
        }
        PdfObject* leaf = objects.CreateObject();
        leaf->GetDictionary().AddKey(arrayKey, array);
        level.push_back({leaf, KeyObject(entries[start].key), KeyObject(entries[end - 1].key)});
    }
    for (;;) {
        const bool top = level.size() <= kFanOut;
        std::vector<Node> parents;
        for (size_t start = 0; start < level.size(); start += kFanOut) {
            const size_t end = std::min(level.size(), start + kFanOut);
            PdfArray kids;
            for (size_t i = start; i < end; ++i) {
                PdfArray limits;
                limits.push_back(level[i].first);
                limits.push_back(level[i].last);
                level[i].object->GetDictionary().AddKey("Limits", limits);
                kids.push_back(level[i].object->Reference());
            }
            PdfObject* parent = top ? root : objects.CreateObject();
            parent->GetDictionary().AddKey("Kids", kids);
            parents.push_back({parent, level[start].first, level[end - 1].last});
        }
        if (top) {
            return root;
        }
        level.swap(parents);
    }
}

} // namespace

std::string NameKey(const PdfString& name) {
    if (!name.IsValid()) {
        return std::string();
    }
    std::string key(name.GetString(), static_cast<size_t>(name.GetLength()));
    return name.IsUnicode() ? std::string("\xFE\xFF", 2) + key : key;
}

PdfString NameString(const std::string& key) {
    if (key.size() >= 2 && key[0] == '\xFE' && key[1] == '\xFF') {
        std::string units = key.substr(2);
        return PdfString(reinterpret_cast<const pdf_utf16be*>(units.data()),
                         static_cast<pdf_long>(units.size() / 2));
    }
    return PdfString(key.data(), static_cast<pdf_long>(key.size()));
}

std::string UniqueKey(const std::string& key, int ordinal, std::set<std::string>& taken) {
    const bool wide = key.size() >= 2 && key[0] == '\xFE' && key[1] == '\xFF';
    // Appends ASCII text as the key's encoding has it: UTF-16BE keys take a zero byte before each.
    auto with = [wide](std::string base, const std::string& suffix) {
        for (char c : suffix) {
            if (wide) {
                base += '\0';
            }
            base += c;
        }
        return base;
    };
    std::string candidate = key;
    if (taken.count(candidate)) {
        candidate = with(key, "-" + std::to_string(ordinal));
        for (int n = 2; taken.count(candidate); ++n) {
            candidate = with(key, "-" + std::to_string(ordinal) + "-" + std::to_string(n));
        }
    }
    taken.insert(candidate);
    return candidate;
}

PdfObject* Resolve(PdfObject* object, PdfVecObjects& objects) {
    // A chain of references is followed a few steps at most; a longer one is broken.
    for (int hops = 0; object && object->IsReference() && hops < 8; ++hops) {
        object = objects.GetObject(object->GetReference());
    }
    if (!object || object->IsReference() || object->IsNull()) {
        return nullptr;
    }
    return object;
}

PdfDictionary* DictionaryOf(PdfObject* object, PdfVecObjects& objects) {
    object = Resolve(object, objects);
    return object && object->IsDictionary() ? &object->GetDictionary() : nullptr;
}

PdfArray* ArrayOf(PdfObject* object, PdfVecObjects& objects) {
    object = Resolve(object, objects);
    return object && object->IsArray() ? &object->GetArray() : nullptr;
}

std::vector<NameEntry> ReadNameTree(PdfObject* root, PdfVecObjects& objects) {
    std::vector<NameEntry> entries;
    WalkTree(root, objects, "Names", [&](PdfArray& array) {
        for (size_t i = 0; i + 1 < array.size(); i += 2) {
            PdfObject* key = Resolve(&array[i], objects);
            if (key && key->IsString()) {
                entries.push_back({NameKey(key->GetString()), array[i + 1]});
            }
        }
    });
    return entries;
}

std::vector<NumberEntry> ReadNumberTree(PdfObject* root, PdfVecObjects& objects) {
    std::vector<NumberEntry> entries;
    WalkTree(root, objects, "Nums", [&](PdfArray& array) {
        for (size_t i = 0; i + 1 < array.size(); i += 2) {
            PdfObject* key = Resolve(&array[i], objects);
            if (key && key->IsNumber()) {
                entries.push_back({static_cast<int64_t>(key->GetNumber()), array[i + 1]});
            }
        }
    });
    return entries;
}

PdfObject* WriteNameTree(std::vector<NameEntry> entries, PdfVecObjects& objects) {
    return WriteTree(entries, objects, "Names");
}

PdfObject* WriteNumberTree(std::vector<NumberEntry> entries, PdfVecObjects& objects) {
    return WriteTree(entries, objects, "Nums");
}
