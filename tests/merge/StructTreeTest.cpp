// Tagged inputs stay tagged. Every merged file is read by independent readers and must read as
// its inputs one after the other, under one Document element.

#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"
#include "tests/merge/StructureReading.h"

#include <gtest/gtest.h>

namespace {

const std::string kHere = VARNELLO_MERGE_TESTS_DIR;

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

// What a row's merged file must show besides sound structure (no fault that the walk finds).
enum Expect {
    kInputsInOrder,       // reads as its inputs one after the other
    kInputsButStructText, // the same, but poppler reads a broken input its own way
};

struct MergeCase {
    const char* what;
    std::vector<std::string> inputs;
    Expect expect;
};

TEST_F(StructTreeTest, MergedFileReadsAsItsInputsOneAfterTheOther) {
    const MergeCase cases[] = {
        {"Chromium's tagged pages, one of them twice",
         {"tagged/report.pdf", "tagged/bericht.pdf", "tagged/report.pdf"},
         kInputsInOrder},
        {"tables whose cells name header cells by clashing IDs",
         {"table-a.pdf", "table-b.pdf", "table-a.pdf"},
         kInputsInOrder},
        {"custom roles and classes mapped differently", {"roles-a.pdf", "roles-b.pdf"}, kInputsInOrder},
        {"three languages, one of them unknown",
         {"lang-en.pdf", "lang-de.pdf", "lang-none.pdf"},
         kInputsInOrder},
        {"an annotation and form XObjects in the parent tree",
         {"objects.pdf", "objects.pdf"},
         kInputsInOrder},
        {"an untagged and an empty input between tagged ones",
         {"table-a.pdf", "untagged.pdf", "empty.pdf", "objects.pdf"},
         kInputsInOrder},
        {"an untagged first input", {"untagged.pdf", "lang-de.pdf"}, kInputsInOrder},
        {"a loop, a second parent and keys missing", {"broken.pdf", "table-a.pdf"}, kInputsButStructText},
        {"untagged inputs only", {"untagged.pdf", "untagged.pdf"}, kInputsInOrder},
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
    std::map<std::string, Reading> readings =
        ReadAll(files, kHere, [](const std::string& command) { return RunCommand(command).output; });
    for (size_t i = 0; i < outputs.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        std::vector<Reading> inputs;
        for (const std::string& name : cases[i].inputs) {
            inputs.push_back(readings[Input(name)]);
        }
        const Reading& merged = readings[outputs[i]];
        EXPECT_EQ(Differences(merged, Expected(inputs), cases[i].expect == kInputsInOrder), Lines());
    }
}

} // namespace
