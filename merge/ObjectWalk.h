#pragma once
// Visits every dictionary of a document without recursion: the top-level objects and the direct
// dictionaries nested in their arrays and dictionaries. Stream bytes are not read.

#include <podofo/podofo.h>

#include <functional>

void ForEachDictionary(PoDoFo::PdfVecObjects& objects,
                       const std::function<void(PoDoFo::PdfDictionary&)>& visit);
