// Running out of memory, staged with an address-space limit (so only in a build without the
// sanitizers, whose shadow memory needs more address space than any limit leaves): files that did
// not fit are listed as the other refused files are, and the report says that memory ran out.

#include "merge/Intake.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A valid one-page PDF showing `text`, with `count` further small objects: loading or appending
// it needs memory for each, while stream bytes would stay in the file.
void WriteDensePdf(const std::string& path, int count, const std::string& text = "") {
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    const auto add = [&](const std::string& body) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    const std::string content = "BT /F1 12 Tf 20 100 Td (" + text + ") Tj ET";
    add("<< /Type /Catalog /Pages 2 0 R >>");
    add("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /Font << /F1 5 0 R "
        ">> >> >>");
    add("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
    add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int i = 0; i < count; ++i) {
        add("[" + std::to_string(i) + "]");
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    char entry[32];
    for (size_t offset : offsets) {
        snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    WriteBytes(path, pdf);
}

const char kMergeHeading[] =
    "Following files could not be merged, probably because they are not valid PDF files:\n";

struct CapCase {
    const char* name;
    int objects; // in each input: only objects take memory, stream bytes stay in the files
    bool writeFails;
};
// Under a 100 MB limit, the first input or two fit and the later ones do not; with smaller inputs
// two fit, and then writing them out runs out of memory too.
const CapCase kCapCases[] = {
    {"later inputs fail", 40000, false},
    {"the write fails too", 30000, true},
};

TEST(MemoryCapTest, MergeListsWhatDidNotFitAndSaysThatMemoryRanOut) {
    for (const CapCase& c : kCapCases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::vector<std::string> inputs;
        std::vector<std::string> texts;
        for (int i = 1; i <= 6; ++i) {
            texts.push_back("input " + std::to_string(i));
            inputs.push_back(folder.Path("in" + std::to_string(i) + ".pdf"));
            WriteDensePdf(inputs.back(), c.objects, texts.back());
        }
        const std::string out = folder.Path("out.pdf");
        std::string command = "ulimit -v 100000; " + Quoted(VARNELLO_MERGE_EXE) + " " + Quoted(out);
        for (const std::string& input : inputs) {
            command += " " + Quoted(input);
        }
        const ToolResult result = RunCommand(command, true);
        const std::string& report = result.output;
        EXPECT_EQ(result.exitCode, c.writeFails ? 2 : 1) << report;

        // The heading, the inputs that did not fit in input order, then the closing lines.
        ASSERT_EQ(report.compare(0, strlen(kMergeHeading), kMergeHeading), 0) << report;
        size_t at = strlen(kMergeHeading);
        std::vector<std::string> merged;
        for (size_t i = 0; i < inputs.size(); ++i) {
            const std::string line = inputs[i] + "\n";
            if (report.compare(at, line.size(), line) == 0) {
                at += line.size();
            } else {
                merged.push_back(texts[i]);
            }
        }
        EXPECT_LT(merged.size(), texts.size()) << "no input was listed";
        EXPECT_EQ(report.substr(at), c.writeFails
                                         ? "\nCould not write merged file to:\n" + out +
                                               "\nNot enough memory\nNo file is saved.\n"
                                         : "Not enough memory\n\nFile is saved but there are some errors.\n");

        // What was written holds every input that fitted, whole; nothing else is left behind.
        const std::vector<std::string> entries = folder.Entries();
        EXPECT_EQ(entries.size(), inputs.size() + (c.writeFails ? 0 : 1));
        if (!c.writeFails) {
            EXPECT_TRUE(QpdfCheckClean(out));
            std::vector<std::string> pages;
            for (int page = 1; page <= PageCount(out); ++page) {
                pages.push_back(PageText(out, page));
            }
            EXPECT_EQ(pages, merged);
        }
    }
}

// The intake in a child process whose address space is capped a little above what it uses.
TEST(MemoryCapTest, IntakeSaysWhenAFileDidNotFitInMemory) {
    TempFolder folder;
    const std::string dense = folder.Path("many objects.pdf");
    WriteDensePdf(dense, 400000);
    const std::string small = folder.Path("small.pdf");
    WritePdf(small, {"small"});

    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        close(channel[0]);
        std::ifstream status("/proc/self/statm");
        unsigned long pages = 0;
        status >> pages;
        const rlim_t cap = rlim_t(pages) * sysconf(_SC_PAGESIZE) + (64u << 20);
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        PathList candidates({dense, small});
        ZuvVector<ZuvAnsi2*> accepted;
        ZuvAnsi2 title;
        ZuvAnsi2 report;
        const IntakeResult outcome = ValidateFiles(candidates.Get(), accepted, title, report);
        std::string answer = std::to_string(outcome) + "\n";
        for (uint32_t i = 0; i < accepted.Count(); ++i) {
            answer += std::string(accepted[i]->Text()) + "\n";
        }
        answer += report.Text();
        ssize_t ignored = write(channel[1], answer.data(), answer.size());
        (void)ignored;
        _exit(0);
    }
    close(channel[1]);
    std::string answer;
    char chunk[4096];
    for (ssize_t n; (n = read(channel[0], chunk, sizeof chunk)) > 0;) {
        answer.append(chunk, size_t(n));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(answer, std::to_string(IntakeDone) + "\n" + small +
                          "\nFollowing files could not be added, probably because they are not valid PDF "
                          "files:\r\n" +
                          dense + "\r\nNot enough memory\r\n");
}

} // namespace
