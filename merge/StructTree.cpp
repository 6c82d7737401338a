#include "merge/StructTree.h"

#include "merge/NameTrees.h"
#include "merge/ObjectWalk.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace PoDoFo;

namespace {

using Renames = std::map<std::string, std::string>;
// A role map or class map: each name with its value as the map holds it.
using NameMap = std::map<std::string, PdfObject>;

// Root entries that are plain lists; an input's entries are added to the merged list.
const char* const kRootLists[] = {"Namespaces", "PronunciationLexicon", "AF"};

// The structure types a reader knows without a role map.
bool IsStandardType(const std::string& type) {
    static const std::string standard =
        " Document DocumentFragment Part Art Sect Div Aside BlockQuote Caption TOC TOCI Index NonStruct"
        " Private Title FENote P H H1 H2 H3 H4 H5 H6 L LI Lbl LBody Table TR TH TD THead TBody TFoot Span"
        " Quote Note Reference BibEntry Code Link Annot Ruby RB RT RP Warichu WT WP Figure Formula Form Sub"
        " Em Strong Artifact ";
    return !type.empty() && type.find(' ') == std::string::npos &&
           standard.find(" " + type + " ") != std::string::npos;
}

bool IsElement(const PdfDictionary& dictionary) {
    const PdfObject* type = dictionary.GetKey("S");
    return type && type->IsName();
}

std::string Renamed(const Renames& renames, const std::string& name) {
    const auto renamed = renames.find(name);
    return renamed == renames.end() ? name : renamed->second;
}

PdfObject* StructRootOf(PdfObject* catalog, PdfVecObjects& objects) {
    PdfDictionary* dictionary = DictionaryOf(catalog, objects);
    PdfObject* root = dictionary ? Resolve(dictionary->GetKey("StructTreeRoot"), objects) : nullptr;
    return root && root->IsDictionary() ? root : nullptr;
}

NameMap ReadNameMap(PdfDictionary& root, const char* key, PdfVecObjects& objects) {
    NameMap map;
    if (PdfDictionary* dictionary = DictionaryOf(root.GetKey(key), objects)) {
        for (const auto& entry : dictionary->GetKeys()) {
            map.emplace(entry.first.GetName(), *entry.second);
        }
    }
    return map;
}

// --- Reading a structure tree ------------------------------------------------------------------

// A document's structure as read: every element once, and the names it defines or uses.
struct Structure {
    std::vector<PdfObject*> tops;           // the root's elements
    std::vector<PdfObject*> elements;       // every element, in document order
    std::vector<PdfDictionary*> attributes; // attribute objects of elements and of classes
    std::set<std::string> ids;              // identifiers defined (/ID, /IDTree) or named (/Headers)
    std::set<std::string> types;            // every element's /S
    std::set<std::string> classes;          // every element's /C
};

// An element kid and where it sits: in its parent's /K list at `index`, or as the /K itself when
// `list` is null.
struct Kid {
    PdfObject* element;
    PdfObject* parent;
    PdfArray* list;
    size_t index;
};

// The element kids of `parent`, in order. A kid that is the root itself counts as one, so that
// it can be taken out like any element met before.
std::vector<Kid> ElementKids(PdfObject& parent, PdfObject& root, PdfVecObjects& objects) {
    std::vector<Kid> kids;
    PdfObject* value = parent.GetDictionary().GetKey("K");
    auto add = [&](PdfObject& kid, PdfArray* list, size_t index) {
        PdfObject* target = kid.IsReference() ? objects.GetObject(kid.GetReference()) : &kid;
        if (target == &root || (target && target->IsDictionary() && IsElement(target->GetDictionary()))) {
            kids.push_back({target, &parent, list, index});
        }
    };
    if (PdfArray* list = ArrayOf(value, objects)) {
        for (size_t i = 0; i < list->size(); ++i) {
            add((*list)[i], list, i);
        }
    } else if (value) {
        add(*value, nullptr, 0);
    }
    return kids;
}

// Takes every kid met before, in reading order, out of its /K: a loop back to an ancestor, an
// element's second parent, a /K list shared with another element. Each element stays where a
// reader meets it first, and what is left is a tree.
void CutRepeats(PdfObject& root, PdfVecObjects& objects) {
    std::set<PdfReference> seen;
    std::vector<Kid> stack;
    std::vector<Kid> repeats;
    auto expand = [&](PdfObject& parent) {
        const PdfObject* value = parent.GetDictionary().GetKey("K");
        if (value && value->IsReference() && ArrayOf(parent.GetDictionary().GetKey("K"), objects) &&
            !seen.insert(value->GetReference()).second) {
            repeats.push_back({nullptr, &parent, nullptr, 0});
            return;
        }
        const std::vector<Kid> kids = ElementKids(parent, root, objects);
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    };
    if (root.Reference().IsIndirect()) {
        seen.insert(root.Reference());
    }
    expand(root);
    while (!stack.empty()) {
        const Kid kid = stack.back();
        stack.pop_back();
        if (kid.element->Reference().IsIndirect() && !seen.insert(kid.element->Reference()).second) {
            repeats.push_back(kid);
        } else {
            expand(*kid.element);
        }
    }
    // Later places in a list first, so that the earlier places stay where they are.
    std::sort(repeats.begin(), repeats.end(), [](const Kid& a, const Kid& b) {
        return a.list != b.list ? std::less<PdfArray*>()(a.list, b.list) : a.index > b.index;
    });
    for (const Kid& kid : repeats) {
        if (kid.list) {
            kid.list->erase(kid.list->begin() + static_cast<std::ptrdiff_t>(kid.index));
        } else {
            kid.parent->GetDictionary().RemoveKey("K");
        }
    }
}

// Attribute objects: a dictionary, or a list of them (each maybe followed by a revision number).
void AddAttributes(PdfObject* value, PdfVecObjects& objects, std::vector<PdfDictionary*>& attributes) {
    if (PdfArray* list = ArrayOf(value, objects)) {
        for (PdfObject& item : *list) {
            if (PdfDictionary* dictionary = DictionaryOf(&item, objects)) {
                attributes.push_back(dictionary);
            }
        }
    } else if (PdfDictionary* dictionary = DictionaryOf(value, objects)) {
        attributes.push_back(dictionary);
    }
}

// Calls `visit` for each name of a /C entry: a name, or a list of names and revision numbers.
void ForEachClass(PdfObject* value, PdfVecObjects& objects, const std::function<void(PdfObject&)>& visit) {
    PdfObject* resolved = Resolve(value, objects);
    if (resolved && resolved->IsName()) {
        visit(*resolved);
    } else if (resolved && resolved->IsArray()) {
        for (PdfObject& item : resolved->GetArray()) {
            if (item.IsName()) {
                visit(item);
            }
        }
    }
}

void NoteElement(PdfObject& element, PdfVecObjects& objects, Structure& structure) {
    structure.elements.push_back(&element);
    PdfDictionary& dictionary = element.GetDictionary();
    structure.types.insert(dictionary.GetKey("S")->GetName().GetName());
    const PdfObject* id = dictionary.GetKey("ID");
    if (id && id->IsString()) {
        structure.ids.insert(NameKey(id->GetString()));
    }
    ForEachClass(dictionary.GetKey("C"), objects,
                 [&](PdfObject& name) { structure.classes.insert(name.GetName().GetName()); });
    AddAttributes(dictionary.GetKey("A"), objects, structure.attributes);
}

// Reads the tree under `root` without recursion, in document order, once it is a tree. Every
// element's /P is made to name the parent it is met under.
Structure ReadStructure(PdfObject& root, PdfVecObjects& objects) {
    CutRepeats(root, objects);
    Structure structure;
    std::set<PdfReference> seen;
    const std::vector<Kid> tops = ElementKids(root, root, objects);
    std::vector<Kid> stack(tops.rbegin(), tops.rend());
    while (!stack.empty()) {
        const Kid kid = stack.back();
        stack.pop_back();
        PdfObject& element = *kid.element;
        if (&element == &root ||
            (element.Reference().IsIndirect() && !seen.insert(element.Reference()).second)) {
            continue;
        }
        if (kid.parent == &root) {
            structure.tops.push_back(&element);
        }
        const PdfReference& parent = kid.parent->Reference();
        const PdfObject* up = element.GetDictionary().GetKey("P");
        if (parent.IsIndirect() && (!up || !up->IsReference() || up->GetReference() != parent)) {
            element.GetDictionary().AddKey("P", parent);
        }
        NoteElement(element, objects, structure);
        const std::vector<Kid> kids = ElementKids(element, root, objects);
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    PdfDictionary& dictionary = root.GetDictionary();
    if (PdfDictionary* classMap = DictionaryOf(dictionary.GetKey("ClassMap"), objects)) {
        for (const auto& entry : classMap->GetKeys()) {
            AddAttributes(entry.second, objects, structure.attributes);
        }
    }
    for (PdfDictionary* attributes : structure.attributes) {
        if (PdfArray* headers = ArrayOf(attributes->GetKey("Headers"), objects)) {
            for (const PdfObject& header : *headers) {
                if (header.IsString()) {
                    structure.ids.insert(NameKey(header.GetString()));
                }
            }
        }
    }
    for (const NameEntry& entry : ReadNameTree(dictionary.GetKey("IDTree"), objects)) {
        structure.ids.insert(entry.key);
    }
    return structure;
}

// The root's elements as the document holds them: references, or the element dictionaries.
std::vector<PdfObject> TopElements(PdfObject& root, PdfVecObjects& objects) {
    std::vector<PdfObject> tops;
    for (const Kid& kid : ElementKids(root, root, objects)) {
        tops.push_back(kid.list ? (*kid.list)[kid.index] : *root.GetDictionary().GetKey("K"));
    }
    return tops;
}

// Every element that has an /ID, by that ID: what /IDTree must hold.
std::vector<NameEntry> ElementIds(const Structure& structure) {
    std::vector<NameEntry> ids;
    for (PdfObject* element : structure.elements) {
        const PdfObject* id = element->GetDictionary().GetKey("ID");
        if (id && id->IsString() && element->Reference().IsIndirect()) {
            ids.push_back({NameKey(id->GetString()), PdfObject(element->Reference())});
        }
    }
    return ids;
}

// --- The parent tree's keys --------------------------------------------------------------------

// Each key of the document's parent tree, in order, mapped onto first, first + 1, ...
std::map<int64_t, int64_t> KeyMap(PdfObject& root, PdfVecObjects& objects, int64_t first) {
    std::map<int64_t, int64_t> keys;
    for (const NumberEntry& entry : ReadNumberTree(root.GetDictionary().GetKey("ParentTree"), objects)) {
        keys.emplace(entry.key, 0);
    }
    for (auto& key : keys) {
        key.second = first++;
    }
    return keys;
}

// Moves every /StructParents and /StructParent of the document along `keys`. One that names no
// key of the parent tree leads nowhere, and would lead into another input's range: it goes.
void RenumberStructParents(PdfVecObjects& objects, const std::map<int64_t, int64_t>& keys) {
    ForEachDictionary(objects, [&](PdfDictionary& dictionary) {
        for (const char* name : {"StructParents", "StructParent"}) {
            PdfObject* value = dictionary.GetKey(name);
            if (!value) {
                continue;
            }
            PdfObject* number = Resolve(value, objects);
            const auto key = number && number->IsNumber() ? keys.find(number->GetNumber()) : keys.end();
            if (key == keys.end()) {
                dictionary.RemoveKey(name);
            } else if (!value->IsNumber() || value->GetNumber() != key->second) {
                dictionary.AddKey(name, PdfObject(static_cast<pdf_int64>(key->second)));
            }
        }
    });
}

bool IsIdentity(const std::map<int64_t, int64_t>& keys) {
    return std::all_of(keys.begin(), keys.end(),
                       [](const std::pair<const int64_t, int64_t>& key) { return key.first == key.second; });
}

// --- Names that would clash --------------------------------------------------------------------

using Meaning = std::function<std::string(const std::string&)>;

// The later input's names that the merged document knows with another meaning, each with the
// unique name it is given within that input.
Renames Clashes(const std::set<std::string>& partNames, const Meaning& inPart,
                const std::set<std::string>& mergedNames, const Meaning& inMerged, int ordinal) {
    Renames renames;
    std::set<std::string> taken(mergedNames);
    taken.insert(partNames.begin(), partNames.end());
    for (const std::string& name : partNames) {
        if (mergedNames.count(name) && inPart(name) != inMerged(name)) {
            renames[name] = UniqueKey(name, ordinal, taken);
        }
    }
    return renames;
}

// What a structure type stands for: the first standard type its role map leads to, or the last
// custom name on the way; a loop stands for nothing.
std::string RoleOf(std::string type, const NameMap& roles) {
    for (size_t hops = 0; hops <= roles.size(); ++hops) {
        const auto role = roles.find(type);
        if (IsStandardType(type) || role == roles.end()) {
            return type;
        }
        if (!role->second.IsName()) {
            break;
        }
        type = role->second.GetName().GetName();
    }
    return std::string();
}

// What a class stands for: its attribute objects as written.
std::string ClassMeaning(const PdfObject& value, PdfVecObjects& objects) {
    std::string meaning;
    std::string text;
    auto add = [&](const PdfObject& item) {
        if (const PdfObject* resolved = Resolve(const_cast<PdfObject*>(&item), objects)) {
            resolved->ToString(text);
            meaning += text;
        }
        meaning += '\n';
    };
    const PdfObject* resolved = Resolve(const_cast<PdfObject*>(&value), objects);
    if (resolved && resolved->IsArray()) {
        for (const PdfObject& item : resolved->GetArray()) {
            add(item);
        }
    } else if (resolved) {
        add(*resolved);
    }
    return meaning;
}

template <typename Map> std::set<std::string> KeysOf(const Map& map) {
    std::set<std::string> keys;
    for (const auto& entry : map) {
        keys.insert(entry.first);
    }
    return keys;
}

// Renames the keys of a role or class map in place, and the name values of a role map.
void RenameMapEntries(PdfDictionary* map, const Renames& renames, bool values) {
    if (!map || renames.empty()) {
        return;
    }
    std::vector<std::pair<std::string, PdfObject>> entries;
    for (const auto& entry : map->GetKeys()) {
        entries.emplace_back(entry.first.GetName(), *entry.second);
    }
    map->Clear();
    for (auto& entry : entries) {
        if (values && entry.second.IsName()) {
            entry.second = PdfObject(PdfName(Renamed(renames, entry.second.GetName().GetName())));
        }
        map->AddKey(PdfName(Renamed(renames, entry.first)), entry.second);
    }
}

void RenameIds(const Structure& structure, const Renames& renames, PdfVecObjects& objects) {
    if (renames.empty()) {
        return;
    }
    for (PdfObject* element : structure.elements) {
        PdfDictionary& dictionary = element->GetDictionary();
        const PdfObject* id = dictionary.GetKey("ID");
        if (id && id->IsString() && renames.count(NameKey(id->GetString()))) {
            dictionary.AddKey("ID", NameString(renames.at(NameKey(id->GetString()))));
        }
    }
    for (PdfDictionary* attributes : structure.attributes) {
        if (PdfArray* headers = ArrayOf(attributes->GetKey("Headers"), objects)) {
            for (PdfObject& header : *headers) {
                if (header.IsString() && renames.count(NameKey(header.GetString()))) {
                    header = PdfObject(NameString(renames.at(NameKey(header.GetString()))));
                }
            }
        }
    }
}

void RenameTypes(const Structure& structure, const Renames& renames) {
    for (PdfObject* element : structure.elements) {
        PdfDictionary& dictionary = element->GetDictionary();
        const std::string type = dictionary.GetKey("S")->GetName().GetName();
        if (renames.count(type)) {
            dictionary.AddKey("S", PdfName(renames.at(type)));
        }
    }
}

void RenameClasses(const Structure& structure, const Renames& renames, PdfVecObjects& objects) {
    for (PdfObject* element : structure.elements) {
        ForEachClass(element->GetDictionary().GetKey("C"), objects, [&](PdfObject& name) {
            if (renames.count(name.GetName().GetName())) {
                name = PdfObject(PdfName(renames.at(name.GetName().GetName())));
            }
        });
    }
}

// --- Language ----------------------------------------------------------------------------------

// A document's /Lang; an empty one when it has none, which says the same: not known.
PdfString LanguageOf(PdfObject* catalog, PdfVecObjects& objects) {
    PdfDictionary* dictionary = DictionaryOf(catalog, objects);
    PdfObject* lang = dictionary ? Resolve(dictionary->GetKey("Lang"), objects) : nullptr;
    return lang && lang->IsString() && lang->GetString().IsValid() ? lang->GetString() : PdfString("");
}

// Language tags compare without regard to case.
std::string LanguageTag(const PdfString& lang) {
    std::string tag = lang.GetStringUtf8();
    std::transform(tag.begin(), tag.end(), tag.begin(), [](unsigned char c) { return std::tolower(c); });
    return tag;
}

// --- Writing -----------------------------------------------------------------------------------

// Of entries with one key, the first given is the one kept.
template <typename Entry> std::vector<Entry> FirstPerKey(std::vector<Entry> entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const Entry& a, const Entry& b) { return a.key == b.key; }),
                  entries.end());
    return entries;
}

