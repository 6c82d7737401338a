#pragma once
// The pages of an input as a walk of its page tree finds them.

#include <podofo/podofo.h>

// Makes the page tree of the first input, which the merge builds on, hold every page that the
// walk finds and nothing else, so that the library and every reader count the same pages: a tree
// whose counts, types or kids do not agree with the walk is rebuilt as the root and its pages,
// each page keeping the attributes it inherited. Throws when the walk finds no page.
void TakeEveryPage(PoDoFo::PdfMemDocument& document);
