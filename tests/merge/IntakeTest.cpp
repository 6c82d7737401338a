// Intake validation on real files: what enters the list, in what order, and what the "Error" box
// says, also when hundreds of files are refused.

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

const std::string kHeading =
    "Following files could not be added, probably because they are not valid PDF files:\r\n";

TEST(IntakeTest, OnlyFilesThatOpenEnterTheListInBatchOrder) {
    TempFolder folder;
    std::filesystem::create_directories(folder.Path("dossier"));
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "dossier/r\xc3\xa9sum\xc3\xa9_final.pdf"}) {
        WritePdf(folder.Path(name), {name});
    }
    const std::string whole = ReadBytes(folder.Path("a.pdf"));
    std::string noise(3000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    }
    WriteBytes(folder.Path("empty.pdf"), "");
    WriteBytes(folder.Path("truncated.pdf"), whole.substr(0, whole.size() / 2));
    WriteBytes(folder.Path("noise.pdf"), noise);
    WriteBytes(folder.Path("page.pdf"), "<!DOCTYPE html>\n<html><body><p>Not found</p></body></html>\n");
    WritePdf(folder.Path("no-pages.pdf"), {});
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("user-password.pdf"), "user-secret", 256);
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("rc4-40.pdf"), "", 40);
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("rc4-128.pdf"), "", 128);
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("aes-128.pdf"), "", 128, true);
    QpdfEncrypt(folder.Path("a.pdf"), folder.Path("aes-256.pdf"), "", 256);
    std::filesystem::create_directories(folder.Path("folder.pdf"));

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
        const RunResult intake = IntakeRun(paths);
        EXPECT_EQ(intake.result, IntakeDone);
        EXPECT_EQ(intake.accepted, accepted);
        EXPECT_EQ(intake.title, "Error");
        EXPECT_EQ(intake.report, report);
    }
    const RunResult empty = IntakeRun({});
    EXPECT_EQ(empty.result, IntakeEmpty);
    EXPECT_EQ(empty.title + empty.report, "");
}

// Many refused names: the batch runs to its end, so a valid file after them still enters the
// list. The report lists 25 names at most, and only while it stays under its 10,000 bytes with
// room for the closing line, which counts the others (one in the singular).
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
        const RunResult intake = IntakeRun(names);
        EXPECT_EQ(intake.accepted, Lines{valid});
        EXPECT_EQ(intake.report, report + "And " + std::to_string(count - listed) + " more file" +
                                     (count - listed > 1 ? "s" : "") + " could not be added.\r\n");
    }
}

} // namespace