PdfObject* NewElement(PdfVecObjects& objects, const char* type, const PdfReference& parent) {
    PdfObject* element = objects.CreateObject("StructElem");
    element->GetDictionary().AddKey("S", PdfName(type));
    element->GetDictionary().AddKey("P", parent);
    return element;
}

// `kid` (a reference to an element, or an element dictionary) as a kid of `parent`.
PdfObject Adopted(const PdfObject& kid, const PdfReference& parent, PdfVecObjects& objects) {
    PdfObject adopted(kid);
    PdfObject* element = kid.IsReference() ? objects.GetObject(kid.GetReference()) : &adopted;
    if (element && element->IsDictionary()) {
        element->GetDictionary().AddKey("P", parent);
    }
    return adopted;
}

// Puts the page's content between `begin` and `end`; false for a page without content.
bool WrapContents(PdfDictionary& page, const PdfReference& begin, const PdfReference& end,
                  PdfVecObjects& objects) {
    PdfObject* contents = page.GetKey("Contents");
    PdfArray wrapped;
    wrapped.push_back(begin);
    if (PdfArray* list = ArrayOf(contents, objects)) {
        for (const PdfObject& stream : *list) {
            if (stream.IsReference()) {
                wrapped.push_back(stream);
            }
        }
    } else if (contents && contents->IsReference() && Resolve(contents, objects) &&
               Resolve(contents, objects)->HasStream()) {
        wrapped.push_back(*contents);
    }
    if (wrapped.size() == 1) {
        return false;
    }
    wrapped.push_back(end);
    page.AddKey("Contents", wrapped);
    return true;
}

