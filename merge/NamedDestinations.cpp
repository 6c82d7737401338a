// Named destinations of every input, each still leading into its own input.
//
// A later input's name that an earlier input already uses is renamed ("chap2" becomes
// "chap2-3" in the third input), and so is every use of it in that input, before the append.
// Renaming rather than turning uses into explicit destinations keeps every name defined in the
// merged file, used or not, so a link from outside (file.pdf#chap2) still finds the first
// input's "chap2". Names in the /Names /Dests tree (strings) and in the older /Dests dictionary
// of the catalog (names) count as one set: readers that take a name from outside look in both.

#include "merge/CatalogSteps.h"
#include "merge/ObjectWalk.h"

using namespace PoDoFo;

namespace {

// The entries of a catalog's /Dests dictionary, keyed by the names' bytes.
std::vector<NameEntry> ReadDestsDictionary(PdfDictionary* catalog, PdfVecObjects& objects) {
    std::vector<NameEntry> entries;
    if (PdfDictionary* dests = DictionaryAt(catalog, "Dests", objects)) {
        for (const auto& entry : dests->GetKeys()) {
            entries.push_back({entry.first.GetName(), *entry.second});
        }
    }
    return entries;
}

std::vector<NameEntry> ReadDestsTree(PdfDictionary* catalog, PdfVecObjects& objects) {
    return ReadNameTree(NameTreeOf(catalog, "Dests", objects), objects);
}

bool IsGoTo(PdfDictionary& action) {
    const PdfObject* type = action.GetKey("S");
    return type && type->IsName() && type->GetName() == PdfName("GoTo");
}

// Points dictionary[key] at the renamed destination when it names one that was renamed. A
// string names an entry of the tree, a name one of the dictionary; an explicit destination
// (an array) is left as it is.
void RenameUse(PdfDictionary& dictionary, const char* key, const NameRegister& names,
               PdfVecObjects& objects) {
    const PdfObject* use = Resolve(dictionary.GetKey(key), objects);
    if (use && use->IsString()) {
        const std::string name = NameKey(use->GetString());
        const std::string renamed = names.Renamed(name);
        if (renamed != name) {
            dictionary.AddKey(key, NameString(renamed));
        }
    } else if (use && use->IsName()) {
        const std::string& name = use->GetName().GetName();
        const std::string renamed = names.Renamed(name);
        if (renamed != name) {
            dictionary.AddKey(key, PdfName(renamed));
        }
    }
}

class NamedDestinations : public MergeStep {
public:
    void Start(PdfMemDocument& merged) override {
        PdfVecObjects& objects = merged.GetObjects();
        PdfDictionary* catalog = CatalogOf(merged);
        m_tree = ReadDestsTree(catalog, objects);
        m_dictionary = ReadDestsDictionary(catalog, objects);
        for (const auto* entries : {&m_tree, &m_dictionary}) {
            for (const NameEntry& entry : *entries) {
                m_names.Take(entry.key);
            }
        }
    }

    void BeforeAppend(PdfMemDocument& merged, AppendedPart& part) override {
        (void)merged;
        PdfVecObjects& objects = part.part.GetObjects();
        PdfDictionary* catalog = CatalogOf(part.part);
        std::set<std::string> keys;
        for (const NameEntry& entry : ReadDestsTree(catalog, objects)) {
            keys.insert(entry.key);
        }
        for (const NameEntry& entry : ReadDestsDictionary(catalog, objects)) {
            keys.insert(entry.key);
        }
        m_names.Plan(keys, part.ordinal);
        if (!m_names.HasRenames()) {
            return;
        }
        // Link annotations and outline items use a destination through /Dest, GoTo actions (in
        // /A, /AA, /Next, /OpenAction) through /D; a catalog may give a bare one as /OpenAction.
        ForEachDictionary(objects, [&](PdfDictionary& dictionary) {
            RenameUse(dictionary, "Dest", m_names, objects);
            RenameUse(dictionary, "OpenAction", m_names, objects);
            if (IsGoTo(dictionary)) {
                RenameUse(dictionary, "D", m_names, objects);
            }
        });
    }

    void AfterAppend(PdfMemDocument& merged, const AppendedPart& part) override {
        PdfVecObjects& objects = merged.GetObjects();
        PdfDictionary* catalog = PartCatalog(merged, part);
        m_treeAdded |= Gather(m_tree, ReadDestsTree(catalog, objects));
        m_dictionaryAdded |= Gather(m_dictionary, ReadDestsDictionary(catalog, objects));
        m_names.Commit();
    }

    void Finish(PdfMemDocument& merged) override {
        PdfVecObjects& objects = merged.GetObjects();
        PdfDictionary* catalog = CatalogOf(merged);
        if (!catalog) {
            return;
        }
        if (m_treeAdded) {
            KeepFirstOfEachKey(m_tree);
            MadeDictionary(*catalog, "Names", objects)
                .AddKey("Dests", WriteNameTree(m_tree, objects)->Reference());
        }
        if (m_dictionaryAdded) {
            KeepFirstOfEachKey(m_dictionary);
            PdfObject* dests = objects.CreateObject();
            for (const NameEntry& entry : m_dictionary) {
                dests->GetDictionary().AddKey(PdfName(entry.key), entry.value);
            }
            catalog->AddKey("Dests", dests->Reference());
        }
    }

private:
    // Adds an appended input's entries under their planned names; true when there were any.
    bool Gather(std::vector<NameEntry>& into, const std::vector<NameEntry>& entries) const {
        for (const NameEntry& entry : entries) {
            into.push_back({m_names.Renamed(entry.key), entry.value});
        }
        return !entries.empty();
    }

    NameRegister m_names;
    std::vector<NameEntry> m_tree;       // /Names /Dests
    std::vector<NameEntry> m_dictionary; // /Dests
    bool m_treeAdded = false;
    bool m_dictionaryAdded = false;
};

} // namespace

std::unique_ptr<MergeStep> MakeNamedDestinations() {
    return std::unique_ptr<MergeStep>(new NamedDestinations());
}
