// Every input's attached files, listed in the merged /Names /EmbeddedFiles tree. A later input's
// attachment whose name an earlier input's has is listed under a new name ("data.csv-2"); the
// file name a viewer shows and saves it under (/F, /UF) stays as it was.

#include "merge/CatalogSteps.h"

using namespace PoDoFo;

namespace {

std::vector<NameEntry> ReadAttachments(PdfDictionary* catalog, PdfVecObjects& objects) {
    return ReadNameTree(NameTreeOf(catalog, "EmbeddedFiles", objects), objects);
}

class EmbeddedFiles : public MergeStep {
public:
    void Start(PdfMemDocument& merged) override {
        m_files = ReadAttachments(CatalogOf(merged), merged.GetObjects());
        for (const NameEntry& file : m_files) {
            m_names.Take(file.key);
        }
    }

    void BeforeAppend(PdfMemDocument& merged, AppendedPart& part) override {
        (void)merged;
        std::set<std::string> keys;
        for (const NameEntry& file : ReadAttachments(CatalogOf(part.part), part.part.GetObjects())) {
            keys.insert(file.key);
        }
        m_names.Plan(keys, part.ordinal);
    }

    void AfterAppend(PdfMemDocument& merged, const AppendedPart& part) override {
        for (const NameEntry& file : ReadAttachments(PartCatalog(merged, part), merged.GetObjects())) {
            m_files.push_back({m_names.Renamed(file.key), file.value});
            m_added = true;
        }
        m_names.Commit();
    }

    void Finish(PdfMemDocument& merged) override {
        PdfVecObjects& objects = merged.GetObjects();
        PdfDictionary* catalog = CatalogOf(merged);
        if (m_added && catalog) {
            KeepFirstOfEachKey(m_files);
            MadeDictionary(*catalog, "Names", objects)
                .AddKey("EmbeddedFiles", WriteNameTree(m_files, objects)->Reference());
        }
    }

private:
    NameRegister m_names;
    std::vector<NameEntry> m_files;
    bool m_added = false;
};

} // namespace

std::unique_ptr<MergeStep> MakeEmbeddedFiles() {
    return std::unique_ptr<MergeStep>(new EmbeddedFiles());
}
