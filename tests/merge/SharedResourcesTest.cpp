// Identical resources stored once, whatever has an identity kept apart, unused objects left out:
// merges of files that pikepdf writes, checked with pikepdf, pdftoppm, pdftotext and qpdf.

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

namespace {

std::string Rendered(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return RunCommand("pdftoppm -r 40 -f " + n + " -l " + n + " -singlefile " + Quoted(pdf)).output;
}

TEST(SharedResourcesTest, IdenticalResourcesAreStoredOnceAndWhatHasAnIdentityIsNot) {
    TempFolder folder;
    ASSERT_EQ(RunPython("shared_fixtures.py", "make " + Quoted(folder.Dir())), Lines());
    // shared_fixtures.py's summary, by kind: how many objects of the kind the pages reach, and how
    // many of them are different objects; a kind absent has none.
    struct Case {
        std::vector<std::string> inputs;
        Lines summary;
    };
    const Case cases[] = {
        {{"letter", "letter"},
         {"appearances 2 1", "catalogs 1 1", "fontfiles 4 1", "fonts 4 1", "forms 2 1", "images 2 1",
          "links 2 2", "outline items 4 4", "pages 4 4", "profiles 2 1", "smasks 2 1", "tagged forms 2 2",
          "widgets 2 2"}},
        // One font program and one logo in two documents.
        {{"invoice", "letter"},
         {"appearances 1 1", "catalogs 1 1", "fontfiles 3 1", "fonts 3 1", "forms 1 1", "images 2 1",
          "links 1 1", "outline items 2 2", "pages 3 3", "profiles 2 1", "smasks 2 1", "tagged forms 1 1",
          "widgets 1 1"}},
        // One font name over two programs of one length.
        {{"invoice", "renamed", "invoice"},
         {"catalogs 1 1", "fontfiles 3 2", "fonts 3 2", "images 3 1", "pages 3 3", "profiles 3 1",
          "smasks 3 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inputs[1]);
        std::vector<std::string> inputs;
        std::vector<std::pair<std::string, int>> pages; // each merged page's input and page
        for (const std::string& name : c.inputs) {
            inputs.push_back(folder.Path(name + ".pdf"));
            for (int page = 1; page <= PageCount(inputs.back()); ++page) {
                pages.emplace_back(inputs.back(), page);
            }
        }
        const std::string merged = folder.Path("merged.pdf");
        std::remove(merged.c_str());
        ExpectMerged(inputs, merged);
        EXPECT_EQ(RunPython("shared_fixtures.py", "summary " + Quoted(merged)), c.summary);
        ASSERT_EQ(PageCount(merged), static_cast<int>(pages.size()));
        for (size_t i = 0; i < pages.size(); ++i) {
            SCOPED_TRACE("page " + std::to_string(i + 1));
            EXPECT_EQ(PageText(merged, i + 1), PageText(pages[i].first, pages[i].second));
            EXPECT_TRUE(Rendered(merged, i + 1) == Rendered(pages[i].first, pages[i].second));
        }
    }
}

} // namespace
