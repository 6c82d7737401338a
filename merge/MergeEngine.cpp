#include "merge/MergeEngine.h"

#include "merge/DocumentMerge.h"
#include "merge/FileOps.h"
#include "merge/PdfLayer.h"

#include <podofo/podofo.h>

#include <cstdio>
#include <memory>

using PoDoFo::PdfMemDocument;

namespace {

void AppendErrorTitle(ZuvAnsi& title) {
    title.AppendLiteral(10, "Error");
}

// The title becomes "Error" with the first problem reported.
void StartProblem(ZuvAnsi& title, const ZuvAnsi& report) {
    if (report.Length() == 0) {
        AppendErrorTitle(title);
    }
}

void ReportUnmerged(ZuvAnsi& title, ZuvAnsi& report, const ZuvAnsi& name) {
    if (report.Length() == 0) {
        report.Reserve(1000);
        AppendErrorTitle(title);
        report.AppendLiteral(
            100, "Following files could not be merged, probably because they are not valid PDF files:\r\n");
    }
    report.AppendText(name.Text());
    report.AppendLiteral(10, "\r\n");
}

// Loads the first readable input into `merged` and appends every later readable one to it.
// Null when no input could be read. `outOfMemory` is set when an input failed for lack of memory.
std::unique_ptr<DocumentMerge> LoadInputs(PdfMemDocument& merged, const ZuvVector<ZuvAnsi2*>& inputs,
                                          ZuvAnsi& title, ZuvAnsi& report, bool& outOfMemory) {
    std::unique_ptr<DocumentMerge> steps;
    for (uint32_t i = 0; i < inputs.Count(); ++i) {
        const ZuvAnsi2* name = inputs[i];
        if (!name) {
            continue;
        }
        try {
            if (!steps) {
                merged.Load(name->Text(), false);
                steps.reset(new DocumentMerge(merged));
            } else {
                PdfMemDocument part; // loaded apart from construction: see PdfOpens
                part.Load(name->Text(), false);
                steps->Append(part);
            }
        } catch (...) {
            outOfMemory = CaughtOutOfMemory() || outOfMemory;
            ReportUnmerged(title, report, *name);
        }
    }
    return steps;
}

// "<output>.<n>.pdf" for the first n whose name is free.
void ChooseTemporaryName(const ZuvAnsi& output, ZuvAnsi& target) {
    for (uint32_t n = 0;; ++n) {
        char number[16];
        snprintf(number, sizeof number, ".%u", n);
        ByteBufSetLength(target.Buf(), 0);
        target.AppendText(output.Text());
        target.AppendText(number);
        target.AppendLiteral(10, ".pdf");
        if (!FileExists(target.Text())) {
            return;
        }
    }
}

// Completes the document and writes it; false unless the whole file reached the disk.
bool WriteDocument(PdfMemDocument& document, DocumentMerge& steps, const char* name, bool& outOfMemory) {
    try {
        steps.Finish();
        size_t length = 0;
        {
            PoDoFo::PdfOutputDevice device(name);
            document.Write(&device);
            length = device.GetLength();
        }
        // The library misses a write that fails when the file is flushed and closed (a full
        // disk, a size limit); the size that reached the disk does not.
        uint64_t size = 0;
        return FileSize(name, size) && size == length;
    } catch (...) {
        outOfMemory = CaughtOutOfMemory() || outOfMemory;
        return false;
    }
}

void ReportWriteFailure(ZuvAnsi& title, ZuvAnsi& report, const char* outputName) {
    StartProblem(title, report);
    report.AppendLiteral(50, "\r\nCould not write merged file to:\r\n");
    report.AppendText(outputName);
}

void ReportReplaceFailure(ZuvAnsi& title, ZuvAnsi& report, const ZuvAnsi& target) {
    StartProblem(title, report);
    report.AppendLiteral(
        100, "\r\nCould not replace existing file with merged file. Merged file is stored under:\r\n");
    report.AppendText(target.Text());
}

// "Not enough memory" on a line of its own after the problems reported so far: the inputs listed
// above it may well be sound files that did not fit in memory.
void ReportOutOfMemory(ZuvAnsi& title, ZuvAnsi& report) {
    StartProblem(title, report);
    const uint32_t length = report.Length();
    if (length > 0 && report.Text()[length - 1] != '\n') {
        report.AppendLiteral(20, "\r\nNot enough memory");
    } else {
        report.AppendLiteral(20, "Not enough memory\r\n");
    }
}

// The closing line of the report, or the whole of it when nothing went wrong.
MergeOutcome Summarise(ZuvAnsi& title, ZuvAnsi& report, bool saved) {
    if (report.Length() == 0) {
        title.AppendLiteral(30, "Varnello");
        report.AppendLiteral(50, "File is successfully saved.");
        return MergeSaved;
    }
    if (saved) {
        report.AppendLiteral(50, "\r\nFile is saved but there are some errors.");
        return MergeSavedWithErrors;
    }
    report.AppendLiteral(50, "\r\nNo file is saved.");
    return MergeNotSaved;
}

// Writes to the output, or through a temporary name over an existing file of that name.
// Returns whether a file was written.
bool SaveMerged(std::unique_ptr<PdfMemDocument>& merged, DocumentMerge& steps, const char* outputName,
                ZuvAnsi& title, ZuvAnsi& report, bool& outOfMemory) {
    ZuvAnsi2 output(outputName);
    ZuvAnsi2 target(outputName);
    // An existing file is never written over: it may be the first input, which the document
    // still reads from, and a write that failed half-way would destroy it.
    const bool replace = FileExists(outputName);
    if (replace) {
        ChooseTemporaryName(output, target);
    }
    const bool written = WriteDocument(*merged, steps, target.Text(), outOfMemory);
    // Closes the first input before anything is moved over it.
    merged.reset();
    if (!written) {
        // The name was free before the write, so whatever it holds now is a partial file.
        if (FileExists(target.Text())) {
            RemoveFile(target);
        }
        ReportWriteFailure(title, report, outputName);
        return false;
    }
    if (replace && !RenameFile(target, output)) {
        ReportReplaceFailure(title, report, target);
    }
    return true;
}

} // namespace

MergeOutcome MergeFiles(const ZuvVector<ZuvAnsi2*>& inputs, const char* outputName, ZuvAnsi& title,
                        ZuvAnsi& report, const std::function<void()>& beforeWrite) {
    if (inputs.Count() == 0 || !outputName || !*outputName) {
        return MergeNotSaved;
    }
    StartPdfLayer();
    bool outOfMemory = false;
    bool saved = false;
    std::unique_ptr<PdfMemDocument> merged;
    try {
        merged.reset(new PdfMemDocument());
    } catch (...) {
        outOfMemory = true;
    }
    if (merged) {
        if (std::unique_ptr<DocumentMerge> steps = LoadInputs(*merged, inputs, title, report, outOfMemory)) {
            if (beforeWrite) {
                beforeWrite();
            }
            saved = SaveMerged(merged, *steps, outputName, title, report, outOfMemory);
        }
        // Gives the memory back before the report grows.
        merged.reset();
    }
    if (outOfMemory) {
        ReportOutOfMemory(title, report);
    }
    return Summarise(title, report, saved);
}