// The page's object, or null where the page tree does not give one.
PdfObject* PageObject(PdfMemDocument& document, int index) {
    try {
        PdfPage* page = document.GetPage(index);
        return page ? page->GetObject() : nullptr;
    } catch (const PdfError&) {
        return nullptr;
    }
}

// --- The step ----------------------------------------------------------------------------------

class StructTreeStep : public MergeStep {
public:
    void Start(PdfMemDocument& merged) override;
    void BeforeAppend(PdfMemDocument& merged, AppendedPart& part) override;
    void AfterAppend(PdfMemDocument& merged, const AppendedPart& part) override;
    void Finish(PdfMemDocument& merged) override;

private:
    // One merged input, in input order.
    struct Input {
        bool tagged = false;
        // A tagged input's top elements, as the merged document holds them.
        std::vector<PdfObject> tops;
        // An untagged input's pages and object numbers, and the language its pages are read in
        // when it is not the merged document's.
        int firstPage = 0;
        int pageCount = 0;
        unsigned firstObject = 0;
        unsigned endObject = 0;
        bool ownLanguage = false;
        PdfString language;
    };
    // What BeforeAppend found in a part, for AfterAppend.
    struct Pending {
        bool tagged = false;
        PdfReference catalog;
        unsigned objectCount = 0;
        bool ownLanguage = false;
        PdfString language;
        std::map<int64_t, int64_t> keys;
        Renames ids;
        std::vector<NameEntry> elementIds; // references in the part's numbers
    };

