// Writes the merge fuzzer's seeds into a folder: generated files (with outlines; with a stream the
// merge copies from the file in blocks, encrypted in each way the library reads), the damaged and
// crafted files of the tests and any further PDF files given, each paired with a sound file both
// ways round, as the fuzzer takes two files (see MergeFuzzInput.h).
//   make_merge_seeds FOLDER [PDF...]
#include "merge/PdfLayer.h"
#include "tests/fuzz/MergeFuzzInput.h"
#include "tests/merge/DamagedPdfs.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

namespace {

// One page whose content stream is larger than the 64 KiB blocks a stream is copied in, its
// /Length an indirect object.
std::string LargeStream() {
    RawPdf pdf;
    RawPages(pdf, {"L1"});
    std::string noise = "BT /F1 24 Tf 72 700 Td (L1) Tj ET\n%";
    for (unsigned state = 1; noise.size() < 70000;) {
        state = state * 1103515245u + 12345u;
        noise += static_cast<char>('!' + (state >> 16) % 90);
    }
    pdf.Object(5, "<< /Length 6 0 R >>\nstream\n" + noise + "\nendstream");
    pdf.Object(6, std::to_string(noise.size()));
    pdf.StartXRef(pdf.Table(pdf.Entries(), "/Size 7 /Root 1 0 R"));
    return pdf.Bytes();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [PDF...]\n", argv[0]);
        return 2;
    }
    const std::string seeds = argv[1];
    std::filesystem::create_directories(seeds);
    StartPdfLayer();
    TempFolder work;

    std::vector<std::pair<std::string, std::string>> files; // name, bytes
    const std::string sound = work.Path("sound.pdf");
    WritePdf(sound, {"S1", "S2"}, true);
    const std::string good = ReadBytes(sound);
    const std::string large = work.Path("large.pdf");
    WriteBytes(large, LargeStream());
    files.push_back({"large stream", ReadBytes(large)});
    // Each way the library decrypts: RC4 of 40 and 128 bits, AES of 128 and 256.
    const std::pair<int, bool> ciphers[] = {{40, false}, {128, false}, {128, true}, {256, true}};
    for (const auto& [bits, aes] : ciphers) {
        const std::string encrypted = work.Path("encrypted.pdf");
        QpdfEncrypt(large, encrypted, "", bits, aes);
        files.push_back({std::string(aes ? "AES-" : "RC4-") + std::to_string(bits), ReadBytes(encrypted)});
    }
    for (const DamagedPdf& pdf : DamagedPdfs()) {
        files.push_back({pdf.name, pdf.bytes()});
    }
    for (int i = 2; i < argc; ++i) {
        files.push_back({std::filesystem::path(argv[i]).stem().string(), ReadBytes(argv[i])});
    }

    int n = 0;
    for (const auto& file : files) {
        std::string name;
        for (char c : file.first) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
        }
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%03d-", n++);
        WriteBytes(seeds + "/" + prefix + name + "-after", good + kNextPdf + file.second);
        WriteBytes(seeds + "/" + prefix + name + "-before", file.second + kNextPdf + good);
    }
    std::printf("%d seeds in %s\n", 2 * n, seeds.c_str());
    return 0;
}
