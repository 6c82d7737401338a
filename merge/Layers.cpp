// Every input's optional content groups (layers), listed in the merged /OCProperties with the
// on/off state each had when its input was opened.
//
// The merged default configuration /D is the first input's with each later input's added: its
// groups' states in /ON and /OFF (stated outright where the first input's /BaseState would give
// another), its /Order, /RBGroups, /Locked and its /AS usage entries (joined with an entry of the
// same event and categories). An input without /Order shows its groups in /OCGs order, as a
// viewer would have shown them. The first input's /Intent, /ListMode and alternate /Configs
// stay; a later input's alternate configurations are not carried, as they do not know the other
// inputs' groups.

#include "merge/CatalogSteps.h"

using namespace PoDoFo;

namespace {

bool IsName(const PdfObject* value, const char* name) {
    return value && value->IsName() && value->GetName() == PdfName(name);
}

// The state a configuration gives groups that it does not list: on unless /BaseState is OFF.
bool BaseStateOn(PdfDictionary* configuration, PdfVecObjects& objects) {
    return !configuration || !IsName(Resolve(configuration->GetKey("BaseState"), objects), "OFF");
}

std::set<PdfReference> References(PdfArray* array) {
    std::set<PdfReference> references;
    if (array) {
        for (const PdfObject& element : *array) {
            if (element.IsReference()) {
                references.insert(element.GetReference());
            }
        }
    }
    return references;
}

std::set<std::string> NamesIn(PdfArray* array) {
    std::set<std::string> names;
    if (array) {
        for (const PdfObject& element : *array) {
            if (element.IsName()) {
                names.insert(element.GetName().GetName());
            }
        }
    }
    return names;
}

// Usage entries of one event and one set of categories are one entry.
bool SameUsage(PdfDictionary& a, PdfDictionary& b, PdfVecObjects& objects) {
    const PdfObject* eventA = Resolve(a.GetKey("Event"), objects);
    const PdfObject* eventB = Resolve(b.GetKey("Event"), objects);
    return eventA && eventB && eventA->IsName() && eventB->IsName() &&
           eventA->GetName() == eventB->GetName() &&
           NamesIn(ArrayAt(&a, "Category", objects)) == NamesIn(ArrayAt(&b, "Category", objects));
}

void AppendAll(PdfArray& into, const PdfArray& from) {
    for (const PdfObject& element : from) {
        into.push_back(element);
    }
}

// Adds the groups of a later input to the merged default configuration; `earlier` are the
// groups merged before them.
void AddToConfiguration(PdfDictionary& configuration, PdfDictionary* added, const PdfArray& groups,
                        const PdfArray& earlier, PdfVecObjects& objects) {
    const bool baseOn = BaseStateOn(&configuration, objects);
    const bool addedBaseOn = BaseStateOn(added, objects);
    const std::set<PdfReference> on = References(ArrayAt(added, "ON", objects));
    const std::set<PdfReference> off = References(ArrayAt(added, "OFF", objects));
    for (const PdfObject& group : groups) {
        const PdfReference& reference = group.GetReference();
        const bool listed = on.count(reference) || off.count(reference);
        const bool isOn = off.count(reference) ? false : on.count(reference) ? true : addedBaseOn;
        if (listed || isOn != baseOn) {
            MadeArray(configuration, isOn ? "ON" : "OFF", objects).push_back(group);
        }
    }

    PdfArray* order = ArrayAt(&configuration, "Order", objects);
    PdfArray* addedOrder = ArrayAt(added, "Order", objects);
    if (order || addedOrder) {
        if (!order) {
            order = &MadeArray(configuration, "Order", objects);
            AppendAll(*order, earlier);
        }
        AppendAll(*order, addedOrder ? *addedOrder : groups);
    }

    for (const char* key : {"RBGroups", "Locked"}) {
        if (PdfArray* list = ArrayAt(added, key, objects)) {
            AppendAll(MadeArray(configuration, key, objects), *list);
        }
    }

    if (PdfArray* usages = ArrayAt(added, "AS", objects)) {
        PdfArray& into = MadeArray(configuration, "AS", objects);
        for (PdfObject& usage : *usages) {
            PdfDictionary* entry = DictionaryOf(&usage, objects);
            if (!entry) {
                continue;
            }
            PdfDictionary* same = nullptr;
            for (PdfObject& existing : into) {
                PdfDictionary* candidate = DictionaryOf(&existing, objects);
                if (candidate && SameUsage(*candidate, *entry, objects)) {
                    same = candidate;
                    break;
                }
            }
            PdfArray* usedGroups = ArrayAt(entry, "OCGs", objects);
            if (same && usedGroups) {
                AppendAll(MadeArray(*same, "OCGs", objects), *usedGroups);
            } else if (!same) {
                into.push_back(usage);
            }
        }
    }
}

class Layers : public MergeStep {
public:
    void AfterAppend(PdfMemDocument& merged, const AppendedPart& part) override {
        PdfVecObjects& objects = merged.GetObjects();
        PdfDictionary* catalog = CatalogOf(merged);
        PdfDictionary* partCatalog = PartCatalog(merged, part);
        PdfDictionary* added = DictionaryAt(partCatalog, "OCProperties", objects);
        PdfArray* listed = ArrayAt(added, "OCGs", objects);
        if (!catalog || !listed) {
            return;
        }
        PdfDictionary* properties = DictionaryAt(catalog, "OCProperties", objects);
        if (!properties) {
            catalog->AddKey("OCProperties", *partCatalog->GetKey("OCProperties"));
            return;
        }
        // A group is an object of its own; anything else in the list names none.
        PdfArray groups;
        for (PdfObject& group : *listed) {
            if (group.IsReference() && DictionaryOf(&group, objects)) {
                groups.push_back(group);
            }
        }
        PdfArray& allGroups = MadeArray(*properties, "OCGs", objects);
        const PdfArray earlier = allGroups;
        AppendAll(allGroups, groups);
        AddToConfiguration(MadeDictionary(*properties, "D", objects), DictionaryAt(added, "D", objects),
                           groups, earlier, objects);
    }
};

} // namespace

std::unique_ptr<MergeStep> MakeLayers() {
    return std::unique_ptr<MergeStep>(new Layers());
}
