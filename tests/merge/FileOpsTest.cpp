// The merge's file operations on a real folder, natively and under Wine.

#include "merge/FileOps.h"
#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class FileOpsTest : public ::testing::Test {
protected:
    TempFolder m_folder;
};

TEST_F(FileOpsTest, FileExistsForFilesAndFoldersOnly) {
    WriteBytes(m_folder.Path("a.pdf"), "a");
    std::filesystem::create_directory(m_folder.Path("sub"));
    EXPECT_TRUE(FileExists(m_folder.Path("a.pdf").c_str()));
    EXPECT_TRUE(FileExists(m_folder.Path("sub").c_str()));
    EXPECT_FALSE(FileExists(m_folder.Path("b.pdf").c_str()));
    EXPECT_FALSE(FileExists(m_folder.Path("sub/b.pdf").c_str()));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST_F(FileOpsTest, RemoveFileDeletesFilesButNotFolders) {
    WriteBytes(m_folder.Path("a.pdf"), "a");
    std::filesystem::create_directory(m_folder.Path("sub"));
    EXPECT_TRUE(RemoveFile(ZuvAnsi2(m_folder.Path("a.pdf").c_str())));
    EXPECT_FALSE(FileExists(m_folder.Path("a.pdf").c_str()));
    EXPECT_FALSE(RemoveFile(ZuvAnsi2(m_folder.Path("a.pdf").c_str())));
    EXPECT_FALSE(RemoveFile(ZuvAnsi2(m_folder.Path("sub").c_str())));
    EXPECT_TRUE(FileExists(m_folder.Path("sub").c_str()));
    EXPECT_FALSE(RemoveFile(ZuvAnsi2("")));
}

TEST_F(FileOpsTest, RenameFileMovesAndReplacesInOneStep) {
    const ZuvAnsi2 from(m_folder.Path("new.pdf").c_str());
    const ZuvAnsi2 to(m_folder.Path("old.pdf").c_str());
    WriteBytes(from.Text(), "merged");
    EXPECT_TRUE(RenameFile(from, ZuvAnsi2(m_folder.Path("moved.pdf").c_str())));
    EXPECT_EQ(ReadBytes(m_folder.Path("moved.pdf")), "merged");
    EXPECT_FALSE(FileExists(from.Text()));

    WriteBytes(to.Text(), "original");
    EXPECT_TRUE(RenameFile(ZuvAnsi2(m_folder.Path("moved.pdf").c_str()), to));
    EXPECT_EQ(ReadBytes(to.Text()), "merged");
    EXPECT_EQ(m_folder.Entries(), std::vector<std::string>{"old.pdf"});
}

TEST_F(FileOpsTest, FailedRenameTouchesNeitherFile) {
    const ZuvAnsi2 to(m_folder.Path("old.pdf").c_str());
    WriteBytes(to.Text(), "original");
    EXPECT_FALSE(RenameFile(ZuvAnsi2(m_folder.Path("missing.pdf").c_str()), to));
    EXPECT_EQ(ReadBytes(to.Text()), "original");

    // A folder cannot be replaced by a file.
    const ZuvAnsi2 from(m_folder.Path("new.pdf").c_str());
    WriteBytes(from.Text(), "merged");
    std::filesystem::create_directory(m_folder.Path("dir.pdf"));
    EXPECT_FALSE(RenameFile(from, ZuvAnsi2(m_folder.Path("dir.pdf").c_str())));
    EXPECT_EQ(ReadBytes(from.Text()), "merged");
    EXPECT_TRUE(std::filesystem::is_directory(m_folder.Path("dir.pdf")));
    EXPECT_FALSE(RenameFile(from, ZuvAnsi2("")));
}

TEST_F(FileOpsTest, FileSizeCountsBytes) {
    WriteBytes(m_folder.Path("a.pdf"), std::string(70000, 'x'));
    uint64_t size = 0;
    EXPECT_TRUE(FileSize(m_folder.Path("a.pdf").c_str(), size));
    EXPECT_EQ(size, 70000u);
    EXPECT_FALSE(FileSize(m_folder.Path("b.pdf").c_str(), size));
}

} // namespace
