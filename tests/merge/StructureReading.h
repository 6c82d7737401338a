#pragma once
// The logical structure of PDF files as independent readers see it (poppler's structure text and
// the pikepdf walk of structure_check.py, which also checks the parent tree, identifiers and
// table headers), and how a merge of tagged files must read.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

// What the readers find in one file.
struct Reading {
    std::string lang;
    bool tagged = false;
    std::string markInfo; // the /MarkInfo flags set besides /Marked
    Lines elements;       // structure_check.py's element lines
    Lines errors;         // and its faults
    Lines structText;     // poppler's, without IDs, /Headers and object numbers (which a merge changes)
    Lines pageTexts;
};

// Runs a shell command on this machine and returns what it printed.
using ShellRunner = std::function<std::string(const std::string& command)>;

// Reads the files (paths on this machine) with one run of each reader; `scripts` is the folder
// of structure_check.py.
std::map<std::string, Reading> ReadAll(const std::set<std::string>& pdfs, const std::string& scripts,
                                       const ShellRunner& run);

// How a merge of `inputs` reads: one Document, in the first input's language, holding each input
// in order: its top element, a Part around its top elements when it has several, or a NonStruct
// over the pages of an untagged input, whose text is read in place.
Reading Expected(const std::vector<Reading>& inputs);

// What in `merged` differs from `expected`, one line per difference; poppler's structure text is
// compared only `withStructText` (poppler reads a broken input its own way). A fault that the
// walk finds in `merged` is a difference too.
Lines Differences(const Reading& merged, const Reading& expected, bool withStructText);
