#pragma once
// Checks of real files with the command-line tools (qpdf, pdfinfo, pdftotext) and a runner for
// varnello-merge: native only.

#include <string>

struct ToolResult {
    int exitCode;
    std::string output; // stdout, then stderr when asked for
};

// The text in single quotes for the shell.
std::string Quoted(const std::string& text);
// Runs a shell command and collects its output.
ToolResult RunCommand(const std::string& command, bool withStderr = false);

int PageCount(const std::string& pdf);
// The text of page n (from 1), without surrounding white space.
std::string PageText(const std::string& pdf, int page);
// True when qpdf --check finds nothing wrong.
bool QpdfCheckClean(const std::string& pdf);
// True when no object number has two "N G obj" headers in the file.
bool EveryObjectNumberOnce(const std::string& pdf);
// The outline titles in document order, one per line.
std::string OutlineTitles(const std::string& pdf);
// qpdf --encrypt with the given passwords and key length (40, 128 or 256); 128 picks RC4 or AES.
void QpdfEncrypt(const std::string& in, const std::string& out, const std::string& userPassword, int bits,
                 bool aes = false);