    void NoteMarkInfo(PdfObject* catalog, PdfVecObjects& objects);
    // Renames within a part what the merged document already knows with another meaning.
    Renames RenameClashingIds(const Structure& structure, int ordinal, PdfVecObjects& objects);
    Renames RenameClashingRoles(const Structure& structure, PdfDictionary& root, int ordinal,
                                PdfVecObjects& objects);
    Renames RenameClashingClasses(const Structure& structure, PdfDictionary& root, int ordinal,
                                  PdfVecObjects& objects);
    // Takes in the trees and maps of a structure root that the merged document holds.
    void TakeTrees(PdfObject& root, PdfVecObjects& objects, const std::map<int64_t, int64_t>& keys,
                   const Renames& ids);
    void RemoveStrayStructParents(PdfMemDocument& merged);
    PdfObject Group(const Input& input, const PdfReference& parent, PdfVecObjects& objects);
    PdfObject WrapUntagged(PdfMemDocument& merged, const Input& input, const PdfReference& parent);
    void WriteTrees(PdfObject& root, PdfVecObjects& objects);

    std::string m_language; // the first input's, which the merged catalog keeps
    bool m_anyTagged = false;
    bool m_keysMoved = false; // the first input's parent-tree keys were renumbered
    bool m_suspects = false;
    bool m_userProperties = false;
    int64_t m_nextKey = 0;
    std::vector<Input> m_inputs;
    Pending m_pending;
    // The merged document's trees and maps, written once at the end.
    std::vector<NumberEntry> m_parentTree;
    std::vector<NameEntry> m_idTree;
    NameMap m_roles;
    NameMap m_classes;
    std::map<std::string, std::string> m_classMeanings;
    std::map<std::string, std::vector<PdfObject>> m_rootLists;
    // Every name the merged document defines or uses.
    std::set<std::string> m_ids;
    std::set<std::string> m_types;
    std::set<std::string> m_classNames;
    // The markers that put an untagged page's content into one marked-content sequence.
    PdfReference m_beginMarker;
    PdfReference m_endMarker;
};

