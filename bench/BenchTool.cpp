// varnello-bench: the helper of bench/run.sh.
//
//   varnello-bench make FOLDER FILES PAGES   writes FILES PDFs of PAGES pages each into FOLDER
//                                            (f0001.pdf, ...), every page with its own text
//   varnello-bench intake FILE...            opens every file as the input list's intake does and
//                                            prints "accepted N of M in S s"

#include "merge/Intake.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A plain PDF 1.4 writer: one Helvetica font shared by all pages, one uncompressed content
// stream per page with a few lines of text that name the file and the page.
class PdfWriter {
public:
    explicit PdfWriter(FILE* out) : m_out(out) {}

    void Write(int fileNumber, int pages) {
        Put("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
        Begin(1);
        Put("<< /Type /Catalog /Pages 2 0 R >>\n");
        End();
        Begin(2);
        Put("<< /Type /Pages /Count " + std::to_string(pages) + " /Kids [");
        for (int p = 0; p < pages; ++p) {
            Put(std::to_string(PageObject(p)) + " 0 R ");
        }
        Put("] >>\n");
        End();
        Begin(3);
        Put("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\n");
        End();
        for (int p = 0; p < pages; ++p) {
            WritePage(fileNumber, p);
        }
        WriteTrailer();
    }

private:
    static int PageObject(int page) { return 4 + 2 * page; }

    void WritePage(int fileNumber, int page) {
        Begin(PageObject(page));
        Put("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> "
            "/Contents " +
            std::to_string(PageObject(page) + 1) + " 0 R >>\n");
        End();
        std::string text = "BT /F1 18 Tf 72 720 Td (File " + std::to_string(fileNumber) + " page " +
                           std::to_string(page + 1) + ") Tj ET\n";
        for (int line = 0; line < 20; ++line) {
            text += "BT /F1 10 Tf 72 " + std::to_string(680 - 14 * line) +
                    " Td (The quick brown fox jumps over the lazy dog, line " + std::to_string(line + 1) +
                    ".) Tj ET\n";
        }
        Begin(PageObject(page) + 1);
        Put("<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "endstream\n");
        End();
    }

    void WriteTrailer() {
        const long xref = m_offset;
        const size_t count = m_offsets.size() + 1;
        Put("xref\n0 " + std::to_string(count) + "\n0000000000 65535 f \n");
        char entry[32];
        for (long offset : m_offsets) {
            snprintf(entry, sizeof entry, "%010ld 00000 n \n", offset);
            Put(entry);
        }
        Put("trailer\n<< /Size " + std::to_string(count) + " /Root 1 0 R >>\nstartxref\n" +
            std::to_string(xref) + "\n%%EOF\n");
    }

    void Begin(int object) {
        m_offsets.resize(object);
        m_offsets[object - 1] = m_offset;
        Put(std::to_string(object) + " 0 obj\n");
    }
    void End() { Put("endobj\n"); }

    void Put(const std::string& text) {
        fwrite(text.data(), 1, text.size(), m_out);
        m_offset += static_cast<long>(text.size());
    }

    FILE* m_out;
    long m_offset = 0;
    std::vector<long> m_offsets;
};

int Make(const char* folder, int files, int pages) {
    for (int f = 1; f <= files; ++f) {
        char name[32];
        snprintf(name, sizeof name, "/f%04d.pdf", f);
        const std::string path = std::string(folder) + name;
        FILE* out = fopen(path.c_str(), "wb");
        if (!out) {
            perror(path.c_str());
            return 1;
        }
        PdfWriter(out).Write(f, pages);
        if (fclose(out) != 0) {
            perror(path.c_str());
            return 1;
        }
    }
    return 0;
}

int Intake(int count, char** names) {
    ZuvVector<ZuvAnsi2*> candidates;
    for (int i = 0; i < count; ++i) {
        candidates.Append(new ZuvAnsi2(names[i]));
    }
    ZuvVector<ZuvAnsi2*> accepted;
    ZuvAnsi2 title;
    ZuvAnsi2 report;
    const auto start = std::chrono::steady_clock::now();
    ValidateFiles(candidates, accepted, title, report);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    printf("accepted %u of %d in %.3f s\n", accepted.Count(), count, took.count());
    const bool all = accepted.Count() == static_cast<uint32_t>(count);
    candidates.DeleteAll();
    return all ? 0 : 1;
}

int Usage() {
    fprintf(stderr, "usage: varnello-bench make FOLDER FILES PAGES\n"
                    "       varnello-bench intake FILE...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "make") == 0) {
        const int files = atoi(argv[3]);
        const int pages = atoi(argv[4]);
        if (files < 1 || pages < 1) {
            return Usage();
        }
        return Make(argv[2], files, pages);
    }
    if (argc >= 3 && strcmp(argv[1], "intake") == 0) {
        return Intake(argc - 2, argv + 2);
    }
    return Usage();
}
