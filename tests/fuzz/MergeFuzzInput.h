#pragma once
// How the merge fuzzer's input holds two PDF files: the first, this line, the second. Without the
// line, the input is one file, merged with itself.

#include <cstddef>
#include <string>
#include <utility>

const char kNextPdf[] = "\n%%NEXT-PDF%%\n";

inline std::pair<std::string, std::string> SplitFuzzInput(const char* data, size_t size) {
    const std::string input(data, size);
    const size_t at = input.find(kNextPdf);
    if (at == std::string::npos) {
        return {input, input};
    }
    return {input.substr(0, at), input.substr(at + sizeof kNextPdf - 1)};
}
