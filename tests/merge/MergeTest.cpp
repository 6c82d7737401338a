// The merge on real files, checked with pdfinfo, pdftotext and qpdf.

#include "merge/MergeEngine.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kUnmergedHeading =
    "Following files could not be merged, probably because they are not valid PDF files:\r\n";
const std::string kSavedWithErrors = "\r\nFile is saved but there are some errors.";

class MergeTest : public ::testing::Test {
protected:
    // A PDF whose pages read "<tag>1", "<tag>2", ...
    std::string Pdf(const std::string& name, const std::string& tag, int pages, bool withOutline = false) {
        std::vector<std::string> texts;
        for (int i = 1; i <= pages; ++i) {
            texts.push_back(tag + std::to_string(i));
        }
        const std::string path = m_folder.Path(name);
        WritePdf(path, texts, withOutline);
        return path;
    }
    std::vector<std::string> PageTexts(const std::string& pdf) {
        std::vector<std::string> texts;
        const int count = PageCount(pdf);
        for (int i = 1; i <= count; ++i) {
            texts.push_back(PageText(pdf, i));
        }
        return texts;
    }
    void ExpectSaved(const MergeRunResult& merge) {
        EXPECT_EQ(merge.outcome, MergeSaved);
        EXPECT_EQ(merge.title, "Varnello");
        EXPECT_EQ(merge.report, "File is successfully saved.");
    }

    TempFolder m_folder;
};

using Pages = std::vector<std::string>;

TEST_F(MergeTest, InputsAreMergedInListOrder) {
    const std::string a = Pdf("a.pdf", "A", 2);
    const std::string b = Pdf("b.pdf", "B", 1);
    const std::string c = Pdf("c.pdf", "C", 3);
    const std::string d = m_folder.Path("d.pdf");
    ExpectSaved(MergeRun({a, b, c}, d));
    EXPECT_EQ(PageTexts(d), (Pages{"A1", "A2", "B1", "C1", "C2", "C3"}));
    EXPECT_TRUE(QpdfCheckClean(d));
}

TEST_F(MergeTest, UnreadableFirstInputMakesTheNextOneTheBase) {
    const std::string bad = m_folder.Path("bad.pdf");
    WriteBytes(bad, "%PDF-1.4\nnothing else\n");
    const std::string a = Pdf("a.pdf", "A", 1);
    const std::string missing = m_folder.Path("gone.pdf");
    const std::string b = Pdf("b.pdf", "B", 1);
    const std::string d = m_folder.Path("d.pdf");
    const MergeRunResult merge = MergeRun({bad, a, missing, b}, d);
    EXPECT_EQ(merge.outcome, MergeSavedWithErrors);
    EXPECT_EQ(merge.title, "Error");
    EXPECT_EQ(merge.report, kUnmergedHeading + bad + "\r\n" + missing + "\r\n" + kSavedWithErrors);
    EXPECT_EQ(PageTexts(d), (Pages{"A1", "B1"}));
}

TEST_F(MergeTest, NoReadableInputWritesNothingAndSaysSo) {
    const std::string bad = m_folder.Path("bad.pdf");
    WriteBytes(bad, "");
    const std::string missing = m_folder.Path("missing.pdf");
    const MergeRunResult merge = MergeRun({bad, missing}, m_folder.Path("d.pdf"));
    EXPECT_EQ(merge.outcome, MergeNotSaved);
    EXPECT_EQ(merge.title, "Error");
    EXPECT_EQ(merge.report, kUnmergedHeading + bad + "\r\n" + missing + "\r\n" + "\r\nNo file is saved.");
    EXPECT_EQ(m_folder.Entries(), (Pages{"bad.pdf"}));
}

TEST_F(MergeTest, NothingToMergeOrNoOutputDoesNothing) {
    const std::string a = Pdf("a.pdf", "A", 1);
    for (const MergeRunResult& merge : {MergeRun({}, m_folder.Path("d.pdf")), MergeRun({a}, "")}) {
        EXPECT_EQ(merge.outcome, MergeNotSaved);
        EXPECT_EQ(merge.title, "");
        EXPECT_EQ(merge.report, "");
    }
    EXPECT_EQ(m_folder.Entries(), (Pages{"a.pdf"}));
}

// The first input is replaced by the merge; however its name is spelled, the document that
// still reads from it is never written over, and no temporary file is left behind.
TEST_F(MergeTest, OutputThatIsTheFirstInputIsReplacedSafely) {
    std::filesystem::create_directory(m_folder.Path("sub"));
    const std::string a = Pdf("a.pdf", "A", 2);
    const std::string b = Pdf("b.pdf", "B", 1);
    std::filesystem::create_symlink(a, m_folder.Path("link.pdf"));
    const std::vector<std::string> spellings = {a, m_folder.Path("sub/../a.pdf"), m_folder.Path("./a.pdf")};
    Pages expected = {"A1", "A2"};
    for (const std::string& output : spellings) {
        SCOPED_TRACE(output);
        ExpectSaved(MergeRun({a, b}, output));
        expected.push_back("B1");
        EXPECT_EQ(PageTexts(a), expected);
        EXPECT_TRUE(QpdfCheckClean(a));
        EXPECT_EQ(m_folder.Entries(), (Pages{"a.pdf", "b.pdf", "link.pdf", "sub"}));
    }
    // Through a link the link itself gets the result; the file it pointed at is left alone.
    const std::string before = ReadBytes(a);
    ExpectSaved(MergeRun({m_folder.Path("link.pdf"), b}, m_folder.Path("link.pdf")));
    EXPECT_EQ(ReadBytes(a), before);
    expected.push_back("B1");
    EXPECT_EQ(PageTexts(m_folder.Path("link.pdf")), expected);
}

