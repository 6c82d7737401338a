// Identical resources stored once, whatever has an identity kept apart, unused objects left out:
// merges of files that pikepdf writes, checked with pikepdf, pdftoppm, pdftotext and qpdf.

#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

const std::string kFixtures = VARNELLO_SHARED_FIXTURES;

// kind -> "count distinct": how many objects of each kind the pages reach, and how many of them
// are different objects.
std::map<std::string, std::string> Summary(const std::string& pdf) {
    const ToolResult run = RunCommand("/usr/bin/python3 " + Quoted(kFixtures) + " summary " + Quoted(pdf));
    EXPECT_EQ(run.exitCode, 0);
    std::map<std::string, std::string> kinds;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        const size_t counts = line.find_last_of(' ', line.find_last_of(' ') - 1);
        kinds[line.substr(0, counts)] = line.substr(counts + 1);
    }
    return kinds;
}

std::string Rendered(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return RunCommand("pdftoppm -r 40 -f " + n + " -l " + n + " -singlefile " + Quoted(pdf)).output;
}

struct Case {
    const char* name;
    std::vector<std::string> inputs;
    std::map<std::string, std::string> kinds; // an absent kind: none at all
};

TEST(SharedResourcesTest, IdenticalResourcesAreStoredOnceAndWhatHasAnIdentityIsNot) {
    TempFolder folder;
    ASSERT_EQ(RunCommand("/usr/bin/python3 " + Quoted(kFixtures) + " make " + Quoted(folder.Dir())).exitCode,
              0);
    const Case cases[] = {
        {"the same file twice",
         {"letter", "letter"},
         {{"pages", "4 4"},
          {"links", "2 2"},
          {"widgets", "2 2"},
          {"outline items", "4 4"},
          {"tagged forms", "2 2"},
          {"fonts", "4 1"},
          {"fontfiles", "4 1"},
          {"images", "2 1"},
          {"smasks", "2 1"},
          {"profiles", "2 1"},
          {"forms", "2 1"},
          {"appearances", "2 1"},
          {"catalogs", "1 1"}}},
        {"one font program and one logo in two documents",
         {"invoice", "letter"},
         {{"pages", "3 3"},
          {"links", "1 1"},
          {"widgets", "1 1"},
          {"outline items", "2 2"},
          {"tagged forms", "1 1"},
          {"fonts", "3 1"},
          {"fontfiles", "3 1"},
          {"images", "2 1"},
          {"smasks", "2 1"},
          {"profiles", "2 1"},
          {"forms", "1 1"},
          {"appearances", "1 1"},
          {"catalogs", "1 1"}}},
        {"one font name over two programs of one length",
         {"invoice", "renamed", "invoice"},
         {{"pages", "3 3"},
          {"fonts", "3 2"},
          {"fontfiles", "3 2"},
          {"images", "3 1"},
          {"smasks", "3 1"},
          {"profiles", "3 1"},
          {"catalogs", "1 1"}}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<std::string> inputs;
        std::vector<std::pair<std::string, int>> pages; // each merged page's input and page
        for (const std::string& name : test.inputs) {
            inputs.push_back(folder.Path(name + ".pdf"));
            for (int page = 1; page <= PageCount(inputs.back()); ++page) {
                pages.emplace_back(inputs.back(), page);
            }
        }
        const std::string merged = folder.Path("merged.pdf");
        std::remove(merged.c_str());
        ASSERT_EQ(MergeRun(inputs, merged).outcome, MergeSaved);
        EXPECT_EQ(Summary(merged), test.kinds);
        EXPECT_TRUE(QpdfCheckClean(merged));
        ASSERT_EQ(PageCount(merged), static_cast<int>(pages.size()));
        for (size_t i = 0; i < pages.size(); ++i) {
            SCOPED_TRACE("page " + std::to_string(i + 1));
            EXPECT_EQ(PageText(merged, i + 1), PageText(pages[i].first, pages[i].second));
            EXPECT_TRUE(Rendered(merged, i + 1) == Rendered(pages[i].first, pages[i].second));
        }
    }
}

} // namespace
