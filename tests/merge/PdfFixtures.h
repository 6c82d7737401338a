#pragma once
// Real files for the merge engine's tests, written byte by byte, and the engine run on them.

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"
#include "merge/Intake.h"
#include "merge/MergeEngine.h"

#include <podofo/podofo.h>

#include <string>
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

// A PDF written byte by byte, for structures the library would not write (wrong counts, loops,
// object numbers that are not dense). Objects are written in the order added and listed in one
// xref table; the trailer's /Root is object 1.
class RawPdf {
public:
    // Object `number` with `body`; with `stream`, the body is a dictionary that gets /Length and
    // the stream. A non-zero `header` writes "<header> 0 obj" at the offset the xref lists for
    // `number`, as damaged files do.
    RawPdf& Add(int number, const std::string& body, const std::string& stream = "", int header = 0);
    // A page of the given parent showing `text` in the font /F1 (object `number` + 100 holds its
    // content, object 99 the font); `extra` goes into the page dictionary: kRawFont there, or on an ancestor,
    // makes /F1 Helvetica.
    RawPdf& Page(int number, int parent, const std::string& text, const std::string& extra = kRawFont);
    static const std::string kRawFont;
    // The file; entries without an object are free.
    std::string Bytes() const;

private:
    struct Object {
        int number;
        int header;
        std::string text;
    };
    std::vector<Object> m_objects;
};

// Catalog 1, a flat page tree 2 (300 by 300 points) and pages 3, 4, ... showing `texts`.
RawPdf FlatPdf(const std::vector<std::string>& texts, const std::string& catalogExtra = "");
void WritePdf(const std::string& path, const std::vector<std::string>& texts);

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

// A run of the merge (`result` a MergeOutcome) or of the intake (an IntakeResult) with its texts.
struct RunResult {
    int result;
    std::string title;
    std::string report;
    Lines accepted;
};
RunResult MergeRun(const std::vector<std::string>& inputs, const std::string& output,
                   const std::function<void()>& beforeWrite = nullptr);
RunResult IntakeRun(const std::vector<std::string>& candidates);
