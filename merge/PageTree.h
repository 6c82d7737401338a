#pragma once
// The pages of an input as a walk of its page tree finds them, and the test that every input is
// held to at intake and in the merge: it brings at least one page, and every page that the walk
// finds reaches the merged file.

#include <podofo/podofo.h>

#include <climits>

// The number of pages that merging `document` must bring: the pages a walk of its /Kids arrays
// finds, each once (iterative and loop-safe; not what the /Count values say), counted up to
// `atMost`. An input for which it is 0 is refused; one whose merge brings fewer pages is listed
// as not merged.
int PagesToMerge(PoDoFo::PdfMemDocument& document, int atMost = INT_MAX);

// Makes the page tree of the first input, which the merge builds on, hold every page that the
// walk finds and nothing else, so that the library and every reader count the same pages: a tree
// whose counts, types or kids do not agree with the walk is rebuilt as the root and its pages,
// each page keeping the attributes it inherited. Throws when the walk finds no page.
void TakeEveryPage(PoDoFo::PdfMemDocument& document);
