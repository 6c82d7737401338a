// The merge on real files, in-process and through varnello-merge, checked with pdftotext and qpdf:
// order, unreadable inputs, outputs that exist or are inputs, failed writes, every other file kept.
// And the intake: what enters the list, in what order, and what the "Error" box says.

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
    // Inputs that change after they were read and before the write make it fail as any failed
    // write does: their bytes are never copied. Cut short, other bytes, deleted, rewritten:
    {kEngine, "a.pdf c.pdf > d.pdf", MergeNotSaved, kNotWritten + "d.pdf" + kNotSaved, "", "",
     [](const std::string& c) { fs::resize_file(c, fs::file_size(c) - 40); }},
    {kEngine, "a.pdf c.pdf > b.pdf", MergeNotSaved, kNotWritten + "b.pdf" + kNotSaved, "", "",
     [](const std::string& c) { WriteBytes(c, std::string(fs::file_size(c), ' ')); }},
    {kEngine, "a.pdf b.pdf c.pdf > d.pdf", MergeNotSaved, kNotWritten + "d.pdf" + kNotSaved, "", "",
     [](const std::string& c) { fs::remove(c); }},
    {kEngine, "c.pdf a.pdf > b.pdf", MergeNotSaved, kNotWritten + "b.pdf" + kNotSaved, "", "",
     [](const std::string& c) { WritePdf(c, {"X1"}); }},
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
            const MergeRunResult merge = MergeRun(inputs, output, [&] {
                if (c.change) {
                    c.change(changed);
                }
            });
            EXPECT_EQ(merge.outcome, c.outcome);
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

const std::string kHeading =
    "Following files could not be added, probably because they are not valid PDF files:\r\n";

TEST(IntakeTest, OnlyFilesThatOpenEnterTheListInBatchOrder) {
    TempFolder folder;
    fs::create_directories(folder.Path("dossier"));
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "dossier/r\xc3\xa9sum\xc3\xa9_final.pdf"}) {
        WritePdf(folder.Path(name), {name});
    }
    const std::string whole = ReadBytes(folder.Path("a.pdf"));
    WriteBytes(folder.Path("empty.pdf"), "");
    WriteBytes(folder.Path("truncated.pdf"), whole.substr(0, whole.size() / 2));
    WriteBytes(folder.Path("noise.pdf"), std::string(whole.rbegin(), whole.rend()));
    WriteBytes(folder.Path("page.pdf"), "<!DOCTYPE html>\n<html><body><p>Not found</p></body></html>\n");
    WritePdf(folder.Path("no-pages.pdf"), {});
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("user-password.pdf"), "user-secret", 256);
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("rc4-40.pdf"), "", 40);
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("rc4-128.pdf"), "", 128);
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("aes-128.pdf"), "", 128, true);
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("aes-256.pdf"), "", 256);
    fs::create_directories(folder.Path("folder.pdf"));

    const std::pair<const char*, const char*> cases[] = {
        // The names; those refused.
        {"c.pdf a.pdf b.pdf", ""},
        {"a.pdf empty.pdf c.pdf a.pdf", "empty.pdf"},
        // Protected by an owner password only, and a name with an accent.
        {"rc4-40.pdf rc4-128.pdf aes-128.pdf aes-256.pdf dossier/r\xc3\xa9sum\xc3\xa9_final.pdf", ""},
        {"empty.pdf truncated.pdf noise.pdf page.pdf no-pages.pdf user-password.pdf folder.pdf missing.pdf",
         "empty.pdf truncated.pdf noise.pdf page.pdf no-pages.pdf user-password.pdf folder.pdf missing.pdf"},
    };
    for (const auto& [names, refused] : cases) {
        SCOPED_TRACE(names);
        const Lines no = Words(refused);
        Lines paths, accepted;
        std::string report;
        for (const std::string& name : Words(names)) {
            paths.push_back(folder.Path(name));
            if (std::find(no.begin(), no.end(), name) != no.end()) {
                report += (report.empty() ? kHeading : "") + paths.back() + "\r\n";
            } else {
                accepted.push_back(paths.back());
            }
        }
        const IntakeRunResult intake = IntakeRun(paths);
        EXPECT_EQ(intake.result, IntakeDone);
        EXPECT_EQ(intake.accepted, accepted);
        EXPECT_EQ(intake.title, "Error");
        EXPECT_EQ(intake.report, report);
    }
    const IntakeRunResult empty = IntakeRun({});
    EXPECT_EQ(empty.result, IntakeEmpty);
    EXPECT_EQ(empty.title + empty.report, "");
}

// Many refused names: a valid file after them still enters the list; the report lists 25 at most,
// within 10,000 bytes with room for the closing line, which counts the others (one in the singular).
TEST(IntakeTest, ManyRefusedNamesKeepTheReportBounded) {
    TempFolder folder;
    const std::string valid = folder.Path("valid.pdf");
    WritePdf(valid, {"valid"});
    for (const auto& [count, length] :
         {std::make_pair(400, 180), std::make_pair(20, 990), std::make_pair(26, 10)}) {
        Lines names;
        std::string report = kHeading;
        int listed = 0;
        for (int i = 0; i < count; ++i) {
            const std::string number = std::to_string(i);
            names.push_back(folder.Path(std::string(length - number.size(), 'x') + number));
            if (listed == i && listed < 25 && report.size() + names.back().size() + 102 < 10000) {
                report += names.back() + "\r\n";
                ++listed;
            }
        }
        names.push_back(valid);
        const IntakeRunResult intake = IntakeRun(names);
        EXPECT_EQ(intake.accepted, Lines{valid});
        EXPECT_EQ(intake.report, report + "And " + std::to_string(count - listed) + " more file" +
                                     (count - listed > 1 ? "s" : "") + " could not be added.\r\n");
    }
}

} // namespace
