// Damaged files that other readers open are merged with every page; files that cannot be
// understood are refused; crafted files are read within bounds (the sanitized build proves it).
// damaged_pdfs.py makes the files. Each goes through the merge first and last, around a sound
// encrypted file: so it is both the document the others are appended to and one appended, and a
// refused first input leaves the next one as the base. pdftotext and qpdf check the output; qpdf
// and pdfunite are offered the same files, and their results are counted for comparison.

#include "merge/PdfLayer.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

// Whether a peer's command merged the files with every page.
bool PeerMerged(const std::string& command, const std::string& output, const Lines& expected) {
    std::remove(output.c_str());
    const int status = RunCommand(command).exitCode;
    // qpdf exits 3 when it merged with warnings.
    return (status == 0 || status == 3) && TextOfPages(output) == expected;
}

TEST(DamagedFileTest, FilesOthersOpenAreMergedWholeAndTheRestRefused) {
    TempFolder folder;
    const std::string output = folder.Path("merged.pdf");
    const std::string peer = folder.Path("peer.pdf");
    int varnello = 0, qpdf = 0, pdfunite = 0;
    const Lines cases = RunPython("damaged_pdfs.py", Quoted(folder.Dir()));
    for (const std::string& line : cases) {
        SCOPED_TRACE(line);
        std::istringstream fields(line);
        std::string id, name, pages, outcome;
        std::getline(std::getline(std::getline(std::getline(fields, id, '|'), name, '|'), pages, '|'),
                     outcome);
        const std::string input = folder.Path(id + ".pdf");
        const Lines texts = Words(pages);
        Lines expected = texts;
        expected.push_back("K1");
        expected.insert(expected.end(), texts.begin(), texts.end());
        std::remove(output.c_str());
        const MergeRunResult run = MergeRun({input, folder.Path("sealed.pdf"), input}, output);
        EXPECT_EQ(PdfOpens(input.c_str()), outcome != "refused");
        EXPECT_EQ(run.outcome, outcome == "merged"    ? MergeSaved
                               : outcome == "refused" ? MergeSavedWithErrors
                                                      : MergeNotSaved);
        EXPECT_EQ(TextOfPages(output), outcome == "merged"    ? expected
                                       : outcome == "refused" ? Lines{"K1"}
                                                              : Lines{});
        EXPECT_EQ(QpdfCheckClean(output), outcome != "opens");

        // The peers rebuild what is damaged: the stale copy that shows a slip was tolerated
        // would only mislead them.
        const std::string files = Quoted(folder.Path(id + ".peer.pdf"));
        const std::string list = files + " " + Quoted(folder.Path("sealed.peer.pdf")) + " " + files;
        const bool merged = run.outcome == MergeSaved && TextOfPages(output) == expected;
        const bool byQpdf =
            PeerMerged("qpdf --empty --pages " + list + " -- " + Quoted(peer), peer, expected);
        const bool byPdfunite = PeerMerged("pdfunite " + list + " " + Quoted(peer), peer, expected);
        printf("%-52s varnello %d  qpdf %d  pdfunite %d\n", name.c_str(), merged, byQpdf, byPdfunite);
        varnello += merged;
        qpdf += byQpdf && !texts.empty();
        pdfunite += byPdfunite && !texts.empty();
    }
    EXPECT_GT(cases.size(), 40u);
    printf("Merged with every page: varnello %d, qpdf %d, pdfunite %d of %zu files\n", varnello, qpdf,
           pdfunite, cases.size());
}

} // namespace
