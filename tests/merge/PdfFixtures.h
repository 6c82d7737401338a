#pragma once
// Real files for the merge engine's tests, written with PoDoFo in a folder of their own, and the
// engine run on them.

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"
#include "merge/Intake.h"
#include "merge/MergeEngine.h"

#include <podofo/podofo.h>

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

using Lines = std::vector<std::string>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Dir() const { return m_dir; }
    // The full name of an entry of the folder.
    std::string Path(const std::string& name) const;
    // The names in the folder, sorted.
    Lines Entries() const;

private:
    std::string m_dir;
};

// A PDF with one page per text, each page showing its text; optionally one outline item per
// page titled with the page's text.
void WritePdf(const std::string& path, const std::vector<std::string>& pageTexts, bool withOutline = false);

// A one-page PDF showing `text`, encrypted by PoDoFo.
void WriteEncryptedPdf(const std::string& path, const std::string& text, const std::string& userPassword,
                       PoDoFo::PdfEncrypt::EPdfEncryptAlgorithm algorithm,
                       PoDoFo::PdfEncrypt::EPdfKeyLength keyLength);

// A PDF written byte by byte, for structures the library would not write (wrong counts, loops,
// object numbers that are not dense) and for damaged files: the test chooses object numbers and
// generations, cross-reference tables (and the line ends of their entries), cross-reference and
// object streams, hybrid files, trailers and /Prev chains. Offsets are tracked as the bytes are
// written, so a test writes a sound file first and then damages exactly the bytes it means to.
class RawPdf {
public:
    // One cross-reference entry.
    struct Entry {
        int number;
        char type;     // 'n' in the file, 'f' free, 'c' in an object stream
        size_t field2; // offset ('n'), next free object ('f'), number of the object stream ('c')
        int field3;    // generation ('n', 'f'), index in the object stream ('c')
    };

    explicit RawPdf(const std::string& header = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");

    // "N G obj\n<body>\nendobj\n"; returns its offset.
    size_t Object(int number, const std::string& body, int generation = 0);
    // Object `number` with `body`; with `stream`, the body is a dictionary that gets /Length and
    // the stream. A non-zero `header` writes "<header> 0 obj" at the offset listed for `number`,
    // as damaged files do.
    RawPdf& Add(int number, const std::string& body, const std::string& stream = "", int header = 0);
    // A page of the given parent showing `text` in the font /F1 (object `number` + 100 holds its
    // content, object 99 the font); `extra` goes into the page dictionary: kRawFont there, or on
    // an ancestor, makes /F1 Helvetica.
    RawPdf& Page(int number, int parent, const std::string& text, const std::string& extra = kRawFont);
    static const std::string kRawFont;
    // An object stream (uncompressed) holding the given objects, listed in Entries() as compressed.
    size_t ObjectStream(int number, const std::vector<std::pair<int, std::string>>& objects);

    // Object 0 as the head of the free list, then every object written so far (at its last
    // offset) and every object in an object stream, by number.
    std::vector<Entry> Entries() const;

    // "xref", one subsection per run of consecutive numbers, each entry ended by `eol` (" \n" and
    // "\r\n" are the standard two-byte ends; "\n" alone gives the 19-byte entries some writers
    // make), then "trailer\n<< trailer >>\n". Returns the offset of "xref".
    size_t Table(const std::vector<Entry>& entries, const std::string& trailer,
                 const std::string& eol = "\r\n");
    // A cross-reference stream object listing `entries` and itself, with these field widths and
    // further dictionary entries (/Root, /Prev...). Returns its offset.
    size_t XRefStream(int number, std::vector<Entry> entries, const std::string& dictionary,
                      const std::array<int, 3>& widths = {1, 4, 2});
    // "startxref\n<offset>\n%%EOF\n"
    void StartXRef(size_t offset);

    size_t OffsetOf(int number) const { return m_direct.at(number).first; }
    size_t Size() const { return m_bytes.size(); }
    // The bytes written so far.
    const std::string& Bytes() const { return m_bytes; }
    // The bytes with one table of every number up to the highest (the missing ones free), the
    // trailer /Root 1 0 R and startxref: a complete file.
    std::string File() const;

    // The body of a stream object: "<< entries /Length n >>\nstream\n" data "\nendstream".
    static std::string Stream(const std::string& entries, const std::string& data);
    // The binary rows of a cross-reference stream with these widths.
    static std::string XRefRows(const std::vector<Entry>& entries, const std::array<int, 3>& widths);

private:
    std::string m_bytes;
    std::map<int, std::pair<size_t, int>> m_direct;  // number -> offset, generation
    std::map<int, std::pair<int, int>> m_compressed; // number -> object stream, index
};

// A document whose page n shows texts[n - 1] in Helvetica: the catalog is object 1, the page tree
// 2, the font 3, then each page and its content stream. With `compressed`, the catalog, the page
// tree, the font and the pages go into object stream `compressed` (which must be free) and only
// the content streams stay direct. Writes no cross-reference section.
void RawPages(RawPdf& pdf, const std::vector<std::string>& texts, int compressed = 0);

// The number of the last object RawPages writes for this many pages.
int RawPagesLastObject(size_t pages);

// `text` with the first occurrence of `from` replaced by `to`; throws when there is none.
std::string Replaced(const std::string& text, const std::string& from, const std::string& to);

// Catalog 1, a flat page tree 2 (300 by 300 points) and pages 3, 4, ... showing `texts`.
RawPdf FlatPdf(const std::vector<std::string>& texts, const std::string& catalogExtra = "");

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

// A name list as the window hands it over: it owns its strings, and DestroyOwning deletes it.
struct PathList {
    explicit PathList(const std::vector<std::string>& names);
    ~PathList();
    PathList(const PathList&) = delete;
    ZuvVector<ZuvAnsi2*>& Get() { return list; }
    ZuvVector<ZuvAnsi2*>& list;
};

// One run of the merge engine, or of the intake, on a list of names, with its texts.
struct MergeRunResult {
    MergeOutcome outcome;
    std::string title;
    std::string report;
};
MergeRunResult MergeRun(const std::vector<std::string>& inputs, const std::string& output,
                        const std::function<void()>& beforeWrite = nullptr);
struct IntakeRunResult {
    IntakeResult result;
    Lines accepted;
    std::string title;
    std::string report;
};
IntakeRunResult IntakeRun(const std::vector<std::string>& candidates);
