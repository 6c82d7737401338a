#include "tests/merge/PdfTools.h"

#include "tests/merge/PdfFixtures.h"

#include <cstdio>
#include <set>
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
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        result.output.append(chunk, n);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n\f");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n\f") - first + 1);
}

} // namespace

int PageCount(const std::string& pdf) {
    const ToolResult info = RunCommand("pdfinfo " + Quoted(pdf));
    const size_t at = info.output.find("Pages:");
    if (info.exitCode != 0 || at == std::string::npos) {
        return -1;
    }
    return std::stoi(info.output.substr(at + 6));
}

std::string PageText(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return Trimmed(RunCommand("pdftotext -f " + n + " -l " + n + " " + Quoted(pdf) + " -").output);
}

bool QpdfCheckClean(const std::string& pdf) {
    return RunCommand("qpdf --check " + Quoted(pdf)).exitCode == 0;
}

bool EveryObjectNumberOnce(const std::string& pdf) {
    // Every "N G obj" at the start of a line, as writers put them.
    const std::string bytes = ReadBytes(pdf);
    std::set<std::string> seen;
    for (size_t at = bytes.find(" obj"); at != std::string::npos; at = bytes.find(" obj", at + 1)) {
        size_t start = bytes.rfind('\n', at);
        start = start == std::string::npos ? 0 : start + 1;
        const std::string head = bytes.substr(start, at - start);
        const size_t space = head.find(' ');
        if (space == std::string::npos || head.find_first_not_of("0123456789 ") != std::string::npos ||
            head.find(' ', space + 1) != std::string::npos || space == 0 || space + 1 == head.size()) {
            continue;
        }
        if (!seen.insert(head.substr(0, space)).second) {
            return false;
        }
    }
    return !seen.empty();
}

std::string OutlineTitles(const std::string& pdf) {
    // qpdf's JSON has one "title" member per outline item, in document order.
    const std::string json = RunCommand("qpdf --json=2 --json-key=outlines " + Quoted(pdf)).output;
    std::string titles;
    const std::string key = "\"title\": \"";
    for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
        const size_t start = at + key.size();
        titles += json.substr(start, json.find('"', start) - start) + "\n";
    }
    return titles;
}

void QpdfEncrypt(const std::string& in, const std::string& out, const std::string& userPassword, int bits,
                 bool aes) {
    std::string options = bits == 128 ? (aes ? " --use-aes=y" : " --use-aes=n") : "";
    const std::string command = "qpdf --allow-weak-crypto --encrypt " + Quoted(userPassword) +
                                " owner-secret " + std::to_string(bits) + options + " -- " + Quoted(in) +
                                " " + Quoted(out);
    if (RunCommand(command).exitCode != 0) {
        throw std::runtime_error("qpdf could not encrypt " + in);
    }
}