void StructTreeStep::NoteMarkInfo(PdfObject* catalog, PdfVecObjects& objects) {
    PdfDictionary* dictionary = DictionaryOf(catalog, objects);
    PdfDictionary* markInfo = dictionary ? DictionaryOf(dictionary->GetKey("MarkInfo"), objects) : nullptr;
    if (!markInfo) {
        return;
    }
    auto flag = [&](const char* key) {
        const PdfObject* value = Resolve(markInfo->GetKey(key), objects);
        return value && value->IsBool() && value->GetBool();
    };
    m_suspects = m_suspects || flag("Suspects");
    m_userProperties = m_userProperties || flag("UserProperties");
}

void StructTreeStep::Start(PdfMemDocument& merged) {
    PdfVecObjects& objects = merged.GetObjects();
    PdfObject* catalog = merged.GetCatalog();
    m_language = LanguageTag(LanguageOf(catalog, objects));
    NoteMarkInfo(catalog, objects);
    Input input;
    PdfObject* root = StructRootOf(catalog, objects);
    if (!root) {
        input.pageCount = merged.GetPageCount();
        input.endObject = static_cast<unsigned>(objects.GetObjectCount());
        m_inputs.push_back(input);
        return;
    }
    m_anyTagged = true;
    const Structure structure = ReadStructure(*root, objects);
    const std::map<int64_t, int64_t> keys = KeyMap(*root, objects, 0);
    RenumberStructParents(objects, keys);
    m_keysMoved = !IsIdentity(keys);
    m_nextKey = static_cast<int64_t>(keys.size());
    m_ids = structure.ids;
    m_types = structure.types;
    m_classNames = structure.classes;
    m_idTree = ElementIds(structure);
    TakeTrees(*root, objects, keys, Renames());
    input.tagged = true;
    input.tops = TopElements(*root, objects);
    m_inputs.push_back(input);
}

