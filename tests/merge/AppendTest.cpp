// What the library's Append brings into the engine's output, read by qpdf, poppler and pikepdf:
// bookmarks, page geometry, the pages a tree holds, object numbers, inputs not merged whole.

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <set>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
using LeaksIgnored = __lsan::ScopedDisabler;
#else
struct LeaksIgnored {};
#endif

// Allocations left before the next one fails; negative: none fails.
static long g_allocationsLeft = -1;

void* operator new(std::size_t size) {
    if (g_allocationsLeft == 0) {
        g_allocationsLeft = -1;
        throw std::bad_alloc();
    }
    g_allocationsLeft -= g_allocationsLeft > 0;
    if (void* memory = std::malloc(size ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

// The outline of `pdf` as outline_check.py prints it, its page numbers moved by `offset`.
Lines Outline(const std::string& pdf, int offset = 0) {
    Lines lines = RunPython("outline_check.py", Quoted(pdf));
    for (size_t i = 0; offset && i < lines.size(); ++i) {
        const size_t at = lines[i].rfind(" -> ") + 4, end = lines[i].find(' ', at);
        lines[i].replace(at, end - at, std::to_string(std::stoi(lines[i].substr(at)) + offset));
    }
    return lines;
}

// One line per page as poppler sees it: "<text> rot=<r> media=<box> crop=<box>".
Lines PageGeometry(const std::string& pdf) {
    const std::map<std::string, std::string> keys = {
        {"rot:", " rot="}, {"MediaBox:", " media="}, {"CropBox:", " crop="}};
    Lines lines = TextOfPages(pdf);
    for (const std::string& line :
         SplitLines(RunCommand("pdfinfo -f 1 -l 100000 -box " + Quoted(pdf)).output)) {
        std::istringstream fields(line);
        std::string word, key, box;
        size_t page = 0;
        fields >> word >> page >> key;
        for (double number; fields >> number;) {
            std::ostringstream text;
            text << number;
            box += (box.empty() ? "" : " ") + text.str();
        }
        if (word == "Page" && page >= 1 && page <= lines.size() && keys.count(key)) {
            lines[page - 1] += keys.at(key) + box;
        }
    }
    return lines;
}

// A catalog and a page tree `root`, to which a case adds its pages.
RawPdf TreePdf(const std::string& root, const std::string& catalogExtra = "") {
    RawPdf pdf;
    pdf.Add(1, "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>").Add(2, root);
    return pdf;
}

// True when no object number has two "N G obj" headers in the file: readers would take either.
bool EveryObjectNumberOnce(const std::string& pdf) {
    const std::string bytes = ReadBytes(pdf);
    static const std::regex header("[\r\n](\\d+) \\d+ obj");
    std::set<std::string> numbers;
    size_t headers = 0;
    for (std::sregex_iterator at(bytes.begin(), bytes.end(), header), end; at != end; ++at, ++headers) {
        numbers.insert((*at)[1]);
    }
    return headers > 0 && headers == numbers.size();
}

class AppendTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const RawPdf& pdf) {
        WriteRaw(m_folder.Path(name), pdf);
        return m_folder.Path(name);
    }
    // Merges and expects every input merged into a file that qpdf finds clean.
    std::string MergeAll(const std::vector<std::string>& inputs,
                         const std::string& report = "File is successfully saved.") {
        const std::string out = ExpectMerged(inputs, m_folder.Path("merged.pdf"), report);
        EXPECT_TRUE(EveryObjectNumberOnce(out));
        return out;
    }
    // A file of `pages` pages showing `tag`1, ... with the outline `items`, written by pikepdf:
    // [title, depth, page, open] in document order.
    std::string Outlined(const std::string& tag, int pages, const std::string& items) {
        const std::string path = m_folder.Path(tag + ".pdf");
        EXPECT_EQ(RunPython("outline_check.py", "make " + Quoted(path) + " " + tag + " " +
                                                    std::to_string(pages) + " " + Quoted(items)),
                  Lines());
        return path;
    }

    TempFolder m_folder;
};

// Every input's bookmarks, in order and nesting: thousands of siblings, a thousand levels, and a
// looping outline whose sound part is kept, also when it is the first input's.
TEST_F(AppendTest, EveryInputKeepsItsBookmarksInOrderAndNesting) {
    std::string wide = "[", deep = "[";
    for (int i = 0; i < 3000; ++i) {
        wide +=
            (i ? ", [\"W" : "[\"W") + std::to_string(i) + "\", 0, " + std::to_string(1 + i % 2) + ", false]";
    }
    for (int i = 0; i < 1000; ++i) {
        deep += (i ? ", [\"D" : "[\"D") + std::to_string(i) + "\", " + std::to_string(i) + ", 1, " +
                (i % 3 ? "true]" : "false]");
    }
    // The second item's /Next leads back to the first, the first's /First to itself; the counts
    // and /Last say otherwise too.
    RawPdf looped = FlatPdf({"L1", "L2"}, "/Outlines 500 0 R");
    looped.Add(500, "<< /Type /Outlines /First 501 0 R /Last 501 0 R /Count 9 >>")
        .Add(501,
             "<< /Title (L1) /Parent 500 0 R /Next 502 0 R /First 501 0 R /Count 3 /Dest [3 0 R /Fit] >>")
        .Add(502, "<< /Title (L2) /Parent 501 0 R /Next 501 0 R /Prev 500 0 R /Dest [4 0 R /Fit] >>");
    const std::string loopedPdf = Write("looped.pdf", looped);
    const std::string nested = Outlined("N", 3, R"([["Chapter 1", 0, 1, true], ["Section 1.1", 1, 2, false],
        ["Detail 1.1.1", 2, 2, false], ["Section 1.2", 1, 3, true], ["Chapter 2", 0, 3, false],
        ["Section 2.1", 1, 3, true], ["Detail 2.1.1", 2, 1, true]])");
    const std::string widePdf = Outlined("W", 2, wide + "]"), deepPdf = Outlined("D", 1, deep + "]");
    // The merged outline is the inputs' outlines one after another, each moved by the pages before it.
    Lines expected;
    for (const Lines& part :
         {Outline(nested, 1), Outline(widePdf, 5), Outline(deepPdf, 7), Lines{"0 L1 -> 9", "0 L2 -> 10"}}) {
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(expected.size(), 4009u);
    EXPECT_EQ(Outline(MergeAll({Write("plain.pdf", FlatPdf({"P1"})), nested,
                                Write("none.pdf", FlatPdf({"X1"})), widePdf, deepPdf, loopedPdf})),
              expected);
    expected = {"0 L1 -> 1", "0 L2 -> 2"};
    for (const std::string& line : Outline(nested, 2)) {
        expected.push_back(line);
    }
    EXPECT_EQ(Outline(MergeAll({loopedPdf, nested})), expected);
}

// Every appended page shows what it showed alone: its own tree's inherited attributes, and none
// of the first input's. And every page that a walk of a page tree finds arrives, whatever the
// tree's /Count values say, each once, in order; the first input's tree is rebuilt likewise.
TEST_F(AppendTest, PagesKeepTheirOwnGeometryAndEveryPageOfTheirTree) {
    const std::string font = RawPdf::kRawFont;
    const std::string square = " rot=0 media=0 0 200 200 crop=0 0 200 200";
    struct Case {
        const char* name;
        RawPdf pdf;
        Lines pages;
    };
    const Case cases[] = {
        {"base.pdf",
         TreePdf(
             "<< /Type /Pages /Kids [3 0 R] /Count 1 /Rotate 90 /CropBox [0 0 100 100] /MediaBox [0 0 300 300] " +
             font + " >>")
             .Page(3, 2, "B1", ""),
         {"B1 rot=90 media=0 0 300 300 crop=0 0 100 100"}},
        {"bare.pdf",
         TreePdf("<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
             .Page(3, 2, "G1", "/MediaBox [0 0 200 200] " + font),
         {"G1" + square}},
        {"nested.pdf",
         TreePdf("<< /Type /Pages /Kids [10 0 R 5 0 R] /Count 3 /Rotate 180 /MediaBox [0 0 400 400] >>")
             .Add(10, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 2 /CropBox [10 10 150 150] " +
                          font + " >>")
             .Page(3, 10, "N1", "")
             .Page(4, 10, "N2", "/Rotate 270")
             .Page(5, 2, "N3", "/CropBox [0 0 50 50] " + font),
         {"N1 rot=180 media=0 0 400 400 crop=10 10 150 150",
          "N2 rot=270 media=0 0 400 400 crop=10 10 150 150", "N3 rot=180 media=0 0 400 400 crop=0 0 50 50"}},
        // Nothing to inherit at all: no text without a font, and the size readers assume.
        {"nothing.pdf",
         TreePdf("<< /Type /Pages /Kids [3 0 R] /Count 1 >>").Page(3, 2, "Z1", ""),
         {" rot=0 media=0 0 612 792 crop=0 0 612 792"}},
        {"count-low.pdf",
         TreePdf("<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 1 /MediaBox [0 0 200 200] >>")
             .Page(3, 2, "C1")
             .Page(4, 2, "C2")
             .Page(5, 2, "C3"),
         {"C1" + square, "C2" + square, "C3" + square}},
        {"count-high.pdf",
         TreePdf("<< /Type /Pages /Kids [10 0 R 5 0 R] /Count 9 /MediaBox [0 0 200 200] >>")
             .Add(10, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 7 >>")
             .Page(3, 10, "H1")
             .Page(4, 10, "H2")
             .Page(5, 2, "H3"),
         {"H1" + square, "H2" + square, "H3" + square}},
        // A kid that leads back to the root, a page listed twice, kids that are no pages.
        {"loop.pdf",
         TreePdf("<< /Type /Pages /Kids [10 0 R 3 0 R 77 0 R 12] /Count 2 /MediaBox [0 0 200 200] >>")
             .Add(10, "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 2 0 R 3 0 R] /Count 3 >>")
             .Page(3, 10, "R1")
             .Page(4, 10, "R2"),
         {"R2" + square, "R1" + square}},
        // Nodes and pages without /Type are told apart by their /Kids.
        {"untyped.pdf",
         TreePdf("<< /Kids [10 0 R] /Count 2 /MediaBox [0 0 200 200] >>")
             .Add(10, "<< /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 2 >>")
             .Add(3, "<< /Parent 10 0 R /Contents 103 0 R " + font + " >>")
             .Page(4, 10, "U2")
             .Add(103, "<< >>", "BT /F1 24 Tf 20 20 Td (U1) Tj ET"),
         {"U1" + square, "U2" + square}},
    };
    std::vector<std::string> all, damaged;
    Lines allPages, damagedPages;
    for (const Case& c : cases) {
        all.push_back(Write(c.name, c.pdf));
        allPages.insert(allPages.end(), c.pages.begin(), c.pages.end());
        if (&c >= &cases[5]) {
            damaged.push_back(all.back());
            damagedPages.insert(damagedPages.end(), c.pages.begin(), c.pages.end());
        }
    }
    EXPECT_EQ(PageGeometry(MergeAll(all)), allPages);
    EXPECT_EQ(PageGeometry(MergeAll(damaged)), damagedPages);
}

// An input without pages, or one that fails half-way through its append, is listed and leaves
// nothing in the output. Appended objects are numbered above every number in use, also when the
// base's xref entry of object 4 leads to "104 0 obj", the file's /Size.
TEST_F(AppendTest, InputsThatCannotBeMergedWholeLeaveNothingBehind) {
    const std::string lost = "/Marker (LOST-INPUT)";
    // Loads, and finds its pages, but one of its objects cannot be read when it is copied.
    RawPdf halfway = FlatPdf({"H1", "H2", "H3"}, "/Outlines 500 0 R " + lost);
    halfway.Add(500, "<< /First 501 0 R /Last 501 0 R /Count 1 >>")
        .Add(501, "<< /Title (H1) /Parent 500 0 R /Dest [3 0 R /Fit] >>")
        .Add(400, "<< /Broken (never closed >>");
    const RawPdf cases[] = {TreePdf("<< /Type /Pages /Kids [] /Count 0 >>", lost),
                            RawPdf().Add(1, "<< /Type /Catalog " + lost + " >>"),
                            TreePdf("<< /Type /Pages /Kids [77 0 R 78 0 R] /Count 2 >>", lost), halfway};
    std::vector<std::string> inputs;
    std::string report =
        "Following files could not be merged, probably because they are not valid PDF files:\r\n";
    for (const RawPdf& pdf : cases) {
        inputs.push_back(Write("lost" + std::to_string(inputs.size()) + ".pdf", pdf));
        report += inputs.back() + "\r\n";
    }
    // The first input has no pages: the next one is the base.
    inputs.insert(inputs.begin() + 1,
                  Write("base.pdf", FlatPdf({"A1"}).Add(4, "<< /Unused true >>", "", 104)));
    inputs.push_back(Outlined("B", 2, R"([["B2", 0, 2, false]])"));
    const std::string out = MergeAll(inputs, report + "\r\nFile is saved but there are some errors.");
    EXPECT_EQ(TextOfPages(out), (Lines{"A1", "B1", "B2"}));
    EXPECT_EQ(Outline(out), (Lines{"0 B2 -> 3"}));
    EXPECT_EQ(ReadBytes(out).find("LOST-INPUT"), std::string::npos);
}

// Everything the document holds, as text: what a failed append must leave unchanged.
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

// An append that fails at any allocation, copying or linking pages and bookmarks, leaves the
// document exactly as it was. No file is written, so the library's own state is compared.
TEST_F(AppendTest, AnAppendThatFailsLeavesTheDocumentAsItWas) {
    const std::string part = Outlined("P", 2, R"([["P1", 0, 1, true], ["P1.1", 1, 2, false]])");
    // Without an outline the append creates one; an outline that does not hold together is
    // linked again before the part's items join it.
    RawPdf unsound = FlatPdf({"U1"}, "/Outlines 500 0 R");
    unsound.Add(500, "<< /First 501 0 R >>").Add(501, "<< /Title (U1) /Dest [3 0 R /Fit] >>");
    for (const std::string& base : {Write("plain.pdf", FlatPdf({"A1"})), Write("unsound.pdf", unsound)}) {
        int failures = 0;
        for (long allocation = 0;; ++allocation, ++failures) {
            PoDoFo::PdfMemDocument merged, appended;
            merged.Load(base.c_str());
            appended.Load(part.c_str());
            const std::string before = DocumentState(merged);
            // The library's value classes leak what they had copied when an allocation fails.
            LeaksIgnored ignored;
            g_allocationsLeft = allocation;
            try {
                merged.Append(appended, true);
                g_allocationsLeft = -1;
                break;
            } catch (...) {
                g_allocationsLeft = -1;
            }
            ASSERT_EQ(DocumentState(merged), before) << base << " failed at allocation " << allocation;
        }
        EXPECT_GT(failures, 100) << base;
    }
}

// The intake refuses a file that an allocation failure keeps from opening, and says why, whichever
// allocation fails; the other allocations are the test's own.
TEST_F(AppendTest, IntakeSaysWhenAFileDidNotFitInMemory) {
    const std::string pdf = Write("small.pdf", FlatPdf({"S1"}));
    int refused = 0;
    for (long allocation = 0;; ++allocation) {
        LeaksIgnored ignored;
        IntakeRunResult intake;
        try {
            g_allocationsLeft = allocation;
            intake = IntakeRun({pdf});
            g_allocationsLeft = -1;
        } catch (const std::bad_alloc&) {
            continue;
        }
        if (!intake.accepted.empty()) {
            break;
        }
        ++refused;
        EXPECT_EQ(intake.report,
                  "Following files could not be added, probably because they are not valid PDF files:\r\n" +
                      pdf + "\r\nNot enough memory\r\n")
            << "allocation " << allocation;
    }
    EXPECT_GT(refused, 10);
}

} // namespace
