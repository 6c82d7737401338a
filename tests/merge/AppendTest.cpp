// What the library's Append brings into the merged file, checked with qpdf, poppler and pikepdf on
// the engine's output: bookmarks, page geometry, the pages a page tree really holds, object
// numbers, and inputs that cannot be merged whole.

#include "merge/PdfLayer.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

// Allocations left before the next one fails; negative: none fails.
static long g_allocationsLeft = -1;

void* operator new(std::size_t size) {
    if (g_allocationsLeft == 0) {
        g_allocationsLeft = -1;
        throw std::bad_alloc();
    }
    if (g_allocationsLeft > 0) {
        --g_allocationsLeft;
    }
    if (void* memory = std::malloc(size ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

using Lines = std::vector<std::string>;

const std::string kSaved = "File is successfully saved.";

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

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

// One outline item of a generated input, in document order.
struct Bookmark {
    std::string title;
    int depth; // 0 at the top
    int page;  // 1-based, within its own input
    bool open;
};

// Outline items as objects `first`, `first` + 1, ... below the root `root`, linked and counted
// as a careful writer does; `pageObjects[n - 1]` is the object of page n.
void AddOutline(RawPdf& pdf, int root, int first, const std::vector<Bookmark>& items,
                const std::vector<int>& pageObjects) {
    const int n = static_cast<int>(items.size());
    std::vector<int> parent(n, -1);
    std::vector<std::vector<int>> children(n + 1); // children[n] belongs to the root
    std::vector<int> open;                         // the chain of items enclosing the current one
    for (int i = 0; i < n; ++i) {
        open.resize(items[i].depth);
        parent[i] = open.empty() ? -1 : open.back();
        children[parent[i] < 0 ? n : parent[i]].push_back(i);
        open.push_back(i);
    }
    std::vector<int> visible(n + 1, 0);
    for (int i = n; i >= 0; --i) { // children follow their parent
        for (int child : children[i]) {
            visible[i] += 1 + (items[child].open ? visible[child] : 0);
        }
    }
    const auto ref = [&](int i) { return std::to_string(i < 0 || i == n ? root : first + i) + " 0 R"; };
    const auto links = [&](int i) {
        std::string text;
        if (!children[i].empty()) {
            text += " /First " + ref(children[i].front()) + " /Last " + ref(children[i].back());
        }
        return text;
    };
    pdf.Add(root, "<< /Type /Outlines" + links(n) + " /Count " + std::to_string(visible[n]) + " >>");
    for (int i = 0; i < n; ++i) {
        const std::vector<int>& siblings = children[parent[i] < 0 ? n : parent[i]];
        const size_t at = std::find(siblings.begin(), siblings.end(), i) - siblings.begin();
        std::string body = "<< /Title (" + items[i].title + ") /Parent " + ref(parent[i]) + links(i) +
                           " /Dest [" + std::to_string(pageObjects[items[i].page - 1]) + " 0 R /Fit]";
        if (at > 0) {
            body += " /Prev " + ref(siblings[at - 1]);
        }
        if (at + 1 < siblings.size()) {
            body += " /Next " + ref(siblings[at + 1]);
        }
        if (!children[i].empty()) {
            body += " /Count " + std::to_string(items[i].open ? visible[i] : -visible[i]);
        }
        pdf.Add(first + i, body + " >>");
    }
}

// The lines outline_check.py prints for `items` when their input's first page is page `offset` + 1.
Lines OutlineLines(const std::vector<Bookmark>& items, int offset) {
    Lines lines;
    for (size_t i = 0; i < items.size(); ++i) {
        const bool hasChildren = i + 1 < items.size() && items[i + 1].depth > items[i].depth;
        lines.push_back(std::to_string(items[i].depth) + " " + items[i].title + " -> " +
                        std::to_string(offset + items[i].page) +
                        (hasChildren ? (items[i].open ? " +" : " -") : ""));
    }
    return lines;
}

// One line per page as poppler sees it: "<text> rot=<r> media=<box> crop=<box>".
Lines PageGeometry(const std::string& pdf) {
    std::map<int, std::string> rotation, media, crop;
    std::istringstream info(RunCommand("pdfinfo -f 1 -l 100000 -box " + Quoted(pdf)).output);
    for (std::string line; std::getline(info, line);) {
        std::istringstream fields(line);
        std::string word, key, value, box;
        int page = 0;
        if (!(fields >> word >> page >> key) || word != "Page") {
            continue;
        }
        for (double number; fields >> number;) {
            std::ostringstream text;
            text << number;
            box += (box.empty() ? "" : " ") + text.str();
        }
        if (key == "rot:" || key == "MediaBox:" || key == "CropBox:") {
            (key == "rot:" ? rotation : key == "MediaBox:" ? media : crop)[page] = box;
        }
    }
    Lines lines;
    for (int page = 1; page <= PageCount(pdf); ++page) {
        lines.push_back(PageText(pdf, page) + " rot=" + rotation[page] + " media=" + media[page] +
                        " crop=" + crop[page]);
    }
    return lines;
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

std::vector<int> PageObjects(int pages) {
    std::vector<int> objects;
    for (int i = 0; i < pages; ++i) {
        objects.push_back(3 + i);
    }
    return objects;
}

// FlatPdf with an outline (root 500, items from object 501).
RawPdf OutlinedPdf(const std::string& tag, int pages, const std::vector<Bookmark>& items,
                   const std::string& catalogExtra = "") {
    RawPdf pdf = FlatPdf(tag, pages, "/Outlines 500 0 R /PageMode /UseOutlines " + catalogExtra);
    AddOutline(pdf, 500, 501, items, PageObjects(pages));
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
    std::string Write(const std::string& name, const RawPdf& pdf) { return Write(name, pdf.File()); }
    // Merges and expects every input merged into a file that qpdf finds clean.
    std::string MergeAll(const std::vector<std::string>& inputs, const std::string& report = kSaved) {
        const std::string out = m_folder.Path("merged.pdf");
        const MergeRunResult merge = MergeRun(inputs, out);
        EXPECT_EQ(merge.report, report);
        EXPECT_TRUE(QpdfCheckClean(out)) << RunCommand("qpdf --check " + Quoted(out), true).output;
        EXPECT_TRUE(EveryObjectNumberOnce(out));
        return out;
    }
    Lines Outline(const std::string& pdf) {
        return SplitLines(
            RunCommand("/usr/bin/python3 " + Quoted(OUTLINE_CHECK_PY) + " " + Quoted(pdf)).output);
    }

    TempFolder m_folder;
};

TEST_F(AppendTest, EveryInputKeepsItsBookmarksInOrderAndNesting) {
    const std::vector<Bookmark> nested = {
        {"Chapter 1", 0, 1, true},    {"Section 1.1", 1, 2, false}, {"Detail 1.1.1", 2, 2, false},
        {"Section 1.2", 1, 3, true},  {"Chapter 2", 0, 3, false},   {"Section 2.1", 1, 3, true},
        {"Detail 2.1.1", 2, 1, true},
    };
    std::vector<Bookmark> wide;
    for (int i = 0; i < 3000; ++i) {
        wide.push_back({"W" + std::to_string(i), 0, 1 + i % 2, false});
    }
    std::vector<Bookmark> deep;
    for (int i = 0; i < 1000; ++i) {
        deep.push_back({"D" + std::to_string(i), i, 1, i % 3 != 0});
    }
    // Loops: the second item's /Next leads back to the first, the first's /First to itself; the
    // counts and /Last say otherwise too. What is sound is kept.
    RawPdf looped = FlatPdf("L", 2, "/Outlines 500 0 R");
    looped.Add(500, "<< /Type /Outlines /First 501 0 R /Last 501 0 R /Count 9 >>")
        .Add(501,
             "<< /Title (L1) /Parent 500 0 R /Next 502 0 R /First 501 0 R /Count 3 /Dest [3 0 R /Fit] >>")
        .Add(502, "<< /Title (L2) /Parent 501 0 R /Next 501 0 R /Prev 500 0 R /Dest [4 0 R /Fit] >>");

    const std::string plain = Write("plain.pdf", FlatPdf("P", 1));
    const std::string none = Write("none.pdf", FlatPdf("X", 1));
    const std::string nestedPdf = Write("nested.pdf", OutlinedPdf("N", 3, nested));
    const std::string loopedPdf = Write("looped.pdf", looped);
    struct Case {
        std::vector<std::string> inputs;
        std::vector<Lines> outlines;
    };
    const Case cases[] = {
        {{plain, nestedPdf, none, Write("wide.pdf", OutlinedPdf("W", 2, wide)),
          Write("deep.pdf", OutlinedPdf("D", 1, deep)), loopedPdf},
         {OutlineLines(nested, 1),
          OutlineLines(wide, 5),
          OutlineLines(deep, 7),
          {"0 L1 -> 9", "0 L2 -> 10"}}},
        // The first input's own outline is linked again where it does not hold together.
        {{loopedPdf, nestedPdf}, {{"0 L1 -> 1", "0 L2 -> 2"}, OutlineLines(nested, 2)}},
    };
    for (const Case& c : cases) {
        const std::string out = MergeAll(c.inputs);
        Lines expected;
        for (const Lines& outline : c.outlines) {
            expected.insert(expected.end(), outline.begin(), outline.end());
        }
        ExpectLines(Outline(out), expected);
    }
}

// Every appended page shows what it showed alone: its own tree's inherited attributes, and none
// of the first input's. And every page that a walk of a page tree finds arrives, whatever the
// tree's /Count values say, each once, in order.
TEST_F(AppendTest, PagesKeepTheirOwnGeometryAndEveryPageOfTheirTree) {
    const std::string font = RawPdf::kRawFont;
    const auto tree = [](const std::string& root) {
        RawPdf pdf;
        pdf.Add(1, "<< /Type /Catalog /Pages 2 0 R >>").Add(2, root);
        return pdf;
    };
    struct Case {
        const char* name;
        RawPdf pdf;
        Lines pages;
    };
    const Case cases[] = {
        {"base.pdf",
         tree("<< /Type /Pages /Kids [3 0 R] /Count 1 /Rotate 90 /CropBox [0 0 100 100] /MediaBox [0 0 300 "
              "300] " +
              font + " >>")
             .Page(3, 2, "B1", ""),
         {"B1 rot=90 media=0 0 300 300 crop=0 0 100 100"}},
        {"bare.pdf",
         tree("<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
             .Page(3, 2, "G1", "/MediaBox [0 0 200 200] " + font),
         {"G1 rot=0 media=0 0 200 200 crop=0 0 200 200"}},
        {"nested.pdf",
         tree("<< /Type /Pages /Kids [10 0 R 5 0 R] /Count 3 /Rotate 180 /MediaBox [0 0 400 400] >>")
             .Add(10, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 2 /CropBox [10 10 150 150] " +
                          font + " >>")
             .Page(3, 10, "N1", "")
             .Page(4, 10, "N2", "/Rotate 270")
             .Page(5, 2, "N3", "/CropBox [0 0 50 50] " + font),
         {"N1 rot=180 media=0 0 400 400 crop=10 10 150 150",
          "N2 rot=270 media=0 0 400 400 crop=10 10 150 150", "N3 rot=180 media=0 0 400 400 crop=0 0 50 50"}},
        // Nothing to inherit at all: no text without a font, and the size readers assume.
        {"nothing.pdf",
         tree("<< /Type /Pages /Kids [3 0 R] /Count 1 >>").Page(3, 2, "Z1", ""),
         {" rot=0 media=0 0 612 792 crop=0 0 612 792"}},
        {"count-low.pdf",
         tree("<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 1 /MediaBox [0 0 200 200] >>")
             .Page(3, 2, "C1")
             .Page(4, 2, "C2")
             .Page(5, 2, "C3"),
         {"C1 rot=0 media=0 0 200 200 crop=0 0 200 200", "C2 rot=0 media=0 0 200 200 crop=0 0 200 200",
          "C3 rot=0 media=0 0 200 200 crop=0 0 200 200"}},
        {"count-high.pdf",
         tree("<< /Type /Pages /Kids [10 0 R 5 0 R] /Count 9 /MediaBox [0 0 200 200] >>")
             .Add(10, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 7 >>")
             .Page(3, 10, "H1")
             .Page(4, 10, "H2")
             .Page(5, 2, "H3"),
         {"H1 rot=0 media=0 0 200 200 crop=0 0 200 200", "H2 rot=0 media=0 0 200 200 crop=0 0 200 200",
          "H3 rot=0 media=0 0 200 200 crop=0 0 200 200"}},
        // A kid that leads back to the root, a page listed twice, kids that are no pages.
        {"loop.pdf",
         tree("<< /Type /Pages /Kids [10 0 R 3 0 R 77 0 R 12] /Count 2 /MediaBox [0 0 200 200] >>")
             .Add(10, "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 2 0 R 3 0 R] /Count 3 >>")
             .Page(3, 10, "R1")
             .Page(4, 10, "R2"),
         {"R2 rot=0 media=0 0 200 200 crop=0 0 200 200", "R1 rot=0 media=0 0 200 200 crop=0 0 200 200"}},
        // Nodes and pages without /Type are told apart by their /Kids.
        {"untyped.pdf",
         tree("<< /Kids [10 0 R] /Count 2 /MediaBox [0 0 200 200] >>")
             .Add(10, "<< /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 2 >>")
             .Add(3, "<< /Parent 10 0 R /Contents 103 0 R " + font + " >>")
             .Page(4, 10, "U2")
             .Add(103, "<< >>", "BT /F1 24 Tf 20 20 Td (U1) Tj ET"),
         {"U1 rot=0 media=0 0 200 200 crop=0 0 200 200", "U2 rot=0 media=0 0 200 200 crop=0 0 200 200"}},
    };
    std::map<std::string, std::string> paths;
    std::map<std::string, Lines> pages;
    std::vector<std::string> all;
    for (const Case& c : cases) {
        paths[c.name] = Write(c.name, c.pdf);
        pages[c.name] = c.pages;
        all.push_back(c.name);
    }
    // Second: the first input's own tree is just as wrong, and is rebuilt.
    for (const std::vector<std::string>& names : {all, {"count-high.pdf", "loop.pdf", "untyped.pdf"}}) {
        std::vector<std::string> inputs;
        Lines expected;
        for (const std::string& name : names) {
            inputs.push_back(paths[name]);
            expected.insert(expected.end(), pages[name].begin(), pages[name].end());
        }
        ExpectLines(PageGeometry(MergeAll(inputs)), expected);
    }
}

// An input without pages, or one that fails half-way through its append, is listed as not
// merged, and nothing of it reaches the output; intake refuses the ones without pages.
TEST_F(AppendTest, InputsThatCannotBeMergedWholeLeaveNothingBehind) {
    const std::string lost = "/Marker (LOST-INPUT)";
    const auto tree = [&](const std::string& root) {
        RawPdf pdf;
        pdf.Add(1, "<< /Type /Catalog /Pages 2 0 R " + lost + " >>").Add(2, root);
        return pdf;
    };
    // Loads, and finds its pages, but one of its objects cannot be read when it is copied.
    RawPdf halfway = OutlinedPdf("H", 3, {{"H1", 0, 1, false}}, lost);
    halfway.Add(400, "<< /Broken (never closed >>");
    struct Case {
        const char* name;
        RawPdf pdf;
        bool opens;
    };
    const Case cases[] = {
        {"no-kids.pdf", tree("<< /Type /Pages /Kids [] /Count 0 >>"), false},
        {"no-tree.pdf", RawPdf().Add(1, "<< /Type /Catalog " + lost + " >>"), false},
        {"dangling.pdf", tree("<< /Type /Pages /Kids [77 0 R 78 0 R] /Count 2 >>"), false},
        {"halfway.pdf", halfway, true},
    };
    std::vector<std::string> inputs;
    std::string report =
        "Following files could not be merged, probably because they are not valid PDF files:\r\n";
    for (const Case& c : cases) {
        inputs.push_back(Write(c.name, c.pdf));
        report += inputs.back() + "\r\n";
        EXPECT_EQ(PdfOpens(inputs.back().c_str()), c.opens) << c.name;
    }
    // The first input has no pages: the next one is the base.
    inputs.insert(inputs.begin() + 1, Write("a.pdf", OutlinedPdf("A", 1, {{"A1", 0, 1, false}})));
    inputs.push_back(Write("b.pdf", OutlinedPdf("B", 1, {{"B1", 0, 1, false}})));
    const std::string out = MergeAll(inputs, report + "\r\nFile is saved but there are some errors.");
    EXPECT_EQ(MergeRun(inputs, m_folder.Path("again.pdf")).outcome, MergeSavedWithErrors);
    ExpectLines({PageText(out, 1), PageText(out, 2)}, {"A1", "B1"});
    EXPECT_EQ(PageCount(out), 2);
    ExpectLines(Outline(out), {"0 A1 -> 1", "0 B1 -> 2"});
    EXPECT_EQ(ReadBytes(out).find("LOST-INPUT"), std::string::npos);
}

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
        {"header.pdf", FlatPdf("A", 1).Add(4, "<< /Unused true >>", "", 104).File(), "A1"},
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

// Allocations made while one exists are not reported as leaks.
struct LeaksIgnored {
    LeaksIgnored() {
#if defined(__SANITIZE_ADDRESS__)
        __lsan_disable();
#endif
    }
    ~LeaksIgnored() {
#if defined(__SANITIZE_ADDRESS__)
        __lsan_enable();
#endif
    }
};

// Everything the document held before, as text: what a failed append must leave unchanged.
std::string DocumentState(PoDoFo::PdfMemDocument& document) {
    std::string state;
    for (PoDoFo::PdfObject* object : document.GetObjects()) {
        std::string text;
        object->ToString(text);
        state += object->Reference().ToString() + " " + text + "\n";
    }
    std::string trailer;
    document.GetTrailer()->ToString(trailer);
    return state + trailer + " pages " + std::to_string(document.GetPageCount());
}

// An append that fails at any allocation, early (copying) or late (linking pages and bookmarks
// into the document), leaves the document exactly as it was.
TEST_F(AppendTest, AnAppendThatFailsLeavesTheDocumentAsItWas) {
    const std::vector<Bookmark> items = {{"P1", 0, 1, true}, {"P1.1", 1, 2, false}};
    const std::string part = Write("part.pdf", OutlinedPdf("P", 2, items));
    RawPdf unsound = FlatPdf("U", 1, "/Outlines 500 0 R");
    unsound.Add(500, "<< /First 501 0 R >>").Add(501, "<< /Title (U1) /Dest [3 0 R /Fit] >>");
    // Without an outline the append creates one; an outline that does not hold together is
    // linked again before the part's items join it.
    for (const std::string& base : {Write("plain.pdf", FlatPdf("A", 1)), Write("unsound.pdf", unsound)}) {
        SCOPED_TRACE(base);
        int failures = 0;
        for (long allocation = 0;; ++allocation) {
            PoDoFo::PdfMemDocument merged;
            merged.Load(base.c_str());
            PoDoFo::PdfMemDocument appended;
            appended.Load(part.c_str());
            const std::string before = DocumentState(merged);
            // The library's own value classes leak what they had copied when an allocation fails
            // inside them; that is not what this test is about.
            LeaksIgnored ignored;
            g_allocationsLeft = allocation;
            try {
                merged.Append(appended, true);
                g_allocationsLeft = -1;
                break;
            } catch (...) {
                g_allocationsLeft = -1;
            }
            ++failures;
            SCOPED_TRACE("failed at allocation " + std::to_string(allocation));
            ExpectLines(SplitLines(DocumentState(merged)), SplitLines(before));
            if (HasFailure()) {
                return;
            }
        }
        EXPECT_GT(failures, 100);
    }
}

} // namespace