Renames StructTreeStep::RenameClashingIds(const Structure& structure, int ordinal, PdfVecObjects& objects) {
    std::vector<std::string> clashing;
    for (const std::string& id : structure.ids) {
        if (m_ids.count(id)) {
            clashing.push_back(id);
        }
    }
    // The part's own names are taken before any is given, so that no rename lands on one.
    m_ids.insert(structure.ids.begin(), structure.ids.end());
    Renames renames;
    for (const std::string& id : clashing) {
        renames[id] = UniqueKey(id, ordinal, m_ids);
    }
    RenameIds(structure, renames, objects);
    return renames;
}

Renames StructTreeStep::RenameClashingRoles(const Structure& structure, PdfDictionary& root, int ordinal,
                                            PdfVecObjects& objects) {
    const NameMap roles = ReadNameMap(root, "RoleMap", objects);
    std::set<std::string> partNames = KeysOf(roles);
    partNames.insert(structure.types.begin(), structure.types.end());
    std::set<std::string> mergedNames = KeysOf(m_roles);
    mergedNames.insert(m_types.begin(), m_types.end());
    const Renames renames = Clashes(
        partNames, [&](const std::string& type) { return RoleOf(type, roles); }, mergedNames,
        [&](const std::string& type) { return RoleOf(type, m_roles); }, ordinal);
    RenameMapEntries(DictionaryOf(root.GetKey("RoleMap"), objects), renames, true);
    RenameTypes(structure, renames);
    return renames;
}

Renames StructTreeStep::RenameClashingClasses(const Structure& structure, PdfDictionary& root, int ordinal,
                                              PdfVecObjects& objects) {
    const NameMap classes = ReadNameMap(root, "ClassMap", objects);
    std::set<std::string> partNames = KeysOf(classes);
    partNames.insert(structure.classes.begin(), structure.classes.end());
    std::set<std::string> mergedNames = KeysOf(m_classes);
    mergedNames.insert(m_classNames.begin(), m_classNames.end());
    const Renames renames = Clashes(
        partNames,
        [&](const std::string& name) {
            const auto entry = classes.find(name);
            return entry == classes.end() ? std::string() : ClassMeaning(entry->second, objects);
        },
        mergedNames,
        [&](const std::string& name) {
            const auto entry = m_classMeanings.find(name);
            return entry == m_classMeanings.end() ? std::string() : entry->second;
        },
        ordinal);
    RenameMapEntries(DictionaryOf(root.GetKey("ClassMap"), objects), renames, false);
    RenameClasses(structure, renames, objects);
    return renames;
}

void StructTreeStep::BeforeAppend(PdfMemDocument& merged, AppendedPart& part) {
    (void)merged;
    m_pending = Pending();
    PdfVecObjects& objects = part.part.GetObjects();
    PdfObject* catalog = part.part.GetCatalog();
    m_pending.catalog = catalog->Reference();
    m_pending.objectCount = static_cast<unsigned>(objects.GetObjectCount());
    m_pending.language = LanguageOf(catalog, objects);
    m_pending.ownLanguage = LanguageTag(m_pending.language) != m_language;
    PdfObject* root = StructRootOf(catalog, objects);
    if (!root) {
        return;
    }
    // The keys and names are taken now: should the append fail, they are merely left unused.
    m_pending.tagged = true;
    const Structure structure = ReadStructure(*root, objects);
    m_pending.keys = KeyMap(*root, objects, m_nextKey);
    m_nextKey += static_cast<int64_t>(m_pending.keys.size());
    RenumberStructParents(objects, m_pending.keys);
    // IDs first: renaming classes rebuilds the class map, into which `structure` points.
    m_pending.ids = RenameClashingIds(structure, part.ordinal, objects);
    const Renames types = RenameClashingRoles(structure, root->GetDictionary(), part.ordinal, objects);
    const Renames classes = RenameClashingClasses(structure, root->GetDictionary(), part.ordinal, objects);
    for (const std::string& type : structure.types) {
        m_types.insert(Renamed(types, type));
    }
    for (const std::string& name : structure.classes) {
        m_classNames.insert(Renamed(classes, name));
    }
    m_pending.elementIds = ElementIds(structure);
    // Its elements would otherwise be read in the first input's language.
    if (m_pending.ownLanguage) {
        for (PdfObject* top : structure.tops) {
            if (!top->GetDictionary().HasKey("Lang")) {
                top->GetDictionary().AddKey("Lang", m_pending.language);
            }
        }
    }
}

