// Tagged inputs stay tagged. Every merged file is read by independent readers: poppler's structure
// text, and a pikepdf walk (structure_check.py) that also checks the parent tree, identifiers and
// table headers. It must read as its inputs one after the other, under one Document element.

#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

const std::string kHere = VARNELLO_MERGE_TESTS_DIR;

using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

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

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string::npos ? std::string()
                                      : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Reads all files with one run of each reader.
std::map<std::string, Reading> ReadAll(const std::set<std::string>& pdfs) {
    std::map<std::string, Reading> readings;
    std::string check = "/usr/bin/python3 " + Quoted(kHere + "/structure_check.py");
    for (const std::string& pdf : pdfs) {
        check += " " + Quoted(pdf);
    }
    Reading* reading = nullptr;
    for (const std::string& line : SplitLines(RunCommand(check).output)) {
        if (line.rfind("file=", 0) == 0) {
            reading = &readings[line.substr(5)];
        } else if (!reading) {
            ADD_FAILURE() << line;
        } else if (line.rfind("lang=", 0) == 0) {
            reading->lang = line.substr(5);
        } else if (line.rfind("tagged", 0) == 0) {
            reading->tagged = true;
            reading->markInfo = line.substr(6);
        } else {
            (line.rfind("ERROR", 0) == 0 ? reading->errors : reading->elements).push_back(line);
        }
    }
    static const std::regex id(" <[^>]*>");
    static const std::regex changing("^ *(/Headers |Object [0-9]+ [0-9]+$)");
    for (const std::string& pdf : pdfs) {
        Reading& read = readings[pdf];
        for (const std::string& line : SplitLines(RunCommand("pdfinfo -struct-text " + Quoted(pdf)).output)) {
            if (!std::regex_search(line, changing)) {
                read.structText.push_back(std::regex_replace(line, id, ""));
            }
        }
        // pdftotext ends every page with a form feed.
        const std::string text = RunCommand("pdftotext " + Quoted(pdf) + " -").output;
        for (size_t start = 0, end; (end = text.find('\f', start)) != std::string::npos; start = end + 1) {
            read.pageTexts.push_back(Trimmed(text.substr(start, end - start)));
        }
    }
    return readings;
}

void AddIndented(Lines& to, const Lines& lines, int levels) {
    for (const std::string& line : lines) {
        to.push_back(std::string(2 * levels, ' ') + line);
    }
}

// How a merge of `inputs` reads: one Document, in the first input's language, holding each input
// in order: its top element, a Part around its top elements when it has several, or a NonStruct
// over the pages of an untagged input, whose text is read in place.
Reading Expected(const std::vector<Reading>& inputs) {
    Reading merged;
    merged.lang = inputs.front().lang;
    merged.tagged =
        std::any_of(inputs.begin(), inputs.end(), [](const Reading& input) { return input.tagged; });
    for (const Reading& input : inputs) {
        merged.pageTexts.insert(merged.pageTexts.end(), input.pageTexts.begin(), input.pageTexts.end());
    }
    for (const char* flag : {" Suspects", " UserProperties"}) {
        if (std::any_of(inputs.begin(), inputs.end(), [&](const Reading& input) {
                return input.markInfo.find(flag) != std::string::npos;
            })) {
            merged.markInfo += flag;
        }
    }
    if (!merged.tagged) {
        return merged;
    }
    merged.elements.push_back("Document[" + merged.lang + "]");
    merged.structText.push_back("Document");
    for (const Reading& input : inputs) {
        if (!input.tagged) {
            std::string marks;
            merged.structText.push_back("  NonStruct");
            for (const std::string& text : input.pageTexts) {
                marks += marks.empty() ? " mc" : ",mc";
                merged.structText.push_back("    \"" + text + "\"");
            }
            merged.elements.push_back("  NonStruct[" + input.lang + "]" + marks);
            continue;
        }
        const auto tops = std::count_if(input.elements.begin(), input.elements.end(),
                                        [](const std::string& line) { return line[0] != ' '; });
        const int depth = tops > 1 ? 2 : 1;
        if (tops > 1) {
            merged.elements.push_back("  Part[" + merged.lang + "]");
            merged.structText.push_back("  Part");
        }
        AddIndented(merged.elements, input.elements, depth);
        AddIndented(merged.structText, input.structText, depth);
    }
    return merged;
}

class StructTreeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new TempFolder();
        const std::string make =
            "/usr/bin/python3 " + Quoted(kHere + "/tagged_pdfs.py") + " " + Quoted(s_folder->Dir());
        ASSERT_EQ(RunCommand(make, true).exitCode, 0);
    }
    static void TearDownTestSuite() {
        delete s_folder;
        s_folder = nullptr;
    }
    // A committed fixture ("tagged/...") or a generated one.
    static std::string Input(const std::string& name) {
        return name.find('/') != std::string::npos ? kHere + "/" + name : s_folder->Path(name);
    }

    static TempFolder* s_folder;
};

TempFolder* StructTreeTest::s_folder = nullptr;

struct MergeCase {
    const char* what;
    std::vector<std::string> inputs;
    bool soundInputs; // poppler reads a broken input its own way: its structure text is no measure
};

TEST_F(StructTreeTest, MergedFileReadsAsItsInputsOneAfterTheOther) {
    const MergeCase cases[] = {
        {"Chromium's tagged pages, one of them twice",
         {"tagged/report.pdf", "tagged/bericht.pdf", "tagged/report.pdf"},
         true},
        {"tables whose cells name header cells by clashing IDs",
         {"table-a.pdf", "table-b.pdf", "table-a.pdf"},
         true},
        {"custom roles and classes mapped differently", {"roles-a.pdf", "roles-b.pdf"}, true},
        {"three languages, one of them unknown", {"lang-en.pdf", "lang-de.pdf", "lang-none.pdf"}, true},
        {"an annotation and form XObjects in the parent tree", {"objects.pdf", "objects.pdf"}, true},
        {"an untagged and an empty input between tagged ones",
         {"table-a.pdf", "untagged.pdf", "empty.pdf", "objects.pdf"},
         true},
        {"an untagged first input", {"untagged.pdf", "lang-de.pdf"}, true},
        {"a loop, a second parent and keys missing", {"broken.pdf", "table-a.pdf"}, false},
        {"untagged inputs only", {"untagged.pdf", "untagged.pdf"}, true},
    };
    std::set<std::string> files;
    std::vector<std::string> outputs;
    for (const MergeCase& test : cases) {
        std::vector<std::string> inputs;
        for (const std::string& name : test.inputs) {
            inputs.push_back(Input(name));
        }
        files.insert(inputs.begin(), inputs.end());
        outputs.push_back(s_folder->Path("merged-" + std::to_string(outputs.size() + 1) + ".pdf"));
        files.insert(outputs.back());
        EXPECT_EQ(MergeRun(inputs, outputs.back()).outcome, MergeSaved) << test.what;
        EXPECT_TRUE(QpdfCheckClean(outputs.back())) << test.what;
    }
    std::map<std::string, Reading> readings = ReadAll(files);
    for (size_t i = 0; i < outputs.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        std::vector<Reading> inputs;
        for (const std::string& name : cases[i].inputs) {
            inputs.push_back(readings[Input(name)]);
        }
        const Reading& merged = readings[outputs[i]];
        const Reading expected = Expected(inputs);
        EXPECT_EQ(merged.errors, Lines());
        EXPECT_EQ(merged.lang, expected.lang);
        EXPECT_EQ(merged.tagged, expected.tagged);
        EXPECT_EQ(merged.markInfo, expected.markInfo);
        EXPECT_EQ(merged.elements, expected.elements);
        EXPECT_EQ(merged.pageTexts, expected.pageTexts);
        if (cases[i].soundInputs) {
            EXPECT_EQ(merged.structText, expected.structText);
        }
    }
}

} // namespace
