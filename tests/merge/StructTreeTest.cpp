// Tagged inputs stay tagged: every merged file must read, to structure_check.py's pikepdf walk and
// to poppler, as its inputs one after the other under one Document element, without a fault.

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

namespace {

TEST(StructTreeTest, MergedFileReadsAsItsInputsOneAfterTheOther) {
    TempFolder folder;
    ASSERT_EQ(RunPython("tagged_pdfs.py", Quoted(folder.Dir())), Lines());
    struct Case {
        const char* what;
        std::vector<std::string> inputs; // "tagged/..." are Chromium's, the others tagged_pdfs.py's
        bool withStructText;             // false: poppler reads a broken input its own way
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> inputs;
        std::string arguments = Quoted(folder.Path("merged.pdf"));
        for (const std::string& name : c.inputs) {
            inputs.push_back(name.find('/') != std::string::npos ? VARNELLO_MERGE_TESTS_DIR "/" + name
                                                                 : folder.Path(name));
            arguments += " " + Quoted(inputs.back());
        }
        ExpectMerged(inputs, folder.Path("merged.pdf"));
        EXPECT_EQ(RunPython("structure_check.py",
                            (c.withStructText ? "--merge " : "--merge-without-struct-text ") + arguments),
                  Lines());
    }
}

} // namespace
