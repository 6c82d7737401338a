#pragma once
// Damaged and crafted PDF files, each made from a sound one written byte by byte: for the tests
// of damaged-file recovery and of reading within bounds, and as seeds of the merge fuzzer.

#include <functional>
#include <string>
#include <vector>

struct DamagedPdf {
    const char* name;
    std::function<std::string()> bytes;
    std::vector<std::string> pages; // the text of each of the document's pages
    bool refused = false;           // cannot be understood, or not opened without a password
    bool opens = false;             // refused only by the merge: a stream of it cannot be read
};

// Files with the slips and damage that other readers get over, a few that cannot be read, and
// crafted ones (encryption dictionaries too short for their revision, cross-reference streams
// whose rows run past their data or whose fields are too wide) that must be read within bounds.
// Those whose slips a reader should tolerate end with a stale copy of an object, which a reader
// that rebuilds the table instead takes.
const std::vector<DamagedPdf>& DamagedPdfs();

// The file without that stale copy: for readers that always rebuild damaged files.
std::string WithoutStaleCopy(const std::string& bytes);
