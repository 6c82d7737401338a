// Stream bytes stay in the input files until the output is written: the output is the same as
// when every stream is read into memory, and an input that changes before the write is never
// copied into the output.

#include "merge/MergeEngine.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

using PoDoFo::PdfSourceFile;

namespace {

class StreamsOnDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        WritePdf(m_folder.Path("plain.pdf"), {"P1", "P2", "P3"});
        const std::string one = m_folder.Path("one.pdf");
        WritePdf(one, {"Sealed"});
        QpdfEncrypt(one, m_folder.Path("rc4-40.pdf"), "", 40);
        QpdfEncrypt(one, m_folder.Path("rc4-128.pdf"), "", 128);
        QpdfEncrypt(one, m_folder.Path("aes-128.pdf"), "", 128, true);
        QpdfEncrypt(one, m_folder.Path("aes-256.pdf"), "", 256);
    }
    void TearDown() override { PdfSourceFile::SetStreamsStayInFile(true); }

    std::vector<std::string> Paths(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(m_folder.Path(name));
        }
        return paths;
    }
    // The merge with streams read into memory at once, or left in their files.
    std::string Merged(const std::vector<std::string>& names, bool onDisk) {
        PdfSourceFile::SetStreamsStayInFile(onDisk);
        const std::string out = m_folder.Path(onDisk ? "disk.pdf" : "memory.pdf");
        EXPECT_EQ(MergeRun(Paths(names), out).outcome, MergeSaved);
        return out;
    }

    TempFolder m_folder;
};

// The time of the write is the only thing two runs may write differently.
std::string WithoutWriteTime(const std::string& pdf) {
    return std::regex_replace(ReadBytes(pdf), std::regex("/ModDate\\s*\\([^)]*\\)"), "/ModDate()");
}

TEST_F(StreamsOnDiskTest, OutputIsTheSameAsFromStreamsInMemory) {
    const std::vector<std::vector<std::string>> cases = {
        {"plain.pdf", "plain.pdf", "rc4-40.pdf", "rc4-128.pdf", "aes-128.pdf", "aes-256.pdf"},
        {"rc4-128.pdf", "plain.pdf", "aes-256.pdf"}, // the base is encrypted, and so is the output
    };
    for (const auto& names : cases) {
        SCOPED_TRACE(names.front());
        const std::string memory = Merged(names, false);
        const std::string disk = Merged(names, true);
        EXPECT_TRUE(WithoutWriteTime(memory) == WithoutWriteTime(disk));
        EXPECT_TRUE(QpdfCheckClean(disk));
        ASSERT_EQ(PageCount(disk),
                  int(names.size()) + 2 * int(std::count(names.begin(), names.end(), "plain.pdf")));
        EXPECT_EQ(PageText(disk, PageCount(disk)), names.back() == "plain.pdf" ? "P3" : "Sealed");
    }
}

// A file that changed after it was read makes the write fail as any failed write does: nothing
// is left behind, and an existing output keeps its bytes.
TEST_F(StreamsOnDiskTest, InputChangedBeforeTheWriteIsNeverCopied) {
    const std::string out = m_folder.Path("out.pdf");
    const std::string failed = "\r\nCould not write merged file to:\r\n" + out + "\r\nNo file is saved.";
    const std::string victim = m_folder.Path("victim.pdf");
    struct Case {
        const char* what;
        std::vector<std::string> inputs;
        std::function<void()> change; // what happens to victim.pdf before the write
        bool outputExists;
    };
    const std::vector<Case> cases = {
        {"cut short",
         {"plain.pdf", "victim.pdf"},
         [&] { std::filesystem::resize_file(victim, std::filesystem::file_size(victim) - 40); },
         false},
        {"same size, other bytes",
         {"plain.pdf", "victim.pdf"},
         [&] {
             std::string bytes = ReadBytes(victim);
             std::reverse(bytes.begin() + bytes.size() / 2, bytes.end());
             WriteBytes(victim, bytes);
         },
         true},
        {"deleted", {"plain.pdf", "aes-256.pdf", "victim.pdf"}, [&] { std::remove(victim.c_str()); }, false},
        {"the base",
         {"victim.pdf", "plain.pdf"},
         [&] { WriteBytes(victim, ReadBytes(m_folder.Path("one.pdf"))); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WritePdf(victim, {"V1", "V2"});
        WriteBytes(out, "the output as it was");
        if (!c.outputExists) {
            std::remove(out.c_str());
        }
        const std::vector<std::string> before = m_folder.Entries();
        const MergeRunResult merge = MergeRun(Paths(c.inputs), out, c.change);
        EXPECT_EQ(merge.outcome, MergeNotSaved);
        EXPECT_EQ(merge.report, failed);
        std::vector<std::string> after = m_folder.Entries();
        if (!std::filesystem::exists(victim)) {
            after.push_back("victim.pdf");
            std::sort(after.begin(), after.end());
        }
        EXPECT_EQ(after, before);
        if (c.outputExists) {
            EXPECT_EQ(ReadBytes(out), "the output as it was");
        }
    }
}

} // namespace
