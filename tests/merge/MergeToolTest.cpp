// varnello-merge as scripts meet it: exit codes, the report text, and write failures that the
// engine test cannot stage in-process (a folder without write access, a full disk).

#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kTool = VARNELLO_MERGE_EXE;

class MergeToolTest : public ::testing::Test {
protected:
    std::string Pdf(const std::string& name, const std::string& text) {
        const std::string path = m_folder.Path(name);
        WritePdf(path, {text});
        return path;
    }
    // Runs the tool with the arguments; `prefix` goes in front of the command.
    ToolResult Tool(const std::vector<std::string>& args, const std::string& prefix = "") {
        std::string command = prefix + Quoted(kTool);
        for (const std::string& arg : args) {
            command += " " + Quoted(arg);
        }
        return RunCommand(command, true);
    }

    TempFolder m_folder;
};

TEST_F(MergeToolTest, CleanMergeExitsZero) {
    const std::string a = Pdf("a.pdf", "first");
    const std::string b = Pdf("b.pdf", "second");
    const std::string out = m_folder.Path("out.pdf");
    const ToolResult result = Tool({out, a, b});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "File is successfully saved.\n");
    EXPECT_EQ(PageText(out, 1), "first");
    EXPECT_EQ(PageText(out, 2), "second");
}

TEST_F(MergeToolTest, PartlyFailedMergeExitsOne) {
    const std::string a = Pdf("a.pdf", "first");
    const std::string bad = m_folder.Path("bad file.pdf");
    WriteBytes(bad, "<html></html>");
    const std::string out = m_folder.Path("out.pdf");
    const ToolResult result = Tool({out, a, bad});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Following files could not be merged, probably because they are not valid PDF "
                             "files:\n" +
                                 bad + "\n\nFile is saved but there are some errors.\n");
    EXPECT_EQ(PageCount(out), 1);
}

TEST_F(MergeToolTest, NothingWrittenExitsTwo) {
    const std::string out = m_folder.Path("out.pdf");
    const ToolResult result = Tool({out, m_folder.Path("missing.pdf")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.output.find("\nNo file is saved.\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(out));

    const ToolResult usage = Tool({out});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(usage.output, "Usage: varnello-merge OUTPUT INPUT...\n");
}

// Root writes anywhere; the tool then runs without that privilege, as a user would.
std::string AsUser() {
    if (geteuid() != 0) {
        return "";
    }
    return "setpriv --bounding-set=-dac_override,-dac_read_search --inh-caps=-dac_override,-dac_read_search ";
}

TEST_F(MergeToolTest, ReadOnlyFolderKeepsAnExistingOutputIntact) {
    if (RunCommand(AsUser() + "true").exitCode != 0) {
        GTEST_SKIP() << "cannot drop the privilege to write anywhere";
    }
    fs::create_directory(m_folder.Path("locked"));
    const std::string a = Pdf("locked/a.pdf", "first");
    const std::string b = Pdf("b.pdf", "second");
    const std::string aBytes = ReadBytes(a);
    fs::permissions(m_folder.Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    for (const std::string& out : {a, m_folder.Path("locked/new.pdf")}) {
        SCOPED_TRACE(out);
        const ToolResult result = Tool({out, a, b}, AsUser());
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.output, "\nCould not write merged file to:\n" + out + "\nNo file is saved.\n");
        EXPECT_EQ(ReadBytes(a), aBytes);
        fs::permissions(m_folder.Path("locked"), fs::perms::owner_all);
        EXPECT_EQ(fs::directory_iterator(m_folder.Path("locked"))->path().filename(), "a.pdf");
        EXPECT_EQ(std::distance(fs::directory_iterator(m_folder.Path("locked")), fs::directory_iterator()),
                  1);
        fs::permissions(m_folder.Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    }
}

// A full disk, staged with a file-size limit: the write fails part-way through. What was
// written is removed, and an existing output (here the first input) stays as it was.
TEST_F(MergeToolTest, WriteCutShortLeavesNoPartialFile) {
    std::vector<std::string> texts(40, "a page of text to make the file large enough");
    const std::string a = m_folder.Path("a.pdf");
    WritePdf(a, texts);
    const std::string aBytes = ReadBytes(a);
    ASSERT_GT(aBytes.size(), 8 * 1024u);
    const std::string limit = "trap '' XFSZ; ulimit -f 8; ";
    for (const std::string& out : {m_folder.Path("new.pdf"), a}) {
        SCOPED_TRACE(out);
        const ToolResult result = Tool({out, a, a}, limit);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.output, "\nCould not write merged file to:\n" + out + "\nNo file is saved.\n");
        EXPECT_EQ(ReadBytes(a), aBytes);
        EXPECT_EQ(m_folder.Entries(), std::vector<std::string>{"a.pdf"});
    }
}

} // namespace
