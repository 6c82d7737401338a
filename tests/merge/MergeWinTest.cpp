// The merge on the static Windows build under Wine: names in any script, other spellings of the
// first input, a replacement that Windows refuses, and tagged files through varnello-merge.exe.

#include "merge/MergeEngine.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/StructureReading.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

namespace {

// Whether a file of the name exists, the name taken as the UTF-8 text it is in this source: in
// another code page the single-byte calls would have made and found a file of another name.
bool ExistsAsSpelled(const std::string& utf8) {
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], static_cast<int>(wide.size()))));
    return !wide.empty() && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class MergeWinTest : public ::testing::Test {
protected:
    std::string Pdf(const std::string& name, int pages) {
        const std::string path = m_folder.Path(name);
        WritePdf(path, std::vector<std::string>(pages, name));
        return path;
    }
    // varnello-merge.exe as a batch file meets it, through cmd.exe, with its console in `log`.
    int RunMergeTool(const std::string& output, const std::vector<std::string>& inputs,
                     const std::string& log) {
        std::string tool = "Z:" VARNELLO_MERGE_EXE;
        for (char& c : tool) {
            c = c == '/' ? '\\' : c;
        }
        std::string command = "\"\"" + tool + "\" \"" + output + "\"";
        for (const std::string& input : inputs) {
            command += " \"" + input + "\"";
        }
        return std::system((command + " > \"" + log + "\" 2>&1\"").c_str());
    }
    void ExpectSaved(const MergeRunResult& merge) {
        EXPECT_EQ(merge.outcome, MergeSaved);
        EXPECT_EQ(merge.title, "Varnello");
        EXPECT_EQ(merge.report, "File is successfully saved.");
    }

    TempFolder m_folder;
};

// The programs' code page is UTF-8, so the single-byte calls carry names in any script.
TEST_F(MergeWinTest, NamesInAnyScriptAreReadAndWritten) {
    const char* const names[][3] = {
        {"café.pdf", "résumé final.pdf", "fusionné.pdf"},
        {"Отчёт.pdf", "Σύνοψη.pdf", "报告 📄.pdf"},
    };
    for (const auto& row : names) {
        SCOPED_TRACE(row[0]);
        const std::string a = Pdf(row[0], 2);
        const std::string b = Pdf(row[1], 1);
        const std::string out = m_folder.Path(row[2]);
        ExpectSaved(MergeRun({a, b}, out));
        EXPECT_TRUE(ExistsAsSpelled(a));
        EXPECT_TRUE(ExistsAsSpelled(out));
        EXPECT_EQ(PageCountByPoDoFo(out), 3);
    }
}

// Other spellings of the first input: letter case, a relative form, forward slashes.
TEST_F(MergeWinTest, FirstInputSpelledDifferentlyIsReplacedInOneStep) {
    CreateDirectoryA(m_folder.Path("sub").c_str(), nullptr);
    const std::string a = Pdf("a.pdf", 1);
    const std::string b = Pdf("b.pdf", 1);
    std::string slashes = m_folder.Path("sub/../a.pdf");
    for (char& c : slashes) {
        c = c == '\\' ? '/' : c;
    }
    int pages = 1;
    for (const std::string& output : {m_folder.Path("A.PDF"), slashes, m_folder.Path("sub\\..\\a.pdf")}) {
        SCOPED_TRACE(output);
        ExpectSaved(MergeRun({a, b}, output));
        EXPECT_EQ(PageCountByPoDoFo(a), ++pages);
        EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"a.pdf", "b.pdf", "sub"}));
    }
}

// Windows refuses to replace a file that another program holds open without sharing: the
// existing file stays as it was and the result waits beside it.
TEST_F(MergeWinTest, RefusedReplacementKeepsOriginalAndResult) {
    const std::string a = Pdf("a.pdf", 1);
    const std::string b = Pdf("b.pdf", 1);
    const std::string out = Pdf("out.pdf", 3);
    const std::string original = ReadBytes(out);
    const std::string stored = out + ".0.pdf";
    const std::string expected =
        "\r\nCould not replace existing file with merged file. Merged file is stored under:\r\n" + stored +
        "\r\nFile is saved but there are some errors.";

    HANDLE held =
        CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const MergeRunResult merge = MergeRun({a, b}, out);
    CloseHandle(held);
    EXPECT_EQ(merge.outcome, MergeSavedWithErrors);
    EXPECT_EQ(merge.title, "Error");
    EXPECT_EQ(merge.report, expected);
    EXPECT_TRUE(ReadBytes(out) == original);
    EXPECT_EQ(PageCountByPoDoFo(stored), 2);
    EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"a.pdf", "b.pdf", "out.pdf", "out.pdf.0.pdf"}));
}

