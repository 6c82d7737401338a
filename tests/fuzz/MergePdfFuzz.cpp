// libFuzzer entry: two PDF files, the first, kNextPdf, the second (without that line, one file merged
// with itself), merged by the engine as the window merges two inputs, damaged-file recovery on.
#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"
#include "merge/MergeEngine.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string kNextPdf = "\n%%NEXT-PDF%%\n"; // tools/fuzz.sh writes it between its seeds' files

// A folder of this process's own, in memory.
std::string MakeFolder() {
    std::string pattern = "/dev/shm/varnello-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        std::abort();
    }
    return pattern;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = MakeFolder();
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t at = input.find(kNextPdf);
    WriteFile(folder + "/first.pdf", input.substr(0, at));
    WriteFile(folder + "/second.pdf", at == std::string::npos ? input : input.substr(at + kNextPdf.size()));

    ZuvVector<ZuvAnsi2*> inputs;
    inputs.Append(new ZuvAnsi2((folder + "/first.pdf").c_str()));
    inputs.Append(new ZuvAnsi2((folder + "/second.pdf").c_str()));
    ZuvAnsi2 title, report;
    MergeFiles(inputs, (folder + "/merged.pdf").c_str(), title, report);
    inputs.DeleteAll();
    std::remove((folder + "/merged.pdf").c_str());
    return 0;
}
