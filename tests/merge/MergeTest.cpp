// The merge on real files, in-process and through varnello-merge as scripts meet it, checked with
// pdftotext and qpdf: the order, unreadable inputs, an output that is an input or an existing file,
// taken temporary names, writes that fail (a missing or read-only folder, a full disk), and
// every other file kept as it was.

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kUnmerged =
    "Following files could not be merged, probably because they are not valid PDF files:\r\n";
const std::string kSaved = "File is successfully saved.";
const std::string kErrors = "\r\nFile is saved but there are some errors.";
const std::string kNotSaved = "\r\nNo file is saved.";
const std::string kNotWritten = "\r\nCould not write merged file to:\r\n@";
const std::string kNotReplaced =
    "\r\nCould not replace existing file with merged file. Merged file is stored under:\r\n@";

// How a row runs: in-process, or the tool (exit code 0, 1 or 2, the report on its console with
// "\n" line ends) with a prefix to its command line.
const char* const kEngine = nullptr;
const char* const kTool = "";
// A full disk, staged with a file-size limit: the write fails part-way through.
const char* const kDiskFull = "trap '' XFSZ; ulimit -f 8; ";
// Root writes anywhere; the tool then runs without that privilege, as a user would.
const char* const kAsUser = "setpriv --bounding-set=-dac_override,-dac_read_search "
                            "--inh-caps=-dac_override,-dac_read_search ";

struct Case {
    const char* run;   // kEngine, kTool or a prefix
    const char* merge; // "INPUT... > OUTPUT", names in the folder
    MergeOutcome outcome;
    std::string report; // "@" stands for the folder
    const char* result; // "FILE: the texts of its pages"; every other file must stay as it was
    const char* made;   // files made before the merge
    void (*change)(const std::string& path) = nullptr; // what happens to c.pdf after it was read
};

// Inputs that change after they were read and before the write make it fail as any failed write
// does: their bytes are never copied.
void CutShort(const std::string& path) {
    fs::resize_file(path, fs::file_size(path) - 40);
}
void OtherBytes(const std::string& path) {
    std::string bytes = ReadBytes(path);
    std::reverse(bytes.begin() + bytes.size() / 2, bytes.end());
    WriteBytes(path, bytes);
}
void Deleted(const std::string& path) {
    fs::remove(path);
}
void Rewritten(const std::string& path) {
    WritePdf(path, {"X1"});
}

const Case kCases[] = {
    {kEngine, "a.pdf b.pdf c.pdf > d.pdf", MergeSaved, kSaved, "d.pdf: A1 A2 B1 C1 C2 C3", ""},
    {kEngine, "bad.pdf a.pdf gone.pdf b.pdf > d.pdf", MergeSavedWithErrors,
     kUnmerged + "@bad.pdf\r\n@gone.pdf\r\n" + kErrors, "d.pdf: A1 A2 B1", ""},
    {kEngine, "empty.pdf gone.pdf > d.pdf", MergeNotSaved,
     kUnmerged + "@empty.pdf\r\n@gone.pdf\r\n" + kNotSaved, "", ""},
    {kEngine, " > d.pdf", MergeNotSaved, "", "", ""},
    {kEngine, "a.pdf > ", MergeNotSaved, "", "", ""},
    // However the first input's name is spelled, the document that still reads from it is never
    // written over, and no temporary file is left behind; through a link the link itself gets
    // the result, and the file it points at keeps its bytes.
    {kEngine, "a.pdf b.pdf > a.pdf", MergeSaved, kSaved, "a.pdf: A1 A2 B1", ""},
    {kEngine, "a.pdf b.pdf > sub/../a.pdf", MergeSaved, kSaved, "a.pdf: A1 A2 B1", ""},
    {kEngine, "a.pdf b.pdf > ./a.pdf", MergeSaved, kSaved, "a.pdf: A1 A2 B1", ""},
    {kEngine, "link.pdf b.pdf > link.pdf", MergeSaved, kSaved, "link.pdf: A1 A2 B1", ""},
    {kEngine, "a.pdf b.pdf c.pdf > b.pdf", MergeSaved, kSaved, "b.pdf: A1 A2 B1 C1 C2 C3", ""},
    {kEngine, "a.pdf b.pdf > a.pdf", MergeSaved, kSaved, "a.pdf: A1 A2 B1", "a.pdf.0.pdf a.pdf.1.pdf"},
    // A folder cannot be replaced by a file: the result stays under the first free temporary name.
    {kEngine, "a.pdf > dir.pdf", MergeSavedWithErrors, kNotReplaced + "dir.pdf.1.pdf" + kErrors,
     "dir.pdf.1.pdf: A1 A2", "dir.pdf.0.pdf"},
    {kEngine, "a.pdf b.pdf > missing/d.pdf", MergeNotSaved, kNotWritten + "missing/d.pdf" + kNotSaved, "",
     ""},
    {kTool, "a.pdf b.pdf > d.pdf", MergeSaved, kSaved, "d.pdf: A1 A2 B1", ""},
    {kTool, "a.pdf bad.pdf > d.pdf", MergeSavedWithErrors, kUnmerged + "@bad.pdf\r\n" + kErrors,
     "d.pdf: A1 A2", ""},
    {kTool, "gone.pdf > d.pdf", MergeNotSaved, kUnmerged + "@gone.pdf\r\n" + kNotSaved, "", ""},
    {kTool, " > d.pdf", MergeNotSaved, "Usage: varnello-merge OUTPUT INPUT...", "", ""},
    // What was written is removed, and an existing output (here the first input) stays as it was.
    {kDiskFull, "big.pdf big.pdf > d.pdf", MergeNotSaved, kNotWritten + "d.pdf" + kNotSaved, "", ""},
    {kDiskFull, "big.pdf big.pdf > big.pdf", MergeNotSaved, kNotWritten + "big.pdf" + kNotSaved, "", ""},
    {kAsUser, "locked/a.pdf b.pdf > locked/d.pdf", MergeNotSaved, kNotWritten + "locked/d.pdf" + kNotSaved,
     "", ""},
    {kAsUser, "locked/a.pdf b.pdf > locked/a.pdf", MergeNotSaved, kNotWritten + "locked/a.pdf" + kNotSaved,
     "", ""},
    {kEngine, "a.pdf c.pdf > d.pdf", MergeNotSaved, kNotWritten + "d.pdf" + kNotSaved, "", "", CutShort},
    {kEngine, "a.pdf c.pdf > b.pdf", MergeNotSaved, kNotWritten + "b.pdf" + kNotSaved, "", "", OtherBytes},
    {kEngine, "a.pdf b.pdf c.pdf > d.pdf", MergeNotSaved, kNotWritten + "d.pdf" + kNotSaved, "", "", Deleted},
    {kEngine, "c.pdf a.pdf > b.pdf", MergeNotSaved, kNotWritten + "b.pdf" + kNotSaved, "", "", Rewritten},
};

