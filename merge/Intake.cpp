#include "merge/Intake.h"

#include "merge/PdfLayer.h"

#include <cstdio>

namespace {

// Reserved at the first refused file; the report never grows beyond it.
const uint32_t kReportRoom = 10000;
// Kept free for the closing line that counts the names not listed.
const uint32_t kClosingRoom = 100;

bool StartReport(ZuvAnsi& report) {
    if (!report.Reserve(kReportRoom)) {
        return false;
    }
    return report.AppendLiteral(
        100, "Following files could not be added, probably because they are not valid PDF files:\r\n");
}

// Lists the name when it fits in the reserved room with the closing line still to come.
bool ListName(ZuvAnsi& report, const ZuvAnsi& name) {
    const uint64_t needed = uint64_t(report.Length()) + name.Length() + 2 + kClosingRoom;
    if (needed >= kReportRoom) {
        return false;
    }
    return report.AppendString(name) && report.AppendLiteral(10, "\r\n");
}

// "And 470 more files could not be added."
void AppendUnlistedCount(ZuvAnsi& report, uint32_t unlisted) {
    char number[16];
    snprintf(number, sizeof number, "%u", unlisted);
    report.AppendLiteral(10, "And ");
    report.AppendText(number);
    report.AppendLiteral(10, " more file");
    if (unlisted > 1) {
        report.AppendLiteral(10, "s");
    }
    report.AppendLiteral(30, " could not be added.\r\n");
}

} // namespace

IntakeResult ValidateFiles(const ZuvVector<ZuvAnsi2*>& candidates, ZuvVector<ZuvAnsi2*>& accepted,
                           ZuvAnsi& title, ZuvAnsi& report) {
    if (candidates.Count() == 0) {
        return IntakeEmpty;
    }
    title.AppendLiteral(10, "Error");

    bool memoryOk = true;
    // A refused file may be sound and only too large for the memory left: the report says so.
    bool pdfOutOfMemory = false;
    uint32_t refused = 0;
    uint32_t unlisted = 0;
    for (uint32_t i = 0; i < candidates.Count(); ++i) {
        ZuvAnsi2* name = candidates[i];
        if (!name) {
            continue;
        }
        bool outOfMemory = false;
        if (PdfOpens(name->Text(), &outOfMemory)) {
            memoryOk = accepted.Append(name) && memoryOk;
            continue;
        }
        pdfOutOfMemory = pdfOutOfMemory || outOfMemory;
        if (refused++ == 0) {
            memoryOk = StartReport(report) && memoryOk;
        }
        // Once one name is left out, all later ones are too: the list stays in batch order.
        const bool listed =
            memoryOk && unlisted == 0 && refused <= kIntakeListedNames && ListName(report, *name);
        if (!listed) {
            ++unlisted;
        }
    }
    if (unlisted > 0) {
        AppendUnlistedCount(report, unlisted);
    }
    if (pdfOutOfMemory) {
        memoryOk = report.AppendLiteral(20, "Not enough memory\r\n") && memoryOk;
    }
    return memoryOk ? IntakeDone : IntakeNoMemory;
}
