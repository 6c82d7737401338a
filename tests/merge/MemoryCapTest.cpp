// Running out of memory, staged with an address-space limit (so only in a build without the
// sanitizers, whose shadow memory needs more address space than any limit leaves): files that did
// not fit are listed as the other refused files are, and the report says that memory ran out.
// (The intake's refusal when an allocation fails: AppendTest.)

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

namespace {

// Under a 100 MB limit, inputs of 40,000 objects fill the memory after an input or two, and the
// later ones are listed; of inputs of 30,000 two fit, and writing them out runs out of memory too.
TEST(MemoryCapTest, MergeListsWhatDidNotFitAndSaysThatMemoryRanOut) {
    for (const int objects : {40000, 30000}) {
        const bool writeFails = objects == 30000;
        SCOPED_TRACE(writeFails ? "the write fails too" : "later inputs fail");
        TempFolder folder;
        const std::string out = folder.Path("out.pdf");
        std::string command = "ulimit -v 100000; " + Quoted(VARNELLO_MERGE_EXE) + " " + Quoted(out);
        std::vector<std::string> inputs;
        for (int i = 1; i <= 6; ++i) {
            // Further small objects, each needing memory to load or append (streams stay in the file).
            RawPdf pdf = FlatPdf({"input " + std::to_string(i)});
            for (int n = 0; n < objects; ++n) {
                pdf.Add(200 + n, "[" + std::to_string(n) + "]");
            }
            inputs.push_back(folder.Path("in" + std::to_string(i) + ".pdf"));
            WriteRaw(inputs.back(), pdf);
            command += " " + Quoted(inputs.back());
        }
        const ToolResult result = RunCommand(command, true);
        EXPECT_EQ(result.exitCode, writeFails ? 2 : 1) << result.output;
        // The heading, the inputs that did not fit in input order, then the closing lines.
        std::string expected =
            "Following files could not be merged, probably because they are not valid PDF files:\n";
        Lines merged;
        for (size_t i = 0; i < inputs.size(); ++i) {
            if (result.output.find(inputs[i] + "\n") != std::string::npos) {
                expected += inputs[i] + "\n";
            } else {
                merged.push_back("input " + std::to_string(i + 1));
            }
        }
        EXPECT_LT(merged.size(), inputs.size()) << "no input was listed";
        EXPECT_EQ(result.output,
                  expected + (writeFails
                                  ? "\nCould not write merged file to:\n" + out +
                                        "\nNot enough memory\nNo file is saved.\n"
                                  : "Not enough memory\n\nFile is saved but there are some errors.\n"));
        // What was written holds every input that fitted, whole; nothing else is left behind.
        EXPECT_EQ(folder.Entries().size(), inputs.size() + !writeFails);
        if (!writeFails) {
            EXPECT_TRUE(QpdfCheckClean(out));
            EXPECT_EQ(TextOfPages(out), merged);
        }
    }
}

} // namespace
