#include "merge/DocumentMerge.h"

#include "merge/CatalogSteps.h"
#include "merge/PageTree.h"
#include "merge/SharedResources.h"
#include "merge/StructTree.h"

#include <stdexcept>

using PoDoFo::PdfMemDocument;

namespace {

// The steps in the order they run. A step that renames within the part runs before the steps
// that read those names.
std::vector<std::unique_ptr<MergeStep>> MakeSteps() {
    std::vector<std::unique_ptr<MergeStep>> steps;
    steps.push_back(MakeNamedDestinations());
    steps.push_back(MakeFormFields());
    steps.push_back(MakeEmbeddedFiles());
    steps.push_back(MakeLayers());
    steps.push_back(MakePageLabels());
    steps.push_back(MakeStructTree());
    steps.push_back(std::make_unique<SharedResources>()); // last: sees what every other step wrote
    return steps;
}

} // namespace

DocumentMerge::DocumentMerge(PdfMemDocument& merged) : m_merged(merged), m_steps(MakeSteps()) {
    TakeEveryPage(m_merged);
    for (auto& step : m_steps) {
        step->Start(m_merged);
    }
}

DocumentMerge::~DocumentMerge() {}

void DocumentMerge::Append(PdfMemDocument& part) {
    const int pages = PagesToMerge(part);
    if (pages == 0) {
        throw std::runtime_error("the input has no page");
    }
    AppendedPart info{part, m_ordinal + 1, static_cast<unsigned>(m_merged.GetObjects().GetObjectCount()),
                      m_merged.GetPageCount(), 0};
    for (auto& step : m_steps) {
        step->BeforeAppend(m_merged, info);
    }
    m_merged.Append(part, true);
    info.pageCount = m_merged.GetPageCount() - info.firstPage;
    if (info.pageCount != pages) {
        // The library appends what the same walk finds, or nothing; should the two ever differ,
        // the input is reported rather than passed as merged.
        throw std::runtime_error("the input's pages did not all arrive");
    }
    for (auto& step : m_steps) {
        step->AfterAppend(m_merged, info);
    }
    ++m_ordinal;
}

void DocumentMerge::Finish() {
    for (auto& step : m_steps) {
        step->Finish(m_merged);
    }
}
