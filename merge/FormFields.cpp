// One interactive form holding every input's fields, each keeping its own value.
//
// Fields are one by their fully qualified name: two inputs' fields of one name would share one
// value. A later input's top-level field whose name an earlier input's top-level field has is
// renamed ("name" becomes "name-2"), so its whole subtree is told apart. Its resources in the
// form's /DR join the merged /DR; one whose name is taken by a different resource is added under
// a new name, and the input's appearance strings (/DA) are changed to use it, so a viewer that
// rebuilds appearances draws each input's fields with that input's own font. Form-wide defaults
// that fields inherit (/DA, /Q) are given to the input's top-level fields where the merged form's
// differ. NeedAppearances holds when any input needs it; /SigFlags join; the calculation order
// lists each input's in turn.
//
// An XFA form describes the fields and pages of its own input only: once other inputs join, a
// viewer that prefers it would show that input's form alone, so it is dropped and viewers use the
// fields themselves, which carry the values.

#include "merge/CatalogSteps.h"
#include "merge/ObjectWalk.h"

#include <cctype>
#include <cstring>

using namespace PoDoFo;

namespace {

// The operators of an appearance string that take a resource by name, and from which category.
struct ResourceOperator {
    const char* name;
    const char* category;
};
const ResourceOperator kResourceOperators[] = {{"Tf", "Font"},       {"gs", "ExtGState"},
                                               {"cs", "ColorSpace"}, {"CS", "ColorSpace"},
                                               {"scn", "Pattern"},   {"SCN", "Pattern"}};

// Renames of one input's /DR entries, by category.
using ResourceRenames = std::map<std::string, NameRegister>;

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0';
}

bool IsDelimiter(char c) {
    return c != '\0' && std::strchr("()<>[]{}/%", c) != nullptr;
}

const char* CategoryOf(const std::string& operatorName) {
    for (const ResourceOperator& op : kResourceOperators) {
        if (operatorName == op.name) {
            return op.category;
        }
    }
    return nullptr;
}

// End of the literal string starting at `at` (just past its closing parenthesis).
size_t SkipLiteral(const std::string& text, size_t at) {
    int depth = 0;
    for (size_t i = at; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return text.size();
}

// The appearance string with each resource name it uses renamed as `renames` says.
std::string RenameResources(const std::string& text, const ResourceRenames& renames) {
    struct Operand {
        size_t start;
        size_t end;
        std::string name;
    };
    std::vector<Operand> operands; // the names since the last operator
    std::vector<std::pair<Operand, std::string>> edits;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsWhite(c)) {
            ++i;
        } else if (c == '%') {
            while (i < text.size() && text[i] != '\r' && text[i] != '\n') {
                ++i;
            }
        } else if (c == '(') {
            i = SkipLiteral(text, i);
        } else if (c == '<' && i + 1 < text.size() && text[i + 1] != '<') {
            const size_t close = text.find('>', i);
            i = close == std::string::npos ? text.size() : close + 1;
        } else if (c != '/' && IsDelimiter(c)) {
            ++i;
        } else {
            const size_t start = i++;
            while (i < text.size() && !IsWhite(text[i]) && !IsDelimiter(text[i])) {
                ++i;
            }
            const std::string token = text.substr(start, i - start);
            if (c == '/') {
                operands.push_back({start, i, PdfName::FromEscaped(token.substr(1)).GetName()});
                continue;
            }
            if (!std::isalpha(static_cast<unsigned char>(c)) && c != '\'' && c != '"') {
                continue; // a number
            }
            const char* category = CategoryOf(token);
            const auto names = category ? renames.find(category) : renames.end();
            for (const Operand& operand : operands) {
                if (names != renames.end() && names->second.Renamed(operand.name) != operand.name) {
                    edits.push_back(
                        {operand, "/" + PdfName(names->second.Renamed(operand.name)).GetEscapedName()});
                }
            }
            operands.clear();
        }
    }
    std::string renamed = text;
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
        renamed.replace(edit->first.start, edit->first.end - edit->first.start, edit->second);
    }
    return renamed;
}

std::vector<PdfDictionary*> TopLevelFields(PdfDictionary* form, PdfVecObjects& objects) {
    std::vector<PdfDictionary*> fields;
    if (PdfArray* list = ArrayAt(form, "Fields", objects)) {
        for (PdfObject& entry : *list) {
            if (PdfDictionary* field = DictionaryOf(&entry, objects)) {
                fields.push_back(field);
            }
        }
    }
    return fields;
}

// A field's partial name as a name-tree key; empty when it has none.
std::string PartialName(PdfDictionary& field, PdfVecObjects& objects) {
    const PdfObject* name = Resolve(field.GetKey("T"), objects);
    return name && name->IsString() ? NameKey(name->GetString()) : std::string();
}

