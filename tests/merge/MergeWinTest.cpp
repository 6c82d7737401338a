// The merge on the static Windows build under Wine: names in any script, other spellings of the
// first input, a replacement that Windows refuses (varnello-merge.exe runs in exe_fidelity.sh).
// The files written are read by qpdf on the Linux machine, which Wine starts.

#include "tests/merge/PdfFixtures.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

namespace {

// Whether a file of the name exists, the name taken as the UTF-8 text it is in this source: in
// another code page the single-byte calls would have made and found a file of another name.
bool ExistsAsSpelled(const std::string& utf8) {
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], static_cast<int>(wide.size()))));
    return !wide.empty() && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Where Wine keeps a file of its drives on the Linux machine, in single quotes for its shell.
std::string LinuxPath(const std::string& windowsPath) {
    using Convert = char*(CDECL*)(const WCHAR*);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    WCHAR wide[MAX_PATH];
    char* path = nullptr;
    if (convert && MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) {
        path = convert(wide);
    }
    const std::string unixPath = "'" + std::string(path ? path : "") + "'";
    HeapFree(GetProcessHeap(), 0, path);
    return unixPath;
}

class MergeWinTest : public ::testing::Test {
protected:
    std::string Pdf(const std::string& name, int pages) {
        WritePdf(m_folder.Path(name), Lines(pages, "page"));
        return m_folder.Path(name);
    }
    // A shell command of the Linux machine and what it printed: Wine starts a Linux program that
    // CreateProcess is given, but does not wait for it, so the shell moves its output into place
    // once it is complete.
    std::string RunLinuxShell(const std::string& command) {
        const std::string output = m_folder.Path("shell.txt");
        DeleteFileA(output.c_str());
        std::string line = "sh -c \"{ " + command + "; } > " + LinuxPath(output) + ".part; mv " +
                           LinuxPath(output) + ".part " + LinuxPath(output) + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA("Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            return "cannot start " + command;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        for (int waited = 0; GetFileAttributesA(output.c_str()) == INVALID_FILE_ATTRIBUTES && waited < 60000;
             waited += 10) {
            Sleep(10);
        }
        return ReadBytes(output);
    }
    // The page count as qpdf finds it, or its complaint.
    std::string Pages(const std::string& pdf) {
        return RunLinuxShell("qpdf --show-npages " + LinuxPath(pdf) + " 2>&1; qpdf --check " +
                             LinuxPath(pdf) + " >/dev/null 2>&1 || echo unsound");
    }

    TempFolder m_folder;
};

// The programs' code page is UTF-8, so the single-byte calls carry names in any script; and
// however the first input is spelled as the output, it is replaced in one step.
TEST_F(MergeWinTest, NamesInAnyScriptAndOtherSpellingsOfTheFirstInput) {
    const char* const cases[][3] = {
        {"café.pdf", "résumé final.pdf", "fusionné.pdf"},
        {"Отчёт.pdf", "Σύνοψη.pdf", "报告 📄.pdf"},
        {"a.pdf", "b.pdf", "A.PDF"},
        {"a.pdf", "b.pdf", "sub/../a.pdf"},
        {"a.pdf", "b.pdf", "sub\\..\\a.pdf"},
    };
    for (const auto& names : cases) {
        SCOPED_TRACE(names[2]);
        const std::string dir = std::to_string(&names - cases) + "\\";
        CreateDirectoryA(m_folder.Path(dir).c_str(), nullptr);
        CreateDirectoryA(m_folder.Path(dir + "sub").c_str(), nullptr);
        const std::string a = Pdf(dir + names[0], 2);
        const std::string out = m_folder.Path(dir + names[2]);
        const RunResult merge = MergeRun({a, Pdf(dir + names[1], 1)}, out);
        EXPECT_EQ(merge.result, MergeSaved);
        EXPECT_EQ(merge.report, "File is successfully saved.");
        EXPECT_TRUE(ExistsAsSpelled(a) && ExistsAsSpelled(out));
        EXPECT_FALSE(ExistsAsSpelled(out + ".0.pdf")) << "a temporary file was left";
        EXPECT_EQ(Pages(out), "3\n");
    }
}

// Windows refuses to replace a file that another program holds open without sharing: the
// existing file stays as it was and the result waits beside it.
TEST_F(MergeWinTest, RefusedReplacementKeepsOriginalAndResult) {
    const std::string out = Pdf("out.pdf", 3);
    const std::string original = ReadBytes(out);
    HANDLE held =
        CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const RunResult merge = MergeRun({Pdf("a.pdf", 1), Pdf("b.pdf", 1)}, out);
    CloseHandle(held);
    EXPECT_EQ(merge.result, MergeSavedWithErrors);
    EXPECT_EQ(merge.title, "Error");
    EXPECT_EQ(merge.report,
              "\r\nCould not replace existing file with merged file. Merged file is stored under:\r\n" + out +
                  ".0.pdf\r\nFile is saved but there are some errors.");
    EXPECT_TRUE(ReadBytes(out) == original);
    EXPECT_EQ(m_folder.Entries(), (Lines{"a.pdf", "b.pdf", "out.pdf", "out.pdf.0.pdf"}));
    EXPECT_EQ(Pages(out + ".0.pdf"), "2\n");
}

} // namespace
