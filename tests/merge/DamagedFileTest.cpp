// Damaged files that other readers open are merged with every page; files that cannot be
// understood are refused; crafted files are read within bounds (the sanitized build proves it).
// The merged output is checked with pdftotext and qpdf, and each damaged file is offered to qpdf
// and pdfunite too, whose results are counted for comparison.

#include "merge/PdfLayer.h"
#include "tests/merge/DamagedPdfs.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Pages = std::vector<std::string>;

Pages PageTexts(const std::string& pdf) {
    Pages texts;
    const int count = PageCount(pdf);
    for (int i = 1; i <= count; ++i) {
        texts.push_back(PageText(pdf, i));
    }
    return texts;
}

// Whether a peer's command merged both files with every page.
bool PeerMerged(const std::string& command, const std::string& output, const Pages& expected) {
    std::remove(output.c_str());
    const int status = RunCommand(command).exitCode;
    // qpdf exits 3 when it merged with warnings.
    return expected.size() > 1 && (status == 0 || status == 3) && PageTexts(output) == expected;
}

TEST(DamagedFileTest, FilesOthersOpenAreMergedWholeAndTheRestRefused) {
    TempFolder folder;
    const std::string good = folder.Path("good.pdf");
    WritePdf(good, {"G1"});
    const std::string input = folder.Path("damaged.pdf");
    const std::string output = folder.Path("merged.pdf");
    const std::string peer = folder.Path("peer.pdf");
    int varnello = 0, qpdf = 0, pdfunite = 0;
    for (const DamagedPdf& pdf : DamagedPdfs()) {
        SCOPED_TRACE(pdf.name);
        const std::string bytes = pdf.bytes();
        WriteBytes(input, bytes);
        std::remove(output.c_str());
        const MergeOutcome outcome = MergeRun({good, input}, output).outcome;
        Pages expected = {"G1"};
        expected.insert(expected.end(), pdf.pages.begin(), pdf.pages.end());
        EXPECT_EQ(PdfOpens(input.c_str()), !pdf.refused || pdf.opens);
        EXPECT_EQ(outcome, pdf.refused ? MergeSavedWithErrors : MergeSaved);
        EXPECT_EQ(PageTexts(output), pdf.refused ? Pages{"G1"} : expected);
        EXPECT_TRUE(QpdfCheckClean(output));
        const bool merged = outcome == MergeSaved && PageTexts(output) == expected;

        // The peers rebuild what is damaged, so the stale copy that shows whether a slip was
        // tolerated would only mislead them.
        WriteBytes(input, WithoutStaleCopy(bytes));
        const bool byQpdf =
            PeerMerged("qpdf --empty --pages " + Quoted(good) + " " + Quoted(input) + " -- " + Quoted(peer),
                       peer, expected);
        const bool byPdfunite =
            PeerMerged("pdfunite " + Quoted(good) + " " + Quoted(input) + " " + Quoted(peer), peer, expected);
        printf("%-52s varnello %d  qpdf %d  pdfunite %d\n", pdf.name, merged, byQpdf, byPdfunite);
        varnello += merged;
        qpdf += byQpdf;
        pdfunite += byPdfunite;
    }
    printf("Merged with every page: varnello %d, qpdf %d, pdfunite %d of %zu files\n", varnello, qpdf,
           pdfunite, DamagedPdfs().size());
}

// A first input refused part-way through its loading (its catalog's header is gone) leaves nothing
// behind in the document that the next input is then loaded into: the free numbers it had left
// were handed out to the encrypted second input's new objects, onto numbers in use.
TEST(DamagedFileTest, InputRefusedPartWayLeavesNothingForTheNextBase) {
    TempFolder folder;
    RawPdf pdf;
    RawPages(pdf, {"D1"});
    pdf.StartXRef(pdf.Table(pdf.Entries(), "/Size 6 /Root 1 0 R"));
    const std::string first = folder.Path("first.pdf");
    WriteBytes(first, Replaced(pdf.Bytes(), "1 0 obj", "% 0 obj"));
    const std::string second = folder.Path("second.pdf");
    StartPdfLayer();
    WriteEncryptedPdf(second, "K1", "", PoDoFo::PdfEncrypt::ePdfEncryptAlgorithm_RC4V1,
                      PoDoFo::PdfEncrypt::ePdfKeyLength_40);
    const std::string output = folder.Path("merged.pdf");
    EXPECT_EQ(MergeRun({first, second}, output).outcome, MergeSavedWithErrors);
    EXPECT_EQ(PageTexts(output), Pages{"K1"});
    EXPECT_TRUE(QpdfCheckClean(output));
}

} // namespace
