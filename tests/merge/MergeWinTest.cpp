// A replacement that Windows refuses, on the static Windows build under Wine. (varnello-merge.exe
// meets names in any script and other spellings of the first input in exe_fidelity.sh, where
// qpdf reads what it wrote.)

#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// Windows refuses to replace a file that another program holds open without sharing: the
// existing file stays as it was and the result, both inputs' pages, waits beside it.
TEST(MergeWinTest, RefusedReplacementKeepsOriginalAndResult) {
    TempFolder folder;
    const std::string out = folder.Path("out.pdf");
    WriteBytes(out, FlatPdf({"O1", "O2", "O3"}).File());
    WriteBytes(folder.Path("a.pdf"), FlatPdf({"A1"}).File());
    WriteBytes(folder.Path("b.pdf"), FlatPdf({"B1"}).File());
    const std::string original = ReadBytes(out);
    HANDLE held =
        CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const MergeRunResult merge = MergeRun({folder.Path("a.pdf"), folder.Path("b.pdf")}, out);
    CloseHandle(held);
    EXPECT_EQ(merge.outcome, MergeSavedWithErrors);
    EXPECT_EQ(merge.title, "Error");
    EXPECT_EQ(merge.report,
              "\r\nCould not replace existing file with merged file. Merged file is stored under:\r\n" + out +
                  ".0.pdf\r\nFile is saved but there are some errors.");
    EXPECT_TRUE(ReadBytes(out) == original);
    EXPECT_EQ(folder.Entries(), (Lines{"a.pdf", "b.pdf", "out.pdf", "out.pdf.0.pdf"}));
    const std::string result = ReadBytes(out + ".0.pdf");
    EXPECT_TRUE(result.find("(A1)") != std::string::npos && result.find("(B1)") != std::string::npos);
}

} // namespace
