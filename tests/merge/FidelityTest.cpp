// What a reader finds of every input in the merged file (catalog structures, shared resources,
// tagged structure), and the same output whether streams stay in the input files or not.

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using Facts = std::vector<std::pair<std::string, Lines>>;

// catalog_pdf.py's FIXTURES and facts ("A2@5": the page showing A2, the fifth). Every use of a
// destination leads into its own input; each field keeps its value and font, no XFA form remains;
// a first input without /Order has its layers first in a later one's; plain inputs add nothing.
TEST(FidelityTest, CatalogStructuresOfEveryInputAreKept) {
    const std::pair<const char*, Facts> cases[] = {
        {"da db dc da",
         {{"dests", {"dest (chap2) -> A2@2",    "dest (chap2-2) -> B1@4",  "dest (chap2-2-2) -> B2@5",
                     "dest (chap2-4) -> A2@8",  "dest (intro) -> C1@6",    "dest (spare) -> A3@3",
                     "dest (spare-4) -> A3@9",  "dest /old -> A3@3",       "dest /old-2 -> B1@4",
                     "dest /old-4 -> A3@9",     "dest A1@1 -> A2@2",       "goto A1@1 -> A3@3",
                     "aa A3@3 -> A2@2",         "dest B1@4 -> B2@5",       "next B1@4 -> B1@4",
                     "goto B2@5 -> B1@4",       "dest C1@6 -> C1@6",       "dest A1@7 -> A2@8",
                     "goto A1@7 -> A3@9",       "aa A3@9 -> A2@8",         "open -> A2@2",
                     "outline A chap2 -> A2@2", "outline B chap2 -> B2@5", "outline C intro -> C1@6",
                     "outline A chap2 -> A2@8"}}}},
        {"p fa fb fc fa",
         {{"fields",
           {"field name = Ann on A1@2 font /Helvetica q 0",
            "field person.city = Rome on A2@3 font /Helvetica q 0",
            "field name-3 = Bob on B1@4 font /Courier q 1", "field own = b on B1@4 font /Courier q 1",
            "field person-4 = Cy on C1@5 font /Helvetica q 0",
            "field name-5 = Ann on A1@6 font /Helvetica q 0",
            "field person-5.city = Rome on A2@7 font /Helvetica q 0", "form need True sigflags 1 xfa False",
            "co name", "co own", "co name-5"}}}},
        {"lc la lb",
         {{"attachments",
           {"attachment a.txt a.txt only A", "attachment data.txt data.txt from A",
            "attachment data.txt-3 data.txt from B"}},
          {"layers",
           {"layer A on on", "layer A off off", "layer B on on", "layer B off off", "layer B base off",
            "order A A on A off B on B off B base", "rbgroups [A on A off]", "locked B on",
            "as /View /Zoom A on B on", "as /Print /Print B off"}},
          {"labels",
           {"label C1@1 1", "label C2@2 C-A", "label A1@3 i", "label B1@4 4", "label B2@5 5",
            "label B3@6 6"}}}},
        {"p p",
         {{"dests", {}}, {"fields", {}}, {"attachments", {}}, {"layers", {}}, {"labels", {"no labels"}}}},
        {"mx my my",
         {{"dests",
           {"dest (x) -> X2@2", "dest (x-2) -> Y1@3", "dest (x-3) -> Y1@5", "dest (y) -> Y2@4",
            "dest (y-3) -> Y2@6", "dest Y1@3 -> Y1@3", "dest Y1@5 -> Y1@5"}},
          {"fields",
           {"field f = x on X1@1 font /Helvetica q 0", "field f-2 = y on Y1@3 font /Helvetica q 0",
            "field f-3 = y on Y1@5 font /Helvetica q 0", "form need False sigflags 0 xfa False"}},
          {"layers",
           {"layer X1 on", "layer Y1 off", "layer Y2 on", "layer Y1 off", "layer Y2 on",
            "order X1 Y Y1 Y2 Y Y1 Y2"}},
          {"labels",
           {"label X1@1 a", "label X2@2 b", "label Y1@3 I", "label Y2@4 II", "label Y1@5 I",
            "label Y2@6 II"}}}},
    };
    TempFolder folder;
    ASSERT_EQ(RunPython("catalog_pdf.py", "fixtures " + Quoted(folder.Dir())), Lines());
    for (const auto& [names, facts] : cases) {
        SCOPED_TRACE(names);
        std::vector<std::string> inputs;
        for (const std::string& name : Words(names)) {
            inputs.push_back(folder.Path(name + ".pdf"));
        }
        const std::string out = ExpectMerged(inputs, folder.Path("merged.pdf"));
        for (const auto& [family, expected] : facts) {
            EXPECT_EQ(RunPython("catalog_pdf.py", "facts " + Quoted(out) + " " + family), expected) << family;
        }
    }
}

