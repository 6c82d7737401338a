// Splitting the open dialog's buffer into full paths.
#include "app/OpenDialogNames.h"

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Runs the split over a buffer of `size` bytes that starts with `returned` (zeros included).
std::vector<std::string> Split(const std::string& returned, uint32_t fileOffset, uint32_t size = 9999) {
    std::vector<char> buffer(size, 'x');
    std::copy(returned.begin(), returned.end(), buffer.begin());
    auto* paths = new ZuvVector<ZuvAnsi2*>;
    EXPECT_TRUE(SplitOpenDialogNames(buffer.data(), size, fileOffset, *paths));
    std::vector<std::string> out;
    for (uint32_t i = 0; i < paths->Count(); ++i)
        out.push_back((*paths)[i]->Text());
    paths->DestroyOwning();
    return out;
}

TEST(OpenDialogNames, OneFileIsTheWholeBuffer) {
    EXPECT_EQ(Split(std::string("C:\\docs\\a.pdf\0", 14), 8), std::vector<std::string>{"C:\\docs\\a.pdf"});
}

TEST(OpenDialogNames, SeveralFilesBecomeFolderBackslashNameInTheDialogsOrder) {
    std::string returned("C:\\docs\0zeta.pdf\0a b.pdf\0m\xe9moire.pdf\0\0", 38);
    std::vector<std::string> want = {"C:\\docs\\zeta.pdf", "C:\\docs\\a b.pdf", "C:\\docs\\m\xe9moire.pdf"};
    EXPECT_EQ(Split(returned, 8), want);
}

TEST(OpenDialogNames, NamesLongerAndShorterThanTheOnesBeforeThemStayIntact) {
    std::string returned("D:\\x\0a.pdf\0a-much-longer-name.pdf\0b.pdf\0\0", 42);
    std::vector<std::string> want = {"D:\\x\\a.pdf", "D:\\x\\a-much-longer-name.pdf", "D:\\x\\b.pdf"};
    EXPECT_EQ(Split(returned, 5), want);
}

TEST(OpenDialogNames, BackslashIsInsertedEvenAfterARootFolder) {
    std::string returned("C:\\\0a.pdf\0b.pdf\0\0", 17);
    std::vector<std::string> want = {"C:\\\\a.pdf", "C:\\\\b.pdf"};
    EXPECT_EQ(Split(returned, 4), want);
}

TEST(OpenDialogNames, BufferWithoutItsClosingZeroIsNotReadPastItsEnd) {
    // The last name runs to the end of the buffer: it is not taken, and nothing beyond is read.
    std::string returned("C:\\d\0a.pdf\0bbbbbbb", 18);
    EXPECT_EQ(Split(returned, 5, 18), std::vector<std::string>{"C:\\d\\a.pdf"});
    // A single name without its zero is cut at the buffer's end.
    EXPECT_EQ(Split("C:\\d\\abc", 5, 8), std::vector<std::string>{"C:\\d\\ab"});
}

TEST(OpenDialogNames, EmptyBufferGivesNoPath) {
    EXPECT_TRUE(Split(std::string("\0\0", 2), 0).empty());
}

} // namespace
