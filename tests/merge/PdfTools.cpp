#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

ToolResult RunCommand(const std::string& command, bool withStderr) {
    const std::string full = command + (withStderr ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) {
        throw std::runtime_error("cannot run " + command);
    }
    ToolResult result{0, {}};
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        result.output.append(chunk, n);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

Lines Words(const std::string& text) {
    std::istringstream in(text);
    return Lines(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
}

Lines RunPython(const std::string& script, const std::string& arguments) {
    const ToolResult run = RunCommand(
        "/usr/bin/python3 " + Quoted(std::string(VARNELLO_MERGE_TESTS_DIR "/") + script) + " " + arguments,
        true);
    Lines lines = SplitLines(run.output);
    if (run.exitCode != 0) {
        lines.push_back(script + " failed");
    }
    return lines;
}

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n\f");
    return first == std::string::npos ? std::string()
                                      : text.substr(first, text.find_last_not_of(" \t\r\n\f") - first + 1);
}

} // namespace

int PageCount(const std::string& pdf) {
    const ToolResult info = RunCommand("pdfinfo " + Quoted(pdf));
    const size_t at = info.output.find("Pages:");
    return info.exitCode != 0 || at == std::string::npos ? -1 : std::stoi(info.output.substr(at + 6));
}

std::string PageText(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return Trimmed(RunCommand("pdftotext -f " + n + " -l " + n + " " + Quoted(pdf) + " -").output);
}

Lines TextOfPages(const std::string& pdf) {
    // pdftotext ends every page with a form feed.
    const std::string text = RunCommand("pdftotext " + Quoted(pdf) + " -").output;
    Lines pages;
    for (size_t start = 0, end; (end = text.find('\f', start)) != std::string::npos; start = end + 1) {
        pages.push_back(Trimmed(text.substr(start, end - start)));
    }
    return pages;
}

bool QpdfCheckClean(const std::string& pdf) {
    return RunCommand("qpdf --check " + Quoted(pdf)).exitCode == 0;
}

std::string ExpectMerged(const std::vector<std::string>& inputs, const std::string& output,
                         const std::string& report) {
    EXPECT_EQ(MergeRun(inputs, output).report, report);
    EXPECT_TRUE(QpdfCheckClean(output)) << RunCommand("qpdf --check " + Quoted(output), true).output;
    return output;
}

void QpdfEncrypt(const std::string& in, const std::string& out, const std::string& userPassword, int bits,
                 bool aes) {
    const std::string options = bits == 128 ? (aes ? " --use-aes=y" : " --use-aes=n") : "";
    if (RunCommand("qpdf --allow-weak-crypto --encrypt " + Quoted(userPassword) + " owner-secret " +
                   std::to_string(bits) + options + " -- " + Quoted(in) + " " + Quoted(out))
            .exitCode != 0) {
        throw std::runtime_error("qpdf could not encrypt " + in);
    }
}

void WriteRaw(const std::string& path, const RawPdf& pdf) {
    WriteBytes(path, pdf.File());
}
