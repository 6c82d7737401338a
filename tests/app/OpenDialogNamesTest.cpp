#include "app/OpenDialogNames.h"

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <gtest/gtest.h>

namespace {

// One file: the buffer. Several: folder, backslash and name, in the dialog's order, names longer and
// shorter than the ones before them whole; without a closing zero nothing past the end is read.
TEST(OpenDialogNames, OneFileIsTheBufferSeveralAreFolderBackslashNameInTheDialogsOrder) {
    using Paths = std::vector<std::string>;
    const struct {
        std::string returned; // what the dialog wrote, zeros included
        uint32_t fileOffset, size;
        Paths paths;
    } cases[] = {
        {std::string("C:\\docs\\a.pdf\0", 14), 8, 9999, {"C:\\docs\\a.pdf"}},
        {std::string("D:\\x\0a.pdf\0a-much-longer-name.pdf\0m\xe9moire.pdf\0\0", 47),
         5,
         9999,
         {"D:\\x\\a.pdf", "D:\\x\\a-much-longer-name.pdf", "D:\\x\\m\xe9moire.pdf"}},
        {std::string("C:\\\0a.pdf\0b.pdf\0\0", 17), 4, 9999, {"C:\\\\a.pdf", "C:\\\\b.pdf"}},
        {std::string("C:\\d\0a.pdf\0bbbbbbb", 18), 5, 18, {"C:\\d\\a.pdf"}},
        {"C:\\d\\abc", 5, 8, {"C:\\d\\ab"}},
        {std::string("\0\0", 2), 0, 9999, {}},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer(c.size, 'x');
        std::copy(c.returned.begin(), c.returned.end(), buffer.begin());
        auto* paths = new ZuvVector<ZuvAnsi2*>;
        EXPECT_TRUE(SplitOpenDialogNames(buffer.data(), c.size, c.fileOffset, *paths));
        Paths split;
        for (uint32_t i = 0; i < paths->Count(); ++i)
            split.push_back((*paths)[i]->Text());
        paths->DestroyOwning();
        EXPECT_EQ(split, c.paths);
    }
}

} // namespace