bool IsTrue(const PdfObject* value) {
    return value && value->IsBool() && value->GetBool();
}

int64_t NumberOr(const PdfObject* value, int64_t otherwise) {
    return value && value->IsNumber() ? value->GetNumber() : otherwise;
}

// Appends every element of `from` (when it is an array) to the array form[key].
void AppendArray(PdfDictionary& form, const char* key, PdfArray* from, PdfVecObjects& objects) {
    if (from) {
        PdfArray& into = MadeArray(form, key, objects);
        for (const PdfObject& element : *from) {
            into.push_back(element);
        }
    }
}

class FormFields : public MergeStep {
public:
    void Start(PdfMemDocument& merged) override {
        PdfVecObjects& objects = merged.GetObjects();
        for (PdfDictionary* field :
             TopLevelFields(DictionaryAt(CatalogOf(merged), "AcroForm", objects), objects)) {
            m_fieldNames.Take(PartialName(*field, objects));
        }
    }

    void BeforeAppend(PdfMemDocument& merged, AppendedPart& part) override {
        m_resources.clear();
        PdfVecObjects& objects = part.part.GetObjects();
        PdfVecObjects& mergedObjects = merged.GetObjects();
        PdfDictionary* form = DictionaryAt(CatalogOf(part.part), "AcroForm", objects);
        PdfDictionary* mergedForm = DictionaryAt(CatalogOf(merged), "AcroForm", mergedObjects);
        const std::vector<PdfDictionary*> fields = TopLevelFields(form, objects);
        RenameFields(fields, part.ordinal, objects);
        if (!form || !mergedForm) {
            return; // without a merged form yet, the input's becomes it as it is
        }
        PlanResources(*form, *mergedForm, part.ordinal, objects, mergedObjects);
        if (!m_resources.empty()) {
            ForEachDictionary(objects,
                              [&](PdfDictionary& dictionary) { RenameInAppearance(dictionary, objects); });
        }
        KeepDefaults(*form, *mergedForm, fields, objects, mergedObjects);
    }

    void AfterAppend(PdfMemDocument& merged, const AppendedPart& part) override {
        m_appended = true;
        m_fieldNames.Commit();
        PdfVecObjects& objects = merged.GetObjects();
        PdfDictionary* catalog = CatalogOf(merged);
        PdfDictionary* partCatalog = PartCatalog(merged, part);
        PdfDictionary* added = DictionaryAt(partCatalog, "AcroForm", objects);
        if (!catalog || !added) {
            return;
        }
        PdfDictionary* form = DictionaryAt(catalog, "AcroForm", objects);
        if (!form) {
            catalog->AddKey("AcroForm", *partCatalog->GetKey("AcroForm"));
            return;
        }
        PdfArray& fields = MadeArray(*form, "Fields", objects);
        if (PdfArray* list = ArrayAt(added, "Fields", objects)) {
            for (PdfObject& entry : *list) {
                if (DictionaryOf(&entry, objects)) {
                    fields.push_back(entry);
                }
            }
        }
        AddResources(*form, DictionaryAt(added, "DR", objects), objects);
        AppendArray(*form, "CO", ArrayAt(added, "CO", objects), objects);
        if (IsTrue(Resolve(added->GetKey("NeedAppearances"), objects))) {
            form->AddKey("NeedAppearances", PdfObject(true));
        }
        const int64_t flags = NumberOr(Resolve(form->GetKey("SigFlags"), objects), 0);
        const int64_t joined = flags | NumberOr(Resolve(added->GetKey("SigFlags"), objects), 0);
        if (joined != flags) {
            form->AddKey("SigFlags", PdfObject(static_cast<pdf_int64>(joined)));
        }
    }

    void Finish(PdfMemDocument& merged) override {
        PdfDictionary* catalog = CatalogOf(merged);
        PdfDictionary* form = DictionaryAt(catalog, "AcroForm", merged.GetObjects());
        if (m_appended && form && form->HasKey("XFA")) {
            form->RemoveKey("XFA");
            catalog->RemoveKey("NeedsRendering");
        }
    }

private:
    // Renames the input's top-level fields whose names the merged form's top-level fields use.
    void RenameFields(const std::vector<PdfDictionary*>& fields, int ordinal, PdfVecObjects& objects) {
        std::set<std::string> keys;
        for (PdfDictionary* field : fields) {
            keys.insert(PartialName(*field, objects));
        }
        keys.erase(std::string());
        m_fieldNames.Plan(keys, ordinal);
        for (PdfDictionary* field : fields) {
            const std::string name = PartialName(*field, objects);
            if (!name.empty() && m_fieldNames.Renamed(name) != name) {
                field->AddKey("T", NameString(m_fieldNames.Renamed(name)));
            }
        }
    }