// Every entry under the folder but `except`, with the bytes of each regular file.
std::map<std::string, std::string> Files(const TempFolder& folder, const std::string& except) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder.Dir())) {
        if (entry.path() != except) {
            files[entry.path()] =
                entry.is_symlink() || !entry.is_regular_file() ? "" : ReadBytes(entry.path());
        }
    }
    return files;
}

TEST(MergeTest, EveryCaseWritesWhatItShouldAndKeepsEveryOtherFile) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.run ? c.run : "") + c.merge);
        TempFolder folder;
        WritePdf(folder.Path("a.pdf"), {"A1", "A2"});
        WritePdf(folder.Path("b.pdf"), {"B1"});
        WritePdf(folder.Path("c.pdf"), {"C1", "C2", "C3"});
        WritePdf(folder.Path("big.pdf"), Lines(40, "a page of text to make the file larger than 8 KiB"));
        WriteBytes(folder.Path("bad.pdf"), "%PDF-1.4\nnothing else\n");
        WriteBytes(folder.Path("empty.pdf"), "");
        fs::create_directories(folder.Path("sub"));
        fs::create_directories(folder.Path("dir.pdf"));
        WriteBytes(folder.Path("dir.pdf/inside"), "x");
        fs::create_symlink(folder.Path("a.pdf"), folder.Path("link.pdf"));
        fs::create_directories(folder.Path("locked"));
        WritePdf(folder.Path("locked/a.pdf"), {"L1"});
        fs::permissions(folder.Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        for (const std::string& name : Words(c.made)) {
            WriteBytes(folder.Path(name), "made before");
        }
        const Lines result = Words(c.result);
        const std::string pdf = result.empty() ? "" : folder.Path(result[0].substr(0, result[0].size() - 1));
        const std::string changed = c.change ? folder.Path("c.pdf") : pdf;
        std::map<std::string, std::string> files = Files(folder, pdf);
        files.erase(changed);
        std::string report = c.report;
        for (size_t at = 0; (at = report.find('@', at)) != std::string::npos;) {
            report.replace(at, 1, folder.Dir() + "/");
        }

        const Lines words = Words(c.merge);
        const auto arrow = std::find(words.begin(), words.end(), ">");
        const std::string output = arrow + 1 == words.end() ? "" : folder.Path(arrow[1]);
        std::vector<std::string> inputs;
        std::transform(words.begin(), arrow, std::back_inserter(inputs),
                       [&](auto& name) { return folder.Path(name); });
        if (!c.run) {
            const RunResult merge = MergeRun(inputs, output, [&] {
                if (c.change) {
                    c.change(changed);
                }
            });
            EXPECT_EQ(merge.result, c.outcome);
            EXPECT_EQ(merge.title, report.empty() ? "" : c.outcome == MergeSaved ? "Varnello" : "Error");
            EXPECT_EQ(merge.report, report);
        } else {
            std::string command = (c.run == kAsUser && geteuid() != 0 ? "" : c.run) +
                                  Quoted(VARNELLO_MERGE_EXE) + " " + Quoted(output);
            for (const std::string& input : inputs) {
                command += " " + Quoted(input);
            }
            const ToolResult tool = RunCommand(command, true);
            EXPECT_EQ(tool.exitCode, c.outcome == MergeSaved ? 0 : c.outcome == MergeSavedWithErrors ? 1 : 2);
            report.erase(std::remove(report.begin(), report.end(), '\r'), report.end());
            EXPECT_EQ(tool.output, report + "\n");
        }
        fs::permissions(folder.Path("locked"), fs::perms::owner_all);
        if (!pdf.empty()) {
            EXPECT_EQ(TextOfPages(pdf), Lines(result.begin() + 1, result.end()));
            EXPECT_TRUE(QpdfCheckClean(pdf));
        }
        std::map<std::string, std::string> after = Files(folder, pdf);
        after.erase(changed);
        EXPECT_TRUE(after == files) << "a file was changed, left behind or removed";
    }
}

} // namespace