void StructTreeStep::AfterAppend(PdfMemDocument& merged, const AppendedPart& part) {
    PdfVecObjects& objects = merged.GetObjects();
    PdfObject* catalog = objects.GetObject(part.Moved(m_pending.catalog));
    NoteMarkInfo(catalog, objects);
    Input input;
    PdfObject* root = m_pending.tagged ? StructRootOf(catalog, objects) : nullptr;
    if (!root) {
        input.firstPage = part.firstPage;
        input.pageCount = part.pageCount;
        input.firstObject = part.objectOffset;
        input.endObject = part.objectOffset + m_pending.objectCount;
        input.ownLanguage = m_pending.ownLanguage;
        input.language = m_pending.language;
        m_inputs.push_back(input);
        return;
    }
    m_anyTagged = true;
    for (NameEntry& entry : m_pending.elementIds) {
        m_idTree.push_back({entry.key, PdfObject(part.Moved(entry.value.GetReference()))});
    }
    TakeTrees(*root, objects, m_pending.keys, m_pending.ids);
    input.tagged = true;
    input.tops = TopElements(*root, objects);
    m_inputs.push_back(input);
}

void StructTreeStep::TakeTrees(PdfObject& root, PdfVecObjects& objects,
                               const std::map<int64_t, int64_t>& keys, const Renames& ids) {
    PdfDictionary& dictionary = root.GetDictionary();
    for (const NumberEntry& entry : ReadNumberTree(dictionary.GetKey("ParentTree"), objects)) {
        const auto key = keys.find(entry.key);
        if (key != keys.end()) {
            m_parentTree.push_back({key->second, entry.value});
        }
    }
    for (const NameEntry& entry : ReadNameTree(dictionary.GetKey("IDTree"), objects)) {
        m_idTree.push_back({Renamed(ids, entry.key), entry.value});
    }
    for (auto& role : ReadNameMap(dictionary, "RoleMap", objects)) {
        m_roles.emplace(role.first, role.second);
    }
    for (auto& entry : ReadNameMap(dictionary, "ClassMap", objects)) {
        if (m_classes.emplace(entry.first, entry.second).second) {
            m_classMeanings[entry.first] = ClassMeaning(entry.second, objects);
        }
    }
    for (const char* key : kRootLists) {
        if (PdfArray* list = ArrayOf(dictionary.GetKey(key), objects)) {
            std::vector<PdfObject>& merged = m_rootLists[key];
            merged.insert(merged.end(), list->begin(), list->end());
        }
    }
}

void StructTreeStep::Finish(PdfMemDocument& merged) {
    if (!m_anyTagged) {
        return;
    }
    PdfVecObjects& objects = merged.GetObjects();
    PdfDictionary& catalog = merged.GetCatalog()->GetDictionary();
    PdfDictionary* markInfo = DictionaryOf(catalog.GetKey("MarkInfo"), objects);
    if (!markInfo) {
        catalog.AddKey("MarkInfo", PdfDictionary());
        markInfo = &catalog.GetKey("MarkInfo")->GetDictionary();
    }
    markInfo->AddKey("Marked", true);
    if (m_suspects) {
        markInfo->AddKey("Suspects", true);
    }
    if (m_userProperties) {
        markInfo->AddKey("UserProperties", true);
    }
    if (m_inputs.size() < 2 && !m_keysMoved) {
        return;
    }
    PdfObject* root = StructRootOf(merged.GetCatalog(), objects);
    if (!root || !root->Reference().IsIndirect()) {
        root = root ? objects.CreateObject(*root) : objects.CreateObject("StructTreeRoot");
        catalog.AddKey("StructTreeRoot", root->Reference());
    }
    if (m_inputs.size() >= 2) {
        RemoveStrayStructParents(merged);
        // One top element, holding each input's part in input order.
        PdfObject* document = NewElement(objects, "Document", root->Reference());
        PdfArray kids;
        for (const Input& input : m_inputs) {
            const PdfObject group = input.tagged ? Group(input, document->Reference(), objects)
                                                 : WrapUntagged(merged, input, document->Reference());
            if (!group.IsNull()) {
                kids.push_back(group);
            }
        }
        document->GetDictionary().AddKey("K", kids);
        root->GetDictionary().AddKey("K", document->Reference());
    }
    WriteTrees(*root, objects);
}

// A tagged input's top element, or a Part holding its top elements when it has several.
PdfObject StructTreeStep::Group(const Input& input, const PdfReference& parent, PdfVecObjects& objects) {
    if (input.tops.empty()) {
        return PdfObject(PdfVariant::NullValue);
    }
    if (input.tops.size() == 1) {
        return Adopted(input.tops.front(), parent, objects);
    }
    PdfObject* part = NewElement(objects, "Part", parent);
    PdfArray kids;
    for (const PdfObject& top : input.tops) {
        kids.push_back(Adopted(top, part->Reference(), objects));
    }
    part->GetDictionary().AddKey("K", kids);
    return part->Reference();
}