    // Plans new names for the input's /DR entries whose names the merged /DR uses.
    void PlanResources(PdfDictionary& form, PdfDictionary& mergedForm, int ordinal, PdfVecObjects& objects,
                       PdfVecObjects& mergedObjects) {
        PdfDictionary* resources = DictionaryAt(&form, "DR", objects);
        PdfDictionary* mergedResources = DictionaryAt(&mergedForm, "DR", mergedObjects);
        if (!resources || !mergedResources) {
            return;
        }
        for (const auto& category : resources->GetKeys()) {
            PdfDictionary* entries = DictionaryOf(category.second, objects);
            PdfDictionary* taken =
                DictionaryAt(mergedResources, category.first.GetName().c_str(), mergedObjects);
            if (!entries || !taken) {
                continue;
            }
            NameRegister names;
            for (const auto& entry : taken->GetKeys()) {
                names.Take(entry.first.GetName());
            }
            std::set<std::string> keys;
            for (const auto& entry : entries->GetKeys()) {
                keys.insert(entry.first.GetName());
            }
            names.Plan(keys, ordinal);
            if (names.HasRenames()) {
                m_resources[category.first.GetName()] = names;
            }
        }
    }

    // An appearance string of the input (of the form, a field, a widget, a free-text annotation)
    // takes its resources from the form's /DR: it follows the renames.
    void RenameInAppearance(PdfDictionary& dictionary, PdfVecObjects& objects) const {
        const PdfObject* appearance = Resolve(dictionary.GetKey("DA"), objects);
        if (!appearance || !appearance->IsString() || appearance->GetString().IsUnicode()) {
            return;
        }
        const PdfString& text = appearance->GetString();
        const std::string before(text.GetString(), static_cast<size_t>(text.GetLength()));
        const std::string after = RenameResources(before, m_resources);
        if (after != before) {
            dictionary.AddKey("DA", PdfString(after.data(), static_cast<pdf_long>(after.size())));
        }
    }

    // Gives the input's top-level fields the input's form-wide /DA and /Q where the merged form's
    // differ and the field sets none, so that nothing under it changes what it inherits.
    static void KeepDefaults(PdfDictionary& form, PdfDictionary& mergedForm,
                             const std::vector<PdfDictionary*>& fields, PdfVecObjects& objects,
                             PdfVecObjects& mergedObjects) {
        const PdfObject* appearance = Resolve(form.GetKey("DA"), objects);
        const PdfObject* mergedAppearance = Resolve(mergedForm.GetKey("DA"), mergedObjects);
        if (appearance && appearance->IsString() &&
            !(mergedAppearance && mergedAppearance->IsString() &&
              NameKey(mergedAppearance->GetString()) == NameKey(appearance->GetString()))) {
            SetWhereMissing(fields, "DA", *appearance);
        }
        // Left alignment when the form gives none.
        const int64_t quadding = NumberOr(Resolve(form.GetKey("Q"), objects), 0);
        if (quadding != NumberOr(Resolve(mergedForm.GetKey("Q"), mergedObjects), 0)) {
            SetWhereMissing(fields, "Q", PdfObject(static_cast<pdf_int64>(quadding)));
        }
    }

    static void SetWhereMissing(const std::vector<PdfDictionary*>& fields, const char* key,
                                const PdfObject& value) {
        for (PdfDictionary* field : fields) {
            if (!field->HasKey(key)) {
                field->AddKey(key, value);
            }
        }
    }

    // Adds the input's /DR entries to the merged form's, under the planned names.
    void AddResources(PdfDictionary& form, PdfDictionary* added, PdfVecObjects& objects) const {
        if (!added) {
            return;
        }
        PdfDictionary& resources = MadeDictionary(form, "DR", objects);
        for (const auto& category : added->GetKeys()) {
            PdfDictionary* entries = DictionaryOf(category.second, objects);
            if (!entries) {
                continue;
            }
            const auto renames = m_resources.find(category.first.GetName());
            PdfDictionary& into = MadeDictionary(resources, category.first.GetName().c_str(), objects);
            for (const auto& entry : entries->GetKeys()) {
                const std::string name = renames == m_resources.end()
                                             ? entry.first.GetName()
                                             : renames->second.Renamed(entry.first.GetName());
                if (!into.HasKey(name)) {
                    into.AddKey(name, *entry.second);
                }
            }
        }
    }

    NameRegister m_fieldNames;   // of the merged form's top-level fields
    ResourceRenames m_resources; // of the input being appended
    bool m_appended = false;
};

} // namespace

std::unique_ptr<MergeStep> MakeFormFields() {
    return std::unique_ptr<MergeStep>(new FormFields());
}
