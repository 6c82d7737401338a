// Running out of memory, staged with an address-space limit (so only in a build without the
// sanitizers, whose shadow memory needs more address space than any limit leaves): files that did
// not fit are listed as the other refused files are, and the report says that memory ran out.

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A valid one-page PDF showing `text`, with `count` further small objects: loading or appending
// it needs memory for each, while stream bytes would stay in the file.
void WriteDensePdf(const std::string& path, int count, const std::string& text) {
    RawPdf pdf = FlatPdf({text});
    for (int i = 0; i < count; ++i) {
        pdf.Add(200 + i, "[" + std::to_string(i) + "]");
    }
    WriteRaw(path, pdf);
}

// Under a 100 MB limit, inputs of 40,000 objects fill the memory after an input or two, and the
// later ones are listed; of inputs of 30,000 two fit, and writing them out runs out of memory too.
TEST(MemoryCapTest, MergeListsWhatDidNotFitAndSaysThatMemoryRanOut) {
    for (const int objects : {40000, 30000}) {
        const bool writeFails = objects == 30000;
        SCOPED_TRACE(writeFails ? "the write fails too" : "later inputs fail");
        TempFolder folder;
        const std::string out = folder.Path("out.pdf");
        std::string command = "ulimit -v 100000; " + Quoted(VARNELLO_MERGE_EXE) + " " + Quoted(out);
        const std::string heading =
            "Following files could not be merged, probably because they are not valid PDF files:\n";
        std::vector<std::string> inputs;
        for (int i = 1; i <= 6; ++i) {
            inputs.push_back(folder.Path("in" + std::to_string(i) + ".pdf"));
            WriteDensePdf(inputs.back(), objects, "input " + std::to_string(i));
            command += " " + Quoted(inputs.back());
        }
        const ToolResult result = RunCommand(command, true);
        const std::string& report = result.output;
        EXPECT_EQ(result.exitCode, writeFails ? 2 : 1) << report;
        // The heading, the inputs that did not fit in input order, then the closing lines.
        ASSERT_EQ(report.rfind(heading, 0), 0u) << report;
        size_t at = heading.size();
        Lines merged;
        for (size_t i = 0; i < inputs.size(); ++i) {
            const std::string line = inputs[i] + "\n";
            if (report.compare(at, line.size(), line) == 0) {
                at += line.size();
            } else {
                merged.push_back("input " + std::to_string(i + 1));
            }
        }
        EXPECT_LT(merged.size(), inputs.size()) << "no input was listed";
        EXPECT_EQ(report.substr(at), writeFails
                                         ? "\nCould not write merged file to:\n" + out +
                                               "\nNot enough memory\nNo file is saved.\n"
                                         : "Not enough memory\n\nFile is saved but there are some errors.\n");
        // What was written holds every input that fitted, whole; nothing else is left behind.
        EXPECT_EQ(folder.Entries().size(), inputs.size() + !writeFails);
        if (!writeFails) {
            EXPECT_TRUE(QpdfCheckClean(out));
            EXPECT_EQ(TextOfPages(out), merged);
        }
    }
}

// The intake in a child process whose address space is capped a little above what it uses.
TEST(MemoryCapTest, IntakeSaysWhenAFileDidNotFitInMemory) {
    TempFolder folder;
    const std::string dense = folder.Path("many objects.pdf");
    const std::string small = folder.Path("small.pdf");
    WriteDensePdf(dense, 400000, "dense");
    WritePdf(small, {"small"});
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::ifstream status("/proc/self/statm");
        unsigned long pages = 0;
        status >> pages;
        const rlim_t cap = rlim_t(pages) * sysconf(_SC_PAGESIZE) + (64u << 20);
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        const RunResult intake = IntakeRun({dense, small});
        std::string answer = std::to_string(intake.result) + "\n";
        for (const std::string& name : intake.accepted) {
            answer += name + "\n";
        }
        WriteBytes(folder.Path("answer"), answer + intake.report);
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    EXPECT_EQ(ReadBytes(folder.Path("answer")),
              std::to_string(IntakeDone) + "\n" + small +
                  "\nFollowing files could not be added, probably because they are not valid PDF files:\r\n" +
                  dense + "\r\nNot enough memory\r\n");
}

} // namespace