TEST_F(MergeTest, TakenTemporaryNamesAreSkippedAndKept) {
    const std::string a = Pdf("a.pdf", "A", 1);
    const std::string b = Pdf("b.pdf", "B", 1);
    WriteBytes(m_folder.Path("a.pdf.0.pdf"), "keep 0");
    WriteBytes(m_folder.Path("a.pdf.1.pdf"), "keep 1");
    ExpectSaved(MergeRun({a, b}, a));
    EXPECT_EQ(PageTexts(a), (Pages{"A1", "B1"}));
    EXPECT_EQ(ReadBytes(m_folder.Path("a.pdf.0.pdf")), "keep 0");
    EXPECT_EQ(ReadBytes(m_folder.Path("a.pdf.1.pdf")), "keep 1");
    EXPECT_EQ(m_folder.Entries(), (Pages{"a.pdf", "a.pdf.0.pdf", "a.pdf.1.pdf", "b.pdf"}));
}

// A folder of the output's name cannot be replaced by a file: the merged file stays under the
// first free temporary name, which the report gives.
TEST_F(MergeTest, FailedReplacementKeepsTheResultUnderItsTemporaryName) {
    const std::string a = Pdf("a.pdf", "A", 1);
    const std::string out = m_folder.Path("out.pdf");
    std::filesystem::create_directory(out);
    WriteBytes(m_folder.Path("out.pdf/inside"), "x");
    WriteBytes(m_folder.Path("out.pdf.0.pdf"), "taken");
    const MergeRunResult merge = MergeRun({a}, out);
    const std::string stored = m_folder.Path("out.pdf.1.pdf");
    EXPECT_EQ(merge.outcome, MergeSavedWithErrors);
    EXPECT_EQ(merge.title, "Error");
    EXPECT_EQ(merge.report,
              "\r\nCould not replace existing file with merged file. Merged file is stored under:\r\n" +
                  stored + kSavedWithErrors);
    EXPECT_EQ(PageTexts(stored), (Pages{"A1"}));
    EXPECT_EQ(ReadBytes(m_folder.Path("out.pdf/inside")), "x");
}

TEST_F(MergeTest, OutputThatIsTheSecondInputGetsTheResult) {
    const std::string a = Pdf("a.pdf", "A", 1);
    const std::string b = Pdf("b.pdf", "B", 2);
    const std::string c = Pdf("c.pdf", "C", 1);
    ExpectSaved(MergeRun({a, b, c}, b));
    EXPECT_EQ(PageTexts(b), (Pages{"A1", "B1", "B2", "C1"}));
    EXPECT_EQ(m_folder.Entries(), (Pages{"a.pdf", "b.pdf", "c.pdf"}));
}

TEST_F(MergeTest, UnwritableOutputIsReportedAndTouchesNoInput) {
    const std::string a = Pdf("a.pdf", "A", 1);
    const std::string b = Pdf("b.pdf", "B", 1);
    const std::string aBytes = ReadBytes(a);
    const std::string bBytes = ReadBytes(b);
    const std::string out = m_folder.Path("no such folder/d.pdf");
    const MergeRunResult merge = MergeRun({a, b}, out);
    EXPECT_EQ(merge.outcome, MergeNotSaved);
    EXPECT_EQ(merge.title, "Error");
    EXPECT_EQ(merge.report, "\r\nCould not write merged file to:\r\n" + out + "\r\nNo file is saved.");
    EXPECT_EQ(ReadBytes(a), aBytes);
    EXPECT_EQ(ReadBytes(b), bBytes);
    EXPECT_EQ(m_folder.Entries(), (Pages{"a.pdf", "b.pdf"}));
}

TEST_F(MergeTest, OutlinesOfEveryInputAreKept) {
    const std::string a = Pdf("a.pdf", "A", 2, true);
    const std::string b = Pdf("b.pdf", "B", 1, true);
    const std::string d = m_folder.Path("d.pdf");
    ExpectSaved(MergeRun({a, b}, d));
    EXPECT_EQ(OutlineTitles(d), "A1\nA2\nB1\n");
    EXPECT_TRUE(QpdfCheckClean(d));
}

TEST_F(MergeTest, OwnerPasswordInputsAreMergedReadable) {
    const std::string plain = Pdf("plain.pdf", "P", 1);
    const std::string rc4 = m_folder.Path("rc4.pdf");
    const std::string aes = m_folder.Path("aes.pdf");
    QpdfEncrypt(Pdf("r.pdf", "R", 1), rc4, "", 40);
    QpdfEncrypt(Pdf("s.pdf", "S", 1), aes, "", 256);
    const std::string d = m_folder.Path("d.pdf");
    ExpectSaved(MergeRun({rc4, plain, aes}, d));
    EXPECT_EQ(PageTexts(d), (Pages{"R1", "P1", "S1"}));
}

} // namespace