std::string Rendered(const std::string& pdf, size_t page) {
    const std::string n = std::to_string(page);
    return RunCommand("pdftoppm -r 40 -f " + n + " -l " + n + " -singlefile " + Quoted(pdf)).output;
}

// Identical resources stored once, whatever has an identity kept apart, unused objects left out,
// and every page reading and looking as it did in its input.
TEST(FidelityTest, IdenticalResourcesAreStoredOnceAndWhatHasAnIdentityIsNot) {
    TempFolder folder;
    ASSERT_EQ(RunPython("shared_fixtures.py", "make " + Quoted(folder.Dir())), Lines());
    // shared_fixtures.py's summary, by kind: how many objects of the kind the pages reach, and how
    // many of them are different objects; a kind absent has none.
    const std::pair<const char*, Lines> cases[] = {
        {"letter letter",
         {"appearances 2 1", "catalogs 1 1", "fontfiles 4 1", "fonts 4 1", "forms 2 1", "images 2 1",
          "links 2 2", "outline items 4 4", "pages 4 4", "profiles 2 1", "smasks 2 1", "tagged forms 2 2",
          "widgets 2 2"}},
        // One font program and one logo in two documents.
        {"invoice letter",
         {"appearances 1 1", "catalogs 1 1", "fontfiles 3 1", "fonts 3 1", "forms 1 1", "images 2 1",
          "links 1 1", "outline items 2 2", "pages 3 3", "profiles 2 1", "smasks 2 1", "tagged forms 1 1",
          "widgets 1 1"}},
        // One font name over two programs of one length.
        {"invoice renamed invoice",
         {"catalogs 1 1", "fontfiles 3 2", "fonts 3 2", "images 3 1", "pages 3 3", "profiles 3 1",
          "smasks 3 1"}},
    };
    for (const auto& [names, summary] : cases) {
        SCOPED_TRACE(names);
        std::vector<std::string> inputs;
        std::vector<std::pair<std::string, size_t>> pages; // each merged page's input and page
        Lines texts;
        for (const std::string& name : Words(names)) {
            inputs.push_back(folder.Path(name + ".pdf"));
            const Lines own = TextOfPages(inputs.back());
            texts.insert(texts.end(), own.begin(), own.end());
            for (size_t page = 1; page <= own.size(); ++page) {
                pages.emplace_back(inputs.back(), page);
            }
        }
        const std::string merged = ExpectMerged(inputs, folder.Path(std::string(names) + ".pdf"));
        EXPECT_EQ(RunPython("shared_fixtures.py", "summary " + Quoted(merged)), summary);
        EXPECT_EQ(TextOfPages(merged), texts);
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_TRUE(Rendered(merged, i + 1) == Rendered(pages[i].first, pages[i].second))
                << "page " << i + 1;
        }
    }
}

