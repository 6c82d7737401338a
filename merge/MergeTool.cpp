// varnello-merge OUTPUT INPUT...: the merge of the main window for scripts. Prints the report
// that the window would show (on stdout after a clean merge, else on stderr) and exits with the
// MergeOutcome: 0 all merged, 1 written with errors, 2 nothing written.

#include "merge/MergeEngine.h"

#include <cstdio>

namespace {

// The report's lines end with "\r\n"; the console wants "\n" (a Windows console stream adds
// the "\r" back by itself).
void PrintReport(FILE* stream, const ZuvAnsi& report) {
    for (const char* c = report.Text(); *c; ++c) {
        if (*c != '\r') {
            fputc(*c, stream);
        }
    }
    fputc('\n', stream);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "Usage: varnello-merge OUTPUT INPUT...\n");
        return MergeNotSaved;
    }
    ZuvVector<ZuvAnsi2*>* inputs = new ZuvVector<ZuvAnsi2*>();
    for (int i = 2; i < argc; ++i) {
        inputs->Append(new ZuvAnsi2(argv[i]));
    }
    ZuvAnsi2 title;
    ZuvAnsi2 report;
    const MergeOutcome outcome = MergeFiles(*inputs, argv[1], title, report);
    inputs->DestroyOwning();
    PrintReport(outcome == MergeSaved ? stdout : stderr, report);
    return outcome;
}