TEST_F(MergeWinTest, UnwritableOutputTouchesNoInput) {
    const std::string a = Pdf("a.pdf", 1);
    const std::string before = ReadBytes(a);
    const std::string out = m_folder.Path("missing folder\\out.pdf");
    const MergeRunResult merge = MergeRun({a}, out);
    EXPECT_EQ(merge.outcome, MergeNotSaved);
    EXPECT_EQ(merge.report, "\r\nCould not write merged file to:\r\n" + out + "\r\nNo file is saved.");
    EXPECT_TRUE(ReadBytes(a) == before);
    EXPECT_EQ(m_folder.Entries(), std::vector<std::string>{"a.pdf"});
}

TEST_F(MergeWinTest, MergeToolReportsThroughExitCodeAndConsole) {
    const std::string a = Pdf("a.pdf", 2);
    const std::string out = m_folder.Path("out.pdf");
    const std::string log = m_folder.Path("log.txt");
    EXPECT_EQ(RunMergeTool(out, {a}, log), 0);
    EXPECT_EQ(ReadBytes(log), "File is successfully saved.\r\n");
    EXPECT_EQ(PageCountByPoDoFo(out), 2);
    // A name in another script is read, and named in the report, as it was typed.
    const std::string report = Pdf("Отчёт.pdf", 1);
    ASSERT_TRUE(ExistsAsSpelled(report));
    EXPECT_EQ(RunMergeTool(out, {report}, log), 0);
    EXPECT_EQ(PageCountByPoDoFo(out), 1);
    const std::string missing = m_folder.Path("Отчёт за май.pdf");
    EXPECT_EQ(RunMergeTool(out, {missing}, log), 2);
    EXPECT_EQ(ReadBytes(log), "Following files could not be merged, probably because they are not valid PDF "
                              "files:\r\n" +
                                  missing + "\r\n\r\nNo file is saved.\r\n");
}

// Where Wine keeps a file of its drives on the Linux machine.
std::string LinuxPath(const std::string& windowsPath) {
    using Convert = char*(CDECL*)(const WCHAR*);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    WCHAR wide[MAX_PATH];
    char* path = nullptr;
    if (convert && MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) {
        path = convert(wide);
    }
    const std::string unixPath = path ? path : "";
    HeapFree(GetProcessHeap(), 0, path);
    return unixPath;
}

// Wine starts a Linux program that CreateProcess is given, so the file that the Windows build
// wrote is read with the same readers as natively: a shell command of the Linux machine, its
// output through a file of `folder`. Wine does not wait for a Linux program, so the shell moves
// the output into place once it is complete.
std::string RunLinuxShell(const std::string& command, TempFolder& folder) {
    const std::string output = folder.Path("shell.txt");
    const std::string quoted = "'" + LinuxPath(output) + "'";
    DeleteFileA(output.c_str());
    std::string line =
        "sh -c \"" + command + " > " + quoted + ".part; mv " + quoted + ".part " + quoted + "\"";
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

TEST_F(MergeWinTest, TaggedFilesStayTaggedThroughTheMergeTool) {
    const std::string fixtures = VARNELLO_MERGE_TESTS_DIR; // a Linux path: drive Z: under Wine
    const std::vector<std::string> names = {"/tagged/report.pdf", "/tagged/bericht.pdf",
                                            "/tagged/report.pdf"};
    std::vector<std::string> inputs;
    std::set<std::string> files;
    for (const std::string& name : names) {
        inputs.push_back("Z:" + fixtures + name);
        files.insert(fixtures + name);
    }
    const std::string out = m_folder.Path("tagged.pdf");
    ASSERT_EQ(RunMergeTool(out, inputs, m_folder.Path("log.txt")), 0);
    files.insert(LinuxPath(out));
    std::map<std::string, Reading> readings = ReadAll(
        files, fixtures, [&](const std::string& command) { return RunLinuxShell(command, m_folder); });
    std::vector<Reading> read;
    for (const std::string& name : names) {
        read.push_back(readings[fixtures + name]);
    }
    EXPECT_EQ(Differences(readings[LinuxPath(out)], Expected(read), true), Lines());
}

} // namespace
