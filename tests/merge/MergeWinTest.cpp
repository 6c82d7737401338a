// The merge on the static Windows build under Wine: ANSI names, other spellings of the first
// input, and a replacement that Windows refuses.

#include "merge/MergeEngine.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

namespace {

class MergeWinTest : public ::testing::Test {
protected:
    std::string Pdf(const std::string& name, int pages) {
        const std::string path = m_folder.Path(name);
        WritePdf(path, std::vector<std::string>(pages, name));
        return path;
    }
    void ExpectSaved(const MergeRunResult& merge) {
        EXPECT_EQ(merge.outcome, MergeSaved);
        EXPECT_EQ(merge.title, "Varnello");
        EXPECT_EQ(merge.report, "File is successfully saved.");
    }

    TempFolder m_folder;
};

TEST_F(MergeWinTest, AnsiNamesWithAccentsAreReadAndWritten) {
    // "café" and "résumé" in the ANSI code page 1252.
    const std::string a = Pdf("caf\xe9.pdf", 2);
    const std::string b = Pdf("r\xe9sum\xe9 final.pdf", 1);
    const std::string out = m_folder.Path("fusionn\xe9.pdf");
    ExpectSaved(MergeRun({a, b}, out));
    EXPECT_NE(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(PageCountByPoDoFo(out), 3);
}

// Other spellings of the first input: letter case, a relative form, forward slashes.
TEST_F(MergeWinTest, FirstInputSpelledDifferentlyIsReplacedInOneStep) {
    CreateDirectoryA(m_folder.Path("sub").c_str(), nullptr);
    const std::string a = Pdf("a.pdf", 1);
    const std::string b = Pdf("b.pdf", 1);
    std::string slashes = m_folder.Path("sub/../a.pdf");
    for (char& c : slashes) {
        c = c == '\\' ? '/' : c;
    }
    int pages = 1;
    for (const std::string& output : {m_folder.Path("A.PDF"), slashes, m_folder.Path("sub\\..\\a.pdf")}) {
        SCOPED_TRACE(output);
        ExpectSaved(MergeRun({a, b}, output));
        EXPECT_EQ(PageCountByPoDoFo(a), ++pages);
        EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"a.pdf", "b.pdf", "sub"}));
    }
}

// Windows refuses to replace a file that another program holds open without sharing: the
// existing file stays as it was and the result waits beside it.
TEST_F(MergeWinTest, RefusedReplacementKeepsOriginalAndResult) {
    const std::string a = Pdf("a.pdf", 1);
    const std::string b = Pdf("b.pdf", 1);
    const std::string out = Pdf("out.pdf", 3);
    const std::string original = ReadBytes(out);
    const std::string stored = out + ".0.pdf";
    const std::string expected =
        "\r\nCould not replace existing file with merged file. Merged file is stored under:\r\n" + stored +
        "\r\nFile is saved but there are some errors.";

    HANDLE held =
        CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const MergeRunResult merge = MergeRun({a, b}, out);
    CloseHandle(held);
    EXPECT_EQ(merge.outcome, MergeSavedWithErrors);
    EXPECT_EQ(merge.title, "Error");
    EXPECT_EQ(merge.report, expected);
    EXPECT_TRUE(ReadBytes(out) == original);
    EXPECT_EQ(PageCountByPoDoFo(stored), 2);
    EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"a.pdf", "b.pdf", "out.pdf", "out.pdf.0.pdf"}));
}

TEST_F(MergeWinTest, UnwritableOutputTouchesNoInput) {
    const std::string a = Pdf("a.pdf", 1);
    const std::string before = ReadBytes(a);
    const std::string out = m_folder.Path("missing folder\\out.pdf");
    const MergeRunResult merge = MergeRun({a}, out);
    EXPECT_EQ(merge.outcome, MergeNotSaved);
    EXPECT_EQ(merge.report, "\r\nCould not write merged file to:\r\n" + out + "\r\nNo file is saved.");
    EXPECT_TRUE(ReadBytes(a) == before);
    EXPECT_EQ(m_folder.Entries(), std::vector<std::string>{"a.pdf"});
}

// varnello-merge.exe as a batch file meets it, through cmd.exe.
TEST_F(MergeWinTest, MergeToolReportsThroughExitCodeAndConsole) {
    std::string tool = "Z:" VARNELLO_MERGE_EXE;
    for (char& c : tool) {
        c = c == '/' ? '\\' : c;
    }
    const std::string a = Pdf("a.pdf", 2);
    const std::string out = m_folder.Path("out.pdf");
    const std::string log = m_folder.Path("log.txt");
    const auto run = [&](const std::string& input) {
        const std::string command =
            "\"\"" + tool + "\" \"" + out + "\" \"" + input + "\" > \"" + log + "\" 2>&1\"";
        return std::system(command.c_str());
    };
    EXPECT_EQ(run(a), 0);
    EXPECT_EQ(ReadBytes(log), "File is successfully saved.\r\n");
    EXPECT_EQ(PageCountByPoDoFo(out), 2);
    EXPECT_EQ(run(m_folder.Path("missing.pdf")), 2);
    EXPECT_NE(ReadBytes(log).find("\r\nNo file is saved.\r\n"), std::string::npos);
}

} // namespace
