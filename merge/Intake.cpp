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
    return report.AppendChars(100, 'F', 'o', 'l', 'l', 'o', 'w', 'i', 'n', 'g', ' ', 'f', 'i', 'l', 'e', 's',
                              ' ', 'c', 'o', 'u', 'l', 'd', ' ', 'n', 'o', 't', ' ', 'b', 'e', ' ', 'a', 'd',
                              'd', 'e', 'd', ',', ' ', 'p', 'r', 'o', 'b', 'a', 'b', 'l', 'y', ' ', 'b', 'e',
                              'c', 'a', 'u', 's', 'e', ' ', 't', 'h', 'e', 'y', ' ', 'a', 'r', 'e', ' ', 'n',
                              'o', 't', ' ', 'v', 'a', 'l', 'i', 'd', ' ', 'P', 'D', 'F', ' ', 'f', 'i', 'l',
                              'e', 's', ':', '\r', '\n', 0);
}

// Lists the name when it fits in the reserved room with the closing line still to come.
bool ListName(ZuvAnsi& report, const ZuvAnsi& name) {
    const uint64_t needed = uint64_t(report.Length()) + name.Length() + 2 + kClosingRoom;
    if (needed >= kReportRoom) {
        return false;
    }
    return report.AppendString(name) && report.AppendChars(10, '\r', '\n', 0);
}

// "And 470 more files could not be added."
void AppendUnlistedCount(ZuvAnsi& report, uint32_t unlisted) {
    char number[16];
    snprintf(number, sizeof number, "%u", unlisted);
    report.AppendChars(10, 'A', 'n', 'd', ' ', 0);
    report.AppendText(number);
    report.AppendChars(10, ' ', 'm', 'o', 'r', 'e', ' ', 'f', 'i', 'l', 'e', 0);
    if (unlisted > 1) {
        report.AppendChars(10, 's', 0);
    }
    report.AppendChars(30, ' ', 'c', 'o', 'u', 'l', 'd', ' ', 'n', 'o', 't', ' ', 'b', 'e', ' ', 'a', 'd',
                       'd', 'e', 'd', '.', '\r', '\n', 0);
}

} // namespace

IntakeResult ValidateFiles(const ZuvVector<ZuvAnsi2*>& candidates, ZuvVector<ZuvAnsi2*>& accepted,
                           ZuvAnsi& title, ZuvAnsi& report) {
    if (candidates.Count() == 0) {
        return IntakeEmpty;
    }
    title.AppendChars(10, 'E', 'r', 'r', 'o', 'r', 0);

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
        memoryOk = report.AppendChars(20, 'N', 'o', 't', ' ', 'e', 'n', 'o', 'u', 'g', 'h', ' ', 'm', 'e',
                                      'm', 'o', 'r', 'y', '\r', '\n', 0) &&
                   memoryOk;
    }
    return memoryOk ? IntakeDone : IntakeNoMemory;
}
