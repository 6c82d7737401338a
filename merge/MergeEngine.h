#pragma once
// The merge: the first readable input is loaded, every further readable input is appended to
// it in order, and the result is written to the output file. One title and one report tell the
// outcome.
//
// What the window's OnMerge does with it, after its own gate, count and output-selection steps
// (an empty list or an empty output name ends the command silently before this call):
//   1. read the list entries into a path list, in list order, skipping any that the list box
//      cannot return (LB_ERR);
//   2. MergeFiles(paths, output name, title, report), title on its fixed 1000-byte store;
//   3. MessageBoxA(main window, report.Text(), title.Text(), MB_OK) when the report is not empty:
//      "File is successfully saved." under "Varnello", or the problems under "Error";
//   4. release the path list with DestroyOwning. The list and the output box stay as they are.

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <functional>

// Also the exit code of varnello-merge.
enum MergeOutcome {
    MergeSaved = 0, // every input merged and the output written
    MergeSavedWithErrors =
        1,            // a file was written, but some inputs failed or the output could not be replaced
    MergeNotSaved = 2 // nothing was written
};

// Inputs that cannot be loaded or appended are listed in the report and skipped. When a file of
// the output's name exists already (the first input itself, say, however its name is spelled),
// the result is written to "<output>.<n>.pdf" for the first free n and then moved over it in one
// step; if that move fails, the existing file stays as it was and the report names the
// temporary file. A failed write removes what it had written and never touches an input. When
// loading, appending or writing failed for lack of memory, the line "Not enough memory" follows
// the problems reported, before the closing line. With no inputs or an empty output name, nothing
// is done and title and report stay empty.
// Stream bytes are copied from the inputs when the output is written: an input that has changed
// by then makes the write fail. `beforeWrite`, when given, runs after the last append and before
// the write (tests change an input there).
MergeOutcome MergeFiles(const ZuvVector<ZuvAnsi2*>& inputs, const char* outputName, ZuvAnsi& title,
                        ZuvAnsi& report, const std::function<void()>& beforeWrite = nullptr);
