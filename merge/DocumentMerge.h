#pragma once
// What a merge does to the document beyond what PdfDocument::Append moves.
//
// Append(part, true) copies every object of an input into the merged document (renumbered by a
// fixed offset), appends its pages and splices its outline. What it leaves to its caller (named
// destinations, attachments, form fields, layers, page labels, the tagged structure, shared
// resources) is one step each, one file each in this folder, run by DocumentMerge in a fixed
// order around each Append.

#include <podofo/podofo.h>

#include <memory>
#include <vector>

// One input as it is appended.
struct AppendedPart {
    // The input as loaded. Steps may change it before the append: nothing else reads it, and it is
    // released right after.
    PoDoFo::PdfMemDocument& part;
    // Counts the merged inputs from 1 (the base); used to make clashing names unique.
    int ordinal;
    // The part's object n is the merged document's object n + objectOffset once appended.
    unsigned objectOffset;
    // Where its pages land in the merged document, and how many there are.
    int firstPage;
    int pageCount;

    // The merged document's reference for the part's object `ref`.
    PoDoFo::PdfReference Moved(const PoDoFo::PdfReference& ref) const {
        return PoDoFo::PdfReference(ref.ObjectNumber() + objectOffset, ref.GenerationNumber());
    }
};

// One concern of the merge. Every operation may throw: the caller treats that input as not merged.
class MergeStep {
public:
    virtual ~MergeStep() {}
    // Once, when the base document is loaded.
    virtual void Start(PoDoFo::PdfMemDocument& merged) { (void)merged; }
    // Before the part is appended: the place to rename, within the part, what would clash.
    virtual void BeforeAppend(PoDoFo::PdfMemDocument& merged, AppendedPart& part) {
        (void)merged;
        (void)part;
    }
    // After the part's objects and pages are in the merged document.
    virtual void AfterAppend(PoDoFo::PdfMemDocument& merged, const AppendedPart& part) {
        (void)merged;
        (void)part;
    }
    // Once, before the merged document is written.
    virtual void Finish(PoDoFo::PdfMemDocument& merged) { (void)merged; }
};

class DocumentMerge {
public:
    // `merged` holds the first loaded input; it outlives this object. Throws when that input has
    // no page (TakeEveryPage): the next readable input is then loaded in its place.
    explicit DocumentMerge(PoDoFo::PdfMemDocument& merged);
    ~DocumentMerge();
    DocumentMerge(const DocumentMerge&) = delete;
    DocumentMerge& operator=(const DocumentMerge&) = delete;

    // Appends every page and everything else of `part` with the one Append(part, true). Throws
    // when the part cannot be merged whole; the merged document is then as before the call.
    void Append(PoDoFo::PdfMemDocument& part);

    // Completes the merged document for writing.
    void Finish();

private:
    PoDoFo::PdfMemDocument& m_merged;
    std::vector<std::unique_ptr<MergeStep>> m_steps;
    int m_ordinal = 1;
};
