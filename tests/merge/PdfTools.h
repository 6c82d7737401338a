#pragma once
// The command-line readers of this machine (qpdf, poppler, pikepdf through /usr/bin/python3) on
// real files, and the shell that runs them and varnello-merge: native only.

#include "tests/merge/PdfFixtures.h"

#include <string>

struct ToolResult {
    int exitCode;
    std::string output; // stdout, then stderr when asked for
};

std::string Quoted(const std::string& text);
ToolResult RunCommand(const std::string& command, bool withStderr = false);
// The output of a Python script of this folder, run by Debian's Python with pikepdf, line by line.
Lines RunPython(const std::string& script, const std::string& arguments);
Lines SplitLines(const std::string& text);
// The words of a text, as a row of a test table lists names.
Lines Words(const std::string& text);

int PageCount(const std::string& pdf);
// The text of page n (from 1), or of every page, without surrounding white space.
std::string PageText(const std::string& pdf, int page);
Lines TextOfPages(const std::string& pdf);
bool QpdfCheckClean(const std::string& pdf);
// Merges and expects the report, and a file that qpdf finds sound; returns the output.
std::string ExpectMerged(const std::vector<std::string>& inputs, const std::string& output,
                         const std::string& report = "File is successfully saved.");
// qpdf --encrypt with the given passwords and key length (40, 128 or 256); 128 picks RC4 or AES.
void QpdfEncrypt(const std::string& in, const std::string& out, const std::string& userPassword, int bits,
                 bool aes = false);
void WriteRaw(const std::string& path, const RawPdf& pdf);
