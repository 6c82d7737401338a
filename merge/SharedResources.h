#pragma once
// The last step before the write: identical resources are stored once and objects that nothing
// written refers to are left out.
//
// Inputs made by one program embed the same font programs, logos and colour profiles again and
// again; a merge of twenty invoices would otherwise hold twenty copies of each. Two objects are
// identical when their stream bytes (as stored, filters and all) and their dictionaries are the
// same, references compared after their targets have been shared, so that a font descriptor that
// points at two identical font programs is identical too.
//
// Only what is reached solely through resource dictionaries (/Resources, an annotation's /AP, the
// form's /DR) may be shared: fonts, images, soft masks, colour spaces and profiles, patterns,
// shadings, graphics states, form XObjects and whatever hangs off them. Content refers to those by
// name and draws them; no other object points into them, so two identical ones are one. Anything
// the document's own structures point at (pages, annotations, form fields, outline items,
// structure elements, layers, attachments, threads, and objects a later kind of PDF may add) keeps
// its identity, also when a file is merged twice: an allow-list of drawn objects is safe for
// kinds nobody thought of, where a deny-list of identities would have to know them all. Within
// resources, objects that still carry an identity (a parent, a page, a place in the structure
// tree, a layer) stay distinct as well.

#include "merge/DocumentMerge.h"

class SharedResources : public MergeStep {
public:
    void Finish(PoDoFo::PdfMemDocument& merged) override;
};
