// Stream bytes stay in the input files until the output is written: the output is the same as
// when every stream is read into memory, encrypted or not. (An input that changes before the
// write makes it fail: see MergeTest.)

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

namespace {

using PoDoFo::PdfSourceFile;

class StreamsOnDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        WritePdf(Path("plain.pdf"), {"P1", "P2", "P3"});
        WritePdf(Path("one.pdf"), {"Sealed"});
        for (int bits : {40, 128, 256}) {
            QpdfEncrypt(Path("one.pdf"), Path("key-" + std::to_string(bits) + ".pdf"), "", bits, bits == 256);
        }
        QpdfEncrypt(Path("one.pdf"), Path("aes-128.pdf"), "", 128, true);
    }
    void TearDown() override { PdfSourceFile::SetStreamsStayInFile(true); }

    std::string Path(const std::string& name) const { return m_folder.Path(name); }
    std::vector<std::string> Paths(const std::string& names) const {
        std::vector<std::string> paths;
        for (const std::string& name : Words(names)) {
            paths.push_back(Path(name));
        }
        return paths;
    }

    TempFolder m_folder;
};

TEST_F(StreamsOnDiskTest, OutputIsTheSameAsFromStreamsInMemory) {
    // RC4 with 40 and 128 bits, AES with 128 and 256 bits; then an encrypted base, and output.
    for (const std::string names : {"plain.pdf plain.pdf key-40.pdf key-128.pdf aes-128.pdf key-256.pdf",
                                    "key-128.pdf plain.pdf key-256.pdf"}) {
        SCOPED_TRACE(names);
        std::string bytes[2];
        for (bool onDisk : {false, true}) {
            PdfSourceFile::SetStreamsStayInFile(onDisk);
            EXPECT_EQ(MergeRun(Paths(names), Path("merged.pdf")).outcome, MergeSaved);
            // As qpdf reads it, decrypted: the time of the write, and the identifier and the key
            // derived from it, are all that two runs may write differently.
            const std::string read = "qpdf --decrypt --qdf --static-id " + Quoted(Path("merged.pdf")) + " -";
            static const std::regex time("/(ModDate|CreationDate) \\([^)]*\\)|/ID \\[<[^>]*><[^>]*>\\]");
            bytes[onDisk] = std::regex_replace(RunCommand(read).output, time, "");
        }
        EXPECT_TRUE(bytes[0] == bytes[1] && !bytes[0].empty());
        EXPECT_TRUE(QpdfCheckClean(Path("merged.pdf")));
        Lines expected;
        for (const std::string& name : Words(names)) {
            const Lines pages = name == "plain.pdf" ? Lines{"P1", "P2", "P3"} : Lines{"Sealed"};
            expected.insert(expected.end(), pages.begin(), pages.end());
        }
        EXPECT_EQ(TextOfPages(Path("merged.pdf")), expected);
    }
}

} // namespace
