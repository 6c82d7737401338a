// What the library's Append brings into the merged file, checked with qpdf, poppler and pikepdf on
// the engine's output: bookmarks, page geometry, the pages a page tree really holds, object
// numbers, and inputs that cannot be merged whole.

#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace {

using Lines = std::vector<std::string>;

const std::string kSaved = "File is successfully saved.";

// Compares long listings line by line and names only the first difference.
void ExpectLines(const Lines& actual, const Lines& expected) {
    for (size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        if (actual[i] != expected[i]) {
            ADD_FAILURE() << "line " << i + 1 << ": \"" << actual[i] << "\" instead of \"" << expected[i]
                          << "\"";
            return;
        }
    }
    EXPECT_EQ(actual.size(), expected.size())
        << (actual.size() > expected.size() ? "extra line: " + actual[expected.size()] : "");
}

// A catalog (object 1), a flat page tree (object 2) and pages 3, 4, ... showing `tag`1, `tag`2, ...
RawPdf FlatPdf(const std::string& tag, int pages, const std::string& catalogExtra = "") {
    RawPdf pdf;
    std::string kids;
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(3 + i) + " 0 R ";
    }
    pdf.Add(1, "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>");
    pdf.Add(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) +
                   " /MediaBox [0 0 300 300] >>");
    for (int i = 0; i < pages; ++i) {
        pdf.Page(3 + i, 2, tag + std::to_string(i + 1));
    }
    return pdf;
}

// One page ("S1") whose tree and font are only in an object stream; the cross-reference stream
// lists object 8 in that stream too, which does not hold it, and the file's numbers are not dense.
std::string ObjectStreamPdf() {
    std::string out = "%PDF-1.5\n";
    std::map<int, size_t> offsets;
    const auto add = [&](int number, const std::string& body) {
        offsets[number] = out.size();
        out += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    const auto stream = [](const std::string& dictionary, const std::string& data) {
        return "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
               "\nendstream";
    };
    add(1, "<< /Type /Catalog /Pages 2 0 R >>");
    add(4, stream("", "BT /F1 24 Tf 20 20 Td (S1) Tj ET"));
    const std::string members[] = {
        "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 200 200] >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    std::string index, data;
    const int numbers[] = {2, 3, 5};
    for (int i = 0; i < 3; ++i) {
        index += std::to_string(numbers[i]) + " " + std::to_string(data.size()) + " ";
        data += members[i] + "\n";
    }
    add(6, stream("/Type /ObjStm /N 3 /First " + std::to_string(index.size()), index + data));
    // Entries of 1 + 4 + 2 bytes: type, offset or object stream, generation or index.
    offsets[9] = out.size();
    std::string xref;
    const auto entry = [&xref](int type, size_t field, int second) {
        xref += static_cast<char>(type);
        for (int shift = 24; shift >= 0; shift -= 8) {
            xref += static_cast<char>((field >> shift) & 0xff);
        }
        xref += static_cast<char>((second >> 8) & 0xff);
        xref += static_cast<char>(second & 0xff);
    };
    entry(0, 0, 0xffff);
    entry(1, offsets[1], 0);
    entry(2, 6, 0);
    entry(2, 6, 1);
    entry(1, offsets[4], 0);
    entry(2, 6, 2);
    entry(1, offsets[6], 0);
    entry(0, 0, 1);
    entry(2, 6, 3);
    entry(1, offsets[9], 0);
    out += "9 0 obj\n" + stream("/Type /XRef /Size 10 /W [1 4 2] /Root 1 0 R", xref) + "\nendobj\n";
    return out + "startxref\n" + std::to_string(offsets[9]) + "\n%%EOF\n";
}

class AppendTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_folder.Path(name);
        WriteBytes(path, bytes);
        return path;
    }
    std::string Write(const std::string& name, const RawPdf& pdf) { return Write(name, pdf.Bytes()); }
    // Merges and expects every input merged into a file that qpdf finds clean.
    std::string MergeAll(const std::vector<std::string>& inputs, const std::string& report = kSaved) {
        const std::string out = m_folder.Path("merged.pdf");
        const MergeRunResult merge = MergeRun(inputs, out);
        EXPECT_EQ(merge.report, report);
        EXPECT_TRUE(QpdfCheckClean(out)) << RunCommand("qpdf --check " + Quoted(out), true).output;
        EXPECT_TRUE(EveryObjectNumberOnce(out));
        return out;
    }

    TempFolder m_folder;
};

// Appended objects are numbered above every number the merged document uses, also when its
// numbers are not dense; no number is written twice.
TEST_F(AppendTest, AppendedObjectsTakeNumbersNotInUse) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* text;
    };
    const Case cases[] = {
        // The xref entry of object 4 leads to "104 0 obj", the file's /Size.
        {"header.pdf", FlatPdf("A", 1).Add(4, "<< /Unused true >>", "", 104).Bytes(), "A1"},
        {"object-stream.pdf", ObjectStreamPdf(), "S1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = MergeAll({Write(c.name, c.bytes), Write("b.pdf", FlatPdf("B", 2))});
        ExpectLines({PageText(out, 1), PageText(out, 2), PageText(out, 3)}, {c.text, "B1", "B2"});
    }
}

// The writer refuses a document that holds one object number twice, and leaves out a free entry
// for a number in use (a damaged file's stale entry) instead of listing the number twice.
TEST_F(AppendTest, TheWriterNeverListsANumberTwice) {
    using namespace PoDoFo;
    struct Case {
        const char* name;
        bool twice; // a second object of a number in use, or a free entry for it
    };
    for (const Case& c : {Case{"object.pdf", true}, Case{"free.pdf", false}}) {
        SCOPED_TRACE(c.name);
        PdfMemDocument document;
        document.Load(Write(c.name, FlatPdf("F", 1)).c_str());
        const PdfReference page = document.GetPage(0)->GetObject()->Reference();
        if (c.twice) {
            document.GetObjects().push_back(new PdfObject(page, PdfVariant(static_cast<pdf_int64>(7))));
        } else {
            document.GetObjects().AddFreeObject(PdfReference(page.ObjectNumber(), 1));
        }
        const std::string out = m_folder.Path(std::string("out-") + c.name);
        PdfOutputDevice device(out.c_str());
        if (c.twice) {
            EXPECT_THROW(document.Write(&device), PdfError);
            continue;
        }
        document.Write(&device);
        device.Flush();
        EXPECT_TRUE(QpdfCheckClean(out)) << RunCommand("qpdf --check " + Quoted(out), true).output;
        EXPECT_EQ(PageText(out, 1), "F1");
    }
}

} // namespace
