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
// object numbers that are not dense). Objects are written in the order added and listed in one
// xref table; the trailer's /Root is object 1.
class RawPdf {
public:
    // Object `number` with `body`; with `stream`, the body is a dictionary that gets /Length and
    // the stream. A non-zero `header` writes "<header> 0 obj" at the offset listed for `number`,
    // as damaged files do.
    RawPdf& Add(int number, const std::string& body, const std::string& stream = "", int header = 0);
    // A page of the given parent showing `text` in the font /F1 (object `number` + 100 holds its
    // content, object 99 the font); `extra` goes into the page dictionary: kRawFont there, or on
    // an ancestor, makes /F1 Helvetica.
    RawPdf& Page(int number, int parent, const std::string& text, const std::string& extra = kRawFont);
    static const std::string kRawFont;
    // The file; numbers without an object are free.
    std::string File() const;

private:
    std::string m_bytes = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::map<int, size_t> m_offsets;
};

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
