#pragma once
// The one start-up of the PDF library, shared by intake and merge.

// Silences the library's logging and loads OpenSSL's "legacy" and "default" providers, so that
// files protected only by an owner password open whether they use RC4 or AES. Runs once per
// process; later calls do nothing. Intake and merge call it themselves; the window may call it
// at start-up too.
void StartPdfLayer();

// True when the PDF library opens the file and finds pages in it (PagesToMerge): the test that a candidate of the input list must pass.
// When it does not, `outOfMemory` (if given) tells whether memory ran out rather than the file
// being unreadable.
bool PdfOpens(const char* name, bool* outOfMemory = nullptr);

// Called inside a handler of any exception: whether the exception being handled says that memory
// ran out (std::bad_alloc, or the library's out-of-memory error).
bool CaughtOutOfMemory();