// An untagged input gets no structure of its own making: nothing in it says which text is a
// heading or a table. But a reader of a tagged file reads what its structure reaches, so pages
// outside it would be passed over in silence. Each page's content becomes one marked-content
// sequence, all of them kids of one NonStruct element, which claims no meaning: the text is read
// in place, as a reader would read the input alone.
PdfObject StructTreeStep::WrapUntagged(PdfMemDocument& merged, const Input& input,
                                       const PdfReference& parent) {
    PdfVecObjects& objects = merged.GetObjects();
    if (!m_beginMarker.IsIndirect()) {
        PdfObject* begin = objects.CreateObject();
        begin->GetStream()->Set("/NonStruct <</MCID 0>> BDC\n");
        PdfObject* end = objects.CreateObject();
        end->GetStream()->Set("\nEMC\n");
        m_beginMarker = begin->Reference();
        m_endMarker = end->Reference();
    }
    PdfObject* element = nullptr;
    PdfArray kids;
    std::set<PdfReference> wrapped;
    for (int i = input.firstPage; i < input.firstPage + input.pageCount; ++i) {
        PdfObject* object = PageObject(merged, i);
        if (!object || !object->IsDictionary() || !wrapped.insert(object->Reference()).second ||
            !WrapContents(object->GetDictionary(), m_beginMarker, m_endMarker, objects)) {
            continue;
        }
        if (!element) {
            element = NewElement(objects, "NonStruct", parent);
        }
        object->GetDictionary().AddKey("StructParents", PdfObject(static_cast<pdf_int64>(m_nextKey)));
        PdfArray entry;
        entry.push_back(element->Reference());
        m_parentTree.push_back({m_nextKey++, entry});
        PdfDictionary mark;
        mark.AddKey("Type", PdfName("MCR"));
        mark.AddKey("Pg", object->Reference());
        mark.AddKey("MCID", PdfObject(static_cast<pdf_int64>(0)));
        kids.push_back(mark);
    }
    if (!element) {
        return PdfObject(PdfVariant::NullValue);
    }
    element->GetDictionary().AddKey("K", kids);
    if (input.ownLanguage) {
        element->GetDictionary().AddKey("Lang", input.language);
    }
    return element->Reference();
}

// An untagged input may still carry /StructParents (left by a tool that dropped its structure);
// in the merged file they would lead into another input's elements.
void StructTreeStep::RemoveStrayStructParents(PdfMemDocument& merged) {
    PdfVecObjects& objects = merged.GetObjects();
    std::vector<std::pair<unsigned, unsigned>> ranges;
    for (const Input& input : m_inputs) {
        if (!input.tagged && input.endObject > input.firstObject) {
            ranges.emplace_back(input.firstObject, input.endObject);
        }
    }
    auto clear = [](PdfDictionary& dictionary) {
        dictionary.RemoveKey("StructParents");
        dictionary.RemoveKey("StructParent");
    };
    for (TIVecObjects it = objects.begin(); it != objects.end(); ++it) {
        const unsigned number = (*it)->Reference().ObjectNumber();
        const auto range = std::upper_bound(ranges.begin(), ranges.end(), std::make_pair(number, ~0u));
        if (range != ranges.begin() && number < std::prev(range)->second && (*it)->IsDictionary()) {
            clear((*it)->GetDictionary());
        }
    }
    // Annotations written inside their page's list are no objects of their own.
    for (const Input& input : m_inputs) {
        for (int i = input.firstPage; !input.tagged && i < input.firstPage + input.pageCount; ++i) {
            PdfDictionary* dictionary = DictionaryOf(PageObject(merged, i), objects);
            PdfArray* annotations = dictionary ? ArrayOf(dictionary->GetKey("Annots"), objects) : nullptr;
            for (size_t a = 0; annotations && a < annotations->size(); ++a) {
                if ((*annotations)[a].IsDictionary()) {
                    clear((*annotations)[a].GetDictionary());
                }
            }
        }
    }
}

void StructTreeStep::WriteTrees(PdfObject& root, PdfVecObjects& objects) {
    PdfDictionary& dictionary = root.GetDictionary();
    dictionary.AddKey("ParentTree",
                      WriteNumberTree(FirstPerKey(std::move(m_parentTree)), objects)->Reference());
    dictionary.AddKey("ParentTreeNextKey", PdfObject(static_cast<pdf_int64>(m_nextKey)));
    if (m_idTree.empty()) {
        dictionary.RemoveKey("IDTree");
    } else {
        dictionary.AddKey("IDTree", WriteNameTree(FirstPerKey(std::move(m_idTree)), objects)->Reference());
    }
    auto writeMap = [&](const char* key, const NameMap& map) {
        if (map.empty()) {
            dictionary.RemoveKey(key);
            return;
        }
        PdfDictionary written;
        for (const auto& entry : map) {
            written.AddKey(PdfName(entry.first), entry.second);
        }
        dictionary.AddKey(key, written);
    };
    writeMap("RoleMap", m_roles);
    writeMap("ClassMap", m_classes);
    for (const auto& list : m_rootLists) {
        PdfArray written;
        for (const PdfObject& item : list.second) {
            written.push_back(item);
        }
        dictionary.AddKey(list.first, written);
    }
}

} // namespace

std::unique_ptr<MergeStep> MakeStructTree() {
    return std::unique_ptr<MergeStep>(new StructTreeStep());
}
