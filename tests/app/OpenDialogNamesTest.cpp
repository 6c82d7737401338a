#include "app/OpenDialogNames.h"

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// One file: the buffer. Several: folder, backslash and name, in the dialog's order, names longer and
// shorter than the ones before them whole; without a closing zero nothing past the end is read.
TEST(OpenDialogNames, OneFileIsTheBufferSeveralAreFolderBackslashNameInTheDialogsOrder) {
    using Case =
        std::tuple<std::string, uint32_t, uint32_t, std::vector<std::string>>; // buffer, offset, size
    for (const auto& [returned, fileOffset, size, expected] : {
             Case{std::string("C:\\docs\\a.pdf\0", 14), 8, 9999, {"C:\\docs\\a.pdf"}},
             Case{std::string("D:\\x\0a.pdf\0a-much-longer-name.pdf\0m\xe9moire.pdf\0\0", 47),
                  5,
                  9999,
                  {"D:\\x\\a.pdf", "D:\\x\\a-much-longer-name.pdf", "D:\\x\\m\xe9moire.pdf"}},
             Case{std::string("C:\\d\0a.pdf\0bbbbbbb", 18), 5, 18, {"C:\\d\\a.pdf"}},
             Case{"C:\\d\\abc", 5, 8, {"C:\\d\\ab"}},
             Case{std::string("\0\0", 2), 0, 9999, {}},
         }) {
        std::vector<char> buffer(size, 'x');
        std::copy(returned.begin(), returned.end(), buffer.begin());
        ZuvVector<ZuvAnsi2*> paths;
        EXPECT_TRUE(SplitOpenDialogNames(buffer.data(), size, fileOffset, paths));
        std::vector<std::string> split;
        for (uint32_t i = 0; i < paths.Count(); ++i)
            split.push_back(paths[i]->Text());
        paths.DeleteAll();
        EXPECT_EQ(split, expected);
    }
}

} // namespace
