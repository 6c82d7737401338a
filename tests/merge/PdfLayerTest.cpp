// The PDF layer's start-up on the build at hand (natively and the static Windows build): files
// protected only by an owner password open, with RC4 as with AES; a user password refuses them.

#include "merge/MergeEngine.h"
#include "merge/PdfLayer.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

namespace {

using PoDoFo::PdfEncrypt;

class PdfLayerTest : public ::testing::Test {
protected:
    // Writing RC4 needs the start-up as much as reading it.
    void SetUp() override { StartPdfLayer(); }

    TempFolder m_folder;
};

struct Protection {
    const char* name;
    PdfEncrypt::EPdfEncryptAlgorithm algorithm;
    PdfEncrypt::EPdfKeyLength keyLength;
};

const Protection kProtections[] = {
    {"rc4-40.pdf", PdfEncrypt::ePdfEncryptAlgorithm_RC4V1, PdfEncrypt::ePdfKeyLength_40},
    {"rc4-128.pdf", PdfEncrypt::ePdfEncryptAlgorithm_RC4V2, PdfEncrypt::ePdfKeyLength_128},
    {"aes-128.pdf", PdfEncrypt::ePdfEncryptAlgorithm_AESV2, PdfEncrypt::ePdfKeyLength_128},
    {"aes-256.pdf", PdfEncrypt::ePdfEncryptAlgorithm_AESV3, PdfEncrypt::ePdfKeyLength_256},
};

TEST_F(PdfLayerTest, OwnerPasswordOnlyFilesOpen) {
    for (const Protection& protection : kProtections) {
        SCOPED_TRACE(protection.name);
        const std::string path = m_folder.Path(protection.name);
        WriteEncryptedPdf(path, "secret page", "", protection.algorithm, protection.keyLength);
        EXPECT_TRUE(PdfOpens(path.c_str()));
    }
}

TEST_F(PdfLayerTest, UserPasswordAndBrokenFilesAreRefused) {
    const std::string locked = m_folder.Path("locked.pdf");
    WriteEncryptedPdf(locked, "secret page", "user", PdfEncrypt::ePdfEncryptAlgorithm_RC4V2,
                      PdfEncrypt::ePdfKeyLength_128);
    EXPECT_FALSE(PdfOpens(locked.c_str()));
    const std::string broken = m_folder.Path("broken.pdf");
    WriteBytes(broken, "%PDF-1.7\n1 0 obj\n<<\n");
    EXPECT_FALSE(PdfOpens(broken.c_str()));
    EXPECT_FALSE(PdfOpens(m_folder.Path("missing.pdf").c_str()));
    EXPECT_FALSE(PdfOpens(m_folder.Dir().c_str()));
    const std::string plain = m_folder.Path("plain.pdf");
    WritePdf(plain, {"one"});
    EXPECT_TRUE(PdfOpens(plain.c_str()));
}

TEST_F(PdfLayerTest, ProtectedInputsAreMerged) {
    PathList inputs;
    for (const Protection& protection : kProtections) {
        const std::string path = m_folder.Path(protection.name);
        WriteEncryptedPdf(path, protection.name, "", protection.algorithm, protection.keyLength);
        inputs.Get().Append(new ZuvAnsi2(path.c_str()));
    }
    const std::string output = m_folder.Path("merged.pdf");
    ZuvAnsi2 title;
    ZuvAnsi2 report;
    EXPECT_EQ(MergeFiles(inputs.Get(), output.c_str(), title, report), MergeSaved);
    EXPECT_STREQ(report.Text(), "File is successfully saved.");
    EXPECT_EQ(PageCountByPoDoFo(output), 4);
}

} // namespace