// Every merged file reads, to a pikepdf walk and to poppler, as its inputs one after the other
// under one Document element, without a fault.
TEST(FidelityTest, TaggedInputsReadAsTheirInputsOneAfterTheOther) {
    TempFolder folder;
    ASSERT_EQ(RunPython("tagged_pdfs.py", Quoted(folder.Dir())), Lines());
    // "tagged/..." are Chromium's, the others tagged_pdfs.py's; "!" first: poppler reads a broken
    // input its own way, so the structure's text is not compared.
    const char* const cases[] = {
        "tagged/report.pdf tagged/bericht.pdf tagged/report.pdf",
        "table-a.pdf table-b.pdf table-a.pdf", // cells name header cells by clashing IDs
        "roles-a.pdf roles-b.pdf",             // custom roles and classes mapped differently
        "lang-en.pdf lang-de.pdf lang-none.pdf",
        "objects.pdf objects.pdf", // an annotation and form XObjects in the parent tree
        "table-a.pdf untagged.pdf empty.pdf objects.pdf",
        "untagged.pdf lang-de.pdf",
        "! broken.pdf table-a.pdf", // a loop, a second parent and keys missing
        "untagged.pdf untagged.pdf",
    };
    for (const std::string names : cases) {
        SCOPED_TRACE(names);
        std::vector<std::string> inputs;
        std::string arguments = (names[0] == '!' ? "--merge-without-struct-text " : "--merge ") +
                                Quoted(folder.Path("merged.pdf"));
        for (const std::string& name : Words(names[0] == '!' ? names.substr(1) : names)) {
            inputs.push_back(name.find('/') != std::string::npos ? VARNELLO_MERGE_TESTS_DIR "/" + name
                                                                 : folder.Path(name));
            arguments += " " + Quoted(inputs.back());
        }
        ExpectMerged(inputs, folder.Path("merged.pdf"));
        EXPECT_EQ(RunPython("structure_check.py", arguments), Lines());
    }
}

// Stream bytes stay in the input files until the output is written, encrypted or not. (An input
// that changes before the write makes it fail: see MergeTest.)
TEST(FidelityTest, OutputIsTheSameWithStreamsOnDiskAsInMemory) {
    TempFolder folder;
    WritePdf(folder.Path("plain.pdf"), {"P1", "P2", "P3"});
    WritePdf(folder.Path("one.pdf"), {"Sealed"});
    for (int bits : {40, 128, 256}) {
        QpdfEncrypt(folder.Path("one.pdf"), folder.Path("key-" + std::to_string(bits) + ".pdf"), "", bits,
                    bits == 256);
    }
    QpdfEncrypt(folder.Path("one.pdf"), folder.Path("aes-128.pdf"), "", 128, true);
    const std::string merged = folder.Path("merged.pdf");
    // RC4 with 40 and 128 bits, AES with 128 and 256 bits; then an encrypted base, and output.
    for (const std::string names : {"plain plain key-40 key-128 aes-128 key-256", "key-128 plain key-256"}) {
        SCOPED_TRACE(names);
        std::vector<std::string> inputs;
        Lines expected;
        for (const std::string& name : Words(names)) {
            inputs.push_back(folder.Path(name + ".pdf"));
            const Lines pages = name == "plain" ? Lines{"P1", "P2", "P3"} : Lines{"Sealed"};
            expected.insert(expected.end(), pages.begin(), pages.end());
        }
        std::string read[2];
        for (bool onDisk : {false, true}) {
            PoDoFo::PdfSourceFile::SetStreamsStayInFile(onDisk);
            ExpectMerged(inputs, merged);
            // As qpdf reads it, decrypted: the time of the write, and the identifier and the key
            // derived from it, are all that two runs may write differently.
            static const std::regex time("/(ModDate|CreationDate) \\([^)]*\\)|/ID \\[<[^>]*><[^>]*>\\]");
            read[onDisk] = std::regex_replace(
                RunCommand("qpdf --decrypt --qdf --static-id " + Quoted(merged) + " -").output, time, "");
        }
        EXPECT_TRUE(read[0] == read[1] && !read[0].empty());
        EXPECT_EQ(TextOfPages(merged), expected);
    }
}

} // namespace
