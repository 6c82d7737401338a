#pragma once
// Intake validation: every file that enters the input list is opened with the PDF library
// first, so that the list holds only files that could be read.
//
// What the window's AddValidatedFiles does with it, for a batch from Add, a drop or a paste:
//   1. ValidateFiles(candidates, accepted, title, report), title on its fixed 1000-byte store;
//   2. IntakeEmpty: return at once (no box, no refresh, no focus change);
//   3. append each accepted name, in order, to m_list with LB_ADDSTRING;
//   4. IntakeNoMemory: ShowNotEnoughMemory(title); otherwise, when the report is not empty,
//      MessageBoxA(main window, report.Text(), title.Text(), MB_OK) (the title is "Error");
//   5. UpdateButtons(), UpdateHorizontalExtent(), and the focus to m_list.
// The caller owns the candidates and releases them with DestroyOwning at the end; `accepted`
// only borrows them and is released without deleting its elements.

#include "foundation/ZuvAnsi.h"
#include "foundation/ZuvVector.h"

#include <cstdint>

enum IntakeResult {
    IntakeEmpty,   // there were no candidates; nothing was done
    IntakeDone,    // every candidate was tested; refused ones are named in the report
    IntakeNoMemory // every candidate was tested, but memory ran out for the report or the list
};

// The report lists at most this many refused names, then one line with how many more there were.
const uint32_t kIntakeListedNames = 25;

// Opens each candidate (in order) with the PDF library. Those that open are appended to
// `accepted`; the others are listed in `report` under "Following files could not be added,
// probably because they are not valid PDF files:", one name per line, and the line "Not enough
// memory" after them when a file could not be opened for lack of memory. `title` receives "Error"
// when there is at least one candidate. The batch always runs to its end.
IntakeResult ValidateFiles(const ZuvVector<ZuvAnsi2*>& candidates, ZuvVector<ZuvAnsi2*>& accepted,
                           ZuvAnsi& title, ZuvAnsi& report);
