// libFuzzer entry: two PDF files (see MergeFuzzInput.h) merged by the engine as the window merges
// two inputs: both are written to files, the first is loaded, the second appended through
// DocumentMerge and its steps, and the result written to a file. The damaged-file recovery is on,
// as it always is.
#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"
#include "merge/MergeEngine.h"
#include "tests/fuzz/MergeFuzzInput.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A folder of this process's own, in memory where the system has one.
std::string MakeFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/dev/shm") + "/varnello-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        pattern = "/tmp/varnello-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0])) {
            std::abort();
        }
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
    static const std::string first = folder + "/first.pdf";
    static const std::string second = folder + "/second.pdf";
    static const std::string output = folder + "/merged.pdf";
    const std::pair<std::string, std::string> files =
        SplitFuzzInput(reinterpret_cast<const char*>(data), size);
    WriteFile(first, files.first);
    WriteFile(second, files.second);

    ZuvVector<ZuvAnsi2*> inputs;
    inputs.Append(new ZuvAnsi2(first.c_str()));
    inputs.Append(new ZuvAnsi2(second.c_str()));
    ZuvAnsi2 title;
    ZuvAnsi2 report;
    MergeFiles(inputs, output.c_str(), title, report);
    inputs.DeleteAll();
    std::remove(output.c_str());
    return 0;
}
