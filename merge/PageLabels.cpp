// Page labels: each input's pages keep the labels their input gave them. The merged /PageLabels
// tree holds every input's label ranges, moved to where its pages start; an input without labels
// (or pages before its first range) gets a range of plain decimal numbers that continue the
// merged file's own page numbers, so no input's last range runs on over the next input's pages.
// When no input has labels, none are written.

#include "merge/CatalogSteps.h"

using namespace PoDoFo;

namespace {

// An input's label ranges by its own page index: those that start on one of its pages and give
// a dictionary. One that started beyond its pages would run over the next input's.
std::vector<NumberEntry> LabelRanges(PdfDictionary* catalog, int pageCount, PdfVecObjects& objects) {
    std::vector<NumberEntry> ranges;
    for (NumberEntry& range : ReadNumberTree(catalog ? catalog->GetKey("PageLabels") : nullptr, objects)) {
        if (range.key >= 0 && range.key < pageCount && DictionaryOf(&range.value, objects)) {
            ranges.push_back(range);
        }
    }
    KeepFirstOfEachKey(ranges);
    return ranges;
}

class PageLabels : public MergeStep {
public:
    void Start(PdfMemDocument& merged) override {
        const int pages = merged.GetPageCount();
        Add(LabelRanges(CatalogOf(merged), pages, merged.GetObjects()), 0, pages);
    }

    void AfterAppend(PdfMemDocument& merged, const AppendedPart& part) override {
        m_appended = true;
        Add(LabelRanges(PartCatalog(merged, part), part.pageCount, merged.GetObjects()), part.firstPage,
            part.pageCount);
    }

    void Finish(PdfMemDocument& merged) override {
        PdfDictionary* catalog = CatalogOf(merged);
        if (m_labelled && m_appended && catalog) {
            catalog->AddKey("PageLabels", WriteNumberTree(m_ranges, merged.GetObjects())->Reference());
        }
    }

private:
    void Add(const std::vector<NumberEntry>& ranges, int firstPage, int pageCount) {
        if (pageCount <= 0) {
            return;
        }
        m_labelled |= !ranges.empty();
        if (ranges.empty() || ranges.front().key != 0) {
            PdfDictionary plain;
            plain.AddKey("S", PdfName("D"));
            plain.AddKey("St", PdfObject(static_cast<pdf_int64>(firstPage) + 1));
            m_ranges.push_back({firstPage, plain});
        }
        for (const NumberEntry& range : ranges) {
            m_ranges.push_back({range.key + firstPage, range.value});
        }
    }

    std::vector<NumberEntry> m_ranges;
    bool m_labelled = false; // some input has labels
    bool m_appended = false;
};

} // namespace

std::unique_ptr<MergeStep> MakePageLabels() {
    return std::unique_ptr<MergeStep>(new PageLabels());
}
